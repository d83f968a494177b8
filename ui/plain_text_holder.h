#pragma once
// A multi-line box seen as calc's TextHolder: the box keeps "\n" line breaks, the calculator
// and the report see "\r\n", converted at this boundary both ways.

#include <string>
#include <string_view>

#include <QString>

#include "calc/results_text.h"

class QPlainTextEdit;

namespace sondrel::ui {

// The box's text with each "\n" written as "\r\n", in UTF-8.
std::string ToCrLf(const QString& box_text);
// A "\r\n" text as the box holds it, with "\n" line breaks.
QString FromCrLf(std::string_view text);

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
