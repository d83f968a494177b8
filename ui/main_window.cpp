#include "ui/main_window.h"

#include <QAction>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "calc/help_text.h"
#include "calc/report.h"
#include "files/file_writer.h"
#include "ui/box_text.h"
#include "ui/layout.h"

namespace sondrel::ui {
namespace {

template <typename Widget>
Widget* Control(QWidget* client, const char* name) {
    auto* widget = client->findChild<Widget*>(QLatin1String(name));
    Q_ASSERT_X(widget, "MainWindow", name);
    return widget;
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

// Tells `report` of a command's failure: a notice titled by its kind, with its message.
void ReportFailure(const FailureReporter& report, const Failure& failure) {
    report(FailureNotice{failure.kind, std::string(FailureKindTitle(failure.kind)),
                         failure.Message()});
}

// The decimal and group separators of `locale`, as the input boxes are read.
NumberSeparators SeparatorsOf(const QLocale& locale) {
    return NumberSeparators{Utf8(locale.decimalPoint()), Utf8(locale.groupSeparator())};
}

}  // namespace

MainWindow::MainWindow(std::string& report_header, FailureReporter report_failure)
    : report_header_(report_header),
      report_failure_(std::move(report_failure)),
      separators_(SeparatorsOf(QLocale())) {
    if (!report_failure_) {
        report_failure_ = [this](const FailureNotice& notice) {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Sondrel"),
                            QString::fromStdString(notice.title), QMessageBox::Ok, this);
            box.setInformativeText(QString::fromStdString(notice.message));
            box.exec();
        };
    }
    const WindowLayout& layout = MainWindowLayout();

    // Three commands straight on the bar, drawn by Qt on every platform.
    QMenuBar* bar = menuBar();
    bar->setNativeMenuBar(false);
    QAction* header_command = bar->addAction(QStringLiteral("Report_Header"));
    QAction* report_command = bar->addAction(QStringLiteral("Generate_Report"));
    QAction* help_command = bar->addAction(QStringLiteral("Help"));
    header_command->setObjectName(QStringLiteral("report_header_action"));
    report_command->setObjectName(QStringLiteral("generate_report_action"));
    help_command->setObjectName(QStringLiteral("help_action"));

    // The client area below the bar; no layout manager, so the controls keep their places.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    BuildControls(layout, client, kDesignTwipsPerPixel);
    setCentralWidget(client);
    client->ensurePolished();  // the fonts the controls will show
    twips_per_pixel_ = FittingTwipsPerPixel(*client);
    PlaceControls(layout, client, twips_per_pixel_);
    const QSize client_size = ClientSizeInPixels(layout, twips_per_pixel_);
    resize(client_size.width(), client_size.height() + bar->sizeHint().height());

    results_box_ = Control<QPlainTextEdit>(client, "results_box");
    input_boxes_ = {
        Control<QLineEdit>(client, "elevation_box"), Control<QLineEdit>(client, "lo_baro_box"),
        Control<QLineEdit>(client, "hi_baro_box"), Control<QLineEdit>(client, "lo_volts_box"),
        Control<QLineEdit>(client, "hi_volts_box")};

    // The designed numbers ("1.25") written the way this locale reads them ("1,25").
    if (separators_.decimal != ".") {
        const QString decimal = QString::fromStdString(separators_.decimal);
        for (QLineEdit* box : input_boxes_) {
            box->setText(box->text().replace(QLatin1Char('.'), decimal));
        }
    }
    results_box_->setFocus();

    connect(Control<QPushButton>(client, "calculate_button"), &QPushButton::clicked, this,
            &MainWindow::OnCalculate);
    connect(Control<QPushButton>(client, "initialize_button"), &QPushButton::clicked, this,
            &MainWindow::OnInitialize);
    for (QLineEdit* box : input_boxes_) {
        connect(box, &QLineEdit::textChanged, this, &MainWindow::OnInputChanged);
    }
    connect(header_command, &QAction::triggered, this, &MainWindow::OnReportHeader);
    connect(report_command, &QAction::triggered, this, &MainWindow::OnGenerateReport);
    connect(help_command, &QAction::triggered, this, &MainWindow::OnHelp);

    session_.ClearInitialized();
}

MainWindow::~MainWindow() {
    // A header dialog still open has no owner; it goes with the window that opened it, while
    // the report header it writes to is still there.
    delete header_dialog_.data();
}

void MainWindow::OnCalculate() {
    const Outcome outcome = session_.Calculate(InputBoxTexts(), separators_);
    // A failure leaves the box with the lines written before it, if any.
    if (outcome.lines.written != WrittenLines::None) {
        results_box_->setPlainText(AsBoxText(outcome.Text()));
    }
    if (!outcome.solved) {
        ReportFailure(report_failure_, outcome.failure);
    }
}

void MainWindow::OnInitialize() {
    if (const auto failure = session_.Initialize(InputBoxTexts(), separators_)) {
        ReportFailure(report_failure_, *failure);
    }
}

void MainWindow::OnInputChanged() {
    session_.ClearInitialized();
}

void MainWindow::OnReportHeader() {
    if (!header_dialog()) {
        header_dialog_ = new ReportHeaderDialog(report_header_, twips_per_pixel_);
    }
    header_dialog_->setWindowState(header_dialog_->windowState() & ~Qt::WindowMinimized);
    header_dialog_->show();
    header_dialog_->raise();
    header_dialog_->activateWindow();
}

void MainWindow::OnGenerateReport() {
    // The text is made first: a failure there leaves the file as it was.
    const Result<std::string> report =
        ReportText(session_.loaded(), InputBoxTexts(), TypedText(*results_box_), report_header_);
    const std::optional<Failure> failure =
        report ? WriteFileReplacing(std::filesystem::path(kReportFileName), *report)
               : report.failure();
    if (failure) {
        ReportFailure(report_failure_, *failure);
    }
}

void MainWindow::OnHelp() {
    results_box_->setPlainText(AsBoxText(kHelpText));
}

InputTexts MainWindow::InputBoxTexts() const {
    return InputTexts{Utf8(input_boxes_[0]->text()), Utf8(input_boxes_[1]->text()),
                      Utf8(input_boxes_[2]->text()), Utf8(input_boxes_[3]->text()),
                      Utf8(input_boxes_[4]->text())};
}

}  // namespace sondrel::ui
