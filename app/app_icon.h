#pragma once
// The program's own icon (a dial over a trimmer-resistor symbol), from the compiled-in
// resources: 16, 32 and 48 pixel renderings of icons/sondrel.svg.

#include <QIcon>

namespace sondrel::app {

QIcon AppIcon();

}  // namespace sondrel::app
