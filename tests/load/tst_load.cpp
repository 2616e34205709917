// Loading a load format by its key, driven as the user does: the key typed into the key box
// and confirmed with Enter, on SQLite and on a throwaway PostgreSQL server.

#include "LoadFixture.h"
#include "storage/Statements.h"

using kesta::editor::FieldStore;
using kesta::host::Engine;
using kesta::test::FieldRow;
using kesta::test::LineRow;
using kesta::test::LoadScreen;
using kesta::test::TestDatabase;
using velkora::controls::DatePicker;

namespace {

// Two line types with two fields each, the second line's rows written first.
void writeTwoLines(const TestDatabase &db)
{
    LineRow second;
    second.id = QStringLiteral("0002");
    second.lineId = QStringLiteral("D");
    second.lineDescription = QStringLiteral("Detalle");
    second.position = 2;
    second.length = 3;
    second.description = QStringLiteral("Otra descripción");
    second.inverso = QStringLiteral("NO");
    second.estado = QStringLiteral("BA");
    insertLine(db, second);
    insertLine(db, LineRow{});

    FieldRow f;
    for (const auto &[line, id, tipo, trim] :
         {std::tuple{"0002", "0001", "03", "SI"}, std::tuple{"0001", "0005", "05", "si"},
          std::tuple{"0001", "0001", "01", "SI"}, std::tuple{"0002", "0007", "04", "NO"}}) {
        f.lineId = QString::fromLatin1(line);
        f.id = QString::fromLatin1(id);
        f.tipo = QString::fromLatin1(tipo);
        f.trim = QString::fromLatin1(trim);
        f.description = QStringLiteral("Campo %1-%2").arg(f.lineId, f.id);
        f.valor = QStringLiteral("V") + f.id;
        f.formato = QStringLiteral("F") + f.id;
        insertField(db, f);
    }
}

// Rebuilds Layout_Detalle without its primary key, so that a test can store what the key
// would refuse.
void dropDetailKey(TestDatabase &db)
{
    db.exec(QStringLiteral("DROP TABLE Layout_Detalle"));
    db.exec(
        QStringLiteral("CREATE TABLE Layout_Detalle (Ly_Cve_Layout VARCHAR(10), Ly_ID VARCHAR(10), "
                       "Ld_ID VARCHAR(10), Ld_Descripcion VARCHAR(100), Ld_Posicion INTEGER, "
                       "Ld_Longitud INTEGER, Ld_Trim VARCHAR(2), Ld_Valor VARCHAR(255), "
                       "Ld_Formato VARCHAR(100), Ld_Tipo VARCHAR(2))"));
}

// The nothing-loaded state of the key-change reset.
void verifyNothingLoaded(const LoadScreen &s)
{
    QVERIFY(!s.toolbar()->RecordLoaded());
    QVERIFY(!s.toolbar()->EditAllowed());
    QVERIFY(!s.toolbar()->DeactivateAllowed());
    QVERIFY(!s.toolbar()->ReactivateAllowed());
    QCOMPARE(s.toolbar()->B1Caption(), QString());
    QCOMPARE(s.toolbar()->B2Caption(), QString());
    QCOMPARE(s.text("txtDescripcion"), QString());
    QCOMPARE(s.text("txtArchivo"), QString());
    QCOMPARE(s.lineGrid()->Rows(), 0);
    QCOMPARE(s.fieldGrid()->Rows(), 0);
    QCOMPARE(s.store().count(), 0);
    QVERIFY(s.lineGrid()->redraw());
    QVERIFY(s.fieldGrid()->redraw());
}

} // namespace

