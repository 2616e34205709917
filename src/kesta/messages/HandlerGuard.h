#pragma once

#include "Messages.h"
#include "host/RuntimeError.h"

#include <QObject>
#include <QString>
#include <QWidget>
#include <QtGlobal>
#include <exception>
#include <utility>

namespace kesta::messages {

// Handlers run from Qt signals and events must never let an error reach Qt's event loop.
// A handler without an error trap of its own is run through guardHandler: an error it raises
// ends it where it failed (the steps already done stay done) and is shown to the user as
// "<handler>\r\n<description>" (message 7500029: style 16, title "Velkora", the screen as owner,
// module "KESTA"). When even the message cannot be shown, the error is logged.
inline void reportHandlerError(QWidget *owner, const QString &handler,
                               const QString &description) noexcept
{
    try {
        show(owner, handlerFailed(handler, description));
    } catch (const host::RuntimeError &e) {
        qWarning("%s: %s (and the message could not be shown: %s)", qUtf8Printable(handler),
                 qUtf8Printable(description), qUtf8Printable(e.description()));
    } catch (const std::exception &e) {
        qWarning("%s: %s (and the message could not be shown: %s)", qUtf8Printable(handler),
                 qUtf8Printable(description), e.what());
    } catch (...) {
        qWarning("%s: %s (and the message could not be shown)", qUtf8Printable(handler),
                 qUtf8Printable(description));
    }
}

// Runs handler; returns false when it raised an error (already reported).
template <typename Handler>
bool guardHandler(QWidget *owner, const QString &name, Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (const host::RuntimeError &e) {
        reportHandlerError(owner, name, e.description());
    } catch (const std::exception &e) {
        reportHandlerError(owner, name, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportHandlerError(owner, name, QStringLiteral("Unknown error"));
    }
    return false;
}

// A typed connection whose receiver runs the handler (which takes no arguments) through
// guardHandler. The connection ends with the owner.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection connectGuarded(Sender *sender, Signal signal, QWidget *owner,
                                       const QString &name, Handler handler)
{
    return QObject::connect(sender, signal, owner,
                            [owner, name, handler] { guardHandler(owner, name, handler); });
}

} // namespace kesta::messages
