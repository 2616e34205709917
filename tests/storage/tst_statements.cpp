// The literal forms in which values enter the statements (escaping, bare-number checks, the
// four-digit form) and the statement texts, blanks included, on SQL Server and the variants
// of SQLite and PostgreSQL.

#include "host/RuntimeError.h"
#include "storage/Literals.h"
#include "storage/Statements.h"

#include <QtTest>

using kesta::host::Engine;
using kesta::host::RuntimeError;
using namespace kesta::storage;

Q_DECLARE_METATYPE(kesta::host::Engine)
Q_DECLARE_METATYPE(kesta::storage::LiteralForm)

namespace {

const Engine S = Engine::SqlServer, L = Engine::Sqlite, Pg = Engine::PostgreSql;

LayoutLineValues sampleLine()
{
    return {"0001",       "Pagos",      "pagos.txt",  "3",
            "Encabezado", "H",          "1",          "1",
            true,         "u1",         "u2",         "0.0000",
            "12,5",       "2026-12-06", "2026-01-31", "2026-12-06 10:30:15",
            "OP1",        "OP2"};
}

LayoutFieldValues sampleField()
{
    return {"0001", "3", "10", "Importe", "10", "8", "SI", "it's", "#0.00", "01"};
}

// What a value that is no plain number raises: an error naming the column and the value.
template <typename Build>
void verifyRefused(Build build, const QString &column, const QString &value)
{
    try {
        build();
        QFAIL("a value that is no plain number went into a statement");
    } catch (const RuntimeError &error) {
        QVERIFY2(error.description().contains(column), qPrintable(error.description()));
        QVERIFY2(error.description().contains('"' + value + '"'), qPrintable(error.description()));
    }
}

using P = std::pair<const char *, const char *>;

// Adds one row per pair: the value (also the row's name), then the expected text.
void addPairs(std::initializer_list<P> pairs)
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    for (const auto &[value, expected] : pairs)
        QTest::newRow(value) << QString::fromUtf8(value) << QString::fromUtf8(expected);
}

} // namespace

class tst_Statements : public QObject {
    Q_OBJECT

private slots:
    void literals_data();
    void literals();
    void numbers_data();
    void numbers();
    void fourDigits_data();
    void fourDigits();
    void sqlServerTexts_data();
    void sqlServerTexts();
    void otherEngines();
    void keyEscapedEverywhere_data();
    void keyEscapedEverywhere();
    void bareValuesChecked();
};

void tst_Statements::literals_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<LiteralForm>("form");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    using F = LiteralForm;
    for (Engine e : {S, L, Pg})
        for (const auto &[value, expected] :
             {P{"O'Brien", "'O''Brien'"}, P{"''", "''''''"}, P{"", "''"},
              P{"'; DROP TABLE Layout; --", "'''; DROP TABLE Layout; --'"},
              P{"say \"hi\" 100% _x", "'say \"hi\" 100% _x'"}, P{"Año ñandú €", "'Año ñandú €'"}})
            QTest::addRow("%s %s", qPrintable(kesta::host::engineName(e)), value)
                << e << F::QuotedText << QString::fromUtf8(value) << QString::fromUtf8(expected);
    // A backslash stands literally on SQL Server and SQLite; PostgreSQL gets an escape string,
    // which reads the same whatever standard_conforming_strings says.
    struct Row {
        const char *name;
        Engine engine;
        F form;
        const char *value, *expected;
    };
    for (const Row &r : std::initializer_list<Row>{
             {"SQL Server backslash", S, F::QuotedText, "C:\\d\\", "'C:\\d\\'"},
             {"SQLite backslash", L, F::QuotedText, "C:\\d\\", "'C:\\d\\'"},
             {"PostgreSQL backslash", Pg, F::QuotedText, "C:\\d\\", "E'C:\\\\d\\\\'"},
             {"PostgreSQL backslash apostrophe", Pg, F::QuotedText, "\\'", "E'\\\\'''"},
             {"SQL Server double quoted", S, F::DoubleQuotedText, "it's \"x\"",
              "\"it's \"\"x\"\"\""},
             {"SQL Server double quoted empty", S, F::DoubleQuotedText, "", "\"\""},
             {"SQLite double quoted", L, F::DoubleQuotedText, "it's \"x\"", "'it''s \"x\"'"},
             {"PostgreSQL double quoted", Pg, F::DoubleQuotedText, "a\\b'", "E'a\\\\b'''"},
             {"date", S, F::DateText, "2026-12-06", "'2026-12-06'"},
             {"stamp", S, F::StampText, "2026-12-06 10:30:15", "'2026-12-06 10:30:15'"},
             {"operator", S, F::OperatorText, "D'Ar", "'D''Ar'"},
             {"four digits", L, F::FourDigitText, "3", "'0003'"},
             {"four digits apostrophe", S, F::FourDigitText, "1'", "'1'''"},
             {"number", S, F::Number, "-12,25", "-12.25"}})
        QTest::newRow(r.name) << r.engine << r.form << QString(r.value) << QString(r.expected);
}

