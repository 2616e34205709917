// The data grid: columns, display format, list and check columns, the pending edit of a row,
// and its four notifications driven by keyboard, mouse and program.

#include "controls/DataGrid.h"
#include "controls/GridModel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

using velkora::controls::DataGrid;
using velkora::controls::GridColumn;
using velkora::controls::GridModel;

namespace {

// The field grid's columns as designed.
QList<GridColumn> fieldColumns()
{
    const auto text = [](const QString &name, const QString &caption, const QString &format = {}) {
        GridColumn column;
        column.name = name;
        column.caption = caption;
        column.format = format;
        return column;
    };
    GridColumn tipo = text(QStringLiteral("Tipo"), QStringLiteral("Tipo"));
    tipo.kind = GridColumn::Kind::List;
    tipo.valueList = {QStringLiteral("NUMERO"), QStringLiteral("TEXTO"), QStringLiteral("Fecha"),
                      QStringLiteral("CONSTANTE"), QStringLiteral("SQL")};
    GridColumn trim = text(QStringLiteral("Trim"), QStringLiteral("Trim"));
    trim.kind = GridColumn::Kind::Check;
    return {text(QStringLiteral("ID"), QStringLiteral("Id"), QStringLiteral("0000")),
            text(QStringLiteral("Descripción"), QStringLiteral("Descripción")),
            text(QStringLiteral("Posicion"), QStringLiteral("Posición")),
            text(QStringLiteral("Longitud"), QStringLiteral("Longitud")),
            tipo,
            text(QStringLiteral("Valor"), QStringLiteral("Valor")),
            text(QStringLiteral("FORMATO"), QStringLiteral("Formato")),
            trim,
            text(QStringLiteral("Linea_ID"), QStringLiteral("Linea_ID"))};
}

// A grid exposing the view's item options, to find a check box on screen.
class TestGrid : public DataGrid {
public:
    QRect checkRect(int row, int column)
    {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = visualRect(model()->index(row, column));
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
    }
    bool isEditing() const { return state() == EditingState; }
};

// A shown field grid with `rows` accepted rows: ID = row + 1, Descripción "dN".
struct ShownGrid {
    TestGrid grid;

    explicit ShownGrid(int rows = 3)
    {
        grid.setObjectName(QStringLiteral("ssDetalle"));
        grid.setColumns(fieldColumns());
        for (int i = 0; i < rows; ++i) {
            const int row = grid.AddNew();
            grid.setCell(row, QStringLiteral("ID"), i + 1);
            grid.setCell(row, QStringLiteral("Descripción"), QStringLiteral("d%1").arg(i + 1));
            grid.setCell(row, QStringLiteral("Posicion"), QStringLiteral("1"));
            grid.Update();
        }
        grid.resize(900, 300);
        grid.show();
        grid.activateWindow();
        if (!QTest::qWaitForWindowActive(&grid))
            qWarning("the grid's window did not become active");
        grid.setFocus();
    }

    QPoint cellCentre(int row, int column) const
    {
        return grid.visualRect(grid.model()->index(row, column)).center();
    }
    // The open cell editor (closed ones wait for their deferred deletion).
    QLineEdit *editor() const
    {
        for (QLineEdit *line :
             grid.viewport()->findChildren<QLineEdit *>(QStringLiteral("cellEditor"))) {
            if (line->isVisible())
                return line;
        }
        return nullptr;
    }
    bool editing() const { return grid.isEditing(); }
};

} // namespace

class TestDataGrid : public QObject {
    Q_OBJECT

private slots:
    void modelPassesTheModelTester();
    void columnsByNameOrCaption_data();
    void columnsByNameOrCaption();
    void displayFormat_data();
    void displayFormat();
    void listColumn_data();
    void listColumn();
    void checkColumn();
    void lockedColumnsRefuseEdits();

    void pendingEditAccepted();
    void pendingEditCancelledRestoresValues();
    void newRowDroppedOnCancel();
    void moveToAnotherRowAcceptsPendingEdit();
    void userEditIsPendingUntilRowChanges();
    void removeRows();

    void typingStartsEditingWithTheCharacter();
    void keyPressOnTheGrid_data();
    void keyPressOnTheGrid();
    void keyPressInTheEditor();
    void enterAndBackspaceCodes();
    void keyDownF10_data();
    void keyDownF10();

    void rowColChangeReportsThePreviousCell();
    void beforeRowColChangeCancelKeepsTheCell_data();
    void beforeRowColChangeCancelKeepsTheCell();
    void cancelledClickNeitherEditsNorToggles();
    void cancelledTabFromAnEditor();
    void currentRowVisibleDuringBeforeRowColChange();
    void structuralChangesRaiseNoNotifications();

