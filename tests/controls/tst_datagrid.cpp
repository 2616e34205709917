// The data grid: columns, display format, list and check columns, the pending edit of a row,
// and its four notifications driven by keyboard, mouse and program.

#include "controls/DataGrid.h"
#include "controls/GridModel.h"
#include "services/ScreenTools.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>

using velkora::controls::DataGrid;
using velkora::controls::GridColumn;

namespace {

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
        show();
        activateWindow();
        if (!QTest::qWaitForWindowActive(this))
            qWarning("the grid's window did not become active");
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

} // namespace

class TestDataGrid : public QObject {
    Q_OBJECT

private slots:
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
        QTest::addColumn<int>("key"); // 0: not by a key
        QTest::addColumn<QString>("how");
        QTest::newRow("arrow down") << int(Qt::Key_Down) << "";
        QTest::newRow("tab") << int(Qt::Key_Tab) << "";
        QTest::newRow("page down") << int(Qt::Key_PageDown) << "";
        QTest::newRow("mouse") << 0 << "mouse";
        QTest::newRow("double click") << 0 << "double click";
        QTest::newRow("program") << 0 << "program";
        QTest::newRow("set current index") << 0 << "index";
    }
    void beforeRowColChangeCancelKeepsTheCell()
    {
        QFETCH(int, key);
        QFETCH(QString, how);
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
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("gesture");
        QTest::newRow("typed, empty grid") << 0 << "typed";
        QTest::newRow("typed after rows") << 2 << "typed";
        QTest::newRow("double click") << 2 << "double click";
        QTest::newRow("cancelled") << 2 << "cancel";
    }
    void newRowStartsWhereTyped()
    {
        QFETCH(int, rows);
        QFETCH(QString, gesture);
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
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("widestRow");
        QTest::addColumn<QString>("widest");
        QTest::addColumn<int>("startWidth");
        QTest::newRow("a few rows") << 3 << 1 << "Descripción bastante larga del campo" << 20;
        QTest::newRow("widest past 1,000 rows") << 1500 << 1400 << "Importe total del recibo"
                                                << 20;
        QTest::newRow("pairs that kern") << 10 << 9 << "AVAWAVAWAVAWTeToTa LT.Ty" << 20;
        QTest::newRow("not Latin-1") << 10 << 0 << "Ωμέγα 漢字漢字漢字 ĳĳ" << 20;
        QTest::newRow("control characters") << 10 << 5 << "tab\there\tand\tthere" << 20;
        QTest::newRow("already wider") << 10 << 5 << "corto" << 600;
    }
    void widenFitsEveryRow()
    {
        QFETCH(int, rows);
        QFETCH(int, widestRow);
        QFETCH(QString, widest);
        QFETCH(int, startWidth);
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
        grid.click(1, Desc, Grid::Twice);
        QVERIFY(!grid.editing());
        QCOMPARE(grid.texts(Trim) + " at " + grid.at(), "|| at 0,1");
        // Editing the current cell itself is not a move and still works.
        grid.click(0, Desc);
        grid.click(0, Desc, Grid::Twice);
        QVERIFY(grid.editing());
    }
};

QTEST_MAIN(TestDataGrid)
#include "tst_datagrid.moc"
