// A long hostile session in the window: seeded random steps type every kind of text into the
// six boxes and the header dialog and press every command, in four locales. After each step
// the window must show what a user may expect without working the design out: a told failure
// or four well-formed result lines, the lines of known designs, and a whole Output.txt.
// Replay a failure with SONDREL_HOSTILE_SEED=<seed> (and SONDREL_HOSTILE_STEPS=<steps>).

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include <QApplication>
#include <QLocale>
#include <QRegularExpression>

#include "calc/help_text.h"
#include "tests/support/reference_designs.h"
#include "tests/support/scratch_folder.h"
#include "tests/ui/window_test_support.h"

namespace {

using sondrel::Failure;
using sondrel::FailureKindTitle;
using sondrel::testing_support::ReadFile;
using sondrel::ui::testing::kInputBoxes;
using sondrel::ui::testing::TypeOver;
using sondrel::ui::testing::Window;

constexpr std::uint64_t kDefaultSeed = 20261208;
constexpr int kDefaultSteps = 10000;
// The boxes' labels, which name them in failure messages.
const char* const kLabels[] = {"Elevation, ft", "LoBaro, inHg", "HiBaro, inHg", "LoVolt", "HiVolt"};

// Designs worked out beforehand: their texts ('.' for the decimal separator), the four lines
// Calculate shows for them, and the report's metres and millibars.
using Reference = sondrel::testing_support::ReferenceDesign;
constexpr const auto& kReferences = sondrel::testing_support::kReferenceDesigns;

// The failures a command may tell: the message's shape and the title that goes with it.
struct FailureFamily {
    QRegularExpression message;
    const char* title;
    bool names_a_box;
};
const FailureFamily kFamilies[] = {
    {QRegularExpression(QStringLiteral("^(Elevation, ft|LoBaro, inHg|HiBaro, inHg|LoVolt|HiVolt): "
                                       "\"[^\\n]*\" is not a number$")),
     "Type mismatch", true},
    {QRegularExpression(QStringLiteral("^(Elevation, ft|LoBaro, inHg|HiBaro, inHg|LoVolt|HiVolt): "
                                       "\"[^\\n]*\" is too large for a number$")),
     "Overflow", true},
    {QRegularExpression(QStringLiteral("^[^\"\\n]+ \\(overflow\\)$")), "Overflow", false},
    {QRegularExpression(QStringLiteral("^[^\"\\n]+ \\(division by zero\\)$")), "Division by zero",
     false},
    {QRegularExpression(QStringLiteral("^[^\"\\n]+ \\(logarithm of a non-positive number\\)$")),
     "Invalid argument", false},
};
const QRegularExpression kFourLines(
    QStringLiteral("^VR2 = -?[0-9]*\\. Ohms\\nVR1 wiper to GND side = -?[0-9]*\\. Ohms\\n"
                   "LoVin = -?[0-9]*\\.[0-9]{0,3} Volts\\nHiVin = -?[0-9]*\\.[0-9]{0,3} Volts$"));
const QRegularExpression kVr2Alone(QStringLiteral("^VR2 = -?[0-9]*\\. Ohms$"));

std::uint64_t FromEnvironment(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

// Hostile and ordinary texts, the ordinary ones written with the window's separators.
class TextMaker {
public:
    TextMaker(std::mt19937_64& random, const QLocale& locale) : random_(random), locale_(locale) {}

    QString Input() {
        const int roll = Below(10);
        return roll < 5         ? Realistic()
               : roll < 7       ? Pick(kFixed)
               : roll == 7      ? Jumble(1 + Below(8))
               : roll == 8      ? Realistic() + Pick(kFixed)
               : Below(20) == 0 ? Huge(false)
                                : Jumble(1 + Below(40));
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
        const int unit = Below(3);  // feet, inHg or volts
        const double value = unit == 0   ? (Below(300) - 20) * 100.0 + Below(100) / 10.0
                             : unit == 1 ? 25 + Below(800) / 100.0
                                         : Below(1000) / 100.0;
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

    // clang-format off
    static constexpr const char* kFixed[] = {
        "", " ", "\t 5000 \t", "0", "-0", "28", "31", "1.25", "8.25", "1,25", "8,25", "-1000",
        "145491.8", "145400", "1e308", "-1e308", "1e309", "1e-320", "4.9e-324",
        "1.7976931348623157e308", "0.0000001", "1,000", "1.000,5", "1,234.5", "1,,2", "1.2.3",
        ",5", "5,", "12\u202f345,5", "\u0661\u0662\u0663", "\u0663\u066b\u0661\u0664",
        "\u05e9\u05dc\u05d5\u05dd", "\u202e123", "\U0001F600", "1\U0001F600", "\x01\x02", "\r\n",
        "\n", "\x7f", "NaN", "inf", "0x1p3", "abc", "e5", "1e", "--1", "+5", "1 000", "\ufeff5"};
    // clang-format on
    static constexpr const char* kPieces[] = {
        "0",      "1",      "2",      "3",      "4",          "5",      "6",    "7", "8",
        "9",      ".",      ",",      "e",      "E",          "-",      "+",    " ", "\t",
        "\u202f", "\u00a0", "\u066b", "\u066c", "\U0001F600", "\u05d0", "\x01", "'"};

    std::mt19937_64& random_;
    QLocale locale_;
};

// A multi-line box's text as the program reads it: every line break "\r\n".
std::string WithCrLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toStdString();
}
// Such a text as QPlainTextEdit::toPlainText gives it back.
QString AsShown(const std::string& text) {
    return QString::fromStdString(text)
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QChar(0xa0), u' ');
}
// What typing `text` key by key leaves in a multi-line box: control characters other than a
// tab are refused.
QString KeptByKeys(QString text) {
    text.removeIf([](QChar c) { return (c < u'\x20' && c != u'\t') || c == u'\x7f'; });
    return text;
}

// Whether a box text cannot be a number in `locale`: no digit 0 to 9, or a character that
// is neither one, a sign, an exponent, a blank nor one of the locale's separators.
bool NotANumber(const QString& text, const QLocale& locale) {
    const QString allowed =
        QStringLiteral("0123456789+-eE \t") + locale.decimalPoint() + locale.groupSeparator();
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c.isDigit() && c < u'~'; }) ||
           std::any_of(text.begin(), text.end(), [&](QChar c) { return !allowed.contains(c); });
}
// Whether a box text is plainly a number: digits with at most one decimal separator.
bool PlainNumber(QString text, const QLocale& locale) {
    static const QRegularExpression kPlain(QStringLiteral("^[0-9]{1,6}(d[0-9]{0,6})?$"));
    return kPlain.match(text.replace(locale.decimalPoint(), QStringLiteral("d"))).hasMatch();
}

