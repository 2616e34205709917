// The screen's activation on a real X display: the key box gets the focus when the screen's
// window becomes active, and not when one of the screen's own message boxes closes, so the
// focus stays where the handler that showed the message put it.
//
// The test starts its own Xvfb server on a free display and runs on Qt's xcb platform; the
// offscreen platform has no window activation to speak of.

#include "editor/EditFixture.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kesta::test;

namespace {

// An Xvfb server on a free display, stopped with the test.
class XServer {
public:
    XServer()
    {
        for (int display = 91; display < 200 && m_pid <= 0; ++display) {
            const QByteArray socket = "/tmp/.X11-unix/X" + QByteArray::number(display);
            const QByteArray lock = "/tmp/.X" + QByteArray::number(display) + "-lock";
            struct stat info {};
            if (stat(socket.constData(), &info) == 0 || stat(lock.constData(), &info) == 0)
                continue;
            const QByteArray name = ':' + QByteArray::number(display);
            const pid_t pid = fork();
            if (pid == 0) {
                prctl(PR_SET_PDEATHSIG, SIGTERM);
                execlp("Xvfb", "Xvfb", name.constData(), "-screen", "0", "1280x1024x24",
                       "-nolisten", "tcp", static_cast<char *>(nullptr));
                _exit(127);
            }
            for (int i = 0; i < 100 && stat(socket.constData(), &info) != 0; ++i) {
                if (waitpid(pid, nullptr, WNOHANG) == pid)
                    break;
                usleep(100 * 1000);
            }
            if (stat(socket.constData(), &info) == 0) {
                m_pid = pid;
                m_display = name;
            } else {
                kill(pid, SIGTERM);
                waitpid(pid, nullptr, 0);
            }
        }
    }
    ~XServer()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool ok() const { return m_pid > 0; }
    QByteArray display() const { return m_display; }

private:
    pid_t m_pid = -1;
    QByteArray m_display;
};

// Answers the next message box of the screen with OK once it is shown and active.
void answerNextMessageBox(bool *seenActive)
{
    QTimer::singleShot(50, [seenActive] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            answerNextMessageBox(seenActive);
            return;
        }
        if (!box->isActiveWindow()) {
            box->activateWindow();
            answerNextMessageBox(seenActive);
            return;
        }
        *seenActive = true;
        box->button(QMessageBox::Ok)->click();
    });
}

} // namespace

class tst_Activation : public QObject {
    Q_OBJECT

private slots:
    void ownMessageBoxDoesNotMoveTheFocus();
};

void tst_Activation::ownMessageBoxDoesNotMoveTheFocus()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    EditScreen s;
    QTRY_COMPARE(s.focus(), s.keyBox());

    // A new load format with a line whose field grid is still empty: "Aceptar" is refused with
    // "Debe especificar un ID" and sends the focus to the field grid.
    s.command("New");
    s.click(0);
    for (const auto &[column, text] : {std::pair{"Orden", "1"}, std::pair{"Descripción", "x"},
                                       std::pair{"Posicion", "1"}, std::pair{"Longitud", "1"}})
        s.typeCell(s.lineGrid(), 0, column, text);
    s.record->realMessageBoxes = true;
    bool boxWasActive = false;
    answerNextMessageBox(&boxWasActive);
    s.click(3);
    QVERIFY(boxWasActive);
    QCOMPARE(s.record->messages.last().messageId, QStringLiteral("ERR-ID:7500004"));
    // The desktop gives the screen's window the activation back (here without a window
    // manager, the test does what one would do).
    if (!s.screen->isActiveWindow())
        s.screen->activateWindow();
    QTRY_VERIFY(s.screen->isActiveWindow());
    QTest::qWait(200);
    QCOMPARE(s.focus(), s.fieldGrid());

    // Another window of the desktop, and back: that is an activation, the key box gets the
    // focus.
    QWidget other;
    other.setWindowTitle(QStringLiteral("other"));
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    s.screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.screen.get()));
    QTRY_COMPARE(s.focus(), s.keyBox());
}

int main(int argc, char *argv[])
{
    XServer server;
    if (!server.ok()) {
        std::fprintf(stderr, "tst_activation: no Xvfb server could be started (install the "
                             "package xvfb)\n");
        return 1;
    }
    qputenv("DISPLAY", server.display());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    tst_Activation test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_activation.moc"
