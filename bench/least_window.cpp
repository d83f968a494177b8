// The least Qt Widgets main window: the yardstick that the window start-up figures of
// bench/window_startup_windows.sh are measured against.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.show();
    return QApplication::exec();
}
