#include "PgServer.h"

#include "host/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QVersionNumber>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using kesta::host::RuntimeError;

namespace kesta::test {

namespace {

// What the exit handler needs, in plain data: it may run after Qt is gone.
struct RunningServer {
    pid_t pid = 0;
    std::string folder;
};
RunningServer g_server;

void sleepMs(long ms)
{
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
}

// The immediate shutdown (what "pg_ctl stop -m immediate" sends), then the folder goes.
void stopServerNow()
{
    if (g_server.pid > 0) {
        ::kill(g_server.pid, SIGQUIT);
        int status = 0;
        bool gone = false;
        for (int i = 0; i < 200 && !gone; ++i) { // up to 10 s
            const pid_t r = ::waitpid(g_server.pid, &status, WNOHANG);
            gone = r == g_server.pid || (r < 0 && errno == ECHILD);
            if (!gone)
                sleepMs(50);
        }
        if (!gone) {
            ::kill(g_server.pid, SIGKILL);
            ::waitpid(g_server.pid, &status, 0);
        }
        g_server.pid = 0;
    }
    if (!g_server.folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(g_server.folder, ignored);
        g_server.folder.clear();
    }
}

void stopAtExit()
{
    stopServerNow();
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// Removes folders of earlier test processes that died without cleaning up: their owner is
// gone and no server runs in them any more.
void sweepStaleFolders()
{
    const QDir tmp(QStringLiteral("/tmp"));
    const QStringList entries =
        tmp.entryList({QStringLiteral("kesta-pg-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const QString folder = tmp.filePath(entry);
        QFile owner(folder + QStringLiteral("/owner.pid"));
        if (!owner.open(QIODevice::ReadOnly))
            continue;
        const qint64 ownerPid = owner.readAll().trimmed().toLongLong();
        owner.close();
        if (ownerPid <= 0 || processAlive(ownerPid))
            continue;
        QFile postmaster(folder + QStringLiteral("/data/postmaster.pid"));
        if (postmaster.open(QIODevice::ReadOnly)) {
            const qint64 serverPid = postmaster.readLine().trimmed().toLongLong();
            if (processAlive(serverPid))
                continue;
        }
        QDir(folder).removeRecursively();
    }
}

QString findBinDir()
{
    // KESTA_PG_BINDIR names the folder of the binaries outright (also to try a machine
    // without them: a folder that lacks them makes the server unavailable).
    const QString forced = qEnvironmentVariable("KESTA_PG_BINDIR");
    const QDir base(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = base.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(), [](const QString &a, const QString &b) {
        return QVersionNumber::fromString(a) > QVersionNumber::fromString(b);
    });
    auto complete = [](const QString &dir) {
        for (const char *tool : {"initdb", "postgres"})
            if (!QFileInfo(dir + QLatin1Char('/') + QLatin1String(tool)).isExecutable())
                return false;
        return true;
    };
    if (!forced.isEmpty())
        return complete(forced) ? forced : QString();
    for (const QString &version : versions) {
        const QString dir = base.filePath(version + QStringLiteral("/bin"));
        if (complete(dir))
            return dir;
    }
    const QString initdb = QStandardPaths::findExecutable(QStringLiteral("initdb"));
    if (!initdb.isEmpty()) {
        const QString dir = QFileInfo(initdb).canonicalPath();
        if (complete(dir))
            return dir;
    }
    return {};
}

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int port = 0;
    socklen_t size = sizeof(address);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

QString tail(const QString &path, int lines = 15)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList all = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    return all.mid(std::max<qsizetype>(0, all.size() - lines)).join(QLatin1Char('\n')).trimmed();
}

struct Account {
    bool root = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

// Runs a PostgreSQL tool, as the user postgres (through runuser) when we are root.
QString runTool(const Account &account, const QString &tool, const QStringList &arguments,
                const QString &workDir)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (account.root)
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                  QStringLiteral("--"), tool} +
                          arguments);
    else
        process.start(tool, arguments);
    if (!process.waitForStarted(10000))
        return QStringLiteral("%1 could not be started: %2").arg(tool, process.errorString());
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("%1 did not finish in time").arg(tool);
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("%1 failed (exit code %2):\n%3")
            .arg(tool)
            .arg(process.exitCode())
            .arg(QString::fromLocal8Bit(process.readAll()).trimmed());
    return {};
}

} // namespace

PgServer &PgServer::instance()
{
    static PgServer server;
    return server;
}

PgServer::PgServer()
{
    start();
}

QString PgServer::url(const QString &database) const
{
    return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user(), host()).arg(m_port).arg(database);
}

