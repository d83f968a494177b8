// A long hostile session in the window: seeded random steps type every kind of text into the
// six boxes and the header dialog and press every command, in four locales. After each step
// the window must agree with the calculator run beside it, and Output.txt must be whole.
// Replay a failure with SONDREL_HOSTILE_SEED=<seed> (and SONDREL_HOSTILE_STEPS=<steps>).

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QRegularExpression>

#include "calc/failure.h"
#include "calc/report.h"
#include "calc/text_rules.h"
#include "tests/ui/window_test_support.h"
#include "ui/help_text.h"
#include "ui/plain_text_holder.h"

namespace {

using sondrel::CalculatorSession;
using sondrel::ConvertLineBreaks;
using sondrel::Failure;
using sondrel::InputTexts;
using sondrel::kCrLf;
using sondrel::ui::TypedText;
using sondrel::ui::testing::Window;

constexpr std::uint64_t kDefaultSeed = 20261208;
constexpr int kDefaultSteps = 10000;
const char* const kInputBoxes[] = {"elevation_box", "lo_baro_box", "hi_baro_box", "lo_volts_box",
                                   "hi_volts_box"};

std::uint64_t FromEnvironment(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

// Hostile and ordinary texts, the ordinary ones written with the window's separators.
class TextMaker {
public:
    TextMaker(std::mt19937_64& random, const QLocale& locale) : random_(random), locale_(locale) {}

    QString Input() {
        switch (Below(10)) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
                return Realistic();
            case 5:
            case 6:
                return Pick(kFixed);
            case 7:
                return Jumble(1 + Below(8));
            case 8:
                return Realistic() + Pick(kFixed);
            default:
                return Below(20) == 0 ? Huge(false) : Jumble(1 + Below(40));
        }
    }
    // For the results box and the report header: any text, line breaks included.
    QString Free() {
        QString text;
        for (int lines = 1 + Below(4); lines > 0; --lines) {
            text += Below(2) == 0 ? Input() : Pick(kFixed);
            if (lines > 1) {
                text += Below(2) == 0 ? QStringLiteral("\n") : QStringLiteral("\r\n");
            }
        }
        // Qt lays out 100,000 characters without a break opportunity in a multi-line box in
        // about 3 s, so most huge texts here have blanks in them.
        return Below(50) == 0 ? Huge(Below(25) != 0) : text;
    }
    int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint64_t>(n)); }

private:
    QString Realistic() {
        double value = 0;
        switch (Below(3)) {
            case 0:
                value = (Below(300) - 20) * 100.0 + Below(100) / 10.0;
                break;  // ft
            case 1:
                value = 25 + Below(800) / 100.0;
                break;  // inHg
            default:
                value = Below(1000) / 100.0;
                break;  // volts
        }
        // The locale's separators, with the digits 0 to 9 the calculator reads.
        QString text = locale_.toString(value, 'f', Below(4));
        for (QChar& c : text) {
            if (c.isDigit()) {
                c = QChar(u'0' + c.digitValue());
            }
        }
        if (Below(4) == 0) {
            text.remove(locale_.groupSeparator());
        }
        return text;
    }
    QString Jumble(int pieces) {
        QString text;
        while (pieces-- > 0) {
            text += Pick(kPieces);
        }
        return text;
    }
    QString Huge(bool with_blanks) {
        QString unit = Below(2) == 0 ? QStringLiteral("9") : Jumble(1 + Below(5));
        if (with_blanks) {
            unit += QLatin1Char(' ');
        }
        return unit.repeated(100000 / std::max<qsizetype>(unit.size(), 1));
    }
    template <std::size_t N>
    QString Pick(const char* const (&texts)[N]) {
        return QString::fromUtf8(texts[Below(static_cast<int>(N))]);
    }

    static constexpr const char* kFixed[] = {"",
                                             " ",
                                             "\t 5000 \t",
                                             "0",
                                             "-0",
                                             "28",
                                             "31",
                                             "1.25",
                                             "8.25",
                                             "1,25",
                                             "8,25",
                                             "-1000",
                                             "145491.8",
                                             "145400",
                                             "1e308",
                                             "-1e308",
                                             "1e309",
                                             "1e-320",
                                             "4.9e-324",
                                             "1.7976931348623157e308",
                                             "0.0000001",
                                             "1,000",
                                             "1.000,5",
                                             "1,234.5",
                                             "1,,2",
                                             "1.2.3",
                                             ",5",
                                             "5,",
                                             "12\u202f345,5",
                                             "\u0661\u0662\u0663",
                                             "\u0663\u066b\u0661\u0664",
                                             "\u05e9\u05dc\u05d5\u05dd",
                                             "\u202e123",
                                             "\U0001F600",
                                             "1\U0001F600",
                                             "\x01\x02",
                                             "\r\n",
                                             "\n",
                                             "\x7f",
                                             "NaN",
                                             "inf",
                                             "0x1p3",
                                             "abc",
                                             "e5",
                                             "1e",
                                             "--1",
                                             "+5",
                                             "1 000",
                                             "\xef\xbb\xbf"
                                             "5"};
    static constexpr const char* kPieces[] = {
        "0",      "1",      "2",      "3",      "4",          "5",      "6",    "7", "8",
        "9",      ".",      ",",      "e",      "E",          "-",      "+",    " ", "\t",
        "\u202f", "\u00a0", "\u066b", "\u066c", "\U0001F600", "\u05d0", "\x01", "'"};

    std::mt19937_64& random_;
    QLocale locale_;
};

