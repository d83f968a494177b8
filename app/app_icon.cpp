#include "app/app_icon.h"

#include <QString>

namespace sondrel::app {

QIcon AppIcon() {
    // PNG files only, so no SVG plugin is needed. The window system gets every size added
    // here at start-up; 48 pixels covers title bars and task bars (the 256 one is for the
    // desktop's icon theme).
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/icons/sondrel-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace sondrel::app