void PgServer::start()
{
    auto fail = [this](const QString &why) {
        m_ok = false;
        m_error = QStringLiteral("The throwaway PostgreSQL server is not available: ") + why;
    };

    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return fail(QStringLiteral("the Qt SQL driver QPSQL is not installed "
                                   "(Debian package libqt6sql6-psql)."));
    const QString binDir = findBinDir();
    if (binDir.isEmpty())
        return fail(QStringLiteral("no PostgreSQL server binaries (initdb, postgres) in "
                                   "/usr/lib/postgresql/*/bin, on PATH or in KESTA_PG_BINDIR; "
                                   "install the Debian package postgresql."));
    Account account;
    account.root = ::geteuid() == 0;
    if (account.root) {
        const passwd *pw = ::getpwnam("postgres");
        if (!pw)
            return fail(QStringLiteral("running as root, and PostgreSQL refuses root, but there "
                                       "is no user 'postgres' to run it as."));
        account.uid = pw->pw_uid;
        account.gid = pw->pw_gid;
        if (QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())
            return fail(QStringLiteral("running as root needs runuser (util-linux) to run "
                                       "initdb as the user postgres."));
    }

    sweepStaleFolders();

    // /tmp, not $TMPDIR: the user postgres must be able to reach the folder when we are root.
    QByteArray pattern("/tmp/kesta-pg-XXXXXX");
    if (!::mkdtemp(pattern.data()))
        return fail(QStringLiteral("cannot create a folder in /tmp: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    const QString folder = QString::fromLocal8Bit(pattern);
    g_server.folder = pattern.toStdString();
    std::atexit(stopAtExit);
    {
        QFile owner(folder + QStringLiteral("/owner.pid"));
        if (owner.open(QIODevice::WriteOnly))
            owner.write(QByteArray::number(static_cast<qint64>(::getpid())));
    }
    if (account.root && ::chown(pattern.constData(), account.uid, account.gid) != 0)
        return fail(QStringLiteral("cannot hand %1 to the user postgres: %2")
                        .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));

    const QString dataDir = folder + QStringLiteral("/data");
    const QString initError =
        runTool(account, binDir + QStringLiteral("/initdb"),
                {QStringLiteral("-D"), dataDir, QStringLiteral("-U"), QStringLiteral("postgres"),
                 QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"),
                 QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("-N")},
                folder);
    if (!initError.isEmpty())
        return fail(initError);

    const std::string postgres = (binDir + QStringLiteral("/postgres")).toStdString();
    const std::string logPath = (folder + QStringLiteral("/server.log")).toStdString();
    const std::string folderPath = folder.toStdString();
    const pid_t parent = ::getpid();

    for (int attempt = 0; attempt < 5; ++attempt) {
        const int port = freeLoopbackPort();
        if (port <= 0)
            return fail(QStringLiteral("no free loopback port."));
        const std::vector<std::string> args = {postgres,
                                               "-D",
                                               dataDir.toStdString(),
                                               "-p",
                                               std::to_string(port),
                                               "-k",
                                               folderPath,
                                               "-c",
                                               "listen_addresses=127.0.0.1",
                                               "-c",
                                               "fsync=off",
                                               "-c",
                                               "synchronous_commit=off",
                                               "-c",
                                               "full_page_writes=off",
                                               "-c",
                                               "shared_buffers=16MB",
                                               "-c",
                                               "max_connections=40"};
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);

        const pid_t pid = ::fork();
        if (pid < 0)
            return fail(QStringLiteral("fork failed: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(errno))));
        if (pid == 0) {
            // Child: only async-signal-safe calls until exec.
            if (account.root && (::setgroups(0, nullptr) != 0 || ::setgid(account.gid) != 0 ||
                                 ::setuid(account.uid) != 0))
                ::_exit(126);
            // Set after the user change, which would clear it: the server gets SIGQUIT
            // (immediate shutdown) when the test process dies.
            ::prctl(PR_SET_PDEATHSIG, SIGQUIT);
            if (::getppid() != parent)
                ::_exit(125);
            if (::chdir(folderPath.c_str()) != 0)
                ::_exit(124);
            const int null = ::open("/dev/null", O_RDONLY);
            if (null >= 0)
                ::dup2(null, STDIN_FILENO);
            const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (log >= 0) {
                ::dup2(log, STDOUT_FILENO);
                ::dup2(log, STDERR_FILENO);
            }
            ::setpgid(0, 0); // keep terminal signals of the test runner to the test process
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        g_server.pid = pid;

        // Wait until it accepts connections, or has died (a port taken in between: retry).
        const QString probeName = QStringLiteral("kesta_pg_probe");
        bool ready = false;
        bool died = false;
        for (int i = 0; i < 600 && !ready && !died; ++i) { // up to 30 s
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                died = true;
                g_server.pid = 0;
                break;
            }
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), probeName);
                db.setHostName(host());
                db.setPort(port);
                db.setUserName(user());
                db.setDatabaseName(QStringLiteral("postgres"));
                db.setConnectOptions(QStringLiteral("connect_timeout=2"));
                ready = db.open();
                db.close();
            }
            QSqlDatabase::removeDatabase(probeName);
            if (!ready)
                QThread::msleep(50);
        }
        if (ready) {
            m_port = port;
            m_ok = true;
            return;
        }
        if (!died) {
            stopServerNow();
            return fail(QStringLiteral("the server did not accept connections within 30 s:\n") +
                        tail(QString::fromStdString(logPath)));
        }
        if (!tail(QString::fromStdString(logPath)).contains(QLatin1String("in use")))
            break;
    }
    const QString log = tail(QString::fromStdString(logPath));
    stopServerNow();
    fail(QStringLiteral("the server stopped while starting:\n") + log);
}

void PgServer::stop()
{
    stopServerNow();
    m_ok = false;
    m_error = QStringLiteral("The throwaway PostgreSQL server was stopped.");
}

void PgServer::adminExec(const QString &statement)
{
    if (!m_ok)
        throw RuntimeError(m_error);
    const QString name = QStringLiteral("kesta_pg_admin");
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(host());
        db.setPort(m_port);
        db.setUserName(user());
        db.setDatabaseName(QStringLiteral("postgres"));
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery query(db);
            if (!query.exec(statement))
                failure = query.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!failure.isEmpty())
        throw RuntimeError(QStringLiteral("%1: %2").arg(statement, failure));
}

QString PgServer::createDatabase()
{
    const QString name = QStringLiteral("kesta_%1").arg(++m_databases);
    const QString create =
        QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(name);
    // Copying the template's files is the quicker way for a small database (PostgreSQL 15
    // and later; earlier servers know only that way and refuse the option).
    try {
        adminExec(create + QStringLiteral(" STRATEGY FILE_COPY"));
    } catch (const RuntimeError &) {
        adminExec(create);
    }
    return name;
}

void PgServer::dropDatabase(const QString &name)
{
    adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
}

} // namespace kesta::test
