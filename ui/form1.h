#pragma once
// Form1, the main window: five input boxes, the results box, "Calculate" (and the hidden
// "Initialize"), and the menu commands Report_Header, Generate_Report and Help.

#include <string>

#include <QMainWindow>
#include <QPointer>

#include "calc/solver.h"
#include "calc/text_to_number.h"
#include "ui/failure_reporter.h"
#include "ui/form2.h"
#include "ui/plain_text_holder.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace sondrel::ui {

class Form1 final : public QMainWindow {
    Q_OBJECT

public:
    // `report_header` is the process-wide report header; it must outlive this window and every
    // header dialog it opens. Failures go to `report_failure`; without one, to a message box.
    explicit Form1(std::string& report_header, FailureReporter report_failure = {});
    ~Form1() override;

    // The event handlers, named after control and event.
    void Form_Load();
    void Command1_Click();  // Calculate
    void Command2_Click();  // Initialize (its button is hidden)
    void Text2_Change();
    void Text3_Change();
    void Text4_Change();
    void Text5_Change();
    void Text6_Change();
    void rpthdr_Click();   // Report_Header
    void prtrpt_Click();   // Generate_Report
    void mnuHelp_Click();  // Help

    const CalculatorSession& session() const { return session_; }
    // Twips per logical pixel for both windows, chosen from the fonts (15 as designed).
    double twips_per_pixel() const { return twips_per_pixel_; }
    // The open report header dialog, or nullptr. A closed one is on its way out (it deletes
    // itself once control returns to the event loop) and no longer counts.
    Form2* header_dialog() const {
        return header_dialog_ && !header_dialog_->isHidden() ? header_dialog_.data() : nullptr;
    }

private:
    InputTexts InputBoxTexts() const;

    std::string& report_header_;
    FailureReporter report_failure_;
    NumberSeparators separators_;
    CalculatorSession session_;
    double twips_per_pixel_ = 15;

    QPlainTextEdit* Text1_ = nullptr;  // results
    QLineEdit* Text2_ = nullptr;       // elevation, ft
    QLineEdit* Text3_ = nullptr;       // low pressure, inHg
    QLineEdit* Text4_ = nullptr;       // high pressure, inHg
    QLineEdit* Text5_ = nullptr;       // low volts
    QLineEdit* Text6_ = nullptr;       // high volts
    QPushButton* Command1_ = nullptr;
    QPushButton* Command2_ = nullptr;
    PlainTextHolder results_{nullptr};
    QPointer<Form2> header_dialog_;
};

// The decimal and group separators of `locale`, as the input boxes are read.
NumberSeparators SeparatorsOf(const QLocale& locale);

}  // namespace sondrel::ui
