// sondrel-screenshot FILE.png: opens the main window on the current display (Xvfb in
// `make screenshot`), presses "Calculate" on the defaults, and saves what the screen shows.

#include <cstdio>
#include <string>

#include <QApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "app/start_up.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sondrel-screenshot FILE.png\n");
        return 2;
    }
    if (const std::string message = sondrel::app::MissingDisplayMessage(argc, argv);
        !message.empty()) {
        std::fprintf(stderr, "%s\n", message.c_str());
        return 1;
    }
    std::string report_header;
    QApplication app(argc, argv);
    sondrel::ui::MainWindow window(report_header);
    window.setWindowIcon(sondrel::app::AppIcon());
    window.move(0, 0);
    window.show();

    QDeadlineTimer exposed(5000);
    while (!(window.windowHandle() && window.windowHandle()->isExposed())) {
        if (exposed.hasExpired()) {
            std::fprintf(stderr, "sondrel-screenshot: the window was never shown\n");
            return 1;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    window.findChild<QPushButton*>(QStringLiteral("calculate_button"))->click();
    // 300 ms of events, so that the results are painted.
    for (QDeadlineTimer settled(300); !settled.hasExpired(); QThread::msleep(5)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    const QPixmap shot = window.screen()->grabWindow(window.winId());
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "sondrel-screenshot: cannot save %s\n", argv[1]);
        return 1;
    }
    std::printf("sondrel-screenshot: saved %s (%dx%d)\n", argv[1], shot.width(), shot.height());
    return 0;
}
