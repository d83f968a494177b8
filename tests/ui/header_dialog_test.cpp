// The report header dialog: what "Done" and the close box store, a fresh dialog each time it
// is opened after closing, one dialog at a time, and its life beside the main window.

#include <algorithm>

#include <QGuiApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>

#include "tests/ui/window_test_support.h"
#include "ui/form2.h"

using sondrel::ui::Form2;
using sondrel::ui::testing::FontScope;
using sondrel::ui::testing::TypeAtCursor;
using sondrel::ui::testing::TypeOver;
using sondrel::ui::testing::Window;
using sondrel::ui::testing::WorkingFolder;

namespace {

// Opens the dialog from the menu and waits until it is on screen.
Form2* Open(const Window& w) {
    w.Trigger("rpthdr");
    Form2* dialog = w.form->header_dialog();
    if (dialog && !QTest::qWaitForWindowExposed(dialog)) {
        return nullptr;
    }
    return dialog;
}

// Lets a closed dialog finish destroying itself.
bool Destroyed(const QPointer<Form2>& dialog) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return dialog.isNull();
}

}  // namespace

class HeaderDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { sondrel::ui::testing::PinLocale(); }
    void init() {
        folder_ = std::make_unique<WorkingFolder>();
        w_ = std::make_unique<Window>();
        w_->form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_->form.get()));
    }
    void cleanup() {
        w_.reset();
        folder_.reset();
    }

    void opensModelessWithoutOwnerOrIcon() {
        const FontScope font(sondrel::ui::testing::kDesignFontPixels);  // 15 twips to the pixel
        w_ = std::make_unique<Window>();
        w_->form->setWindowIcon(QIcon(QPixmap(16, 16)));
        Form2* dialog = Open(*w_);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Report Header"));
        QVERIFY(dialog->parentWidget() == nullptr);
        QVERIFY(!dialog->isModal());
        QVERIFY(dialog->windowIcon().isNull());
        QCOMPARE(dialog->Text1()->toPlainText(), QStringLiteral("Report Header"));
        QCOMPARE(dialog->Text1()->geometry(), QRect(40, 16, 241, 161));
        QCOMPARE(dialog->Command1()->geometry(), QRect(120, 192, 65, 17));
        QCOMPARE(dialog->size(), QSize(312, 213));
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QCOMPARE(QApplication::focusWidget(), dialog->Text1());
    }

    void doneStoresTheTextAsTyped_data() {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("unedited") << false << QString() << QByteArray("Report Header");
        QTest::newRow("emptied") << true << QString() << QByteArray("");
        QTest::newRow("no line break") << true << "Site A" << QByteArray("Site A");
        QTest::newRow("line breaks become CR LF") << true << "Site A\nMast 2\n"
                                                  << QByteArray("Site A\r\nMast 2\r\n");
        QTest::newRow("no-break spaces kept")
            << true << QString::fromUtf8("Site\u00a0A, 5\u202f000\u00a0ft\n")
            << QByteArray(
                   "Site\xC2\xA0"
                   "A, 5\xE2\x80\xAF"
                   "000\xC2\xA0"
                   "ft\r\n");
    }
    void doneStoresTheTextAsTyped() {
        QFETCH(bool, edit);
        QFETCH(QString, typed);
        QFETCH(QByteArray, stored);
        w_->header = "earlier";
        QPointer<Form2> dialog = Open(*w_);
        QVERIFY(dialog);
        if (edit) {
            TypeOver(dialog->Text1(), QString());
            TypeAtCursor(dialog->Text1(), typed);
        }
        QTest::mouseClick(dialog->Command1(), Qt::LeftButton);
        QCOMPARE(QByteArray::fromStdString(w_->header), stored);
        QVERIFY(Destroyed(dialog));
        QVERIFY(w_->form->header_dialog() == nullptr);

        // The next report starts with it, joined straight onto the first line.
        w_->Trigger("prtrpt");
        QVERIFY(folder_->Read("Output.txt").startsWith(stored + "Elev = 0 ft"));
    }

    void reopeningAfterDoneStartsFromTheDesign() {
        QPointer<Form2> first = Open(*w_);
        TypeOver(first->Text1(), "Bench 4");
        QTest::mouseClick(first->Command1(), Qt::LeftButton);
        QVERIFY(Destroyed(first));

        Form2* second = Open(*w_);
        QVERIFY(second);
        QCOMPARE(second->Text1()->toPlainText(), QStringLiteral("Report Header"));
        QCOMPARE(w_->header, std::string("Bench 4"));
    }

    void theCloseBoxKeepsTheHeader() {
        w_->header = "Old header";
        QPointer<Form2> dialog = Open(*w_);
        TypeOver(dialog->Text1(), "never stored");
        QVERIFY(dialog->close());
        QVERIFY(Destroyed(dialog));
        QCOMPARE(w_->header, std::string("Old header"));
        QCOMPARE(Open(*w_)->Text1()->toPlainText(), QStringLiteral("Report Header"));
    }

    void openingTwiceRaisesTheSameDialog() {
        QPointer<Form2> dialog = Open(*w_);
        TypeOver(dialog->Text1(), "half typed");
        dialog->showMinimized();
        w_->Trigger("rpthdr");
        QCOMPARE(w_->form->header_dialog(), dialog.data());
        QVERIFY(!dialog->isMinimized());
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->Text1()->toPlainText(), QStringLiteral("half typed"));
        const QWidgetList tops = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(tops.begin(), tops.end(),
                               [](QWidget* top) { return qobject_cast<Form2*>(top) != nullptr; }),
                 1);
    }

    void theMainWindowStaysUsableWhileItIsOpen() {
        QPointer<Form2> dialog = Open(*w_);
        QTest::mouseClick(dialog->Command1(), Qt::LeftButton);  // header "Report Header"
        dialog = Open(*w_);
        TypeOver(dialog->Text1(), "not yet stored");
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        w_->Click("Command1");
        QCOMPARE(w_->ResultsText(), sondrel::ui::testing::kDefaultResults);
        w_->Trigger("prtrpt");
        QVERIFY(folder_->Read("Output.txt").startsWith("Report HeaderElev = 0 ft"));
        QVERIFY(dialog->isVisible());
    }

    // Runs the application's own event loop, as main() does, which ends when the last window
    // closes: here only after the dialog, not when the main window closes first.
    void closingTheMainWindowLeavesTheDialogRunning() {
        QSignalSpy last_closed(qApp, &QGuiApplication::lastWindowClosed);
        QPointer<Form2> dialog = Open(*w_);
        bool ran_alone = false;
        QTimer::singleShot(0, this, [&] { w_->form->close(); });
        QTimer::singleShot(50, this, [&] {
            ran_alone = dialog && dialog->isVisible() && last_closed.isEmpty();
            if (dialog) {
                TypeOver(dialog->Text1(), "after the main window");
                QTest::mouseClick(dialog->Command1(), Qt::LeftButton);
            }
        });
        QTimer give_up;  // a program that never ends would fail here, not hang
        give_up.setSingleShot(true);
        connect(&give_up, &QTimer::timeout, qApp, [] { QCoreApplication::exit(3); });
        give_up.start(5000);

        const int exit_code = QApplication::exec();
        give_up.stop();
        QVERIFY(ran_alone);
        QCOMPARE(exit_code, 0);
        QCOMPARE(last_closed.count(), 1);
        QCOMPARE(w_->header, std::string("after the main window"));
        QVERIFY(Destroyed(dialog));
    }

private:
    std::unique_ptr<WorkingFolder> folder_;
    std::unique_ptr<Window> w_;
};

QTEST_MAIN(HeaderDialogTest)
#include "header_dialog_test.moc"
