#include "GridSelectionModel.h"

#include "DataGrid.h"

namespace velkora::controls {

GridSelectionModel::GridSelectionModel(QAbstractItemModel *model, DataGrid *grid)
    : QItemSelectionModel(model, grid), m_grid(grid)
{
    setObjectName(QStringLiteral("gridSelectionModel"));
}

void GridSelectionModel::setCurrentIndex(const QModelIndex &index,
                                         QItemSelectionModel::SelectionFlags command)
{
    Q_UNUSED(command);
    const QModelIndex previous = currentIndex();
    if (!m_grid->approveMove(previous, index))
        return;
    m_selecting = true;
    QItemSelectionModel::setCurrentIndex(
        index, index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Clear);
    m_selecting = false;
    m_grid->afterMove(previous, currentIndex());
}

void GridSelectionModel::select(const QModelIndex &index,
                                QItemSelectionModel::SelectionFlags command)
{
    select(QItemSelection(index, index), command);
}

void GridSelectionModel::select(const QItemSelection &selection,
                                QItemSelectionModel::SelectionFlags command)
{
    if (!m_selecting)
        return; // the selection follows the current cell only
    QItemSelectionModel::select(selection, command);
}

} // namespace velkora::controls
