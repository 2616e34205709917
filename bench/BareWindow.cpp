// The bare Qt window the start-up benchmark compares the host with: a QApplication and an
// empty 800 x 600 QWidget, linked with Qt Widgets alone. With --text the window also shows a
// label and a focused line edit, so that it pays what any window with text pays on its first
// paint (the font configuration read, a font loaded and measured): the floor of a screen that
// shows words, which the benchmark prints beside the bare one.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.resize(800, 600);
    if (QApplication::arguments().contains(QStringLiteral("--text"))) {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("Clave"), &window));
        auto *edit = new QLineEdit(&window);
        layout->addWidget(edit);
        edit->setFocus();
    }
    window.show();
    return QApplication::exec();
}
