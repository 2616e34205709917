#include "PgServer.h"

#include "OdbcDriver.h"
#include "host/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using kesta::host::RuntimeError;

namespace kesta::test {

namespace {

const QString AdminConnection = u"kesta_pg_admin"_s;

// What the exit handler needs, as plain data: it may run after Qt is gone.
pid_t g_pid = 0;
std::string g_folder;

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

// The immediate shutdown (what "pg_ctl stop -m immediate" sends), then the folder goes.
void stopServerNow()
{
    if (g_pid > 0) {
        ::kill(g_pid, SIGQUIT);
        int waited = 0;
        while (::waitpid(g_pid, nullptr, WNOHANG) == 0 && ++waited < 200) // up to 10 s
            ::usleep(50000);
        if (waited == 200 && ::kill(g_pid, SIGKILL) == 0)
            ::waitpid(g_pid, nullptr, 0);
        g_pid = 0;
    }
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored); // an empty path removes nothing
    g_folder.clear();
    removeOdbcLogs();
}

// The server's process while Qt runs. Before the application object goes, the server is shut
// down the same way and the process object released; the exit handler covers the rest.
QProcess *g_server = nullptr;

void releaseServer()
{
    if (!g_server)
        return;
    if (g_pid > 0) {
        ::kill(g_pid, SIGQUIT);
        if (!g_server->waitForFinished(10000)) {
            g_server->kill();
            g_server->waitForFinished(5000);
        }
        g_pid = 0;
    }
    delete g_server;
    g_server = nullptr;
    stopServerNow(); // removes the folder
}

// The folder of initdb and postgres: KESTA_PG_BINDIR, else the highest version's.
QString findBinDir()
{
    QStringList dirs{qEnvironmentVariable("KESTA_PG_BINDIR")};
    if (dirs.first().isEmpty()) {
        dirs = QDir(u"/usr/lib/postgresql"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(dirs.begin(), dirs.end(),
                  [](auto &a, auto &b) { return a.toDouble() > b.toDouble(); });
        for (QString &dir : dirs)
            dir = u"/usr/lib/postgresql/%1/bin"_s.arg(dir);
    }
    for (const QString &dir : dirs)
        if (QFileInfo(dir + u"/initdb"_s).isExecutable() &&
            QFileInfo(dir + u"/postgres"_s).isExecutable())
            return dir;
    return {};
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
    m_error = joinRunsServer();
    if (m_error.isEmpty() && !m_shared)
        m_error = start();
    m_ok = m_error.isEmpty();
    if (!m_ok) {
        releaseServer();
        stopServerNow();
        m_error.prepend(u"The throwaway PostgreSQL server is not available: "_s);
    }
}

QString PgServer::joinRunsServer()
{
    const QString folder = qEnvironmentVariable("KESTA_PG_FIXTURE");
    QFile portFile(folder + u"/port"_s);
    if (folder.isEmpty() || !portFile.open(QIODevice::ReadOnly))
        return {}; // run on its own, or no server binaries: start one as always
    if (!QSqlDatabase::isDriverAvailable(u"QPSQL"_s))
        return u"the Qt SQL driver QPSQL is not installed (libqt6sql6-psql)."_s;
    m_port = portFile.readAll().trimmed().toInt();
    m_shared = true;
    std::atexit(removeOdbcLogs);
    QSqlDatabase admin = QSqlDatabase::addDatabase(u"QPSQL"_s, AdminConnection);
    admin.setHostName(folder);
    admin.setPort(m_port);
    admin.setUserName(u"postgres"_s);
    admin.setDatabaseName(u"postgres"_s);
    if (!admin.open())
        return u"the test run's server (%1) does not answer: %2"_s.arg(folder,
                                                                       admin.lastError().text());
    return {};
}

QString PgServer::start()
{
    if (!QSqlDatabase::isDriverAvailable(u"QPSQL"_s))
        return u"the Qt SQL driver QPSQL is not installed (libqt6sql6-psql)."_s;
    const QString bin = findBinDir();
    if (bin.isEmpty())
        return u"no initdb and postgres in /usr/lib/postgresql/*/bin or KESTA_PG_BINDIR; install "
               "the Debian package postgresql."_s;
    const passwd *postgres = ::geteuid() == 0 ? ::getpwnam("postgres") : nullptr;
    if (::geteuid() == 0 && !postgres)
        return u"PostgreSQL refuses root, and there is no user 'postgres'."_s;
    // The programs get SIGQUIT when this process dies, and run as postgres when we are root.
    const QString asPostgres = u"--reuid=%1 --regid=%2 --clear-groups "_s;
    const QString setpriv = postgres ? asPostgres.arg(postgres->pw_uid).arg(postgres->pw_gid) : "";
    // In /tmp, which postgres reaches, named with our process id; dead processes' folders go.
    const QDir tmp(u"/tmp"_s);
    for (const QString &entry : tmp.entryList({u"kesta-pg-*"_s}, QDir::Dirs))
        if (::kill(entry.section(u'-', 2, 2).toInt(), 0) != 0 && errno == ESRCH)
            QDir(tmp.filePath(entry)).removeRecursively();
    QByteArray pattern = "/tmp/kesta-pg-" + QByteArray::number(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return u"cannot create a folder in /tmp."_s;
    g_folder = pattern.toStdString();
    std::atexit(stopServerNow);
    const QString folder = QString::fromLocal8Bit(pattern), log = folder + u"/server.log"_s;
    if (postgres && ::chown(pattern.constData(), postgres->pw_uid, postgres->pw_gid) != 0)
        return u"cannot hand %1 to the user postgres."_s.arg(folder);
    auto logTail = [&log] {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll().right(1500))
                                              : QString();
    };
    // setpriv execs the program: this process stays its parent.
    auto launch = [&](const QString &program, const QString &arguments) {
        auto *process = new QProcess;
        process->setWorkingDirectory(folder);
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(log, QIODevice::Append);
        process->setStandardErrorFile(log, QIODevice::Append);
        process->start(u"setpriv"_s, (setpriv + u"--pdeathsig=SIGQUIT --"_s).split(u' ') +
                                         QStringList{bin + program} + arguments.split(u' '));
        return process;
    };

    const std::unique_ptr<QProcess> initdb(launch(
        u"/initdb"_s, u"-D %1/data -U postgres -A trust -E UTF8 --locale=C -N"_s.arg(folder)));
    if (!initdb->waitForFinished(120000) || initdb->exitStatus() != QProcess::NormalExit ||
        initdb->exitCode() != 0)
        return u"initdb failed: %1\n%2"_s.arg(initdb->errorString(), logTail());
    // Administered through the server's socket in the folder: no other server answers there.
    QSqlDatabase admin = QSqlDatabase::addDatabase(u"QPSQL"_s, AdminConnection);
    admin.setHostName(folder);
    admin.setUserName(u"postgres"_s);
    admin.setDatabaseName(u"postgres"_s);
    for (int attempt = 0; attempt < 5; ++attempt) {
        // A port below the ephemeral range, different for every test process.
        m_port = 10000 + (::getpid() + attempt * 4099) % 20000;
        admin.setPort(m_port);
        const QString options = u"-D %1/data -p %2 -k %1 -c listen_addresses=127.0.0.1 "
                                "-c fsync=off -c synchronous_commit=off -c full_page_writes=off "
                                "-c shared_buffers=16MB -c max_connections=40"_s;
        delete g_server;
        g_server = launch(u"/postgres"_s, options.arg(folder).arg(m_port));
        QProcess *server = g_server;
        QObject::connect(server, &QProcess::finished, [] { g_pid = 0; });
        if (!server->waitForStarted())
            return u"setpriv could not be started: "_s + server->errorString();
        g_pid = static_cast<pid_t>(server->processId());
        static const bool routineAdded = (qAddPostRoutine(releaseServer), true);
        Q_UNUSED(routineAdded);
        // Until it accepts connections (up to 30 s), or has died (the port is taken: retry).
        for (int i = 0; i < 600 && g_pid > 0; ++i) {
            if (admin.open())
                return {};
            server->waitForFinished(50);
        }
        if (g_pid > 0)
            return u"no connection within 30 s:\n"_s + logTail();
        if (!logTail().contains("in use"_L1))
            break;
    }
    return u"the server stopped while starting:\n"_s + logTail();
}

void PgServer::stop()
{
    QSqlDatabase::database(AdminConnection, false).close();
    if (!m_shared) { // the test run's server is stopped by the run
        releaseServer();
        stopServerNow();
    }
    m_ok = false;
    m_error = u"The throwaway PostgreSQL server was stopped."_s;
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
