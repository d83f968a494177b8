#include "ui/box_text.h"

#include <QPlainTextEdit>
#include <QTextDocument>

#include "calc/text_rules.h"

namespace sondrel::ui {
namespace {

// What the document keeps between lines: paragraph separators (Return), line separators
// (Shift+Return) and frame marks; each is a line break to the calculator.
bool IsLineBreak(QChar c) {
    switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xfdd0:  // beginning of a frame
        case 0xfdd1:  // end of a frame
            return true;
        default:
            return false;
    }
}

}  // namespace

std::string TypedText(const QPlainTextEdit& box) {
    QString text = box.document()->toRawText();
    for (QChar& c : text) {
        if (IsLineBreak(c)) {
            c = QLatin1Char('\n');
        }
    }
    return ConvertLineBreaks(text.toStdString(), kCrLf);
}

QString AsBoxText(std::string_view text) {
    const std::string lf = ConvertLineBreaks(text, "\n");
    return QString::fromUtf8(lf.data(), static_cast<qsizetype>(lf.size()));
}

}  // namespace sondrel::ui
