// The line editor: the checks of a line edit, its commit into the field store, the edit
// buttons, and the grids' keys and row changes, driven through the real widgets.

#include "EditFixture.h"
#include "editor/LineEditCheck.h"

#include <QClipboard>
#include <QMenu>
#include <services/GridTools.h>

using namespace kesta::test;
using kesta::editor::checkLineEdit;
using kesta::editor::FieldRowInput;
using kesta::editor::LineRowInput;

namespace {

FieldRowInput field(const QString &id, const QString &position = "1", const QString &length = "2",
                    int tipo = 1)
{
    FieldRowInput f;
    f.id = id, f.descripcion = "d", f.posicion = position, f.longitud = length, f.tipo = tipo;
    return f;
}

LineRowInput line(const QString &id = "H", const QString &position = "1",
                  const QString &length = "1", const QString &orden = "3")
{
    return LineRowInput{orden, id, "Línea", position, length};
}

// The store's rows without the sub-items that these tests do not look at.
QStringList storeKeys(const kesta::editor::FieldStore &store)
{
    QStringList keys;
    for (int i = 0; i < store.count(); ++i)
        keys << store.key(i);
    return keys;
}

// Ctrl+Shift+TAB while the focus is in a grid or its cell editor: the focus leaves the grid
// backwards.
void leaveGridsBack()
{
    for (int i = 0; i < 4; ++i) {
        QWidget *focus = EditScreen::focus();
        bool inGrid = false;
        for (QWidget *w = focus; w; w = w->parentWidget())
            inGrid = inGrid || qobject_cast<velkora::controls::DataGrid *>(w);
        if (!inGrid)
            return;
        EditScreen::key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    }
}

// Empties a grid cell with the keys: F2 opens its editor, Ctrl+A and backspace empty it.
void clearCell(velkora::controls::DataGrid *grid, int row, const QString &column)
{
    grid->setFocus();
    QVERIFY(grid->setCurrentCell(row, grid->columnIndex(column)));
    EditScreen::key(Qt::Key_F2);
    EditScreen::key(Qt::Key_A, Qt::ControlModifier);
    EditScreen::key(Qt::Key_Backspace);
    grid->commitCellEdit();
}

// Presses TAB (or Shift+TAB) until the focus is on the named widget, as a keyboard user does.
bool tabTo(const QString &name, bool back = false)
{
    for (int i = 0; i < 40; ++i) {
        if (EditScreen::focus() && EditScreen::focus()->objectName() == name)
            return true;
        EditScreen::key(back ? Qt::Key_Backtab : Qt::Key_Tab);
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(LineRowInput)
Q_DECLARE_METATYPE(QList<FieldRowInput>)

class tst_LineEditor : public QObject {
    Q_OBJECT

private slots:
    void checks_data();
    void checks();
    void editCommitsTheLinesEntries();
    void newLineAndCancel();
    void newLineNeedsTheFirstLinesId();
    void editAndCancelRestoresEverything();
    void refusedEditLeavesEverything();
    void emptiedFieldGridStillReplacesTheLine();
    void deleteLine_data();
    void deleteLine();
    void keyFilter_data();
    void keyFilter();
    void pastedTextIsFiltered();
    void enterMovesOnOutsideEditing();
    void fieldGridFollowsTheLineAndHolds();
    void fieldRowsByKeyAndMenu();
    void f10HandsTheGridOver();
    void keyboardOnlyThreeLines();
    void typeChangesOnlyInALineEdit_data();
    void typeChangesOnlyInALineEdit();
    void tabFromTheHeldLine_data();
    void tabFromTheHeldLine();
    void refusalLandsOnTheCellAtFault_data();
    void refusalLandsOnTheCellAtFault();
};

void tst_LineEditor::checks_data()
{
    QTest::addColumn<LineRowInput>("lineRow");
    QTest::addColumn<int>("lineRows");
    QTest::addColumn<QStringList>("otherOrders");
    QTest::addColumn<QList<FieldRowInput>>("fields");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row"); // the field row at fault; -1 for the line

    const QList<FieldRowInput> one{field("1")};
    QTest::newRow("one line without ID") << line("") << 1 << QStringList() << one << ""
                                         << "" << -1;
    QTest::newRow("two lines, no ID") << line("") << 2 << QStringList{"1"} << one << "7500003"
                                      << "El ID es requerido cuando existe más de una línea" << -1;
    LineRowInput noDescription = line();
    noDescription.descripcion.clear();
    QTest::newRow("line cell empty") << noDescription << 2 << QStringList{"1"} << one << "7500002"
                                     << "Datos incorrectos de la línea actual" << -1;
    QTest::newRow("no field row") << line() << 1 << QStringList() << QList<FieldRowInput>()
                                  << "7500004"
                                  << "Debe especificar un ID" << 0;
    QTest::newRow("empty ID and position: the ID first")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("", "")} << "7500004"
        << "Debe especificar un ID" << 0;
    QTest::newRow("empty position")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("1", "")} << "7500005"
        << "Debe especificar una posición" << 0;
    QTest::newRow("empty length") << line() << 1 << QStringList()
                                  << QList<FieldRowInput>{field("1", "1", "")} << "7500006"
                                  << "Debe espcicifcar una longitud" << 0;
    QTest::newRow("no type") << line() << 1 << QStringList()
                             << QList<FieldRowInput>{field("1", "1", "2", -1)} << "7500007"
                             << "Debe especificar un tipo" << 0;
    QTest::newRow("duplicate 7") << line() << 1 << QStringList()
                                 << QList<FieldRowInput>{field("7"), field("7")} << "7500010"
                                 << "El ID 7 está duplicado" << 0;
    QTest::newRow("a and A differ")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("a"), field("A")} << ""
        << "" << -1;
    QTest::newRow("duplicate ab shown in upper case")
        << line() << 1 << QStringList()
        << QList<FieldRowInput>{field("x"), field("ab"), field("ab")} << "7500010"
        << "El ID AB está duplicado" << 1;
    QTest::newRow("empty cell of row 2 before a duplicate of rows 3 and 4")
        << line() << 1 << QStringList()
        << QList<FieldRowInput>{field("1"), field("2", ""), field("3"), field("3")} << "7500005"
        << "Debe especificar una posición" << 1;
    QTest::newRow("duplicate of row 1 before an empty cell of row 2")
        << line() << 1 << QStringList()
        << QList<FieldRowInput>{field("1"), field("2", ""), field("1")} << "7500010"
        << "El ID 1 está duplicado" << 0;
    FieldRowInput sparse = field("4");
    sparse.descripcion.clear();
    QTest::newRow("empty description, value and format")
        << line() << 1 << QStringList() << QList<FieldRowInput>{sparse} << ""
        << "" << -1;
    QTest::newRow("1 and 01 give one field number")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("1"), field("01")}
        << "7500008"
        << "Los ID 1 y 01 dan el mismo número de campo 0001" << 0;
    QTest::newRow("line number of another line")
        << line() << 2 << QStringList{"0003"} << one << "7500009"
        << "El número de línea 0003 ya está asignado a otra línea" << -1;
    QTest::newRow("field position 0")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("1", "0")} << "7500013"
        << "La posición del campo 0001 debe ser un número entero mayor que cero, de como mucho dos "
           "mil millones (se indicó 0)"
        << 0;
    QTest::newRow("field length beyond the column")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("1", "1", "2000000001")}
        << "7500013"
        << "La longitud del campo 0001 debe ser un número entero mayor que cero, de como mucho dos "
           "mil millones (se indicó "
           "2000000001)"
        << 0;
    QTest::newRow("line length 0") << line("H", "1", "0") << 1 << QStringList() << one << "7500027"
                                   << "La longitud de la línea debe ser un número entero mayor que "
                                      "cero, de como mucho dos mil millones (se indicó 0)"
                                   << -1;

    // One row that breaks two checks: the first in their order is the one reported.
    LineRowInput bare = line("");
    bare.descripcion.clear();
    QTest::newRow("line: a cell empty and no ID of two lines, the cell first")
        << bare << 2 << QStringList{"1"} << one << "7500002"
        << "Datos incorrectos de la línea actual" << -1;
    QTest::newRow("line: no ID of two lines and a taken number, the ID first")
        << line("") << 2 << QStringList{"0003"} << one << "7500003"
        << "El ID es requerido cuando existe más de una línea" << -1;
    QTest::newRow("line: a taken number and length 0, the number first")
        << line("H", "1", "0") << 2 << QStringList{"3"} << one << "7500009"
        << "El número de línea 0003 ya está asignado a otra línea" << -1;
    QTest::newRow("line: position and length 0, the position first")
        << line("H", "0", "0") << 1 << QStringList() << one << "7500027"
        << "La posición de la línea debe ser un número entero mayor que cero, de como mucho dos "
           "mil millones (se indicó 0)"
        << -1;
    QTest::newRow("line at fault and no field row, the line first")
        << line("H", "1", "0") << 1 << QStringList() << QList<FieldRowInput>() << "7500027"
        << "La longitud de la línea debe ser un número entero mayor que cero, de como mucho dos "
           "mil millones (se indicó 0)"
        << -1;
    QTest::newRow("field: position and length empty, the position first")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("1", "", "")} << "7500005"
        << "Debe especificar una posición" << 0;
    QTest::newRow("field: length empty and no type, the length first")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("1", "1", "", -1)}
        << "7500006"
        << "Debe espcicifcar una longitud" << 0;
    QTest::newRow("field: no type and position 0, the type first")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("1", "0", "2", -1)}
        << "7500007"
        << "Debe especificar un tipo" << 0;
    QTest::newRow("field: position and length 0, the position first")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("1", "0", "0")} << "7500013"
        << "La posición del campo 0001 debe ser un número entero mayor que cero, de como mucho dos "
           "mil millones (se indicó 0)"
        << 0;
    QTest::newRow("field: position 0 and a duplicate, the position first")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("1", "0"), field("1")}
        << "7500013"
        << "La posición del campo 0001 debe ser un número entero mayor que cero, de como mucho dos "
           "mil millones (se indicó 0)"
        << 0;
    QTest::newRow("field: a duplicate and a 01 after it, the duplicate first")
        << line() << 1 << QStringList() << QList<FieldRowInput>{field("1"), field("01"), field("1")}
        << "7500010"
        << "El ID 1 está duplicado" << 0;
}

