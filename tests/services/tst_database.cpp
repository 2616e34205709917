// The database layer of the services library: locations, schema scripts, the sample load
// format, on SQLite and on the throwaway PostgreSQL server.

#include "host/RuntimeError.h"
#include "services/Database.h"
#include "services/SampleFormat.h"
#include "services/SqlScript.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

using kesta::host::RuntimeError;
using kesta::test::TestDatabase;
namespace services = velkora::services;

Q_DECLARE_METATYPE(TestDatabase::Kind)

class TestDatabaseLayer : public QObject {
    Q_OBJECT

private:
    static void engines()
    {
        QTest::addColumn<TestDatabase::Kind>("kind");
        QTest::newRow("sqlite") << TestDatabase::Kind::Sqlite;
        QTest::newRow("postgresql") << TestDatabase::Kind::PostgreSql;
    }

private slots:
    void splitterKeepsLiteralsAndComments()
    {
        const QString script =
            QStringLiteral("-- a comment; with a semicolon\n"
                           "CREATE TABLE t (a VARCHAR(5) DEFAULT 'x;y');\n"
                           "/* block ; comment */ INSERT INTO t VALUES ('it''s; fine');\n"
                           "INSERT INTO t VALUES (\"a;b\")\n"
                           "GO\n"
                           "  go  \n"
                           "SELECT [odd;name] FROM t;;\n");
        const QStringList statements = services::splitSqlScript(script);
        QCOMPARE(statements.size(), 4);
        QCOMPARE(statements.at(0), QStringLiteral("CREATE TABLE t (a VARCHAR(5) DEFAULT 'x;y')"));
        QCOMPARE(statements.at(1), QStringLiteral("INSERT INTO t VALUES ('it''s; fine')"));
        QCOMPARE(statements.at(2), QStringLiteral("INSERT INTO t VALUES (\"a;b\")"));
        QCOMPARE(statements.at(3), QStringLiteral("SELECT [odd;name] FROM t"));
    }

    void everyScriptHasTheSameTablesAndColumns()
    {
        // The three scripts define the same columns, in the same order, table by table.
        auto columnsOf = [](const QString &resource) {
            QFile file(resource);
            if (!file.open(QIODevice::ReadOnly))
                return QStringList{QStringLiteral("missing ") + resource};
            QStringList names;
            for (const QString &statement :
                 services::splitSqlScript(QString::fromUtf8(file.readAll()))) {
                if (!statement.startsWith(QLatin1String("CREATE TABLE")))
                    continue;
                const QStringList lines = statement.split(QLatin1Char('\n'));
                names << lines.first().section(QLatin1Char(' '), 2, 2);
                for (const QString &line : lines.mid(1)) {
                    const QString word = line.trimmed().section(QLatin1Char(' '), 0, 0);
                    if (!word.isEmpty() && word != QLatin1String("CONSTRAINT") &&
                        word != QLatin1String(")"))
                        names << word;
                }
            }
            return names;
        };
        const QStringList sqlite = columnsOf(QStringLiteral(":/db/sqlite.sql"));
        QVERIFY(sqlite.contains(QStringLiteral("Ly_UserDef_6")));
        QCOMPARE(columnsOf(QStringLiteral(":/db/postgresql.sql")), sqlite);
        QCOMPARE(columnsOf(QStringLiteral(":/db/sqlserver.sql")), sqlite);
    }

