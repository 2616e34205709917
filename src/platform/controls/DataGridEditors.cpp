// The data grid's cell editors: they open on the current cell only (the owner may refuse),
// text pasted into them goes through KeyPress, and TAB in them moves on as on the grid. A list
// cell's editor opens when the user asks for it (a typed letter, F2, F4, Alt+Down, a click),
// not by a move into the cell.

#include "DataGrid.h"

#include "GridModel.h"
#include "formats/TextRules.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>

namespace velkora::controls {

void DataGrid::commitCellEdit()
{
    commitOpenEditor();
}

bool DataGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // Only the current cell is edited: an editor never opens beside a refused move.
    if (index.isValid() && index != currentIndex())
        return false;
    // The owner may refuse any edit (an editor opening, a check cell toggling).
    if (index.isValid() && (index.flags() & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)) &&
        !m_editor) {
        bool cancel = false;
        emit BeforeEdit(cancel);
        if (cancel)
            return false;
        // Typing (F2, a double click) on the new row starts a row there.
        const bool opensEditor = trigger == AllEditTriggers || (editTriggers() & trigger);
        if (opensEditor && index.row() == m_model->newRow() &&
            (index.flags() & Qt::ItemIsEditable)) {
            m_rowBeforeAddNew = Rows() > 0 ? Rows() - 1 : -1;
            m_columnBeforeAddNew = index.column();
            ++m_quiet;
            m_startedRow = m_model->startNewRow();
            --m_quiet;
        }
    }
    return QTableView::edit(index, trigger, event);
}

void DataGrid::editorOpened(QWidget *editor)
{
    m_editor = editor;
}

void DataGrid::pasteIntoEditor(QWidget *editor, const QString &pasted)
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line)
        return;
    QString text = pasted;
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    else if (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    if (formats::firstNonTextCharacter(text) >= 0) {
        emit PasteRefused(text, line->maxLength());
        return;
    }
    QPointer<QLineEdit> guard(line);
    QString accepted;
    for (const QChar c : text) {
        int code = c.unicode();
        emit KeyPress(code);
        if (code != 0)
            accepted += QChar(static_cast<char16_t>(code));
    }
    if (!guard || accepted.isEmpty())
        return;
    // A paste that the cell cannot hold whole is refused, never cut.
    const qsizetype after = guard->text().size() - guard->selectedText().size() + accepted.size();
    if (after > guard->maxLength()) {
        emit PasteRefused(accepted, guard->maxLength());
        return;
    }
    guard->insert(accepted);
}

void DataGrid::commitOpenEditor()
{
    if (m_editor && m_editor->isVisible()) {
        QWidget *editor = m_editor;
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    m_editor = nullptr;
}

void DataGrid::closeOpenEditor(bool keepText)
{
    if (keepText) {
        commitOpenEditor();
        return;
    }
    if (m_editor && m_editor->isVisible())
        closeEditor(m_editor, QAbstractItemDelegate::RevertModelCache);
    m_editor = nullptr;
}

void DataGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (editor == m_editor)
        m_editor = nullptr;
    if (hint != QAbstractItemDelegate::EditNextItem &&
        hint != QAbstractItemDelegate::EditPreviousItem) {
        QTableView::closeEditor(editor, hint);
        dropUntypedNewRow();
        return;
    }
    // TAB or Shift+TAB in an editor: the editor closes, the current cell moves on as TAB moves
    // it on the grid (BeforeRowColChange may refuse), and the new cell is edited when it can be.
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    dropUntypedNewRow();
    if (tabLeavesGrid(hint == QAbstractItemDelegate::EditNextItem, Qt::NoModifier)) {
        setFocus(Qt::OtherFocusReason);
        leaveByTab(hint == QAbstractItemDelegate::EditNextItem);
        return;
    }
    const QModelIndex next = moveCursor(
        hint == QAbstractItemDelegate::EditNextItem ? MoveNext : MovePrevious, Qt::NoModifier);
    if (!next.isValid())
        return;
    selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect);
    // A list cell is only moved into: its list opens when the user asks (openList()), never by
    // itself, or the keys meant to move on would choose its entries. Nor does a move start a row
    // on the new row: only what is typed there does.
    if (currentIndex() == next && (next.flags() & Qt::ItemIsEditable) &&
        column(next.column()).kind != GridColumn::Kind::List && next.row() != m_model->newRow())
        edit(next, AllEditTriggers, nullptr);
}

void DataGrid::dropUntypedNewRow()
{
    // A row exists only once something is typed into it: a row started on the new row whose
    // editor closed with nothing in it (Escape, an empty cell left, a list left unchosen) is the
    // new row again.
    const int row = m_startedRow;
    if (row < 0 || row != m_model->pendingRow() || !m_model->pendingIsNew() || !rowIsBlank(row))
        return;
    const bool wasCurrent = currentRow() == row;
    const int column = qMax(currentColumn(), 0);
    ++m_quiet;
    m_model->cancelPending();
    --m_quiet;
    m_startedRow = -1;
    if (wasCurrent)
        moveQuietly(row, column);
}

bool DataGrid::opensList(const QKeyEvent *event) const
{
    if (column(currentColumn()).kind != GridColumn::Kind::List)
        return false;
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    return (event->key() == Qt::Key_F4 && modifiers == Qt::NoModifier) ||
           (event->key() == Qt::Key_Down && modifiers == Qt::AltModifier);
}

bool DataGrid::openList()
{
    const QModelIndex index = currentIndex();
    if (!index.isValid() || !(index.flags() & Qt::ItemIsEditable))
        return false;
    if (!m_editor && !edit(index, EditKeyPressed, nullptr))
        return false;
    auto *list = qobject_cast<QComboBox *>(m_editor.data());
    if (!list)
        return false;
    list->showPopup();
    return true;
}

bool DataGrid::listEditorLeftByKey(QWidget *editor, QKeyEvent *event)
{
    // A list whose entries are not shown takes no arrow key: the keys move between cells, as
    // on the grid. Only its shown entries (F4, Alt+Down, a click) are chosen with the arrows.
    auto *list = qobject_cast<QComboBox *>(editor);
    if (!list || event->modifiers().testFlag(Qt::AltModifier))
        return false;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        break;
    default:
        return false;
    }
    commitOpenEditor();
    setFocus(Qt::OtherFocusReason);
    m_forwarding = true;
    const auto done = qScopeGuard([this] { m_forwarding = false; });
    QTableView::keyPressEvent(event);
    return true;
}

} // namespace velkora::controls
