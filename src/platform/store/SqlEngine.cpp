#include "SqlEngine.h"

namespace velkora::store {

QString numericOrderExpression(Engine engine, const QString &column)
{
    switch (engine) {
    case Engine::PostgreSql:
        // A cast of a text that is not a number fails on PostgreSQL: only digits are cast.
        return QStringLiteral("CASE WHEN TRIM(%1) ~ '^[0-9]{1,18}$' THEN CAST(TRIM(%1) AS "
                              "BIGINT) END")
            .arg(column);
    case Engine::SqlServer:
        return QStringLiteral("TRY_CAST(%1 AS BIGINT)").arg(column);
    case Engine::Sqlite:
        break;
    }
    // SQLite casts any text (a text that is not a number gives 0).
    return QStringLiteral("CAST(%1 AS INTEGER)").arg(column);
}

} // namespace velkora::store
