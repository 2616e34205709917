#pragma once

#include <QMainWindow>
#include <QPointer>

namespace velkora::app {

class OwnerForm;

// The host's main window: loads the KESTA component, asks it for its screen, hands the
// screen its owner and shows it. The screen's Exit unloads the owner, which closes the window.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

    // Loads the component and shows its screen inside the window. Returns false with a
    // description when the component cannot be loaded or its screen cannot be prepared.
    bool openScreen(QString *error);

    QWidget *screen() const { return m_screen; }
    OwnerForm *owner() const { return m_owner; }

private slots:
    void showLoadError(const QString &description);
    // What a command of the screen did, in the status bar for a while.
    void showNote(const QString &text, const QString &id, int milliseconds);

private:
    QPointer<QWidget> m_screen;
    OwnerForm *m_owner = nullptr;
};

} // namespace velkora::app
