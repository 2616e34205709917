#include "DataLookups.h"

#include "store/DateTexts.h"
#include "store/SqlConnection.h"
#include "store/SqlSupport.h"
#include "host/RuntimeError.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <limits>

using kesta::host::RuntimeError;

namespace velkora::services {

QString lookupValue(const QString &connectionName, const QString &table, const QString &keyColumn,
                    const QString &key, const QString &wantedColumn)
{
    store::checkIdentifier(table, QStringLiteral("table"));
    store::checkIdentifier(keyColumn, QStringLiteral("key column"));
    store::checkIdentifier(wantedColumn, QStringLiteral("column"));
    QSqlQuery query(store::openedDatabase(connectionName));
    query.setForwardOnly(true);
    store::prepare(
        query,
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(wantedColumn, table, keyColumn));
    query.addBindValue(key);
    store::execute(query, QStringLiteral("Looking up %1 in %2").arg(wantedColumn, table));
    if (!query.next())
        return {};
    const QVariant value = query.value(0);
    return value.isNull() ? QString() : value.toString();
}

qlonglong nextKey(const QString &connectionName, const QString &table, const QString &keyColumn)
{
    store::checkIdentifier(table, QStringLiteral("table"));
    store::checkIdentifier(keyColumn, QStringLiteral("key column"));
    QSqlQuery query(store::openedDatabase(connectionName));
    query.setForwardOnly(true);
    store::prepare(query, QStringLiteral("SELECT DISTINCT %1 FROM %2").arg(keyColumn, table));
    store::execute(query, QStringLiteral("Reading the keys of %1").arg(table));
    qlonglong largest = 0;
    while (query.next()) {
        const QVariant value = query.value(0);
        if (value.isNull())
            continue;
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            continue;
        bool digits = true;
        for (const QChar c : text)
            digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!digits)
            continue;
        bool ok = false;
        const qlonglong number = text.toLongLong(&ok);
        if (!ok)
            throw RuntimeError(QStringLiteral("The key '%1' of %2 is too large for an automatic "
                                              "key.")
                                   .arg(text, table));
        largest = std::max(largest, number);
    }
    if (largest == std::numeric_limits<qlonglong>::max())
        throw RuntimeError(QStringLiteral("The keys of %1 have no next number.").arg(table));
    return largest + 1;
}

void logAction(const QString &connectionName, const QString &table, const QString &key,
               const QString &action, const QString &operatorCode, const QDateTime &stamp)
{
    store::checkIdentifier(table, QStringLiteral("table"));
    if (action.trimmed().isEmpty())
        throw RuntimeError(QStringLiteral("An action record entry needs an action word."));
    QSqlDatabase db = store::openedDatabase(connectionName);
    QSqlQuery query(db);
    store::prepare(query,
                   QStringLiteral("INSERT INTO Velkora_Bitacora (Bi_Tabla, Bi_Clave, Bi_Accion, "
                                  "Bi_Operador, Bi_Fecha) VALUES (?, ?, ?, ?, ?)"));
    query.addBindValue(table);
    query.addBindValue(key.isNull() ? QStringLiteral("") : key);
    query.addBindValue(action);
    query.addBindValue(operatorCode);
    query.addBindValue(store::stampText(store::engineOf(db), stamp));
    store::execute(query, QStringLiteral("Writing the action record"));
}

RecordRows recordsWithKey(const QString &connectionName, const QString &table,
                          const QString &keyColumn, const QString &key)
{
    store::checkIdentifier(table, QStringLiteral("table"));
    store::checkIdentifier(keyColumn, QStringLiteral("key column"));
    QSqlQuery query(store::openedDatabase(connectionName));
    query.setForwardOnly(true);
    store::prepare(query, QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(table, keyColumn));
    query.addBindValue(key);
    store::execute(query, QStringLiteral("Reading %1").arg(table));
    RecordRows result;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        result.columns << record.fieldName(i);
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < record.count(); ++i)
            row << query.value(i);
        result.rows << row;
    }
    return result;
}

QList<ActionEntry> actionHistory(const QString &connectionName, const QString &table,
                                 const QString &key)
{
    QSqlQuery query(store::openedDatabase(connectionName));
    query.setForwardOnly(true);
    store::prepare(query,
                   QStringLiteral("SELECT Bi_Fecha, Bi_Accion, Bi_Operador FROM Velkora_Bitacora "
                                  "WHERE Bi_Tabla = ? AND Bi_Clave = ? ORDER BY Bi_Fecha, Bi_ID"));
    query.addBindValue(table);
    query.addBindValue(key);
    store::execute(query, QStringLiteral("Reading the action record of %1").arg(table));
    QList<ActionEntry> entries;
    while (query.next()) {
        const QVariant stamp = query.value(0);
        entries << ActionEntry{
            stamp.typeId() == QMetaType::QDateTime
                ? stamp.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                : stamp.toString(),
            query.value(1).toString(), query.value(2).toString()};
    }
    return entries;
}

} // namespace velkora::services
