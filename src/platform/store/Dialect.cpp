#include "Dialect.h"

namespace kesta::storage {

using host::Engine;

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

QString Dialect::formatLockHints() const
{
    return engine == Engine::SqlServer ? QStringLiteral(" WITH (XLOCK, HOLDLOCK)") : QString();
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

} // namespace kesta::storage
