#pragma once

#include <QTemporaryDir>
#include <QVariant>
#include <QtTest/QTest>

namespace kesta::test {

// A fresh database for one test, open under a Qt SQL connection name (a unique one when none is
// given): Sqlite a file in a temporary folder, PostgreSql a database on PgServer, OdbcPostgreSql
// one there reached through PostgreSQL's ODBC driver (an "odbc:" location, as SQL Server's);
// withSchema runs the engine's schema script on it. The destructor closes and drops it.
class TestDatabase {
public:
    enum class Kind { Sqlite, PostgreSql, OdbcPostgreSql };
    explicit TestDatabase(Kind kind = Kind::Sqlite, bool withSchema = true,
                          const QString &connectionName = {});
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    // False when the engine is unavailable or the set-up failed; error() tells why.
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    Kind kind() const { return m_kind; }
    // Whether the database is on the PostgreSQL server (through its own driver or ODBC).
    bool onPostgres() const { return m_kind != Kind::Sqlite; }
    QString connectionName() const { return m_connectionName; }
    // The file path, the postgresql:// URL or the odbc: connection string.
    QString location() const { return m_location; }

    // The first column of the first row (null for none); both raise kesta::host::RuntimeError.
    QVariant scalar(const QString &sql);
    void exec(const QString &sql) { scalar(sql); }
    // Every row a select finds, its columns as texts (NULL for null) joined by the separator;
    // the one row "error: ..." when it fails. A connection that was lost is opened again.
    QStringList rows(const QString &sql, QChar separator = u'|') const;

private:
    Kind m_kind;
    bool m_ok = false;
    QString m_error, m_connectionName, m_location, m_pgDatabase;
    QTemporaryDir m_folder;
};

// Whether KESTA_SKIP_POSTGRES=1 is set; the loud notice of a PostgreSQL test skipped for it.
bool skipPostgres();
void warnPostgresSkipped(const QString &why);

} // namespace kesta::test

// Fails the test when the database is not available; skips it loudly for PostgreSQL when
// KESTA_SKIP_POSTGRES=1 is set.
#define KESTA_REQUIRE(db)                                                                          \
    do {                                                                                           \
        if ((db).ok())                                                                             \
            break;                                                                                 \
        if ((db).onPostgres() && ::kesta::test::skipPostgres()) {                                  \
            ::kesta::test::warnPostgresSkipped((db).error());                                      \
            QSKIP(qPrintable("POSTGRESQL TEST SKIPPED (KESTA_SKIP_POSTGRES=1): " + (db).error())); \
        }                                                                                          \
        QFAIL(qPrintable("The test database is not available: " + (db).error() +                   \
                         " (set KESTA_SKIP_POSTGRES=1 to skip the PostgreSQL tests without it)")); \
    } while (false)
