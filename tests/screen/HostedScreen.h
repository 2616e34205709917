#pragma once

// The screen in the host's window, over the recording services on an SQLite test database, for
// the tests that run under a real window manager.

#include "MainWindow.h"
#include "editor/EditFixture.h"
#include "support/RecordingServices.h"
#include "support/TestDatabase.h"

#include <QCursor>
#include <QScreen>
#include <QtTest>

// In a test program's initTestCase: skips it without a window manager (with-openbox.sh names
// what is missing, or the platform is not xcb), and puts the pointer out of the way, since
// windows that open under it get pointer events of their own.
#define KESTA_REQUIRE_WINDOW_MANAGER()                                                             \
    do {                                                                                           \
        const QString missing = kesta::test::missingWindowManager();                               \
        if (!missing.isEmpty())                                                                    \
            QSKIP(qPrintable("no window manager to test with: " + missing));                       \
        QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());               \
    } while (false)

// A hosted screen `s` over a database of its own, its window active; KESTA_HOSTED_SCREEN(s, true)
// shows the services' real message boxes.
#define KESTA_HOSTED_SCREEN(s, ...)                                                                \
    ::kesta::test::HostedScreen s{__VA_ARGS__};                                                    \
    QVERIFY2(s.db.ok(), qPrintable(s.db.error()));                                                 \
    QVERIFY(QTest::qWaitForWindowActive(&s.window))

namespace kesta::test {

inline QString missingWindowManager()
{
    const QString missing = QString::fromLocal8Bit(qgetenv("KESTA_NO_WINDOW_MANAGER"));
    if (missing.isEmpty() && QGuiApplication::platformName() != QLatin1String("xcb"))
        return "the platform is " + QGuiApplication::platformName() +
               " (run it through CTest, under tests/support/with-openbox.sh)";
    return missing;
}

struct HostedScreen : Hands {
    TestDatabase db;
    std::shared_ptr<ServicesRecord> record;
    velkora::app::MainWindow window;
    QWidget *screen = nullptr;

    // With realMessageBoxes, message boxes are the services' real ones; without, they are
    // answered through the services' record.
    explicit HostedScreen(bool realMessageBoxes = false)
        : record(installRecordingServices(db.connectionName()))
    {
        record->realMessageBoxes = realMessageBoxes;
        QString error;
        if (!window.openScreen(&error))
            qWarning("the screen could not be opened: %s", qPrintable(error));
        screen = window.screen();
        window.show();
    }
    ~HostedScreen() { uninstallServices(); }

    template <typename T = QWidget> T *child(const char *name) const
    {
        return screen->findChild<T *>(QString::fromLatin1(name));
    }
    static QString focusName() { return focus() ? focus()->objectName() : QString(); }
    void click(int button) const
    {
        QTest::mouseClick(child(qPrintable(QStringLiteral("cmdControles_%1").arg(button))),
                          Qt::LeftButton);
    }
};

} // namespace kesta::test