// The calculator beside the window: the same commands on the same texts.
struct Mirror {
    CalculatorSession session;
    std::string header;
    std::string results;  // the results box as the report reads it
};

QString Shown(const QString& text) {
    QString shown = text.left(80);
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    shown.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return text.size() > 80 ? shown + QStringLiteral("... (%1 chars)").arg(text.size()) : shown;
}

// Types `text` over what the box holds, one key per character.
void TypeKeys(QWidget* box, const QString& text) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) {
        QTest::keyClick(box, Qt::Key_Backspace);
    }
    sondrel::ui::testing::TypeAtCursor(box, text);
}

std::optional<std::string> ReadFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string{std::istreambuf_iterator<char>(in), {}};
}

// The offscreen platform says, at every dialog raised, that it cannot raise windows; the rest
// goes to Qt Test's own handler.
QtMessageHandler g_qt_test_handler = nullptr;
void DropOffscreenNotices(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.startsWith(QStringLiteral("This plugin does not support"))) {
        g_qt_test_handler(type, context, text);
    }
}

}  // namespace

class HostileSessionTest : public QObject {
    Q_OBJECT

private slots:
    void seededSteps();

private:
    // One window in one locale for `steps` steps; false and `problem_` set on a failed check.
    bool RunWindow(const QLocale& locale, int steps);
    QString Step(Window& w, TextMaker& make);
    QString Check(Window& w, const QString& action);

    std::mt19937_64 random_;
    Mirror mirror_;
    std::optional<std::string> report_;  // what Output.txt must hold
    std::size_t failures_seen_ = 0;
    QString problem_;
    std::deque<QString> recent_;                   // the last steps, for the failure message
    std::optional<std::string> expected_failure_;  // the message the step must tell
    int step_ = 0;
    std::map<std::string, int> failure_kinds_;
    int calculations_ = 0, failed_calculations_ = 0, reports_ = 0, failed_reports_ = 0;
};

void HostileSessionTest::seededSteps() {
    const std::uint64_t seed = FromEnvironment("SONDREL_HOSTILE_SEED", kDefaultSeed);
    const int steps = static_cast<int>(FromEnvironment("SONDREL_HOSTILE_STEPS", kDefaultSteps));
    qInfo("hostile session: seed %llu, %d steps", static_cast<unsigned long long>(seed), steps);
    random_.seed(seed);

    const QTemporaryDir folder;
    QVERIFY(folder.isValid());
    g_qt_test_handler = qInstallMessageHandler(DropOffscreenNotices);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());

    const QLocale locales[] = {QLocale(QLocale::English, QLocale::UnitedStates),
                               QLocale(QLocale::German, QLocale::Germany),
                               QLocale(QLocale::French, QLocale::France),
                               QLocale(QLocale::Arabic, QLocale::Egypt)};
    bool ok = true;
    for (int i = 0; i < 4 && ok; ++i) {
        const int share = steps / 4 + (i < steps % 4 ? 1 : 0);
        ok = RunWindow(locales[i], share);
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QDir::setCurrent(previous);
    qInstallMessageHandler(g_qt_test_handler);
    if (!ok) {
        QString recent;
        for (const QString& line : recent_) {
            recent += QStringLiteral("\n    ") + line;
        }
        QFAIL(qPrintable(QStringLiteral("seed %1, step %2: %3\n  last steps:%4")
                             .arg(seed)
                             .arg(step_)
                             .arg(problem_, recent)));
    }
    QString kinds;
    for (const auto& [kind, count] : failure_kinds_) {
        kinds += QStringLiteral(" %1 %2").arg(count).arg(QString::fromStdString(kind));
    }
    qInfo(
        "hostile session: %d steps run; %d calculations (%d failed), %d reports (%d failed); "
        "failures told:%s",
        step_, calculations_, failed_calculations_, reports_, failed_reports_, qPrintable(kinds));
}