    void redraw();
    void manyRows();
};

void TestDataGrid::modelPassesTheModelTester()
{
    DataGrid grid;
    QAbstractItemModelTester tester(grid.gridModel(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    grid.setColumns(fieldColumns());
    for (int i = 0; i < 5; ++i) {
        grid.AddNew();
        grid.setCell(i, QStringLiteral("ID"), i);
        grid.setCell(i, QStringLiteral("Trim"), i % 2 == 0);
        grid.setListIndex(i, QStringLiteral("Tipo"), i);
    }
    grid.Update();
    grid.setCurrentCell(2, 1);
    grid.setCell(2, 1, QStringLiteral("x"));
    grid.CancelUpdate();
    grid.AddNew();
    grid.CancelUpdate();
    grid.RemoveRow(0);
    grid.RemoveRow(3);
    grid.setColumnLocked(0, true);
    grid.setColumns(fieldColumns().mid(0, 3));
    grid.RemoveAll();
    QCOMPARE(grid.Rows(), 0);
}

void TestDataGrid::columnsByNameOrCaption_data()
{
    QTest::addColumn<QString>("lookup");
    QTest::addColumn<int>("expected");

    QTest::newRow("format column by caption") << "Formato" << 6;
    QTest::newRow("format column by name") << "FORMATO" << 6;
    QTest::newRow("any case") << "formato" << 6;
    QTest::newRow("id by caption") << "Id" << 0;
    QTest::newRow("id by name") << "ID" << 0;
    QTest::newRow("accented name") << "DESCRIPCIÓN" << 1;
    QTest::newRow("name without accent") << "Posicion" << 2;
    QTest::newRow("caption with accent") << "posición" << 2;
    QTest::newRow("unknown") << "Nada" << -1;
}

void TestDataGrid::columnsByNameOrCaption()
{
    QFETCH(QString, lookup);
    QFETCH(int, expected);

    DataGrid grid;
    grid.setColumns(fieldColumns());
    QCOMPARE(grid.columnCount(), 9);
    QCOMPARE(grid.columnIndex(lookup), expected);
    QCOMPARE(grid.model()->headerData(6, Qt::Horizontal).toString(), QStringLiteral("Formato"));
    QCOMPARE(grid.columnName(6), QStringLiteral("FORMATO"));
    QCOMPARE(grid.columnName(42), QString());
}

void TestDataGrid::displayFormat_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("shown");

    QTest::newRow("int") << QVariant(7) << "0007";
    QTest::newRow("text number") << QVariant(QStringLiteral("12")) << "0012";
    QTest::newRow("five digits are not cut") << QVariant(10000) << "10000";
    QTest::newRow("whole double") << QVariant(20.0) << "0020";
    QTest::newRow("letters") << QVariant(QStringLiteral("ab")) << "ab";
    QTest::newRow("empty") << QVariant(QString()) << "";
    QTest::newRow("null") << QVariant() << "";
}

void TestDataGrid::displayFormat()
{
    QFETCH(QVariant, value);
    QFETCH(QString, shown);

    DataGrid grid;
    grid.setColumns(fieldColumns());
    const int row = grid.AddNew();
    grid.setCell(row, QStringLiteral("Id"), value);
    QCOMPARE(grid.cellText(row, QStringLiteral("ID")), shown);
    QCOMPARE(grid.model()->index(row, 0).data(Qt::DisplayRole).toString(), shown);
    QCOMPARE(grid.cell(row, QStringLiteral("ID")), value); // stored as set
    // A column without a format shows the value as it is.
    grid.setCell(row, QStringLiteral("Posicion"), value);
    QCOMPARE(grid.cellText(row, QStringLiteral("Posicion")),
             value.isNull() ? QString() : value.toString());
}

void TestDataGrid::listColumn_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("index");

    QTest::newRow("first") << 0 << "NUMERO" << 0;
    QTest::newRow("Fecha") << 2 << "Fecha" << 2;
    QTest::newRow("last") << 4 << "SQL" << 4;
    QTest::newRow("past the end") << 5 << "" << -1;
    QTest::newRow("before the start") << -1 << "" << -1;
}

void TestDataGrid::listColumn()
{
    QFETCH(int, position);
    QFETCH(QString, value);
    QFETCH(int, index);

    DataGrid grid;
    grid.setColumns(fieldColumns());
    const int row = grid.AddNew();
    grid.setListIndex(row, QStringLiteral("Tipo"), 1);
    grid.setListIndex(row, QStringLiteral("Tipo"), position);
    QCOMPARE(grid.cell(row, QStringLiteral("Tipo")).toString(), value);
    QCOMPARE(grid.listIndex(row, QStringLiteral("Tipo")), index);
}

