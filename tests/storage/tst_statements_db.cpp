// The statements run on real databases (a temporary SQLite file and a throwaway PostgreSQL
// server): every text is stored exactly as given, keys select only their own rows, and
// nothing in a value can break out of its literal.

#include "host/RuntimeError.h"
#include "services/SqlConnection.h"
#include "storage/Statements.h"
#include "support/TestDatabase.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

using kesta::host::Engine;
using kesta::test::TestDatabase;
using velkora::services::SqlConnection;
namespace storage = kesta::storage;

Q_DECLARE_METATYPE(kesta::test::TestDatabase::Kind)

namespace {

const QString key = QStringLiteral("K'1");

storage::LayoutLineValues lineWith(const QString &text, const QString &order = QStringLiteral("1"))
{
    storage::LayoutLineValues v;
    v.key = key;
    v.description = text;
    v.file = text;
    v.order = order;
    v.lineDescription = text;
    v.lineId = text;
    v.position = QStringLiteral("1");
    v.length = QStringLiteral("2");
    v.reverse = false;
    v.user1 = text;
    v.user2 = text;
    v.user3 = QStringLiteral("1,5");
    v.user4 = QStringLiteral("-2.25");
    v.date5 = QStringLiteral("2026-12-06");
    v.date6 = QStringLiteral("2026-01-31");
    v.stamp = QStringLiteral("2026-12-06 10:30:15");
    v.operatorAlta = QStringLiteral("OP'A");
    v.operatorModif = QStringLiteral("OP'M");
    return v;
}

storage::LayoutFieldValues fieldWith(const QString &text, const QString &id = QStringLiteral("10"))
{
    storage::LayoutFieldValues v;
    v.key = key;
    v.lineId = QStringLiteral("1");
    v.id = id;
    v.description = text;
    v.position = QStringLiteral("3");
    v.length = QStringLiteral("4");
    v.trim = QStringLiteral("SI");
    v.valor = text;
    v.formato = text;
    v.tipo = QStringLiteral("05");
    return v;
}

void run(SqlConnection &connection, const QString &statement)
{
    connection.Execute(statement);
}

// The columns of the single row a bound SELECT finds.
QVariantList boundRow(const QString &connectionName, const QString &sql, const QString &bound)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    query.prepare(sql);
    query.addBindValue(bound);
    if (!query.exec() || !query.next())
        return {};
    QVariantList values;
    for (int i = 0; i < query.record().count(); ++i)
        values << query.value(i);
    return values;
}

void addCorpus()
{
    const QStringList corpus{
        QStringLiteral("O'Brien"),
        QStringLiteral("''"),
        QStringLiteral("say \"hi\""),
        QStringLiteral("\"\""),
        QStringLiteral("C:\\datos\\entrada\\"),
        QStringLiteral("\\'"),
        QStringLiteral("100% _ [a]"),
        QStringLiteral("'; DROP TABLE Layout; --"),
        QStringLiteral("\"); DROP TABLE Layout; --"),
        QStringLiteral("Año ñandú € ü"),
        QStringLiteral("tab\there"),
        QStringLiteral(""),
    };
    for (auto kind : {TestDatabase::Kind::Sqlite, TestDatabase::Kind::PostgreSql}) {
        const char *engine = kind == TestDatabase::Kind::Sqlite ? "SQLite" : "PostgreSQL";
        for (qsizetype i = 0; i < corpus.size(); ++i)
            QTest::addRow("%s %d %s", engine, int(i), qPrintable(corpus[i])) << kind << corpus[i];
    }
}

} // namespace

class tst_StatementsDb : public QObject {
    Q_OBJECT

private slots:
    void textsStoredExactly_data();
    void textsStoredExactly();
    void deletesTakeOnlyTheirKey_data();
    void deletesTakeOnlyTheirKey();
    void deactivateAndReactivate_data();
    void deactivateAndReactivate();
    void injectedKeySelectsNothing_data();
    void injectedKeySelectsNothing();
    void backslashWhateverTheSetting();
};

