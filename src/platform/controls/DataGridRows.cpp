// The data grid's rows and current cell: pending edits (AddNew, Update, CancelUpdate), added and
// removed rows that move the current cell quietly, and the notifications around every move.

#include "DataGrid.h"

#include "GridModel.h"

#include <QItemSelectionModel>
#include <QScrollBar>

namespace velkora::controls {

int DataGrid::AddNew()
{
    commitOpenEditor();
    m_rowBeforeAddNew = currentRow();
    m_columnBeforeAddNew = currentColumn();
    m_startedRow = -1;
    const int row = m_model->appendRow();
    moveQuietly(row, qMax(currentColumn(), 0));
    return row;
}

void DataGrid::AddRows(const QList<QVariantList> &rows)
{
    commitOpenEditor();
    if (rows.isEmpty())
        return;
    // Where the last AddNew of a row at a time would have started from.
    const int column = qMax(currentColumn(), 0);
    m_rowBeforeAddNew = rows.size() > 1 ? Rows() + int(rows.size()) - 2 : currentRow();
    m_columnBeforeAddNew = rows.size() > 1 ? column : currentColumn();
    const int first = m_model->appendRows(rows);
    moveQuietly(first + int(rows.size()) - 1, column);
}

void DataGrid::Update()
{
    commitOpenEditor();
    m_model->acceptPending();
}

void DataGrid::CancelUpdate()
{
    closeOpenEditor(false);
    const bool dropsNewRow = m_model->pendingRow() >= 0 && m_model->pendingIsNew();
    ++m_quiet;
    m_model->cancelPending();
    --m_quiet;
    if (dropsNewRow && m_rowBeforeAddNew >= 0 && m_rowBeforeAddNew < Rows())
        moveQuietly(m_rowBeforeAddNew, qMax(m_columnBeforeAddNew, 0));
}

bool DataGrid::hasPendingEdit() const
{
    return m_model->pendingRow() >= 0;
}

void DataGrid::RemoveRow(int row)
{
    if (row < 0 || row >= Rows())
        return;
    if (row == currentRow())
        closeOpenEditor(false);
    ++m_quiet;
    m_model->removeRow(row);
    --m_quiet;
    // The last row removed: the current cell stays on the rows of data, not on the new row.
    if (onNewRow() && Rows() > 0)
        moveQuietly(Rows() - 1, qMax(currentColumn(), 0));
}

void DataGrid::RemoveAll()
{
    closeOpenEditor(false);
    ++m_quiet;
    m_model->removeAll();
    --m_quiet;
    m_rowBeforeAddNew = -1;
    m_startedRow = -1;
    // Emptied for other rows (another format, another line type): they are shown from their
    // first column, not scrolled sideways as the last ones were.
    horizontalScrollBar()->setValue(0);
}

QVariant DataGrid::rowTag(int row) const
{
    return m_model->rowTag(row);
}

void DataGrid::setRowTag(int row, const QVariant &tag)
{
    m_model->setRowTag(row, tag);
}

void DataGrid::clearValue()
{
    RemoveAll();
}

void DataGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // The view first commits and closes the editor of the cell left, so its text belongs to
    // the row left; then a move to another row accepts that row's pending edit.
    // While repainting is suspended the view's own handling is skipped: it lays out every row
    // again to repaint the cell, which makes filling thousands of rows slow. Resuming repaints.
    if (m_redraw)
        QTableView::currentChanged(current, previous);
    else
        commitOpenEditor();
    const int pending = m_model->pendingRow();
    if (pending >= 0 && (!current.isValid() || current.row() != pending))
        m_model->acceptPending();
}

bool DataGrid::approveMove(const QModelIndex &from, const QModelIndex &to)
{
    if (m_quiet > 0 || !to.isValid() || to == from)
        return true;
    bool cancel = false;
    m_targetRow = to.row();
    m_targetColumn = to.column();
    emit BeforeRowColChange(cancel);
    m_targetRow = -1;
    m_targetColumn = -1;
    return !cancel;
}

void DataGrid::afterMove(const QModelIndex &from, const QModelIndex &to)
{
    if (m_quiet > 0 || !to.isValid() || to == from)
        return;
    emit RowColChange(from.isValid() ? QVariant(from.row()) : QVariant(),
                      from.isValid() ? from.column() : -1);
}

void DataGrid::moveQuietly(int row, int column)
{
    const QModelIndex target = indexOf(row, column);
    ++m_quiet;
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    --m_quiet;
}

} // namespace velkora::controls