void tst_LineEditor::checks()
{
    QFETCH(LineRowInput, lineRow);
    QFETCH(int, lineRows);
    QFETCH(QStringList, otherOrders);
    QFETCH(QList<FieldRowInput>, fields);
    QFETCH(QString, id);
    QFETCH(QString, text);
    QFETCH(int, row);

    const auto refusal = checkLineEdit(lineRow, lineRows, otherOrders, fields);
    QCOMPARE(refusal ? refusal->message.id : QString(), id.isEmpty() ? "" : "ERR-ID:" + id);
    if (refusal) {
        QCOMPARE(refusal->message.text, text);
        QCOMPARE(refusal->message.style, 48);
        // Faults of the field rows send the user to the row at fault in the field grid; a
        // duplicate also tells the toolbar that no save takes place.
        QCOMPARE(refusal->fieldRow, row);
        QCOMPARE(refusal->focusFieldGrid, row >= 0);
        QCOMPARE(refusal->cancelSave, id == "7500010" || id == "7500008");
    }
}

void tst_LineEditor::editCommitsTheLinesEntries()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    QTest::mouseClick(s.lineGrid()->viewport(), Qt::LeftButton, {},
                      s.lineGrid()->visualRect(s.lineGrid()->model()->index(1, 2)).center());
    QCOMPARE(s.fieldRows(), QStringList{"0020|Fecha|1|2|Fecha|||true"});
    s.forget();

    s.click(1); // Editar
    QVERIFY(s.screen->LineEditActive());
    QCOMPARE(s.visibleButtons(), QStringLiteral("Aceptar,Cancelar"));
    s.typeCell(s.fieldGrid(), 0, "Descripción", "Fecha valor");
    s.key(Qt::Key_Insert);
    s.typeCell(s.fieldGrid(), 1, "ID", "5");
    s.typeCell(s.fieldGrid(), 1, "Posicion", "10");
    s.typeCell(s.fieldGrid(), 1, "Longitud", "8");
    s.typeCell(s.fieldGrid(), 1, "Tipo", "N");
    s.typeCell(s.fieldGrid(), 1, "Trim", " ");
    s.click(3); // Aceptar

    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    QVERIFY(!s.screen->LineEditActive());
    QCOMPARE(s.visibleButtons(), QStringLiteral("Nuevo,Editar,Eliminar"));
    // The other line's entries keep their place and content; the edited line's are replaced at
    // the end, numbered "0000", with type codes and SI/NO.
    QCOMPARE(storeRows(s.store()),
             (QStringList{"K-0001-0001|0001-0001|0000|Cuenta|1|2|01|||SI|0001",
                          "K-0001-0002|0001-0002|0010|Nombre|1|2|02|||SI|0001",
                          "K-0002-0020|0002-0020|0020|Fecha valor|1|2|03|||SI|0002",
                          "K-0002-0005|0002-0005|0005||10|8|01|||SI|0002"}));
    QCOMPARE(s.fieldRows(),
             (QStringList{"0020|Fecha valor|1|2|Fecha|||true", "0005||10|8|NUMERO|||true"}));
    for (const auto *grid : {s.lineGrid(), s.fieldGrid()}) {
        for (int c = 0; c < grid->columnCount(); ++c)
            QCOMPARE(grid->isColumnLocked(c), grid->columnName(c) != "Tipo");
    }
}

