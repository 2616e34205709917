#pragma once

#include <QString>
#include <QVariant>
#include <QtTest/QTest>
#include <memory>

class QTemporaryDir;

namespace kesta::test {

// A fresh database for one test, open under a unique Qt SQL connection name:
// - Sqlite: a new file in a temporary folder;
// - PostgreSql: a new database (kesta_<n>) on the process's throwaway server (PgServer).
// With withSchema the host's schema script of the engine has been run on it (the tables
// Layout, Layout_Detalle, Velkora_Configuracion, Velkora_Opcion_Modulo, Velkora_Bitacora and
// the default settings). The destructor closes and removes the connection and drops the file
// or the database.
class TestDatabase {
public:
    enum class Kind { Sqlite, PostgreSql };
    // connectionName: the Qt SQL connection name to use (e.g. "velkora" for a test of the
    // real services); empty gives a unique one.
    explicit TestDatabase(Kind kind = Kind::Sqlite, bool withSchema = true,
                          const QString &connectionName = {});
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    // False when the engine is unavailable (e.g. no PostgreSQL binaries) or the set-up failed.
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    Kind kind() const { return m_kind; }
    QString connectionName() const { return m_connectionName; }
    // The file path, or the postgresql:// URL.
    QString location() const { return m_location; }

    // Runs a statement; throws kesta::host::RuntimeError on failure.
    void exec(const QString &sql);
    // The first column of the first row (null when no row); throws on failure.
    QVariant scalar(const QString &sql);

private:
    Kind m_kind;
    bool m_ok = false;
    QString m_error;
    QString m_connectionName;
    QString m_location;
    QString m_pgDatabase;
    std::unique_ptr<QTemporaryDir> m_folder;
};

// Whether KESTA_SKIP_POSTGRES=1 is set.
bool skipPostgres();
// Prints the loud notice of a PostgreSQL test that is skipped.
void warnPostgresSkipped(const QString &why);

} // namespace kesta::test

// In a test function: fails when the database is not available, except a PostgreSQL database
// while KESTA_SKIP_POSTGRES=1 is set, which skips the test with a loud message.
#define KESTA_REQUIRE(db)                                                                          \
    do {                                                                                           \
        if (!(db).ok()) {                                                                          \
            if ((db).kind() == ::kesta::test::TestDatabase::Kind::PostgreSql &&                    \
                ::kesta::test::skipPostgres()) {                                                   \
                ::kesta::test::warnPostgresSkipped((db).error());                                  \
                QSKIP(qPrintable(                                                                  \
                    QStringLiteral("POSTGRESQL TEST SKIPPED (KESTA_SKIP_POSTGRES=1): ") +          \
                    (db).error()));                                                                \
            }                                                                                      \
            QFAIL(qPrintable(QStringLiteral("The test database is not available: ") +              \
                             (db).error() +                                                        \
                             QStringLiteral(" (set KESTA_SKIP_POSTGRES=1 to skip the "             \
                                            "PostgreSQL tests on a machine without it)")));        \
        }                                                                                          \
    } while (false)
