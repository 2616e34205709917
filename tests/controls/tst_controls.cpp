// The controls: the data grid (columns, display format, list and check columns, the pending edit
// of a row, its four notifications driven by keyboard, mouse and program); the toolbar (offered
// commands per flag combination and their shortcuts, the editing state through its commands,
// the order of its signals with EditMode at each); the text box and key box (notifications, the
// custom format, upper case, Enter moving on, the numeric mode), the colour scheme and the
// common file dialog.

#include "controls/ColorScheme.h"
#include "controls/CommonDialog.h"
#include "controls/Controles.h"
#include "controls/DataGrid.h"
#include "controls/FileDialogs.h"
#include "controls/GridModel.h"
#include "controls/SmallControls.h"
#include "controls/TextBox.h"
#include "services/ScreenTools.h"
#include "support/DataRows.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMetaMethod>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

using namespace velkora::controls;
using kesta::test::dataColumns;
using kesta::test::fetchColumns;
using namespace Qt::StringLiterals;

namespace {

// Shows a window and makes it the active one, as the keyboard needs.
void showActive(QWidget *window)
{
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        qWarning("a window did not become active");
}

enum FieldColumn { AllColumns = -1, Id = 0, Desc = 1, Pos = 2, Len = 3, Tipo = 4, Trim = 6 };

// A shown field grid (the columns the tests use) with `rows` accepted rows (ID = row + 1,
// Descripción "dN"), its model checked by the model tester throughout. `log` notes the
// notifications: "before r,c" (the current cell when asked; refused while `refuse`) and
// "change r,c" (the cell left).
class Grid : public DataGrid {
public:
    QStringList log;
    bool refuse = false;

    explicit Grid(int rows = 3)
    {
        setObjectName("ssDetalle");
        QList<GridColumn> columns;
        for (const QString &entry :
             QString("ID/Id Descripción Posicion/Posición Longitud Tipo FORMATO/Formato Trim")
                 .split(' ')) {
            columns.append(GridColumn());
            columns.last().name = entry.section('/', 0, 0);
            columns.last().caption = entry.section('/', -1);
        }
        columns[Id].format = "0000";
        columns[Tipo].kind = GridColumn::Kind::List;
        columns[Tipo].valueList = {"NUMERO", "TEXTO", "Fecha", "CONSTANTE", "SQL"};
        columns[Trim].kind = GridColumn::Kind::Check;
        setColumns(columns);
        for (int i = 0; i < rows; ++i) {
            setCell(AddNew(), Id, i + 1);
            setCell(i, Desc, QString("d%1").arg(i + 1));
            Update();
        }
        connect(this, &DataGrid::BeforeRowColChange, this, [this](bool &cancel) {
            log << "before " + at();
            cancel = refuse;
        });
        connect(this, &DataGrid::RowColChange, this, [this](const QVariant &row, int column) {
            log << QString("change %1,%2").arg(row.toString()).arg(column);
        });
        resize(900, 300);
        showActive(this);
        setFocus();
    }
    // The current cell as "row,column".
    QString at() const { return QString("%1,%2").arg(currentRow()).arg(currentColumn()); }
    // A column's values, or with AllColumns the first row's, as texts joined by '|'.
    QString texts(int column) const
    {
        QStringList values;
        for (int i = 0; i < (column == AllColumns ? columnCount() : Rows()); ++i)
            values << (column == AllColumns ? cell(0, i) : cell(i, column)).toString();
        return values.join('|');
    }
    // Clicks a cell's centre (or double-clicks it), or its check box.
    enum Click { Once, Twice, CheckBox };
    void click(int row, int column, Click how = Once)
    {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = visualRect(model()->index(row, column));
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        const QRect box =
            style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
        const QPoint at = (how == CheckBox ? box : option.rect).center();
        if (how == Twice)
            QTest::mouseDClick(viewport(), Qt::LeftButton, {}, at);
        else
            QTest::mouseClick(viewport(), Qt::LeftButton, {}, at);
    }
    // The open cell editor, which has the focus.
    QLineEdit *editor() const
    {
        auto *line = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        return line && line->objectName() == "cellEditor" ? line : nullptr;
    }
    bool editing() const { return state() == EditingState; }
    // The widest cell of a column as the grid's delegate sizes it, every row counted, with the
    // grid line.
    int widestCell(int column)
    {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        int widest = 0;
        for (int row = 0; row < model()->rowCount(); ++row) {
            const QModelIndex index = model()->index(row, column);
            widest = qMax(widest, itemDelegateForIndex(index)->sizeHint(option, index).width());
        }
        return showGrid() ? widest + 1 : widest;
    }

private:
    QAbstractItemModelTester m_tester{gridModel(),
                                      QAbstractItemModelTester::FailureReportingMode::QtTest};
};

const QStringList allCommands =
    QString("New Edit Record Reactivate Deactivate Save Cancel Exit B1 B2 B3").split(' ');

// A shown window: the toolbar over a line edit and a one-column grid holding "antes", the
// toolbar set up by `flags` (R record loaded; E, D, A edit, deactivate, reactivate allowed;
// B the extra buttons' captions; X no exit button). `log` holds every signal raised since, with
// EditMode at the moment ("New:edit").
struct Bar {
    QWidget window;
    Controles *bar = new Controles(&window);
    QLineEdit *input = new QLineEdit(&window);
    velkora::controls::DataGrid *grid = new velkora::controls::DataGrid(&window);
    QStringList log;

