// The services that read and write the host's database, on SQLite and on PostgreSQL:
// settings and module options, lookups, automatic keys, the action record, date and stamp
// texts, the connection and the factories.

#include "controls/SmallControls.h"
#include "host/RuntimeError.h"
#include "services/CoreServicesImpl.h"
#include "services/Database.h"
#include "services/DateTexts.h"
#include "services/Services.h"
#include "services/Settings.h"
#include "services/ToolServicesImpl.h"
#include "support/TestDatabase.h"

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

using kesta::host::Engine;
using kesta::host::RuntimeError;
using kesta::test::TestDatabase;
namespace services = velkora::services;

Q_DECLARE_METATYPE(TestDatabase::Kind)

namespace {

struct Fixture {
    explicit Fixture(TestDatabase::Kind kind)
        : db(kind), core(db.connectionName(), QStringLiteral("OPER1")),
          tool(db.connectionName(), QStringLiteral("OPER1"))
    {}
    TestDatabase db;
    services::CoreServicesImpl core;
    services::ToolServicesImpl tool;
};

// A second connection on the same database, as another user's session.
struct SecondSession {
    explicit SecondSession(const TestDatabase &db)
        : name(db.connectionName() + QStringLiteral("_b"))
    {
        services::openDatabase(name, db.location());
    }
    ~SecondSession() { services::closeDatabase(name); }
    QString name;
};

} // namespace

