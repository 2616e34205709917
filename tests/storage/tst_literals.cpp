// The literal forms in which values enter the statements: escaping, bare-number checks and
// the four-digit form, on every engine.

#include "host/RuntimeError.h"
#include "storage/Literals.h"

#include <QtTest>

using kesta::host::Engine;
using kesta::host::RuntimeError;
namespace storage = kesta::storage;

Q_DECLARE_METATYPE(kesta::host::Engine)
Q_DECLARE_METATYPE(kesta::storage::LiteralForm)

class tst_Literals : public QObject {
    Q_OBJECT

private slots:
    void quotedText_data();
    void quotedText();
    void doubleQuotedText_data();
    void doubleQuotedText();
    void numberAccepted_data();
    void numberAccepted();
    void numberRefused_data();
    void numberRefused();
    void fourDigits_data();
    void fourDigits();
    void everyForm_data();
    void everyForm();
};

void tst_Literals::quotedText_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    for (Engine e : {Engine::SqlServer, Engine::Sqlite, Engine::PostgreSql}) {
        const QByteArray n = kesta::host::engineName(e).toUtf8();
        QTest::newRow(n + " plain") << e << "Ventas"
                                    << "'Ventas'";
        QTest::newRow(n + " empty") << e << ""
                                    << "''";
        QTest::newRow(n + " apostrophe") << e << "O'Brien"
                                         << "'O''Brien'";
        QTest::newRow(n + " only apostrophes") << e << "''"
                                               << "''''''";
        QTest::newRow(n + " injection") << e << "'; DROP TABLE Layout; --"
                                        << "'''; DROP TABLE Layout; --'";
        QTest::newRow(n + " double quote") << e << "say \"hi\""
                                           << "'say \"hi\"'";
        QTest::newRow(n + " percent") << e << "100% _x"
                                      << "'100% _x'";
        QTest::newRow(n + " accents") << e << "Año ñandú €"
                                      << "'Año ñandú €'";
    }
    // A backslash stands literally on SQL Server and SQLite; PostgreSQL gets an escape
    // string, which reads the same whatever standard_conforming_strings says.
    QTest::newRow("SQL Server backslash") << Engine::SqlServer << "C:\\datos\\"
                                          << "'C:\\datos\\'";
    QTest::newRow("SQLite backslash") << Engine::Sqlite << "C:\\datos\\"
                                      << "'C:\\datos\\'";
    QTest::newRow("PostgreSQL backslash") << Engine::PostgreSql << "C:\\datos\\"
                                          << "E'C:\\\\datos\\\\'";
    QTest::newRow("PostgreSQL backslash and apostrophe") << Engine::PostgreSql << "\\'"
                                                         << "E'\\\\'''";
}

void tst_Literals::quotedText()
{
    QFETCH(Engine, engine);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(storage::quotedText(engine, value), expected);
    QCOMPARE(storage::literal(engine, storage::LiteralForm::QuotedText, value), expected);
}

void tst_Literals::doubleQuotedText_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("SQL Server plain") << Engine::SqlServer << "X"
                                      << "\"X\"";
    QTest::newRow("SQL Server apostrophe") << Engine::SqlServer << "it's"
                                           << "\"it's\"";
    QTest::newRow("SQL Server double quote") << Engine::SqlServer << "a\"b"
                                             << "\"a\"\"b\"";
    QTest::newRow("SQL Server empty") << Engine::SqlServer << ""
                                      << "\"\"";
    QTest::newRow("SQLite apostrophe") << Engine::Sqlite << "it's"
                                       << "'it''s'";
    QTest::newRow("SQLite double quote") << Engine::Sqlite << "a\"b"
                                         << "'a\"b'";
    QTest::newRow("PostgreSQL apostrophe") << Engine::PostgreSql << "it's"
                                           << "'it''s'";
    QTest::newRow("PostgreSQL backslash") << Engine::PostgreSql << "a\\b"
                                          << "E'a\\\\b'";
}

void tst_Literals::doubleQuotedText()
{
    QFETCH(Engine, engine);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(storage::doubleQuotedText(engine, value), expected);
}

void tst_Literals::numberAccepted_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << "12"
                           << "12";
    QTest::newRow("zero") << "0"
                          << "0";
    QTest::newRow("blanks around") << " 7 "
                                   << "7";
    QTest::newRow("negative") << "-3"
                              << "-3";
    QTest::newRow("plus") << "+3"
                          << "+3";
    QTest::newRow("decimal point") << "1.5"
                                   << "1.5";
    QTest::newRow("decimal comma") << "1,5"
                                   << "1.5";
    QTest::newRow("empty numeric box") << "0.0000"
                                       << "0.0000";
    QTest::newRow("negative comma") << "-12,25"
                                    << "-12.25";
    QTest::newRow("leading point") << ".5"
                                   << ".5";
    QTest::newRow("trailing point") << "5."
                                    << "5.";
}

