#pragma once

#include <controls/DataGrid.h>

#include <QString>
#include <QVariant>

namespace kesta::editor {

// A cell's value as text (an empty cell reads as an empty text), its column given by the
// grid's column enum (LineColumn, FieldColumn or a dialog's own).
template <typename Column>
QString cellText(const velkora::controls::DataGrid &grid, int row, Column column)
{
    const QVariant value = grid.cell(row, static_cast<int>(column));
    return value.isNull() ? QString() : value.toString();
}

} // namespace kesta::editor
