#pragma once

#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <QVariant>

#include <memory>
#include <optional>

class QLabel;

namespace velkora::controls {

class GridModel;
class GridSelectionModel;
class GridDelegate;

// One column of a data grid.
struct GridColumn {
    enum class Kind { Text, List, Check };
    QString name;    // found by name or caption, without regard to case
    QString caption; // horizontal header text
    QString format;  // display format: "0000" zero-pads whole numbers
    Kind kind = Kind::Text;
    QStringList valueList; // the entries of a List column
    bool locked = false;   // a locked column takes no edits
    int width = 0;         // pixels; 0 lets the grid choose
    int maxLength = 0;     // the most characters a cell editor takes; 0: no limit
    QString description;   // the caption's tooltip, in words; empty: the column's name
};

// The data grid used for the line and field grids: a QTableView over a GridModel.
//
// Cells hold QVariant values; List cells hold the entry's text, Check cells a bool.
// Editing a row keeps a pending edit: the row's earlier values are remembered when its first
// cell changes; Update() accepts the edit, CancelUpdate() restores the earlier values and drops
// a row added by AddNew() that was never accepted. Moving to another row accepts the pending
// edit first.
//
// Notifications (all raised synchronously on the UI thread):
// - KeyPress(keyAscii): a character was typed in the grid or its cell editor; the handler may
//   change the code, 0 discards the character. Characters are the printable ones, Enter (13)
//   and backspace (8); TAB, Escape and Ctrl combinations are not. Each character is notified
//   once, also when it opens an editor; Enter let through in an editor accepts the cell.
// - KeyDown(keyCode, shift): a key went down (the grid or its editor); keyCode is the Windows
//   virtual-key code (F10 is 121; Shift, Ctrl, Alt themselves 16, 17, 18), shift is
//   1 Shift + 2 Ctrl + 4 Alt. A handler that adds or removes a row or moves the current cell
//   takes the key: the grid does nothing more with it.
// - BeforeRowColChange(cancel): the current cell is about to change by mouse, keyboard or
//   program; setting cancel keeps it (currentRow() still gives the row being left).
// - RowColChange(lastRow, lastCol): the current cell changed; lastRow is null (and lastCol -1)
//   when there was no current cell.
// - BeforeEdit(cancel): a cell editor is about to open or a check cell to toggle, by keyboard
//   or mouse; setting cancel keeps the cell as it is.
// Navigation: TAB and Shift+TAB move from cell to cell; TAB on the last cell of the last row
// (the new row, while one is offered) and Shift+TAB on the first cell of the first row move the
// focus on to the next or previous control, and Ctrl+TAB / Ctrl+Shift+TAB do so from any cell.
// With setTabLeavesRow(true), TAB on the last cell of any row and Shift+TAB on the first cell of
// any row leave the grid too, instead of going on to the next or previous row. LeftByTab(forward)
// tells that the focus left the grid by one of these keys.
// List cells: moving into one (TAB, Enter, the arrows) never opens its list. The list opens
// with a typed letter (which chooses the first entry that starts with it), F2, F4, Alt+Down or a
// click on the current cell; F4, Alt+Down and the click show its entries, which the arrows then
// go through. While the entries are not shown the arrow keys close the list, keeping its entry,
// and move between cells as on the grid.
// Text pasted into a cell editor (Ctrl+V, Shift+Insert, the middle button) is handed to
// KeyPress character by character, like typed text; a paste that holds control characters (one
// line break at its end aside) or that the cell cannot hold whole is refused (PasteRefused).
// Structural changes move the current cell without notifications: AddNew (the new row becomes
// current, keeping the current column), RemoveRow, RemoveAll, and CancelUpdate dropping a new
// row (the cell current before AddNew is current again). See DataGrid.cpp for the details.
class DataGrid : public QTableView {
    Q_OBJECT

public:
    explicit DataGrid(QWidget *parent = nullptr);
    ~DataGrid() override;

