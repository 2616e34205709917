// The literal forms of the script for each engine, and the one-SELECT rule.

#include "store/ScriptWriter.h"
#include "support/TestClasses.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using velkora::formats::ScriptWriter;
using SqlEngine = kesta::host::Engine;

Q_DECLARE_METATYPE(SqlEngine)

class TestScriptWriter : public QObject {
    Q_OBJECT

private slots:
    // The forms that the SQLite and PostgreSQL round trips (tst_storedformats) do not already
    // prove, and SQL Server's.
    void literals_data()
    {
        QTest::addColumn<SqlEngine>("engine");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("columnType");
        QTest::addColumn<QString>("literal");
        const auto lite = SqlEngine::Sqlite, pg = SqlEngine::PostgreSql, ms = SqlEngine::SqlServer;
        const int none = QMetaType::UnknownType, real = QMetaType::Double;
        const QVariant nullText(QMetaType::fromType<QString>());
        const QDateTime stamp(QDate(2026, 12, 6), QTime(10, 30, 15, 250));
        for (const auto &[name, engine] :
             {std::pair{"sqlite", lite}, std::pair{"postgresql", pg}, std::pair{"sqlserver", ms}}) {
            const QByteArray n(name);
            QTest::newRow(n + " null") << engine << nullText << none << u"NULL"_s;
            QTest::newRow(n + " integer") << engine << QVariant(qlonglong(-42)) << none << u"-42"_s;
            QTest::newRow(n + " real") << engine << QVariant(0.1) << none << u"0.1"_s;
            QTest::newRow(n + " whole real stays real")
                << engine << QVariant(2.0) << none << u"2.0"_s;
            QTest::newRow(n + " exact decimals")
                << engine << QVariant(u"1234.5000"_s) << real << u"1234.5000"_s;
            QTest::newRow(n + " number text in a text column")
                << engine << QVariant(u"0001"_s) << none
                << (engine == ms ? u"N'0001'"_s : u"'0001'"_s);
        }
        QTest::newRow("sqlite line break")
            << lite << QVariant(u"a'\r\nb"_s) << none << u"'a''' || char(13) || char(10) || 'b'"_s;
        QTest::newRow("sqlite blob")
            << lite << QVariant(QByteArray("\x0A\xFF")) << none << u"X'0aff'"_s;
        QTest::newRow("postgresql backslash")
            << pg << QVariant(u"C:\\d'x"_s) << none << u"E'C:\\\\d''x'"_s;
        QTest::newRow("postgresql line break")
            << pg << QVariant(u"a\nb"_s) << none << u"E'a\\nb'"_s;
        QTest::newRow("postgresql boolean") << pg << QVariant(true) << none << u"TRUE"_s;
        QTest::newRow("sqlserver unicode") << ms << QVariant(u"Año €"_s) << none << u"N'Año €'"_s;
        QTest::newRow("sqlserver line break")
            << ms << QVariant(u"a\nb"_s) << none << u"N'a' + NCHAR(10) + N'b'"_s;
        QTest::newRow("sqlserver date")
            << ms << QVariant(QDate(2026, 12, 6)) << none << u"'20261206'"_s;
        QTest::newRow("sqlserver stamp")
            << ms << QVariant(stamp) << none << u"'2026-12-06T10:30:15.250'"_s;
        QTest::newRow("sqlserver binary")
            << ms << QVariant(QByteArray("\x0A\xFF")) << none << u"0x0AFF"_s;
    }
    void literals()
    {
        QFETCH(SqlEngine, engine);
        QFETCH(QVariant, value);
        QFETCH(int, columnType);
        QFETCH(QString, literal);
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
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("the screen's")
            << u"SELECT * FROM Layout WHERE Ly_Cve_Layout = '0001' "_s << true;
        QTest::newRow("semicolon in a literal")
            << u"select * from Layout where x = 'a;b'"_s << true;
        QTest::newRow("doubled quote") << u"SELECT 'O''K; DROP'"_s << true;
        QTest::newRow("comments first") << u"-- hoy\n/* y */ SELECT 1"_s << true;
        QTest::newRow("ending semicolon") << u"SELECT 1;  "_s << true;
        QTest::newRow("with") << u"WITH x AS (SELECT 1 AS a) SELECT a FROM x"_s << true;
        QTest::newRow("second statement") << u"SELECT 1; DELETE FROM Layout"_s << false;
        QTest::newRow("not a select") << u"DELETE FROM Layout"_s << false;
        QTest::newRow("selected into") << u"SELECTX 1"_s << false;
        QTest::newRow("unclosed literal") << u"SELECT 'abc"_s << false;
        QTest::newRow("empty") << u"  "_s << false;
    }
    void singleSelect()
    {
        QFETCH(QString, statement);
        QFETCH(bool, accepted);
        QCOMPARE(velkora::formats::isSingleSelect(statement), accepted);
    }
};

[[maybe_unused]] static const bool added = kesta::test::addTestClass<TestScriptWriter>();

#include "ScriptWriterTests.moc"