void TestDataGrid::checkColumn()
{
    ShownGrid shown(2);
    DataGrid &grid = shown.grid;
    const int trim = grid.columnIndex(QStringLiteral("Trim"));
    QCOMPARE(grid.cell(0, trim), QVariant()); // never set
    QCOMPARE(grid.cellText(0, QStringLiteral("Trim")), QStringLiteral("NO"));
    grid.setCell(0, QStringLiteral("Trim"), true);
    QCOMPARE(grid.model()->index(0, trim).data(Qt::CheckStateRole).toInt(),
             static_cast<int>(Qt::Checked));
    QCOMPARE(grid.model()->index(0, trim).data(Qt::DisplayRole), QVariant());
    QCOMPARE(grid.cellText(0, QStringLiteral("Trim")), QStringLiteral("SI"));
    QVERIFY(grid.model()->flags(grid.model()->index(0, trim)) & Qt::ItemIsUserCheckable);

    // The space bar toggles the current check cell; a click on the box toggles it too.
    QVERIFY(grid.setCurrentCell(1, trim));
    QTest::keyClick(&grid, Qt::Key_Space);
    QCOMPARE(grid.cell(1, trim), QVariant(true));
    const QPoint box = shown.grid.checkRect(1, trim).center();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, box);
    QCOMPARE(grid.cell(1, trim), QVariant(false));
}

void TestDataGrid::lockedColumnsRefuseEdits()
{
    ShownGrid shown(2);
    DataGrid &grid = shown.grid;
    const int trim = grid.columnIndex(QStringLiteral("Trim"));
    grid.setColumnLocked(1, true);
    grid.setColumnLocked(trim, true);
    QVERIFY(grid.isColumnLocked(1));
    QVERIFY(!grid.isColumnLocked(2));

    QVERIFY(grid.setCurrentCell(0, 1));
    QTest::keyClicks(&grid, QStringLiteral("zz"));
    QTest::keyClick(&grid, Qt::Key_F2);
    QVERIFY(!shown.editing());
    QCOMPARE(grid.cell(0, 1).toString(), QStringLiteral("d1"));
    QVERIFY(!grid.model()->setData(grid.model()->index(0, 1), QStringLiteral("x")));

    QVERIFY(grid.setCurrentCell(0, trim));
    QTest::keyClick(&grid, Qt::Key_Space);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, shown.grid.checkRect(0, trim).center());
    QCOMPARE(grid.cell(0, trim), QVariant());

    // The program still writes locked cells.
    grid.setCell(0, 1, QStringLiteral("programa"));
    QCOMPARE(grid.cell(0, 1).toString(), QStringLiteral("programa"));

    grid.setColumnLocked(1, false);
    QVERIFY(grid.setCurrentCell(0, 1));
    QTest::keyClick(&grid, Qt::Key_O);
    QTest::keyClick(shown.editor(), Qt::Key_K);
    QTest::keyClick(shown.editor(), Qt::Key_Return);
    QCOMPARE(grid.cell(0, 1).toString(), QStringLiteral("ok"));
}

void TestDataGrid::pendingEditAccepted()
{
    DataGrid grid;
    grid.setColumns(fieldColumns());
    const int row = grid.AddNew();
    QVERIFY(grid.hasPendingEdit());
    grid.setCell(row, QStringLiteral("ID"), 1);
    grid.Update();
    QVERIFY(!grid.hasPendingEdit());
    grid.CancelUpdate(); // nothing pending: nothing changes
    QCOMPARE(grid.Rows(), 1);
    QCOMPARE(grid.cell(row, QStringLiteral("ID")), QVariant(1));
}

void TestDataGrid::pendingEditCancelledRestoresValues()
{
    DataGrid grid;
    grid.setColumns(fieldColumns());
    const int row = grid.AddNew();
    grid.setCell(row, QStringLiteral("ID"), 1);
    grid.setCell(row, QStringLiteral("Trim"), true);
    grid.setListIndex(row, QStringLiteral("Tipo"), 2);
    grid.Update();

    grid.setCell(row, QStringLiteral("ID"), 9);
    grid.setCell(row, QStringLiteral("Trim"), false);
    grid.setListIndex(row, QStringLiteral("Tipo"), 4);
    grid.setCell(row, QStringLiteral("Valor"), QStringLiteral("nuevo"));
    QVERIFY(grid.hasPendingEdit());
    grid.CancelUpdate();
    QVERIFY(!grid.hasPendingEdit());
    QCOMPARE(grid.Rows(), 1);
    QCOMPARE(grid.cell(row, QStringLiteral("ID")), QVariant(1));
    QCOMPARE(grid.cell(row, QStringLiteral("Trim")), QVariant(true));
    QCOMPARE(grid.listIndex(row, QStringLiteral("Tipo")), 2);
    QCOMPARE(grid.cell(row, QStringLiteral("Valor")), QVariant());
}

