#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace velkora::services {

// The reads and the one write of ToolServices that go to the database. Table and column names
// are checked as plain identifiers (checkIdentifier); values are bound, never pasted. Every
// failure raises kesta::host::RuntimeError.

// The wanted column of the first row whose key column equals key, as text; empty text when
// there is no such row or the value is NULL.
QString lookupValue(const QString &connectionName, const QString &table, const QString &keyColumn,
                    const QString &key, const QString &wantedColumn);

// The next numeric key of a table: the largest key that is a whole number (digits only, blanks
// around allowed: "0012" counts as 12, "A1" and "-3" do not count) plus 1; 1 when there is none.
qlonglong nextKey(const QString &connectionName, const QString &table, const QString &keyColumn);

// One entry of the action record Velkora_Bitacora (table, key, action word, operator, stamp),
// on the connection as it stands, so inside the caller's open transaction.
void logAction(const QString &connectionName, const QString &table, const QString &key,
               const QString &action, const QString &operatorCode, const QDateTime &stamp);

// Every row of a table whose key column equals key, all columns, in the table's column order.
struct RecordRows {
    QStringList columns;
    QList<QVariantList> rows;
};
RecordRows recordsWithKey(const QString &connectionName, const QString &table,
                          const QString &keyColumn, const QString &key);

// The entries of the action record Velkora_Bitacora for a table's key, oldest first: the
// stamp as text (YYYY-MM-DD HH:MM:SS), the action word and the operator.
struct ActionEntry {
    QString stamp;
    QString action;
    QString operatorCode;
};
QList<ActionEntry> actionHistory(const QString &connectionName, const QString &table,
                                 const QString &key);

} // namespace velkora::services