    explicit Bar(const QString &flags)
    {
        auto *layout = new QVBoxLayout(&window);
        for (QWidget *widget : QList<QWidget *>{bar, input, grid})
            layout->addWidget(widget);
        velkora::controls::GridColumn column;
        column.name = "Descripción";
        grid->setColumns({column});
        grid->setCell(grid->AddNew(), 0, "antes");
        grid->Update();
        bar->setRecordLoaded(flags.contains('R'));
        bar->setEditAllowed(flags.contains('E'));
        bar->setDeactivateAllowed(flags.contains('D'));
        bar->setReactivateAllowed(flags.contains('A'));
        bar->setB1Caption(flags.contains('B') ? "Copiar" : "");
        bar->setB2Caption(flags.contains('B') ? "Probar" : "");
        bar->setB3Caption(flags.contains('B') ? "Script" : "");
        bar->setDesignProperty("showexitbutton", flags.contains('X') ? "NO" : "SI");
        const auto note = [this](const QString &name) {
            log << name + (bar->EditMode() ? ":edit" : ":browse");
        };
        for (auto signal :
             {&Controles::New, &Controles::Edit, &Controles::Record, &Controles::Reactivate,
              &Controles::Deactivate, &Controles::Cancel, &Controles::Exit, &Controles::B1Click,
              &Controles::B2Click, &Controles::B3Click}) {
            const QString name = QString(QMetaMethod::fromSignal(signal).name()).remove("Click");
            QObject::connect(bar, signal, bar, [note, name] { note(name); });
        }
        QObject::connect(bar, &Controles::Save, bar,
                         [note](bool isNew) { note(isNew ? "Save(new)" : "Save(existing)"); });
        showActive(&window);
    }
    // Runs commands, DoNew, "confirm" (ConfirmSave) or "refuse" (CancelSave).
    void run(const QString &steps)
    {
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step == "confirm")
                bar->ConfirmSave();
            else if (step == "refuse")
                bar->CancelSave();
            else if (step == "DoNew")
                bar->DoNew(false);
            else
                bar->action(step)->trigger();
        }
    }
    QString offered() const
    {
        QStringList names = allCommands;
        names.removeIf([this](const QString &name) { return !bar->isOffered(name); });
        return names.join(' ');
    }
};

// A shown window with a key box as designed (four characters, upper case, format "0000") and a
// second box after it.
struct KeyBoxWindow {
    QWidget window;
    TextBox *key = new TextBox(&window);
    TextBox *next = new TextBox(&window);

    KeyBoxWindow()
    {
        key->setObjectName("txtClave");
        next->setObjectName("txtDescripcion");
        key->setMaxLength(4);
        key->setMayusculas(true);
        key->setFormatopersonal("0000");
        showActive(&window);
        key->setFocus();
    }
};

} // namespace

