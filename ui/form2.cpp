#include "ui/form2.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/layout.h"
#include "ui/plain_text_holder.h"

namespace sondrel::ui {

Form2::Form2(std::string& report_header, FailureReporter report_failure, double twips_per_pixel)
    : QWidget(nullptr, Qt::Window),
      report_header_(report_header),
      report_failure_(std::move(report_failure)) {
    const FormLayout& layout = Form2Layout();
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(
        QString::fromUtf8(layout.caption.data(), static_cast<qsizetype>(layout.caption.size())));
    resize(ClientSizeInPixels(layout, twips_per_pixel));
    BuildControls(layout, this, twips_per_pixel);
    Text1_ = findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    Command1_ = findChild<QPushButton*>(QStringLiteral("Command1"));
    Text1_->setFocus();

    connect(Command1_, &QPushButton::clicked, this, &Form2::Command1_Click);
    form_load();
}

void Form2::Command1_Click() {
    bool stored = false;
    RunCommand(report_failure_, [&] {
        report_header_ = TypedText(*Text1_);
        stored = true;
    });
    if (stored) {
        close();
    }
}

}  // namespace sondrel::ui
