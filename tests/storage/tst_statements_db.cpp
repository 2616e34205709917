// The statements run on real databases (a temporary SQLite file and a throwaway PostgreSQL
// server): every text is stored exactly as given, keys select, change and delete only their
// own rows, and nothing in a value can break out of its literal.

#include "services/SqlConnection.h"
#include "storage/Statements.h"
#include "support/TestDatabase.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

using kesta::host::Engine;
using kesta::test::TestDatabase;
using velkora::services::SqlConnection;
using Kind = TestDatabase::Kind;
using namespace kesta::storage;

Q_DECLARE_METATYPE(kesta::test::TestDatabase::Kind)

namespace {

const QString key = "K'1";

LayoutLineValues lineWith(const QString &text, const QString &order = "1", const QString &k = key)
{
    return {k,      text,  text, order, text,    text,         "1",          "2",
            false,  text,  text, "1,5", "-2.25", "2026-12-06", "2026-01-31", "2026-12-06 10:30:15",
            "OP'A", "OP'M"};
}

LayoutFieldValues fieldWith(const QString &text, const QString &k = key)
{
    return {k, "1", "10", text, "3", "4", "SI", text, text, "05"};
}

// The given columns of the key's row in the table, as texts joined by "|".
QString storedRow(const TestDatabase &db, const QString &columns, const QString &table)
{
    QSqlQuery query(QSqlDatabase::database(db.connectionName(), false));
    query.prepare("SELECT " + columns + " FROM " + table + " WHERE Ly_Cve_Layout = ?");
    query.addBindValue(key);
    QStringList values;
    if (query.exec() && query.next())
        for (int i = 0; i < query.record().count(); ++i)
            values << query.value(i).toString();
    return values.join('|');
}

} // namespace

class tst_StatementsDb : public QObject {
    Q_OBJECT

private slots:
    void textsStoredExactly_data();
    void textsStoredExactly();
    void keysTakeOnlyTheirRows_data();
    void keysTakeOnlyTheirRows();
    void backslashWhateverTheSetting();
};

void tst_StatementsDb::textsStoredExactly_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("text");
    for (auto kind : {Kind::Sqlite, Kind::PostgreSql})
        for (const char *text : {"O'Brien", "''", "say \"hi\"", "\"\"", "C:\\datos\\entrada\\",
                                 "\\'", "100% _ [a]", "'; DROP TABLE Layout; --",
                                 "\"); DROP TABLE Layout; --", "Año ñandú € ü", "tab\there", ""})
            QTest::addRow("%s %s", kind == Kind::Sqlite ? "SQLite" : "PostgreSQL", text)
                << kind << QString::fromUtf8(text);
}

void tst_StatementsDb::textsStoredExactly()
{
    QFETCH(Kind, kind);
    QFETCH(QString, text);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    SqlConnection connection(db.connectionName());
    const Engine engine = connection.engine();

    connection.Execute(lineInsert(engine, lineWith(text)));
    for (const QString &statement : fieldStatements(engine, fieldWith(text)))
        connection.Execute(statement);

    const QString t = text + "|";
    QCOMPARE(storedRow(db,
                       "Ly_Descripcion, Ly_Archivo, Ly_Descripcion_ID, Ly_Linea_ID, Ly_UserDef_1, "
                       "Ly_UserDef_2, Ly_ID, Oper_Alta, Es_Cve_Estado, Ly_Inverso",
                       "Layout"),
             t.repeated(6) + "0001|OP'A|AC|NO");
    QCOMPARE(db.scalar("SELECT Ly_UserDef_3 * 10 + Ly_UserDef_4 FROM Layout").toDouble(), 12.75);
    QCOMPARE(storedRow(db,
                       "Ld_Descripcion, Ld_Valor, Ld_Formato, Ly_ID, Ld_ID, Ld_Posicion, "
                       "Ld_Longitud, Ld_Trim, Ld_Tipo",
                       "Layout_Detalle"),
             t.repeated(3) + "0001|0010|3|4|SI|05");
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout").toInt(), 1);
}

