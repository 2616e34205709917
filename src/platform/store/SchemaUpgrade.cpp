#include "SchemaUpgrade.h"

#include "Database.h"
#include "SqlConnection.h"
#include "SqlScript.h"
#include "SqlSupport.h"
#include "host/RuntimeError.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

using kesta::host::RuntimeError;

namespace velkora::store {

bool hasRulesTable(const QString &connectionName)
{
    return hasTable(openedDatabase(connectionName), QStringLiteral("Layout_Regla"));
}

QString upgradeSchema(const QString &connectionName)
{
    QSqlDatabase db = openedDatabase(connectionName);
    if (!hasSchema(connectionName))
        throw RuntimeError(QStringLiteral("The database has no load-format tables to upgrade: "
                                          "create them with --init."));
    if (hasTable(db, QStringLiteral("Layout_Regla")))
        return {};
    // The table as the engine's own schema script creates it.
    const QString resource = schemaResource(engineOf(db));
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError(QStringLiteral("The schema script %1 is missing from the services "
                                          "library.")
                               .arg(resource));
    QString create;
    for (const QString &statement : splitSqlScript(QString::fromUtf8(file.readAll())))
        if (statement.trimmed().startsWith(QLatin1String("CREATE TABLE Layout_Regla"),
                                           Qt::CaseInsensitive))
            create = statement;
    if (create.isEmpty())
        throw RuntimeError(
            QStringLiteral("The schema script %1 has no table Layout_Regla.").arg(resource));
    if (!db.transaction())
        throw RuntimeError(QStringLiteral("Could not begin the upgrade transaction: %1")
                               .arg(sqlErrorText(db.lastError())));
    QSqlQuery query(db);
    if (!query.exec(create)) {
        const QString text = sqlErrorText(query.lastError());
        query.finish();
        db.rollback();
        throw RuntimeError(QStringLiteral("Adding the table Layout_Regla failed: %1").arg(text));
    }
    if (!db.commit())
        throw RuntimeError(
            QStringLiteral("Could not commit the upgrade: %1").arg(sqlErrorText(db.lastError())));
    return QStringLiteral("added the table Layout_Regla (the rules of the load formats)");
}

} // namespace velkora::store