class TestControls : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        setForceUppercase(false);
        CommonDialog::setChooser({});
        setFileDialogRunner({});
        setFileDialogMemory(nullptr);
    }

    void columnsAndDisplayFormat()
    {
        Grid grid(1);
        const std::pair<const char *, int> lookups[] = {
            {"formato", 5}, {"DESCRIPCIÓN", 1}, {"posición", 2}, {"Posicion", 2}, {"Nada", -1}};
        for (const auto &[lookup, expected] : lookups)
            QVERIFY2(grid.columnIndex(lookup) == expected, lookup);
        // "0000" pads whole numbers, which are kept as set.
        const std::pair<QVariant, const char *> values[] = {
            {7, "0007"}, {"12", "0012"}, {10000, "10000"}, {20.0, "0020"}, {"ab", "ab"}, {{}, ""}};
        for (const auto &[value, shown] : values) {
            grid.setCell(0, "Id", value);
            QCOMPARE(grid.cellText(0, "ID"), shown);
            QCOMPARE(grid.cell(0, "ID"), value);
        }
    }

    void listCheckAndLockedCells()
    {
        Grid grid(2);
        grid.setCell(0, "Trim", true);
        QCOMPARE(grid.model()->index(0, Trim).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(grid.cellText(0, "Trim") + grid.cellText(1, "Trim"), "SINO"); // NO: never set
        // The space bar toggles the current check cell; a click on the box toggles it too.
        QVERIFY(grid.setCurrentCell(1, Trim));
        QTest::keyClick(&grid, Qt::Key_Space);
        QCOMPARE(grid.cell(1, Trim), QVariant(true));
        grid.click(1, Trim, Grid::CheckBox);
        QCOMPARE(grid.cell(1, Trim), QVariant(false));
        // A List cell opens its list.
        QVERIFY(grid.setCurrentCell(0, Tipo));
        QTest::keyClick(&grid, Qt::Key_F2);
        auto *combo = grid.viewport()->findChild<QComboBox *>("listEditor");
        QVERIFY(combo);
        combo->setCurrentIndex(3);
        QTest::keyClick(combo, Qt::Key_Return);
        QCOMPARE(grid.cell(0, "Tipo").toString(), "CONSTANTE");
        QCOMPARE(grid.listIndex(0, "Tipo"), 3);
        // Locked columns take no edits from the user, but the program still writes them.
        grid.setColumnLocked(Desc, true);
        grid.setColumnLocked(Trim, true);
        QVERIFY(grid.setCurrentCell(0, Desc));
        QTest::keyClicks(&grid, "zz");
        QTest::keyClick(&grid, Qt::Key_F2);
        QVERIFY(!grid.editing());
        QVERIFY(grid.setCurrentCell(1, Trim));
        QTest::keyClick(&grid, Qt::Key_Space);
        grid.click(1, Trim, Grid::CheckBox);
        grid.setCell(1, Desc, "programa");
        QCOMPARE(grid.texts(Desc) + " " + grid.texts(Trim), "d1|programa true|false");
    }

    void cancelRestoresTheAcceptedValues()
    {
        Grid grid(1);
        grid.setCell(0, "Trim", true);
        grid.setListIndex(0, "Tipo", 2);
        grid.Update();
        grid.CancelUpdate(); // nothing pending: nothing changes
        QCOMPARE(grid.texts(AllColumns), "1|d1|||Fecha||true");
        grid.setCell(0, "ID", 9);
        grid.setCell(0, "Trim", false);
        grid.setListIndex(0, "Tipo", 4);
        grid.setCell(0, "Longitud", "8");
        QCOMPARE(grid.texts(AllColumns), "9|d1||8|SQL||false");
        grid.CancelUpdate();
        QCOMPARE(grid.texts(AllColumns), "1|d1|||Fecha||true");
        QVERIFY(!grid.hasPendingEdit());
        grid.setListIndex(0, "Tipo", 5); // a position outside the list empties the cell
        QCOMPARE(grid.listIndex(0, "Tipo"), -1);
    }

    void newRowDroppedOnCancel()
    {
        Grid grid(2);
        QVERIFY(grid.setCurrentCell(1, Pos));
        grid.log.clear();
        grid.setCell(grid.AddNew(), "ID", 3); // the new row becomes current, in the same column
        QCOMPARE(grid.at(), "2,2");
        grid.CancelUpdate();
        // Back on the cell that was current before the new row.
        QCOMPARE(grid.texts(Id) + " at " + grid.at(), "1|2 at 1,2");
        QCOMPARE(grid.log, QStringList()); // structural changes raise no notifications
        // Accepted, or left for another row, the new row stays.
        grid.AddNew();
        grid.Update();
        grid.CancelUpdate();
        grid.AddNew();
        QVERIFY(grid.setCurrentRow(0));
        grid.CancelUpdate();
        QCOMPARE(grid.Rows(), 4);
    }

    void rowTagsStayWithTheirRows_data()
    {
        // tags: each row's tag after the steps, joined by '|'
        const auto add = dataColumns<QStringList, QString>({"steps", "tags"});
        add("first row removed", QStringList{"remove 0"}, "b|c");
        add("last row removed", QStringList{"remove 2"}, "a|b");
        add("row added, cancelled", QStringList{"add", "cancel"}, "a|b|c");
        add("row added, accepted", QStringList{"add", "update"}, "a|b|c|");
        add("added, then a row before it removed", QStringList{"add", "update", "remove 1"},
            "a|c|");
        add("cell typed over, cancelled", QStringList{"edit 1", "cancel"}, "a|b|c");
        add("cell typed over, accepted", QStringList{"edit 2", "update"}, "a|b|c");
        add("typed into the new row", QStringList{"type"}, "a|b|c|");
        add("rows added at once", QStringList{"rows"}, "a|b|c||");
        add("all removed, one added", QStringList{"clear", "add"}, "");
    }
    // A row's hidden tag moves with its row through the user's edits and goes with it; rows
    // added since have none.
    void rowTagsStayWithTheirRows()
    {
        auto [steps, tags] = fetchColumns<QStringList, QString>({"steps", "tags"});
        Grid grid(3);
        for (int row = 0; row < 3; ++row)
            grid.setRowTag(row, QString(QChar('a' + row)));
        for (const QString &step : steps) {
            const int row = step.section(' ', 1).toInt();
            if (step.startsWith("remove"))
                grid.RemoveRow(row);
            else if (step == "add")
                grid.AddNew();
            else if (step == "cancel")
                grid.CancelUpdate();
            else if (step == "update")
                grid.Update();
            else if (step.startsWith("edit"))
                grid.setCell(row, Desc, "x");
            else if (step == "rows")
                grid.AddRows({{5}, {6}});
            else if (step == "clear")
                grid.RemoveAll();
            else if (step == "type") {
                grid.setNewRowOffered(true);
                grid.click(grid.Rows(), Desc);
                QTest::keyClick(&grid, Qt::Key_X);
                QTest::keyClick(grid.editor(), Qt::Key_Return);
            }
        }
        QStringList seen;
        for (int row = 0; row < grid.Rows(); ++row)
            seen << grid.rowTag(row).toString();
        QCOMPARE(seen.join('|'), tags);
        QCOMPARE(grid.rowTag(grid.Rows()), QVariant()); // outside the rows of data
    }

    void editPendingUntilTheRowChanges()
    {
        Grid grid(3);
        QVERIFY(grid.setCurrentCell(1, Desc));
        // Typing opens the editor with the character; TAB commits and moves on, in the same row.
        QTest::keyClick(&grid, Qt::Key_A);
        QTest::keyClicks(grid.editor(), "bc");
        QTest::keyClick(grid.editor(), Qt::Key_Tab);
        QCOMPARE(grid.texts(Desc) + " at " + grid.at(), "d1|abc|d3 at 1,2");
        grid.CancelUpdate(); // still pending
        QCOMPARE(grid.texts(Desc), "d1|d2|d3");
        // Leaving the row accepts the edit.
        QTest::keyClick(&grid, Qt::Key_7);
        QTest::keyClick(grid.editor(), Qt::Key_Return);
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(grid.at(), "2,2");
        grid.CancelUpdate();
        QCOMPARE(grid.texts(Pos), "|7|");
    }

    void removeRows()
    {
        Grid grid(4);
        QVERIFY(grid.setCurrentCell(3, Id));
        grid.setCell(3, Desc, "pendiente");
        grid.RemoveRow(1);
        // The pending row moved up with the rows; cancelling still restores it.
        QCOMPARE(grid.at(), "2,0");
        grid.CancelUpdate();
        QCOMPARE(grid.texts(Desc), "d1|d3|d4");
        grid.RemoveRow(grid.currentRow());
        grid.RemoveRow(7); // outside: nothing
        QCOMPARE(grid.texts(Id) + " at " + grid.at(), "1|3 at 1,0");
        grid.setRedraw(false); // painting suspended, then resumed
        QVERIFY(!grid.updatesEnabled());
        grid.setRedraw(true);
        QVERIFY(grid.updatesEnabled() && grid.hasAutoScroll());
        grid.clearValue();
        QCOMPARE(grid.texts(Id) + " at " + grid.at(), " at -1,-1");
        QVERIFY(!grid.hasPendingEdit());
        QCOMPARE(grid.log, QStringList()); // no notifications
    }

    void keyPressAndKeyDown()
    {
        Grid grid(1);
        QVERIFY(grid.setCurrentCell(0, Desc));
        QList<int> seen;
        // The screen's handler: digits only, 'x' turned into '9', Enter a move to the next cell.
        connect(&grid, &DataGrid::KeyPress, &grid, [&](int &keyAscii) {
            seen << keyAscii;
            if (keyAscii == 13)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            const bool kept = keyAscii == 8 || (keyAscii >= '0' && keyAscii <= '9');
            keyAscii = keyAscii == 'x' ? '9' : kept ? keyAscii : 0;
        });
        QTest::keyClick(&grid, Qt::Key_Return);
        QTest::keyClick(&grid, Qt::Key_Backspace);
        QTest::keyClick(&grid, Qt::Key_A); // discarded: no editor
        QVERIFY(!grid.editing());
        QTest::keyClick(&grid, Qt::Key_X); // changed: the editor opens with the new character
        QTest::keyClicks(grid.editor(), "1a2 -.x");
        QTest::keyClick(grid.editor(), Qt::Key_Backspace);
        QTest::keyClick(grid.editor(), Qt::Key_5);
        QTest::keyClick(grid.editor(), Qt::Key_Return); // moves on and edits the next cell
        // Each character once, though the editor got the opening key too; TAB is a key, not a
        // character: the handler's moves raise no KeyPress.
        QCOMPARE(seen,
                 (QList<int>{13, 8, 'a', 'x', '1', 'a', '2', ' ', '-', '.', 'x', 8, '5', 13}));
        QCOMPARE(grid.cell(0, Pos).toString(), "9125");
        QCOMPARE(grid.at(), "0,3");
        QVERIFY(grid.editing());
        // KeyDown, in an editor or on the grid: the modifier keys first, each with its own code
        // (Shift 16, Ctrl 17, Alt 18) and the shift state once down (Shift 1, Ctrl 2, Alt 4).
        QStringList keys;
        connect(&grid, &DataGrid::KeyDown, &grid,
                [&](int code, int shift) { keys << QString("%1/%2").arg(code).arg(shift); });
        const auto all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
        QTest::keyClick(grid.editor(), Qt::Key_F10, all);
        QTest::keyClick(&grid, Qt::Key_F10, all);
        QCOMPARE(keys.join(' '), "16/1 17/3 18/7 121/7 16/1 17/3 18/7 121/7");
    }

    void rowColChangeReportsThePreviousCell()
    {
        Grid grid(0);
        for (int i = 0; i < 3; ++i)
            grid.gridModel()->appendRow(); // no current cell at all
        QVERIFY(grid.setCurrentCell(1, 2));
        QVERIFY(grid.setCurrentCell(1, 4));  // another column of the same row
        QVERIFY(grid.setCurrentCell(1, 4));  // no change, no notification
        QVERIFY(!grid.setCurrentCell(5, 0)); // outside the grid
        QCOMPARE(grid.log.join(' '), "before -1,-1 change ,-1 before 1,2 change 1,2");
    }

    void beforeRowColChangeCancelKeepsTheCell_data()
    {
        // key: 0: not by a key
        const auto add = dataColumns<int, QString>({"key", "how"});
        add("arrow down", int(Qt::Key_Down), "");
        add("tab", int(Qt::Key_Tab), "");
        add("page down", int(Qt::Key_PageDown), "");
        add("mouse", 0, "mouse");
        add("double click", 0, "double click");
        add("program", 0, "program");
        add("set current index", 0, "index");
    }
    void beforeRowColChangeCancelKeepsTheCell()
    {
        auto [key, how] = fetchColumns<int, QString>({"key", "how"});
        for (const bool refuse : {true, false}) {
            Grid grid(3);
            QVERIFY(grid.setCurrentCell(0, Desc));
            grid.log.clear();
            grid.refuse = refuse;
            if (key != 0)
                QTest::keyClick(&grid, Qt::Key(key));
            else if (how == "program")
                QCOMPARE(grid.setCurrentCell(1, 1), !refuse);
            else if (how == "index")
                grid.setCurrentIndex(grid.model()->index(2, 3));
            else
                grid.click(2, 2, how == "mouse" ? Grid::Once : Grid::Twice);
            // Asked with the cell being left still current; refused, the cell stays, alone
            // selected and not edited.
            grid.log.removeDuplicates();
            QCOMPARE(grid.log.join(' '), refuse ? "before 0,1" : "before 0,1 change 0,1");
            QCOMPARE(grid.at() == "0,1", refuse);
            if (refuse) {
                QVERIFY(!grid.editing());
                QCOMPARE(grid.selectionModel()->selectedIndexes(),
                         QModelIndexList{grid.model()->index(0, Desc)});
            }
        }
    }

    // The new row "*": no data until typed in; typing there (a key, or a double click) starts a
    // pending new row with what was typed, and another new row below it; Escape and
    // CancelUpdate drop it again. A KeyDown handler that adds a row takes its key.
    void newRowStartsWhereTyped_data()
    {
        const auto add = dataColumns<int, QString>({"rows", "gesture"});
        add("typed, empty grid", 0, "typed");
        add("typed after rows", 2, "typed");
        add("double click", 2, "double click");
        add("cancelled", 2, "cancel");
    }
    void newRowStartsWhereTyped()
    {
        auto [rows, gesture] = fetchColumns<int, QString>({"rows", "gesture"});
        Grid grid(rows);
        grid.setNewRowOffered(true);
        QCOMPARE(grid.Rows(), rows);
        QCOMPARE(grid.model()->rowCount(), rows + 1);
        QCOMPARE(grid.model()->headerData(rows, Qt::Vertical).toString(), "*");
        QCOMPARE(grid.cell(rows, Desc), QVariant()); // no data
        // TAB on its last cell leaves the grid, as on the last row of data.
        QVERIFY(grid.setCurrentCell(rows, grid.columnCount() - 1));
        QSignalSpy left(&grid, &DataGrid::LeftByTab);
        QTest::keyClick(&grid, Qt::Key_Tab);
        QCOMPARE(left.count(), 1);
        grid.setFocus();
        grid.click(rows, Desc);
        QVERIFY(grid.onNewRow());
        QCOMPARE(grid.Rows(), rows); // a click adds no row
        if (gesture == "double click") {
            grid.click(rows, Desc, Grid::Twice);
            QCOMPARE(grid.Rows(), rows + 1);
            QTest::keyClicks(grid.editor(), "xy");
        } else {
            QTest::keyClick(&grid, Qt::Key_X);
            QTest::keyClick(grid.editor(), Qt::Key_Y);
        }
        QVERIFY(grid.editing());
        QCOMPARE(grid.Rows(), rows + 1);
        QCOMPARE(grid.at(), QString("%1,%2").arg(rows).arg(Desc));
        QCOMPARE(grid.model()->rowCount(), rows + 2); // and another new row below
        if (gesture == "cancel") {
            QTest::keyClick(grid.editor(), Qt::Key_Escape);
            grid.CancelUpdate();
            QCOMPARE(grid.Rows(), rows);
            QCOMPARE(grid.model()->rowCount(), rows + 1);
            return;
        }
        QTest::keyClick(grid.editor(), Qt::Key_Return);
        grid.Update();
        QCOMPARE(grid.cell(rows, Desc).toString(), "xy");
        QVERIFY(!grid.onNewRow());
        grid.setNewRowOffered(false);
        QCOMPARE(grid.model()->rowCount(), rows + 1);

        // A handler of Down that adds a row and goes to it: the grid moves no further.
        grid.setNewRowOffered(true);
        connect(&grid, &DataGrid::KeyDown, &grid, [&grid](int code, int) {
            if (code == 40) // Down
                grid.setCurrentCell(grid.AddNew(), 0);
        });
        QVERIFY(grid.setCurrentCell(grid.Rows() - 1, Desc));
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(grid.at(), QString("%1,0").arg(rows + 1));
        QVERIFY(!grid.onNewRow());
    }

    // The grid's menu (the services' grid command) opens at the pointer when the mouse asks
    // for it, and below the current cell when the keyboard does.
    void menuOpensWhereAsked()
    {
        Grid grid(3);
        grid.setContextMenuPolicy(Qt::CustomContextMenu);
        connect(&grid, &QWidget::customContextMenuRequested, &grid,
                [&grid] { velkora::services::gridCommandShiftF10(&grid); });
        QVERIFY(grid.setCurrentCell(0, Id));
        const auto openedAt = [](QWidget *receiver, QContextMenuEvent::Reason reason,
                                 QPoint local) {
            QPoint at;
            QTimer::singleShot(0, [&at] {
                if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    at = menu->pos();
                    menu->close();
                }
            });
            QContextMenuEvent event(reason, local, receiver->mapToGlobal(local));
            QApplication::sendEvent(receiver, &event);
            return at;
        };
        const QPoint pointer = grid.visualRect(grid.model()->index(2, Desc)).center();
        QCOMPARE(openedAt(grid.viewport(), QContextMenuEvent::Mouse, pointer),
                 grid.viewport()->mapToGlobal(pointer));
        const QRect cell = grid.visualRect(grid.model()->index(0, Id));
        QCOMPARE(openedAt(&grid, QContextMenuEvent::Keyboard, QPoint()),
                 grid.viewport()->mapToGlobal(cell.bottomLeft()));
        QVERIFY(!grid.mouseMenuPoint());
    }

    // A column widens to its widest cell whichever row holds it (also past the rows that
    // Qt's own fit samples), whatever the script; it never narrows; the check column fits its box.
    void widenFitsEveryRow_data()
    {
        const auto add =
            dataColumns<int, int, QString, int>({"rows", "widestRow", "widest", "startWidth"});
        add("a few rows", 3, 1, "Descripción bastante larga del campo", 20);
        add("widest past 1,000 rows", 1500, 1400, "Importe total del recibo", 20);
        add("pairs that kern", 10, 9, "AVAWAVAWAVAWTeToTa LT.Ty", 20);
        add("not Latin-1", 10, 0, "Ωμέγα 漢字漢字漢字 ĳĳ", 20);
        add("control characters", 10, 5, "tab\there\tand\tthere", 20);
        add("already wider", 10, 5, "corto", 600);
    }
    void widenFitsEveryRow()
    {
        auto [rows, widestRow, widest, startWidth] =
            fetchColumns<int, int, QString, int>({"rows", "widestRow", "widest", "startWidth"});
        widest.replace("\\t", "\t");
        Grid grid(0);
        QList<QVariantList> values;
        for (int row = 0; row < rows; ++row) {
            QVariantList cells(grid.columnCount());
            cells[Id] = row + 1;
            cells[Desc] = row == widestRow ? widest : QString("Campo %1").arg(row);
            cells[Trim] = row % 2 == 0;
            values << cells;
        }
        grid.AddRows(values);
        for (int c = 0; c < grid.columnCount(); ++c)
            grid.setColumnWidth(c, startWidth);
        grid.widenColumnsToFit();
        for (const int c : {int(Id), int(Desc), int(Trim)}) {
            const int fit = qMax(grid.widestCell(c), grid.horizontalHeader()->sectionSizeHint(c));
            const int width = grid.columnWidth(c);
            const QString what = QString("column %1: %2 for %3").arg(c).arg(width).arg(fit);
            QVERIFY2(width == qMax(fit, startWidth), qPrintable(what));
        }
    }

    void refusedMoveNeitherEditsNorToggles()
    {
        Grid grid(3);
        QVERIFY(grid.setCurrentCell(0, Desc));
        QTest::keyClick(&grid, Qt::Key_K);
        grid.refuse = true;
        QTest::keyClick(grid.editor(), Qt::Key_Tab);
        QCOMPARE(grid.cell(0, Desc).toString(), "k"); // committed all the same
        QVERIFY(!grid.editing()); // and no editor opened beside the refused move
        grid.click(2, Trim, Grid::CheckBox);
        QVERIFY(!grid.editing());
        QCOMPARE(grid.texts(Trim) + " at " + grid.at(), "|| at 0,1");
        // Editing the current cell itself is not a move and still works.
        grid.click(0, Desc);
        grid.click(0, Desc, Grid::Twice);
        QVERIFY(grid.editing());
    }

    void commands_data()
    {
        // The flags (see Bar), the steps run, the signals raised and the commands then offered.
        // (What the screen's modes offer, idle, viewing an active or a deactivated record or
        // editing it, is the screen's test.)
        const auto add = dataColumns<QString, QString, QString, QString>(
            {"flags", "steps", "expectedLog", "expectedOffered"});
        const char *viewing = "New Edit Record Reactivate Deactivate Exit B1 B2 B3";
        add("flags without record", "EDA", "", "", "New Exit");
        add("record, nothing allowed", "R", "", "", "New Record Exit");
        add("extra captions", "B", "", "", "New Exit B1 B2 B3");
        add("no exit button", "X", "", "", "New");
        add("editing new", "REDA", "New", "New:edit", "Save Cancel Exit");
        // The captions stay offered in the editing state; the screen withdraws them itself.
        add("editing new with captions", "B", "DoNew", "New:edit", "Save Cancel Exit B1 B2 B3");
        add("saved", "REDAB", "New Save confirm Edit Save confirm",
            "New:edit Save(new):edit Edit:edit Save(existing):edit", viewing);
        add("cancelled", "REDAB", "New Cancel Edit Cancel",
            "New:edit Cancel:browse Edit:edit Cancel:browse", viewing);
        add("save refused", "RE", "Edit Save refuse Save",
            "Edit:edit Save(existing):edit Save(existing):edit", "Record Save Cancel Exit");
        add("browse commands", "REDAB", "Record Deactivate Reactivate B1 Exit",
            "Record:browse Deactivate:browse Reactivate:browse B1:browse Exit:browse", viewing);
        add("withdrawn commands do nothing", "", "Save Edit Cancel B1", "", "New Exit");
    }
    void commands()
    {
        auto [flags, steps, expectedOffered] =
            fetchColumns<QString, QString, QString>({"flags", "steps", "expectedOffered"});
        for (const QString &name : allCommands) {
            Bar b(flags);
            b.run(steps);
            // No additional fields are configured: both succeed at once, raising nothing.
            QVERIFY(b.bar->SaveAdditionalFields("0001"));
            b.bar->LoadAdditionalFields("0001");
            QTEST(b.log.join(' '), "expectedLog");
            QTEST(b.offered(), "expectedOffered");
            QCOMPARE(b.bar->EditMode(), b.bar->isOffered("Save"));
            // Offered means visible and enabled, and the shortcut raises the command; the rest
            // is hidden and disabled, and its shortcut does nothing.
            const bool offered = expectedOffered.split(' ').contains(name);
            QCOMPARE(b.bar->action(name)->isVisible(), offered);
            QCOMPARE(b.bar->action(name)->isEnabled(), offered);
            b.log.clear();
            b.input->setFocus();
            QTest::keySequence(b.input, b.bar->action(name)->shortcut());
            QCOMPARE(b.log.size(), offered ? 1 : 0);
            QCOMPARE(b.log.value(0).startsWith(name), offered);
        }
    }

    void choiceGoesWithItsCommand()
    {
        // A second way of running B2 (the screen's tests run it from its menu entry, by a
        // Shift+click on B2's button and by its key): a name is taken once, it is never B2
        // itself, and it is offered only while B2 is.
        Bar b("B");
        QStringList chosen;
        QObject::connect(b.bar, &Controles::ChoiceClick, b.bar,
                         [&](const QString &name) { chosen << name; });
        QAction *choice = b.bar->addChoice("B2", "B2Otro", "Probar con otro archivo...",
                                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_2));
        QVERIFY(choice && b.bar->action("B2Otro") == choice);
        QVERIFY(!b.bar->addChoice("B2", "B2Otro", "otra vez", {}));
        QVERIFY(b.bar->isOffered("B2Otro"));
        b.input->setFocus();
        QTest::keySequence(b.input, choice->shortcut());
        QCOMPARE(chosen, QStringList{"B2Otro"});
        QCOMPARE(b.log.join(' '), "");

        // On a bar too narrow for B2's button, the extension's menu holds the choice beside B2.
        b.window.resize(120, 200);
        b.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b.window));
        auto *more = b.bar->findChild<QToolButton *>("qt_toolbar_ext_button");
        QTRY_VERIFY(more && more->isVisible());
        QStringList folded;
        QTimer::singleShot(0, [&folded] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (const QAction *entry : menu->actions())
                folded << entry->objectName();
            menu->close();
        });
        more->showMenu();
        QCOMPARE(folded.indexOf("B2Otro"), folded.indexOf("B2") + 1);
        QVERIFY(folded.contains("B2"));

        b.bar->setB2Caption("");
        QVERIFY(!b.bar->isOffered("B2Otro"));
        QTest::keySequence(b.input, choice->shortcut());
        choice->trigger();
        QCOMPARE(chosen.size(), 1);
    }

    void changeAndEnterNotifications()
    {
        KeyBoxWindow w;
        QSignalSpy change(w.key, &TextBox::Change);
        QString entered; // the text as each Enter saw it
        connect(w.key, &TextBox::Enter, w.key, [&] { entered += w.key->text() + ";"; });
        w.key->setText("0001");
        w.key->clear();
        QTest::keyClicks(w.key, "1");
        QTest::keyClick(w.key, Qt::Key_Tab); // not an Enter
        w.key->setFocus();
        QTest::keyClick(w.key, Qt::Key_Return); // formatted first
        QVERIFY(w.key->hasFocus());             // the focus stays unless enterMovesOn
        w.key->setEnterMovesOn(true);
        QTest::keyClick(w.key, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(w.next->hasFocus());
        QCOMPARE(entered, "0001;0001;");
        QCOMPARE(change.count(), 4);
    }

    void values_data()
    {
        // Into the key box (four characters) with a format, or a numeric box ("N" and the
        // decimals): typed and confirmed with Enter, typed and left, or set by the program.
        // how: "enter", "leave" or "set"
        const auto add = dataColumns<QString, QString, QVariant, QString>(
            {"format", "how", "input", "expected"});
        add("pads a number", "0000", "enter", "12", "0012");
        add("leading zeros kept to width", "0000", "enter", "007", "0007");
        add("not a whole number stays", "0000", "enter", "1.5", "1.5");
        add("negative", "000", "enter", "-5", "-005");
        add("formatted text would not fit", "0000", "enter", "-5", "-5");
        add("hash places unpadded", "##00", "enter", "7", "07");
        add("other format characters", "0@0@", "enter", "12", "12");
        add("not formatted on leaving", "0000", "leave", "12", "12");
        add("set int", "0000", "set", 7, "0007");
        add("set whole double", "0000", "set", 3.0, "0003");
        add("set text stays", "0000", "set", "7", "7");
        add("set null empties", "0000", "set", QVariant(), "");
        add("set wider than the box, not cut", "0000", "set", 123456, "123456");
        add("numeric decimal comma", "N4", "enter", "12,5", "12.5000");
        add("numeric letters refused", "N4", "leave", "1a2b", "12.0000");
        add("numeric second point refused", "N4", "enter", "1.2.3", "1.2300");
        add("numeric sign only first", "N4", "leave", "1-2", "12.0000");
        add("numeric at most four decimals", "N4", "leave", "1.234567", "1.2345");
        add("numeric sign alone", "N4", "enter", "-", "0.0000");
        add("numeric leading zeros", "N4", "leave", "-007.5", "-7.5000");
        add("numeric two decimals", "N2", "enter", "3,1", "3.10");
        add("numeric set rounded", "N4", "set", -1.23456, "-1.2346");
        add("numeric set null", "N4", "set", QVariant(), "0.0000");
        add("numeric set text to the decimals", "N4", "set", "2.5", "2.5000");
        add("numeric set long text, every digit", "N4", "set", "1234567890123456.78",
            "1234567890123456.7800");
    }
    void values()
    {
        auto [format, how, input] =
            fetchColumns<QString, QString, QVariant>({"format", "how", "input"});
        KeyBoxWindow w;
        const bool numeric = format.startsWith('N');
        TextBox *box = numeric ? w.next : w.key;
        if (numeric)
            box->setNumeric(format.mid(1).toInt());
        box->setFormatopersonal(numeric ? QString() : format); // replaced at run time
        box->setFocus();
        box->clear();
        if (how == "set") {
            box->setValue(input);
        } else {
            QTest::keyClicks(box, input.toString());
            if (how == "enter")
                QTest::keyClick(box, Qt::Key_Return);
            else
                (box == w.key ? w.next : w.key)->setFocus();
        }
        QTEST(box->text(), "expected");
    }

    void upperCase()
    {
        // By the box's own switch, by the setting for every box, or not at all.
        for (const auto &[mayusculas, forced] :
             {std::pair{true, false}, {false, true}, {false, false}}) {
            const QString shown = mayusculas || forced ? "ABXYCÑ" : "abxycñ";
            KeyBoxWindow w;
            setForceUppercase(forced);
            w.next->setMayusculas(mayusculas);
            w.next->setFocus();
            QTest::keyClicks(w.next, "ac");
            QTest::sendKeyEvent(QTest::Click, w.next, Qt::Key_Ntilde, "ñ", Qt::NoModifier);
            w.next->setCursorPosition(1); // the cursor keeps its place
            QTest::keyClick(w.next, Qt::Key_B);
            QCOMPARE(w.next->cursorPosition(), 2);
            w.next->insert("xy"); // pasted text as well
            QCOMPARE(w.next->text(), shown);
            QCOMPARE(w.next->cursorPosition(), 4);
            QTest::keyClick(w.next, Qt::Key_End);
            QTest::keyClick(w.next, Qt::Key_D);
            w.next->undo(); // typing can still be undone
            QCOMPARE(w.next->text(), shown);
            w.next->setText("low"); // text set by the program stays as set
            QCOMPARE(w.next->text(), "low");
        }
    }

    void colorSchemeAppliedToTheWindow()
    {
        KeyBoxWindow w;
        auto *scheme = new ColorScheme(&w.window);
        w.next->setEnabled(false);
        scheme->ApplyColors();
        QCOMPARE(w.window.palette().color(QPalette::Window), scheme->background());
        QCOMPARE(w.next->palette().color(QPalette::Disabled, QPalette::Base),
                 scheme->inputDisabled());
        // The focused input shows the focused background while it has the focus.
        const auto base = [](QWidget *box) {
            return box->palette().color(QPalette::Active, QPalette::Base);
        };
        w.next->setEnabled(true);
        w.next->setFocus();
        QCOMPARE(base(w.next), scheme->inputFocused());
        w.key->setFocus();
        scheme->ApplyColors(); // applying again changes nothing
        QCOMPARE(base(w.key), scheme->inputFocused());
        QCOMPARE(base(w.next), scheme->inputEnabled());
    }

    void filterTranslation()
    {
        const std::pair<const char *, QStringList> filters[] = {
            {"Archivos(*.*)|*.*|", {"Archivos (*)"}},
            {"Texto|*.txt|Todos|*.*", {"Texto (*.txt)", "Todos (*)"}},
            {"Textos (*.txt)|*.txt", {"Textos (*.txt)"}},
            {"Datos|*.txt;*.csv", {"Datos (*.txt *.csv)"}},
            {"Todos", {"Todos (*)"}},
            {"|*.dat", {"*.dat (*.dat)"}},
            {"", {"(*)"}}};
        for (const auto &[filter, expected] : filters)
            QCOMPARE(CommonDialog::qtNameFilters(filter), expected);
    }

    void fileDialogsStartWhereTheUserLeft()
    {
        struct Memory : FileDialogMemory {
            QString folderKept, filterKept;
            QString folder() override { return folderKept; }
            QString filter() override { return filterKept; }
            void remember(const QString &f, const QString &filter) override
            {
                folderKept = f, filterKept = filter;
            }
        };
        auto memory = std::make_shared<Memory>();
        setFileDialogMemory(memory);
        QTemporaryDir folder;
        QString chosen, chosenFilter;
        FileDialogShown last;
        setFileDialogRunner([&](QWidget *, const FileDialogShown &shown, QString *filter) {
            last = shown;
            if (!chosenFilter.isEmpty())
                *filter = chosenFilter;
            return chosen;
        });
        const auto open = [](const QString &start) {
            return chooseFile(nullptr, {FileDialogRequest::Kind::Open, u"Abrir"_s, start, {}});
        };
        // A cancel remembers nothing; the start file gives the folder and the first filter.
        open(u"/datos/cnab/retorno.ret"_s);
        QCOMPARE(last.start, u"/datos/cnab"_s);
        QCOMPARE(last.filters, (QStringList{u"Archivos .ret (*.ret *.RET)"_s, AllFilesFilter}));
        QCOMPARE(last.filter, last.filters.first());
        QVERIFY(memory->folderKept.isEmpty());
        // A choice is remembered, and the next dialogs start there, the save's with its name.
        chosen = folder.filePath(u"x.dat"_s), chosenFilter = AllFilesFilter;
        QCOMPARE(open(u"/datos/cnab/retorno.ret"_s), chosen);
        QCOMPARE(memory->folderKept + '|' + memory->filterKept,
                 folder.path() + '|' + AllFilesFilter);
        open(QString());
        QCOMPARE(last.start + '|' + last.filter, folder.path() + '|' + AllFilesFilter);
        chooseFile(
            nullptr,
            {FileDialogRequest::Kind::Save, u"Exportar"_s, u"/docs/t.csv"_s, {u"CSV (*.csv)"_s}});
        QCOMPARE(last.start, folder.filePath(u"t.csv"_s));
        QCOMPARE(last.filters, (QStringList{AllFilesFilter, u"CSV (*.csv)"_s}));
        // A remembered filter that this dialog does not offer: its first filter.
        memory->filterKept = u"Archivos .ret (*.ret *.RET)"_s;
        open(u"/datos/x.dat"_s);
        QCOMPARE(last.filter, u"Archivos .dat (*.dat *.DAT)"_s);
        memory->filterKept = AllFilesFilter;
        // A folder chosen keeps the filter; a remembered folder that is gone is passed over.
        chosen = folder.filePath(u"gone"_s);
        chooseFile(nullptr, {FileDialogRequest::Kind::Folder, u"Carpeta"_s, {}, {}});
        QCOMPARE(memory->folderKept + '|' + memory->filterKept, chosen + '|' + AllFilesFilter);
        open(u"/datos/cnab/retorno.ret"_s);
        QCOMPARE(last.start, u"/datos/cnab"_s);
    }

    void blockedCommandShownDisabled()
    {
        Controles bar;
        bar.setB3Caption(u"Script"_s);
        QSignalSpy script(&bar, &Controles::B3Click);
        bar.setCommandBlocked(u"B3"_s, true);
        QAction *b3 = bar.action(u"B3"_s);
        QVERIFY(b3->isVisible() && !b3->isEnabled() && !bar.isOffered(u"B3"_s));
        b3->trigger();
        QCOMPARE(script.count(), 0);
        bar.setCommandBlocked(u"B3"_s, false);
        QVERIFY(bar.isOffered(u"B3"_s));
        b3->trigger();
        QCOMPARE(script.count(), 1);
    }

    void disabledFlatButtonLooksDisabled()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        FlatButton *buttons[2] = {new FlatButton(u"Editar"_s), new FlatButton(u"Editar"_s)};
        for (FlatButton *button : buttons)
            layout->addWidget(button);
        buttons[1]->setEnabled(false);
        auto *scheme = new ColorScheme(&window);
        scheme->ApplyColors();
        showActive(&window);
        // The darkest pixel of each caption: far apart, as text and a disabled caption are.
        QColor darkest[2];
        for (int i = 0; i < 2; ++i) {
            const QImage image = buttons[i]->grab().toImage();
            int least = 256;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor pixel = image.pixelColor(x, y);
                    if (qGray(pixel.rgb()) < least)
                        least = qGray(pixel.rgb()), darkest[i] = pixel;
                }
        }
        QVERIFY2(ColorScheme::contrast(darkest[0], darkest[1]) >= 3.0,
                 qPrintable(darkest[0].name() + u" / "_s + darkest[1].name()));
    }

    void emptiedGridShowsItsFirstColumn()
    {
        Grid grid;
        grid.resize(120, 150);
        showActive(&grid);
        QScrollBar *sideways = grid.horizontalScrollBar();
        QVERIFY(sideways->maximum() > 0);
        sideways->setValue(sideways->maximum());
        grid.RemoveAll();
        QCOMPARE(sideways->value(), 0);
    }

    void fileDialogCancelled()
    {
        // Cancelled, the name is emptied, or with CancelError DialogCancelled is thrown.
        CommonDialog dialog;
        dialog.setFileName("/antes.txt");
        CommonDialog::setChooser([](QWidget *, const QStringList &) { return QString(); });
        dialog.ShowOpen();
        QCOMPARE(dialog.FileName(), QString());
        dialog.setCancelError(true);
        QVERIFY_THROWS_EXCEPTION(DialogCancelled, dialog.ShowOpen());
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
