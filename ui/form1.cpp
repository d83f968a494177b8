#include "ui/form1.h"

#include <QAction>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

#include "calc/report.h"
#include "ui/help_text.h"
#include "ui/layout.h"

namespace sondrel::ui {
namespace {

template <typename Widget>
Widget* Control(QWidget* client, const char* name) {
    auto* widget = client->findChild<Widget*>(QLatin1String(name));
    Q_ASSERT_X(widget, "Form1", name);
    return widget;
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

}  // namespace

NumberSeparators SeparatorsOf(const QLocale& locale) {
    return NumberSeparators{Utf8(locale.decimalPoint()), Utf8(locale.groupSeparator())};
}

Form1::Form1(std::string& report_header, FailureReporter report_failure)
    : report_header_(report_header),
      report_failure_(std::move(report_failure)),
      separators_(SeparatorsOf(QLocale())) {
    if (!report_failure_) {
        report_failure_ = [this](const FailureNotice& notice) { ShowFailureBox(this, notice); };
    }
    const FormLayout& layout = Form1Layout();
    setWindowTitle(
        QString::fromUtf8(layout.caption.data(), static_cast<qsizetype>(layout.caption.size())));

    // Three commands straight on the bar, drawn by Qt on every platform.
    QMenuBar* bar = menuBar();
    bar->setNativeMenuBar(false);
    QAction* rpthdr = bar->addAction(QStringLiteral("Report_Header"));
    QAction* prtrpt = bar->addAction(QStringLiteral("Generate_Report"));
    QAction* mnuHelp = bar->addAction(QStringLiteral("Help"));
    rpthdr->setObjectName(QStringLiteral("rpthdr"));
    prtrpt->setObjectName(QStringLiteral("prtrpt"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));

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

    Text1_ = Control<QPlainTextEdit>(client, "Text1");
    Text2_ = Control<QLineEdit>(client, "Text2");
    Text3_ = Control<QLineEdit>(client, "Text3");
    Text4_ = Control<QLineEdit>(client, "Text4");
    Text5_ = Control<QLineEdit>(client, "Text5");
    Text6_ = Control<QLineEdit>(client, "Text6");
    Command1_ = Control<QPushButton>(client, "Command1");
    Command2_ = Control<QPushButton>(client, "Command2");
    results_ = PlainTextHolder(Text1_);

    // The designed numbers ("1.25") written the way this locale reads them ("1,25").
    if (separators_.decimal != ".") {
        const QString decimal = QString::fromStdString(separators_.decimal);
        for (QLineEdit* box : {Text2_, Text3_, Text4_, Text5_, Text6_}) {
            box->setText(box->text().replace(QLatin1Char('.'), decimal));
        }
    }
    Text1_->setFocus();

    connect(Command1_, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2_, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Text2_, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(Text3_, &QLineEdit::textChanged, this, &Form1::Text3_Change);
    connect(Text4_, &QLineEdit::textChanged, this, &Form1::Text4_Change);
    connect(Text5_, &QLineEdit::textChanged, this, &Form1::Text5_Change);
    connect(Text6_, &QLineEdit::textChanged, this, &Form1::Text6_Change);
    connect(rpthdr, &QAction::triggered, this, &Form1::rpthdr_Click);
    connect(prtrpt, &QAction::triggered, this, &Form1::prtrpt_Click);
    connect(mnuHelp, &QAction::triggered, this, &Form1::mnuHelp_Click);

    Form_Load();
}

Form1::~Form1() {
    // A header dialog still open has no owner; it goes with the window that opened it, while
    // the report header it writes to is still there.
    delete header_dialog_.data();
}

void Form1::Form_Load() {
    session_.ClearInitialized();
}

void Form1::Command1_Click() {
    RunCommand(report_failure_, [this] {
        const Outcome outcome = session_.Calculate(InputBoxTexts(), separators_);
        // A failure leaves the box with the lines written before it, if any.
        if (outcome.lines.written != WrittenLines::None) {
            results_.SetText(outcome.Text());
        }
        if (!outcome.solved) {
            throw Failure(outcome.failure.kind, outcome.failure.message);
        }
    });
}

void Form1::Command2_Click() {
    RunCommand(report_failure_, [this] {
        if (const auto failure = session_.Initialize(InputBoxTexts(), separators_)) {
            throw Failure(failure->kind, failure->message);
        }
    });
}

void Form1::Text2_Change() {
    session_.ClearInitialized();
}
void Form1::Text3_Change() {
    session_.ClearInitialized();
}
void Form1::Text4_Change() {
    session_.ClearInitialized();
}
void Form1::Text5_Change() {
    session_.ClearInitialized();
}
void Form1::Text6_Change() {
    session_.ClearInitialized();
}

void Form1::rpthdr_Click() {
    RunCommand(report_failure_, [this] {
        if (!header_dialog()) {
            header_dialog_ = new Form2(report_header_, report_failure_, twips_per_pixel_);
        }
        header_dialog_->setWindowState(header_dialog_->windowState() & ~Qt::WindowMinimized);
        header_dialog_->show();
        header_dialog_->raise();
        header_dialog_->activateWindow();
    });
}

void Form1::prtrpt_Click() {
    RunCommand(report_failure_, [this] {
        GenerateReport(LoadedInputs::From(session_.loaded()), InputBoxTexts(), results_.Text(),
                       report_header_);
    });
}

void Form1::mnuHelp_Click() {
    RunCommand(report_failure_, [this] { results_.SetText(std::string(kHelpText)); });
}

InputTexts Form1::InputBoxTexts() const {
    return InputTexts{Utf8(Text2_->text()), Utf8(Text3_->text()), Utf8(Text4_->text()),
                      Utf8(Text5_->text()), Utf8(Text6_->text())};
}

}  // namespace sondrel::ui
