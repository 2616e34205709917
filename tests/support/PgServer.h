#pragma once

#include <QString>

namespace kesta::test {

// One throwaway PostgreSQL cluster per test process, started on first use:
// - initdb into a fresh folder /tmp/kesta-pg-XXXXXX (trust authentication, superuser
//   "postgres", UTF-8, no fsync), with the binaries of the highest version found in
//   /usr/lib/postgresql/*/bin, else on PATH (KESTA_PG_BINDIR names the folder outright);
// - the server listens on a free loopback port (127.0.0.1 only) and keeps its socket in that
//   folder;
// - when the process runs as root (PostgreSQL refuses root), initdb and pg_ctl run as the
//   user "postgres" through runuser, the server itself drops to that user before exec, and
//   the folder is handed to that user.
//
// Stopping: at process exit (atexit) the server gets SIGQUIT, which is what
// "pg_ctl stop -m immediate" sends, is waited for, and its folder is removed. A test process
// that dies without running its exit handlers (a crash, a kill by the test runner) takes the
// server with it: the server is started with a parent-death signal (SIGQUIT). Folders that
// such a process left behind are removed by the next start, once their owner is gone.
class PgServer {
public:
    // The process's server, started when it is not running yet. When it cannot start,
    // ok() is false and error() tells why.
    static PgServer &instance();

    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    int port() const { return m_port; }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    QString user() const { return QStringLiteral("postgres"); }
    // postgresql://postgres@127.0.0.1:PORT/<database>
    QString url(const QString &database) const;

    // Creates a fresh empty database and returns its name ("kesta_<pid>_<n>"); raises
    // kesta::host::RuntimeError when the server is not ok or the statement fails.
    QString createDatabase();
    // Drops a database made by createDatabase (its connections are ended first).
    void dropDatabase(const QString &name);

    // Stops the server and removes its folder (also done at exit).
    void stop();

    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

private:
    PgServer();
    ~PgServer() = default;
    void start();
    void adminExec(const QString &statement);

    bool m_ok = false;
    QString m_error;
    int m_port = 0;
    int m_databases = 0;
};

} // namespace kesta::test
