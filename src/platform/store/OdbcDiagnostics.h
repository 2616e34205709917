#pragma once

#include "SqlFailure.h"

#include <QList>

class QSqlDatabase;
class QSqlQuery;

namespace velkora::store {

// Every diagnostic record that the ODBC driver left on a failed query (its statement handle)
// or on a failed commit, rollback or begin (its connection handle), read before anything else
// runs on that handle. Qt's ODBC driver keeps only the records' texts and the last record's
// native code, without the SQLSTATEs. Empty for the other drivers, for a handle without
// records, and when no ODBC driver manager is loaded.
QList<Diagnostic> odbcDiagnostics(const QSqlDatabase &db, const QSqlQuery &query);
QList<Diagnostic> odbcDiagnostics(const QSqlDatabase &db);

} // namespace velkora::store
