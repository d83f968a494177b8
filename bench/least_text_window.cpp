// The least Qt Widgets main window that shows a line of text: what drawing any text at all
// (the font system starting up) adds to least_window.cpp, for reading the start-up figures.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("Elevation, ft")));
    window.show();
    return QApplication::exec();
}