void tst_LineEditor::newLineAndCancel()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    const QStringList linesBefore = gridRows(s.lineGrid());
    const QStringList fieldsBefore = s.fieldRows();

    // "Nuevo" then "Cancelar": both grids as they were.
    s.click(0);
    QCOMPARE(s.lineGrid()->Rows(), 3);
    QCOMPARE(QList<int>({s.lineGrid()->currentRow(), s.lineGrid()->currentColumn()}),
             QList<int>({2, 0}));
    QCOMPARE(s.focus(), s.lineGrid());
    QCOMPARE(s.fieldGrid()->Rows(), 0);
    QCOMPARE(s.lineGrid()->cellText(2, "Orden"), QStringLiteral("0003")); // offered
    s.keys("9");
    s.click(4);
    QCOMPARE(gridRows(s.lineGrid()), linesBefore);
    QCOMPARE(s.fieldRows(), fieldsBefore);
    QCOMPARE(s.visibleButtons(), QStringLiteral("Nuevo,Editar,Eliminar"));

    // A new line 3 with the fields 1 and 2.
    s.click(0);
    for (const auto &[column, text] :
         {std::pair{"Orden", "3"}, std::pair{"ID", "T"}, std::pair{"Descripción", "Totales"},
          std::pair{"Posicion", "1"}, std::pair{"Longitud", "1"}})
        s.typeCell(s.lineGrid(), 2, column, text);
    s.fieldGrid()->setFocus();
    for (int row = 0; row < 2; ++row) {
        s.key(Qt::Key_Insert);
        s.typeCell(s.fieldGrid(), row, "ID", QString::number(row + 1));
        s.typeCell(s.fieldGrid(), row, "Posicion", "2");
        s.typeCell(s.fieldGrid(), row, "Longitud", "6");
        s.typeCell(s.fieldGrid(), row, "Tipo", "F");
    }
    s.click(3);
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    QCOMPARE(storeRows(s.store()).mid(3), (QStringList{"K-3-0001|3-0001|0001||2|6|03|||NO|3",
                                                       "K-3-0002|3-0002|0002||2|6|03|||NO|3"}));
    QCOMPARE(s.lineGrid()->cellText(2, "Orden"), QStringLiteral("0003"));
    QVERIFY(!s.lineGrid()->hasPendingEdit());
}

