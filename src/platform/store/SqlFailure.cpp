#include "SqlFailure.h"

#include <QSqlError>

using kesta::host::Engine;

namespace velkora::store {

namespace {

bool isConflictState(const QString &state)
{
    // Serialization failure (a deadlock victim on SQL Server too), PostgreSQL's deadlock and
    // unique violation. SQL Server gives 23000 to every integrity failure (a NULL or a foreign
    // key as well), so its duplicate keys are told by their numbers.
    return state == QLatin1String("40001") || state == QLatin1String("40P01") ||
           state == QLatin1String("23505");
}

bool isLostConnectionState(const QString &state)
{
    return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") ||
           state == QLatin1String("57P02") || state == QLatin1String("57P03");
}

bool isSqlServerConflictNumber(const QString &code)
{
    return code == QLatin1String("1205") || code == QLatin1String("2627") ||
           code == QLatin1String("2601");
}

// libpq reports a connection it lost without an SQLSTATE; these are its words for it (and the
// ODBC drivers' own, when they give no record).
bool saysConnectionLost(const QString &text)
{
    for (const char *words :
         {"server closed the connection", "no connection to the server", "terminating connection",
          "Communication link failure", "connection has been lost", "connection lost"}) {
        if (text.contains(QLatin1String(words), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

FailureKind classifySqlite(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().trimmed().toInt(&ok);
    if (!ok)
        return FailureKind::Other;
    // SQLITE_BUSY and SQLITE_LOCKED with their extended codes; SQLITE_CONSTRAINT_PRIMARYKEY and
    // SQLITE_CONSTRAINT_UNIQUE.
    const int primary = code & 0xff;
    if (primary == 5 || primary == 6 || code == 1555 || code == 2067)
        return FailureKind::Conflict;
    return FailureKind::Other;
}

FailureKind classifyPostgres(const QSqlError &error)
{
    const QString state = error.nativeErrorCode().trimmed();
    if (isLostConnectionState(state) || saysConnectionLost(error.text()))
        return FailureKind::LostConnection;
    return isConflictState(state) ? FailureKind::Conflict : FailureKind::Other;
}

FailureKind classifyOdbc(Engine engine, const QSqlError &error,
                         const QList<Diagnostic> &diagnostics)
{
    bool conflict = false;
    for (const Diagnostic &d : diagnostics) {
        const QString state = d.sqlState.trimmed().toUpper();
        if (isLostConnectionState(state))
            return FailureKind::LostConnection;
        conflict =
            conflict || isConflictState(state) ||
            (engine == Engine::SqlServer && isSqlServerConflictNumber(d.nativeCode.trimmed()));
    }
    if (diagnostics.isEmpty()) {
        if (saysConnectionLost(error.text()))
            return FailureKind::LostConnection;
        const QStringList codes = error.nativeErrorCode().split(QLatin1Char(';'));
        for (const QString &code : codes)
            conflict = conflict ||
                       (engine == Engine::SqlServer && isSqlServerConflictNumber(code.trimmed()));
    }
    return conflict ? FailureKind::Conflict : FailureKind::Other;
}

} // namespace

FailureKind classifyFailure(const QString &driverName, Engine engine, const QSqlError &error,
                            const QList<Diagnostic> &diagnostics)
{
    if (driverName.startsWith(QLatin1String("QODBC")))
        return classifyOdbc(engine, error, diagnostics);
    if (driverName.startsWith(QLatin1String("QPSQL")))
        return classifyPostgres(error);
    if (driverName.startsWith(QLatin1String("QSQLITE")))
        return classifySqlite(error);
    return FailureKind::Other;
}

} // namespace velkora::store
