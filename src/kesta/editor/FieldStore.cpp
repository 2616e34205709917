#include "FieldStore.h"

#include <algorithm>

#include "host/RuntimeError.h"

namespace kesta::editor {

namespace {
const QStringList &headers()
{
    static const QStringList h{QStringLiteral("Llave"),       QStringLiteral("Id"),
                               QStringLiteral("Descripción"), QStringLiteral("Posicion"),
                               QStringLiteral("Longitud"),    QStringLiteral("Tipo"),
                               QStringLiteral("Valor"),       QStringLiteral("Formato"),
                               QStringLiteral("Trim"),        QStringLiteral("LineaID")};
    return h;
}
} // namespace

FieldStore::FieldStore(QObject *parent) : QAbstractTableModel(parent) {}

// Both are built once per field of a load: one allocation each.
QString FieldStore::keyFor(const QString &line, const QString &field)
{
    QString key;
    key.reserve(3 + line.size() + field.size());
    key.append(u"K-").append(line).append(u'-').append(field);
    return key;
}

QString FieldStore::textFor(const QString &line, const QString &field)
{
    QString text;
    text.reserve(1 + line.size() + field.size());
    text.append(line).append(u'-').append(field);
    return text;
}

int FieldStore::count() const
{
    return static_cast<int>(m_rows.size());
}

void FieldStore::add(const QString &key, const QString &text)
{
    if (m_index.contains(key))
        throw host::RuntimeError(
            QStringLiteral(
                "The field store already holds the key \"%1\" (a field is defined twice).")
                .arg(key));
    const int row = count();
    beginInsertRows({}, row, row);
    Row r{key, text, QStringList(), QString()};
    r.sub.reserve(ColumnCount);
    for (int i = 0; i < ColumnCount; ++i)
        r.sub.append(QString());
    m_rows.append(std::move(r));
    m_index.insert(key, row);
    endInsertRows();
}

void FieldStore::append(const QList<Entry> &entries)
{
    // The entries up to the first key already held, added at once. Each key is looked up once:
    // the lookup of an entry that is added is also its place in the index.
    const int first = count();
    m_index.reserve(first + entries.size());
    qsizetype accepted = 0;
    for (; accepted < entries.size(); ++accepted) {
        const qsizetype held = m_index.size();
        int &row = m_index[entries.at(accepted).key];
        if (m_index.size() == held)
            break;
        row = first + int(accepted);
    }
    if (accepted > 0) {
        beginInsertRows({}, first, first + int(accepted) - 1);
        m_rows.reserve(first + accepted);
        for (qsizetype i = 0; i < accepted; ++i) {
            const Entry &entry = entries.at(i);
            Row r{entry.key, entry.text, QStringList(), entry.origin};
            r.sub.reserve(ColumnCount);
            r.sub.append(QString());
            for (int sub = Id; sub < ColumnCount; ++sub)
                r.sub.append(entry.subItems.value(sub - Id));
            m_rows.append(std::move(r));
        }
        endInsertRows();
    }
    if (accepted < entries.size())
        throw host::RuntimeError(
            QStringLiteral(
                "The field store already holds the key \"%1\" (a field is defined twice).")
                .arg(entries.at(accepted).key));
}

int FieldStore::find(const QString &key) const
{
    return m_index.value(key, -1);
}

QString FieldStore::key(int row) const
{
    return row >= 0 && row < count() ? m_rows[row].key : QString();
}

QString FieldStore::text(int row) const
{
    return row >= 0 && row < count() ? m_rows[row].text : QString();
}

QString FieldStore::subItem(int row, int sub) const
{
    if (row < 0 || row >= count() || sub < 0 || sub >= ColumnCount)
        return {};
    return sub == Llave ? m_rows[row].text : m_rows[row].sub[sub];
}

void FieldStore::setSubItem(const QString &key, int sub, const QString &value)
{
    const int row = find(key);
    if (row < 0)
        throw host::RuntimeError(QStringLiteral("The field store holds no key \"%1\".").arg(key));
    if (sub < Id || sub >= ColumnCount)
        throw host::RuntimeError(QStringLiteral("The field store has no column %1.").arg(sub));
    m_rows[row].sub[sub] = value;
    const QModelIndex cell = index(row, sub);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
}

QString FieldStore::origin(int row) const
{
    return row >= 0 && row < count() ? m_rows[row].origin : QString();
}

void FieldStore::takeIdsAsOrigins()
{
    for (Row &row : m_rows)
        row.origin = row.sub[Id];
}

void FieldStore::removeAt(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows({}, row, row);
    m_index.remove(m_rows[row].key);
    m_rows.removeAt(row);
    reindexFrom(row);
    endRemoveRows();
}

void FieldStore::clear()
{
    beginResetModel();
    m_rows.clear();
    m_index.clear();
    endResetModel();
}

int FieldStore::removeLine(const QString &lineaId)
{
    const qsizetype before = m_rows.size();
    const bool any = std::any_of(m_rows.cbegin(), m_rows.cend(),
                                 [&](const Row &r) { return r.sub[LineaID] == lineaId; });
    if (!any)
        return 0;
    beginResetModel();
    m_rows.removeIf([&](const Row &r) { return r.sub[LineaID] == lineaId; });
    m_index.clear();
    reindexFrom(0);
    endResetModel();
    return static_cast<int>(before - m_rows.size());
}

void FieldStore::replaceLine(const QString &removedLineaId, const QList<Entry> &added)
{
    QHash<QString, int> newKeys;
    for (const Entry &entry : added) {
        const int held = find(entry.key);
        const bool heldByRemaining = held >= 0 && m_rows[held].sub[LineaID] != removedLineaId;
        if (heldByRemaining || newKeys.contains(entry.key))
            throw host::RuntimeError(
                QStringLiteral(
                    "The field store already holds the key \"%1\" (a field is defined twice).")
                    .arg(entry.key));
        if (entry.subItems.size() != ColumnCount - 1)
            throw host::RuntimeError(
                QStringLiteral("A field store row needs %1 columns.").arg(ColumnCount - 1));
        newKeys.insert(entry.key, 0);
    }
    beginResetModel();
    m_rows.removeIf([&](const Row &r) { return r.sub[LineaID] == removedLineaId; });
    for (const Entry &entry : added) {
        Row r{entry.key, entry.text, QStringList(), entry.origin};
        r.sub.reserve(ColumnCount);
        r.sub.append(QString());
        r.sub.append(entry.subItems);
        m_rows.append(std::move(r));
    }
    m_index.clear();
    reindexFrom(0);
    endResetModel();
}

void FieldStore::reindexFrom(int row)
{
    for (int i = row; i < count(); ++i)
        m_index.insert(m_rows[i].key, i);
}

int FieldStore::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int FieldStore::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FieldStore::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count() || index.column() >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return subItem(index.row(), index.column());
    if (role == Qt::UserRole && index.column() == Llave)
        return m_rows[index.row()].key;
    return {};
}

QVariant FieldStore::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return headers()[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

FieldStoreView::FieldStoreView(QWidget *parent) : QTreeView(parent), m_store(new FieldStore(this))
{
    setObjectName(QStringLiteral("lvDetalle"));
    setRootIsDecorated(false);
    setModel(m_store);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    QTreeView::setVisible(false);
}

FieldStore *FieldStoreView::store() const
{
    return m_store;
}

void FieldStoreView::clearValue()
{
    m_store->clear();
}

void FieldStoreView::setVisible(bool)
{
    // The store is never shown to the user, whoever asks.
    QTreeView::setVisible(false);
}

} // namespace kesta::editor
