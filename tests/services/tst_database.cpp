// The database layer of the services library: locations, schema scripts, the sample load
// format, on SQLite and on the throwaway PostgreSQL server.

#include "host/RuntimeError.h"
#include "services/Database.h"
#include "services/SqlScript.h"
#include "support/TestDatabase.h"

#include <QtSql>
#include <QtTest>

using namespace Qt::StringLiterals;
using kesta::host::RuntimeError;
using kesta::test::TestDatabase;
namespace services = velkora::services;

namespace {

void engines()
{
    QTest::addColumn<TestDatabase::Kind>("kind");
    QTest::newRow("sqlite") << TestDatabase::Kind::Sqlite;
    QTest::newRow("postgresql") << TestDatabase::Kind::PostgreSql;
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

QTEST_GUILESS_MAIN(TestDatabaseLayer)
#include "tst_database.moc"
