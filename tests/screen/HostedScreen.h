#pragma once

// The screen in the host's window, over the recording services on an SQLite test database, for
// the tests that run under a real window manager.

#include "MainWindow.h"
#include "editor/EditFixture.h"
#include "support/RecordingServices.h"
#include "support/TestDatabase.h"

#include <QtTest>

namespace kesta::test {

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