    void schemaIsCreated_data() { engines(); }
    void schemaIsCreated()
    {
        QFETCH(TestDatabase::Kind, kind);
        TestDatabase db(kind, false);
        KESTA_REQUIRE(db);
        QVERIFY(!services::hasSchema(db.connectionName()));
        services::createSchema(db.connectionName());
        QVERIFY(services::hasSchema(db.connectionName()));

        // Keys, short text order numbers, defaults.
        db.exec(QStringLiteral(
            "INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_Posicion, Ly_Longitud, Ly_UserDef_3, "
            "Fecha_Alta) VALUES ('A1', '0003', 1, 2, 12.3456, '2026-12-06 10:30:15')"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT Ly_ID FROM Layout")).toString(),
                 QStringLiteral("0003"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT Es_Cve_Estado FROM Layout")).toString(),
                 QStringLiteral("AC"));
        const QVariant operBaja = db.scalar(QStringLiteral("SELECT Oper_Baja FROM Layout"));
        QVERIFY(!operBaja.isNull());
        QCOMPARE(operBaja.toString(), QString());
        QVERIFY(db.scalar(QStringLiteral("SELECT Fecha_Baja FROM Layout")).isNull());
        QCOMPARE(db.scalar(QStringLiteral("SELECT Ly_UserDef_3 FROM Layout")).toDouble(), 12.3456);
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 db.exec(QStringLiteral("INSERT INTO Layout (Ly_Cve_Layout, Ly_ID) "
                                                        "VALUES ('A1', '0003')")));
        db.exec(QStringLiteral("INSERT INTO Layout_Detalle (Ly_Cve_Layout, Ly_ID, Ld_ID) "
                               "VALUES ('A1', '0003', '0001')"));
        QVERIFY_THROWS_EXCEPTION(
            RuntimeError, db.exec(QStringLiteral("INSERT INTO Layout_Detalle (Ly_Cve_Layout, "
                                                 "Ly_ID, Ld_ID) VALUES ('A1', '0003', '0001')")));

        // The record finds the columns whatever case the engine gives them.
        QSqlQuery query(QSqlDatabase::database(db.connectionName()));
        QVERIFY(query.exec(QStringLiteral("SELECT * FROM Layout")));
        QVERIFY(query.record().indexOf(QStringLiteral("Ly_Cve_Layout")) >= 0);
        QVERIFY(query.record().indexOf(QStringLiteral("Fecha_Ult_Modif")) >= 0);

        // Default settings and module option of a new database.
        QCOMPARE(db.scalar(QStringLiteral("SELECT Cf_Valor FROM Velkora_Configuracion WHERE "
                                          "Cf_Nombre = 'FTO_LAYOUT'"))
                     .toString(),
                 QStringLiteral("0000"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT Om_Valor FROM Velkora_Opcion_Modulo WHERE "
                                          "Om_Modulo = 'KESTA' AND Om_Codigo = 'CAT001'"))
                     .toInt(),
                 1);

        // Never run over an existing schema.
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::createSchema(db.connectionName()));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout")).toInt(), 1);
    }

    void scriptsRunWithTheEnginesOwnTools()
    {
        // What a database administrator does: the scripts as they stand, through sqlite3 and
        // psql, give a database the services accept.
        const QString dbDir = QStringLiteral(KESTA_SOURCE_DIR "/db");
        const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        const QString psql = QStandardPaths::findExecutable(QStringLiteral("psql"));
        if (sqlite3.isEmpty() || psql.isEmpty())
            QSKIP("sqlite3 or psql is not installed: the scripts were not run through them");

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("dba.db"));
        QProcess process;
        process.setStandardInputFile(dbDir + QStringLiteral("/sqlite.sql"));
        process.start(sqlite3, {QStringLiteral("-bail"), file});
        QVERIFY(process.waitForFinished(30000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
        services::openDatabase(QStringLiteral("dba_sqlite"), file);
        QVERIFY(services::hasSchema(QStringLiteral("dba_sqlite")));
        services::closeDatabase(QStringLiteral("dba_sqlite"));

        TestDatabase db(TestDatabase::Kind::PostgreSql, false);
        KESTA_REQUIRE(db);
        const QUrl url(db.location());
        QProcess psqlProcess;
        psqlProcess.start(psql,
                          {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                           QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), url.host(),
                           QStringLiteral("-p"), QString::number(url.port()), QStringLiteral("-U"),
                           url.userName(), QStringLiteral("-d"), url.path().mid(1),
                           QStringLiteral("-f"), dbDir + QStringLiteral("/postgresql.sql")});
        QVERIFY(psqlProcess.waitForFinished(30000));
        QVERIFY2(psqlProcess.exitCode() == 0, psqlProcess.readAllStandardError().constData());
        QVERIFY(services::hasSchema(db.connectionName()));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Velkora_Configuracion")).toInt(),
                 3);
    }

    void locationsThatOpen()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sub/plain.db"));
        services::openDatabase(QStringLiteral("loc_plain"), path);
        QVERIFY(QSqlDatabase::database(QStringLiteral("loc_plain"), false).isOpen());
        services::closeDatabase(QStringLiteral("loc_plain"));
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("loc_plain")));
        QVERIFY(QFile::exists(path));

        services::openDatabase(QStringLiteral("loc_scheme"),
                               QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("s.db")));
        QCOMPARE(QSqlDatabase::database(QStringLiteral("loc_scheme"), false).driverName(),
                 QStringLiteral("QSQLITE"));
        // A second open under a name in use is refused; the first stays open.
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 services::openDatabase(QStringLiteral("loc_scheme"), path));
        QVERIFY(QSqlDatabase::database(QStringLiteral("loc_scheme"), false).isOpen());
        services::closeDatabase(QStringLiteral("loc_scheme"));
    }

    void postgresUrlIsDecoded()
    {
        TestDatabase db(TestDatabase::Kind::PostgreSql, false);
        KESTA_REQUIRE(db);
        db.exec(QStringLiteral("CREATE ROLE \"kesta user\" LOGIN PASSWORD 'p@ss:w/rd'"));
        // The user and password need percent-decoding; the cluster trusts every local user,
        // so the role's existence is what the open proves.
        const QString url = db.location().replace(QStringLiteral("postgres@"),
                                                  QStringLiteral("kesta%20user:p%40ss%3Aw%2Frd@"));
        services::openDatabase(QStringLiteral("loc_pg"), url);
        QSqlQuery query(QSqlDatabase::database(QStringLiteral("loc_pg"), false));
        QVERIFY(query.exec(QStringLiteral("SELECT current_user")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("kesta user"));
        query.finish();
        services::closeDatabase(QStringLiteral("loc_pg"));
        db.exec(QStringLiteral("DROP ROLE \"kesta user\""));
    }

    void malformedLocations_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << QStringLiteral("empty");
        QTest::newRow("no database") << QStringLiteral("postgresql://u:p@127.0.0.1:5432/")
                                     << QStringLiteral("names no database");
        QTest::newRow("bad port") << QStringLiteral("postgresql://u@127.0.0.1:99999/db")
                                  << QStringLiteral("");
        QTest::newRow("not a url")
            << QStringLiteral("postgresql:/db") << QStringLiteral("malformed");
        QTest::newRow("unknown scheme")
            << QStringLiteral("mysql://u@h/db") << QStringLiteral("unknown scheme");
        QTest::newRow("odbc without string")
            << QStringLiteral("odbc:") << QStringLiteral("ODBC connection string");
        QTest::newRow("unreachable server")
            << QStringLiteral("postgresql://nobody@127.0.0.1:1/none")
            << QStringLiteral("could not be opened");
        QTest::newRow("unreachable sql server")
            << QStringLiteral("odbc:Driver=FreeTDS;Server=127.0.0.1;Port=1;Database=velkora;"
                              "UID=sa;PWD=x;TDS_Version=7.4")
            << QStringLiteral("could not be opened");
        QTest::newRow("not a database file")
            << QStringLiteral("NOT_A_DB") << QStringLiteral("could not be opened");
    }
    void malformedLocations()
    {
        QFETCH(QString, location);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        if (location == QLatin1String("NOT_A_DB")) {
            location = dir.filePath(QStringLiteral("text.db"));
            QFile file(location);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, 'x'));
        }
        try {
            services::openDatabase(QStringLiteral("loc_bad"), location);
            QFAIL("the location was accepted");
        } catch (const RuntimeError &error) {
            QVERIFY2(error.description().contains(expected), qPrintable(error.description()));
        }
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("loc_bad")));
        // Passwords are never shown.
        try {
            services::openDatabase(QStringLiteral("loc_bad"), location);
        } catch (const RuntimeError &error) {
            QVERIFY2(!error.description().contains(QLatin1String("PWD=x")),
                     qPrintable(error.description()));
        }
    }

    void sampleIsSeeded_data() { engines(); }
    void sampleIsSeeded()
    {
        QFETCH(TestDatabase::Kind, kind);
        TestDatabase db(kind);
        KESTA_REQUIRE(db);
        QTemporaryDir dir;
        const QString sampleDir = dir.filePath(QStringLiteral("muestras"));
        services::seedSample(db.connectionName(), sampleDir);

        const auto types = services::sample::lineTypes();
        int fields = 0;
        for (const auto &type : types)
            fields += type.fields.size();
        QCOMPARE(types.size(), 3);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout WHERE Ly_Cve_Layout = "
                                          "'0001'"))
                     .toInt(),
                 3);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout_Detalle WHERE "
                                          "Ly_Cve_Layout = '0001'"))
                     .toInt(),
                 fields);
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT COUNT(DISTINCT Ly_Descripcion) FROM Layout")).toInt(),
            1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout WHERE Es_Cve_Estado = "
                                          "'AC' AND Ly_Inverso = 'NO'"))
                     .toInt(),
                 3);
        const QString filePath =
            db.scalar(QStringLiteral("SELECT MIN(Ly_Archivo) FROM Layout")).toString();
        QCOMPARE(filePath, QDir(sampleDir).absoluteFilePath(QStringLiteral("extracto_0001.txt")));

        // Every line of the file is of exactly one stored line type, and every stored field
        // of that type lies inside the line.
        QFile file(filePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 3);
        QSet<QString> seenTypes;
        for (const QString &line : lines) {
            QSqlQuery query(QSqlDatabase::database(db.connectionName()));
            QVERIFY(query.exec(QStringLiteral("SELECT Ly_ID, Ly_Linea_ID, Ly_Posicion, "
                                              "Ly_Longitud FROM Layout ORDER BY Ly_ID")));
            QString lineType;
            while (query.next()) {
                const int pos = query.value(2).toInt();
                const int len = query.value(3).toInt();
                if (line.mid(pos - 1, len) == query.value(1).toString()) {
                    QVERIFY2(lineType.isEmpty(), qPrintable(line));
                    lineType = query.value(0).toString();
                }
            }
            QVERIFY2(!lineType.isEmpty(), qPrintable(line));
            seenTypes.insert(lineType);
            QVERIFY(query.exec(QStringLiteral("SELECT Ld_Posicion, Ld_Longitud, Ld_Tipo FROM "
                                              "Layout_Detalle WHERE Ly_ID = '%1'")
                                   .arg(lineType)));
            int fieldCount = 0;
            while (query.next()) {
                ++fieldCount;
                const int end = query.value(0).toInt() + query.value(1).toInt() - 1;
                QVERIFY2(end <= line.size(), qPrintable(line));
                const QString text = line.mid(query.value(0).toInt() - 1, query.value(1).toInt());
                if (query.value(2).toString() == QLatin1String("03"))
                    QVERIFY2(QDate::fromString(text, QStringLiteral("yyyyMMdd")).isValid(),
                             qPrintable(text));
                if (query.value(2).toString() == QLatin1String("01")) {
                    bool ok = false;
                    text.toDouble(&ok);
                    QVERIFY2(ok, qPrintable(text));
                }
            }
            QVERIFY(fieldCount > 0);
        }
        QCOMPARE(seenTypes.size(), 3);

        // A second seed leaves the stored rows alone.
        db.exec(QStringLiteral("UPDATE Layout SET Ly_Descripcion = 'Cambiada'"));
        services::seedSample(db.connectionName(), sampleDir);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout WHERE Ly_Descripcion = "
                                          "'Cambiada'"))
                     .toInt(),
                 3);
    }

    void seedWithoutSchemaFails()
    {
        TestDatabase db(TestDatabase::Kind::Sqlite, false);
        KESTA_REQUIRE(db);
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 services::seedSample(db.connectionName(), dir.path()));
    }
};

QTEST_GUILESS_MAIN(TestDatabaseLayer)
#include "tst_database.moc"