// "Nuevo" on the one line type of a format, whose ID is empty: refused, nothing else changes;
// once that line has its ID, the second line is added.
void tst_LineEditor::newLineNeedsTheFirstLinesId()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    LineRow line;
    line.lineId = "";
    insertLine(db, line);
    insertField(db, FieldRow{});
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    const QStringList lines = gridRows(s.lineGrid());
    const QStringList fields = s.fieldRows();
    const QStringList store = storeRows(s.store());
    QCOMPARE(lines.size(), 1);
    s.forget();

    s.click(0);
    verifyMessage(s, "7500001", 48, "Atención");
    QCOMPARE(s.record->messages.value(0).text,
             QStringLiteral("No se puede agregar más líneas si el ID de la primera está vacío"));
    QCOMPARE(gridRows(s.lineGrid()), lines);
    QCOMPARE(s.fieldRows(), fields);
    QCOMPARE(storeRows(s.store()), store);
    QVERIFY(!s.screen->LineEditActive());
    QCOMPARE(s.visibleButtons(), QStringLiteral("Nuevo,Editar,Eliminar"));

    s.click(1);
    s.typeCell(s.lineGrid(), 0, "ID", "H");
    s.click(3);
    QVERIFY2(s.record->messages.size() == 1, qPrintable(s.record->messages.value(1).text));
    s.click(0);
    QCOMPARE(s.record->messages.size(), 1);
    QCOMPARE(s.lineGrid()->Rows(), 2);
    QCOMPARE(QList<int>({s.lineGrid()->currentRow(), s.lineGrid()->currentColumn()}),
             QList<int>({1, 0}));
    QVERIFY(s.screen->LineEditActive());
    QCOMPARE(s.fieldGrid()->Rows(), 0);
}

// "Editar" on the second line, its cells and its fields changed (one changed, one added), then
// "Cancelar": the line row, both grids and the field store as they were, and a save writes the
// stored format unchanged.
void tst_LineEditor::editAndCancelRestoresEverything()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    QTest::mouseClick(s.lineGrid()->viewport(), Qt::LeftButton, {},
                      s.lineGrid()->visualRect(s.lineGrid()->model()->index(1, 2)).center());
    const QStringList lines = gridRows(s.lineGrid());
    const QStringList fields = s.fieldRows();
    const QStringList store = storeRows(s.store());
    QCOMPARE(fields, QStringList{"0020|Fecha|1|2|Fecha|||true"});

    s.click(1); // Editar
    for (const auto &[column, text] : {std::pair{"ID", "X"}, std::pair{"Descripción", "Otra"},
                                       std::pair{"Posicion", "7"}, std::pair{"Longitud", "3"}})
        s.typeCell(s.lineGrid(), 1, column, text);
    s.typeCell(s.fieldGrid(), 0, "Descripción", "Cambiada");
    s.typeCell(s.fieldGrid(), 0, "Longitud", "9");
    s.typeCell(s.fieldGrid(), 0, "Tipo", "N");
    s.key(Qt::Key_Insert);
    s.typeCell(s.fieldGrid(), 1, "ID", "5");
    s.typeCell(s.fieldGrid(), 1, "Posicion", "4");
    QCOMPARE(s.lineGrid()->cellText(1, "Descripción"), QStringLiteral("Otra"));
    QCOMPARE(s.fieldGrid()->Rows(), 2);
    QCOMPARE(s.fieldRows().first(), QStringLiteral("0020|Cambiada|1|9|NUMERO|||true"));

    s.click(4); // Cancelar
    QCOMPARE(gridRows(s.lineGrid()), lines);
    QCOMPARE(s.fieldRows(), fields);
    QCOMPARE(storeRows(s.store()), store);
    QCOMPARE(s.lineGrid()->currentRow(), 1);
    QVERIFY(!s.screen->LineEditActive());
    QVERIFY(!s.lineGrid()->hasPendingEdit());
    QCOMPARE(s.visibleButtons(), QStringLiteral("Nuevo,Editar,Eliminar"));

    s.forget();
    s.command("Save");
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    QCOMPARE(db.scalar("SELECT Ly_Linea_ID || '|' || Ly_Descripcion_ID || '|' || Ly_Posicion || "
                       "'|' || Ly_Longitud FROM Layout WHERE Ly_ID = '0002'")
                 .toString(),
             QStringLiteral("D|Detalle|1|1"));
    QCOMPARE(db.scalar("SELECT Ld_Descripcion || '|' || Ld_Longitud || '|' || Ld_Tipo FROM "
                       "Layout_Detalle WHERE Ly_ID = '0002'")
                 .toString(),
             QStringLiteral("Fecha|2|03"));
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Layout_Detalle").toInt(), 3);
}