class tst_Load : public QObject {
    Q_OBJECT

private slots:
    void loadsEverything_data() { KESTA_BOTH_ENGINES(); }
    void loadsEverything();
    void statementsAsSqlServerReceivesThem();
    void deactivatedFormat_data() { KESTA_BOTH_ENGINES(); }
    void deactivatedFormat();
    void reverseOnlyForExactSi();
    void nullHeaderValues();
    void formatWithoutFields_data() { KESTA_BOTH_ENGINES(); }
    void formatWithoutFields();
    void reconfirmRebuilds();
    void reconfirmAfterDeactivationOnlyAddsFlags();
    void unknownKeyChangesNothing();
    void nothingWhenEmptyOrEditing();
    void keyChangeResets();
    void keyChangeIgnoredWhileEditing();
    void brokenDetailRowEndsInReset_data();
    void brokenDetailRowEndsInReset();
    void resetEvenWhenTheMessageFails();
    void manyFields_data() { KESTA_BOTH_ENGINES(); }
    void manyFields();
    void storedTextsShownVerbatim_data() { KESTA_BOTH_ENGINES(); }
    void storedTextsShownVerbatim();
    void injectedKeySelectsNothing_data();
    void injectedKeySelectsNothing();
};

void tst_Load::loadsEverything()
{
    QFETCH(TestDatabase::Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    writeTwoLines(db);
    LoadScreen s(db.connectionName());

    s.typeKey(QStringLiteral("1"));

    QCOMPARE(s.keyBox()->text(), QStringLiteral("0001"));
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    QCOMPARE(s.record->statements.size(), 2);
    QCOMPARE(s.record->count(QStringLiteral("Connection")), 2);

    // The header comes from the first row in Ly_ID order, not from the first row written.
    QCOMPARE(s.text("txtDescripcion"), QStringLiteral("Pagos"));
    QCOMPARE(s.text("txtArchivo"), QStringLiteral("pagos.txt"));
    QCOMPARE(s.text("txtUser1"), QStringLiteral("u1"));
    QCOMPARE(s.text("txtUser2"), QStringLiteral("u2"));
    QCOMPARE(s.text("txtUser3"), QStringLiteral("12.5000"));
    QCOMPARE(s.text("txtUser4"), QStringLiteral("0.0000"));
    QCOMPARE(s.child<DatePicker>("dpUser5")->date(), QDate(2025, 3, 14));
    QCOMPARE(s.child<DatePicker>("dpUser6")->date(), QDate(2026, 1, 31));
    QVERIFY(s.child<QCheckBox>("chInverso")->isChecked());

    // The toolbar: a record shown, active (the first row's state).
    QVERIFY(s.toolbar()->RecordLoaded());
    QVERIFY(s.toolbar()->EditAllowed());
    QVERIFY(s.toolbar()->DeactivateAllowed());
    QVERIFY(!s.toolbar()->ReactivateAllowed());
    QCOMPARE(s.toolbar()->B1Caption(), QStringLiteral("Copiar"));
    QCOMPARE(s.toolbar()->B2Caption(), QStringLiteral("Probar"));
    QCOMPARE(s.toolbar()->B3Caption(), QStringLiteral("Script"));

    // One line-grid row per line type, in order.
    auto *lines = s.lineGrid();
    QCOMPARE(kesta::test::gridColumn(lines, "Orden"), (QStringList{"0001", "0002"}));
    QCOMPARE(kesta::test::gridColumn(lines, "ID"), (QStringList{"H", "D"}));
    QCOMPARE(kesta::test::gridColumn(lines, QStringLiteral("Descripción")),
             (QStringList{"Encabezado", "Detalle"}));
    QCOMPARE(kesta::test::gridColumn(lines, "Posicion"), (QStringList{"1", "2"}));
    QCOMPARE(kesta::test::gridColumn(lines, "Longitud"), (QStringList{"1", "3"}));
    QVERIFY(lines->redraw());
    QCOMPARE(lines->currentRow(), 0);

    // The store: every field, renumbered across line types; keys keep the stored Ld_ID.
    const FieldStore &store = s.store();
    QCOMPARE(kesta::test::storeColumn(store, -1),
             (QStringList{"K-0001-0001", "K-0001-0005", "K-0002-0001", "K-0002-0007"}));
    QCOMPARE(kesta::test::storeColumn(store, FieldStore::Llave),
             (QStringList{"0001-0001", "0001-0005", "0002-0001", "0002-0007"}));
    QCOMPARE(kesta::test::storeColumn(store, FieldStore::Id),
             (QStringList{"0000", "0010", "0020", "0030"}));
    QCOMPARE(kesta::test::storeColumn(store, FieldStore::Tipo),
             (QStringList{"01", "05", "03", "04"}));
    QCOMPARE(kesta::test::storeColumn(store, FieldStore::Trim),
             (QStringList{"SI", "si", "SI", "NO"}));
    QCOMPARE(kesta::test::storeColumn(store, FieldStore::LineaID),
             (QStringList{"0001", "0001", "0002", "0002"}));
    QCOMPARE(store.subItem(1, FieldStore::Valor), QStringLiteral("V0005"));
    QCOMPARE(store.subItem(1, FieldStore::Formato), QStringLiteral("F0005"));
    QCOMPARE(store.subItem(1, FieldStore::Posicion), QStringLiteral("1"));
    QCOMPARE(store.subItem(1, FieldStore::Longitud), QStringLiteral("2"));

    // The field grid: the first line type's fields.
    auto *fields = s.fieldGrid();
    QCOMPARE(kesta::test::gridColumn(fields, "ID"), (QStringList{"0000", "0010"}));
    QCOMPARE(kesta::test::gridColumn(fields, "Tipo"), (QStringList{"NUMERO", "SQL"}));
    QCOMPARE(fields->cell(0, "Trim").toBool(), true);
    QCOMPARE(fields->cell(1, "Trim").toBool(), false);
    QCOMPARE(kesta::test::gridColumn(fields, "FORMATO"), (QStringList{"F0001", "F0005"}));
    QCOMPARE(kesta::test::gridColumn(fields, "Valor"), (QStringList{"V0001", "V0005"}));
    QCOMPARE(kesta::test::gridColumn(fields, "Linea_ID"), (QStringList{"0001", "0001"}));
    QVERIFY(fields->redraw());
}

void tst_Load::statementsAsSqlServerReceivesThem()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLines(db);
    LoadScreen s(db.connectionName());
    s.record->reportEngine = Engine::SqlServer;

    s.typeKey(QStringLiteral("1"));

    QCOMPARE(s.record->statements,
             (QStringList{"SELECT * FROM Layout WHERE Ly_Cve_Layout = '0001' ORDER BY    Ly_ID",
                          "SELECT * FROM Layout_Detalle WHERE Ly_Cve_Layout = '0001' ORDER BY    "
                          "Ly_ID,    Ld_Id"}));
    QCOMPARE(kesta::Publico::Sql(), s.record->statements.last());
    QCOMPARE(s.store().count(), 4);
}

