#include "commands/UnsavedEdit.h"
#include "screen/frmKESTA.h"

#include "host/RuntimeError.h"

#include <QMetaObject>

namespace kesta::screen {

// Exit asks for the owner to be unloaded; ending the screen is the owner's business. The
// request is queued so that the toolbar's command returns before the owner (and with it the
// screen and the toolbar) goes away. An owner that offers Unload() unloads itself; any other
// owner object is deleted.
//
// An edit of the load format that has changes ends only when the user says so (7500045): No
// keeps the screen as it is.
void frmKESTA::Controles_Exit()
{
    QObject *owner = Padre();
    if (!owner)
        throw host::RuntimeError(
            QStringLiteral("The screen has no owner to unload (Padre is empty)."));
    settleCellEditors();
    if (!m_unsavedEdit->mayDiscard())
        return;
    if (owner->metaObject()->indexOfMethod("Unload()") >= 0)
        QMetaObject::invokeMethod(owner, "Unload", Qt::QueuedConnection);
    else
        owner->deleteLater();
}

} // namespace kesta::screen
