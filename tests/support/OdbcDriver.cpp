#include "OdbcDriver.h"

#include "host/RuntimeError.h"

#include <QDir>
#include <QSqlDatabase>

using namespace Qt::StringLiterals;

namespace kesta::test {

QString postgresOdbcDriver()
{
    if (!QSqlDatabase::isDriverAvailable(u"QODBC"_s))
        throw host::RuntimeError(u"the Qt SQL driver QODBC is not installed (libqt6sql6-odbc)."_s);
    // In the architecture's library folder: /usr/lib/<triplet>/odbc/psqlodbcw.so.
    const QDir lib(u"/usr/lib"_s);
    for (const QString &folder : lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (const QString path = lib.filePath(folder + u"/odbc/psqlodbcw.so"_s);
            QFileInfo::exists(path))
            return path;
    throw host::RuntimeError(u"the PostgreSQL ODBC driver is not installed: install the Debian "
                             "package odbc-postgresql (scripts/install-deps.sh does)."_s);
}

} // namespace kesta::test