void tst_LineEditor::refusedEditLeavesEverything()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    const QStringList store = storeRows(s.store());
    s.click(1);

    // The second field's ID typed as "0": the same field number as the first one's "0000".
    s.typeCell(s.fieldGrid(), 1, "ID", "0");
    s.lineGrid()->setFocus();
    s.forget();
    s.click(3);
    verifyMessage(s, "7500008", 48, "Atención");
    QCOMPARE(s.focus(), s.fieldGrid());
    QCOMPARE(s.fieldGrid()->currentRow(), 0);

    // A duplicate, and a line number that another line has.
    s.typeCell(s.fieldGrid(), 1, "ID", "0000");
    s.typeCell(s.lineGrid(), 0, "Orden", "2");
    s.forget();
    s.click(3);
    verifyMessage(s, "7500009", 48, "Atención");
    s.typeCell(s.lineGrid(), 0, "Orden", "1");
    s.forget();
    s.click(3);
    verifyMessage(s, "7500010", 48, "Atención");

    // Refused every time: the store as it was, the edit still open with the typed values.
    QCOMPARE(storeRows(s.store()), store);
    QVERIFY(s.screen->LineEditActive());
    QCOMPARE(s.visibleButtons(), QStringLiteral("Aceptar,Cancelar"));
    QCOMPARE(s.fieldGrid()->cell(1, "ID").toString(), QStringLiteral("0000"));
    QVERIFY(!s.lineGrid()->isColumnLocked(0));
}

void tst_LineEditor::emptiedFieldGridStillReplacesTheLine()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    s.click(1);
    s.fieldGrid()->setFocus();
    s.key(Qt::Key_Delete, Qt::ControlModifier);
    s.key(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(s.fieldGrid()->Rows(), 0);
    s.key(Qt::Key_Down);
    s.typeCell(s.fieldGrid(), 0, "ID", "7");
    s.typeCell(s.fieldGrid(), 0, "Posicion", "1");
    s.typeCell(s.fieldGrid(), 0, "Longitud", "1");
    s.typeCell(s.fieldGrid(), 0, "Tipo", "T");
    s.click(3);

    // The line's earlier entries went although no row of the grid named them any more.
    QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
    QCOMPARE(storeKeys(s.store()), (QStringList{"K-0002-0001", "K-0001-0007"}));
}

void tst_LineEditor::deleteLine_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("No") << 7;
    QTest::newRow("Yes") << 6;
}

void tst_LineEditor::deleteLine()
{
    QFETCH(int, answer);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    const QStringList lines = gridRows(s.lineGrid());
    const QStringList store = storeRows(s.store());
    s.forget();
    s.record->answers = {answer};

    s.click(2);

    verifyMessage(s, "7500026", 36, "Confirmar eliminación");
    QCOMPARE(s.record->messages.first().text,
             QStringLiteral("¿Seguro que desea eliminar la línea seleccionada?"));
    if (answer == 7) {
        QCOMPARE(gridRows(s.lineGrid()), lines);
        QCOMPARE(storeRows(s.store()), store);
        return;
    }
    // The line goes with its fields; the field grid shows the line now current.
    QCOMPARE(gridRows(s.lineGrid()), lines.mid(1));
    QCOMPARE(storeKeys(s.store()), QStringList{"K-0002-0001"});
    QCOMPARE(s.fieldRows(), QStringList{"0020|Fecha|1|2|Fecha|||true"});
}

void tst_LineEditor::keyFilter_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed"); // "<" is a backspace
    QTest::addColumn<QString>("expected");

    QTest::newRow("position digits and backspace") << true << "Posicion"
                                                   << "12<5"
                                                   << "15";
    QTest::newRow("position refuses sign, point, blank, letter") << true << "Posicion"
                                                                 << "-. a"
                                                                 << "1";
    QTest::newRow("length digits in between refusals") << true << "Longitud"
                                                       << "a3-4"
                                                       << "34";
    QTest::newRow("ID takes anything") << true << "ID"
                                       << "aB-1 ."
                                       << "aB-1 .";
    QTest::newRow("description takes anything") << true << "Descripción"
                                                << "x-y"
                                                << "x-y";
    QTest::newRow("nothing outside the editing state") << false << "ID"
                                                       << "abc"
                                                       << "H";
}

void tst_LineEditor::keyFilter()
{
    QFETCH(bool, editing);
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    if (editing) {
        s.editShown();
        s.click(1);
    }
    auto *grid = s.lineGrid();
    grid->setFocus();
    QVERIFY(grid->setCurrentCell(0, grid->columnIndex(column)));
    for (const QChar c : typed)
        c == '<' ? s.key(Qt::Key_Backspace) : s.keys(QString(c));
    grid->commitCellEdit();
    QCOMPARE(grid->cell(0, column).toString(), expected);
}