    using QTableView::edit;
    // Typing never jumps to a row by its text (the typed character goes to the cell).
    void keyboardSearch(const QString &search) override;

    GridModel *gridModel() const;

    void setColumns(const QList<GridColumn> &columns);
    int columnCount() const;
    // Column index by name or caption, without regard to case; -1 when none.
    int columnIndex(const QString &nameOrCaption) const;
    const GridColumn &column(int index) const;
    QString columnName(int index) const;
    void setColumnLocked(int index, bool locked);
    bool isColumnLocked(int index) const;
    void setValueList(int index, const QStringList &entries);

    int Rows() const;
    QVariant cell(int row, const QString &column) const;
    QVariant cell(int row, int column) const;
    // The cell's text as shown, after the column's display format.
    QString cellText(int row, const QString &column) const;
    QString cellText(int row, int column) const;
    void setCell(int row, const QString &column, const QVariant &value);
    void setCell(int row, int column, const QVariant &value);
    // Selects the entry at position in a List column; a position outside the list empties it.
    void setListIndex(int row, const QString &column, int position);
    void setListIndex(int row, int column, int position);
    int listIndex(int row, const QString &column) const;
    int listIndex(int row, int column) const;

    // Current row (-1 when none) and current column (-1 when none).
    int currentRow() const;
    int currentColumn() const;
    QString currentColumnName() const;
    // Moves the current cell; raises BeforeRowColChange (which may cancel) and RowColChange.
    // Returns false when cancelled.
    bool setCurrentCell(int row, int column);
    bool setCurrentRow(int row);

    // Appends a new row, makes it current and starts a pending edit on it; returns its index.
    int AddNew();
    // Appends rows of values, one per column in column order (missing values are empty), in
    // one insertion: the rows that AddNew, setCell for each value and Update give, the last row
    // current as after its AddNew, without the cost of a move per row. Values go in as setCell
    // puts them.
    void AddRows(const QList<QVariantList> &rows);
    // The new row at the end, marked "*", where typing (or F2, a double click) starts a new row
    // as AddNew does, the cell typed in staying current. A row so started whose cell editor
    // closes with nothing typed in it is the new row again. Rows() leaves it out; moves onto it
    // raise the notifications as any other.
    void setNewRowOffered(bool on);
    bool newRowOffered() const;
    // Whether the current cell is on the new row.
    bool onNewRow() const;
    // Whether a row holds nothing: every cell empty, every check cell clear.
    bool rowIsBlank(int row) const;
    // Accepts the pending edit of the current row.
    void Update();
    // Restores the pending row's earlier values; a new row never accepted is removed.
    void CancelUpdate();
    bool hasPendingEdit() const;
    void RemoveRow(int row);
    void RemoveAll();
    // A row's hidden tag (GridModel::rowTag): the program's own mark on a row, which moves with
    // the row through the user's edits; rows added by AddNew, AddRows or typing have none.
    QVariant rowTag(int row) const;
    void setRowTag(int row, const QVariant &tag);
    // Empties the grid (used by the services' ClearScreen).
    Q_INVOKABLE void clearValue();

    // Commits the text of an open cell editor into its cell (the row's edit stays pending).
    void commitCellEdit();
    // The cell a move goes to, while BeforeRowColChange runs (-1 otherwise).
    int targetRow() const { return m_targetRow; }
    int targetColumn() const { return m_targetColumn; }

    // Whether TAB at a row's last cell (Shift+TAB at its first) leaves the grid rather than
    // going on to the next (previous) row.
    void setTabLeavesRow(bool on) { m_tabLeavesRow = on; }
    bool tabLeavesRow() const { return m_tabLeavesRow; }

    // Widens every column that is too narrow for its caption or for what its rows show (no
    // column gets narrower; F10 fits them exactly).
    void widenColumnsToFit();

    // The caption shown as a bar across the top of the grid; empty hides the bar.
    void setCaption(const QString &caption);
    QString caption() const;