void tst_Load::deactivatedFormat()
{
    QFETCH(TestDatabase::Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    LineRow row;
    row.estado = QStringLiteral("BA");
    insertLine(db, row);
    LoadScreen s(db.connectionName());

    s.typeKey(QStringLiteral("0001"));

    QVERIFY(s.toolbar()->RecordLoaded());
    QVERIFY(s.toolbar()->ReactivateAllowed());
    QVERIFY(!s.toolbar()->EditAllowed());
    QVERIFY(!s.toolbar()->DeactivateAllowed());
    QCOMPARE(s.toolbar()->B1Caption(), QStringLiteral("Copiar"));
}

void tst_Load::reverseOnlyForExactSi()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    LineRow lower;
    lower.inverso = QStringLiteral("si");
    insertLine(db, lower);
    LineRow upper;
    upper.key = QStringLiteral("0002");
    insertLine(db, upper);
    LoadScreen s(db.connectionName());
    auto *reverse = s.child<QCheckBox>("chInverso");

    s.typeKey(QStringLiteral("2"));
    QVERIFY(reverse->isChecked());
    s.typeKey(QStringLiteral("1"));
    QVERIFY(!reverse->isChecked());
    QVERIFY(s.toolbar()->RecordLoaded());
}

void tst_Load::nullHeaderValues()
{
    // A null text shows as the empty text, a null number as the numeric box's empty value,
    // and a null date leaves the picker as it is.
    TestDatabase db;
    KESTA_REQUIRE(db);
    insertLine(db, LineRow{});
    db.exec(QStringLiteral("UPDATE Layout SET Ly_Descripcion = NULL, Ly_UserDef_2 = NULL, "
                           "Ly_UserDef_3 = NULL, Ly_UserDef_5 = NULL, Es_Cve_Estado = 'AC'"));
    LoadScreen s(db.connectionName());
    s.typeKey(QStringLiteral("0001"), false);
    auto *date5 = s.child<DatePicker>("dpUser5");
    date5->setDate(QDate(2001, 2, 3));

    QTest::keyClick(s.keyBox(), Qt::Key_Return);

    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    QCOMPARE(s.text("txtDescripcion"), QString());
    QCOMPARE(s.text("txtUser2"), QString());
    QCOMPARE(s.text("txtUser3"), QStringLiteral("0.0000"));
    QCOMPARE(date5->date(), QDate(2001, 2, 3));
    QCOMPARE(s.child<DatePicker>("dpUser6")->date(), QDate(2026, 1, 31));
    QVERIFY(s.toolbar()->RecordLoaded());
}

