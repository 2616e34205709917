// The statement texts, blanks included, on SQL Server and the variants of SQLite and
// PostgreSQL; keys and values escaped; bare values checked.

#include "host/RuntimeError.h"
#include "storage/Statements.h"

#include <QtTest>

using kesta::host::Engine;
using kesta::host::RuntimeError;
namespace storage = kesta::storage;

Q_DECLARE_METATYPE(kesta::host::Engine)

namespace {

storage::LayoutLineValues sampleLine()
{
    storage::LayoutLineValues v;
    v.key = QStringLiteral("0001");
    v.description = QStringLiteral("Pagos");
    v.file = QStringLiteral("pagos.txt");
    v.order = QStringLiteral("3");
    v.lineDescription = QStringLiteral("Encabezado");
    v.lineId = QStringLiteral("H");
    v.position = QStringLiteral("1");
    v.length = QStringLiteral("1");
    v.reverse = true;
    v.user1 = QStringLiteral("u1");
    v.user2 = QStringLiteral("u2");
    v.user3 = QStringLiteral("0.0000");
    v.user4 = QStringLiteral("12,5");
    v.date5 = QStringLiteral("2026-12-06");
    v.date6 = QStringLiteral("2026-01-31");
    v.stamp = QStringLiteral("2026-12-06 10:30:15");
    v.operatorAlta = QStringLiteral("OP1");
    v.operatorModif = QStringLiteral("OP2");
    return v;
}

storage::LayoutFieldValues sampleField()
{
    storage::LayoutFieldValues v;
    v.key = QStringLiteral("0001");
    v.lineId = QStringLiteral("3");
    v.id = QStringLiteral("10");
    v.description = QStringLiteral("Importe");
    v.position = QStringLiteral("10");
    v.length = QStringLiteral("8");
    v.trim = QStringLiteral("SI");
    v.valor = QStringLiteral("it's");
    v.formato = QStringLiteral("#0.00");
    v.tipo = QStringLiteral("01");
    return v;
}

const QString lineColumns = QStringLiteral(
    "INSERT INTO Layout(   Ly_Cve_Layout,    Ly_Descripcion,    Ly_Archivo,    Ly_ID,    "
    "Ly_Descripcion_ID,    Ly_Linea_ID,    Ly_Posicion,    Ly_Longitud,    Ly_Inverso,    "
    "Ly_UserDef_1,    Ly_UserDef_2,    Ly_UserDef_3,    Ly_UserDef_4,    Ly_UserDef_5,    "
    "Ly_UserDef_6,    Fecha_Alta,    Fecha_Ult_Modif,    Oper_Alta,    Oper_Ult_Modif,    "
    "Es_Cve_Estado) ");

const QString fieldColumns = QStringLiteral(
    "INSERT INTO Layout_Detalle(   Ly_Cve_Layout,    Ly_ID,    Ld_ID,    Ld_Descripcion,    "
    "Ld_Posicion,    Ld_Longitud,    Ld_Trim,    Ld_Valor,    Ld_Formato,    Ld_Tipo) ");

} // namespace

class tst_Statements : public QObject {
    Q_OBJECT

private slots:
    void sqlServerTexts_data();
    void sqlServerTexts();
    void loadStatementsSameOnEveryEngine_data();
    void loadStatementsSameOnEveryEngine();
    void otherEngines();
    void fieldStatementsOrder();
    void keyEscapedEverywhere_data();
    void keyEscapedEverywhere();
    void bareValuesChecked_data();
    void bareValuesChecked();
};