QString Shown(const QString& text) {
    QString shown = text.left(80);
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
    return text.size() > 80 ? shown + QStringLiteral("... (%1 chars)").arg(text.size()) : shown;
}

// The offscreen platform says, at every dialog raised, that it cannot raise windows; the rest
// goes to Qt Test's own handler.
QtMessageHandler g_qt_test_handler = nullptr;
void DropOffscreenNotices(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.startsWith(QStringLiteral("This plugin does not support"))) {
        g_qt_test_handler(type, context, text);
    }
}

// Where `text` stops being `pieces` one after the other (empty when it is them); a piece left
// out stands for a number laid out as "####.#" ("948.2", "1524.", ".", "-304.8").
std::string_view Mismatch(std::string_view text,
                          std::initializer_list<std::optional<std::string_view>> pieces) {
    static const QRegularExpression kMetric(QStringLiteral("^-?[0-9]*\\.[0-9]?$"));
    for (const std::optional<std::string_view>& piece : pieces) {
        const std::string_view front =
            text.substr(0, piece ? piece->size() : text.find_first_not_of("-.0123456789"));
        if (piece ? front != *piece
                  : !kMetric.match(QString::fromUtf8(front.data(), front.size())).hasMatch()) {
            return text.empty() ? std::string_view("(the end)") : text;
        }
        text.remove_prefix(front.size());
    }
    return text;
}

}  // namespace