void tst_Load::formatWithoutFields()
{
    QFETCH(TestDatabase::Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    insertLine(db, LineRow{});
    LoadScreen s(db.connectionName());

    s.typeKey(QStringLiteral("1"));

    QVERIFY(s.record->messages.isEmpty());
    QCOMPARE(s.lineGrid()->Rows(), 1);
    QCOMPARE(s.store().count(), 0);
    QCOMPARE(s.fieldGrid()->Rows(), 0);
    QVERIFY(s.toolbar()->RecordLoaded());
}

void tst_Load::reconfirmRebuilds()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLines(db);
    LoadScreen s(db.connectionName());

    s.typeKey(QStringLiteral("1"));
    QTest::keyClick(s.keyBox(), Qt::Key_Return);
    QTest::keyClick(s.keyBox(), Qt::Key_Return);

    QVERIFY(s.record->messages.isEmpty());
    QCOMPARE(s.record->statements.size(), 6);
    QCOMPARE(s.lineGrid()->Rows(), 2);
    QCOMPARE(s.store().count(), 4);
    QCOMPARE(kesta::test::storeColumn(s.store(), FieldStore::Id),
             (QStringList{"0000", "0010", "0020", "0030"}));
    QCOMPARE(s.fieldGrid()->Rows(), 2);
}

void tst_Load::reconfirmAfterDeactivationOnlyAddsFlags()
{
    // The load only switches flags on; only the key change switches them off.
    TestDatabase db;
    KESTA_REQUIRE(db);
    insertLine(db, LineRow{});
    LoadScreen s(db.connectionName());
    s.typeKey(QStringLiteral("1"));
    db.exec(QStringLiteral("UPDATE Layout SET Es_Cve_Estado = 'BA'"));

    QTest::keyClick(s.keyBox(), Qt::Key_Return);

    QVERIFY(s.toolbar()->ReactivateAllowed());
    QVERIFY(s.toolbar()->EditAllowed());
    QVERIFY(s.toolbar()->DeactivateAllowed());
}

void tst_Load::unknownKeyChangesNothing()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    insertLine(db, LineRow{});
    LoadScreen s(db.connectionName());
    s.typeKey(QStringLiteral("9999"), false);
    // Whatever the screen shows now must survive the failed look-up.
    s.child<velkora::controls::TextBox>("txtDescripcion")->setText(QStringLiteral("as it was"));
    s.toolbar()->setB1Caption(QStringLiteral("B1"));
    s.store().add(QStringLiteral("K-1-1"), QStringLiteral("1-1"));
    s.lineGrid()->AddNew();
    s.lineGrid()->setCell(0, QStringLiteral("Orden"), QStringLiteral("0007"));
    s.lineGrid()->Update();
    s.forget();

    QTest::keyClick(s.keyBox(), Qt::Key_Return);

    QCOMPARE(s.record->messages.size(), 1);
    const auto &message = s.record->messages.first();
    QCOMPARE(message.text, QStringLiteral("La clave especificada no existe"));
    QCOMPARE(message.style, 48);
    QCOMPARE(message.title, QStringLiteral("Atención"));
    QCOMPARE(message.messageId, QStringLiteral("ERR-ID:7500024"));
    QCOMPARE(message.module, QStringLiteral("KESTA"));
    QCOMPARE(message.owner.data(), s.screen.get());
    QCOMPARE(s.record->statements.size(), 1);
    QCOMPARE(s.text("txtDescripcion"), QStringLiteral("as it was"));
    QCOMPARE(s.toolbar()->B1Caption(), QStringLiteral("B1"));
    QVERIFY(!s.toolbar()->RecordLoaded());
    QCOMPARE(s.store().count(), 1);
    QCOMPARE(s.lineGrid()->Rows(), 1);
    QCOMPARE(s.keyBox()->text(), QStringLiteral("9999"));
}

