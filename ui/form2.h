#pragma once
// Form2, the report header dialog: a modeless window without owner whose "Done" stores the
// typed text as the process-wide report header and closes (and destroys) the window.

#include <string>

#include <QWidget>

#include "ui/failure_reporter.h"

class QPlainTextEdit;
class QPushButton;

namespace sondrel::ui {

class Form2 final : public QWidget {
    Q_OBJECT

public:
    // `report_header` is the process-wide header; it must outlive this window. The window
    // deletes itself when closed. Its layout is drawn at the main window's twips per pixel.
    Form2(std::string& report_header, FailureReporter report_failure, double twips_per_pixel);

    // "Done": the header becomes the box's text exactly as typed ("\r\n" line breaks).
    void Command1_Click();

    QPlainTextEdit* Text1() const { return Text1_; }
    QPushButton* Command1() const { return Command1_; }

private:
    void form_load() {}  // the dialog's load does nothing

    std::string& report_header_;
    FailureReporter report_failure_;
    QPlainTextEdit* Text1_ = nullptr;
    QPushButton* Command1_ = nullptr;
};

}  // namespace sondrel::ui