void tst_Statements::literals()
{
    QFETCH(Engine, engine);
    QFETCH(LiteralForm, form);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(literal(engine, form, value), expected);
}

void tst_Statements::numbers_data()
{
    addPairs({P{"12", "12"}, P{" 7 ", "7"}, P{"-3", "-3"}, P{"+3", "+3"}, P{"1.5", "1.5"},
              P{"-12,25", "-12.25"}, P{"0.0000", "0.0000"}, P{".5", ".5"}, P{"5.", "5."}});
    for (const char *value : {"", "  ", "1e5", "12abc", "0x10", "1.2.3", "1,2,3", "1,234.5", "-",
                              ".", "12 3", "--3", "1; DROP TABLE Layout; --", "١٢", "inf"})
        QTest::addRow("refused %s", value) << QString::fromUtf8(value) << QString(); // refused
}

void tst_Statements::numbers()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(isPlainNumber(value), !expected.isEmpty());
    if (!expected.isEmpty())
        QCOMPARE(numberText(value, "Ly_Posicion"), expected);
    else
        verifyRefused([&] { numberText(value, "Ld_Longitud"); }, "Ld_Longitud", value);
}

void tst_Statements::fourDigits_data()
{
    addPairs({P{"1", "0001"}, P{"0", "0000"}, P{"0010", "0010"}, P{"12345", "12345"},
              P{"00012", "0012"}, P{" 12 ", "0012"}, P{"-7", "-0007"}, P{"+7", "0007"},
              P{"-0", "0000"}, P{"123456789012345678901234", "123456789012345678901234"},
              P{"abc", "abc"}, P{"1.5", "1.5"}, P{"", ""}});
}

void tst_Statements::fourDigits()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(kesta::storage::fourDigits(value), expected);
}

void tst_Statements::sqlServerTexts_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    const QString k = "0001";
    const QString lineInto =
        "INSERT INTO Layout(   Ly_Cve_Layout,    Ly_Descripcion,    Ly_Archivo,    Ly_ID,    "
        "Ly_Descripcion_ID,    Ly_Linea_ID,    Ly_Posicion,    Ly_Longitud,    Ly_Inverso,    "
        "Ly_UserDef_1,    Ly_UserDef_2,    Ly_UserDef_3,    Ly_UserDef_4,    Ly_UserDef_5,    "
        "Ly_UserDef_6,    Fecha_Alta,    Fecha_Ult_Modif,    Oper_Alta,    Oper_Ult_Modif,    "
        "Es_Cve_Estado) VALUES ('0001', 'Pagos', 'pagos.txt', '0003', 'Encabezado', 'H', 1, 1, ";
    const QString lineValues = ", 'u1', 'u2', 0.0000, 12.5, '2026-12-06', '2026-01-31', "
                               "'2026-12-06 10:30:15', '2026-12-06 10:30:15', 'OP1', 'OP2', 'AC')";
    LayoutLineValues notReversed = sampleLine();
    notReversed.reverse = false;

    QTest::newRow("load header")
        << loadHeaderSelect(S, k)
        << "SELECT * FROM Layout WHERE Ly_Cve_Layout = '0001' ORDER BY    Ly_ID";
    QTest::newRow("load detail")
        << loadDetailSelect(S, k)
        << "SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = '0001' ORDER BY    Ly_ID,    Ld_Id";
    QTest::newRow("delete detail")
        << deleteDetailRows(S, k) << "DELETE Layout_Detalle WHERE Ly_Cve_Layout = '0001'";
    QTest::newRow("delete lines") << deleteLineRows(S, k)
                                  << "DELETE Layout WHERE Ly_Cve_Layout = '0001'";
    QTest::newRow("line") << lineInsert(S, sampleLine()) << lineInto + "'SI'" + lineValues;
    QTest::newRow("line not reversed")
        << lineInsert(S, notReversed) << lineInto + "'NO'" + lineValues;
    QTest::newRow("field") << fieldInsert(S, sampleField())
                           << "INSERT INTO Layout_Detalle(   Ly_Cve_Layout,    Ly_ID,    Ld_ID,    "
                              "Ld_Descripcion,    Ld_Posicion,    Ld_Longitud,    Ld_Trim,    "
                              "Ld_Valor,    Ld_Formato,    Ld_Tipo) VALUES ('0001', '0003', "
                              "'0010', 'Importe', 10, 8, 'SI', \"it's\", '#0.00', '01')";
    QTest::newRow("field statements")
        << fieldStatements(S, sampleField()).join('\n')
        << "SET QUOTED_IDENTIFIER OFF\n" + fieldInsert(S, sampleField()) +
               "\nSET QUOTED_IDENTIFIER ON";
    QTest::newRow("deactivate")
        << deactivateUpdate(S, k, "OP1", "ST", "OP2")
        << "UPDATE Layout SET    Oper_Ult_Modif = 'OP1',    Fecha_Ult_Modif = 'ST',    "
           "Oper_Baja = 'OP2',    Fecha_Baja= 'ST',    Es_Cve_Estado = 'BA' WHERE "
           "Ly_Cve_Layout = '0001'";
    QTest::newRow("reactivate")
        << reactivateUpdate(S, k, "OP1", "ST")
        << "UPDATE Layout SET Oper_Ult_Modif = 'OP1', Fecha_Ult_Modif = 'ST', Oper_Baja = '', "
           "Fecha_Baja= NULL, Es_Cve_Estado = 'AC' WHERE Ly_Cve_Layout = '0001'";
    QTest::newRow("script layout")
        << scriptLayoutSelect(S, k) << "SELECT * FROM Layout WHERE Ly_Cve_Layout = '0001' ";
    QTest::newRow("script detail")
        << scriptDetailSelect(S, k) << "SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = '0001' ";
}

