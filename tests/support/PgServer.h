#pragma once

#include <QString>

namespace kesta::test {

// The test run's PostgreSQL server when CTest started one (KESTA_PG_FIXTURE names its folder:
// support/pg-fixture.sh); otherwise one throwaway cluster per test process, started on first use
// in a fresh folder /tmp/kesta-pg-<pid>-XXXXXX (trust, superuser "postgres"; the highest version's
// binaries, or those in KESTA_PG_BINDIR), on 127.0.0.1 only, as the user postgres when we are root.
// At exit it gets SIGQUIT (an immediate shutdown) and its folder goes; a test process that dies
// without its exit handlers takes it along (parent-death signal), and the next start removes its
// folder.
class PgServer {
public:
    // The process's server; when it cannot start, ok() is false and error() tells why.
    static PgServer &instance();
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    int port() const { return m_port; }
    QString url(const QString &database) const; // postgresql://postgres@127.0.0.1:PORT/database
    // odbc:Driver=...;Server=127.0.0.1;Port=PORT;Database=database;Uid=postgres; through
    // PostgreSQL's ODBC driver; raises kesta::host::RuntimeError when that driver is missing.
    QString odbcLocation(const QString &database) const;

    // A fresh empty database ("kesta_<pid>_<n>"); raises kesta::host::RuntimeError on failure.
    QString createDatabase();
    void dropDatabase(const QString &name); // ending its connections
    void stop(); // stops its own server and removes its folder (also done at exit)

    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

private:
    PgServer();
    QString joinRunsServer(); // the failure, empty on success or without one
    QString start();          // the failure, empty on success
    void adminExec(const QString &statement);

    bool m_ok = false;
    bool m_shared = false; // the test run's server, not this process's
    QString m_error;
    int m_port = 0;
    int m_databases = 0;
};

} // namespace kesta::test
