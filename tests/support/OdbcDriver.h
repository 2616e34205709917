#pragma once

#include <QString>

namespace kesta::test {

// PostgreSQL's ODBC driver (Debian's odbc-postgresql, Unicode build) as an ODBC connection string
// names it: the path of its library. Raises kesta::host::RuntimeError saying what to install when
// Qt's ODBC driver or the PostgreSQL ODBC driver is missing.
QString postgresOdbcDriver();

} // namespace kesta::test
