#include "Publico.h"

#include "RuntimeError.h"

namespace kesta::Publico {
namespace {
struct State {
    CoreFactory coreFactory;
    ToolFactory toolFactory;
    std::unique_ptr<host::CoreServices> core;
    std::unique_ptr<host::ToolServices> tool;
    QString sql;
};
State &state()
{
    static State s;
    return s;
}
} // namespace

void setServicesFactories(CoreFactory core, ToolFactory tool)
{
    state().coreFactory = std::move(core);
    state().toolFactory = std::move(tool);
}

bool hasServicesFactories() { return state().coreFactory && state().toolFactory; }

void StartUp()
{
    State &s = state();
    if (s.core && s.tool)
        return;
    if (!s.coreFactory || !s.toolFactory)
        throw host::RuntimeError(QStringLiteral("The host's services library is not available."));
    if (!s.core)
        s.core = s.coreFactory();
    if (!s.tool)
        s.tool = s.toolFactory();
}

bool started() { return state().core && state().tool; }

host::CoreServices &CoreServices()
{
    StartUp();
    return *state().core;
}

host::ToolServices &ToolServices()
{
    StartUp();
    return *state().tool;
}

QString &Sql() { return state().sql; }

void resetForTests()
{
    State &s = state();
    s.tool.reset();
    s.core.reset();
    s.coreFactory = {};
    s.toolFactory = {};
    s.sql.clear();
}

} // namespace kesta::Publico
