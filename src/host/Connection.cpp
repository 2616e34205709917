#include "Connection.h"

namespace kesta::host {

QString engineName(Engine engine)
{
    switch (engine) {
    case Engine::SqlServer:
        return QStringLiteral("SQL Server");
    case Engine::PostgreSql:
        return QStringLiteral("PostgreSQL");
    case Engine::Sqlite:
        return QStringLiteral("SQLite");
    }
    return {};
}

} // namespace kesta::host
