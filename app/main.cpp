// Sondrel: opens the main window. The process-wide report header lives here, empty at start,
// and is handed to the windows that read and write it.

#include <csignal>
#include <cstdio>
#include <string>

#include <QApplication>

#include "app/start_up.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);  // past `ulimit -f` a report's write fails: "File too large"
#endif
    // --help, --version and mistakes are answered before any display is needed.
    const sondrel::app::CommandLine command_line = sondrel::app::ReadCommandLine(argc, argv);
    if (command_line.exit_code) {
        std::fputs(command_line.text.c_str(), *command_line.exit_code == 0 ? stdout : stderr);
        return *command_line.exit_code;
    }
    if (const std::string message = sondrel::app::MissingDisplayMessage(argc, argv);
        !message.empty()) {
        std::fprintf(stderr, "%s\n", message.c_str());
        return 1;
    }

    std::string report_header;  // outlives every window
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sondrel"));
    QApplication::setDesktopFileName(QStringLiteral("sondrel"));

    sondrel::ui::MainWindow main_window(report_header);
    main_window.setWindowIcon(sondrel::app::AppIcon());
    main_window.show();
    // Ends when the last window closes: the main window, or a header dialog left open after it.
    return QApplication::exec();
}
