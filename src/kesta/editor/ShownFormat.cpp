#include "ShownFormat.h"

#include "FieldStore.h"
#include "FieldStoreFiller.h"
#include "GridColumns.h"
#include "host/RuntimeError.h"
#include "store/Literals.h"

#include "controls/DataGrid.h"
#include "controls/SmallControls.h"
#include "controls/TextBox.h"

#include <QCheckBox>
#include <QDateTime>
#include <QSet>

namespace kesta::editor {

using velkora::formats::FieldDef;
using velkora::formats::LoadFormat;
using velkora::store::StoredColumns;
using velkora::store::StoredLoadFormat;

namespace {

QString userColumn(int n)
{
    return QStringLiteral("Ly_UserDef_%1").arg(n);
}

QString text(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

// A numeric user datum for a numeric box: the number's text as the database gives it (never
// through a binary floating-point value, so every digit stays); a null empties the box.
void showNumber(velkora::controls::TextBox &box, const QVariant &value, int n)
{
    if (value.isNull()) {
        box.clearValue();
        return;
    }
    // A database that keeps the number as a binary floating-point value gives it as one.
    const QString number = value.typeId() == QMetaType::Double
                               ? QString::number(value.toDouble(), 'f', 4)
                               : value.toString().trimmed();
    if (!velkora::store::isPlainNumber(number))
        throw host::RuntimeError(QStringLiteral("Layout.%1 holds \"%2\", which is not a number.")
                                     .arg(userColumn(n), value.toString()));
    box.setValue(number);
}

void showDate(velkora::controls::DatePicker &picker, const QVariant &value, int n)
{
    if (const QDate date = ShownFormat::storedDate(value, userColumn(n)); date.isValid())
        picker.setDate(date);
}

// A grid cell of a line type: the value as read, or nothing where the column was NULL.
QVariant lineCell(const StoredColumns &stored, const QString &order, const QString &column,
                  int value)
{
    const QString row = StoredColumns::lineRow(order);
    if (stored.nullColumns.value(row).contains(column))
        return {};
    const auto odd = stored.numberTexts.constFind(StoredColumns::numberCell(row, column));
    return odd != stored.numberTexts.cend() ? QVariant(*odd) : QVariant(value);
}

// A field's position or length as the store's entry shows it: the stored text when it is not a
// whole number.
QString fieldNumber(const StoredColumns &stored, const QString &row, const QString &column,
                    int value)
{
    return stored.numberTexts.value(StoredColumns::numberCell(row, column),
                                    QString::number(value));
}

// The fields in the order the store keeps them: line type by line type, a field of no line
// type where its Ly_ID stands among the line types' (by its length, then its text).
QList<FieldDef> storeOrder(const LoadFormat &format)
{
    const auto before = [](const QString &a, const QString &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    };
    QList<FieldDef> fields;
    qsizetype orphan = 0;
    const QList<FieldDef> &orphans = format.orphanFields;
    for (const auto &type : format.lineTypes) {
        while (orphan < orphans.size() && before(orphans.at(orphan).lineOrder, type.order))
            fields << orphans.at(orphan++);
        fields << type.fields;
    }
    fields << orphans.mid(orphan);
    return fields;
}

FieldStore::Entry entryOf(const FieldDef &field, const StoredColumns &stored, qint64 sequence)
{
    const QString row = StoredColumns::fieldRow(field.lineOrder, field.id);
    const QStringList nulls = stored.nullColumns.value(row);
    if (!nulls.isEmpty())
        throw host::RuntimeError(QStringLiteral("Layout_Detalle.%1 is null: the field "
                                                "definition cannot be shown.")
                                     .arg(nulls.first()));
    const QString trim =
        stored.trimTexts.value(row, field.trim ? QStringLiteral("SI") : QStringLiteral("NO"));
    FieldStore::Entry entry{FieldStore::keyFor(field.lineOrder, field.id),
                            FieldStore::textFor(field.lineOrder, field.id), QStringList(),
                            field.id};
    entry.subItems = {sequenceText(sequence),
                      field.description,
                      fieldNumber(stored, row, QStringLiteral("Ld_Posicion"), field.position),
                      fieldNumber(stored, row, QStringLiteral("Ld_Longitud"), field.length),
                      field.typeCode,
                      field.value,
                      field.format,
                      trim,
                      field.lineOrder};
    return entry;
}

} // namespace

QDate ShownFormat::storedDate(const QVariant &value, const QString &column)
{
    if (value.isNull())
        return {};
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate();
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime().date();
    const QString stored = value.toString().trimmed();
    QDate date = QDate::fromString(stored.left(10), Qt::ISODate);
    if (!date.isValid())
        date = QDateTime::fromString(stored, Qt::ISODate).date();
    if (!date.isValid())
        date = QDate::fromString(stored.left(8), QStringLiteral("yyyyMMdd"));
    if (!date.isValid())
        date = QDate::fromString(stored.left(10), QStringLiteral("dd/MM/yyyy"));
    if (!date.isValid())
        throw host::RuntimeError(
            QStringLiteral("Layout.%1 holds \"%2\", which is not a date.").arg(column, stored));
    return date;
}

std::array<bool, UserDataAsRead::Count> ShownFormat::nullUserData(const StoredLoadFormat &format)
{
    std::array<bool, UserDataAsRead::Count> nulls{};
    for (size_t i = 0; i < nulls.size(); ++i)
        nulls[i] = format.stored.userData[i].isNull();
    return nulls;
}

void ShownFormat::show(const StoredLoadFormat &format) const
{
    showHeader(format);
    showLines(format);
    fillStore(format);
}

void ShownFormat::showHeader(const StoredLoadFormat &stored) const
{
    const LoadFormat &format = stored.format;
    // Texts as stored, never cut by a box (a longer text than a box takes is refused by the
    // save with a message, not shortened behind the user's back).
    const auto &user = stored.stored.userData;
    m_parts.description->setValue(format.description);
    m_parts.file->setValue(format.file);
    m_parts.userData.user1->setValue(text(user[0]));
    m_parts.userData.user2->setValue(text(user[1]));
    showNumber(*m_parts.userData.user3, user[2], 3);
    showNumber(*m_parts.userData.user4, user[3], 4);
    showDate(*m_parts.userData.date5, user[4], 5);
    showDate(*m_parts.userData.date6, user[5], 6);
    m_parts.reverse->setChecked(format.reverse);
}

void ShownFormat::showLines(const StoredLoadFormat &format) const
{
    velkora::controls::DataGrid &grid = *m_parts.lines;
    grid.RemoveAll();
    grid.setRedraw(false);
    QList<QVariantList> rows;
    for (const auto &type : format.format.lineTypes) {
        QVariantList values(grid.columnCount());
        values[columnOf(LineColumn::Order)] = type.order;
        values[columnOf(LineColumn::Id)] = type.lineId;
        values[columnOf(LineColumn::Description)] = type.description;
        values[columnOf(LineColumn::Position)] =
            lineCell(format.stored, type.order, QStringLiteral("Ly_Posicion"), type.position);
        values[columnOf(LineColumn::Length)] =
            lineCell(format.stored, type.order, QStringLiteral("Ly_Longitud"), type.length);
        rows.append(std::move(values));
    }
    grid.AddRows(rows);
    grid.setRedraw(true);
    grid.widenColumnsToFit();
    if (grid.hasPendingEdit())
        grid.Update();
}

void ShownFormat::fillStore(const StoredLoadFormat &format) const
{
    FieldStore &store = *m_parts.store;
    store.clear();
    // The entries are made first and added at once; a row that cannot be shown (a null) stops
    // the fill with the rows before it in the store, and a repeated key is refused by the store.
    QList<FieldStore::Entry> entries;
    QSet<QString> keys;
    qint64 sequence = 0;
    try {
        for (const FieldDef &field : storeOrder(format.format)) {
            FieldStore::Entry entry = entryOf(field, format.stored, sequence);
            const bool repeated = keys.contains(entry.key);
            keys.insert(entry.key);
            entries.append(std::move(entry));
            if (repeated)
                break;
            sequence += 10;
        }
    } catch (...) {
        store.append(entries);
        throw;
    }
    store.append(entries);
}

} // namespace kesta::editor
