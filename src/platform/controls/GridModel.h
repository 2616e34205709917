#pragma once

#include "DataGrid.h"

#include <QAbstractTableModel>
#include <QList>
#include <QVariant>

namespace velkora::controls {

// The rows and columns of a data grid, and its pending edit.
//
// Every cell holds a QVariant. The display role shows the value through the column's display
// format (DigitFormat.h); the edit role gives the value as stored. A Check column holds a bool,
// shown through the check-state role and without text. A locked column refuses edits from the
// user (no editable or checkable flag, setData() fails); setValue() is the program's way in and
// ignores the lock.
//
// The pending edit: the first change of a row (through setData() or setValue()) remembers the
// row's earlier values; acceptPending() keeps the changes, cancelPending() restores the
// remembered values, or removes the row when appendRow() created it and it was never accepted.
// Only one row is pending at a time: a change in another row accepts the pending one first.
//
// The new row: while offered, one more row than the data stands at the end, empty and marked
// "*", where typing starts a new row (startNewRow() turns it into a new pending row and offers
// another below it). It is no data: dataRows() and value() leave it out.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);

    void setColumns(const QList<GridColumn> &columns);
    const QList<GridColumn> &columns() const;
    // Column index by name first, then by caption, without regard to case; -1 when none.
    int columnIndex(const QString &nameOrCaption) const;
    void setColumnLocked(int column, bool locked);
    void setValueList(int column, const QStringList &entries);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The rows of data, the new row left out.
    int dataRows() const { return static_cast<int>(m_rows.size()); }
    void setNewRowOffered(bool on);
    bool newRowOffered() const { return m_newRowOffered; }
    // The new row's index; -1 when it is not offered.
    int newRow() const { return m_newRowOffered ? dataRows() : -1; }
    // The new row becomes a new pending row of data (at the same index), and a new row is
    // offered below it; returns its index, -1 when no new row is offered.
    int startNewRow();
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The stored value; null outside the grid.
    QVariant value(int row, int column) const;
    // The value as shown, after the display format.
    QString displayText(int row, int column) const;
    // Sets a value from the program (the lock does not apply); starts or extends the row's
    // pending edit. Returns false outside the grid.
    bool setValue(int row, int column, const QVariant &value);

    // Appends a row of empty cells as a new pending row (accepting any other pending edit first);
    // returns its index.
    int appendRow();
    // Appends rows of values (in column order; missing values are empty) as accepted rows, in
    // one insertion, after accepting any pending edit; values go in as setValue() puts them.
    // Returns the index of the first row, -1 when there are none.
    int appendRows(const QList<QVariantList> &rows);
    bool removeRow(int row);
    void removeAll();

    // A row's tag: a value of the program's that no cell shows and no edit changes. It stays
    // with its row when rows before it are added or removed and goes with the row; a row added
    // by appendRow(), appendRows() or startNewRow() has none (null).
    QVariant rowTag(int row) const;
    // Returns false outside the rows of data.
    bool setRowTag(int row, const QVariant &tag);

    int pendingRow() const;
    bool pendingIsNew() const;
    void acceptPending();
    // Restores the pending row; returns the removed row's index when a new row was dropped,
    // otherwise -1.
    int cancelPending();

private:
    bool isCell(const QModelIndex &index) const;
    void beginPending(int row);
    bool storeValue(int row, int column, const QVariant &value);
    // A value as a cell of the column keeps it (a Check cell a bool or nothing).
    QVariant storedForm(int column, const QVariant &value) const;

    QList<GridColumn> m_columns;
    QList<QList<QVariant>> m_rows;
    QList<QVariant> m_tags; // one per row of m_rows
    int m_pendingRow = -1;
    bool m_pendingIsNew = false;
    QList<QVariant> m_pendingOriginal;
    bool m_newRowOffered = false;
};

} // namespace velkora::controls
