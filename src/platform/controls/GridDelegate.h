#pragma once

#include <QStyledItemDelegate>

namespace velkora::controls {

class DataGrid;

// The data grid's cell editors: a line edit for text cells, a combo box with the value list for
// List cells (Check cells toggle in place). Every key that reaches an editor is first handed to
// the grid, which raises KeyDown and KeyPress for it (the delegate is the editor's event filter,
// so the grid sees Enter and Tab before the delegate acts on them).
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(DataGrid *grid);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DataGrid *m_grid;
};

} // namespace velkora::controls
