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

bool Dialect::doubleQuotedValor() const
{
    return engine == Engine::SqlServer;
}

bool Dialect::escapeStringForBackslash() const
{
    return engine == Engine::PostgreSql;
}

} // namespace kesta::storage
