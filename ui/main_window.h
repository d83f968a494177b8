#pragma once
// MainWindow: five input boxes, the results box, "Calculate" (and the hidden "Initialize"),
// and the menu commands Report_Header, Generate_Report and Help.

#include <array>
#include <functional>
#include <string>

#include <QMainWindow>
#include <QPointer>

#include "calc/failure.h"
#include "calc/solver.h"
#include "calc/text_to_number.h"
#include "ui/report_header_dialog.h"

class QLineEdit;
class QPlainTextEdit;

namespace sondrel::ui {

// What the user is told of a failed command.
struct FailureNotice {
    FailureKind kind = FailureKind::TypeMismatch;
    std::string title;    // "Type mismatch", "Overflow", ...
    std::string message;  // e.g. `Elevation, ft: "abc" is not a number`
};

using FailureReporter = std::function<void(const FailureNotice&)>;

class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    // `report_header` is the process-wide report header; it must outlive this window and every
    // header dialog it opens. Failures go to `report_failure`; without one, to a modal message box
    // titled "Sondrel" with the notice's title and message.
    explicit MainWindow(std::string& report_header, FailureReporter report_failure = {});
    ~MainWindow() override;

    void OnCalculate();
    void OnInitialize();    // its button is hidden
    void OnInputChanged();  // any of the five input boxes
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