class HostileSessionTest : public QObject {
    Q_OBJECT

private slots:
    void seededSteps();

private:
    enum class Action { Other, Calculate, Report };

    // One window in one locale for `steps` steps; false and `problem_` set on a failed check.
    bool RunWindow(const QLocale& locale, int steps);
    QString Step(Window& w, TextMaker& make);
    QString Check(Window& w, const QString& action);
    QString CheckCalculate(Window& w, const Failure* told);
    QString CheckReport(const Failure* told);

    std::mt19937_64 random_;
    // What the window must hold: the report header, the results box as the report quotes it,
    // the design Calculate last loaded when it is a known one; and what Output.txt must hold.
    std::string header_, results_;
    const Reference* loaded_ = nullptr;
    std::string report_;  // empty: none written
    std::size_t failures_seen_ = 0;
    QString problem_;
    std::deque<QString> recent_;  // the last steps, for the failure message
    Action action_ = Action::Other;
    const Reference* typed_design_ = nullptr;  // the known design this step typed
    QStringList inputs_;                       // the input boxes when a command ran
    int step_ = 0;
};

void HostileSessionTest::seededSteps() {
    const std::uint64_t seed = FromEnvironment("SONDREL_HOSTILE_SEED", kDefaultSeed);
    const int steps = static_cast<int>(FromEnvironment("SONDREL_HOSTILE_STEPS", kDefaultSteps));
    qInfo("hostile session: seed %llu, %d steps", static_cast<unsigned long long>(seed), steps);
    random_.seed(seed);

    const sondrel::ui::testing::WorkingFolder folder;
    g_qt_test_handler = qInstallMessageHandler(DropOffscreenNotices);

    const QLocale locales[] = {QLocale(QLocale::English, QLocale::UnitedStates),
                               QLocale(QLocale::German, QLocale::Germany),
                               QLocale(QLocale::French, QLocale::France),
                               QLocale(QLocale::Arabic, QLocale::Egypt)};
    bool ok = true;
    for (int i = 0; i < 4 && ok; ++i) {
        ok = RunWindow(locales[i], steps / 4 + (i < steps % 4 ? 1 : 0));  // a share of the steps
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
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
}

bool HostileSessionTest::RunWindow(const QLocale& locale, int steps) {
    QLocale::setDefault(locale);
    Window w;
    w.form->show();
    header_.clear();
    results_.clear();
    loaded_ = nullptr;
    failures_seen_ = 0;
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

// Does one random thing to the window.
QString HostileSessionTest::Step(Window& w, TextMaker& make) {
    action_ = Action::Other;
    typed_design_ = nullptr;
    const int roll = make.Below(100);
    if (roll < 33) {  // type into an input box
        const char* name = kInputBoxes[make.Below(5)];
        const QString text = make.Input();
        const bool by_keys = text.size() <= 40 && make.Below(3) != 0;
        if (by_keys) {
            TypeOver(w.Box(name), text);
        } else {
            w.Box(name)->setText(text);  // pasted
        }
        return QStringLiteral("%1 %2 \"%3\"").arg(by_keys ? "type" : "paste", name, Shown(text));
    }
    if (roll < 38) {  // a plausible design in all five boxes, as a user starting over
        double values[] = {(make.Below(200) - 20) * 100.0, 25 + make.Below(300) / 100.0,
                           28.5 + make.Below(300) / 100.0, make.Below(300) / 100.0,
                           3 + make.Below(700) / 100.0};
        // Now and then with a flaw the calculator must catch: equal pressures, equal volts,
        // an elevation beyond the pressure formula.
        const int flaw = make.Below(12);
        values[2] = flaw == 0 ? values[1] : values[2];
        values[4] = flaw == 1 ? values[3] : values[4];
        values[0] = flaw == 2 ? 145491.8 + make.Below(1000) : values[0];
        for (int i = 0; i < 5; ++i) {
            w.Box(kInputBoxes[i])->setText(QLocale().toString(values[i], 'f', 2));
        }
        return QStringLiteral("a plausible design");
    }
    if (roll < 40) {  // undo in an input box
        const char* name = kInputBoxes[make.Below(5)];
        w.Box(name)->setFocus();
        QTest::keyClick(w.Box(name), Qt::Key_Z, Qt::ControlModifier);
        return QStringLiteral("undo in %1").arg(name);
    }
    QString what;
    if (roll < 45) {  // a known design, typed or pasted with the locale's separators
        typed_design_ = &kReferences[make.Below(static_cast<int>(std::size(kReferences)))];
        const bool by_keys = make.Below(2) == 0;
        for (int i = 0; i < 5; ++i) {
            QString text = QString::fromLatin1(typed_design_->texts[i]);
            text.replace(u'.', QLocale().decimalPoint());
            if (text.size() > 3 && !text.contains(QLocale().decimalPoint()) && make.Below(2) == 0) {
                text.insert(text.size() - 3, QLocale().groupSeparator());
            }
            what += QStringLiteral(" \"%1\"").arg(text);
            if (by_keys) {
                TypeOver(w.Box(kInputBoxes[i]), text);
            } else {
                w.Box(kInputBoxes[i])->setText(text);
            }
        }
        what = QStringLiteral("known design%1 %2, ").arg(what, by_keys ? "typed" : "pasted");
    }
    inputs_.clear();
    for (const char* name : kInputBoxes) {
        inputs_ << w.Box(name)->text();
    }
    if (roll < 67) {  // Calculate
        action_ = Action::Calculate;
        w.Click("calculate_button");
        return what + QStringLiteral("Calculate");
    }
    if (roll < 77) {  // Generate_Report
        action_ = Action::Report;
        w.Trigger("generate_report_action");
        return QStringLiteral("Generate_Report");
    }
    if (roll < 82) {  // Help
        w.Trigger("help_action");
        results_ = WithCrLf(QString::fromUtf8(sondrel::kHelpText));
        return QStringLiteral("Help");
    }
    if (roll < 88) {  // the user's own text in the results box
        const QString text = make.Free();
        if (text.size() <= 40 && !text.contains(QLatin1Char('\n')) && make.Below(2) == 0) {
            TypeOver(w.Results(), text);
            // Keys that insert nothing leave the selected text in place.
            if (const QString kept = KeptByKeys(text); text.isEmpty() || !kept.isEmpty()) {
                results_ = kept.toStdString();
            }
            return QStringLiteral("results box typed \"%1\"").arg(Shown(text));
        }
        w.Results()->setPlainText(text);
        results_ = WithCrLf(text);
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
    if (make.Below(4) != 0) {
        header_ = WithCrLf(text);
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
    const std::size_t told = w.failures.size() - failures_seen_;
    if (told > 1 || (told == 1 && action_ != Action::Calculate && action_ != Action::Report)) {
        return QStringLiteral("%1 failures told").arg(told);
    }
    const Failure* notice = told == 1 ? &w.failures.back() : nullptr;
    failures_seen_ = w.failures.size();
    QString problem = action_ == Action::Calculate ? CheckCalculate(w, notice)
                      : action_ == Action::Report  ? CheckReport(notice)
                                                   : QString();
    if (!problem.isEmpty()) {
        return problem;
    }
    if (w.ResultsText() != AsShown(results_)) {
        return QStringLiteral("results box holds \"%1\", expected \"%2\"")
            .arg(Shown(w.ResultsText()), Shown(AsShown(results_)));
    }
    // Output.txt: the previous report or the complete new one.
    if (ReadFile("Output.txt") != report_) {
        return QStringLiteral("Output.txt changed without a report");
    }
    if (w.header != header_) {
        return QStringLiteral("report header \"%1\", expected \"%2\"")
            .arg(Shown(QString::fromStdString(w.header)), Shown(QString::fromStdString(header_)));
    }
    return {};
}

// After Calculate: a told failure of a known shape that leaves the box as it was, or with
// the lines of a pass; otherwise four well-formed lines, exactly those of a known design.
QString HostileSessionTest::CheckCalculate(Window& w, const Failure* told) {
    const QString box = w.ResultsText();
    const Reference* design = typed_design_;
    loaded_ = told == nullptr ? design : nullptr;
    // The first box that cannot be read, and whether the ones before it plainly can.
    int unreadable = 0;
    bool plain_before = true;
    while (unreadable < 5 && !NotANumber(inputs_[unreadable], QLocale())) {
        plain_before = PlainNumber(inputs_[unreadable++], QLocale()) && plain_before;
    }
    if (told == nullptr) {
        if (unreadable < 5) {
            return QStringLiteral("no failure told with \"%1\" in %2")
                .arg(Shown(inputs_[unreadable]), QString::fromLatin1(kLabels[unreadable]));
        }
        if (!kFourLines.match(box).hasMatch()) {
            return QStringLiteral("malformed result lines \"%1\"").arg(Shown(box));
        }
        if (design != nullptr &&
            box != QString::fromStdString(sondrel::testing_support::JoinedLines(*design, "\n"))) {
            return QStringLiteral("a known design shows \"%1\"").arg(Shown(box));
        }
        results_ = WithCrLf(box);
        return {};
    }
    const QString message = QString::fromStdString(told->Message());
    const FailureFamily* family = nullptr;
    for (const FailureFamily& f : kFamilies) {
        family = f.message.match(message).hasMatch() ? &f : family;
    }
    if (family == nullptr || FailureKindTitle(told->kind) != family->title || design != nullptr) {
        return QStringLiteral("failure told: %1: %2")
            .arg(QString::fromUtf8(FailureKindTitle(told->kind)), message);
    }
    if (unreadable < 5) {
        // The reading stops at the first box it cannot read, or at one before that does not
        // hold a plain number.
        const auto names = [&message](int i) {
            return message.startsWith(QString::fromLatin1(kLabels[i]) + QStringLiteral(": \""));
        };
        bool named = names(unreadable) && message.endsWith(QStringLiteral("\" is not a number"));
        for (int i = 0; i < unreadable && !plain_before; ++i) {
            named = named || names(i);
        }
        if (!named) {
            return QStringLiteral("\"%1\" in %2 told as: %3")
                .arg(Shown(inputs_[unreadable]), QString::fromLatin1(kLabels[unreadable]), message);
        }
    }
    const bool unchanged = box == AsShown(results_);
    if (!unchanged && (family->names_a_box ||
                       (!kVr2Alone.match(box).hasMatch() && !kFourLines.match(box).hasMatch()))) {
        return QStringLiteral("after \"%1\" the results box holds \"%2\"").arg(message, Shown(box));
    }
    if (!unchanged) {
        results_ = WithCrLf(box);
    }
    return {};
}

// After Generate_Report: a told overflow that leaves the earlier file as it was, or the whole
// report around the box texts as typed.
QString HostileSessionTest::CheckReport(const Failure* told) {
    const Reference* loaded = loaded_;
    if (told != nullptr) {
        if (!told->Message().ends_with(" is too large (overflow)") ||
            told->kind != sondrel::FailureKind::Overflow || loaded != nullptr) {
            return QStringLiteral("report failed: %1").arg(QString::fromStdString(told->Message()));
        }
        return {};  // Check finds Output.txt as it was
    }
    report_ = ReadFile("Output.txt");
    std::string box[5];
    for (int i = 0; i < 5; ++i) {
        box[i] = inputs_[i].toStdString();
    }
    const auto metric = [loaded](int i) {
        return loaded ? std::optional<std::string_view>(loaded->metric[i]) : std::nullopt;
    };
    const std::string_view rest =
        Mismatch(report_, {header_,   "Elev = ",           box[0],   " ft       Elev = ",
                           metric(0), " m\r\nLoBaro = ",   box[1],   " inHg     LoBaro = ",
                           metric(1), " mb\r\nHiBaro = ",  box[2],   " inHg     HiBaro = ",
                           metric(2), " mb\r\nLoVolts = ", box[3],   "\r\nHiVolts = ",
                           box[4],    "\r\n\r\n",          results_, "\r\n"});
    return rest.empty() ? QString()
                        : QStringLiteral("Output.txt is not the report expected from \"%1\" on")
                              .arg(Shown(QString::fromUtf8(rest.data(), rest.size())));
}

QTEST_MAIN(HostileSessionTest)

#include "hostile_session_test.moc"