void tst_Load::nothingWhenEmptyOrEditing()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    insertLine(db, LineRow{});
    LoadScreen s(db.connectionName());

    // An empty key box.
    s.typeKey(QString());
    QCOMPARE(s.keyBox()->text(), QString());
    QVERIFY(s.record->statements.isEmpty());
    QVERIFY(s.record->messages.isEmpty());
    QCOMPARE(s.record->count(QStringLiteral("Connection")), 0);

    // A key confirmed while the toolbar edits.
    s.toolbar()->DoNew(false);
    QVERIFY(s.toolbar()->EditMode());
    s.keyBox()->setEnabled(true);
    s.forget();
    s.typeKey(QStringLiteral("1"));
    s.screen->txtClave_Enter();
    QVERIFY(s.record->statements.isEmpty());
    QVERIFY(s.record->messages.isEmpty());
    QCOMPARE(s.record->count(QStringLiteral("Connection")), 0);
    QVERIFY(!s.toolbar()->RecordLoaded());
    QCOMPARE(s.lineGrid()->Rows(), 0);
}

void tst_Load::keyChangeResets()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLines(db);
    LoadScreen s(db.connectionName());
    s.typeKey(QStringLiteral("1"));
    QVERIFY(s.toolbar()->RecordLoaded());
    s.forget();

    QTest::keyClick(s.keyBox(), Qt::Key_Backspace);

    verifyNothingLoaded(s);
    QCOMPARE(s.toolbar()->B3Caption(), QStringLiteral("Script")); // not touched by the reset
    QVERIFY(!s.child<QCheckBox>("chInverso")->isChecked());
    QCOMPARE(s.record->count(QStringLiteral("ClearScreen")), 1);
    QCOMPARE(s.record->lastCall(QStringLiteral("ClearScreen")),
             QStringLiteral("ClearScreen(frmKESTA|1)"));
    QVERIFY(s.record->statements.isEmpty());
    QCOMPARE(s.keyBox()->text(), QStringLiteral("000"));
}

void tst_Load::keyChangeIgnoredWhileEditing()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    insertLine(db, LineRow{});
    LoadScreen s(db.connectionName());
    s.typeKey(QStringLiteral("1"));
    s.toolbar()->DoNew(false);
    s.toolbar()->setEditAllowed(true);
    s.child<velkora::controls::TextBox>("txtDescripcion")->setText(QStringLiteral("kept"));
    s.forget();

    s.keyBox()->setText(QStringLiteral("0002"));

    QVERIFY(s.toolbar()->EditAllowed());
    QCOMPARE(s.text("txtDescripcion"), QStringLiteral("kept"));
    QCOMPARE(s.record->count(QStringLiteral("ClearScreen")), 0);
}

void tst_Load::brokenDetailRowEndsInReset_data()
{
    QTest::addColumn<TestDatabase::Kind>("kind");
    QTest::addColumn<bool>("duplicate");
    QTest::addColumn<QString>("named");
    QTest::newRow("SQLite null") << TestDatabase::Kind::Sqlite << false << "Ld_Valor";
    QTest::newRow("SQLite duplicate") << TestDatabase::Kind::Sqlite << true << "K-0001-0002";
    QTest::newRow("PostgreSQL null") << TestDatabase::Kind::PostgreSql << false << "Ld_Valor";
    QTest::newRow("PostgreSQL duplicate")
        << TestDatabase::Kind::PostgreSql << true << "K-0001-0002";
}

