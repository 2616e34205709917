#pragma once

#include <QString>

namespace kesta::test {

// The test run's PostgreSQL server when CTest started one (KESTA_PG_FIXTURE names its folder:
// support/pg-fixture.sh); otherwise one throwaway server per test process, which the same script
// starts on first use in a fresh folder /tmp/kesta-pg-<pid>-XXXXXX and stops at exit (an
// immediate shutdown; its folder goes). The server of a process that died without its exit
// handlers is stopped by the next test process that starts one.
class PgServer {
public:
    // The process's server; when it cannot start, ok() is false and error() tells why.
    static PgServer &instance();
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    QString url(const QString &database) const; // postgresql://postgres@127.0.0.1:PORT/database
    // odbc:Driver=...;Server=127.0.0.1;Port=PORT;Database=database;Uid=postgres; through
    // PostgreSQL's ODBC driver; raises kesta::host::RuntimeError when that driver is missing.
    QString odbcLocation(const QString &database) const;

    // A fresh empty database ("kesta_<pid>_<n>"); raises kesta::host::RuntimeError on failure.
    QString createDatabase();
    void dropDatabase(const QString &name); // ending its connections

    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

private:
    PgServer();
    QString startOwn(QString &folder);   // the failure, empty on success
    QString join(const QString &folder); // the failure, empty on success
    void adminExec(const QString &statement);

    bool m_ok = false;
    QString m_error;
    int m_port = 0;
    int m_databases = 0;
};

} // namespace kesta::test
