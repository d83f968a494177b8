#include "ui/main_window.h"

#include <utility>

#include <QAction>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QTextDocument>

#include "calc/help_text.h"
#include "calc/report.h"
#include "calc/text_rules.h"
#include "files/file_writer.h"

namespace sondrel::ui {

std::string TypedText(const QPlainTextEdit& box) {
    QString text = box.document()->toRawText();
    for (QChar& c : text) {
        // What the document keeps between lines, each a line break to the calculator:
        // paragraph separators (Return), line separators (Shift+Return), a frame's marks.
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == QChar(0xfdd0) ||
            c == QChar(0xfdd1)) {
            c = QLatin1Char('\n');
        }
    }
    return ConvertLineBreaks(text.toStdString(), kCrLf);
}

QString AsBoxText(std::string_view text) {
    return QString::fromUtf8(ConvertLineBreaks(text, "\n"));
}

ReportHeaderDialog::ReportHeaderDialog(std::string& report_header, double twips_per_pixel)
    : QWidget(nullptr, Qt::Window), report_header_(report_header) {
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls(ReportHeaderDialogLayout(), this);
    resize(PlaceControls(ReportHeaderDialogLayout(), this, twips_per_pixel));
    header_box()->setFocus();
    connect(done_button(), &QPushButton::clicked, this, [this] {
        report_header_ = TypedText(*header_box());
        close();
    });
}

MainWindow::MainWindow(std::string& report_header, FailureReporter report_failure)
    : report_header_(report_header),
      report_failure_(std::move(report_failure)),
      separators_{QLocale().decimalPoint().toStdString(),
                  QLocale().groupSeparator().toStdString()} {
    if (!report_failure_) {
        report_failure_ = [this](const Failure& failure) {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Sondrel"),
                            QString::fromUtf8(FailureKindTitle(failure.kind)), QMessageBox::Ok,
                            this);
            box.setInformativeText(QString::fromStdString(failure.Message()));
            box.exec();
        };
    }

    // Three commands straight on the bar, drawn by Qt on every platform.
    QMenuBar* bar = menuBar();
    bar->setNativeMenuBar(false);
    const std::pair<QString, void (MainWindow::*)()> commands[] = {
        {QStringLiteral("Report_Header"), &MainWindow::OnReportHeader},
        {QStringLiteral("Generate_Report"), &MainWindow::OnGenerateReport},
        {QStringLiteral("Help"), &MainWindow::OnHelp}};
    for (const auto& [name, command] : commands) {
        QAction* action = bar->addAction(name);
        action->setObjectName(name.toLower() + QStringLiteral("_action"));
        connect(action, &QAction::triggered, this, command);
    }

    // The client area below the bar; no layout manager, so the controls keep their places.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    BuildControls(MainWindowLayout(), client);
    setCentralWidget(client);
    client->ensurePolished();  // the fonts the controls will show
    twips_per_pixel_ = FittingTwipsPerPixel(*client);
    const QSize client_size = PlaceControls(MainWindowLayout(), client, twips_per_pixel_);
    resize(client_size.width(), client_size.height() + bar->sizeHint().height());

    results_box_ = Control<QPlainTextEdit>(*client, "results_box");
    input_boxes_ = {
        Control<QLineEdit>(*client, "elevation_box"), Control<QLineEdit>(*client, "lo_baro_box"),
        Control<QLineEdit>(*client, "hi_baro_box"), Control<QLineEdit>(*client, "lo_volts_box"),
        Control<QLineEdit>(*client, "hi_volts_box")};

    // The designed numbers ("1.25") written the way this locale reads them ("1,25").
    const QString decimal = QString::fromStdString(separators_.decimal);
    for (QLineEdit* box : input_boxes_) {
        box->setText(box->text().replace(QLatin1Char('.'), decimal));
    }
    results_box_->setFocus();

    connect(Control<QPushButton>(*client, "calculate_button"), &QPushButton::clicked, this,
            &MainWindow::OnCalculate);
    connect(Control<QPushButton>(*client, "initialize_button"), &QPushButton::clicked, this,
            &MainWindow::OnInitialize);
    for (QLineEdit* box : input_boxes_) {  // an edit makes the next Calculate reload
        connect(box, &QLineEdit::textChanged, this, [this] { session_.ClearInitialized(); });
    }
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
        report_failure_(outcome.failure);
    }
}

void MainWindow::OnInitialize() {
    if (const auto failure = session_.Initialize(InputBoxTexts(), separators_)) {
        report_failure_(*failure);
    }
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
        report_failure_(*failure);
    }
}

void MainWindow::OnHelp() {
    results_box_->setPlainText(AsBoxText(kHelpText));
}

InputTexts MainWindow::InputBoxTexts() const {
    return InputTexts{input_boxes_[0]->text().toStdString(), input_boxes_[1]->text().toStdString(),
                      input_boxes_[2]->text().toStdString(), input_boxes_[3]->text().toStdString(),
                      input_boxes_[4]->text().toStdString()};
}

}  // namespace sondrel::ui
