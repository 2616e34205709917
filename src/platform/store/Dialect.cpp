#include "Dialect.h"

namespace velkora::store {

using kesta::host::Engine;

QString Dialect::deleteVerb() const
{
    return engine == Engine::SqlServer ? QStringLiteral("DELETE ") : QStringLiteral("DELETE FROM ");
}

bool Dialect::usesQuotedIdentifierSetting() const
{
    return engine == Engine::SqlServer;
}

bool Dialect::unicodeTexts() const
{
    return engine == Engine::SqlServer;
}

bool Dialect::quotedDecimals() const
{
    return engine == Engine::Sqlite;
}

QString Dialect::lengthFunction() const
{
    return engine == Engine::SqlServer ? QStringLiteral("LEN") : QStringLiteral("LENGTH");
}

QString Dialect::newKeyLock() const
{
    return engine == Engine::PostgreSql
               ? QStringLiteral("LOCK TABLE Layout IN SHARE UPDATE EXCLUSIVE MODE")
               : QString();
}

QString Dialect::newKeyLookupHints() const
{
    return engine == Engine::SqlServer ? QStringLiteral(" WITH (UPDLOCK, HOLDLOCK)") : QString();
}

QString Dialect::formatLock(const QString &keyLiteral) const
{
    if (engine != Engine::SqlServer)
        return {};
    return QStringLiteral("SELECT Ly_Cve_Layout FROM Layout WITH (XLOCK, HOLDLOCK) "
                          "WHERE Ly_Cve_Layout = ") +
           keyLiteral;
}

QString Dialect::readIsolation() const
{
    switch (engine) {
    case Engine::SqlServer:
        return QStringLiteral("SET TRANSACTION ISOLATION LEVEL SERIALIZABLE");
    case Engine::PostgreSql:
        return QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ");
    case Engine::Sqlite:
        break;
    }
    return {};
}

bool Dialect::escapeStringForBackslash() const
{
    return engine == Engine::PostgreSql;
}

} // namespace velkora::store
