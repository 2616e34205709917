#pragma once

#include <QString>

namespace kesta::test {

// How an ODBC connection string names PostgreSQL's ODBC driver (Debian's odbc-postgresql,
// Unicode build): "{PostgreSQL Unicode}" (or whichever name odbcinst.ini registers it under),
// else the path of psqlodbcw.so as the package lists it. Raises kesta::host::RuntimeError
// saying what to install when Qt's ODBC driver or the PostgreSQL ODBC driver is missing.
QString postgresOdbcDriver();

} // namespace kesta::test
