// The database layer of the services library: locations, schema scripts, the sample load
// format, on SQLite and on the throwaway PostgreSQL server.

#include "DatabaseSetup.h"
#include "host/RuntimeError.h"
#include "services/DataLookups.h"
#include "store/Database.h"
#include "store/OdbcDiagnostics.h"
#include "store/SqlConnection.h"
#include "store/SqlFailure.h"
#include "store/SqlScript.h"
#include "store/Literals.h"
#include "support/TestDatabase.h"

#include <QtSql>
#include <QtTest>

using namespace Qt::StringLiterals;
using kesta::host::ConflictError;
using kesta::host::Engine;
using kesta::host::RuntimeError;
using kesta::test::TestDatabase;
namespace services = velkora::services;
using services::FailureKind;

Q_DECLARE_METATYPE(FailureKind)
Q_DECLARE_METATYPE(Engine)

namespace {

void engines()
{
    QTest::addColumn<TestDatabase::Kind>("kind");
    QTest::newRow("sqlite") << TestDatabase::Kind::Sqlite;
    QTest::newRow("postgresql") << TestDatabase::Kind::PostgreSql;
}

// "RuntimeError: text", "ConflictError: text" or "no error" for a statement run as the component
// runs it.
QString outcomeOf(services::SqlConnection &connection, const QString &statement)
{
    try {
        connection.Execute(statement);
        return u"no error"_s;
    } catch (const ConflictError &error) {
        return u"ConflictError: "_s + error.description();
    } catch (const RuntimeError &error) {
        return u"RuntimeError: "_s + error.description();
    }
}

} // namespace

class TestDatabaseLayer : public QObject {
    Q_OBJECT

private slots:
    void splitterKeepsLiteralsAndComments()
    {
        QCOMPARE(services::splitSqlScript(u"-- a comment; with a semicolon\n"
                                          "CREATE TABLE t (a VARCHAR(5) DEFAULT 'x;y');\n"
                                          "/* block ; */ INSERT INTO t VALUES ('it''s; fine');\n"
                                          "INSERT INTO t VALUES (\"a;b\")\nGO\n  go  \n"
                                          "SELECT [odd;name] FROM t;;\n"_s),
                 (QStringList{u"CREATE TABLE t (a VARCHAR(5) DEFAULT 'x;y')"_s,
                              u"INSERT INTO t VALUES ('it''s; fine')"_s,
                              u"INSERT INTO t VALUES (\"a;b\")"_s, u"SELECT [odd;name] FROM t"_s}));
    }

    void schemaIsCreated_data() { engines(); }
    void schemaIsCreated()
    {
        QFETCH(TestDatabase::Kind, kind);
        TestDatabase db(kind, false);
        KESTA_REQUIRE(db);
        const QString name = db.connectionName();
        QTemporaryDir dir;
        QVERIFY(!services::hasSchema(name));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::seedSample(name, dir.path()));
        services::createSchema(name);
        QVERIFY(services::hasSchema(name));

