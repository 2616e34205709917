#pragma once

#include <QSqlDatabase>
#include <QString>

namespace velkora::formats {

// The database engines whose SQL differs in the library's statements and scripts.
enum class SqlEngine { Sqlite, PostgreSql, SqlServer };

// The engine of a Qt SQL connection, from its driver name (QSQLITE, QPSQL, QODBC); behind QODBC,
// PostgreSQL when the ODBC driver names it, else SQL Server. Any other driver is read as
// SQLite, whose SQL is the plainest. (services::engineOf gives the same answer in the
// component's own enum.)
SqlEngine engineOf(const QSqlDatabase &db);

// An expression that orders a text column by its number: "0010" before "0100" and "1010"
// before "10000". Values that are not whole numbers sort apart (after them, or before them
// on SQL Server, which puts NULL first); the caller adds the column itself as a tie-breaker.
QString numericOrderExpression(SqlEngine engine, const QString &column);

} // namespace velkora::formats