class TestServiceData : public QObject {
    Q_OBJECT

private:
    static void engines()
    {
        QTest::addColumn<TestDatabase::Kind>("kind");
        QTest::newRow("sqlite") << TestDatabase::Kind::Sqlite;
        QTest::newRow("postgresql") << TestDatabase::Kind::PostgreSql;
    }

private slots:
    void settingsAndOptions_data() { engines(); }
    void settingsAndOptions()
    {
        QFETCH(TestDatabase::Kind, kind);
        Fixture f(kind);
        KESTA_REQUIRE(f.db);

        // What a new database gives.
        QCOMPARE(f.core.GetSetting(QStringLiteral("FTO_LAYOUT"), 0, {}, {}),
                 QVariant(QStringLiteral("0000")));
        QCOMPARE(f.core.GetSetting(QStringLiteral("CAT_FORZAR_MAYUSCULAS"), 0, {}, {}).toBool(),
                 false);
        QCOMPARE(f.core.GetSetting(QStringLiteral("CAT_AUTOCLAVE"), 0, {}, {}).toBool(), false);
        QCOMPARE(f.core.GetModuleOption(QStringLiteral("KESTA"), QStringLiteral("CAT001"),
                                        QStringLiteral("No disponible")),
                 1);

        // Missing: a null setting, a 0 option; a NULL value is null too.
        QVERIFY(f.core.GetSetting(QStringLiteral("NO_EXISTE"), 0, {}, {}).isNull());
        QCOMPARE(f.core.GetModuleOption(QStringLiteral("KESTA"), QStringLiteral("CAT999"),
                                        QStringLiteral("No disponible")),
                 0);
        services::writeSetting(f.db.connectionName(), QStringLiteral("VACIO"), QVariant());
        QVERIFY(f.core.GetSetting(QStringLiteral("VACIO"), 0, {}, {}).isNull());
        services::writeSetting(f.db.connectionName(), QStringLiteral("TEXTO_VACIO"),
                               QStringLiteral(""));
        const QVariant empty = f.core.GetSetting(QStringLiteral("TEXTO_VACIO"), 0, {}, {});
        QVERIFY(!empty.isNull());
        QCOMPARE(empty.toString(), QString());

        // Shared through the table: a change made in another session is read here, and a
        // setting is matched by its exact name.
        SecondSession other(f.db);
        services::CoreServicesImpl otherCore(other.name, QStringLiteral("OPER2"));
        services::writeSetting(other.name, QStringLiteral("CAT_AUTOCLAVE"), QStringLiteral("1"));
        services::writeModuleOption(other.name, QStringLiteral("KESTA"), QStringLiteral("CAT001"),
                                    0);
        services::writeSetting(other.name, QStringLiteral("NUEVO"), QStringLiteral("O'Brien"));
        QCOMPARE(f.core.GetSetting(QStringLiteral("CAT_AUTOCLAVE"), 0, {}, {}).toBool(), true);
        QCOMPARE(f.core.GetModuleOption(QStringLiteral("KESTA"), QStringLiteral("CAT001"), {}), 0);
        QCOMPARE(f.core.GetSetting(QStringLiteral("NUEVO"), 0, {}, {}).toString(),
                 QStringLiteral("O'Brien"));
        QVERIFY(f.core.GetSetting(QStringLiteral("nuevo"), 0, {}, {}).isNull());
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT COUNT(*) FROM Velkora_Configuracion WHERE "
                                            "Cf_Nombre = 'CAT_AUTOCLAVE'"))
                     .toInt(),
                 1);
    }

    void optionThatIsNotANumberRaises()
    {
        Fixture f(TestDatabase::Kind::Sqlite);
        KESTA_REQUIRE(f.db);
        f.db.exec(QStringLiteral("INSERT INTO Velkora_Opcion_Modulo (Om_Modulo, Om_Codigo, "
                                 "Om_Valor) VALUES ('KESTA', 'MAL', 'abc')"));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, f.core.GetModuleOption(QStringLiteral("KESTA"),
                                                                      QStringLiteral("MAL"), {}));
    }

    void settingsWithoutTablesRaise()
    {
        TestDatabase db(TestDatabase::Kind::Sqlite, false);
        KESTA_REQUIRE(db);
        services::CoreServicesImpl core(db.connectionName(), QStringLiteral("X"));
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 core.GetSetting(QStringLiteral("FTO_LAYOUT"), 0, {}, {}));
    }

    void nextKey_data()
    {
        QTest::addColumn<TestDatabase::Kind>("kind");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<qlonglong>("expected");
        for (auto kind : {TestDatabase::Kind::Sqlite, TestDatabase::Kind::PostgreSql}) {
            const char *engine = kind == TestDatabase::Kind::Sqlite ? "sqlite" : "postgresql";
            QTest::addRow("%s empty", engine) << kind << QStringList() << 1LL;
            QTest::addRow("%s numeric", engine)
                << kind
                << QStringList{QStringLiteral("0001"), QStringLiteral("0009"),
                               QStringLiteral("0010")}
                << 11LL;
            QTest::addRow("%s mixed", engine)
                << kind
                << QStringList{QStringLiteral("ABC"), QStringLiteral("0012"), QStringLiteral("9A"),
                               QStringLiteral("-50"), QStringLiteral("1.5"),  QStringLiteral("7")}
                << 13LL;
            QTest::addRow("%s none numeric", engine)
                << kind << QStringList{QStringLiteral("ABC"), QStringLiteral("X1")} << 1LL;
            QTest::addRow("%s wider than four", engine)
                << kind << QStringList{QStringLiteral("9999"), QStringLiteral("99999")} << 100000LL;
        }
    }
    void nextKey()
    {
        QFETCH(TestDatabase::Kind, kind);
        QFETCH(QStringList, keys);
        QFETCH(qlonglong, expected);
        Fixture f(kind);
        KESTA_REQUIRE(f.db);
        for (const QString &key : keys) {
            // Two line types per key: the key counts once.
            for (const char *id : {"0001", "0002"})
                f.db.exec(QStringLiteral("INSERT INTO Layout (Ly_Cve_Layout, Ly_ID) VALUES "
                                         "('%1', '%2')")
                              .arg(key, QLatin1String(id)));
        }
        QCOMPARE(f.tool.NextKey(QStringLiteral("Layout"), QStringLiteral("Ly_Cve_Layout")),
                 expected);
    }

    void lookupValue_data() { engines(); }
    void lookupValue()
    {
        QFETCH(TestDatabase::Kind, kind);
        Fixture f(kind);
        KESTA_REQUIRE(f.db);
        f.db.exec(QStringLiteral("INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_Descripcion, "
                                 "Ly_Posicion) VALUES ('0001', '0001', 'Extracto', 7)"));
        f.db.exec(QStringLiteral("INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_Descripcion) "
                                 "VALUES ('O''B', '0001', 'Con apostrofo')"));
        f.db.exec(
            QStringLiteral("INSERT INTO Layout (Ly_Cve_Layout, Ly_ID) VALUES ('NUL', '0001')"));
        const QString table = QStringLiteral("Layout");
        const QString key = QStringLiteral("Ly_Cve_Layout");
        QCOMPARE(f.tool.LookupValue(table, key, QStringLiteral("0001"),
                                    QStringLiteral("Ly_Descripcion"), 0, {}, {}, {}),
                 QStringLiteral("Extracto"));
        QCOMPARE(f.tool.LookupValue(table, key, QStringLiteral("0001"),
                                    QStringLiteral("Ly_Posicion"), 0, {}, {}, {}),
                 QStringLiteral("7"));
        QCOMPARE(f.tool.LookupValue(table, key, QStringLiteral("O'B"),
                                    QStringLiteral("Ly_Descripcion"), 0, {}, {}, {}),
                 QStringLiteral("Con apostrofo"));
        const QString none = f.tool.LookupValue(table, key, QStringLiteral("9999"),
                                                QStringLiteral("Ly_Descripcion"), 0, {}, {}, {});
        QVERIFY(none.isEmpty());
        QVERIFY(f.tool
                    .LookupValue(table, key, QStringLiteral("NUL"),
                                 QStringLiteral("Ly_Descripcion"), 0, {}, {}, {})
                    .isEmpty());
        // A key that would close the literal finds nothing and harms nothing.
        QVERIFY(f.tool
                    .LookupValue(table, key, QStringLiteral("x' OR '1'='1"),
                                 QStringLiteral("Ly_Descripcion"), 0, {}, {}, {})
                    .isEmpty());
        // A column that does not exist is the database's error.
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 f.tool.LookupValue(table, key, QStringLiteral("0001"),
                                                    QStringLiteral("No_Existe"), 0, {}, {}, {}));
    }

    void identifiersAreChecked_data()
    {
        QTest::addColumn<QString>("bad");
        QTest::newRow("statement") << QStringLiteral("Layout; DROP TABLE x");
        QTest::newRow("comment") << QStringLiteral("Ly_Cve_Layout--");
        QTest::newRow("leading digit") << QStringLiteral("1Layout");
        QTest::newRow("blank") << QStringLiteral("Ly ID");
        QTest::newRow("quote") << QStringLiteral("\"Layout\"");
        QTest::newRow("empty") << QString();
        QTest::newRow("dot") << QStringLiteral("dbo.Layout");
        QTest::newRow("accent") << QStringLiteral("Descripción");
    }
    void identifiersAreChecked()
    {
        QFETCH(QString, bad);
        Fixture f(TestDatabase::Kind::Sqlite);
        KESTA_REQUIRE(f.db);
        f.db.exec(QStringLiteral("CREATE TABLE x (a INTEGER)"));
        const QString table = QStringLiteral("Layout");
        const QString key = QStringLiteral("Ly_Cve_Layout");
        const QString wanted = QStringLiteral("Ly_Descripcion");
        const QString one = QStringLiteral("1");
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 f.tool.LookupValue(bad, key, one, wanted, 0, {}, {}, {}));
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 f.tool.LookupValue(table, bad, one, wanted, 0, {}, {}, {}));
        QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                 f.tool.LookupValue(table, key, one, bad, 0, {}, {}, {}));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, f.tool.NextKey(bad, key));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, f.tool.NextKey(table, bad));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, f.tool.LogAction(bad, one, QStringLiteral("Baja")));
        // Nothing ran: the table x is still there and the action record is empty.
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT COUNT(*) FROM x")).toInt(), 0);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT COUNT(*) FROM Velkora_Bitacora")).toInt(), 0);
        // The same names pass when they are plain.
        QVERIFY(f.tool.LookupValue(table, key, one, wanted, 0, {}, {}, {}).isEmpty());
    }

    void logAction_data() { engines(); }
    void logAction()
    {
        QFETCH(TestDatabase::Kind, kind);
        Fixture f(kind);
        KESTA_REQUIRE(f.db);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
        // Inside the caller's transaction: a rollback takes the entry back, a commit keeps it.
        auto connection = f.core.Connection();
        connection->BeginTrans();
        f.tool.LogAction(QStringLiteral("Layout"), QStringLiteral("0007"), QStringLiteral("Baja"));
        connection->RollbackTrans();
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT COUNT(*) FROM Velkora_Bitacora")).toInt(), 0);

        connection->BeginTrans();
        f.tool.LogAction(QStringLiteral("Layout"), QStringLiteral("0007"), QStringLiteral("Baja"));
        f.tool.LogAction(QStringLiteral("Layout"), QStringLiteral("O'B"),
                         QStringLiteral("Reactivación"));
        connection->CommitTrans();

        auto rows = connection->Execute(QStringLiteral(
            "SELECT Bi_Tabla, Bi_Clave, Bi_Accion, Bi_Operador, Bi_Fecha FROM Velkora_Bitacora "
            "ORDER BY Bi_ID"));
        QVERIFY(!rows->EndOfSet());
        QCOMPARE(rows->Field(QStringLiteral("Bi_Tabla")).toString(), QStringLiteral("Layout"));
        QCOMPARE(rows->Field(QStringLiteral("Bi_Clave")).toString(), QStringLiteral("0007"));
        QCOMPARE(rows->Field(QStringLiteral("Bi_Accion")).toString(), QStringLiteral("Baja"));
        QCOMPARE(rows->Field(QStringLiteral("Bi_Operador")).toString(), QStringLiteral("OPER1"));
        const QDateTime stamp = rows->Field(QStringLiteral("Bi_Fecha")).toDateTime();
        QVERIFY2(stamp >= before && stamp <= QDateTime::currentDateTime().addSecs(2),
                 qPrintable(rows->Field(QStringLiteral("Bi_Fecha")).toString()));
        rows->MoveNext();
        QVERIFY(!rows->EndOfSet());
        QCOMPARE(rows->Field(QStringLiteral("Bi_Clave")).toString(), QStringLiteral("O'B"));
        QCOMPARE(rows->Field(QStringLiteral("Bi_Accion")).toString(),
                 QStringLiteral("Reactivación"));
        rows->MoveNext();
        QVERIFY(rows->EndOfSet());
        rows->Close();
    }

    void dateTexts_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("sqlite") << int(Engine::Sqlite) << QStringLiteral("2026-01-02")
                                << QStringLiteral("2026-01-02 23:59:58");
        QTest::newRow("postgresql") << int(Engine::PostgreSql) << QStringLiteral("2026-01-02")
                                    << QStringLiteral("2026-01-02 23:59:58");
        QTest::newRow("sqlserver") << int(Engine::SqlServer) << QStringLiteral("20260102")
                                   << QStringLiteral("2026-01-02T23:59:58");
    }
    void dateTexts()
    {
        QFETCH(int, engine);
        QFETCH(QString, date);
        QFETCH(QString, stamp);
        const QDateTime when(QDate(2026, 1, 2), QTime(23, 59, 58, 640));
        QCOMPARE(services::dateText(Engine(engine), when.date()), date);
        QCOMPARE(services::stampText(Engine(engine), when), stamp);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::dateText(Engine(engine), QDate()));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::stampText(Engine(engine), QDateTime()));
    }

    void datesRoundTrip_data() { engines(); }
    void datesRoundTrip()
    {
        QFETCH(TestDatabase::Kind, kind);
        Fixture f(kind);
        KESTA_REQUIRE(f.db);
        // Day and month that could be swapped, and a stamp just before midnight.
        const QDate date(2026, 3, 4);
        const QDateTime stamp(QDate(2026, 12, 6), QTime(23, 59, 58));
        const QString dateText = f.tool.FormatDate(date);
        const QString stampText = f.tool.FormatDateTime(f.tool.CurrentDateTime());
        const QString fixedStamp = f.tool.FormatDateTime(stamp);
        auto connection = f.core.Connection();
        // Written the way the screen writes them: between apostrophes in the statement text.
        connection->Execute(QStringLiteral("INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, "
                                           "Ly_UserDef_5, Fecha_Alta, Fecha_Baja) VALUES ('1', "
                                           "'0001', '%1', '%2', '%3')")
                                .arg(dateText, fixedStamp, stampText));
        auto rows = connection->Execute(QStringLiteral(
            "SELECT Ly_UserDef_5, Fecha_Alta, Fecha_Baja FROM Layout WHERE Ly_Cve_Layout = '1'"));
        QVERIFY(!rows->EndOfSet());
        QCOMPARE(rows->Field(QStringLiteral("Ly_UserDef_5")).toDate(), date);
        QCOMPARE(rows->Field(QStringLiteral("Fecha_Alta")).toDateTime(), stamp);
        const QDateTime now = rows->Field(QStringLiteral("Fecha_Baja")).toDateTime();
        QVERIFY(qAbs(now.secsTo(QDateTime::currentDateTime())) < 60);
        rows->Close();
        // The engine itself reads them as dates, not as texts in some order.
        const QString dayOf =
            kind == TestDatabase::Kind::Sqlite
                ? QStringLiteral("SELECT strftime('%m', Ly_UserDef_5) || '/' || "
                                 "strftime('%d', Fecha_Alta) FROM Layout")
                : QStringLiteral("SELECT EXTRACT(MONTH FROM Ly_UserDef_5) || "
                                 "'/' || EXTRACT(DAY FROM Fecha_Alta) FROM Layout");
        const QString monthDay = f.db.scalar(dayOf).toString();
        QVERIFY2(monthDay == QLatin1String("03/06") || monthDay == QLatin1String("3/6"),
                 qPrintable(monthDay));
    }

    void connectionIsFetchedAnew()
    {
        TestDatabase first(TestDatabase::Kind::Sqlite);
        KESTA_REQUIRE(first);
        QTemporaryDir dir;
        const QString name = QStringLiteral("svc_anew");
        services::openDatabase(name, first.location());
        services::CoreServicesImpl core(name, QStringLiteral("X"));
        auto held = core.Connection();
        QCOMPARE(held->engine(), Engine::Sqlite);
        held->Execute(
            QStringLiteral("INSERT INTO Layout (Ly_Cve_Layout, Ly_ID) VALUES ('A', '1')"));

        // The connection is replaced by another database under the same name: the services
        // object and even an old Connection object reach the new one.
        services::closeDatabase(name);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, held->Execute(QStringLiteral("SELECT 1")));
        services::openDatabase(name, dir.filePath(QStringLiteral("other.db")));
        services::createSchema(name);
        auto rows = core.Connection()->Execute(QStringLiteral("SELECT COUNT(*) AS n FROM Layout"));
        QCOMPARE(rows->Field(QStringLiteral("n")).toInt(), 0);
        rows->Close();
        services::closeDatabase(name);
    }

    void factoriesReadTheEnvironment()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("env.db"));
        qputenv("VELKORA_DATABASE", file.toLocal8Bit());
        qputenv("VELKORA_OPERATOR", "OPX");
        QVERIFY(!QSqlDatabase::contains(QLatin1String(services::DefaultConnectionName)));
        {
            auto core = services::createCoreServices();
            auto tool = services::createToolServices();
            QCOMPARE(core->CurrentOperator(), QStringLiteral("OPX"));
            QCOMPARE(core->Connection()->engine(), Engine::Sqlite);
            QCOMPARE(QSqlDatabase::database(QLatin1String(services::DefaultConnectionName), false)
                         .databaseName(),
                     file);
            services::createSchema(QLatin1String(services::DefaultConnectionName));
            tool->LogAction(QStringLiteral("Layout"), QStringLiteral("1"), QStringLiteral("Baja"));
            auto rows = core->Connection()->Execute(
                QStringLiteral("SELECT Bi_Operador FROM Velkora_Bitacora"));
            QCOMPARE(rows->Field(QStringLiteral("Bi_Operador")).toString(), QStringLiteral("OPX"));
            rows->Close();
            // A second factory call reuses the open connection.
            auto again = services::createCoreServices();
            QCOMPARE(again->GetSetting(QStringLiteral("FTO_LAYOUT"), 0, {}, {}).toString(),
                     QStringLiteral("0000"));
        }
        services::closeDatabase(QLatin1String(services::DefaultConnectionName));

        qputenv("VELKORA_DATABASE", "postgresql://u@127.0.0.1:5432/");
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::createCoreServices());
        QVERIFY(!QSqlDatabase::contains(QLatin1String(services::DefaultConnectionName)));
        qunsetenv("VELKORA_OPERATOR");
        QVERIFY(!services::configuredOperator().isEmpty());
        qunsetenv("VELKORA_DATABASE");
        QCOMPARE(services::configuredDatabaseLocation(), services::defaultDatabaseLocation());
    }

    void smallServices()
    {
        services::ToolServicesImpl tool(QStringLiteral("nothing_open"), QStringLiteral("X"));
        QCOMPARE(tool.ResolveTransaction(QStringLiteral(" KESTA "), QStringLiteral("Velkora")),
                 QStringLiteral("Velkora/KESTA"));
        QVERIFY_THROWS_EXCEPTION(
            RuntimeError, tool.ResolveTransaction(QStringLiteral("  "), QStringLiteral("Velkora")));

        QVERIFY(tool.LastError().isEmpty());
        QVERIFY(tool.TestLoadFormat(0, QStringLiteral("0001"), QStringLiteral("|")).isEmpty());
        QVERIFY(tool.LastError().contains(QStringLiteral("0001")));
        QVERIFY_THROWS_EXCEPTION(
            RuntimeError,
            tool.ScriptRows(QStringLiteral("SELECT * FROM Layout"), QStringLiteral("Layout")));
        QVERIFY(tool.LastError().contains(QStringLiteral("Layout")));

        services::CoreServicesImpl core(QStringLiteral("nothing_open"), QStringLiteral("X"));
        core.SetForceUppercase(true);
        QVERIFY(velkora::controls::forceUppercase());
        QVERIFY(core.ForceUppercase());
        core.SetForceUppercase(false);
        QVERIFY(!velkora::controls::forceUppercase());
        // No connection under that name: every use says so.
        QVERIFY_THROWS_EXCEPTION(RuntimeError, core.Connection()->engine());
    }
};

QTEST_MAIN(TestServiceData)
#include "tst_service_data.moc"
