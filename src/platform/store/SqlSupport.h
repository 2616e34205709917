#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

namespace velkora::store {

// Small helpers of the services' own statements. Every failure raises
// kesta::host::RuntimeError with the database's text.

// The settings a session of the engine needs, run on a connection just opened (also when it is
// opened again after it was lost).
void prepareSession(QSqlDatabase &db);
// The named connection, which must exist; one that was closed when it was lost is opened again.
QSqlDatabase openedDatabase(const QString &connectionName);
// The database's own text of an error, else Qt's.
QString sqlErrorText(const QSqlError &error);
void prepare(QSqlQuery &query, const QString &statement);
// Runs a prepared query; `what` opens the error text ("Reading the setting X: ...").
void execute(QSqlQuery &query, const QString &what);

// A table's name as the database stores it ("Layout_Detalle" on SQL Server, "layout_detalle" on
// PostgreSQL, which folds unquoted names; without an "owner." before it), matched without
// regard to case; empty when the database has no such table.
QString storedTableName(const QSqlDatabase &db, const QString &name);
bool hasTable(const QSqlDatabase &db, const QString &name);

// Table and column names that go into statement text: letters, digits and underscores, not
// starting with a digit, at most 128 characters. Anything else raises RuntimeError naming
// the role ("table", "key column", ...) and the refused text.
void checkIdentifier(const QString &name, const QString &role);

} // namespace velkora::store
