// The data grid's cell editors: they open on the current cell only (the owner may refuse),
// text pasted into them goes through KeyPress, and TAB in them moves on as on the grid.

#include "DataGrid.h"

#include "GridModel.h"
#include "formats/TextRules.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

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
            m_model->startNewRow();
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
    if (firstNonTextCharacter(text) >= 0) {
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
        return;
    }
    // TAB or Shift+TAB in an editor: the editor closes, the current cell moves on as TAB moves
    // it on the grid (BeforeRowColChange may refuse), and the new cell is edited when it can be.
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
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
    if (currentIndex() == next && (next.flags() & Qt::ItemIsEditable))
        edit(next, AllEditTriggers, nullptr);
}

} // namespace velkora::controls
