// Loading a load format by its key, driven as the user does: the key typed into the key box
// and confirmed with Enter, on SQLite and on a throwaway PostgreSQL server.

#include "LoadFixture.h"

using namespace kesta::test;
using kesta::editor::FieldStore;
using velkora::controls::DatePicker;
using Kind = TestDatabase::Kind;

namespace {

// Two line types with two fields each, the second line's rows written first; the texts hold
// what could break a statement.
void writeTwoLines(const TestDatabase &db)
{
    LineRow first, second;
    first.description = "O'Brien \"hi\"", first.file = "C:\\datos\\x\\'";
    first.user1 = "'; DROP TABLE Layout; --", first.user2 = "100% _x Año €";
    second.id = "0002", second.lineId = "D'", second.lineDescription = "Detalle \"\" \\";
    second.position = 2, second.length = 3, second.inverso = "NO", second.estado = "BA";
    insertLine(db, second);
    insertLine(db, first);
    FieldRow f;
    for (const auto &[line, id, tipo, trim] :
         {std::tuple{"0002", "0001", "03", "SI"}, std::tuple{"0001", "0005", "05", "si"},
          std::tuple{"0001", "0001", "01", "SI"}, std::tuple{"0002", "0007", "04", "NO"}}) {
        f.lineId = line, f.id = id, f.tipo = tipo, f.trim = trim;
        f.description = "D'" + f.id, f.valor = "V\\" + f.id, f.formato = "F\"" + f.id;
        insertField(db, f);
    }
}

// The nothing-loaded state of the key-change reset.
void verifyNothingLoaded(const LoadScreen &s)
{
    QCOMPARE(s.flags(), QStringLiteral("----"));
    QCOMPARE(s.toolbar()->B1Caption() + s.toolbar()->B2Caption() + s.text("txtDescripcion") +
                 s.text("txtArchivo"),
             QString());
    QCOMPARE(s.lineGrid()->Rows() + s.fieldGrid()->Rows() + s.store().count(), 0);
    QVERIFY(s.lineGrid()->redraw() && s.fieldGrid()->redraw());
}

} // namespace

class tst_Load : public QObject {
    Q_OBJECT

private slots:
    void loadsEverything_data() { KESTA_BOTH_ENGINES(); }
    void loadsEverything();
    void keyChangeResets();
    void brokenDetailRowEndsInReset_data();
    void brokenDetailRowEndsInReset();
    void manyFields_data() { KESTA_BOTH_ENGINES(); }
    void manyFields();
    void keysAndFlags_data() { KESTA_BOTH_ENGINES(); }
    void keysAndFlags();
};

