#pragma once

#include "host/Connection.h"

#include <QString>
#include <QStringList>

namespace velkora::store {

// The resource path of an engine's schema script (":/db/sqlite.sql" and so on).
QString schemaResource(kesta::host::Engine engine);

// Splits an SQL script into its statements: at ';' and at lines holding only "GO", but never
// inside a quoted literal ('...', "...", [...]) or a comment (-- to the end of the line,
// /* ... */). Comments are dropped; blank statements are skipped.
QStringList splitSqlScript(const QString &script);

} // namespace velkora::store
