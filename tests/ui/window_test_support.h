#pragma once
// Shared by the window tests: a main window whose failures are collected instead of shown,
// typing helpers, a scratch working folder for Output.txt, the pinned locale, a font scope.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "tests/support/reference_designs.h"
#include "tests/support/scratch_folder.h"
#include "ui/main_window.h"

namespace sondrel::ui::testing {

// The input boxes' object names, in the order of InputTexts.
inline const char* const kInputBoxes[] = {"elevation_box", "lo_baro_box", "hi_baro_box",
                                          "lo_volts_box", "hi_volts_box"};

// A main window with its report header and the failures it reported.
struct Window {
    std::string header;
    std::vector<Failure> failures;
    std::unique_ptr<MainWindow> form;

    Window() {
        form = std::make_unique<MainWindow>(
            header, [this](const Failure& failure) { failures.push_back(failure); });
    }

    template <typename W>
    W* Get(const char* name) const {
        auto* widget = form->findChild<W*>(QLatin1String(name));
        if (!widget) {
            qFatal("no control %s", name);
        }
        return widget;
    }
    QLineEdit* Box(const char* name) const { return Get<QLineEdit>(name); }
    QPlainTextEdit* Results() const { return Get<QPlainTextEdit>("results_box"); }
    QString ResultsText() const { return Results()->toPlainText(); }
    void Click(const char* button) const {
        QTest::mouseClick(Get<QPushButton>(button), Qt::LeftButton);
    }
    void Trigger(const char* action) const { Get<QAction>(action)->trigger(); }
};

// Types `text` at the cursor, one key per character (QTest's own typing takes Latin-1 only):
// "\n" is Return, U+2028 Shift+Return.
inline void TypeAtCursor(QWidget* box, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n') || text[i] == QChar::LineSeparator) {
            QTest::keyClick(box, Qt::Key_Return,
                            text[i] == QChar::LineSeparator ? Qt::ShiftModifier : Qt::NoModifier);
            continue;
        }
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString key = text.mid(i, length);
        i += length - 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, key);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, key);
        QApplication::sendEvent(box, &press);
        QApplication::sendEvent(box, &release);
    }
}

// Types `text` over whatever the box holds, key by key, as a user would.
inline void TypeOver(QWidget* box, const QString& text) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) {
        QTest::keyClick(box, Qt::Key_Backspace);
    }
    TypeAtCursor(box, text);
}

// Runs each test in a fresh scratch folder, where Output.txt goes.
class WorkingFolder {
public:
    WorkingFolder() { std::filesystem::current_path(folder_.path()); }
    ~WorkingFolder() { std::filesystem::current_path(previous_); }
    // The whole file, bytes as written.
    QByteArray Read(const char* name) const {
        return QByteArray::fromStdString(testing_support::ReadFile(folder_.path() / name));
    }

private:
    const std::filesystem::path previous_ = std::filesystem::current_path();
    const testing_support::ScratchFolder folder_{"sondrel-window"};
};

// The locale every window test starts from, whatever the machine's: call from initTestCase.
inline void PinLocale() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

// The application's font, at `pixels` pixels, for the windows made meanwhile.
class FontScope {
public:
    explicit FontScope(int pixels) : previous_(QApplication::font()) {
        QFont font = previous_;
        font.setPixelSize(pixels);
        QApplication::setFont(font);
    }
    ~FontScope() { QApplication::setFont(previous_); }

private:
    QFont previous_;
};

// As small as the design's font: the windows keep 15 twips to the pixel.
inline constexpr int kDesignFontPixels = 8;

// The four result lines of the defaults as the box shows them.
inline const QString kDefaultResults =
    QString::fromStdString(testing_support::JoinedLines(testing_support::kDefaultDesign, "\n"));

}  // namespace sondrel::ui::testing
