#include "OdbcDriver.h"

#include "host/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>

using namespace Qt::StringLiterals;

namespace kesta::test {

namespace {

const QString Library = u"psqlodbcw.so"_s;

// The name under which odbcinst.ini registers the library, if it does.
QString registeredName()
{
    const QString folder = qEnvironmentVariable("ODBCSYSINI", u"/etc"_s);
    QFile ini(folder + u"/odbcinst.ini"_s);
    if (!ini.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QString section;
    for (const QString &raw : QString::fromLocal8Bit(ini.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed();
        } else if (!section.isEmpty() && line.section(u'=', 0, 0).trimmed() == "Driver"_L1 &&
                   QFileInfo(line.section(u'=', 1).trimmed()).fileName() == Library) {
            return section;
        }
    }
    return {};
}

// The library's path as the Debian package odbc-postgresql lists it.
QString packagedLibrary()
{
    QProcess dpkg;
    dpkg.start(u"dpkg"_s, {u"-L"_s, u"odbc-postgresql"_s});
    if (!dpkg.waitForFinished(30000) || dpkg.exitCode() != 0)
        return {};
    for (const QString &path : QString::fromLocal8Bit(dpkg.readAllStandardOutput()).split(u'\n'))
        if (QFileInfo(path.trimmed()).fileName() == Library && QFileInfo::exists(path.trimmed()))
            return path.trimmed();
    return {};
}

} // namespace

QString postgresOdbcDriver()
{
    if (!QSqlDatabase::isDriverAvailable(u"QODBC"_s))
        throw host::RuntimeError(u"the Qt SQL driver QODBC is not installed (libqt6sql6-odbc)."_s);
    if (const QString name = registeredName(); !name.isEmpty())
        return u'{' + name + u'}';
    if (const QString path = packagedLibrary(); !path.isEmpty())
        return path;
    throw host::RuntimeError(u"the PostgreSQL ODBC driver is not installed: install the Debian "
                             "package odbc-postgresql (scripts/install-deps.sh does)."_s);
}

} // namespace kesta::test
