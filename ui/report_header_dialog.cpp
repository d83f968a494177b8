#include "ui/report_header_dialog.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/box_text.h"
#include "ui/layout.h"

namespace sondrel::ui {

ReportHeaderDialog::ReportHeaderDialog(std::string& report_header, double twips_per_pixel)
    : QWidget(nullptr, Qt::Window), report_header_(report_header) {
    const WindowLayout& layout = ReportHeaderDialogLayout();
    setAttribute(Qt::WA_DeleteOnClose);
    resize(ClientSizeInPixels(layout, twips_per_pixel));
    BuildControls(layout, this, twips_per_pixel);
    header_box_ = findChild<QPlainTextEdit*>(QStringLiteral("header_box"));
    done_button_ = findChild<QPushButton*>(QStringLiteral("done_button"));
    header_box_->setFocus();

    connect(done_button_, &QPushButton::clicked, this, &ReportHeaderDialog::OnDone);
}

void ReportHeaderDialog::OnDone() {
    report_header_ = TypedText(*header_box_);
    close();
}

}  // namespace sondrel::ui