void tst_LineEditor::pastedTextIsFiltered()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    s.click(1);
    auto *grid = s.fieldGrid();
    grid->setFocus();
    QVERIFY(grid->setCurrentCell(0, grid->columnIndex("Posicion")));
    QApplication::clipboard()->setText("4-a 2\n");
    s.key(Qt::Key_F2);
    s.key(Qt::Key_A, Qt::ControlModifier);
    s.key(Qt::Key_V, Qt::ControlModifier);
    grid->commitCellEdit();
    QCOMPARE(grid->cell(0, "Posicion").toString(), QStringLiteral("42"));
    // A description takes the text as it is, but on one line.
    QVERIFY(grid->setCurrentCell(0, grid->columnIndex("Descripción")));
    s.key(Qt::Key_F2);
    s.key(Qt::Key_A, Qt::ControlModifier);
    s.key(Qt::Key_Insert, Qt::ShiftModifier);
    grid->commitCellEdit();
    QCOMPARE(grid->cell(0, "Descripción").toString(), QStringLiteral("4-a 2"));
}

void tst_LineEditor::enterMovesOnOutsideEditing()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.lineGrid()->setFocus();
    QVERIFY(s.lineGrid()->setCurrentCell(0, 1));
    s.key(Qt::Key_Return);
    QCOMPARE(s.lineGrid()->currentColumn(), 2);
    QCOMPARE(s.lineGrid()->cell(0, "ID").toString(), QStringLiteral("H"));
    QCOMPARE(s.record->lastCall("SimulateKeys"), QStringLiteral("SimulateKeys(\t|0)"));
}

void tst_LineEditor::fieldGridFollowsTheLineAndHolds()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    auto *lines = s.lineGrid();
    const auto clickCell = [lines](int row, int column) {
        QTest::mouseClick(lines->viewport(), Qt::LeftButton, {},
                          lines->visualRect(lines->model()->index(row, column)).center());
    };

    clickCell(1, 0);
    QCOMPARE(s.fieldRows(), QStringList{"0020|Fecha|1|2|Fecha|||true"});
    // Another cell of the same row: no refill (a marker row stays).
    s.fieldGrid()->setCell(s.fieldGrid()->AddNew(), "ID", "marker");
    clickCell(1, 3);
    QCOMPARE(s.fieldGrid()->Rows(), 2);
    s.key(Qt::Key_Up);
    QCOMPARE(s.fieldRows().size(), 2);
    QCOMPARE(s.fieldRows().first().section('|', 1, 1), QStringLiteral("Cuenta"));

    // During a line edit the line grid stays on the line under edit and the fields stay.
    s.editShown();
    s.click(1);
    const QStringList fields = s.fieldRows();
    clickCell(1, 0);
    lines->setFocus();
    s.key(Qt::Key_Down);
    QCOMPARE(lines->currentRow(), 0);
    QCOMPARE(s.fieldRows(), fields);
    clickCell(0, 3);
    QCOMPARE(lines->currentColumn(), 3);
}

void tst_LineEditor::fieldRowsByKeyAndMenu()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    auto *fields = s.fieldGrid();
    const auto menuEntries = [fields] {
        std::unique_ptr<QMenu> menu(velkora::services::createGridMenu(fields, nullptr));
        QStringList names;
        for (const QAction *action : menu->actions())
            names << action->objectName();
        return names.mid(0, 2);
    };

    // Outside a line edit the keys add and remove nothing, and the menu offers neither.
    fields->setFocus();
    fields->setCurrentCell(1, 0);
    for (const auto &[k, m] :
         {std::pair{Qt::Key_Down, Qt::NoModifier}, std::pair{Qt::Key_Insert, Qt::NoModifier},
          std::pair{Qt::Key_Delete, Qt::ControlModifier}})
        s.key(k, m);
    QCOMPARE(fields->Rows(), 2);
    QVERIFY(!menuEntries().contains("actAgregarCampo"));

    s.click(1);
    fields->setFocus();
    fields->setCurrentCell(1, 0);
    QCOMPARE(menuEntries(), (QStringList{"actAgregarCampo", "actEliminarCampo"}));
    s.key(Qt::Key_Down); // on the last row: a new row
    QCOMPARE(QList<int>({fields->Rows(), fields->currentRow(), fields->currentColumn()}),
             QList<int>({3, 2, 0}));
    s.key(Qt::Key_Down); // on a blank last row: nothing more
    QCOMPARE(fields->Rows(), 3);
    s.key(Qt::Key_Insert);
    QCOMPARE(fields->Rows(), 4);
    fields->setCurrentCell(0, 1);
    s.key(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(fields->Rows(), 3);
    QCOMPARE(fields->cell(0, "Descripción").toString(), QStringLiteral("Nombre"));
    fields->actions().at(0)->trigger(); // the menu's "Agregar campo"
    QCOMPARE(fields->Rows(), 4);
}

void tst_LineEditor::f10HandsTheGridOver()
{
    EditScreen s;
    s.fieldGrid()->setFocus();
    s.key(Qt::Key_F10, Qt::ShiftModifier);
    s.key(Qt::Key_F10, Qt::ShiftModifier | Qt::ControlModifier);
    s.lineGrid()->setFocus();
    s.key(Qt::Key_F10);
    QStringList calls = s.record->calls.filter("GridCommand");
    QCOMPARE(calls, (QStringList{"GridCommandShiftF10(ssDetalle)", "GridCommandF10(ssDetalle)",
                                 "GridCommandF10(ssLinea)"}));
}

