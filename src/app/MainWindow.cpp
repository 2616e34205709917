#include "MainWindow.h"

#include "ComponentLoader.h"
#include "OwnerForm.h"

#include <QMessageBox>
#include <QMetaMethod>
#include <QScrollArea>
#include <QStatusBar>
#include <QVariant>

namespace velkora::app {

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("VelkoraMainWindow"));
    setWindowTitle(QStringLiteral("Velkora"));
    m_owner = new OwnerForm(QStringLiteral("KESTA"), this);
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    // Unloading the owner ends the screen with it: the window closes once the toolbar's
    // command has returned.
    connect(m_owner, &OwnerForm::unloadRequested, this, &QWidget::close, Qt::QueuedConnection);
}

bool MainWindow::openScreen(QString *error)
{
    QObject *pantalla =
        ComponentLoader::create(QStringLiteral("KESTA"), QStringLiteral("Pantalla"), error);
    if (!pantalla)
        return false;
    QObject *screenObject = pantalla->property("GetPantalla").value<QObject *>();
    auto *screen = qobject_cast<QWidget *>(screenObject);
    if (!screen) {
        if (error)
            *error = QStringLiteral("El componente KESTA no dio su pantalla.");
        return false;
    }
    if (!screen->setProperty("Padre", QVariant::fromValue<QObject *>(m_owner))) {
        if (error)
            *error = QStringLiteral("La pantalla no acepta su dueño (Padre).");
        return false;
    }

    // The screen reports a failed preparation through its loadFailed(QString) signal.
    const int signalIndex = screen->metaObject()->indexOfSignal("loadFailed(QString)");
    if (signalIndex >= 0) {
        const QMetaMethod loadFailed = screen->metaObject()->method(signalIndex);
        const int slotIndex = metaObject()->indexOfMethod("showLoadError(QString)");
        if (slotIndex >= 0)
            connect(screen, loadFailed, this, metaObject()->method(slotIndex),
                    Qt::QueuedConnection);
    }

    // And the notes of what its commands did through noteShown(QString,QString,int).
    const int noteIndex = screen->metaObject()->indexOfSignal("noteShown(QString,QString,int)");
    if (noteIndex >= 0) {
        const int slotIndex = metaObject()->indexOfMethod("showNote(QString,QString,int)");
        if (slotIndex >= 0)
            connect(screen, screen->metaObject()->method(noteIndex), this,
                    metaObject()->method(slotIndex));
    }

    m_screen = screen;
    // Below the screen's smallest size (its minimumSizeHint) the window scrolls it.
    auto *area = new QScrollArea(this);
    area->setObjectName(QStringLiteral("screenArea"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(screen);
    setCentralWidget(area);
    const QString title = screen->windowTitle();
    if (!title.isEmpty())
        setWindowTitle(QStringLiteral("Velkora - %1").arg(title));
    resize(screen->size().expandedTo(QSize(800, 600)));
    return true;
}

void MainWindow::showNote(const QString &text, const QString &id, int milliseconds)
{
    statusBar()->showMessage(text, milliseconds);
    statusBar()->setToolTip(QStringLiteral("KESTA · %1").arg(id));
}

void MainWindow::showLoadError(const QString &description)
{
    QMessageBox::critical(this, QStringLiteral("Velkora"),
                          QStringLiteral("No se pudo preparar la pantalla:\n%1").arg(description));
}

} // namespace velkora::app