void tst_StatementsDb::textsStoredExactly_data()
{
    QTest::addColumn<TestDatabase::Kind>("kind");
    QTest::addColumn<QString>("text");
    addCorpus();
}

void tst_StatementsDb::textsStoredExactly()
{
    QFETCH(TestDatabase::Kind, kind);
    QFETCH(QString, text);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    SqlConnection connection(db.connectionName());
    const Engine engine = connection.engine();

    run(connection, storage::lineInsert(engine, lineWith(text)));
    for (const QString &statement : storage::fieldStatements(engine, fieldWith(text)))
        run(connection, statement);

    const QVariantList line = boundRow(
        db.connectionName(),
        QStringLiteral("SELECT Ly_Descripcion, Ly_Archivo, Ly_Descripcion_ID, Ly_Linea_ID, "
                       "Ly_UserDef_1, Ly_UserDef_2, Ly_ID, Ly_UserDef_3, Ly_UserDef_4, Oper_Alta, "
                       "Es_Cve_Estado, Ly_Inverso FROM Layout WHERE Ly_Cve_Layout = ?"),
        key);
    QCOMPARE(line.size(), 12);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(line[i].toString(), text);
    QCOMPARE(line[6].toString(), QStringLiteral("0001"));
    QCOMPARE(line[7].toDouble(), 1.5);
    QCOMPARE(line[8].toDouble(), -2.25);
    QCOMPARE(line[9].toString(), QStringLiteral("OP'A"));
    QCOMPARE(line[10].toString(), QStringLiteral("AC"));
    QCOMPARE(line[11].toString(), QStringLiteral("NO"));

    const QVariantList field = boundRow(
        db.connectionName(),
        QStringLiteral("SELECT Ld_Descripcion, Ld_Valor, Ld_Formato, Ly_ID, Ld_ID, Ld_Posicion, "
                       "Ld_Longitud, Ld_Trim, Ld_Tipo FROM Layout_Detalle WHERE Ly_Cve_Layout = ?"),
        key);
    QCOMPARE(field.size(), 9);
    QCOMPARE(field[0].toString(), text);
    QCOMPARE(field[1].toString(), text);
    QCOMPARE(field[2].toString(), text);
    QCOMPARE(field[3].toString(), QStringLiteral("0001"));
    QCOMPARE(field[4].toString(), QStringLiteral("0010"));
    QCOMPARE(field[5].toInt(), 3);
    QCOMPARE(field[6].toInt(), 4);
    QCOMPARE(field[7].toString(), QStringLiteral("SI"));
    QCOMPARE(field[8].toString(), QStringLiteral("05"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout")).toInt(), 1);
}

void tst_StatementsDb::deletesTakeOnlyTheirKey_data()
{
    QTest::addColumn<TestDatabase::Kind>("kind");
    QTest::newRow("SQLite") << TestDatabase::Kind::Sqlite;
    QTest::newRow("PostgreSQL") << TestDatabase::Kind::PostgreSql;
}

void tst_StatementsDb::deletesTakeOnlyTheirKey()
{
    QFETCH(TestDatabase::Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    SqlConnection connection(db.connectionName());
    const Engine engine = connection.engine();
    for (const QString &k : {key, QStringLiteral("K1"), QStringLiteral("K''1")}) {
        storage::LayoutLineValues line = lineWith(QStringLiteral("x"));
        line.key = k;
        storage::LayoutFieldValues field = fieldWith(QStringLiteral("y"));
        field.key = k;
        run(connection, storage::lineInsert(engine, line));
        run(connection, storage::fieldInsert(engine, field));
    }
    run(connection, storage::deleteDetailRows(engine, key));
    run(connection, storage::deleteLineRows(engine, key));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout")).toInt(), 2);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout_Detalle")).toInt(), 2);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout WHERE Ly_Cve_Layout = 'K''1'"))
                 .toInt(),
             0);
}

void tst_StatementsDb::deactivateAndReactivate_data()
{
    deletesTakeOnlyTheirKey_data();
}

