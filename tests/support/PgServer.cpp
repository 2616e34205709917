#include "PgServer.h"

#include "OdbcDriver.h"
#include "host/RuntimeError.h"

#include <QDir>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using kesta::host::RuntimeError;

namespace kesta::test {

namespace {

const QString AdminConnection = u"kesta_pg_admin"_s;

// Debian registers PostgreSQL's ODBC driver with its communication log on (CommLog=1 in
// odbcinst.ini, which a connection string cannot switch off): each process that used it leaves
// /tmp/psqlodbc_<program>_<user><pid>.log. This process's go with its server.
void removeOdbcLogs()
{
    const passwd *user = ::getpwuid(::geteuid());
    if (!user)
        return;
    const std::string ending =
        "_" + std::string(user->pw_name) + std::to_string(::getpid()) + ".log";
    std::error_code error;
    for (std::filesystem::directory_iterator it("/tmp", error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("psqlodbc_", 0) == 0 && name.size() > ending.size() &&
            name.compare(name.size() - ending.size(), ending.size(), ending) == 0) {
            std::error_code ignored;
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

// pg-fixture.sh run on a folder ("start" or "stop"); what it said.
QString runFixtureScript(const QString &command, const QString &folder)
{
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(u"sh"_s, {QStringLiteral(KESTA_SOURCE_DIR "/tests/support/pg-fixture.sh"), command,
                           folder});
    if (!script.waitForFinished(180000))
        return u"pg-fixture.sh: "_s + script.errorString();
    return QString::fromLocal8Bit(script.readAll()).trimmed();
}

// This process's own server's folder, as plain data: the exit handler may run after Qt is gone.
std::string g_folder;

void stopOwnServer()
{
    if (!g_folder.empty()) {
        const std::string stop = "sh '" KESTA_SOURCE_DIR "/tests/support/pg-fixture.sh' stop '" +
                                 g_folder + "' >/dev/null 2>&1";
        if (std::system(stop.c_str()) != 0)
            std::fprintf(stderr, "PgServer: the server in %s did not stop\n", g_folder.c_str());
    }
    removeOdbcLogs();
}

} // namespace

PgServer &PgServer::instance()
{
    static PgServer server;
    return server;
}

QString PgServer::url(const QString &database) const
{
    return u"postgresql://postgres@127.0.0.1:%1/%2"_s.arg(m_port).arg(database);
}

QString PgServer::odbcLocation(const QString &database) const
{
    return u"odbc:Driver=%1;Server=127.0.0.1;Port=%2;Database=%3;Uid=postgres;"_s.arg(
        postgresOdbcDriver(), QString::number(m_port), database);
}

PgServer::PgServer()
{
    QString folder = qEnvironmentVariable("KESTA_PG_FIXTURE");
    if (folder.isEmpty() || !QFileInfo::exists(folder + u"/port"_s)) {
        // Run on its own, or the run has no server binaries: a server of its own.
        m_error = startOwn(folder);
    } else {
        std::atexit(removeOdbcLogs);
    }
    if (m_error.isEmpty())
        m_error = join(folder);
    m_ok = m_error.isEmpty();
    if (!m_ok)
        m_error.prepend(u"The throwaway PostgreSQL server is not available: "_s);
}

QString PgServer::startOwn(QString &folder)
{
    // The servers of test processes that died without their exit handlers go first.
    const QDir tmp(u"/tmp"_s);
    for (const QString &entry : tmp.entryList({u"kesta-pg-*"_s}, QDir::Dirs))
        if (::kill(entry.section(u'-', 2, 2).toInt(), 0) != 0 && errno == ESRCH)
            runFixtureScript(u"stop"_s, tmp.filePath(entry));
    QByteArray pattern = "/tmp/kesta-pg-" + QByteArray::number(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return u"cannot create a folder in /tmp."_s;
    g_folder = pattern.toStdString();
    std::atexit(stopOwnServer);
    folder = QString::fromLocal8Bit(pattern);
    const QString said = runFixtureScript(u"start"_s, folder);
    return QFileInfo::exists(folder + u"/port"_s) ? QString() : said;
}

QString PgServer::join(const QString &folder)
{
    if (!QSqlDatabase::isDriverAvailable(u"QPSQL"_s))
        return u"the Qt SQL driver QPSQL is not installed (libqt6sql6-psql)."_s;
    QFile portFile(folder + u"/port"_s);
    if (!portFile.open(QIODevice::ReadOnly))
        return u"no port in "_s + folder;
    m_port = portFile.readAll().trimmed().toInt();
    // Administered through the server's socket in the folder: no other server answers there.
    QSqlDatabase admin = QSqlDatabase::addDatabase(u"QPSQL"_s, AdminConnection);
    admin.setHostName(folder);
    admin.setPort(m_port);
    admin.setUserName(u"postgres"_s);
    admin.setDatabaseName(u"postgres"_s);
    if (!admin.open())
        return u"the server (%1) does not answer: %2"_s.arg(folder, admin.lastError().text());
    return {};
}

void PgServer::adminExec(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(AdminConnection, false));
    if (!m_ok || !query.exec(statement))
        throw RuntimeError(u"%1: %2"_s.arg(statement, m_ok ? query.lastError().text() : m_error));
}

QString PgServer::createDatabase()
{
    // Named after the process too: other test processes share the test run's server.
    const QString name = u"kesta_%1_%2"_s.arg(::getpid()).arg(++m_databases);
    adminExec(u"CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0"_s.arg(name));
    return name;
}

void PgServer::dropDatabase(const QString &name)
{
    adminExec(u"DROP DATABASE IF EXISTS %1 WITH (FORCE)"_s.arg(name));
}

} // namespace kesta::test