        // Short texts for order numbers, defaults, keys.
        db.exec(u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_UserDef_3) VALUES ('A1', '0003', "
                "12.3456)"_s);
        QCOMPARE(db.scalar(u"SELECT Ly_ID || '|' || Es_Cve_Estado || '|' || COALESCE(Oper_Baja, "
                           "'null') || '|' || Ly_UserDef_3 || '|' || COALESCE(CAST(Fecha_Baja AS "
                           "VARCHAR(30)), 'null') FROM Layout"_s)
                     .toString(),
                 u"0003|AC||12.3456|null"_s);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, db.exec(u"INSERT INTO Layout (Ly_Cve_Layout, "
                                                       "Ly_ID) VALUES ('A1', '0003')"_s));
        const QString detail = u"INSERT INTO Layout_Detalle (Ly_Cve_Layout, Ly_ID, Ld_ID) "
                               "VALUES ('A1', '0003', '0001')"_s;
        db.exec(detail);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, db.exec(detail));
        // Never run over an existing schema; the sample's rows are stored once.
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::createSchema(name));
        services::seedSample(name, dir.path());
        db.exec(u"UPDATE Layout SET Ly_Descripcion = 'X'"_s);
        services::seedSample(name, dir.path());
        QCOMPARE(db.scalar(u"SELECT COUNT(*) FROM Layout WHERE Ly_Descripcion = 'X'"_s).toInt(), 4);
    }

    void postgresUrlIsDecoded()
    {
        TestDatabase db(TestDatabase::Kind::PostgreSql, false);
        KESTA_REQUIRE(db);
        // The cluster trusts every local user, so the role's name is what the open proves.
        db.exec(u"CREATE ROLE \"kesta user\" LOGIN PASSWORD 'p@ss:w/rd'"_s);
        services::openDatabase(
            u"pg"_s, db.location().replace(u"postgres@"_s, u"kesta%20user:p%40ss%3Aw%2Frd@"_s));
        QSqlQuery query(QSqlDatabase::database(u"pg"_s));
        QVERIFY(query.exec(u"SELECT current_user"_s) && query.next());
        QCOMPARE(query.value(0).toString(), u"kesta user"_s);
        query.finish();
        services::closeDatabase(u"pg"_s);
        db.exec(u"DROP ROLE \"kesta user\""_s);
    }

    void failuresAreToldApart_data();
    void failuresAreToldApart();
    void odbcLocationToPostgres();
    void odbcDatabaseWithoutTables();

    void malformedLocations_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << u""_s << u"empty"_s;
        QTest::newRow("no database")
            << u"postgresql://u:p@127.0.0.1:5432/"_s << u"names no database"_s;
        QTest::newRow("not a url") << u"postgresql:/db"_s << u"malformed"_s;
        QTest::newRow("unknown scheme") << u"mysql://u@h/db"_s << u"unknown scheme"_s;
        QTest::newRow("odbc, no string") << u"odbc:"_s << u"ODBC connection string"_s;
        QTest::newRow("no server") << u"postgresql://a@127.0.0.1:1/b"_s << u"could not be opened"_s;
        QTest::newRow("no sql server")
            << u"odbc:Driver=FreeTDS;Server=127.0.0.1;Port=1;UID=sa;PWD=x"_s
            << u"could not be opened"_s;
        QTest::newRow("not a database file") << u"NOT_A_DB"_s << u"could not be opened"_s;
    }
    void malformedLocations()
    {
        QFETCH(QString, location);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        if (QFile file(dir.filePath(u"text.db"_s)); location == "NOT_A_DB"_L1) {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) > 0);
            location = file.fileName();
        }
        try {
            services::openDatabase(u"bad"_s, location);
            QFAIL("the location was accepted");
        } catch (const RuntimeError &error) {
            QVERIFY2(error.description().contains(expected), qPrintable(error.description()));
            QVERIFY2(!error.description().contains("PWD=x"_L1), qPrintable(error.description()));
        }
        QVERIFY(!QSqlDatabase::contains(u"bad"_s));
    }
};