void tst_Load::loadsEverything()
{
    QFETCH(Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    writeTwoLines(db);
    LoadScreen s(db.connectionName());

    s.typeKey("1");

    QCOMPARE(s.keyBox()->text(), QStringLiteral("0001"));
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    // The same two texts on both engines, blanks included; line and field numbers in numeric
    // order (by their length, then their text); both read in one transaction, one snapshot.
    QCOMPARE(s.record->statements,
             (QStringList{"BEGIN",
                          "SELECT * FROM Layout WHERE Ly_Cve_Layout = '0001' ORDER BY    "
                          "LENGTH(Ly_ID), Ly_ID",
                          "SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = '0001' ORDER BY    "
                          "LENGTH(Ly_ID), Ly_ID,    LENGTH(Ld_Id), Ld_Id",
                          // The rules, in the same snapshot.
                          "SELECT Lr_ID, Ly_ID, Ld_ID, Lr_Regla, Lr_Descripcion FROM Layout_Regla "
                          "WHERE Ly_Cve_Layout = '0001' ORDER BY LENGTH(Lr_ID), Lr_ID",
                          "COMMIT"}));
    QCOMPARE(kesta::Publico::Sql(), s.record->statements.at(3));
    QCOMPARE(s.record->count("Connection"), 4); // fetched anew for every use, never held

    // The header comes from the first row in Ly_ID order, not from the first row written.
    QStringList header;
    for (const char *box : {"txtDescripcion", "txtArchivo", "txtUser1", "txtUser2", "txtUser3"})
        header << s.text(box);
    for (const char *picker : {"dpUser5", "dpUser6"})
        header << s.child<DatePicker>(picker)->date().toString(Qt::ISODate);
    QCOMPARE(header, (QStringList{"O'Brien \"hi\"", "C:\\datos\\x\\'", "'; DROP TABLE Layout; --",
                                  "100% _x Año €", "12.5000", "2025-03-14", "2026-01-31"}));
    QVERIFY(s.child<QCheckBox>("chInverso")->isChecked());
    QCOMPARE(s.flags(), QStringLiteral("LED-")); // the first row is active
    s.child<QWidget>("lvDetalle")->show();       // the store's view is never shown
    QVERIFY(!s.child<QWidget>("lvDetalle")->isVisible());
    QCOMPARE(s.toolbar()->B1Caption() + s.toolbar()->B2Caption() + s.toolbar()->B3Caption(),
             QStringLiteral("CopiarProbarScript"));

    for (int pass = 0; pass < 2; ++pass) { // confirming again rebuilds rather than adds
        if (pass == 1)
            QTest::keyClick(s.keyBox(), Qt::Key_Return);
        QCOMPARE(gridRows(s.lineGrid()),
                 (QStringList{"0001|H|Encabezado|1|1", "0002|D'|Detalle \"\" \\|2|3"}));
        QCOMPARE(s.lineGrid()->currentRow(), 0);
        // Every field, numbered across line types; the keys keep the stored Ld_ID.
        QCOMPARE(storeRows(s.store()),
                 (QStringList{"K-0001-0001|0001-0001|0000|D'0001|1|2|01|V\\0001|F\"0001|SI|0001",
                              "K-0001-0005|0001-0005|0010|D'0005|1|2|05|V\\0005|F\"0005|si|0001",
                              "K-0002-0001|0002-0001|0020|D'0001|1|2|03|V\\0001|F\"0001|SI|0002",
                              "K-0002-0007|0002-0007|0030|D'0007|1|2|04|V\\0007|F\"0007|NO|0002"}));
        // The field grid: the first line type's fields; only "SI" exactly ticks Trim.
        QCOMPARE(gridRows(s.fieldGrid()),
                 (QStringList{"0000|D'0001|1|2|NUMERO|V\\0001|F\"0001|true|0001",
                              "0010|D'0005|1|2|SQL|V\\0005|F\"0005|false|0001"}));
        QVERIFY(s.lineGrid()->redraw() && s.fieldGrid()->redraw());
    }
    QCOMPARE(s.record->statements.filter("SELECT").size(), 6);
}

void tst_Load::keyChangeResets()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLines(db);
    LoadScreen s(db.connectionName());
    s.typeKey("1");
    QVERIFY(s.toolbar()->RecordLoaded());
    s.forget();

    QTest::keyClick(s.keyBox(), Qt::Key_Backspace);

    verifyNothingLoaded(s);
    QCOMPARE(s.toolbar()->B3Caption(), QStringLiteral("Script")); // not touched by the reset
    QVERIFY(!s.child<QCheckBox>("chInverso")->isChecked());
    QCOMPARE(s.record->calls.filter("ClearScreen"), QStringList{"ClearScreen(frmKESTA|1)"});
    QCOMPARE(s.keyBox()->text(), QStringLiteral("000"));

    s.typeKey(QString()); // an empty key box loads nothing
    QCOMPARE(s.record->statements.size() + s.record->messages.size(), 0);

    // While the toolbar edits, a key change resets nothing and a key confirmed loads nothing.
    s.typeKey("1");
    s.toolbar()->DoNew(false);
    s.toolbar()->setEditAllowed(true);
    s.keyBox()->setEnabled(true);
    s.child("txtDescripcion")->setText("kept");
    s.forget();
    s.typeKey("2");
    s.screen->txtClave_Enter();
    QVERIFY(s.toolbar()->EditAllowed());
    QCOMPARE(s.text("txtDescripcion"), QStringLiteral("kept"));
    QCOMPARE(s.record->count("ClearScreen") + s.record->count("Connection"), 0);
    QCOMPARE(s.record->statements.size() + s.record->messages.size(), 0);
}

void tst_Load::brokenDetailRowEndsInReset_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("broken"); // the column left null in a row, or a repeated key
    QTest::addColumn<bool>("messageFails");
    for (const char *broken : {"Ld_Descripcion", "Ld_Posicion", "Ld_Longitud", "Ld_Tipo",
                               "Ld_Valor", "Ld_Formato", "Ld_Trim", "Ly_ID", "K-0001-0002"})
        QTest::addRow("SQLite %s", broken) << Kind::Sqlite << QString(broken) << false;
    QTest::newRow("PostgreSQL null") << Kind::PostgreSql << "Ld_Valor" << false;
    QTest::newRow("PostgreSQL duplicate") << Kind::PostgreSql << "K-0001-0002" << false;
    QTest::newRow("message fails") << Kind::Sqlite << "Ld_Valor" << true;
}

void tst_Load::brokenDetailRowEndsInReset()
{
    QFETCH(Kind, kind);
    QFETCH(QString, broken);
    QFETCH(bool, messageFails);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    const bool duplicate = broken.startsWith("K-");
    if (duplicate || broken == "Ly_ID") { // a Layout_Detalle that takes what its key refuses
        db.exec("ALTER TABLE Layout_Detalle RENAME TO Keyed");
        db.exec("CREATE TABLE Layout_Detalle AS SELECT * FROM Keyed");
    }
    insertLine(db, LineRow{});
    FieldRow f;
    for (const char *id : {"0001", "0002", duplicate ? "0002" : "0003"})
        f.id = id, insertField(db, f);
    if (!duplicate)
        db.exec("UPDATE Layout_Detalle SET " + broken + " = NULL WHERE Ld_ID = '0003'");
    LoadScreen s(db.connectionName());
    if (messageFails)
        s.record->failOn = QStringLiteral("ShowMessage");

    s.typeKey("1");

    if (messageFails) {
        QCOMPARE(s.record->calls.filter("ERR-ID:7500025").size(), 1);
    } else {
        verifyMessage(s, "7500025", 16, "Velkora");
        const QString text = s.record->messages.value(0).text;
        QVERIFY2(text.startsWith("txtClave_Enter()\r\n") && text.contains(broken),
                 qPrintable(text));
    }
    // Nothing half loaded stays that the toolbar would offer to edit and save.
    verifyNothingLoaded(s);
    QCOMPARE(s.keyBox()->text(), QStringLiteral("0001"));
    QVERIFY(!s.toolbar()->isOffered("Edit"));
}

