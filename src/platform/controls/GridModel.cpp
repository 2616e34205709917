#include "GridModel.h"

#include "formats/DigitFormat.h"

namespace velkora::controls {

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent)
{
    setObjectName(QStringLiteral("gridModel"));
}

void GridModel::setColumns(const QList<GridColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    for (QList<QVariant> &row : m_rows)
        row.resize(m_columns.size());
    m_pendingOriginal.clear();
    m_pendingRow = -1;
    m_pendingIsNew = false;
    endResetModel();
}

const QList<GridColumn> &GridModel::columns() const
{
    return m_columns;
}

int GridModel::columnIndex(const QString &nameOrCaption) const
{
    const QString wanted = nameOrCaption.trimmed();
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).name.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).caption.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void GridModel::setColumnLocked(int column, bool locked)
{
    if (column < 0 || column >= m_columns.size() || m_columns.at(column).locked == locked)
        return;
    m_columns[column].locked = locked;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, column), index(rowCount() - 1, column));
}

void GridModel::setValueList(int column, const QStringList &entries)
{
    if (column < 0 || column >= m_columns.size())
        return;
    m_columns[column].valueList = entries;
}

bool GridModel::isCell(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid() &&
           index.row() < m_rows.size() && index.column() < m_columns.size();
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size()) + (m_newRowOffered ? 1 : 0);
}

void GridModel::setNewRowOffered(bool on)
{
    if (on == m_newRowOffered)
        return;
    const int row = dataRows();
    if (on) {
        beginInsertRows(QModelIndex(), row, row);
        m_newRowOffered = true;
        endInsertRows();
    } else {
        beginRemoveRows(QModelIndex(), row, row);
        m_newRowOffered = false;
        endRemoveRows();
    }
}

int GridModel::startNewRow()
{
    if (!m_newRowOffered)
        return -1;
    acceptPending();
    // The row below is the one inserted: the new row keeps its index (and the current cell).
    const int row = dataRows();
    beginInsertRows(QModelIndex(), row + 1, row + 1);
    m_rows.append(QList<QVariant>(m_columns.size()));
    m_tags.append(QVariant());
    m_pendingRow = row;
    m_pendingIsNew = true;
    m_pendingOriginal.clear();
    endInsertRows();
    emit headerDataChanged(Qt::Vertical, row, row);
    return row;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    const bool onNewRow = m_newRowOffered && index.isValid() && index.model() == this &&
                          index.row() == newRow() && index.column() < m_columns.size();
    if (!onNewRow && !isCell(index))
        return {};
    const GridColumn &column = m_columns.at(index.column());
    // The new row shows what an empty row shows (its check cells no box).
    if (onNewRow) {
        if (column.kind == GridColumn::Kind::Check)
            return {};
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    }
    const QVariant &stored = m_rows.at(index.row()).at(index.column());
    if (column.kind == GridColumn::Kind::Check) {
        if (role == Qt::CheckStateRole)
            return stored.toBool() ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::EditRole)
            return stored.toBool();
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), index.column());
    case Qt::EditRole:
        return stored;
    default:
        return {};
    }
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!isCell(index))
        return false;
    const GridColumn &column = m_columns.at(index.column());
    if (column.locked)
        return false;
    if (column.kind == GridColumn::Kind::Check) {
        if (role != Qt::CheckStateRole && role != Qt::EditRole)
            return false;
        const bool on = role == Qt::CheckStateRole ? value.toInt() == static_cast<int>(Qt::Checked)
                                                   : value.toBool();
        return setValue(index.row(), index.column(), on);
    }
    if (role != Qt::EditRole)
        return false;
    return setValue(index.row(), index.column(), value);
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (m_newRowOffered && index.isValid() && index.model() == this && index.row() == newRow() &&
        index.column() < m_columns.size()) {
        // The new row's cells may be made current and edited (typing starts the row); its
        // check cells show nothing until then.
        Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
        const GridColumn &column = m_columns.at(index.column());
        if (!column.locked && column.kind != GridColumn::Kind::Check)
            result |= Qt::ItemIsEditable;
        return result;
    }
    if (!isCell(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const GridColumn &column = m_columns.at(index.column());
    if (!column.locked)
        result |=
            column.kind == GridColumn::Kind::Check ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable;
    return result;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_columns.size())
            return {};
        if (role == Qt::DisplayRole)
            return m_columns.at(section).caption;
        if (role == Qt::ToolTipRole)
            return m_columns.at(section).description.isEmpty() ? m_columns.at(section).name
                                                               : m_columns.at(section).description;
        return {};
    }
    if (section == newRow()) {
        if (role == Qt::DisplayRole)
            return QStringLiteral("*");
        if (role == Qt::ToolTipRole)
            return QStringLiteral("Fila nueva: escriba en ella para agregar una fila");
        return {};
    }
    if (role == Qt::DisplayRole && section >= 0 && section < m_rows.size())
        return section == m_pendingRow && m_pendingIsNew ? QStringLiteral("*")
                                                         : QString::number(section + 1);
    return {};
}