bool HostileSessionTest::RunWindow(const QLocale& locale, int steps) {
    QLocale::setDefault(locale);
    Window w;
    w.form->show();
    mirror_ = Mirror{};
    failures_seen_ = 0;
    for (const char* name : kInputBoxes) {
        QObject::connect(w.Box(name), &QLineEdit::textChanged, w.form.get(),
                         [this] { mirror_.session.ClearInitialized(); });
    }
    TextMaker make(random_, locale);
    for (int i = 0; i < steps; ++i) {
        ++step_;
        const QString action = Step(w, make);
        recent_.push_back(QStringLiteral("%1 [%2]: %3").arg(step_).arg(locale.name(), action));
        if (recent_.size() > 8) {
            recent_.pop_front();
        }
        problem_ = Check(w, action);
        if (!problem_.isEmpty()) {
            return false;
        }
    }
    return true;
}

// Does one random thing to the window, and to the mirror where it matters.
QString HostileSessionTest::Step(Window& w, TextMaker& make) {
    expected_failure_.reset();
    const int roll = make.Below(100);
    if (roll < 35) {  // type into an input box
        const char* name = kInputBoxes[make.Below(5)];
        const QString text = make.Input();
        const bool by_keys = text.size() <= 40 && make.Below(3) != 0;
        if (by_keys) {
            TypeKeys(w.Box(name), text);
        } else {
            w.Box(name)->setText(text);  // pasted
        }
        return QStringLiteral("%1 %2 \"%3\"").arg(by_keys ? "type" : "paste", name, Shown(text));
    }
    if (roll < 41) {  // a plausible design in all five boxes, as a user starting over
        double values[] = {(make.Below(200) - 20) * 100.0, 25 + make.Below(300) / 100.0,
                           28.5 + make.Below(300) / 100.0, make.Below(300) / 100.0,
                           3 + make.Below(700) / 100.0};
        switch (make.Below(12)) {  // now and then with a flaw the calculator must catch
            case 0:
                values[2] = values[1];  // equal pressures
                break;
            case 1:
                values[4] = values[3];  // equal volts
                break;
            case 2:
                values[0] = 145491.8 + make.Below(1000);  // beyond the pressure formula
                break;
            default:
                break;
        }
        for (int i = 0; i < 5; ++i) {
            w.Box(kInputBoxes[i])->setText(QLocale().toString(values[i], 'f', 2));
        }
        return QStringLiteral("a plausible design");
    }
    if (roll < 43) {  // undo in an input box
        const char* name = kInputBoxes[make.Below(5)];
        w.Box(name)->setFocus();
        QTest::keyClick(w.Box(name), Qt::Key_Z, Qt::ControlModifier);
        return QStringLiteral("undo in %1").arg(name);
    }
    if (roll < 65) {  // Calculate, on the mirror too
        InputTexts inputs;
        std::string* fields[] = {&inputs.elevation, &inputs.lo_baro, &inputs.hi_baro,
                                 &inputs.lo_volts, &inputs.hi_volts};
        for (int i = 0; i < 5; ++i) {
            *fields[i] = w.Box(kInputBoxes[i])->text().toStdString();
        }
        const sondrel::Outcome outcome =
            mirror_.session.Calculate(inputs, sondrel::ui::SeparatorsOf(QLocale()));
        if (outcome.lines.written != sondrel::WrittenLines::None) {
            mirror_.results = outcome.Text();
        }
        if (!outcome.solved) {
            expected_failure_ = outcome.failure.message;
        }
        w.Click("calculate_button");
        ++calculations_;
        failed_calculations_ += expected_failure_ ? 1 : 0;
        return QStringLiteral("Calculate");
    }
    if (roll < 76) {  // Generate_Report
        InputTexts inputs;
        std::string* fields[] = {&inputs.elevation, &inputs.lo_baro, &inputs.hi_baro,
                                 &inputs.lo_volts, &inputs.hi_volts};
        for (int i = 0; i < 5; ++i) {
            *fields[i] = w.Box(kInputBoxes[i])->text().toStdString();
        }
        try {
            report_ = ReportText(sondrel::LoadedInputs::From(mirror_.session.loaded()), inputs,
                                 mirror_.results, mirror_.header);
        } catch (const Failure& failure) {
            expected_failure_ = std::string(failure.what());
        }
        w.Trigger("generate_report_action");
        ++reports_;
        failed_reports_ += expected_failure_ ? 1 : 0;
        return QStringLiteral("Generate_Report");
    }
    if (roll < 81) {  // Help
        w.Trigger("help_action");
        mirror_.results = sondrel::ui::kHelpText;
        return QStringLiteral("Help");
    }
    if (roll < 87) {  // the user's own text in the results box
        const QString text = make.Free();
        if (text.size() <= 40 && !text.contains(QLatin1Char('\n')) && make.Below(2) == 0) {
            TypeKeys(w.Results(), text);
            mirror_.results = TypedText(*w.Results());  // what the box let through
        } else {
            w.Results()->setPlainText(text);
            mirror_.results = ConvertLineBreaks(text.toStdString(), kCrLf);
        }
        return QStringLiteral("results box \"%1\"").arg(Shown(text));
    }
    // The header dialog: open it (again), type, then Done or close it.
    w.Trigger("report_header_action");
    sondrel::ui::ReportHeaderDialog* dialog = w.form->header_dialog();
    if (dialog == nullptr) {
        return QStringLiteral("Report_Header opened no dialog");
    }
    const QString text = make.Free();
    dialog->header_box()->setPlainText(text);
    QString what;
    if (make.Below(4) != 0) {
        mirror_.header = ConvertLineBreaks(text.toStdString(), kCrLf);
        QTest::mouseClick(dialog->done_button(), Qt::LeftButton);
        what = QStringLiteral("header \"%1\", Done").arg(Shown(text));
    } else if (make.Below(2) == 0) {
        dialog->close();
        what = QStringLiteral("header \"%1\", closed").arg(Shown(text));
    } else {
        what = QStringLiteral("header \"%1\", left open").arg(Shown(text));
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return what;
}

// What must hold after every step.
QString HostileSessionTest::Check(Window& w, const QString& action) {
    if (action.startsWith(QStringLiteral("Report_Header opened"))) {
        return action;
    }
    // A failure was told exactly when the mirror failed, with the same message.
    const bool told = w.failures.size() > failures_seen_;
    if (told != expected_failure_.has_value() || w.failures.size() > failures_seen_ + 1) {
        return QStringLiteral("failures told: %1 new, expected %2")
            .arg(w.failures.size() - failures_seen_)
            .arg(expected_failure_ ? 1 : 0);
    }
    if (told) {
        const sondrel::ui::FailureNotice& notice = w.failures.back();
        if (!notice.kind || notice.message != *expected_failure_ || notice.title.empty()) {
            return QStringLiteral("failure told as \"%1: %2\", expected \"%3\"")
                .arg(QString::fromStdString(notice.title), QString::fromStdString(notice.message),
                     QString::fromStdString(*expected_failure_));
        }
        failures_seen_ = w.failures.size();
        ++failure_kinds_[std::string(sondrel::FailureKindId(*notice.kind))];
    }

    // The results box: four well-formed lines, the help text, the user's text, or what the
    // last failure left; in each case exactly what the mirror says.
    static const QRegularExpression kResultLines(QStringLiteral(
        "^VR2 = -?[0-9]*\\. Ohms\\nVR1 wiper to GND side = -?[0-9]*\\. Ohms\\n"
        "LoVin = -?[0-9]*\\.[0-9]{0,3} Volts\\nHiVin = -?[0-9]*\\.[0-9]{0,3} Volts$"));
    const QString box = w.ResultsText();
    const std::string read = TypedText(*w.Results());
    if (read != mirror_.results) {
        return QStringLiteral("results box holds \"%1\", expected \"%2\"")
            .arg(Shown(QString::fromStdString(read)),
                 Shown(QString::fromStdString(mirror_.results)));
    }
    if (action == QStringLiteral("Calculate") && !expected_failure_ &&
        !kResultLines.match(box).hasMatch()) {
        return QStringLiteral("malformed result lines \"%1\"").arg(Shown(box));
    }

    // Output.txt: the previous report or the complete new one, and nothing left beside it.
    if (ReadFile(QStringLiteral("Output.txt")) != report_) {
        return QStringLiteral("Output.txt is not the report expected");
    }
    const QStringList entries =
        QDir::current().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (entries.size() > 1 || (entries.size() == 1 && entries[0] != QStringLiteral("Output.txt"))) {
        return QStringLiteral("left in the folder: %1").arg(entries.join(QStringLiteral(", ")));
    }
    if (w.header != mirror_.header) {
        return QStringLiteral("report header \"%1\", expected \"%2\"")
            .arg(QString::fromStdString(w.header).left(80),
                 QString::fromStdString(mirror_.header).left(80));
    }
    return {};
}

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("LC_ALL", "C.UTF-8");
    QApplication app(argc, argv);
    HostileSessionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "hostile_session_test.moc"