void TestDataGrid::newRowDroppedOnCancel()
{
    ShownGrid shown(2);
    DataGrid &grid = shown.grid;
    QVERIFY(grid.setCurrentCell(1, 2));
    const int row = grid.AddNew();
    QCOMPARE(row, 2);
    QCOMPARE(grid.currentRow(), 2);
    QCOMPARE(grid.currentColumn(), 2);
    grid.setCell(row, QStringLiteral("ID"), 3);
    grid.CancelUpdate();
    QCOMPARE(grid.Rows(), 2);
    QVERIFY(!grid.hasPendingEdit());
    // Back on the cell that was current before the new row.
    QCOMPARE(grid.currentRow(), 1);
    QCOMPARE(grid.currentColumn(), 2);
    QCOMPARE(grid.cell(1, QStringLiteral("ID")), QVariant(2));

    // Accepted, the new row stays.
    grid.AddNew();
    grid.Update();
    grid.CancelUpdate();
    QCOMPARE(grid.Rows(), 3);
}

void TestDataGrid::moveToAnotherRowAcceptsPendingEdit()
{
    ShownGrid shown(3);
    DataGrid &grid = shown.grid;
    QVERIFY(grid.setCurrentCell(0, 1));
    grid.setCell(0, 1, QStringLiteral("cambiado"));
    QVERIFY(grid.hasPendingEdit());
    QVERIFY(grid.setCurrentCell(0, 2)); // same row: still pending
    QVERIFY(grid.hasPendingEdit());
    QVERIFY(grid.setCurrentCell(1, 2));
    QVERIFY(!grid.hasPendingEdit());
    grid.CancelUpdate();
    QCOMPARE(grid.cell(0, 1).toString(), QStringLiteral("cambiado"));

    // A new row is accepted by moving away from it, too.
    const int added = grid.AddNew();
    QVERIFY(grid.setCurrentRow(0));
    grid.CancelUpdate();
    QCOMPARE(grid.Rows(), added + 1);
}

void TestDataGrid::userEditIsPendingUntilRowChanges()
{
    ShownGrid shown(3);
    DataGrid &grid = shown.grid;
    QVERIFY(grid.setCurrentCell(1, 1));
    QTest::keyClick(&grid, Qt::Key_A); // opens the editor, which then has the focus
    QVERIFY(shown.editing());
    QTest::keyClicks(shown.editor(), QStringLiteral("bc"));
    QTest::keyClick(shown.editor(), Qt::Key_Tab); // commits, moves to the next column
    QCOMPARE(grid.currentColumn(), 2);
    QCOMPARE(grid.cell(1, 1).toString(), QStringLiteral("abc"));
    QVERIFY(grid.hasPendingEdit());
    grid.CancelUpdate();
    QCOMPARE(grid.cell(1, 1).toString(), QStringLiteral("d2"));

    QTest::keyClick(&grid, Qt::Key_7);
    QTest::keyClicks(shown.editor(), QStringLiteral("7"));
    QTest::keyClick(shown.editor(), Qt::Key_Return);
    QCOMPARE(grid.cell(1, 2).toString(), QStringLiteral("77"));
    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(grid.currentRow(), 2);
    QVERIFY(!grid.hasPendingEdit());
    grid.CancelUpdate();
    QCOMPARE(grid.cell(1, 2).toString(), QStringLiteral("77"));
}

void TestDataGrid::removeRows()
{
    ShownGrid shown(4);
    DataGrid &grid = shown.grid;
    QVERIFY(grid.setCurrentCell(3, 0));
    grid.setCell(3, 1, QStringLiteral("pendiente"));
    grid.RemoveRow(1);
    QCOMPARE(grid.Rows(), 3);
    QCOMPARE(grid.cell(1, QStringLiteral("ID")), QVariant(3));
    // The pending row moved up with the rows; cancelling still restores it.
    QCOMPARE(grid.currentRow(), 2);
    grid.CancelUpdate();
    QCOMPARE(grid.cell(2, 1).toString(), QStringLiteral("d4"));

    grid.RemoveRow(grid.currentRow());
    QCOMPARE(grid.Rows(), 2);
    QVERIFY(grid.currentRow() >= 0);
    grid.RemoveRow(7); // outside: nothing
    QCOMPARE(grid.Rows(), 2);
    grid.clearValue();
    QCOMPARE(grid.Rows(), 0);
    QCOMPARE(grid.currentRow(), -1);
    QCOMPARE(grid.currentColumn(), -1);
    QVERIFY(!grid.hasPendingEdit());
    QCOMPARE(grid.cell(0, 0), QVariant());
}