void tst_Literals::numberAccepted()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QVERIFY(storage::isPlainNumber(value));
    QCOMPARE(storage::numberText(value, QStringLiteral("Ly_Posicion")), expected);
    QCOMPARE(storage::literal(Engine::SqlServer, storage::LiteralForm::Number, value), expected);
}

void tst_Literals::numberRefused_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << "  ";
    QTest::newRow("exponent") << "1e5";
    QTest::newRow("trailing letters") << "12abc";
    QTest::newRow("hex") << "0x10";
    QTest::newRow("two points") << "1.2.3";
    QTest::newRow("two commas") << "1,2,3";
    QTest::newRow("grouping") << "1,234.5";
    QTest::newRow("sign only") << "-";
    QTest::newRow("point only") << ".";
    QTest::newRow("inner blank") << "12 3";
    QTest::newRow("two signs") << "--3";
    QTest::newRow("injection") << "1; DROP TABLE Layout; --";
    QTest::newRow("other digits") << QString::fromUtf8("\u0661\u0662");
    QTest::newRow("infinity") << "inf";
}

void tst_Literals::numberRefused()
{
    QFETCH(QString, value);
    QVERIFY(!storage::isPlainNumber(value));
    try {
        storage::numberText(value, QStringLiteral("Ld_Longitud"));
        QFAIL("a value that is no plain number was accepted");
    } catch (const RuntimeError &error) {
        QVERIFY2(error.description().contains(QStringLiteral("Ld_Longitud")),
                 qPrintable(error.description()));
        QVERIFY2(error.description().contains(QLatin1Char('"') + value + QLatin1Char('"')),
                 qPrintable(error.description()));
    }
}

void tst_Literals::fourDigits_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1") << "1"
                       << "0001";
    QTest::newRow("12") << "12"
                        << "0012";
    QTest::newRow("0") << "0"
                       << "0000";
    QTest::newRow("4 digits") << "0010"
                              << "0010";
    QTest::newRow("5 digits stay") << "12345"
                                   << "12345";
    QTest::newRow("extra zeros dropped") << "00012"
                                         << "0012";
    QTest::newRow("blanks") << " 12 "
                            << "0012";
    QTest::newRow("negative") << "-7"
                              << "-0007";
    QTest::newRow("plus") << "+7"
                          << "0007";
    QTest::newRow("negative zero") << "-0"
                                   << "0000";
    QTest::newRow("long") << "123456789012345678901234"
                          << "123456789012345678901234";
    QTest::newRow("not a number") << "abc"
                                  << "abc";
    QTest::newRow("fraction unchanged") << "1.5"
                                        << "1.5";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("apostrophe") << "1'"
                                << "1'";
}

void tst_Literals::fourDigits()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(storage::fourDigits(value), expected);
    QString quoted = expected;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    QCOMPARE(storage::fourDigitText(Engine::SqlServer, value),
             QLatin1Char('\'') + quoted + QLatin1Char('\''));
}

void tst_Literals::everyForm_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<storage::LiteralForm>("form");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    using F = storage::LiteralForm;
    QTest::newRow("date") << Engine::SqlServer << F::DateText << "2026-12-06"
                          << "'2026-12-06'";
    QTest::newRow("stamp") << Engine::SqlServer << F::StampText << "2026-12-06 10:30:15"
                           << "'2026-12-06 10:30:15'";
    QTest::newRow("operator") << Engine::SqlServer << F::OperatorText << "D'Ar"
                              << "'D''Ar'";
    QTest::newRow("four digits") << Engine::Sqlite << F::FourDigitText << "3"
                                 << "'0003'";
    QTest::newRow("double quoted") << Engine::SqlServer << F::DoubleQuotedText << "\""
                                   << "\"\"\"\"";
    QTest::newRow("double quoted sqlite") << Engine::Sqlite << F::DoubleQuotedText << "'"
                                          << "''''";
}

void tst_Literals::everyForm()
{
    QFETCH(Engine, engine);
    QFETCH(storage::LiteralForm, form);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(storage::literal(engine, form, value), expected);
}

QTEST_GUILESS_MAIN(tst_Literals)
#include "tst_literals.moc"