void tst_Statements::sqlServerTexts_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    const Engine s = Engine::SqlServer;
    const QString k = QStringLiteral("0001");

    QTest::newRow("load header")
        << storage::loadHeaderSelect(s, k)
        << "SELECT * FROM Layout WHERE Ly_Cve_Layout = '0001' ORDER BY    Ly_ID";
    QTest::newRow("load detail")
        << storage::loadDetailSelect(s, k)
        << "SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = '0001' ORDER BY    Ly_ID,    Ld_Id";
    QTest::newRow("delete detail")
        << storage::deleteDetailRows(s, k) << "DELETE Layout_Detalle WHERE Ly_Cve_Layout = '0001'";
    QTest::newRow("delete lines") << storage::deleteLineRows(s, k)
                                  << "DELETE Layout WHERE Ly_Cve_Layout = '0001'";
    QTest::newRow("line") << storage::lineInsert(s, sampleLine())
                          << lineColumns +
                                 "VALUES ('0001', 'Pagos', 'pagos.txt', '0003', 'Encabezado', "
                                 "'H', 1, 1, 'SI', 'u1', 'u2', 0.0000, 12.5, '2026-12-06', "
                                 "'2026-01-31', '2026-12-06 10:30:15', '2026-12-06 10:30:15', "
                                 "'OP1', 'OP2', 'AC')";
    storage::LayoutLineValues notReversed = sampleLine();
    notReversed.reverse = false;
    QTest::newRow("line not reversed")
        << storage::lineInsert(s, notReversed).section(QStringLiteral("VALUES"), 1)
        << " ('0001', 'Pagos', 'pagos.txt', '0003', 'Encabezado', 'H', 1, 1, 'NO', 'u1', 'u2', "
           "0.0000, 12.5, '2026-12-06', '2026-01-31', '2026-12-06 10:30:15', "
           "'2026-12-06 10:30:15', 'OP1', 'OP2', 'AC')";
    QTest::newRow("field") << storage::fieldInsert(s, sampleField())
                           << fieldColumns +
                                  "VALUES ('0001', '0003', '0010', 'Importe', 10, 8, 'SI', "
                                  "\"it's\", '#0.00', '01')";
    QTest::newRow("quoted identifier off")
        << storage::quotedIdentifierOff(s) << "SET QUOTED_IDENTIFIER OFF";
    QTest::newRow("quoted identifier on")
        << storage::quotedIdentifierOn(s) << "SET QUOTED_IDENTIFIER ON";
    QTest::newRow("deactivate")
        << storage::deactivateUpdate(s, k, QStringLiteral("OP1"), QStringLiteral("ST"),
                                     QStringLiteral("OP2"))
        << "UPDATE Layout SET    Oper_Ult_Modif = 'OP1',    Fecha_Ult_Modif = 'ST',    "
           "Oper_Baja = 'OP2',    Fecha_Baja= 'ST',    Es_Cve_Estado = 'BA' WHERE "
           "Ly_Cve_Layout = '0001'";
    QTest::newRow("reactivate")
        << storage::reactivateUpdate(s, k, QStringLiteral("OP1"), QStringLiteral("ST"))
        << "UPDATE Layout SET Oper_Ult_Modif = 'OP1', Fecha_Ult_Modif = 'ST', Oper_Baja = '', "
           "Fecha_Baja= NULL, Es_Cve_Estado = 'AC' WHERE Ly_Cve_Layout = '0001'";
    QTest::newRow("script layout") << storage::scriptLayoutSelect(s, k)
                                   << "SELECT * FROM Layout WHERE Ly_Cve_Layout = '0001' ";
    QTest::newRow("script detail") << storage::scriptDetailSelect(s, k)
                                   << "SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = '0001' ";
}

void tst_Statements::sqlServerTexts()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void tst_Statements::loadStatementsSameOnEveryEngine_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::newRow("SQLite") << Engine::Sqlite;
    QTest::newRow("PostgreSQL") << Engine::PostgreSql;
}

void tst_Statements::loadStatementsSameOnEveryEngine()
{
    QFETCH(Engine, engine);
    const QString key = QStringLiteral("A'1");
    QCOMPARE(storage::loadHeaderSelect(engine, key),
             storage::loadHeaderSelect(Engine::SqlServer, key));
    QCOMPARE(storage::loadDetailSelect(engine, key),
             storage::loadDetailSelect(Engine::SqlServer, key));
    QCOMPARE(storage::lineInsert(engine, sampleLine()),
             storage::lineInsert(Engine::SqlServer, sampleLine()));
    QCOMPARE(storage::deactivateUpdate(engine, key, "a", "b", "c"),
             storage::deactivateUpdate(Engine::SqlServer, key, "a", "b", "c"));
    QCOMPARE(storage::reactivateUpdate(engine, key, "a", "b"),
             storage::reactivateUpdate(Engine::SqlServer, key, "a", "b"));
    QCOMPARE(storage::scriptLayoutSelect(engine, key),
             storage::scriptLayoutSelect(Engine::SqlServer, key));
}