void TestDataGrid::typingStartsEditingWithTheCharacter()
{
    ShownGrid shown(2);
    DataGrid &grid = shown.grid;
    QVERIFY(grid.setCurrentCell(0, 1));
    QTest::keyClick(&grid, Qt::Key_X);
    QVERIFY(shown.editing());
    QCOMPARE(shown.editor()->text(), QStringLiteral("x"));
    QTest::keyClicks(shown.editor(), QStringLiteral("yz"));
    QTest::keyClick(shown.editor(), Qt::Key_Return);
    QVERIFY(!shown.editing());
    QCOMPARE(grid.cell(0, 1).toString(), QStringLiteral("xyz"));

    // Escape drops what the editor holds.
    QTest::keyClick(&grid, Qt::Key_Q);
    QTest::keyClick(shown.editor(), Qt::Key_Escape);
    QCOMPARE(grid.cell(0, 1).toString(), QStringLiteral("xyz"));

    // A List cell opens its list.
    QVERIFY(grid.setCurrentCell(0, grid.columnIndex(QStringLiteral("Tipo"))));
    QTest::keyClick(&grid, Qt::Key_F2);
    auto *combo = grid.viewport()->findChild<QComboBox *>(QStringLiteral("listEditor"));
    QVERIFY(combo);
    QCOMPARE(combo->count(), 5);
    combo->setCurrentIndex(3);
    QTest::keyClick(combo, Qt::Key_Return);
    QCOMPARE(grid.cell(0, QStringLiteral("Tipo")).toString(), QStringLiteral("CONSTANTE"));
    QCOMPARE(grid.listIndex(0, QStringLiteral("Tipo")), 3);
}

void TestDataGrid::keyPressOnTheGrid_data()
{
    QTest::addColumn<int>("replaceWith"); // -1: leave the character
    QTest::addColumn<QString>("cellAfter");
    QTest::addColumn<bool>("editing");

    QTest::newRow("let through") << -1 << "a" << true;
    QTest::newRow("discarded") << 0 << "d1" << false;
    QTest::newRow("changed") << int('b') << "b" << true;
}

void TestDataGrid::keyPressOnTheGrid()
{
    QFETCH(int, replaceWith);
    QFETCH(QString, cellAfter);
    QFETCH(bool, editing);

    ShownGrid shown(1);
    DataGrid &grid = shown.grid;
    QVERIFY(grid.setCurrentCell(0, 1));
    QList<int> seen;
    connect(&grid, &DataGrid::KeyPress, &grid, [&](int &keyAscii) {
        seen << keyAscii;
        if (keyAscii == 'a' && replaceWith >= 0)
            keyAscii = replaceWith;
    });
    QTest::keyClick(&grid, Qt::Key_A);
    QCOMPARE(seen, QList<int>{int('a')}); // once, though the editor got the key too
    QCOMPARE(shown.editing(), editing);
    QTest::keyClick(editing ? static_cast<QWidget *>(shown.editor()) : &grid, Qt::Key_Return);
    QCOMPARE(seen.size(), 2); // Enter as 13, once
    QCOMPARE(seen.last(), 13);
    QVERIFY(!shown.editing());
    QCOMPARE(grid.cell(0, 1).toString(), cellAfter);
}

void TestDataGrid::keyPressInTheEditor()
{
    ShownGrid shown(1);
    DataGrid &grid = shown.grid;
    const int posicion = grid.columnIndex(QStringLiteral("Posicion"));
    QVERIFY(grid.setCurrentCell(0, posicion));
    QTest::keyClick(&grid, Qt::Key_F2);
    QLineEdit *editor = shown.editor();
    QVERIFY(editor);
    editor->clear();

    // Digits only, as the screen's filter would do; 'x' turned into '9'.
    QList<int> seen;
    connect(&grid, &DataGrid::KeyPress, &grid, [&](int &keyAscii) {
        seen << keyAscii;
        if (keyAscii == 'x')
            keyAscii = '9';
        else if (keyAscii != 8 && keyAscii != 13 && (keyAscii < '0' || keyAscii > '9'))
            keyAscii = 0;
    });
    QTest::keyClicks(editor, QStringLiteral("1a2 -.x"));
    QCOMPARE(editor->text(), QStringLiteral("129"));
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_5);
    QCOMPARE(editor->text(), QStringLiteral("125"));
    QCOMPARE(seen, (QList<int>{'1', 'a', '2', ' ', '-', '.', 'x', 8, '5'}));
    // TAB is a key, not a character: it moves on without a KeyPress.
    QTest::keyClick(editor, Qt::Key_Tab);
    QCOMPARE(seen.size(), 9);
    QCOMPARE(grid.cell(0, posicion).toString(), QStringLiteral("125"));
    QCOMPARE(grid.currentColumn(), posicion + 1);
}

