#pragma once

#include <QString>

namespace velkora::store {

// Brings a database made by an older Velkora up to the current schema, adding only what is
// missing (today the table of rules, Layout_Regla) exactly as the engine's schema script
// creates it, in one transaction; nothing else is touched. Returns what was done, in plain
// words ("" when nothing was missing). Raises kesta::host::RuntimeError with a clear text when
// the database has no load-format tables at all, or a statement fails.
QString upgradeSchema(const QString &connectionName);

// Whether the connection's database has the table of rules.
bool hasRulesTable(const QString &connectionName);

} // namespace velkora::store