// From an empty screen to a load format of three line types with their fields, with nothing
// but the keyboard.
void tst_LineEditor::keyboardOnlyThreeLines()
{
    EditScreen s;
    s.keyBox()->setFocus();
    s.key(Qt::Key_N, Qt::ControlModifier);
    QVERIFY(s.toolbar()->EditMode());
    QCOMPARE(s.focus(), s.keyBox());
    s.keys("0042");
    QVERIFY(tabTo("txtDescripcion"));
    s.keys("Pagos");

    const QStringList lineTypes{"1\tH\tCabecera\t1\t1", "2\tD\tDetalle\t1\t1",
                                "3\tT\tTotales\t1\t1"};
    for (int line = 0; line < 3; ++line) {
        leaveGridsBack();
        QVERIFY(tabTo("cmdControles_0", line > 0));
        s.key(Qt::Key_Space); // "Nuevo"
        QCOMPARE(s.focus(), s.lineGrid());
        for (const QString &cell : lineTypes.at(line).split('\t')) {
            s.keys(cell);
            s.key(Qt::Key_Tab); // after the last cell the focus moves on to the field grid
        }
        QCOMPARE(s.focus(), s.fieldGrid());
        for (int field = 1; field <= 2; ++field) {
            s.key(Qt::Key_Down); // a new field row
            for (const QString &cell :
                 {QString::number(field), QStringLiteral("Campo"), QString::number(field * 2),
                  QStringLiteral("2"), QStringLiteral("T")}) {
                s.keys(cell);
                s.key(Qt::Key_Return); // Enter moves on as TAB does
            }
        }
        // Back to "Aceptar", which stands where "Nuevo" stands.
        leaveGridsBack();
        QVERIFY(tabTo("cmdControles_3", true));
        s.key(Qt::Key_Space);
        QVERIFY2(s.record->messages.isEmpty(), qPrintable(s.record->messages.value(0).text));
        QVERIFY(!s.screen->LineEditActive());
    }

    QCOMPARE(s.lineGrid()->Rows(), 3);
    QStringList orders;
    for (int row = 0; row < 3; ++row)
        orders << s.lineGrid()->cellText(row, "Orden") + s.lineGrid()->cellText(row, "ID");
    QCOMPARE(orders, (QStringList{"0001H", "0002D", "0003T"}));
    QCOMPARE(storeKeys(s.store()),
             (QStringList{"K-1-0001", "K-1-0002", "K-2-0001", "K-2-0002", "K-3-0001", "K-3-0002"}));
    QCOMPARE(s.store().subItem(5, kesta::editor::FieldStore::Tipo), QStringLiteral("02"));
    QCOMPARE(s.keyBox()->text(), QStringLiteral("0042"));
}

// The field grid takes input only during a line edit: outside one the Tipo cell, whose column
// is never locked, opens no editor however the user tries, so the grid shows what the store
// holds; during one the same gesture opens the type list.
void tst_LineEditor::typeChangesOnlyInALineEdit_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::newRow("a letter") << "F";
    QTest::newRow("F2") << "F2";
}

void tst_LineEditor::typeChangesOnlyInALineEdit()
{
    QFETCH(QString, gesture);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    auto *fields = s.fieldGrid();
    const QStringList store = storeRows(s.store());
    const auto tryType = [&] {
        fields->setFocus();
        QVERIFY(fields->setCurrentCell(0, fields->columnIndex("Tipo")));
        s.key(gesture == "F" ? Qt::Key_F : Qt::Key_F2);
    };

    tryType();
    QCOMPARE(s.focus(), fields);
    QCOMPARE(fields->cellText(0, "Tipo"), QStringLiteral("NUMERO"));
    QCOMPARE(storeRows(s.store()), store);

    s.click(1); // Editar
    tryType();
    QCOMPARE(s.focus() ? s.focus()->objectName() : QString(), QStringLiteral("listEditor"));
}

// "Editar" on a line that is not the last: TAB and Enter on the held row's last cell go on to
// the field grid's first cell (the hold refuses the next row); Shift+TAB on its first cell
// goes back to the control before the grid. Outside a line edit TAB goes on to the next row.
void tst_LineEditor::tabFromTheHeldLine_data()
{
    QTest::addColumn<bool>("lineEdit");
    QTest::addColumn<int>("lineRow"); // the line held (or current, outside a line edit)
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed"); // typed first into the cell, its editor left open
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("rowAfter"); // the line grid's current row afterwards
    const int none = Qt::NoModifier;
    QTest::newRow("TAB") << true << 0 << "Longitud"
                         << "" << int(Qt::Key_Tab) << none << "ssDetalle" << 0;
    QTest::newRow("TAB in the cell editor") << true << 0 << "Longitud"
                                            << "7" << int(Qt::Key_Tab) << none << "ssDetalle" << 0;
    QTest::newRow("Enter") << true << 0 << "Longitud"
                           << "" << int(Qt::Key_Return) << none << "ssDetalle" << 0;
    QTest::newRow("Enter in the cell editor")
        << true << 0 << "Longitud"
        << "7" << int(Qt::Key_Return) << none << "ssDetalle" << 0;
    QTest::newRow("Shift+TAB on the first cell of the second line")
        << true << 1 << "Orden"
        << "" << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << "other" << 1;
    QTest::newRow("TAB outside a line edit") << false << 0 << "Longitud"
                                             << "" << int(Qt::Key_Tab) << none << "ssLinea" << 1;
}

