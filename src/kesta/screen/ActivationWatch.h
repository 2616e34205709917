#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace kesta::screen {

// Tells when the screen becomes the active window coming from elsewhere: from another window
// (of the host or the screen's own non-modal windows) or from another application.
//
// The return from a modal dialog shown over the screen's window (the screen's message boxes,
// its questions, a file chooser) is no such activation: the user never left the screen. The
// window manager may hand the activation back after the dialog closes, late or more than once;
// every activation counts as that return until another window, not modal over the screen's
// window, becomes active or the application goes inactive.
//
// Dialogs are recognised by what they do to the screen's window (it is blocked while they are
// shown), not by their parent: the host's services show the screen's messages over the host's
// window that holds the screen.
class ActivationWatch : public QObject {
    Q_OBJECT
public:
    explicit ActivationWatch(QWidget *screen);
    ~ActivationWatch() override;

signals:
    void activated();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applicationStateChanged(Qt::ApplicationState state);

    QPointer<QWidget> m_screen;
    bool m_active = false;    // the screen's window is the active window
    bool m_blocked = false;   // a modal dialog is shown over the screen's window
    bool m_returning = false; // activations now are returns from a modal dialog
};

} // namespace kesta::screen