void tst_Statements::otherEngines()
{
    for (Engine e : {Engine::Sqlite, Engine::PostgreSql}) {
        QCOMPARE(storage::deleteDetailRows(e, QStringLiteral("0001")),
                 QStringLiteral("DELETE FROM Layout_Detalle WHERE Ly_Cve_Layout = '0001'"));
        QCOMPARE(storage::deleteLineRows(e, QStringLiteral("0001")),
                 QStringLiteral("DELETE FROM Layout WHERE Ly_Cve_Layout = '0001'"));
        QCOMPARE(
            storage::fieldInsert(e, sampleField()),
            fieldColumns +
                "VALUES ('0001', '0003', '0010', 'Importe', 10, 8, 'SI', 'it''s', '#0.00', '01')");
        QVERIFY(storage::quotedIdentifierOff(e).isEmpty());
        QVERIFY(storage::quotedIdentifierOn(e).isEmpty());
    }
}

void tst_Statements::fieldStatementsOrder()
{
    const QStringList sqlServer = storage::fieldStatements(Engine::SqlServer, sampleField());
    QCOMPARE(sqlServer, (QStringList{QStringLiteral("SET QUOTED_IDENTIFIER OFF"),
                                     storage::fieldInsert(Engine::SqlServer, sampleField()),
                                     QStringLiteral("SET QUOTED_IDENTIFIER ON")}));
    QCOMPARE(storage::fieldStatements(Engine::Sqlite, sampleField()),
             QStringList{storage::fieldInsert(Engine::Sqlite, sampleField())});
    QCOMPARE(storage::fieldStatements(Engine::PostgreSql, sampleField()).size(), 1);
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
    QString escaped = key;
    escaped.replace(QLatin1Char('\''), QStringLiteral("''"));
    const QString literal = QLatin1Char('\'') + escaped + QLatin1Char('\'');
    const Engine s = Engine::SqlServer;
    storage::LayoutLineValues line = sampleLine();
    line.key = key;
    storage::LayoutFieldValues field = sampleField();
    field.key = key;
    field.valor = QStringLiteral("plain");
    const QStringList statements{storage::loadHeaderSelect(s, key),
                                 storage::loadDetailSelect(s, key),
                                 storage::deleteDetailRows(s, key),
                                 storage::deleteLineRows(s, key),
                                 storage::lineInsert(s, line),
                                 storage::fieldInsert(s, field),
                                 storage::deactivateUpdate(s, key, "a", "b", "c"),
                                 storage::reactivateUpdate(s, key, "a", "b"),
                                 storage::scriptLayoutSelect(s, key),
                                 storage::scriptDetailSelect(s, key)};
    for (const QString &statement : statements) {
        QVERIFY2(statement.contains(literal), qPrintable(statement));
        // Apostrophes pair up: no literal is closed early.
        QCOMPARE(statement.count(QLatin1Char('\'')) % 2, 0);
    }
}

void tst_Statements::bareValuesChecked_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("column");
    QTest::newRow("line position") << 0 << "Ly_Posicion";
    QTest::newRow("line length") << 1 << "Ly_Longitud";
    QTest::newRow("user 3") << 2 << "Ly_UserDef_3";
    QTest::newRow("user 4") << 3 << "Ly_UserDef_4";
    QTest::newRow("field position") << 4 << "Ld_Posicion";
    QTest::newRow("field length") << 5 << "Ld_Longitud";
}

void tst_Statements::bareValuesChecked()
{
    QFETCH(int, which);
    QFETCH(QString, column);
    storage::LayoutLineValues line = sampleLine();
    storage::LayoutFieldValues field = sampleField();
    const QString bad = QStringLiteral("1); DELETE FROM Layout; --");
    QString *targets[] = {&line.position, &line.length,    &line.user3,
                          &line.user4,    &field.position, &field.length};
    *targets[which] = bad;
    try {
        if (which < 4)
            storage::lineInsert(Engine::SqlServer, line);
        else
            storage::fieldInsert(Engine::SqlServer, field);
        QFAIL("a bare value that is no number went into a statement");
    } catch (const RuntimeError &error) {
        QVERIFY2(error.description().contains(column), qPrintable(error.description()));
        QVERIFY2(error.description().contains(bad), qPrintable(error.description()));
    }
}

QTEST_GUILESS_MAIN(tst_Statements)
#include "tst_statements.moc"