void TestDataGrid::enterAndBackspaceCodes()
{
    ShownGrid shown(1);
    DataGrid &grid = shown.grid;
    QVERIFY(grid.setCurrentCell(0, 1));
    QList<int> seen;
    bool movedByHandler = false;
    // The screen's handler: Enter becomes a move to the next cell, never a character.
    connect(&grid, &DataGrid::KeyPress, &grid, [&](int &keyAscii) {
        seen << keyAscii;
        if (keyAscii == 13) {
            keyAscii = 0;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            movedByHandler = true;
        }
    });
    QTest::keyClick(&grid, Qt::Key_Return);
    QVERIFY(movedByHandler);
    QCOMPARE(grid.currentColumn(), 2);
    QTest::keyClick(&grid, Qt::Key_Backspace);
    QTest::keyClick(&grid, Qt::Key_W);
    QTest::keyClick(shown.editor(), Qt::Key_Return);
    QCOMPARE(seen, (QList<int>{13, 8, 'w', 13}));
    QCOMPARE(grid.cell(0, 2).toString(), QStringLiteral("w"));
    // TAB in an editor moves on and edits the next cell.
    QCOMPARE(grid.currentColumn(), 3);
    QVERIFY(shown.editing());
}

void TestDataGrid::keyDownF10_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("shift");
    QTest::addColumn<bool>("inEditor");

    for (const bool inEditor : {false, true}) {
        const char *where = inEditor ? "editor" : "grid";
        QTest::addRow("%s F10", where) << 0 << 0 << inEditor;
        QTest::addRow("%s Shift+F10", where) << int(Qt::ShiftModifier) << 1 << inEditor;
        QTest::addRow("%s Ctrl+F10", where) << int(Qt::ControlModifier) << 2 << inEditor;
        QTest::addRow("%s Alt+F10", where) << int(Qt::AltModifier) << 4 << inEditor;
        QTest::addRow("%s Ctrl+Shift+F10", where)
            << int(Qt::ShiftModifier | Qt::ControlModifier) << 3 << inEditor;
    }
}

void TestDataGrid::keyDownF10()
{
    QFETCH(int, modifiers);
    QFETCH(int, shift);
    QFETCH(bool, inEditor);

    ShownGrid shown(1);
    DataGrid &grid = shown.grid;
    QVERIFY(grid.setCurrentCell(0, 1));
    QWidget *target = &grid;
    if (inEditor) {
        QTest::keyClick(&grid, Qt::Key_F2);
        target = shown.editor();
        QVERIFY(target);
    }
    QList<QPair<int, int>> keys;
    connect(&grid, &DataGrid::KeyDown, &grid, [&](int keyCode, int state) {
        keys.append({keyCode, state});
    });
    QTest::keyClick(target, Qt::Key_F10, Qt::KeyboardModifiers(modifiers));
    // The modifier keys go down first, each with its own code (Shift 16, Ctrl 17, Alt 18).
    QVERIFY(!keys.isEmpty());
    QCOMPARE(keys.last(), qMakePair(121, shift));
    QCOMPARE(
        std::count_if(keys.cbegin(), keys.cend(), [](const auto &k) { return k.first == 121; }), 1);
    for (int i = 0; i + 1 < keys.size(); ++i)
        QVERIFY(keys.at(i).first == 16 || keys.at(i).first == 17 || keys.at(i).first == 18);
}

