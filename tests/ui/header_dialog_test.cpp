// The report header dialog (its layout is checked with the main window's): what Done and the
// close box store, a fresh dialog after closing, one at a time, its life beside the main window.

#include <QGuiApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>

#include "tests/ui/window_test_support.h"

using sondrel::ui::ReportHeaderDialog;
using sondrel::ui::testing::TypeAtCursor;
using sondrel::ui::testing::TypeOver;
using sondrel::ui::testing::Window;
using sondrel::ui::testing::WorkingFolder;

namespace {

// Opens the dialog from the menu and waits until it is on screen.
ReportHeaderDialog* Open(const Window& w) {
    w.Trigger("report_header_action");
    ReportHeaderDialog* dialog = w.form->header_dialog();
    return dialog && QTest::qWaitForWindowExposed(dialog) ? dialog : nullptr;
}

// Lets a closed dialog finish destroying itself.
bool Destroyed(const QPointer<ReportHeaderDialog>& dialog) {
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
        w_->form->setWindowIcon(QIcon(QPixmap(16, 16)));
        ReportHeaderDialog* dialog = Open(*w_);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Report Header"));
        QVERIFY(dialog->parentWidget() == nullptr);
        QVERIFY(!dialog->isModal());
        QVERIFY(dialog->windowIcon().isNull());
        QCOMPARE(dialog->header_box()->toPlainText(), QStringLiteral("Report Header"));
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QCOMPARE(QApplication::focusWidget(), dialog->header_box());
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
            << QByteArray("Site\u00a0A, 5\u202f000\u00a0ft\r\n");
    }
    void doneStoresTheTextAsTyped() {
        QFETCH(bool, edit);
        QFETCH(QString, typed);
        QFETCH(QByteArray, stored);
        w_->header = "earlier";
        QPointer<ReportHeaderDialog> dialog = Open(*w_);
        QVERIFY(dialog);
        if (edit) {
            TypeOver(dialog->header_box(), QString());
            TypeAtCursor(dialog->header_box(), typed);
        }
        QTest::mouseClick(dialog->done_button(), Qt::LeftButton);
        QCOMPARE(QByteArray::fromStdString(w_->header), stored);
        QVERIFY(Destroyed(dialog));
        QVERIFY(w_->form->header_dialog() == nullptr);

        // The next report starts with it, joined straight onto the first line.
        w_->Trigger("generate_report_action");
        QVERIFY(folder_->Read("Output.txt").startsWith(stored + "Elev = 0 ft"));
        // Opened again, the dialog starts from the designed text.
        QCOMPARE(Open(*w_)->header_box()->toPlainText(), QStringLiteral("Report Header"));
    }

    void theCloseBoxKeepsTheHeader() {
        w_->header = "Old header";
        QPointer<ReportHeaderDialog> dialog = Open(*w_);
        TypeOver(dialog->header_box(), "never stored");
        QVERIFY(dialog->close());
        QVERIFY(Destroyed(dialog));
        QCOMPARE(w_->header, std::string("Old header"));
        QCOMPARE(Open(*w_)->header_box()->toPlainText(), QStringLiteral("Report Header"));
    }

    void openingTwiceRaisesTheSameDialog() {
        QPointer<ReportHeaderDialog> dialog = Open(*w_);
        TypeOver(dialog->header_box(), "half typed");
        dialog->showMinimized();
        w_->Trigger("report_header_action");
        QCOMPARE(w_->form->header_dialog(), dialog.data());
        QVERIFY(!dialog->isMinimized());
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->header_box()->toPlainText(), QStringLiteral("half typed"));
    }

    void theMainWindowStaysUsableWhileItIsOpen() {
        w_->header = "Bench 4";
        QPointer<ReportHeaderDialog> dialog = Open(*w_);
        TypeOver(dialog->header_box(), "not yet stored");
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        w_->Click("calculate_button");
        QCOMPARE(w_->ResultsText(), sondrel::ui::testing::kDefaultResults);
        w_->Trigger("generate_report_action");
        QVERIFY(folder_->Read("Output.txt").startsWith("Bench 4Elev = 0 ft"));
        QVERIFY(dialog->isVisible());
    }

    // Runs the application's own event loop, as main() does, which ends when the last window
    // closes: here only after the dialog, not when the main window closes first.
    void closingTheMainWindowLeavesTheDialogRunning() {
        QSignalSpy last_closed(qApp, &QGuiApplication::lastWindowClosed);
        QPointer<ReportHeaderDialog> dialog = Open(*w_);
        bool ran_alone = false;
        QTimer::singleShot(0, this, [&] { w_->form->close(); });
        QTimer::singleShot(50, this, [&] {
            ran_alone = dialog && dialog->isVisible() && last_closed.isEmpty();
            if (dialog) {
                TypeOver(dialog->header_box(), "after the main window");
                QTest::mouseClick(dialog->done_button(), Qt::LeftButton);
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
