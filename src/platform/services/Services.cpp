#include "Services.h"

#include "CoreServicesImpl.h"
#include "store/Database.h"
#include "ToolServicesImpl.h"

#include <QSqlDatabase>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace velkora::services {

QString configuredDatabaseLocation()
{
    const QString location = qEnvironmentVariable("VELKORA_DATABASE").trimmed();
    return location.isEmpty() ? store::defaultDatabaseLocation() : location;
}

QString configuredOperator()
{
    QString code = qEnvironmentVariable("VELKORA_OPERATOR").trimmed();
    for (const char *name : {"USER", "LOGNAME", "USERNAME"}) {
        if (!code.isEmpty())
            break;
        code = qEnvironmentVariable(name).trimmed();
    }
#ifdef Q_OS_UNIX
    if (code.isEmpty()) {
        if (const passwd *pw = ::getpwuid(::geteuid()))
            code = QString::fromLocal8Bit(pw->pw_name);
    }
#endif
    return code.isEmpty() ? QStringLiteral("VELKORA") : code;
}

std::unique_ptr<kesta::host::CoreServices> createCoreServices()
{
    const QString name = QString::fromLatin1(store::DefaultConnectionName);
    if (!QSqlDatabase::database(name, false).isOpen())
        store::openDatabase(name, configuredDatabaseLocation());
    return std::make_unique<CoreServicesImpl>(name, configuredOperator());
}

std::unique_ptr<kesta::host::ToolServices> createToolServices()
{
    return std::make_unique<ToolServicesImpl>(QString::fromLatin1(store::DefaultConnectionName),
                                              configuredOperator());
}

} // namespace velkora::services
