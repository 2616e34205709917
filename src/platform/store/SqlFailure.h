#pragma once

#include "host/Connection.h"

#include <QList>
#include <QString>

class QSqlError;

namespace velkora::store {

// One diagnostic record of a failed ODBC call: its SQLSTATE ("23000"), the database's own error
// number ("2627") and its text.
struct Diagnostic {
    QString sqlState;
    QString nativeCode;
    QString text;
};

// What a failure says about its cause.
enum class FailureKind {
    Other,
    // The write collided with another connection's: a serialization failure, a deadlock, a key
    // written meanwhile, a database locked by another writer. Trying again may succeed.
    Conflict,
    // The connection itself is gone (the server ended it, the network failed).
    LostConnection,
};

// Tells a failure apart by the codes its driver gives:
// - QSQLITE: SQLite's result code (busy and locked, primary key and unique constraint);
// - QPSQL: the SQLSTATE (40001, 40P01, 23505; class 08 and 57P01-57P03), and libpq's own words
//   for a connection it lost, which come without one;
// - QODBC: every diagnostic record the driver gave (a statement on SQL Server gives several, the
//   last often 3621 "The statement has been terminated"): the SQLSTATE of each, and on SQL Server
//   its error number (1205 deadlock, 2627 and 2601 duplicate key). Without records, the error's
//   native codes (one, or several joined by ';').
FailureKind classifyFailure(const QString &driverName, kesta::host::Engine engine,
                            const QSqlError &error, const QList<Diagnostic> &diagnostics = {});

} // namespace velkora::store
