#pragma once
// A multi-line box seen as calc's TextHolder: the box keeps its own paragraph breaks, the
// calculator and the report see "\r\n" and every other character exactly as typed.

#include <string>
#include <string_view>

#include <QString>

#include "calc/results_text.h"

class QPlainTextEdit;

namespace sondrel::ui {

// The box's text as typed, in UTF-8 with "\r\n" line breaks: no-break spaces and every other
// character kept, where QPlainTextEdit::toPlainText would make a no-break space a plain one.
std::string TypedText(const QPlainTextEdit& box);
// A text with "\r\n" (or "\n") line breaks as the box shows it, with "\n" line breaks.
QString AsBoxText(std::string_view text);

class PlainTextHolder final : public TextHolder {
public:
    explicit PlainTextHolder(QPlainTextEdit* box) : box_(box) {}

    std::string Text() const override;
    void SetText(std::string text) override;
    // SetResults keeps the default: the lines are formatted once, when they are shown.

private:
    QPlainTextEdit* box_;
};

}  // namespace sondrel::ui
