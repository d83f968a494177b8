// Runs the window tests headless, with the locale pinned, however ctest is invoked:
// `ui_tests` runs every test class, `ui_tests CLASS [Qt Test options]` one of them.

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QTest>

#include "tests/ui/window_test_support.h"

std::unique_ptr<QObject> MakeForm1Test();
std::unique_ptr<QObject> MakeHeaderDialogTest();
std::unique_ptr<QObject> MakeUiPartsTest();

QByteArray sondrel::ui::testing::WorkingFolder::Read(const QString& name) const {
    QFile file(Path(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    setenv("LC_ALL", "C.UTF-8", 1);
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    const std::vector<std::function<std::unique_ptr<QObject>()>> makers = {
        MakeForm1Test, MakeHeaderDialogTest, MakeUiPartsTest};
    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    std::vector<char*> args = {argv[0]};
    for (int i = only ? 2 : 1; i < argc; ++i) {
        args.push_back(argv[i]);
    }

    int failed = 0;
    bool ran = false;
    for (const auto& make : makers) {
        const std::unique_ptr<QObject> test = make();
        if (only && std::strcmp(test->metaObject()->className(), only) != 0) {
            continue;
        }
        ran = true;
        failed += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    if (!ran) {
        qCritical("no test class named %s", only);
        return 2;
    }
    return failed == 0 ? 0 : 1;
}
