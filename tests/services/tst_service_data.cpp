// The services on the host's database, every test on SQLite and on PostgreSQL: settings and
// module options, lookups, automatic keys, the action record, date and stamp texts.

#include "host/RuntimeError.h"
#include "services/CoreServicesImpl.h"
#include "store/Database.h"
#include "store/DateTexts.h"
#include "services/Settings.h"
#include "services/ToolServicesImpl.h"
#include "support/TestDatabase.h"

#include <QtSql>
#include <QtTest>

using namespace Qt::StringLiterals;
using kesta::host::Engine;
using kesta::host::RuntimeError;
using kesta::test::TestDatabase;
namespace services = velkora::services;

class TestServiceData : public QObject {
    Q_OBJECT
    // For every test: a database of the row's engine with the schema, the services on it.
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<kesta::host::CoreServices> core;
    std::unique_ptr<kesta::host::ToolServices> tool;
    QVariant setting(const QString &name) { return core->GetSetting(name); }
    int count(const QString &from) { return db->scalar(u"SELECT COUNT(*) FROM "_s + from).toInt(); }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<TestDatabase::Kind>("kind");
        QTest::newRow("sqlite") << TestDatabase::Kind::Sqlite;
        QTest::newRow("postgresql") << TestDatabase::Kind::PostgreSql;
    }
    void init()
    {
        QFETCH_GLOBAL(TestDatabase::Kind, kind);
        db = std::make_unique<TestDatabase>(kind);
        core = std::make_unique<services::CoreServicesImpl>(db->connectionName(), u"OPER1"_s);
        tool = std::make_unique<services::ToolServicesImpl>(db->connectionName(), u"OPER1"_s);
        KESTA_REQUIRE(*db);
    }
    void cleanup() { db.reset(); }

    void settingsAndOptions()
    {
        // What a new database gives; missing: a null setting, a 0 option.
        QCOMPARE(setting(u"FTO_LAYOUT"_s), QVariant(u"0000"_s));
        QVERIFY(!setting(u"CAT_FORZAR_MAYUSCULAS"_s).toBool() &&
                !setting(u"CAT_AUTOCLAVE"_s).toBool());
        QVERIFY(setting(u"NO_EXISTE"_s).isNull());
        QCOMPARE(core->GetModuleOption(u"KESTA"_s, u"CAT001"_s, u"No disponible"_s), 1);
        QCOMPARE(core->GetModuleOption(u"KESTA"_s, u"CAT999"_s, u"No disponible"_s), 0);
        // A NULL value is null too, an empty text is not.
        services::writeSetting(db->connectionName(), u"VACIO"_s, QVariant());
        services::writeSetting(db->connectionName(), u"TEXTO_VACIO"_s, u""_s);
        QVERIFY(setting(u"VACIO"_s).isNull());
        QVERIFY(!setting(u"TEXTO_VACIO"_s).isNull() && setting(u"TEXTO_VACIO"_s) == u""_s);

        // Shared through the tables: another session's change is read here; names are exact.
        const QString other = db->connectionName() + u"_b"_s;
        services::openDatabase(other, db->location());
        services::writeSetting(other, u"CAT_AUTOCLAVE"_s, u"1"_s);
        services::writeModuleOption(other, u"KESTA"_s, u"CAT001"_s, 0);
        services::writeSetting(other, u"NUEVO"_s, u"O'Brien"_s);
        services::closeDatabase(other);
        QVERIFY(setting(u"CAT_AUTOCLAVE"_s).toBool());
        QCOMPARE(core->GetModuleOption(u"KESTA"_s, u"CAT001"_s, {}), 0);
        QCOMPARE(setting(u"NUEVO"_s), QVariant(u"O'Brien"_s));
        QVERIFY(setting(u"nuevo"_s).isNull());
        QCOMPARE(count(u"Velkora_Configuracion WHERE Cf_Nombre = 'CAT_AUTOCLAVE'"_s), 1);
        // Without the tables, the database's error.
        db->exec(u"DROP TABLE Velkora_Configuracion"_s);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, setting(u"FTO_LAYOUT"_s));
    }

    void nextKey_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<qlonglong>("expected");
        QTest::newRow("empty") << u""_s << 1LL;
        QTest::newRow("numeric") << u"0001 0009 0010"_s << 11LL;
        QTest::newRow("mixed") << u"ABC 0012 9A -50 1.5 7"_s << 13LL;
        QTest::newRow("none numeric") << u"ABC X1"_s << 1LL;
        QTest::newRow("past four digits") << u"0999 9999"_s << 10000LL;
    }
    void nextKey()
    {
        QFETCH(QString, keys);
        QFETCH(qlonglong, expected);
        for (const QString &key : keys.split(u' ', Qt::SkipEmptyParts)) // two line types each
            db->exec(u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID) VALUES ('%1', '0001'), "
                     "('%1', '0002')"_s.arg(key));
        QCOMPARE(tool->NextKey(u"Layout"_s, u"Ly_Cve_Layout"_s), expected);
    }

    void lookupValue()
    {
        db->exec(u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_Descripcion, Ly_Posicion) VALUES "
                 "('0001', '0001', 'Extracto', 7), ('O''B', '0001', 'Con apostrofo', 1), "
                 "('NUL', '0001', NULL, 1)"_s);
        auto lookup = [this](const QString &key, const QString &column = u"Ly_Descripcion"_s) {
            return tool->LookupValue(u"Layout"_s, u"Ly_Cve_Layout"_s, key, column);
        };
        QCOMPARE(lookup(u"0001"_s) + lookup(u"0001"_s, u"Ly_Posicion"_s), u"Extracto7"_s);
        QCOMPARE(lookup(u"O'B"_s), u"Con apostrofo"_s);
        QCOMPARE(lookup(u"9999"_s) + lookup(u"NUL"_s), QString());
        // A key that would close the literal finds nothing; a missing column is the database's
        // error.
        QCOMPARE(lookup(u"x' OR '1'='1"_s), QString());
        QVERIFY_THROWS_EXCEPTION(RuntimeError, lookup(u"0001"_s, u"No_Existe"_s));
    }

    void identifiersAreChecked_data()
    {
        QTest::addColumn<QString>("bad");
        QTest::newRow("statement") << u"Layout; DROP TABLE x"_s;
        QTest::newRow("comment") << u"Ly_Cve_Layout--"_s;
        QTest::newRow("quote") << u"\"Layout\""_s;
        QTest::newRow("empty") << u""_s;
        QTest::newRow("dot") << u"dbo.Layout"_s;
        QTest::newRow("accent") << u"Descripción"_s;
    }
    void identifiersAreChecked()
    {
        QFETCH(QString, bad);
        db->exec(u"CREATE TABLE x (a INTEGER)"_s);
        const QString table = u"Layout"_s, key = u"Ly_Cve_Layout"_s, wanted = u"Ly_Descripcion"_s;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->LookupValue(bad, key, u"1"_s, wanted));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->LookupValue(table, bad, u"1"_s, wanted));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->LookupValue(table, key, u"1"_s, bad));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->NextKey(bad, key));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->NextKey(table, bad));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tool->LogAction(bad, u"1"_s, u"Baja"_s));
        // Nothing ran: the table x is still there and the action record is empty.
        QCOMPARE(count(u"x"_s) + count(u"Velkora_Bitacora"_s), 0);
    }

    void logAction()
    {
        // Inside the caller's transaction: a rollback takes the entry back, a commit keeps it.
        auto connection = core->Connection();
        connection->BeginTrans();
        tool->LogAction(u"Layout"_s, u"0007"_s, u"Baja"_s);
        connection->RollbackTrans();
        QCOMPARE(count(u"Velkora_Bitacora"_s), 0);
        connection->BeginTrans();
        tool->LogAction(u"Layout"_s, u"0007"_s, u"Baja"_s);
        tool->LogAction(u"Layout"_s, u"O'B"_s, u"Reactivación"_s);
        connection->CommitTrans();

        auto rows = connection->Execute(u"SELECT Bi_Tabla, Bi_Clave, Bi_Accion, Bi_Operador, "
                                        "Bi_Fecha FROM Velkora_Bitacora ORDER BY Bi_ID"_s);
        QStringList seen;
        for (; !rows->EndOfSet(); rows->MoveNext()) {
            for (const char *column : {"Bi_Tabla", "Bi_Clave", "Bi_Accion", "Bi_Operador"})
                seen << rows->Field(QLatin1String(column)).toString();
            const QDateTime stamp = rows->Field(u"Bi_Fecha"_s).toDateTime();
            QVERIFY(qAbs(stamp.secsTo(QDateTime::currentDateTime())) < 60);
        }
        QCOMPARE(seen.join(u' '), u"Layout 0007 Baja OPER1 Layout O'B Reactivación OPER1"_s);
    }

    void dateTexts_data()
    {
        QTest::addColumn<Engine>("texts");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sqlite") << Engine::Sqlite << u"2026-01-02|2026-01-02 23:59:58"_s;
        QTest::newRow("postgresql") << Engine::PostgreSql << u"2026-01-02|2026-01-02 23:59:58"_s;
        QTest::newRow("sqlserver") << Engine::SqlServer << u"20260102|2026-01-02T23:59:58"_s;
    }
    void dateTexts()
    {
        QFETCH(Engine, texts);
        QFETCH(QString, expected);
        const QDateTime when(QDate(2026, 1, 2), QTime(23, 59, 58, 640));
        QCOMPARE(services::dateText(texts, when.date()) + u'|' + services::stampText(texts, when),
                 expected);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, services::stampText(texts, QDateTime()));
    }

    void datesRoundTrip()
    {
        // Day and month that could be swapped, a stamp just before midnight, written as the
        // screen writes them (between apostrophes), come back from the engine.
        const QDate date(2026, 3, 4);
        const QDateTime stamp(QDate(2026, 12, 6), QTime(23, 59, 58));
        auto connection = core->Connection();
        connection->Execute(u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_UserDef_5, Fecha_Alta, "
                            "Fecha_Baja) VALUES ('1', '0001', '%1', '%2', '%3')"_s.arg(
                                tool->FormatDate(date), tool->FormatDateTime(stamp),
                                tool->FormatDateTime(tool->CurrentDateTime())));
        auto rows =
            connection->Execute(u"SELECT Ly_UserDef_5, Fecha_Alta, Fecha_Baja FROM Layout"_s);
        QCOMPARE(rows->Field(u"Ly_UserDef_5"_s).toDate(), date);
        QCOMPARE(rows->Field(u"Fecha_Alta"_s).toDateTime(), stamp);
        const QDateTime now = rows->Field(u"Fecha_Baja"_s).toDateTime();
        QVERIFY(qAbs(now.secsTo(QDateTime::currentDateTime())) < 60);
    }
};

QTEST_MAIN(TestServiceData)
#include "tst_service_data.moc"