void TestDataGrid::rowColChangeReportsThePreviousCell()
{
    ShownGrid shown(3);
    DataGrid &grid = shown.grid;
    grid.RemoveAll();
    for (int i = 0; i < 3; ++i) {
        grid.AddNew();
        grid.Update();
    }
    grid.gridModel()->removeAll(); // no current cell at all
    for (int i = 0; i < 3; ++i) {
        grid.AddNew();
        grid.Update();
    }
    DataGrid fresh;
    fresh.setColumns(fieldColumns());
    for (int i = 0; i < 3; ++i)
        fresh.gridModel()->appendRow();
    fresh.Update();
    QCOMPARE(fresh.currentRow(), -1);

    QList<QPair<QVariant, int>> changes;
    connect(&fresh, &DataGrid::RowColChange, &fresh, [&](const QVariant &lastRow, int lastCol) {
        changes.append({lastRow, lastCol});
    });
    QVERIFY(fresh.setCurrentCell(1, 2));
    QCOMPARE(changes.size(), 1);
    QVERIFY(changes.at(0).first.isNull());
    QCOMPARE(changes.at(0).second, -1);

    QVERIFY(fresh.setCurrentCell(1, 4)); // another column of the same row
    QCOMPARE(changes.last().first, QVariant(1));
    QCOMPARE(changes.last().second, 2);
    QVERIFY(fresh.setCurrentCell(2, 0));
    QCOMPARE(changes.last().first, QVariant(1));
    QCOMPARE(changes.last().second, 4);
    QVERIFY(fresh.setCurrentCell(2, 0)); // no change, no notification
    QCOMPARE(changes.size(), 3);
    QVERIFY(!fresh.setCurrentCell(5, 0)); // outside the grid
    QCOMPARE(changes.size(), 3);
}

void TestDataGrid::beforeRowColChangeCancelKeepsTheCell_data()
{
    QTest::addColumn<QString>("how");
    QTest::addRow("arrow down") << "down";
    QTest::addRow("arrow right") << "right";
    QTest::addRow("tab") << "tab";
    QTest::addRow("page down") << "pagedown";
    QTest::addRow("mouse") << "mouse";
    QTest::addRow("double click") << "doubleclick";
    QTest::addRow("program") << "program";
    QTest::addRow("set current index") << "index";
}

void TestDataGrid::beforeRowColChangeCancelKeepsTheCell()
{
    QFETCH(QString, how);

    for (const bool refuse : {true, false}) {
        ShownGrid shown(3);
        DataGrid &grid = shown.grid;
        QVERIFY(grid.setCurrentCell(0, 1));
        int asked = 0;
        connect(&grid, &DataGrid::BeforeRowColChange, &grid, [&](bool &cancel) {
            ++asked;
            QCOMPARE(grid.currentRow(), 0); // the cell being left is still current
            cancel = refuse;
        });
        QSignalSpy changed(&grid, &DataGrid::RowColChange);

        if (how == QLatin1String("down"))
            QTest::keyClick(&grid, Qt::Key_Down);
        else if (how == QLatin1String("right"))
            QTest::keyClick(&grid, Qt::Key_Right);
        else if (how == QLatin1String("tab"))
            QTest::keyClick(&grid, Qt::Key_Tab);
        else if (how == QLatin1String("pagedown"))
            QTest::keyClick(&grid, Qt::Key_PageDown);
        else if (how == QLatin1String("mouse"))
            QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, shown.cellCentre(2, 2));
        else if (how == QLatin1String("doubleclick"))
            QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, shown.cellCentre(2, 2));
        else if (how == QLatin1String("program"))
            QCOMPARE(grid.setCurrentCell(1, 1), !refuse);
        else
            grid.setCurrentIndex(grid.model()->index(2, 3));

        QVERIFY2(asked >= 1, qPrintable(how));
        if (refuse) {
            QCOMPARE(grid.currentRow(), 0);
            QCOMPARE(grid.currentColumn(), 1);
            QCOMPARE(changed.count(), 0);
            QVERIFY(!shown.editing());
            const QModelIndexList selected = grid.selectionModel()->selectedIndexes();
            QCOMPARE(selected.size(), 1);
            QCOMPARE(selected.first(), grid.model()->index(0, 1));
        } else {
            QVERIFY(grid.currentRow() != 0 || grid.currentColumn() != 1);
            QCOMPARE(changed.count(), 1);
            QCOMPARE(changed.at(0).at(0), QVariant(0));
            QCOMPARE(changed.at(0).at(1).toInt(), 1);
        }
    }
}

void TestDataGrid::cancelledClickNeitherEditsNorToggles()
{
    ShownGrid shown(3);
    TestGrid &grid = shown.grid;
    const int trim = grid.columnIndex(QStringLiteral("Trim"));
    QVERIFY(grid.setCurrentCell(0, 1));
    connect(&grid, &DataGrid::BeforeRowColChange, &grid, [](bool &cancel) { cancel = true; });
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.checkRect(2, trim).center());
    QCOMPARE(grid.cell(2, trim), QVariant());
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, shown.cellCentre(1, 1));
    QVERIFY(!shown.editing());
    QCOMPARE(grid.currentRow(), 0);
    // Editing the current cell itself is not a move and still works.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, shown.cellCentre(0, 1));
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, shown.cellCentre(0, 1));
    QVERIFY(shown.editing());
}

