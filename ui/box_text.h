#pragma once
// A multi-line box seen as a text: the box keeps its own paragraph breaks, the results and
// the report see "\r\n" and every other character exactly as typed.

#include <string>
#include <string_view>

#include <QString>

class QPlainTextEdit;

namespace sondrel::ui {

// The box's text as typed, in UTF-8 with "\r\n" line breaks: no-break spaces and every other
// character kept, where QPlainTextEdit::toPlainText would make a no-break space a plain one.
std::string TypedText(const QPlainTextEdit& box);
// A text with "\r\n" (or "\n") line breaks as the box shows it, with "\n" line breaks.
QString AsBoxText(std::string_view text);

}  // namespace sondrel::ui
