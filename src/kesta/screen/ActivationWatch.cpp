#include "ActivationWatch.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace kesta::screen {

ActivationWatch::ActivationWatch(QWidget *screen) : QObject(screen), m_screen(screen)
{
    setObjectName(QStringLiteral("activationWatch"));
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &ActivationWatch::applicationStateChanged);
}

ActivationWatch::~ActivationWatch()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void ActivationWatch::applicationStateChanged(Qt::ApplicationState state)
{
    // Another application took the activation (not while a dialog is shown over the screen).
    if (state != Qt::ApplicationActive && !m_blocked)
        m_returning = false;
}

bool ActivationWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_screen || !watched->isWidgetType())
        return false;
    const auto *widget = static_cast<QWidget *>(watched);
    const QWidget *window = m_screen->window();
    switch (event->type()) {
    case QEvent::WindowBlocked:
        if (widget == window) {
            m_blocked = true;
            m_returning = true;
        }
        break;
    case QEvent::WindowUnblocked:
        if (widget == window)
            m_blocked = false;
        break;
    case QEvent::WindowActivate:
        if (widget == m_screen) {
            // The host's window passes its activation on to the screen it holds.
            if (!m_active) {
                m_active = true;
                if (!m_returning)
                    emit activated();
            }
        } else if (widget->isWindow() && widget != window && !m_blocked) {
            // Another window, not a dialog over the screen's window: the user went elsewhere.
            m_returning = false;
        }
        break;
    case QEvent::WindowDeactivate:
        if (widget == m_screen)
            m_active = false;
        break;
    default:
        break;
    }
    return false;
}

} // namespace kesta::screen
