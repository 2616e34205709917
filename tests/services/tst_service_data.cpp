// The services that read and write the host's database, every test on SQLite and on PostgreSQL:
// settings and module options, lookups, automatic keys, the action record, date and stamp
// texts.

#include "host/RuntimeError.h"
#include "services/CoreServicesImpl.h"
#include "services/Database.h"
#include "services/DateTexts.h"
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

Q_DECLARE_METATYPE(TestDatabase::Kind)

namespace {

TestDatabase::Kind engine()
{
    QFETCH_GLOBAL(TestDatabase::Kind, kind);
    return kind;
}

// A database of the row's engine with the schema, and the services on it (operator OPER1).
struct Fixture {
    TestDatabase db{engine()};
    std::unique_ptr<kesta::host::CoreServices> core =
        std::make_unique<services::CoreServicesImpl>(db.connectionName(), u"OPER1"_s);
    std::unique_ptr<kesta::host::ToolServices> tool =
        std::make_unique<services::ToolServicesImpl>(db.connectionName(), u"OPER1"_s);
    QVariant setting(const QString &name) { return core->GetSetting(name); }
    int count(const QString &from) { return db.scalar(u"SELECT COUNT(*) FROM "_s + from).toInt(); }
};

} // namespace

class TestServiceData : public QObject {
    Q_OBJECT
    std::unique_ptr<Fixture> f; // for every test

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<TestDatabase::Kind>("kind");
        QTest::newRow("sqlite") << TestDatabase::Kind::Sqlite;
        QTest::newRow("postgresql") << TestDatabase::Kind::PostgreSql;
    }
    void init()
    {
        f = std::make_unique<Fixture>();
        KESTA_REQUIRE(f->db);
    }
    void cleanup() { f.reset(); }

    void settingsAndOptions()
    {
        // What a new database gives; missing: a null setting, a 0 option.
        QCOMPARE(f->setting(u"FTO_LAYOUT"_s), QVariant(u"0000"_s));
        QVERIFY(!f->setting(u"CAT_FORZAR_MAYUSCULAS"_s).toBool() &&
                !f->setting(u"CAT_AUTOCLAVE"_s).toBool());
        QVERIFY(f->setting(u"NO_EXISTE"_s).isNull());
        QCOMPARE(f->core->GetModuleOption(u"KESTA"_s, u"CAT001"_s, u"No disponible"_s), 1);
        QCOMPARE(f->core->GetModuleOption(u"KESTA"_s, u"CAT999"_s, u"No disponible"_s), 0);
        // A NULL value is null too, an empty text is not.
        services::writeSetting(f->db.connectionName(), u"VACIO"_s, QVariant());
        services::writeSetting(f->db.connectionName(), u"TEXTO_VACIO"_s, u""_s);
        QVERIFY(f->setting(u"VACIO"_s).isNull());
        QVERIFY(!f->setting(u"TEXTO_VACIO"_s).isNull() && f->setting(u"TEXTO_VACIO"_s) == u""_s);

        // Shared through the tables: a change made in another session is read here, and a
        // setting is matched by its exact name.
        const QString other = f->db.connectionName() + u"_b"_s;
        services::openDatabase(other, f->db.location());
        services::writeSetting(other, u"CAT_AUTOCLAVE"_s, u"1"_s);
        services::writeModuleOption(other, u"KESTA"_s, u"CAT001"_s, 0);
        services::writeSetting(other, u"NUEVO"_s, u"O'Brien"_s);
        services::closeDatabase(other);
        QVERIFY(f->setting(u"CAT_AUTOCLAVE"_s).toBool());
        QCOMPARE(f->core->GetModuleOption(u"KESTA"_s, u"CAT001"_s, {}), 0);
        QCOMPARE(f->setting(u"NUEVO"_s), QVariant(u"O'Brien"_s));
        QVERIFY(f->setting(u"nuevo"_s).isNull());
        QCOMPARE(f->count(u"Velkora_Configuracion WHERE Cf_Nombre = 'CAT_AUTOCLAVE'"_s), 1);
        // Without the tables, the database's error.
        f->db.exec(u"DROP TABLE Velkora_Configuracion"_s);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, f->setting(u"FTO_LAYOUT"_s));
    }

    void nextKey_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<qlonglong>("expected");
        QTest::newRow("empty") << u""_s << 1LL;
        QTest::newRow("numeric") << u"0001 0009 0010"_s << 11LL;
        QTest::newRow("mixed") << u"ABC 0012 9A -50 1.5 7"_s << 13LL;
        QTest::newRow("none numeric") << u"ABC X1"_s << 1LL;
        QTest::newRow("wider than four") << u"9999 99999"_s << 100000LL;
    }
    void nextKey()
    {
        QFETCH(QString, keys);
        QFETCH(qlonglong, expected);
        for (const QString &key : keys.split(u' ', Qt::SkipEmptyParts)) // two line types each
            f->db.exec(u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID) VALUES ('%1', '0001'), "
                       "('%1', '0002')"_s.arg(key));
        QCOMPARE(f->tool->NextKey(u"Layout"_s, u"Ly_Cve_Layout"_s), expected);
    }

    void lookupValue()
    {
        f->db.exec(u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_Descripcion, Ly_Posicion) VALUES "
                   "('0001', '0001', 'Extracto', 7), ('O''B', '0001', 'Con apostrofo', 1), "
                   "('NUL', '0001', NULL, 1)"_s);
        auto lookup = [this](const QString &key, const QString &column = u"Ly_Descripcion"_s) {
            return f->tool->LookupValue(u"Layout"_s, u"Ly_Cve_Layout"_s, key, column);
        };
        QCOMPARE(lookup(u"0001"_s) + lookup(u"0001"_s, u"Ly_Posicion"_s), u"Extracto7"_s);
        QCOMPARE(lookup(u"O'B"_s), u"Con apostrofo"_s);
        QCOMPARE(lookup(u"9999"_s) + lookup(u"NUL"_s), QString());
        // A key that would close the literal finds nothing and harms nothing.
        QCOMPARE(lookup(u"x' OR '1'='1"_s), QString());
        // A column that does not exist is the database's error.
        QVERIFY_THROWS_EXCEPTION(RuntimeError, lookup(u"0001"_s, u"No_Existe"_s));
    }

    void identifiersAreChecked_data()
    {
        QTest::addColumn<QString>("bad");
        QTest::newRow("statement") << u"Layout; DROP TABLE x"_s;
        QTest::newRow("comment") << u"Ly_Cve_Layout--"_s;
        QTest::newRow("blank") << u"Ly ID"_s;
        QTest::newRow("quote") << u"\"Layout\""_s;
        QTest::newRow("empty") << u""_s;
        QTest::newRow("dot") << u"dbo.Layout"_s;
        QTest::newRow("accent") << u"Descripción"_s;
    }
    void identifiersAreChecked()
    {
        QFETCH(QString, bad);
        f->db.exec(u"CREATE TABLE x (a INTEGER)"_s);
        const QString table = u"Layout"_s, key = u"Ly_Cve_Layout"_s, wanted = u"Ly_Descripcion"_s;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, f->tool->LookupValue(bad, key, u"1"_s, wanted));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, f->tool->LookupValue(table, bad, u"1"_s, wanted));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, f->tool->LookupValue(table, key, u"1"_s, bad));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, f->tool->NextKey(bad, key));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, f->tool->NextKey(table, bad));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, f->tool->LogAction(bad, u"1"_s, u"Baja"_s));
        // Nothing ran: the table x is still there and the action record is empty.
        QCOMPARE(f->count(u"x"_s) + f->count(u"Velkora_Bitacora"_s), 0);
    }

    void logAction()
    {
        const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
        // Inside the caller's transaction: a rollback takes the entry back, a commit keeps it.
        auto connection = f->core->Connection();
        connection->BeginTrans();
        f->tool->LogAction(u"Layout"_s, u"0007"_s, u"Baja"_s);
        connection->RollbackTrans();
        QCOMPARE(f->count(u"Velkora_Bitacora"_s), 0);
        connection->BeginTrans();
        f->tool->LogAction(u"Layout"_s, u"0007"_s, u"Baja"_s);
        f->tool->LogAction(u"Layout"_s, u"O'B"_s, u"Reactivación"_s);
        connection->CommitTrans();

        auto rows = connection->Execute(u"SELECT Bi_Tabla, Bi_Clave, Bi_Accion, Bi_Operador, "
                                        "Bi_Fecha FROM Velkora_Bitacora ORDER BY Bi_ID"_s);
        QStringList seen;
        for (; !rows->EndOfSet(); rows->MoveNext()) {
            for (const char *column : {"Bi_Tabla", "Bi_Clave", "Bi_Accion", "Bi_Operador"})
                seen << rows->Field(QLatin1String(column)).toString();
            const QDateTime stamp = rows->Field(u"Bi_Fecha"_s).toDateTime();
            QVERIFY(stamp >= before && stamp <= QDateTime::currentDateTime().addSecs(2));
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
        // Day and month that could be swapped, and a stamp just before midnight, written the
        // way the screen writes them (between apostrophes), are read back by the engine.
        const QDate date(2026, 3, 4);
        const QDateTime stamp(QDate(2026, 12, 6), QTime(23, 59, 58));
        auto connection = f->core->Connection();
        connection->Execute(u"INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_UserDef_5, Fecha_Alta, "
                            "Fecha_Baja) VALUES ('1', '0001', '%1', '%2', '%3')"_s.arg(
                                f->tool->FormatDate(date), f->tool->FormatDateTime(stamp),
                                f->tool->FormatDateTime(f->tool->CurrentDateTime())));
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
