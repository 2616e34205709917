#pragma once

#include <QItemSelectionModel>

namespace velkora::controls {

class DataGrid;

// The data grid's selection model: every change of the current cell (mouse, keyboard, program,
// the view itself) passes through setCurrentIndex(), where the grid raises BeforeRowColChange
// (which may refuse the move) and, after the move, RowColChange. The selection always is the
// current cell alone: selections requested from outside are ignored.
class GridSelectionModel : public QItemSelectionModel {
    Q_OBJECT
public:
    GridSelectionModel(QAbstractItemModel *model, DataGrid *grid);

    void setCurrentIndex(const QModelIndex &index,
                         QItemSelectionModel::SelectionFlags command) override;
    void select(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override;
    void select(const QItemSelection &selection,
                QItemSelectionModel::SelectionFlags command) override;

private:
    DataGrid *m_grid;
    bool m_selecting = false;
};

} // namespace velkora::controls