void tst_LineEditor::tabFromTheHeldLine()
{
    QFETCH(bool, lineEdit);
    QFETCH(int, lineRow);
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, focus);
    QFETCH(int, rowAfter);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    auto *lines = s.lineGrid();
    auto *fields = s.fieldGrid();
    lines->setFocus();
    QVERIFY(lines->setCurrentCell(lineRow, 0));
    fields->setCurrentCell(fields->Rows() - 1, 3); // the field grid's cell is elsewhere
    if (lineEdit)
        s.click(1);
    lines->setFocus();
    QVERIFY(lines->setCurrentCell(lineRow, lines->columnIndex(column)));
    if (!typed.isEmpty()) {
        s.keys(typed);
        QVERIFY(s.focus() != lines);
    }

    s.key(Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QWidget *now = s.focus();
    if (focus == "other")
        QVERIFY(now && now != lines && now != fields && !lines->isAncestorOf(now));
    else
        QCOMPARE(now ? now->objectName() : QString(), focus);
    QCOMPARE(lines->currentRow(), rowAfter);
    QCOMPARE(s.screen->LineEditActive(), lineEdit);
    if (focus == "ssDetalle")
        QCOMPARE(QList<int>({fields->currentRow(), fields->currentColumn()}), QList<int>({0, 0}));
    if (!typed.isEmpty())
        QCOMPARE(lines->cell(lineRow, column).toString(), typed);
}

// A refused "Aceptar" puts the user on the cell at fault, in the line under edit or in the
// field row, wherever the cursor was.
void tst_LineEditor::refusalLandsOnTheCellAtFault_data()
{
    QTest::addColumn<QString>("grid"); // where the fault is typed
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value"); // empty: the cell is emptied
    QTest::addColumn<QString>("messageId");
    QTest::newRow("line description empty") << "ssLinea" << 1 << "Descripción"
                                            << ""
                                            << "7500002";
    QTest::newRow("line ID empty beside another line") << "ssLinea" << 1 << "ID"
                                                       << ""
                                                       << "7500003";
    QTest::newRow("line number of the other line") << "ssLinea" << 1 << "Orden"
                                                   << "1"
                                                   << "7500009";
    QTest::newRow("line position 0") << "ssLinea" << 1 << "Posicion"
                                     << "0"
                                     << "7500027";
    QTest::newRow("line length 0") << "ssLinea" << 1 << "Longitud"
                                   << "0"
                                   << "7500027";
    QTest::newRow("field position 0") << "ssDetalle" << 0 << "Posicion"
                                      << "0"
                                      << "7500013";
    QTest::newRow("field type empty, second row") << "ssDetalle" << 1 << "Tipo"
                                                  << ""
                                                  << "7500007";
    QTest::newRow("field ID twice") << "ssDetalle" << 0 << "ID"
                                    << "21"
                                    << "7500010";
}

void tst_LineEditor::refusalLandsOnTheCellAtFault()
{
    QFETCH(QString, grid);
    QFETCH(int, row);
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(QString, messageId);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.editShown();
    auto *lines = s.lineGrid();
    auto *fields = s.fieldGrid();
    lines->setFocus();
    QVERIFY(lines->setCurrentCell(1, 0));
    s.click(1); // Editar on the second line: one field, ID 0020
    // A second field row, whole but for its type.
    fields->setFocus();
    fields->setCurrentCell(0, 0);
    s.key(Qt::Key_Insert);
    for (const auto &[name, text] :
         {std::pair{"ID", "21"}, std::pair{"Posicion", "3"}, std::pair{"Longitud", "1"}})
        s.typeCell(fields, 1, name, text);
    if (!(grid == "ssDetalle" && column == "Tipo"))
        s.typeCell(fields, 1, "Tipo", "T");

    auto *target = s.child<LoadScreen::Grid>(qPrintable(grid));
    if (value.isEmpty() && column != "Tipo")
        clearCell(target, row, column);
    else if (!value.isEmpty())
        s.typeCell(target, row, column, value);
    // The cursor elsewhere: another cell of the line, then the field grid's last cell.
    lines->setFocus();
    QVERIFY(lines->setCurrentCell(1, column == "Longitud" ? 0 : 4));
    fields->setFocus();
    fields->setCurrentCell(fields->Rows() - 1, fields->columnIndex("Valor"));
    s.forget();
    s.click(3);

    QCOMPARE(s.record->messages.size(), 1);
    QCOMPARE(s.record->messages.first().messageId, "ERR-ID:" + messageId);
    QCOMPARE(s.focus(), target);
    QCOMPARE(target->currentRow(), row);
    QCOMPARE(target->currentColumnName(), target->columnName(target->columnIndex(column)));
    QVERIFY(s.screen->LineEditActive());
}

QTEST_MAIN(tst_LineEditor)
#include "tst_lineeditor.moc"
