#pragma once
// MainWindow (five input boxes, the results box, "Calculate", the hidden "Initialize" and the
// commands Report_Header, Generate_Report and Help) and the report header dialog it opens.

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "calc/failure.h"
#include "calc/solver.h"
#include "calc/text_to_number.h"
#include "ui/layout.h"

class QLineEdit;

namespace sondrel::ui {

// A multi-line box's text as typed, in UTF-8 with "\r\n" line breaks: no-break spaces and
// every other character kept, where QPlainTextEdit::toPlainText makes a no-break space plain.
std::string TypedText(const QPlainTextEdit& box);
// A text with "\r\n" (or "\n") line breaks as a box shows it, with "\n" line breaks.
QString AsBoxText(std::string_view text);

// A modeless window without owner whose "Done" stores the box's text exactly as typed ("\r\n"
// line breaks) as the process-wide report header and closes (and destroys) the window.
class ReportHeaderDialog final : public QWidget {
    Q_OBJECT

public:
    // `report_header` must outlive this window, which deletes itself when closed. Its layout
    // is drawn at the main window's twips per pixel.
    ReportHeaderDialog(std::string& report_header, double twips_per_pixel);

    QPlainTextEdit* header_box() const { return Control<QPlainTextEdit>(*this, "header_box"); }
    QPushButton* done_button() const { return Control<QPushButton>(*this, "done_button"); }

private:
    std::string& report_header_;
};

class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    using FailureReporter = std::function<void(const Failure&)>;

    // `report_header` is the process-wide report header; it must outlive this window and every
    // header dialog it opens. Failures go to `report_failure`; without one, to a modal message box
    // titled "Sondrel" with the failure kind's title and the message.
    explicit MainWindow(std::string& report_header, FailureReporter report_failure = {});
    ~MainWindow() override;

    void OnCalculate();
    void OnInitialize();  // its button is hidden
    void OnReportHeader();
    void OnGenerateReport();
    void OnHelp();

    const CalculatorSession& session() const { return session_; }
    // Twips per logical pixel for both windows, chosen from the fonts (15 as designed).
    double twips_per_pixel() const { return twips_per_pixel_; }
    // The open report header dialog, or nullptr. A closed one is on its way out (it deletes
    // itself once control returns to the event loop) and no longer counts.
    ReportHeaderDialog* header_dialog() const {
        return header_dialog_ && !header_dialog_->isHidden() ? header_dialog_.data() : nullptr;
    }

private:
    InputTexts InputBoxTexts() const;

    std::string& report_header_;
    FailureReporter report_failure_;
    NumberSeparators separators_;
    CalculatorSession session_;
    double twips_per_pixel_ = 15;

    QPlainTextEdit* results_box_ = nullptr;
    std::array<QLineEdit*, 5> input_boxes_{};  // in the order of InputTexts
    QPointer<ReportHeaderDialog> header_dialog_;
};

}  // namespace sondrel::ui
