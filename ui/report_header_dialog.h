#pragma once
// ReportHeaderDialog: a modeless window without owner whose "Done" stores the typed text as
// the process-wide report header and closes (and destroys) the window.

#include <string>

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace sondrel::ui {

class ReportHeaderDialog final : public QWidget {
    Q_OBJECT

public:
    // `report_header` is the process-wide header; it must outlive this window. The window
    // deletes itself when closed. Its layout is drawn at the main window's twips per pixel.
    ReportHeaderDialog(std::string& report_header, double twips_per_pixel);

    // "Done": the header becomes the box's text exactly as typed ("\r\n" line breaks).
    void OnDone();

    QPlainTextEdit* header_box() const { return header_box_; }
    QPushButton* done_button() const { return done_button_; }

private:
    std::string& report_header_;
    QPlainTextEdit* header_box_ = nullptr;
    QPushButton* done_button_ = nullptr;
};

}  // namespace sondrel::ui
