#include "DetailRefill.h"

#include "FieldStore.h"
#include "GridColumns.h"
#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/Messages.h"

#include "controls/DataGrid.h"

#include <cmath>

namespace kesta::editor {

namespace {

// The type code read as a number ("01" -> 1); a text that is no number raises.
int typeCodeNumber(const QString &code)
{
    bool ok = false;
    const QString t = code.trimmed();
    const int whole = t.toInt(&ok);
    if (ok)
        return whole;
    const double number = t.toDouble(&ok);
    if (ok && std::isfinite(number) && std::abs(number) < 1e9)
        return static_cast<int>(std::lround(number));
    throw host::RuntimeError(QStringLiteral("The field type \"%1\" is not a number.").arg(code));
}

// The store's entries of the line grid's current row, added to the field grid.
void addStoreRows(const FieldStore &store, const velkora::controls::DataGrid &lines,
                  velkora::controls::DataGrid &fields)
{
    using Store = FieldStore;
    const int count = store.count();
    const int current = lines.currentRow();
    const QString order =
        current >= 0 ? lines.cell(current, columnOf(LineColumn::Order)).toString() : QString();

    // The grid's columns and the store's column that fills each. The Tipo column shows the
    // entry of the type code's number.
    const int tipo = columnOf(FieldColumn::Type);
    const QStringList types = fields.column(tipo).valueList;
    const int trim = columnOf(FieldColumn::Trim);
    const std::pair<int, Store::SubItem> copied[] = {
        {columnOf(FieldColumn::Id), Store::Id},
        {columnOf(FieldColumn::Description), Store::Descripcion},
        {columnOf(FieldColumn::Position), Store::Posicion},
        {columnOf(FieldColumn::Length), Store::Longitud},
        {columnOf(FieldColumn::Value), Store::Valor},
        {columnOf(FieldColumn::Format), Store::Formato},
        {columnOf(FieldColumn::LineOrder), Store::LineaID},
    };

    // The line type's rows, added to the grid at once.
    QList<QVariantList> rows;
    QStringList origins; // each row's field as the rules know it, a hidden tag of the row
    for (int i = 0; current >= 0 && i < count; ++i) {
        if (store.subItem(i, Store::LineaID) != order)
            continue;
        int position = -1;
        try {
            position = typeCodeNumber(store.subItem(i, Store::Tipo)) - 1;
        } catch (...) {
            // The grid keeps what a row at a time shows when it stops here: the rows
            // before, and this one up to its length.
            fields.AddRows(rows);
            const int row = fields.AddNew();
            for (const auto &[column, sub] : {copied[0], copied[1], copied[2], copied[3]})
                if (column >= 0)
                    fields.setCell(row, column, store.subItem(i, sub));
            throw;
        }
        QVariantList values(fields.columnCount());
        const auto put = [&values](int column, const QVariant &value) {
            if (column >= 0)
                values[column] = value;
        };
        for (const auto &[column, sub] : copied)
            put(column, store.subItem(i, sub));
        put(tipo,
            position >= 0 && position < types.size() ? QVariant(types.at(position)) : QVariant());
        put(trim, store.subItem(i, Store::Trim) == QLatin1String("SI"));
        rows.append(std::move(values));
        origins.append(store.origin(i));
    }
    fields.AddRows(rows);
    for (int row = 0; row < origins.size(); ++row)
        fields.setRowTag(row, origins.at(row));
}

} // namespace

void refillFields(QWidget *owner, const FieldStore &store, const velkora::controls::DataGrid &lines,
                  velkora::controls::DataGrid &fields, const QString &line)
{
    if (line.isEmpty())
        return;
    try {
        fields.RemoveAll();
        fields.setRedraw(false);
        addStoreRows(store, lines, fields);
        fields.setRedraw(true);
        fields.widenColumnsToFit();
    } catch (const std::exception &error) {
        // Repainting is resumed here too, so the grid never stays frozen.
        fields.setRedraw(true);
        messages::show(owner, messages::refillFailed(host::descriptionOf(error)));
    }
}

} // namespace kesta::editor