void tst_StatementsDb::keysTakeOnlyTheirRows_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("SQLite") << Kind::Sqlite;
    QTest::newRow("PostgreSQL") << Kind::PostgreSql;
}

void tst_StatementsDb::keysTakeOnlyTheirRows()
{
    QFETCH(Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    SqlConnection connection(db.connectionName());
    const Engine e = connection.engine();
    for (const QString &k : {key, QStringLiteral("K1"), QStringLiteral("K''1")}) {
        connection.Execute(lineInsert(e, lineWith("x", "1", k)));
        connection.Execute(lineInsert(e, lineWith("x", "2", k)));
        connection.Execute(fieldInsert(e, fieldWith("y", k)));
    }
    auto count = [&db](const QString &table, const QString &where) {
        return db.scalar("SELECT COUNT(*) FROM " + table + " WHERE " + where).toInt();
    };

    // A key made to break out of its literal selects, changes and deletes nothing.
    for (const char *injected : {"'; DROP TABLE Layout; --", "' OR '1'='1",
                                 "\\'; DROP TABLE Layout; --", "K'1' OR Ly_Cve_Layout = 'K1"}) {
        for (const QString &select :
             {loadHeaderSelect(e, injected), loadDetailSelect(e, injected),
              scriptLayoutSelect(e, injected), scriptDetailSelect(e, injected)})
            QVERIFY2(connection.Execute(select)->EndOfSet(), qPrintable(select));
        connection.Execute(deactivateUpdate(e, injected, "M", "2026-12-07 08:00:00", "B"));
        connection.Execute(deleteDetailRows(e, injected));
        connection.Execute(deleteLineRows(e, injected));
    }
    QCOMPARE(count("Layout", "Es_Cve_Estado = 'AC'"), 6);
    QCOMPARE(count("Layout_Detalle", "1 = 1"), 3);
    QVERIFY(!connection.Execute(loadDetailSelect(e, key))->EndOfSet());

    // Deactivation and reactivation take every line of the key, and only those.
    connection.Execute(deactivateUpdate(e, key, "M'1", "2026-12-07 08:00:00", "B'1"));
    QCOMPARE(count("Layout", "Es_Cve_Estado = 'BA' AND Oper_Baja = 'B''1' AND Oper_Ult_Modif = "
                             "'M''1' AND Fecha_Baja IS NOT NULL AND Ly_Cve_Layout = 'K''1'"),
             2);
    QCOMPARE(count("Layout", "Es_Cve_Estado = 'AC'"), 4);
    connection.Execute(reactivateUpdate(e, key, "R", "2026-12-08 09:00:00"));
    QCOMPARE(count("Layout", "Es_Cve_Estado = 'AC'"), 6);
    QCOMPARE(count("Layout", "Oper_Baja = '' AND Fecha_Baja IS NULL AND Ly_Cve_Layout = 'K''1'"),
             2);

    connection.Execute(deleteDetailRows(e, key));
    connection.Execute(deleteLineRows(e, key));
    QCOMPARE(count("Layout", "Ly_Cve_Layout IN ('K1', 'K''''1')"), 4);
    QCOMPARE(count("Layout", "1 = 1") + count("Layout_Detalle", "1 = 1"), 6);
}

void tst_StatementsDb::backslashWhateverTheSetting()
{
    // PostgreSQL reads backslashes in plain literals as escapes once
    // standard_conforming_strings is off; the stored text must not change with the setting.
    TestDatabase db(Kind::PostgreSql);
    KESTA_REQUIRE(db);
    SqlConnection connection(db.connectionName());
    const QString text = "C:\\n\\'x\\\\";
    for (const char *setting : {"on", "off"}) {
        db.exec(QStringLiteral("SET standard_conforming_strings = ") + setting);
        db.exec("DELETE FROM Layout");
        connection.Execute(lineInsert(Engine::PostgreSql, lineWith(text)));
        QCOMPARE(db.scalar("SELECT Ly_Descripcion FROM Layout").toString(), text);
        QVERIFY(!connection.Execute(loadHeaderSelect(Engine::PostgreSql, key))->EndOfSet());
    }
}

QTEST_GUILESS_MAIN(tst_StatementsDb)
#include "tst_statements_db.moc"
