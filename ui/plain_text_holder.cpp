#include "ui/plain_text_holder.h"

#include <QPlainTextEdit>

namespace sondrel::ui {

std::string ToCrLf(const QString& box_text) {
    const QByteArray utf8 = box_text.toUtf8();
    std::string out;
    out.reserve(static_cast<std::size_t>(utf8.size()) + static_cast<std::size_t>(utf8.count('\n')));
    for (const char c : utf8) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

QString FromCrLf(std::string_view text) {
    std::string lf;
    lf.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;  // the "\n" that follows stands for the pair
        }
        lf += text[i];
    }
    return QString::fromUtf8(lf.data(), static_cast<qsizetype>(lf.size()));
}

std::string PlainTextHolder::Text() const {
    return ToCrLf(box_->toPlainText());
}

void PlainTextHolder::SetText(std::string text) {
    box_->setPlainText(FromCrLf(text));
}

}  // namespace sondrel::ui