QVariant GridModel::value(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return {};
    return m_rows.at(row).at(column);
}

QString GridModel::displayText(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return {};
    const QString text = formats::valueText(m_rows.at(row).at(column));
    return formats::applyDigitFormat(text, m_columns.at(column).format);
}

bool GridModel::setValue(int row, int column, const QVariant &value)
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return false;
    return storeValue(row, column, storedForm(column, value));
}

QVariant GridModel::storedForm(int column, const QVariant &value) const
{
    if (m_columns.at(column).kind == GridColumn::Kind::Check)
        return value.isValid() && !value.isNull() ? QVariant(value.toBool()) : QVariant();
    return value;
}

bool GridModel::storeValue(int row, int column, const QVariant &value)
{
    const QVariant &current = m_rows.at(row).at(column);
    if (current == value && current.metaType() == value.metaType())
        return true;
    // The pending edit keeps a copy of the row first; only then is the row written (a
    // reference taken earlier would write into the shared copy as well).
    beginPending(row);
    m_rows[row][column] = value;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed);
    return true;
}

void GridModel::beginPending(int row)
{
    if (m_pendingRow == row)
        return;
    acceptPending();
    m_pendingRow = row;
    m_pendingIsNew = false;
    m_pendingOriginal = m_rows.at(row);
}

int GridModel::appendRow()
{
    acceptPending();
    const int row = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.append(QList<QVariant>(m_columns.size()));
    m_tags.append(QVariant());
    m_pendingRow = row;
    m_pendingIsNew = true;
    m_pendingOriginal.clear();
    endInsertRows();
    return row;
}

int GridModel::appendRows(const QList<QVariantList> &rows)
{
    acceptPending();
    if (rows.isEmpty())
        return -1;
    const int first = static_cast<int>(m_rows.size());
    const int columns = static_cast<int>(m_columns.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
    m_rows.reserve(first + rows.size());
    for (const QVariantList &values : rows) {
        QList<QVariant> cells(columns);
        for (int c = 0; c < columns && c < values.size(); ++c)
            cells[c] = storedForm(c, values.at(c));
        m_rows.append(std::move(cells));
    }
    m_tags.resize(m_rows.size());
    endInsertRows();
    return first;
}

bool GridModel::removeRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.removeAt(row);
    m_tags.removeAt(row);
    if (m_pendingRow == row) {
        m_pendingRow = -1;
        m_pendingIsNew = false;
        m_pendingOriginal.clear();
    } else if (m_pendingRow > row) {
        --m_pendingRow;
    }
    endRemoveRows();
    return true;
}

void GridModel::removeAll()
{
    beginResetModel();
    m_rows.clear();
    m_tags.clear();
    m_pendingRow = -1;
    m_pendingIsNew = false;
    m_pendingOriginal.clear();
    endResetModel();
}

QVariant GridModel::rowTag(int row) const
{
    return row >= 0 && row < m_tags.size() ? m_tags.at(row) : QVariant();
}

bool GridModel::setRowTag(int row, const QVariant &tag)
{
    if (row < 0 || row >= m_tags.size())
        return false;
    m_tags[row] = tag;
    return true;
}

int GridModel::pendingRow() const
{
    return m_pendingRow;
}

bool GridModel::pendingIsNew() const
{
    return m_pendingIsNew;
}

void GridModel::acceptPending()
{
    if (m_pendingRow < 0)
        return;
    const int row = m_pendingRow;
    const bool wasNew = m_pendingIsNew;
    m_pendingRow = -1;
    m_pendingIsNew = false;
    m_pendingOriginal.clear();
    if (wasNew)
        emit headerDataChanged(Qt::Vertical, row, row);
}

int GridModel::cancelPending()
{
    if (m_pendingRow < 0)
        return -1;
    const int row = m_pendingRow;
    if (m_pendingIsNew) {
        removeRow(row);
        return row;
    }
    const QList<QVariant> original = m_pendingOriginal;
    m_pendingRow = -1;
    m_pendingIsNew = false;
    m_pendingOriginal.clear();
    m_rows[row] = original;
    if (!m_columns.isEmpty())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    return -1;
}

} // namespace velkora::controls
