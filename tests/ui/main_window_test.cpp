// The main window: start-up, Calculate and its reloading, Help, the report, failures, layout
// and scale, accessible names, locale, the results box's line breaks, the default message box.

#include <algorithm>
#include <cmath>

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include "calc/failure.h"
#include "calc/help_text.h"
#include "tests/ui/window_test_support.h"

using sondrel::FailureKind;
using sondrel::kHelpText;
using sondrel::testing_support::JoinedLines;
using sondrel::testing_support::kDefaultDesign;
using sondrel::ui::AsBoxText;
using sondrel::ui::testing::FontScope;
using sondrel::ui::testing::kDefaultResults;
using sondrel::ui::testing::kDesignFontPixels;
using sondrel::ui::testing::kInputBoxes;
using sondrel::ui::testing::TypeAtCursor;
using sondrel::ui::testing::TypeOver;
using sondrel::ui::testing::Window;
using sondrel::ui::testing::WorkingFolder;

Q_DECLARE_METATYPE(FailureKind)

namespace {

// The report's lines after the five input lines and the blank one.
QByteArray ReportTail(const QByteArray& report) {
    const qsizetype blank = report.indexOf("\r\n\r\n");
    return blank < 0 ? QByteArray() : report.mid(blank + 4);
}

// What is wrong with the controls of a window's client area: one that leaves it or overlaps
// another, a text that does not fit its control; empty when nothing is.
QStringList LayoutProblems(QWidget* client) {
    QStringList problems;
    QList<QWidget*> seen;
    for (QWidget* control : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isVisibleTo(client)) {
            continue;
        }
        const QString name = control->objectName();
        if (!client->rect().contains(control->geometry())) {
            problems << name + " leaves the window";
        }
        for (QWidget* other : seen) {
            if (control->geometry().intersects(other->geometry())) {
                problems << name + " overlaps " + other->objectName();
            }
        }
        seen << control;
        int text_width = 0;
        if (auto* label = qobject_cast<QLabel*>(control)) {
            text_width = label->sizeHint().width();
        } else if (auto* button = qobject_cast<QPushButton*>(control)) {
            text_width = button->fontMetrics().horizontalAdvance(button->text());
        } else if (auto* box = qobject_cast<QLineEdit*>(control)) {
            text_width = box->fontMetrics().horizontalAdvance(box->text());
        }
        if (text_width > control->width()) {
            problems << name + " cuts its text";
        }
    }
    return problems;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { sondrel::ui::testing::PinLocale(); }
    void init() {
        folder_ = std::make_unique<WorkingFolder>();
        w_ = std::make_unique<Window>();
    }
    void cleanup() {
        w_.reset();
        folder_.reset();
    }

    void startsWithDefaults() {
        QCOMPARE(w_->form->windowTitle(), QStringLiteral("Sondrel"));
        const QStringList defaults = {"0", "28", "31", "1.25", "8.25"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(w_->Box(kInputBoxes[i])->text(), defaults[i]);
        }
        QVERIFY(w_->ResultsText().isEmpty());
        QVERIFY(!w_->form->session().initialized());
        QVERIFY(w_->header.empty());
    }

