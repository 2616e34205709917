#include "DatabaseSetup.h"

#include "InstallLayout.h"

#include "host/RuntimeError.h"
#include "store/Database.h"
#include "store/SqlConnection.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QStandardPaths>

namespace velkora::app {

bool DatabaseSetup::isSqliteLocation(const QString &location)
{
    return !location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) &&
           !location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive) &&
           !location.startsWith(QLatin1String("odbc:"), Qt::CaseInsensitive);
}

DatabaseSetup::Result DatabaseSetup::open(const QString &connectionName, const QString &location,
                                          bool initialise)
{
    Result result;
    const bool sqlite = isSqliteLocation(location);
    if (sqlite) {
        QString path = location;
        if (path.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive))
            path = path.mid(7);
        const QFileInfo info(path);
        if (!QDir().mkpath(info.absolutePath()))
            throw kesta::host::RuntimeError(
                QStringLiteral("The folder %1 cannot be created.").arg(info.absolutePath()));
        result.sampleDir = info.absolutePath();
    } else {
        // The sample's file goes here only when --init creates the tables (the seed makes the
        // folder): a run on a server database leaves the user's folders as they are.
        result.sampleDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }

    store::openDatabase(connectionName, location);
    if (store::hasSchema(connectionName))
        return result;
    if (!sqlite && !initialise)
        throw kesta::host::RuntimeError(
            QStringLiteral("The database %1 has no load-format tables yet. Have the database "
                           "administrator run %2 on it, or start velkora with --init to "
                           "create them now.")
                .arg(store::displayLocation(location),
                     InstallLayout::schemaScript(
                         store::engineOf(QSqlDatabase::database(connectionName, false)) ==
                                 kesta::host::Engine::SqlServer
                             ? QStringLiteral("sqlserver")
                             : QStringLiteral("postgresql"))));
    store::createSchema(connectionName);
    store::seedSample(connectionName, result.sampleDir);
    result.created = true;
    return result;
}

} // namespace velkora::app