void tst_StatementsDb::deactivateAndReactivate()
{
    QFETCH(TestDatabase::Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    SqlConnection connection(db.connectionName());
    const Engine engine = connection.engine();
    run(connection,
        storage::lineInsert(engine, lineWith(QStringLiteral("a"), QStringLiteral("1"))));
    run(connection,
        storage::lineInsert(engine, lineWith(QStringLiteral("a"), QStringLiteral("2"))));
    run(connection, storage::fieldInsert(engine, fieldWith(QStringLiteral("f"))));

    run(connection,
        storage::deactivateUpdate(engine, key, QStringLiteral("M'1"),
                                  QStringLiteral("2026-12-07 08:00:00"), QStringLiteral("B'1")));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout WHERE Es_Cve_Estado = 'BA' "
                                      "AND Oper_Baja = 'B''1' AND Oper_Ult_Modif = 'M''1'"))
                 .toInt(),
             2);
    QVERIFY(!db.scalar(QStringLiteral("SELECT Fecha_Baja FROM Layout")).isNull());

    run(connection, storage::reactivateUpdate(engine, key, QStringLiteral("R"),
                                              QStringLiteral("2026-12-08 09:00:00")));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout WHERE Es_Cve_Estado = 'AC' "
                                      "AND Oper_Baja = '' AND Fecha_Baja IS NULL"))
                 .toInt(),
             2);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout_Detalle")).toInt(), 1);
}

void tst_StatementsDb::injectedKeySelectsNothing_data()
{
    QTest::addColumn<TestDatabase::Kind>("kind");
    QTest::addColumn<QString>("injected");
    for (auto kind : {TestDatabase::Kind::Sqlite, TestDatabase::Kind::PostgreSql}) {
        const char *engine = kind == TestDatabase::Kind::Sqlite ? "SQLite" : "PostgreSQL";
        QTest::addRow("%s drop", engine) << kind << "'; DROP TABLE Layout; --";
        QTest::addRow("%s or", engine) << kind << "' OR '1'='1";
        QTest::addRow("%s backslash", engine) << kind << "\\'; DROP TABLE Layout; --";
    }
}

void tst_StatementsDb::injectedKeySelectsNothing()
{
    QFETCH(TestDatabase::Kind, kind);
    QFETCH(QString, injected);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    SqlConnection connection(db.connectionName());
    const Engine engine = connection.engine();
    run(connection, storage::lineInsert(engine, lineWith(QStringLiteral("a"))));
    run(connection, storage::fieldInsert(engine, fieldWith(QStringLiteral("f"))));

    for (const QString &select :
         {storage::loadHeaderSelect(engine, injected), storage::loadDetailSelect(engine, injected),
          storage::scriptLayoutSelect(engine, injected),
          storage::scriptDetailSelect(engine, injected)})
        QVERIFY2(connection.Execute(select)->EndOfSet(), qPrintable(select));
    run(connection, storage::deleteDetailRows(engine, injected));
    run(connection, storage::deleteLineRows(engine, injected));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout")).toInt(), 1);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout_Detalle")).toInt(), 1);
}

void tst_StatementsDb::backslashWhateverTheSetting()
{
    // PostgreSQL reads backslashes in plain literals as escapes once
    // standard_conforming_strings is off; the stored text must not change with the setting.
    TestDatabase db(TestDatabase::Kind::PostgreSql);
    KESTA_REQUIRE(db);
    SqlConnection connection(db.connectionName());
    const QString text = QStringLiteral("C:\\n\\'x\\\\");
    for (const char *setting : {"on", "off"}) {
        db.exec(QStringLiteral("SET standard_conforming_strings = %1").arg(QLatin1String(setting)));
        db.exec(QStringLiteral("DELETE FROM Layout"));
        run(connection, storage::lineInsert(Engine::PostgreSql, lineWith(text)));
        QCOMPARE(db.scalar(QStringLiteral("SELECT Ly_Descripcion FROM Layout")).toString(), text);
        QVERIFY(
            !connection.Execute(storage::loadHeaderSelect(Engine::PostgreSql, key))->EndOfSet());
    }
}

QTEST_GUILESS_MAIN(tst_StatementsDb)
#include "tst_statements_db.moc"
