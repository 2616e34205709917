// The literal forms of the script for each engine, and the one-SELECT rule.

#include "store/ScriptWriter.h"
#include "support/DataRows.h"
#include "support/TestClasses.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using kesta::test::dataColumns;
using kesta::test::fetchColumns;
using velkora::store::ScriptWriter;
using SqlEngine = kesta::host::Engine;

Q_DECLARE_METATYPE(SqlEngine)

class TestScriptWriter : public QObject {
    Q_OBJECT

private slots:
    // The forms that the SQLite and PostgreSQL round trips (tst_storedformats) do not already
    // prove, and SQL Server's.
    void literals_data()
    {
        const auto add = dataColumns<SqlEngine, QVariant, int, QString>(
            {"engine", "value", "columnType", "literal"});
        const auto lite = SqlEngine::Sqlite, pg = SqlEngine::PostgreSql, ms = SqlEngine::SqlServer;
        const int none = QMetaType::UnknownType, real = QMetaType::Double;
        const QVariant nullText(QMetaType::fromType<QString>());
        const QDateTime stamp(QDate(2026, 12, 6), QTime(10, 30, 15, 250));
        for (const auto &[name, engine] :
             {std::pair{"sqlite", lite}, std::pair{"postgresql", pg}, std::pair{"sqlserver", ms}}) {
            const QByteArray n(name);
            add(n + " null", engine, nullText, none, "NULL");
            add(n + " integer", engine, QVariant(qlonglong(-42)), none, "-42");
            add(n + " real", engine, QVariant(0.1), none, "0.1");
            add(n + " whole real stays real", engine, QVariant(2.0), none, "2.0");
            add(n + " exact decimals", engine, QVariant(u"1234.5000"_s), real, "1234.5000");
            add(n + " number text in a text column", engine, QVariant(u"0001"_s), none,
                (engine == ms ? u"N'0001'"_s : u"'0001'"_s));
        }
        add("sqlite line break", lite, QVariant(u"a'\r\nb"_s), none,
            "'a''' || char(13) || char(10) || 'b'");
        add("sqlite blob", lite, QVariant(QByteArray("\x0A\xFF")), none, "X'0aff'");
        add("postgresql backslash", pg, QVariant(u"C:\\d'x"_s), none, "E'C:\\\\d''x'");
        add("postgresql line break", pg, QVariant(u"a\nb"_s), none, "E'a\\nb'");
        add("postgresql boolean", pg, QVariant(true), none, "TRUE");
        add("sqlserver unicode", ms, QVariant(u"Año €"_s), none, "N'Año €'");
        add("sqlserver line break", ms, QVariant(u"a\nb"_s), none, "N'a' + NCHAR(10) + N'b'");
        add("sqlserver date", ms, QVariant(QDate(2026, 12, 6)), none, "'20261206'");
        add("sqlserver stamp", ms, QVariant(stamp), none, "'2026-12-06T10:30:15.250'");
        add("sqlserver binary", ms, QVariant(QByteArray("\x0A\xFF")), none, "0x0AFF");
    }
    void literals()
    {
        auto [engine, value, columnType, literal] = fetchColumns<SqlEngine, QVariant, int, QString>(
            {"engine", "value", "columnType", "literal"});
        QCOMPARE(ScriptWriter(engine).literal(value, QMetaType(columnType)), literal);
    }

    void names()
    {
        QCOMPARE(ScriptWriter(SqlEngine::PostgreSql).name(u"ly_cve_layout"_s), u"ly_cve_layout"_s);
        QCOMPARE(ScriptWriter(SqlEngine::Sqlite).name(u"Año \"x\""_s), u"\"Año \"\"x\"\"\""_s);
        QCOMPARE(ScriptWriter(SqlEngine::SqlServer).name(u"a]b"_s), u"[a]]b]"_s);
    }

    void singleSelect_data()
    {
        const auto add = dataColumns<QString, bool>({"statement", "accepted"});
        add("the screen's", "SELECT * FROM Layout WHERE Ly_Cve_Layout = '0001' ", true);
        add("semicolon in a literal", "select * from Layout where x = 'a;b'", true);
        add("doubled quote", "SELECT 'O''K; DROP'", true);
        add("comments first", "-- hoy\n/* y */ SELECT 1", true);
        add("ending semicolon", "SELECT 1;  ", true);
        add("with", "WITH x AS (SELECT 1 AS a) SELECT a FROM x", true);
        add("second statement", "SELECT 1; DELETE FROM Layout", false);
        add("not a select", "DELETE FROM Layout", false);
        add("selected into", "SELECTX 1", false);
        add("unclosed literal", "SELECT 'abc", false);
        add("empty", "  ", false);
    }
    void singleSelect()
    {
        auto [statement, accepted] = fetchColumns<QString, bool>({"statement", "accepted"});
        QCOMPARE(velkora::store::isSingleSelect(statement), accepted);
    }
};

[[maybe_unused]] static const bool added = kesta::test::addTestClass<TestScriptWriter>();

#include "ScriptWriterTests.moc"
