// The bare Qt window the start-up benchmark compares the host with: a QApplication and an
// empty 800 x 600 QWidget, linked with Qt Widgets alone.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.resize(800, 600);
    window.show();
    return QApplication::exec();
}