void tst_Load::brokenDetailRowEndsInReset()
{
    QFETCH(TestDatabase::Kind, kind);
    QFETCH(bool, duplicate);
    QFETCH(QString, named);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    if (duplicate)
        dropDetailKey(db);
    insertLine(db, LineRow{});
    FieldRow f;
    insertField(db, f);
    f.id = QStringLiteral("0002");
    insertField(db, f);
    if (duplicate) {
        insertField(db, f);
    } else {
        f.id = QStringLiteral("0003");
        f.valor = QVariant();
        insertField(db, f);
    }
    LoadScreen s(db.connectionName());

    s.typeKey(QStringLiteral("1"));

    QCOMPARE(s.record->messages.size(), 1);
    const auto &message = s.record->messages.first();
    QVERIFY2(message.text.startsWith(QStringLiteral("txtClave_Enter()\r\n")),
             qPrintable(message.text));
    QVERIFY2(message.text.contains(named), qPrintable(message.text));
    QCOMPARE(message.style, 16);
    QCOMPARE(message.title, QStringLiteral("Velkora"));
    QCOMPARE(message.messageId, QStringLiteral("ERR-ID:7500025"));
    QCOMPARE(message.module, QStringLiteral("KESTA"));
    QCOMPARE(message.owner.data(), s.screen.get());

    // Nothing half loaded stays that the toolbar would offer to edit and save.
    verifyNothingLoaded(s);
    QCOMPARE(s.keyBox()->text(), QStringLiteral("0001"));
    QVERIFY(!s.toolbar()->isOffered(QStringLiteral("Edit")));
}

void tst_Load::resetEvenWhenTheMessageFails()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    insertLine(db, LineRow{});
    FieldRow broken;
    broken.description = QVariant();
    insertField(db, broken);
    LoadScreen s(db.connectionName());
    s.record->failOn = QStringLiteral("ShowMessage");

    s.typeKey(QStringLiteral("1"));

    QCOMPARE(s.record->calls.filter(QStringLiteral("ERR-ID:7500025")).size(), 1);
    verifyNothingLoaded(s);
}