    // Shown, the window has the focus in the results box, and Tab follows the design.
    void focusStartsInResultsAndTabFollowsTheDesign() {
        w_->form->show();
        QVERIFY(QTest::qWaitForWindowActive(w_->form.get()));
        QVERIFY(!w_->Get<QPushButton>("initialize_button")->isVisible());
        QStringList visited;
        for (int i = 0; i < 8; ++i) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited,
                 (QStringList{"results_box", "calculate_button", "elevation_box", "lo_baro_box",
                              "hi_baro_box", "lo_volts_box", "hi_volts_box", "results_box"}));
    }

    void menuBarHoldsThreeCommandsWithoutDropDowns() {
        QMenuBar* bar = w_->form->menuBar();
        QVERIFY(!bar->isNativeMenuBar());
        QStringList texts;
        for (QAction* action : bar->actions()) {
            texts << action->text();
            QVERIFY(action->menu() == nullptr);
        }
        QCOMPARE(texts, (QStringList{"Report_Header", "Generate_Report", "Help"}));
    }

    // Whether Calculate reloaded shows in PassCount once the hidden Initialize has put the
    // wiper estimate back to 0.34 without resetting the count: carrying on counts from 6.
    void calculateReloadsOnlyAfterAnEdit() {
        w_->Click("calculate_button");
        QCOMPARE(w_->ResultsText(), kDefaultResults);
        QCOMPARE(w_->form->session().passes(), 6);
        QVERIFY(w_->form->session().initialized());
        w_->Click("initialize_button");
        w_->Click("calculate_button");
        QCOMPARE(w_->form->session().passes(), 11);  // went on from 6: nothing reloaded

        w_->Click("initialize_button");
        TypeOver(w_->Box("hi_baro_box"), "3");
        TypeOver(w_->Box("hi_baro_box"), "31");  // changed and changed back
        QVERIFY(!w_->form->session().initialized());
        w_->Click("calculate_button");
        QCOMPARE(w_->form->session().passes(), 6);  // reloaded: counted from 1
        QCOMPARE(w_->ResultsText(), kDefaultResults);

        TypeOver(w_->Box("elevation_box"), "1000");
        w_->Click("calculate_button");
        QCOMPARE(w_->ResultsText(),
                 QString::fromStdString(JoinedLines(sondrel::testing_support::kAt1000Ft, "\n")));
    }

    void helpReplacesResultsAndTheReportCarriesIt() {
        w_->Click("calculate_button");
        const auto passes = w_->form->session().passes();
        w_->Trigger("help_action");
        QCOMPARE(w_->ResultsText(), AsBoxText(kHelpText));
        QCOMPARE(w_->form->session().passes(), passes);
        QVERIFY(w_->form->session().initialized());

        w_->Trigger("generate_report_action");
        QCOMPARE(ReportTail(folder_->Read("Output.txt")),
                 QByteArray(kHelpText.data(), kHelpText.size()) + "\r\n");
    }

    void typedResultsGoIntoTheReportAsTyped_data() {
        QTest::addColumn<QString>("typed");  // "\n" Return, U+2028 Shift+Return
        QTest::addColumn<QByteArray>("reported");
        QTest::newRow("Return and Shift+Return") << QString::fromUtf8("bench 4\nmast 2\u2028done")
                                                 << QByteArray("bench 4\r\nmast 2\r\ndone");
    }
    void typedResultsGoIntoTheReportAsTyped() {
        QFETCH(QString, typed);
        QFETCH(QByteArray, reported);
        w_->Click("calculate_button");
        QPlainTextEdit* box = w_->Results();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Return);
        TypeAtCursor(box, typed);
        w_->Trigger("generate_report_action");

        const QByteArray report = folder_->Read("Output.txt");
        QCOMPARE(ReportTail(report),
                 QByteArray::fromStdString(JoinedLines(kDefaultDesign, "\r\n") + "\r\n") +
                     reported + "\r\n");
        // It stays until the next Calculate.
        QVERIFY(w_->ResultsText().size() > kDefaultResults.size());
        w_->Click("calculate_button");
        QCOMPARE(w_->ResultsText(), kDefaultResults);
    }

    void reportShowsTypedTextsWithTheLastLoadedNumbers() {
        w_->Trigger("generate_report_action");  // nothing loaded yet: metric values are zero
        QVERIFY(folder_->Read("Output.txt")
                    .startsWith(
                        "Elev = 0 ft       Elev = . m\r\nLoBaro = 28 inHg     LoBaro = . mb\r\n"));
        w_->Click("calculate_button");
        TypeOver(w_->Box("elevation_box"), "1000");
        w_->Trigger("generate_report_action");
        QVERIFY(folder_->Read("Output.txt").startsWith("Elev = 1000 ft       Elev = . m\r\n"));
        w_->Click("calculate_button");
        w_->Trigger("generate_report_action");
        QVERIFY(folder_->Read("Output.txt").startsWith("Elev = 1000 ft       Elev = 304.8 m\r\n"));
        QVERIFY(w_->failures.empty());
    }

    void aBadInputIsReportedAndTheWindowGoesOn_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<FailureKind>("kind");
        QTest::addColumn<QString>("named");  // what the message must mention

        QTest::newRow("elevation not a number")
            << "elevation_box"
            << "abc" << FailureKind::TypeMismatch << "Elevation, ft";
        QTest::newRow("elevation beyond the atmosphere")
            << "elevation_box"
            << "150000" << FailureKind::InvalidArgument << "elevation";
        QTest::newRow("low pressure empty") << "lo_baro_box"
                                            << "" << FailureKind::TypeMismatch << "LoBaro, inHg";
        QTest::newRow("pressures equal")
            << "hi_baro_box"
            << "28" << FailureKind::DivisionByZero << "division by zero";
        QTest::newRow("high pressure too large")
            << "hi_baro_box"
            << "1e400" << FailureKind::Overflow << "HiBaro, inHg";
        QTest::newRow("low volts with a comma decimal")
            << "lo_volts_box"
            << "1,2,5" << FailureKind::TypeMismatch << "LoVolt";
        QTest::newRow("volts equal") << "hi_volts_box"
                                     << "1.25" << FailureKind::DivisionByZero << "division by zero";
    }
    void aBadInputIsReportedAndTheWindowGoesOn() {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(FailureKind, kind);
        QFETCH(QString, named);

        w_->Trigger("generate_report_action");
        const QByteArray earlier_report = folder_->Read("Output.txt");
        w_->Click("calculate_button");
        QLineEdit* input = w_->Box(box.toLatin1().constData());
        const QString good = input->text();
        TypeOver(input, text);
        w_->Click("calculate_button");

        QCOMPARE(w_->failures.size(), std::size_t{1});
        const auto& notice = w_->failures.front();
        QCOMPARE(notice.kind, kind);
        QVERIFY2(QString::fromStdString(notice.Message()).contains(named),
                 notice.Message().c_str());
        QCOMPARE(w_->ResultsText(), kDefaultResults);  // what was last written stays
        QCOMPARE(folder_->Read("Output.txt"), earlier_report);

        TypeOver(input, good);
        w_->Click("calculate_button");
        QCOMPARE(w_->failures.size(), std::size_t{1});
        QCOMPARE(w_->ResultsText(), kDefaultResults);
        QCOMPARE(w_->form->session().passes(), 6);
    }

    void aReportThatCannotBeWrittenIsReported() {
        QVERIFY(QDir().mkdir("Output.txt"));  // a folder where the file should go
        w_->Click("calculate_button");
        w_->Trigger("generate_report_action");
        QCOMPARE(w_->failures.size(), std::size_t{1});
        QCOMPARE(w_->failures.front().kind, FailureKind::File);
        QCOMPARE(w_->ResultsText(), kDefaultResults);
    }

    // What the layout promises at the scale the font needs: the client area below the menu
    // bar, the five boxes in a column at steps of 480 twips, each label beside its box, no two
    // controls overlapping, every text whole and each result line on one line, the header
    // dialog at the same scale, and nothing moving when the window is resized.
    void layoutKeepsItsPromisesAtTheChosenScale_data() {
        QTest::addColumn<int>("font_pixels");
        QTest::newRow("design-size font") << kDesignFontPixels;
        QTest::newRow("30 px") << 30;
    }
    void layoutKeepsItsPromisesAtTheChosenScale() {
        QFETCH(int, font_pixels);
        const FontScope font(font_pixels);
        w_ = std::make_unique<Window>();
        w_->form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_->form.get()));
        const double twips_per_pixel = w_->form->twips_per_pixel();
        if (font_pixels == kDesignFontPixels) {
            QCOMPARE(twips_per_pixel, 15.0);
        }
        QVERIFY(twips_per_pixel > 0 && twips_per_pixel <= 15);

        QLineEdit* top = w_->Box(kInputBoxes[0]);
        for (int row = 0; row < 5; ++row) {
            QLineEdit* box = w_->Box(kInputBoxes[row]);
            QCOMPARE(box->x(), top->x());
            QCOMPARE(box->size(), top->size());
            // Each edge rounded to the pixel: within a pixel of its place in the column.
            QVERIFY2(
                std::abs((box->y() - top->y()) * twips_per_pixel - 480 * row) < twips_per_pixel,
                kInputBoxes[row]);
            const QList<QLabel*> labels = w_->form->findChildren<QLabel*>();
            const auto label = std::find_if(labels.begin(), labels.end(),
                                            [box](QLabel* l) { return l->buddy() == box; });
            QVERIFY2(label != labels.end(), kInputBoxes[row]);
            QCOMPARE((*label)->y(), box->y());
            QVERIFY((*label)->x() > box->geometry().right());
        }
        QWidget* client = w_->form->centralWidget();
        QCOMPARE(client->y(), w_->form->menuBar()->geometry().bottom() + 1);
        QCOMPARE(LayoutProblems(client).join(QStringLiteral("; ")), QString());

        // The widest lines there are: a minus sign and four digits.
        QPlainTextEdit* results = w_->Results();
        results->setPlainText(
            QStringLiteral("VR2 = -1813. Ohms\nVR1 wiper to GND side = -1851. Ohms\n"
                           "LoVin = -3.792 Volts\nHiVin = -4.249 Volts"));
        const QAbstractTextDocumentLayout* text_layout = results->document()->documentLayout();
        for (QTextBlock line = results->document()->firstBlock(); line.isValid();
             line = line.next()) {
            text_layout->blockBoundingRect(line);  // lays the line out
            QVERIFY2(line.layout()->lineCount() == 1, qPrintable(line.text()));
        }

        // Both windows at the scale: their designed sizes in pixels, at 15 twips to the pixel.
        const double scale = 15 / twips_per_pixel;
        QVERIFY(std::abs(client->width() - 373 * scale) <= 1);
        QVERIFY(std::abs(client->height() - 260 * scale) <= 1);
        w_->Trigger("report_header_action");
        sondrel::ui::ReportHeaderDialog* dialog = w_->form->header_dialog();
        QVERIFY(dialog);
        QVERIFY(std::abs(dialog->width() - 312 * scale) <= 1);
        QVERIFY(std::abs(dialog->height() - 213 * scale) <= 1);
        QCOMPARE(LayoutProblems(dialog).join(QStringLiteral("; ")), QString());

        QList<QRect> places;
        for (QWidget* control : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            places << control->geometry();
        }
        w_->form->resize(w_->form->size() * 2);
        QList<QRect> after;
        for (QWidget* control : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            after << control->geometry();
        }
        QCOMPARE(after, places);
    }

    // An input box is named by its label's text (no "&"), the other boxes by their roles.
    void boxesHaveAccessibleNames_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("in_dialog");
        QTest::addColumn<QString>("name");
        QTest::newRow("results") << "results_box" << false << "Results";
        QTest::newRow("elevation") << "elevation_box" << false << "Elevation, ft";
        QTest::newRow("high volts") << "hi_volts_box" << false << "HiVolt";
        QTest::newRow("report header") << "header_box" << true << "Report header";
    }
    void boxesHaveAccessibleNames() {
        QFETCH(QString, box);
        QFETCH(bool, in_dialog);
        QFETCH(QString, name);
        QWidget* window = w_->form.get();
        if (in_dialog) {
            w_->Trigger("report_header_action");
            window = w_->form->header_dialog();
            QVERIFY(window);
        }
        QWidget* widget = window->findChild<QWidget*>(box);
        QVERIFY(widget);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), name);
        for (QLabel* label : window->findChildren<QLabel*>()) {
            if (label->buddy() == widget) {
                QCOMPARE(label->text(), name);
            }
        }
    }

    void commaDecimalLocale() {
        cleanup();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        init();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

        QCOMPARE(w_->Box("lo_volts_box")->text(), QStringLiteral("1,25"));  // defaults as read here
        QCOMPARE(w_->Box("hi_volts_box")->text(), QStringLiteral("8,25"));
        w_->Click("calculate_button");
        QCOMPARE(w_->ResultsText(), kDefaultResults);  // results always print "."

        TypeOver(w_->Box("elevation_box"), "1.000");  // "." groups thousands here
        w_->Click("calculate_button");
        QVERIFY(w_->ResultsText().startsWith("VR2 = 1888. Ohms\n"));
        w_->Trigger("generate_report_action");
        QVERIFY(folder_->Read("Output.txt").startsWith("Elev = 1.000 ft       Elev = 304.8 m\r\n"));

        TypeOver(w_->Box("lo_volts_box"), "1.25");  // not a number with "," decimals
        w_->Click("calculate_button");
        QCOMPARE(w_->failures.size(), std::size_t{1});
        QCOMPARE(w_->failures.front().kind, FailureKind::TypeMismatch);
    }

    // The calculator's text into the box and back: "\r\n" or a lone "\n" is a line break in
    // the box and "\r\n" again when read; every other character stays as it was.
    void lineBreaksAreCrLfAcrossTheBoundary_data() {
        QTest::addColumn<QByteArray>("calc");
        QTest::addColumn<QString>("box");  // the document's text, "\n" between paragraphs
        QTest::addColumn<QByteArray>("read");
        QTest::newRow("empty") << QByteArray("") << "" << QByteArray("");
        QTest::newRow("one line") << QByteArray("VR2 = 1813. Ohms") << "VR2 = 1813. Ohms"
                                  << QByteArray("VR2 = 1813. Ohms");
        QTest::newRow("two lines") << QByteArray("a\r\nb") << "a\nb" << QByteArray("a\r\nb");
        QTest::newRow("a lone line feed") << QByteArray("a\nb") << "a\nb" << QByteArray("a\r\nb");
        QTest::newRow("blank lines and a last break") << QByteArray("a\r\n\r\nb\r\n") << "a\n\nb\n"
                                                      << QByteArray("a\r\n\r\nb\r\n");
        QTest::newRow("non-ASCII stays UTF-8")
            << QByteArray("5 µA\r\n±0.1") << QString::fromUtf8("5 µA\n±0.1")
            << QByteArray("5 µA\r\n±0.1");
        QTest::newRow("no-break spaces stay") << QByteArray("1851\u00a0Ohms\r\n5\u202fkHz")
                                              << QString::fromUtf8("1851\u00a0Ohms\n5\u202fkHz")
                                              << QByteArray("1851\u00a0Ohms\r\n5\u202fkHz");
    }
    void lineBreaksAreCrLfAcrossTheBoundary() {
        QFETCH(QByteArray, calc);
        QFETCH(QString, box);
        QFETCH(QByteArray, read);
        QPlainTextEdit edit;
        edit.setPlainText(sondrel::ui::AsBoxText(calc.toStdString()));
        QCOMPARE(edit.document()->toRawText().replace(QChar::ParagraphSeparator, u'\n'), box);
        QCOMPARE(QByteArray::fromStdString(sondrel::ui::TypedText(edit)), read);
    }

    // Without an injected reporter the window shows a message box: the kind, then the message.
    void theDefaultReporterShowsAMessageBox() {
        std::string header;
        sondrel::ui::MainWindow form(header);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        sondrel::ui::testing::TypeOver(form.findChild<QLineEdit*>("lo_baro_box"), "twenty");

        QString title, text, details;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box) {
                title = box->windowTitle();
                text = box->text();
                details = box->informativeText();
                box->accept();
            }
        });
        QTest::mouseClick(form.findChild<QPushButton*>("calculate_button"), Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("Sondrel"));
        QCOMPARE(text, QStringLiteral("Type mismatch"));
        QCOMPARE(details, QStringLiteral("LoBaro, inHg: \"twenty\" is not a number"));
    }

private:
    std::unique_ptr<WorkingFolder> folder_;
    std::unique_ptr<Window> w_;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