void TestDatabaseLayer::failuresAreToldApart_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("nativeCode");
    // Each ODBC diagnostic record as "SQLSTATE native-code".
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<FailureKind>("kind");
    const auto conflict = FailureKind::Conflict, lost = FailureKind::LostConnection,
               other = FailureKind::Other;

    // SQL Server through FreeTDS, as Qt 6.4's ODBC driver reports it: the records' texts in
    // one, the last record's number; the records themselves from the statement's handle.
    const QString duplicate = u"[FreeTDS][SQL Server]Violation of PRIMARY KEY constraint "
                              "'PK_Layout'. Cannot insert duplicate key in object 'dbo.Layout'. "
                              "The duplicate key value is (0042, 0001). [FreeTDS][SQL Server]The "
                              "statement has been terminated."_s;
    QTest::newRow("SQL Server duplicate key, then 3621")
        << u"QODBC"_s << Engine::SqlServer << duplicate << u"3621"_s
        << QStringList{u"23000 2627"_s, u"01000 3621"_s} << conflict;
    QTest::newRow("SQL Server duplicate in a unique index")
        << u"QODBC"_s << Engine::SqlServer
        << u"[FreeTDS][SQL Server]Cannot insert duplicate key row"_s << u"3621"_s
        << QStringList{u"23000 2601"_s, u"01000 3621"_s} << conflict;
    QTest::newRow("SQL Server numbers joined, no records")
        << u"QODBC"_s << Engine::SqlServer << duplicate << u"2627;3621"_s << QStringList{}
        << conflict;
    QTest::newRow("SQL Server deadlock victim")
        << u"QODBC"_s << Engine::SqlServer
        << u"[FreeTDS][SQL Server]Transaction (Process ID 57) was deadlocked"_s << u"1205"_s
        << QStringList{u"40001 1205"_s} << conflict;
    QTest::newRow("SQL Server NULL refused is no conflict")
        << u"QODBC"_s << Engine::SqlServer
        << u"[FreeTDS][SQL Server]Cannot insert the value NULL into column 'Ly_ID'"_s << u"3621"_s
        << QStringList{u"23000 515"_s, u"01000 3621"_s} << other;
    QTest::newRow("SQL Server foreign key is no conflict")
        << u"QODBC"_s << Engine::SqlServer
        << u"[FreeTDS][SQL Server]The INSERT statement "
           "conflicted with the FOREIGN KEY constraint"_s
        << u"3621"_s << QStringList{u"23000 547"_s, u"01000 3621"_s} << other;
    QTest::newRow("SQL Server syntax error")
        << u"QODBC"_s << Engine::SqlServer << u"[FreeTDS][SQL Server]Incorrect syntax near 'x'."_s
        << u"102"_s << QStringList{u"42000 102"_s} << other;
    QTest::newRow("SQL Server link failure")
        << u"QODBC"_s << Engine::SqlServer << u"[FreeTDS][SQL Server]Write to the server failed"_s
        << u"20006"_s << QStringList{u"08S01 20006"_s} << lost;
    QTest::newRow("SQL Server link failure after a duplicate")
        << u"QODBC"_s << Engine::SqlServer << duplicate << u"0"_s
        << QStringList{u"23000 2627"_s, u"08S01 0"_s} << lost;
    // PostgreSQL through psqlODBC: its SQLSTATEs; its native numbers are its own, not SQLite's
    // or SQL Server's.
    QTest::newRow("psqlODBC duplicate key")
        << u"QODBC"_s << Engine::PostgreSql
        << u"ERROR: duplicate key value violates unique constraint \"pk_layout\""_s << u"1"_s
        << QStringList{u"23505 1"_s} << conflict;
    QTest::newRow("psqlODBC number 5 is not SQLite's busy")
        << u"QODBC"_s << Engine::PostgreSql << u"ERROR: column \"x\" does not exist"_s << u"5"_s
        << QStringList{u"42703 5"_s} << other;
    QTest::newRow("psqlODBC number 2627 is not SQL Server's")
        << u"QODBC"_s << Engine::PostgreSql << u"ERROR: something"_s << u"2627"_s
        << QStringList{u"42000 2627"_s} << other;
    QTest::newRow("psqlODBC terminated")
        << u"QODBC"_s << Engine::PostgreSql
        << u"FATAL: terminating connection due to administrator command"_s << u"35"_s
        << QStringList{u"57P01 35"_s} << lost;
    // PostgreSQL's own driver gives the SQLSTATE as the native code; SQLite its result code.
    QTest::newRow("QPSQL serialization failure")
        << u"QPSQL"_s << Engine::PostgreSql << u"could not serialize access"_s << u"40001"_s
        << QStringList{} << conflict;
    QTest::newRow("QPSQL NOT NULL is no conflict")
        << u"QPSQL"_s << Engine::PostgreSql << u"null value in column"_s << u"23502"_s
        << QStringList{} << other;
    QTest::newRow("QPSQL connection failure")
        << u"QPSQL"_s << Engine::PostgreSql << u"connection failure"_s << u"08006"_s
        << QStringList{} << lost;
    QTest::newRow("QPSQL server gone, no code")
        << u"QPSQL"_s << Engine::PostgreSql << u"server closed the connection unexpectedly"_s
        << QString() << QStringList{} << lost;
    QTest::newRow("SQLite busy snapshot")
        << u"QSQLITE"_s << Engine::Sqlite << u"database is locked"_s << u"517"_s << QStringList{}
        << conflict;
    QTest::newRow("SQLite unique")
        << u"QSQLITE"_s << Engine::Sqlite << u"UNIQUE constraint failed"_s << u"2067"_s
        << QStringList{} << conflict;
    QTest::newRow("SQLite NOT NULL is no conflict")
        << u"QSQLITE"_s << Engine::Sqlite << u"NOT NULL constraint failed"_s << u"1299"_s
        << QStringList{} << other;
}

void TestDatabaseLayer::failuresAreToldApart()
{
    QFETCH(QString, driver);
    QFETCH(Engine, engine);
    QFETCH(QString, text);
    QFETCH(QString, nativeCode);
    QFETCH(QStringList, records);
    QFETCH(FailureKind, kind);
    QList<services::Diagnostic> diagnostics;
    for (const QString &record : records)
        diagnostics.append({record.section(u' ', 0, 0), record.section(u' ', 1, 1), text});
    const QSqlError error(driver + u": Unable to execute statement"_s, text,
                          QSqlError::StatementError, nativeCode);
    QCOMPARE(services::classifyFailure(driver, engine, error, diagnostics), kind);
}

