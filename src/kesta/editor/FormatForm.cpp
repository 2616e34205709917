#include "FormatForm.h"

#include "FieldStore.h"
#include "GridCells.h"
#include "GridColumns.h"

#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

#include <QCheckBox>

namespace kesta::editor {

FormatForm::FormatForm(Parts parts, DateText dateText)
    : m_parts(parts), m_dateText(std::move(dateText))
{}

QList<velkora::store::LayoutLineValues> FormatForm::lineRows() const
{
    // One Layout row per line-grid row, each with the header's values; the save adds the
    // stamp and the operator.
    const velkora::controls::DataGrid &grid = *m_parts.lines;
    QList<velkora::store::LayoutLineValues> rows;
    for (int row = 0; row < grid.Rows(); ++row) {
        velkora::store::LayoutLineValues v;
        v.key = m_parts.key->text();
        v.description = m_parts.description->text();
        v.file = m_parts.file->text();
        v.order = cellText(grid, row, LineColumn::Order);
        v.lineDescription = cellText(grid, row, LineColumn::Description);
        v.lineId = cellText(grid, row, LineColumn::Id);
        v.position = cellText(grid, row, LineColumn::Position);
        v.length = cellText(grid, row, LineColumn::Length);
        v.reverse = m_parts.reverse->isChecked();
        v.user1 = m_parts.userData.user1->text();
        v.user2 = m_parts.userData.user2->text();
        v.user3 = m_parts.userData.user3->text();
        v.user4 = m_parts.userData.user4->text();
        v.date5 = m_dateText(m_parts.userData.date5->date());
        v.date6 = m_dateText(m_parts.userData.date6->date());
        rows << v;
    }
    return rows;
}

QList<velkora::store::LayoutFieldValues> FormatForm::fieldRows() const
{
    // One Layout_Detalle row per field store row, in the store's order.
    const FieldStore &store = *m_parts.fields;
    QList<velkora::store::LayoutFieldValues> rows;
    rows.reserve(store.count());
    for (int i = 0; i < store.count(); ++i) {
        velkora::store::LayoutFieldValues v;
        v.key = m_parts.key->text();
        v.lineId = store.subItem(i, FieldStore::LineaID);
        v.id = store.subItem(i, FieldStore::Id);
        v.description = store.subItem(i, FieldStore::Descripcion);
        v.position = store.subItem(i, FieldStore::Posicion);
        v.length = store.subItem(i, FieldStore::Longitud);
        v.trim = store.subItem(i, FieldStore::Trim);
        v.valor = store.subItem(i, FieldStore::Valor);
        v.formato = store.subItem(i, FieldStore::Formato);
        v.tipo = store.subItem(i, FieldStore::Tipo);
        rows << v;
    }
    return rows;
}

velkora::store::SaveRequest FormatForm::read(bool isNew) const
{
    velkora::store::SaveRequest request;
    request.format = isNew ? velkora::store::LoadFormatWriter::Format::New
                           : velkora::store::LoadFormatWriter::Format::Stored;
    request.key = m_parts.key->text();
    request.description = m_parts.description->text();
    // Without a line type the save refuses before it needs any row.
    if (m_parts.lines->Rows() < 1)
        return request;
    request.lines = lineRows();
    request.fields = fieldRows();
    return request;
}

} // namespace kesta::editor
