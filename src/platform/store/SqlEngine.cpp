#include "SqlEngine.h"

#include <QSqlDriver>

namespace velkora::formats {

SqlEngine engineOf(const QSqlDatabase &db)
{
    const QString driver = db.driverName();
    if (driver.startsWith(QLatin1String("QPSQL")))
        return SqlEngine::PostgreSql;
    if (driver.startsWith(QLatin1String("QODBC"))) {
        // The engine the ODBC driver names (read by Qt when the connection opens).
        const QSqlDriver *odbc = db.driver();
        return odbc && odbc->dbmsType() == QSqlDriver::PostgreSQL ? SqlEngine::PostgreSql
                                                                  : SqlEngine::SqlServer;
    }
    return SqlEngine::Sqlite;
}

QString numericOrderExpression(SqlEngine engine, const QString &column)
{
    switch (engine) {
    case SqlEngine::PostgreSql:
        // A cast of a text that is not a number fails on PostgreSQL: only digits are cast.
        return QStringLiteral("CASE WHEN TRIM(%1) ~ '^[0-9]{1,18}$' THEN CAST(TRIM(%1) AS "
                              "BIGINT) END")
            .arg(column);
    case SqlEngine::SqlServer:
        return QStringLiteral("TRY_CAST(%1 AS BIGINT)").arg(column);
    case SqlEngine::Sqlite:
        break;
    }
    // SQLite casts any text (a text that is not a number gives 0).
    return QStringLiteral("CAST(%1 AS INTEGER)").arg(column);
}

} // namespace velkora::formats