void tst_Load::manyFields()
{
    QFETCH(Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    LineRow second;
    second.id = "0002";
    insertLine(db, LineRow{});
    insertLine(db, second);
    QSqlDatabase connection = QSqlDatabase::database(db.connectionName(), false);
    QVERIFY(connection.transaction());
    FieldRow f;
    for (int i = 0; i < 5000; ++i) {
        f.lineId = i < 100 ? "0001" : "0002";
        f.id = QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0'));
        insertField(db, f);
    }
    QVERIFY(connection.commit());
    LoadScreen s(db.connectionName());

    s.typeKey("1");

    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    QCOMPARE(s.store().count(), 5000);
    for (const int i : {3276, 3277, 4999}) // the numbering goes past 16 bits without wrapping
        QCOMPARE(s.store().subItem(i, FieldStore::Id), QString::number(i * 10));
    QCOMPARE(s.store().key(4999), QStringLiteral("K-0002-04999"));
    QCOMPARE(s.fieldGrid()->Rows(), 100);
    QCOMPARE(s.fieldGrid()->cell(99, "ID").toString(), QStringLiteral("0990"));
}

void tst_Load::keysAndFlags()
{
    // A key with an apostrophe loads its own rows: a deactivated format offers only
    // reactivation and may have no fields; a null text shows as the empty text, a null number
    // as the numeric box's empty value, and a null date leaves the picker as it is. A key that
    // is not there, even one made to break out of its literal, changes nothing.
    QFETCH(Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    LineRow stored;
    stored.key = "A'B", stored.estado = "BA", stored.description = QString();
    stored.user3 = stored.date5 = QVariant();
    insertLine(db, stored);
    insertLine(db, LineRow{});
    insertField(db, FieldRow{});
    LoadScreen s(db.connectionName());
    // The key box takes four characters; a longer key reaches the load only if something
    // else puts it there, which the load must survive too.
    s.keyBox()->setMaxLength(64);

    for (const QString typed : {"A'B", "9999", "'; DROP TABLE Layout; --", "' OR ''='"}) {
        s.typeKey(typed, false); // typed in full: Enter changes nothing in the key box
        s.child("txtDescripcion")->setText("as it was");
        s.child<DatePicker>("dpUser5")->setDate(QDate(2001, 2, 3));
        s.store().add("K-1-1", "1-1");
        s.forget();
        QTest::keyClick(s.keyBox(), Qt::Key_Return);

        const bool found = typed == stored.key;
        const QStringList selects = s.record->statements.filter("SELECT");
        QCOMPARE(selects.size(), found ? 3 : 1);
        QCOMPARE(s.record->statements.last(), QStringLiteral("COMMIT"));
        QVERIFY2(selects.value(0).contains("'" + typed.toUpper().replace("'", "''") + "'"),
                 qPrintable(selects.value(0)));
        QCOMPARE(s.child<DatePicker>("dpUser5")->date(), QDate(2001, 2, 3));
        if (found) {
            QVERIFY(s.record->messages.isEmpty());
            QCOMPARE(s.text("txtDescripcion") + "|" + s.text("txtUser3") + "|" + s.flags(),
                     QStringLiteral("|0.0000|L--R"));
            QCOMPARE(s.child<DatePicker>("dpUser6")->date(), QDate(2026, 1, 31));
            QCOMPARE(s.lineGrid()->Rows(), 1);
            QCOMPARE(s.store().count() + s.fieldGrid()->Rows(), 0);
            continue;
        }
        verifyMessage(s, "7500024", 48, "Atención");
        QCOMPARE(s.record->messages.value(0).text,
                 QStringLiteral("La clave especificada no existe"));
        QCOMPARE(s.text("txtDescripcion") + s.flags(), QStringLiteral("as it was----"));
        QCOMPARE(s.store().count(), 1);
        QCOMPARE(s.keyBox()->text(), typed.toUpper());
    }
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout").toInt(), 2);
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout_Detalle").toInt(), 1);

    // The load only switches flags on; only the key change switches them off. The reverse box
    // ticks for "SI" alone.
    s.typeKey("1");
    QCOMPARE(s.flags(), QStringLiteral("LED-"));
    db.exec("UPDATE Layout SET Es_Cve_Estado = 'BA', Ly_Inverso = 'si'");
    QTest::keyClick(s.keyBox(), Qt::Key_Return);
    QCOMPARE(s.flags(), QStringLiteral("LEDR"));
    QVERIFY(!s.child<QCheckBox>("chInverso")->isChecked());
}

QTEST_MAIN(tst_Load)
#include "tst_load.moc"