    // While a menu asked for by the mouse (the right button) is being handled: where the
    // pointer is, in global coordinates, so that the menu opens there. Empty otherwise (a menu
    // asked for by the keyboard opens at the current cell).
    std::optional<QPoint> mouseMenuPoint() const { return m_mouseMenuPoint; }

    // Suspends and resumes repainting; resuming refreshes the grid.
    void setRedraw(bool on);
    bool redraw() const;

signals:
    void KeyPress(int &keyAscii);
    void KeyDown(int keyCode, int shift);
    void BeforeRowColChange(bool &cancel);
    void RowColChange(const QVariant &lastRow, int lastCol);
    void BeforeEdit(bool &cancel);
    // A paste into a cell editor was refused (too long for the cell, or holding control
    // characters): the text pasted and the most the cell takes.
    void PasteRefused(const QString &text, int maxLength);
    // The focus left the grid by TAB (forward) or Shift+TAB, or by Ctrl+TAB / Ctrl+Shift+TAB.
    void LeftByTab(bool forward);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void updateGeometries() override;

private:
    friend class GridSelectionModel;
    friend class GridDelegate;

    // Called by the selection model around every change of the current cell: approveMove()
    // raises BeforeRowColChange (false: refused), afterMove() raises RowColChange.
    bool approveMove(const QModelIndex &from, const QModelIndex &to);
    void afterMove(const QModelIndex &from, const QModelIndex &to);
    // Called by the delegate: a cell editor was created; a key reached an editor (true: the
    // key was consumed).
    void editorOpened(QWidget *editor);
    bool editorKeyPress(QWidget *editor, QKeyEvent *event);
    // Inserts pasted text into a cell editor, each character through KeyPress.
    void pasteIntoEditor(QWidget *editor, const QString &text);
    // Raises KeyDown for a key; true when its handler took it (see KeyDown).
    bool raiseKeyDown(const QKeyEvent *event);
    // Raises KeyPress for a typed character; returns the event to go on with (the original,
    // a replacement with the changed character, or nullptr when discarded) in `replacement`.
    bool raiseKeyPress(QKeyEvent *event, std::unique_ptr<QKeyEvent> &replacement);
    void commitOpenEditor();
    void closeOpenEditor(bool keepText);
    // Moves the current cell without notifications (structural changes: added and removed rows).
    void moveQuietly(int row, int column);
    // Whether a TAB (forward) or Shift+TAB (back) with these modifiers leaves the grid.
    bool tabLeavesGrid(bool forward, Qt::KeyboardModifiers modifiers) const;
    // Moves the focus on to the next (previous) control and tells so.
    void leaveByTab(bool forward);
    // Whether the key opens the current list cell's list (F4, Alt+Down); openList() opens the
    // cell's editor with its entries shown (false when the cell takes no edit).
    bool opensList(const QKeyEvent *event) const;
    bool openList();
    // An arrow (or page, Home, End) key in a list editor whose entries are not shown: the
    // editor closes, keeping its entry, and the key moves the current cell. True when it did.
    bool listEditorLeftByKey(QWidget *editor, QKeyEvent *event);
    // The row started on the new row goes back to being the new row when nothing was typed in.
    void dropUntypedNewRow();
    QModelIndex indexOf(int row, int column) const;

    GridModel *m_model;
    bool m_redraw = true;
    bool m_savedAutoScroll = true;
    int m_quiet = 0;           // > 0: current-cell changes raise no notifications
    bool m_forwarding = false; // a key already notified is on its way to an editor
    bool m_mouseRefused = false;
    const QEvent *m_propagatedKey = nullptr; // compared only, never dereferenced
    QPointer<QWidget> m_editor;
    int m_rowBeforeAddNew = -1;
    int m_targetRow = -1;
    int m_targetColumn = -1;
    QLabel *m_captionBar = nullptr;
    int m_columnBeforeAddNew = -1;
    bool m_tabLeavesRow = false;
    int m_startedRow = -1; // the row that typing on the new row started, while it is pending
    std::optional<QPoint> m_mouseMenuPoint;
};

} // namespace velkora::controls