void tst_Load::manyFields()
{
    QFETCH(TestDatabase::Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    LineRow second;
    second.id = QStringLiteral("0002");
    insertLine(db, LineRow{});
    insertLine(db, second);
    QSqlDatabase connection = QSqlDatabase::database(db.connectionName(), false);
    QVERIFY(connection.transaction());
    QSqlQuery insert(connection);
    QVERIFY(insert.prepare(QStringLiteral(
        "INSERT INTO Layout_Detalle (Ly_Cve_Layout, Ly_ID, Ld_ID, Ld_Descripcion, Ld_Posicion, "
        "Ld_Longitud, Ld_Trim, Ld_Valor, Ld_Formato, Ld_Tipo) "
        "VALUES ('0001', ?, ?, 'c', 1, 1, 'NO', '', '', '02')")));
    for (int i = 0; i < 5000; ++i) {
        insert.addBindValue(i < 100 ? QStringLiteral("0001") : QStringLiteral("0002"));
        insert.addBindValue(QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')));
        QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
    }
    QVERIFY(connection.commit());
    LoadScreen s(db.connectionName());

    s.typeKey(QStringLiteral("1"));

    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    const FieldStore &store = s.store();
    QCOMPARE(store.count(), 5000);
    QCOMPARE(store.subItem(3276, FieldStore::Id), QStringLiteral("32760"));
    QCOMPARE(store.subItem(3277, FieldStore::Id), QStringLiteral("32770"));
    QCOMPARE(store.subItem(4999, FieldStore::Id), QStringLiteral("49990"));
    QCOMPARE(store.key(4999), QStringLiteral("K-0002-04999"));
    QCOMPARE(s.fieldGrid()->Rows(), 100);
    QCOMPARE(s.fieldGrid()->cell(99, "ID").toString(), QStringLiteral("0990"));
}

void tst_Load::storedTextsShownVerbatim()
{
    QFETCH(TestDatabase::Kind, kind);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    const QStringList corpus{QStringLiteral("O'Brien ''"),
                             QStringLiteral("say \"hi\" \"\""),
                             QStringLiteral("C:\\datos\\\\x\\'"),
                             QStringLiteral("100% _x"),
                             QStringLiteral("'; DROP TABLE Layout; --"),
                             QStringLiteral("Año ñandú € ü")};
    for (int i = 0; i < corpus.size(); ++i) {
        LineRow line;
        line.id = QStringLiteral("%1").arg(i + 1, 4, 10, QLatin1Char('0'));
        line.description = corpus[0];
        line.file = corpus[1];
        line.user1 = corpus[2];
        line.user2 = corpus[4];
        line.lineId = corpus[i];
        line.lineDescription = corpus[i];
        insertLine(db, line);
        FieldRow field;
        field.lineId = QStringLiteral("0001");
        field.id = line.id;
        field.description = corpus[i];
        field.valor = corpus[i];
        field.formato = corpus[i];
        insertField(db, field);
    }
    LoadScreen s(db.connectionName());

    s.typeKey(QStringLiteral("1"));

    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    QCOMPARE(s.text("txtDescripcion"), corpus[0]);
    QCOMPARE(s.text("txtArchivo"), corpus[1]);
    QCOMPARE(s.text("txtUser1"), corpus[2]);
    QCOMPARE(s.text("txtUser2"), corpus[4]);
    QCOMPARE(kesta::test::gridColumn(s.lineGrid(), "ID"), corpus);
    QCOMPARE(kesta::test::gridColumn(s.lineGrid(), QStringLiteral("Descripción")), corpus);
    QCOMPARE(kesta::test::storeColumn(s.store(), FieldStore::Valor), corpus);
    QCOMPARE(kesta::test::storeColumn(s.store(), FieldStore::Descripcion), corpus);
    QCOMPARE(kesta::test::gridColumn(s.fieldGrid(), "Valor"), corpus);
    QCOMPARE(kesta::test::gridColumn(s.fieldGrid(), "Formato"), corpus);
    QCOMPARE(kesta::test::gridColumn(s.fieldGrid(), QStringLiteral("Descripción")), corpus);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout")).toInt(), corpus.size());
}

void tst_Load::injectedKeySelectsNothing_data()
{
    QTest::addColumn<TestDatabase::Kind>("kind");
    QTest::addColumn<QString>("typed");
    for (auto kind : {TestDatabase::Kind::Sqlite, TestDatabase::Kind::PostgreSql}) {
        const char *engine = kind == TestDatabase::Kind::Sqlite ? "SQLite" : "PostgreSQL";
        QTest::addRow("%s apostrophe", engine) << kind << "A'B";
        QTest::addRow("%s short", engine) << kind << "';--";
        QTest::addRow("%s drop", engine) << kind << "'; DROP TABLE Layout; --";
        QTest::addRow("%s or", engine) << kind << "' OR ''='";
    }
}

void tst_Load::injectedKeySelectsNothing()
{
    QFETCH(TestDatabase::Kind, kind);
    QFETCH(QString, typed);
    TestDatabase db(kind);
    KESTA_REQUIRE(db);
    insertLine(db, LineRow{});
    insertField(db, FieldRow{});
    LoadScreen s(db.connectionName());
    // The key box takes four characters; a longer key reaches the load only if something
    // else puts it there, which the load must survive too.
    s.keyBox()->setMaxLength(64);

    s.typeKey(typed);

    QCOMPARE(s.record->messages.size(), 1);
    QCOMPARE(s.record->messages.first().messageId, QStringLiteral("ERR-ID:7500024"));
    QCOMPARE(s.record->statements.size(), 1);
    QString escaped = typed.toUpper();
    escaped.replace(QLatin1Char('\''), QStringLiteral("''"));
    QVERIFY2(s.record->statements.first().contains(QLatin1Char('\'') + escaped + QLatin1Char('\'')),
             qPrintable(s.record->statements.first()));
    QVERIFY(!s.toolbar()->RecordLoaded());
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout")).toInt(), 1);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Layout_Detalle")).toInt(), 1);
}

QTEST_MAIN(tst_Load)
#include "tst_load.moc"