// An "odbc:" location to PostgreSQL, through Debian's psqlODBC: the engine is the one the
// driver names, so the schema and every statement are PostgreSQL's; its failures are told
// apart by their SQLSTATEs; a connection killed by the server is opened again for the next
// statement.
void TestDatabaseLayer::odbcLocationToPostgres()
{
    TestDatabase db(TestDatabase::Kind::OdbcPostgreSql); // the schema made through ODBC
    KESTA_REQUIRE(db);
    const QString name = db.connectionName();
    QSqlDatabase sql = QSqlDatabase::database(name);
    QCOMPARE(sql.driverName(), u"QODBC"_s);
    QCOMPARE(services::engineOf(sql), Engine::PostgreSql);
    QVERIFY(services::hasSchema(name));

    services::SqlConnection connection(name);
    // The text as the save writes it for PostgreSQL (a backslash in an escape string): the
    // driver passes it on untouched, its ODBC escapes and parameter marks included.
    const QString text = u"it's \\ {fn now()} {d '2020-01-01'} ? :p $1"_s;
    const QString insert =
        u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_Descripcion) VALUES "
        "('A1', '0001', %1)"_s.arg(kesta::storage::quotedText(Engine::PostgreSql, text));
    QCOMPARE(outcomeOf(connection, insert), u"no error"_s);
    QCOMPARE(db.scalar(u"SELECT Ly_Descripcion FROM Layout"_s).toString(), text);
    // A write's transaction is serializable, as on PostgreSQL's own driver.
    connection.BeginTrans();
    auto isolation = connection.Execute(u"SHOW transaction_isolation"_s);
    QCOMPARE(isolation->Field(u"transaction_isolation"_s).toString(), u"serializable"_s);
    isolation.reset();
    connection.RollbackTrans();

    // A key written twice is a conflict; the driver's record says 23505. A statement the
    // database refuses is not.
    QVERIFY(outcomeOf(connection, insert).startsWith(u"ConflictError: "_s));
    QSqlQuery again(sql);
    QVERIFY(!again.exec(insert));
    const QList<services::Diagnostic> records = services::odbcDiagnostics(sql, again);
    QVERIFY(!records.isEmpty());
    QCOMPARE(records.first().sqlState, u"23505"_s);
    QVERIFY(records.first().text.contains(u"duplicate key"_s));
    again.finish();
    const QString refused = outcomeOf(connection, u"SELECT nonsense FROM Layout"_s);
    QVERIFY2(refused.startsWith(u"RuntimeError: "_s) && refused.contains(u"nonsense"_s),
             qPrintable(refused));

    // Killed by the server from another session: the failure is raised and the connection
    // closed; the next statement opens it again.
    auto pid = connection.Execute(u"SELECT pg_backend_pid() AS pid"_s);
    const QString backend = pid->Field(u"pid"_s).toString();
    pid.reset();
    services::openDatabase(u"admin"_s, db.location());
    {
        QSqlQuery admin(QSqlDatabase::database(u"admin"_s));
        QVERIFY(admin.exec(u"SELECT pg_terminate_backend(%1)"_s.arg(backend)));
        const QString gone = u"SELECT COUNT(*) FROM pg_stat_activity WHERE pid = "_s + backend;
        QTRY_VERIFY_WITH_TIMEOUT(admin.exec(gone) && admin.next() && admin.value(0).toInt() == 0,
                                 10000);
    }
    services::closeDatabase(u"admin"_s);
    const QString killed = outcomeOf(connection, u"SELECT 1"_s);
    QVERIFY2(killed.startsWith(u"RuntimeError: "_s), qPrintable(killed));
    QVERIFY(!QSqlDatabase::database(name, false).isOpen());
    // The next use, the services' own lookups as well, opens it again.
    QCOMPARE(
        services::lookupValue(name, u"Layout"_s, u"Ly_Cve_Layout"_s, u"A1"_s, u"Ly_Descripcion"_s),
        text);
    auto count = connection.Execute(u"SELECT COUNT(*) AS n FROM Layout"_s);
    QCOMPARE(count->Field(u"n"_s).toInt(), 1);
    count.reset();
    QCOMPARE(services::engineOf(QSqlDatabase::database(name, false)), Engine::PostgreSql);
}

// Velkora's start on an ODBC connection to an empty PostgreSQL database: it names PostgreSQL's
// script, and with --init creates PostgreSQL's schema and the sample.
void TestDatabaseLayer::odbcDatabaseWithoutTables()
{
    TestDatabase db(TestDatabase::Kind::OdbcPostgreSql, false);
    KESTA_REQUIRE(db);
    const QString name = u"odbc setup"_s;
    try {
        velkora::app::DatabaseSetup::open(name, db.location(), false);
        QFAIL("a database without tables must not open without --init");
    } catch (const RuntimeError &error) {
        QVERIFY2(error.description().contains(u"db/postgresql.sql"_s),
                 qPrintable(error.description()));
    }
    services::closeDatabase(name);
    QVERIFY(velkora::app::DatabaseSetup::open(name, db.location(), true).created);
    QCOMPARE(db.scalar(u"SELECT COUNT(DISTINCT Ly_Cve_Layout) FROM Layout"_s).toInt(), 1);
    services::closeDatabase(name);
}

QTEST_GUILESS_MAIN(TestDatabaseLayer)
#include "tst_database.moc"