void TestDataGrid::cancelledTabFromAnEditor()
{
    ShownGrid shown(2);
    DataGrid &grid = shown.grid;
    QVERIFY(grid.setCurrentCell(0, 1));
    QTest::keyClick(&grid, Qt::Key_K);
    QVERIFY(shown.editing());
    connect(&grid, &DataGrid::BeforeRowColChange, &grid, [](bool &cancel) { cancel = true; });
    QTest::keyClick(shown.editor(), Qt::Key_Tab);
    QCOMPARE(grid.currentColumn(), 1);
    QCOMPARE(grid.cell(0, 1).toString(), QStringLiteral("k")); // committed all the same
    QVERIFY(!shown.editing()); // and no editor opened beside the refused move
}

void TestDataGrid::currentRowVisibleDuringBeforeRowColChange()
{
    // The screen's edit hold: moves pass while the row being left is the row under edit.
    ShownGrid shown(3);
    DataGrid &grid = shown.grid;
    const int editedRow = 1;
    QVERIFY(grid.setCurrentCell(editedRow, 0));
    connect(&grid, &DataGrid::BeforeRowColChange, &grid,
            [&](bool &cancel) { cancel = grid.currentRow() != editedRow; });
    QTest::keyClick(&grid, Qt::Key_Right);
    QCOMPARE(grid.currentColumn(), 1);
    QTest::keyClick(&grid, Qt::Key_Down); // leaves the edited row: passes
    QCOMPARE(grid.currentRow(), 2);
    QTest::keyClick(&grid, Qt::Key_Up); // from another row: refused from now on
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, shown.cellCentre(0, 0));
    QCOMPARE(grid.currentRow(), 2);
    QCOMPARE(grid.currentColumn(), 1);
}

void TestDataGrid::structuralChangesRaiseNoNotifications()
{
    ShownGrid shown(3);
    DataGrid &grid = shown.grid;
    QVERIFY(grid.setCurrentCell(2, 3));
    int before = 0;
    connect(&grid, &DataGrid::BeforeRowColChange, &grid, [&](bool &cancel) {
        ++before;
        cancel = true;
    });
    QSignalSpy changed(&grid, &DataGrid::RowColChange);
    const int row = grid.AddNew();
    QCOMPARE(grid.currentRow(), row);
    QCOMPARE(grid.currentColumn(), 3);
    grid.CancelUpdate();
    QCOMPARE(grid.currentRow(), 2);
    grid.RemoveRow(2);
    grid.RemoveAll();
    QCOMPARE(before, 0);
    QCOMPARE(changed.count(), 0);
}

void TestDataGrid::redraw()
{
    ShownGrid shown(1);
    DataGrid &grid = shown.grid;
    QVERIFY(grid.redraw());
    grid.setRedraw(false);
    QVERIFY(!grid.redraw());
    QVERIFY(!grid.updatesEnabled());
    QVERIFY(!grid.viewport()->updatesEnabled());
    grid.AddNew();
    grid.Update();
    grid.setRedraw(true);
    QVERIFY(grid.updatesEnabled());
    QVERIFY(grid.viewport()->updatesEnabled());
    QVERIFY(grid.hasAutoScroll());
    QCOMPARE(grid.Rows(), 2);
    QVERIFY(grid.alternatingRowColors());
}

void TestDataGrid::manyRows()
{
    // Thousands of rows through the program's path, with repainting suspended; rows are plain
    // model rows, no widget per row.
    ShownGrid shown(0);
    DataGrid &grid = shown.grid;
    grid.setRedraw(false);
    for (int i = 0; i < 5000; ++i) {
        const int row = grid.AddNew();
        grid.setCell(row, QStringLiteral("ID"), i * 10);
        grid.setCell(row, QStringLiteral("Trim"), i % 2 == 0);
        grid.Update();
    }
    grid.setRedraw(true);
    QCOMPARE(grid.Rows(), 5000);
    QCOMPARE(grid.cellText(4999, QStringLiteral("ID")), QStringLiteral("49990"));
    QCOMPARE(grid.currentRow(), 4999);
    QVERIFY(grid.viewport()->findChildren<QWidget *>().size() < 5);
}

QTEST_MAIN(TestDataGrid)
#include "tst_datagrid.moc"
