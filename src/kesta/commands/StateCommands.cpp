#include "StateCommands.h"

#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"
#include "store/Statements.h"

#include <controls/TextBox.h>

namespace kesta::commands {

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

StateCommands::StateCommands(Parts parts) : m_parts(std::move(parts)) {}

void StateCommands::deactivate()
{
    try {
        host::ToolServices &tools = Publico::ToolServices();
        host::CoreServices &core = Publico::CoreServices();
        const QString key = m_parts.key->text();
        const QString stamp = tools.FormatDateTime(tools.CurrentDateTime());
        core.Connection()->BeginTrans();
        try {
            const host::Engine engine = core.Connection()->engine();
            const QString modifiedBy = core.CurrentOperator();
            Publico::Sql() = velkora::store::deactivateUpdate(
                engine, m_parts.key->text(), modifiedBy, stamp, core.CurrentOperator());
            core.Connection()->Execute(Publico::Sql());
            tools.LogAction(QStringLiteral("Layout"), m_parts.key->text(), QStringLiteral("Baja"));
            core.Connection()->CommitTrans();
        } catch (...) {
            rollBackQuietly();
            throw;
        }
        m_parts.cancel();
        m_parts.note(messages::formatDeactivated(key));
    } catch (const std::exception &error) {
        messages::show(m_parts.owner, messages::deactivationFailed(host::descriptionOf(error)));
    }
}

void StateCommands::reactivate()
{
    try {
        host::ToolServices &tools = Publico::ToolServices();
        host::CoreServices &core = Publico::CoreServices();
        const QString key = m_parts.key->text();
        core.Connection()->BeginTrans();
        try {
            const host::Engine engine = core.Connection()->engine();
            const QString modifiedBy = core.CurrentOperator();
            const QString stamp = tools.FormatDateTime(tools.CurrentDateTime());
            Publico::Sql() =
                velkora::store::reactivateUpdate(engine, m_parts.key->text(), modifiedBy, stamp);
            core.Connection()->Execute(Publico::Sql());
            tools.LogAction(QStringLiteral("Layout"), m_parts.key->text(),
                            QStringLiteral("Reactivación"));
            core.Connection()->CommitTrans();
        } catch (...) {
            rollBackQuietly();
            throw;
        }
        m_parts.cancel();
        tools.ClearScreen(m_parts.owner, 1);
        m_parts.note(messages::formatReactivated(key));
    } catch (const std::exception &error) {
        try {
            messages::show(m_parts.owner, messages::reactivationFailed(host::descriptionOf(error)));
        } catch (const std::exception &) {
            // From here on every further error is ignored.
        }
    }
}

} // namespace kesta::commands
