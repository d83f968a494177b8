// Calculate from the click to the final text in the results box, in the real main window:
// QTest::mouseClick on "Calculate" timed with QElapsedTimer, and again with the results box
// repainted before the clock stops. Two cases: after an edit (the inputs are reloaded and the
// solver runs its passes) and a repeated click without an edit (one pass).

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "ui/main_window.h"

namespace {

struct Stats {
    double median_us, p99_us, max_us;
};

Stats Summarise(std::vector<double> us) {
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100], us.back()};
}

void Print(const char* what, const Stats& s) {
    std::printf("%-44s median %7.1f us   p99 %7.1f us   max %7.1f us\n", what, s.median_us,
                s.p99_us, s.max_us);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string header;
    int failures = 0;
    sondrel::ui::MainWindow window(header, [&](const auto&) { ++failures; });
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "calculate-click: the window was never shown\n");
        return 1;
    }
    auto* calculate = window.findChild<QPushButton*>(QStringLiteral("calculate_button"));
    auto* elevation = window.findChild<QLineEdit*>(QStringLiteral("elevation_box"));
    auto* results = window.findChild<QPlainTextEdit*>(QStringLiteral("results_box"));

    constexpr int kRounds = 2000;
    const QString elevations[] = {QStringLiteral("0"), QStringLiteral("5000")};
    std::vector<double> edited, edited_painted, repeated, repeated_painted;
    QElapsedTimer clock;
    for (int round = 0; round < kRounds; ++round) {
        const bool paint = round % 2 == 1;
        elevation->setText(elevations[(round / 2) % 2]);  // an edit: the next click reloads
        QCoreApplication::processEvents();

        clock.start();
        QTest::mouseClick(calculate, Qt::LeftButton);
        if (paint) {
            results->viewport()->repaint();
        }
        (paint ? edited_painted : edited).push_back(clock.nsecsElapsed() / 1000.0);
        QCoreApplication::processEvents();

        clock.start();
        QTest::mouseClick(calculate, Qt::LeftButton);
        if (paint) {
            results->viewport()->repaint();
        }
        (paint ? repeated_painted : repeated).push_back(clock.nsecsElapsed() / 1000.0);
        QCoreApplication::processEvents();
    }
    if (failures != 0 || !results->toPlainText().startsWith(QStringLiteral("VR2 = "))) {
        std::fprintf(stderr, "calculate-click: Calculate failed\n");
        return 1;
    }
    std::printf("Calculate, click to final text (%d clicks each)\n", kRounds / 2);
    Print("after an edit (reload, 6 or 9 passes)", Summarise(edited));
    Print("after an edit, results box repainted", Summarise(edited_painted));
    Print("repeated without an edit (1 pass)", Summarise(repeated));
    Print("repeated, results box repainted", Summarise(repeated_painted));
    return 0;
}
