#include "ui/failure_reporter.h"

#include <QMessageBox>
#include <QString>

namespace sondrel::ui {

void ShowFailureBox(QWidget* parent, const FailureNotice& notice) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Sondrel"),
                    QString::fromStdString(notice.title), QMessageBox::Ok, parent);
    box.setInformativeText(QString::fromStdString(notice.message));
    box.exec();
}

}  // namespace sondrel::ui
