// The pieces between the windows and the calculator: line breaks at the results box's
// boundary, and the message box a failure shows by default.

#include <QMessageBox>
#include <QTextDocument>
#include <QTimer>

#include "tests/ui/window_test_support.h"

class BoxTextAndFailuresTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { sondrel::ui::testing::PinLocale(); }

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
};

QTEST_MAIN(BoxTextAndFailuresTest)
#include "box_text_and_failures_test.moc"
