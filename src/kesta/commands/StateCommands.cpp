// The toolbar's Deactivate ("Baja") and Reactivate ("Reactivación"): one UPDATE of every Layout
// row of the shown key and one action record entry, in one transaction.

#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"
#include "screen/frmKESTA.h"
#include "store/Statements.h"

#include <controls/TextBox.h>

namespace kesta::screen {

namespace {

void rollBackQuietly()
{
    try {
        Publico::CoreServices().Connection()->RollbackTrans();
    } catch (const std::exception &) {
        // The command's own failure is what the user is told.
    }
}

} // namespace

void frmKESTA::Controles_Deactivate()
{
    try {
        host::ToolServices &tools = Publico::ToolServices();
        host::CoreServices &core = Publico::CoreServices();
        const QString key = txtClave->text();
        const QString stamp = tools.FormatDateTime(tools.CurrentDateTime());
        core.Connection()->BeginTrans();
        try {
            const host::Engine engine = core.Connection()->engine();
            const QString modifiedBy = core.CurrentOperator();
            Publico::Sql() = storage::deactivateUpdate(engine, txtClave->text(), modifiedBy, stamp,
                                                       core.CurrentOperator());
            core.Connection()->Execute(Publico::Sql());
            tools.LogAction(QStringLiteral("Layout"), txtClave->text(), QStringLiteral("Baja"));
            core.Connection()->CommitTrans();
        } catch (...) {
            rollBackQuietly();
            throw;
        }
        Controles_Cancel();
        showNote(messages::formatDeactivated(key));
    } catch (const std::exception &error) {
        messages::show(this, messages::deactivationFailed(host::descriptionOf(error)));
    }
}

void frmKESTA::Controles_Reactivate()
{
    try {
        host::ToolServices &tools = Publico::ToolServices();
        host::CoreServices &core = Publico::CoreServices();
        const QString key = txtClave->text();
        core.Connection()->BeginTrans();
        try {
            const host::Engine engine = core.Connection()->engine();
            const QString modifiedBy = core.CurrentOperator();
            const QString stamp = tools.FormatDateTime(tools.CurrentDateTime());
            Publico::Sql() = storage::reactivateUpdate(engine, txtClave->text(), modifiedBy, stamp);
            core.Connection()->Execute(Publico::Sql());
            tools.LogAction(QStringLiteral("Layout"), txtClave->text(),
                            QStringLiteral("Reactivación"));
            core.Connection()->CommitTrans();
        } catch (...) {
            rollBackQuietly();
            throw;
        }
        Controles_Cancel();
        tools.ClearScreen(this, 1);
        showNote(messages::formatReactivated(key));
    } catch (const std::exception &error) {
        try {
            messages::show(this, messages::reactivationFailed(host::descriptionOf(error)));
        } catch (const std::exception &) {
            // From here on every further error is ignored.
        }
    }
}

} // namespace kesta::screen