void tst_Statements::sqlServerTexts()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void tst_Statements::otherEngines()
{
    const QString k = "A'1";
    for (Engine e : {L, Pg}) {
        // The same texts as on SQL Server...
        QCOMPARE(loadHeaderSelect(e, k), loadHeaderSelect(S, k));
        QCOMPARE(loadDetailSelect(e, k), loadDetailSelect(S, k));
        QCOMPARE(lineInsert(e, sampleLine()), lineInsert(S, sampleLine()));
        QCOMPARE(deactivateUpdate(e, k, "a", "b", "c"), deactivateUpdate(S, k, "a", "b", "c"));
        QCOMPARE(reactivateUpdate(e, k, "a", "b"), reactivateUpdate(S, k, "a", "b"));
        QCOMPARE(scriptLayoutSelect(e, k), scriptLayoutSelect(S, k));
        // ...but DELETE FROM, Ld_Valor between apostrophes, and no QUOTED_IDENTIFIER switch.
        QCOMPARE(deleteDetailRows(e, k), "DELETE FROM Layout_Detalle WHERE Ly_Cve_Layout = 'A''1'");
        QCOMPARE(deleteLineRows(e, k), "DELETE FROM Layout WHERE Ly_Cve_Layout = 'A''1'");
        QCOMPARE(fieldStatements(e, sampleField()),
                 QStringList{fieldInsert(S, sampleField()).replace("\"it's\"", "'it''s'")});
        QCOMPARE(quotedIdentifierOff(e) + quotedIdentifierOn(e), QString());
    }
}

void tst_Statements::keyEscapedEverywhere_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("apostrophe") << "O'K";
    QTest::newRow("injection") << "'; DROP TABLE Layout; --";
}

void tst_Statements::keyEscapedEverywhere()
{
    QFETCH(QString, key);
    const QString literal = "'" + QString(key).replace("'", "''") + "'";
    LayoutLineValues line = sampleLine();
    LayoutFieldValues field = sampleField();
    line.key = field.key = key;
    field.valor = "plain";
    for (const QString &statement :
         {loadHeaderSelect(S, key), loadDetailSelect(S, key), deleteDetailRows(S, key),
          deleteLineRows(S, key), lineInsert(S, line), fieldInsert(S, field),
          deactivateUpdate(S, key, "a", "b", "c"), reactivateUpdate(S, key, "a", "b"),
          scriptLayoutSelect(S, key), scriptDetailSelect(S, key)}) {
        QVERIFY2(statement.contains(literal), qPrintable(statement));
        // Apostrophes pair up: no literal is closed early.
        QCOMPARE(statement.count('\'') % 2, 0);
    }
}

void tst_Statements::bareValuesChecked()
{
    const QString bad = "1); DELETE FROM Layout; --";
    for (int which = 0; which < 6; ++which) {
        LayoutLineValues line = sampleLine();
        LayoutFieldValues field = sampleField();
        QString *targets[] = {&line.position, &line.length,    &line.user3,
                              &line.user4,    &field.position, &field.length};
        const char *columns[] = {"Ly_Posicion",  "Ly_Longitud", "Ly_UserDef_3",
                                 "Ly_UserDef_4", "Ld_Posicion", "Ld_Longitud"};
        *targets[which] = bad;
        verifyRefused([&] { which < 4 ? lineInsert(S, line) : fieldInsert(S, field); },
                      columns[which], bad);
    }
}

QTEST_GUILESS_MAIN(tst_Statements)
#include "tst_statements.moc"
