#include "LineTypeEntry.h"

#include "GridColumns.h"
#include "LineEditor.h"

#include <controls/DataGrid.h>

namespace kesta::editor {

using velkora::controls::DataGrid;

LineTypeEntry::LineTypeEntry(Parts parts) : m_parts(parts) {}

int LineTypeEntry::enter(const QList<LineTypeInput> &lineTypes)
{
    int accepted = 0;
    for (const LineTypeInput &lineType : lineTypes) {
        if (!enterOne(lineType))
            break;
        ++accepted;
    }
    return accepted;
}

bool LineTypeEntry::enterOne(const LineTypeInput &lineType)
{
    LineEditor &editor = *m_parts.editor;
    editor.startNew();
    if (!editor.LineEditActive())
        return false; // "Nuevo" was refused
    DataGrid &lines = *m_parts.lines;
    const int row = editor.EditedLineRow();
    const LineRowInput &line = lineType.line;
    lines.setCell(row, columnOf(LineColumn::Order), line.orden);
    lines.setCell(row, columnOf(LineColumn::Id), line.id);
    lines.setCell(row, columnOf(LineColumn::Description), line.descripcion);
    lines.setCell(row, columnOf(LineColumn::Position), line.posicion);
    lines.setCell(row, columnOf(LineColumn::Length), line.longitud);
    for (const FieldRowInput &field : lineType.fields)
        typeFieldRow(field);
    return editor.accept();
}

void LineTypeEntry::typeFieldRow(const FieldRowInput &field)
{
    m_parts.editor->addFieldRow();
    DataGrid &fields = *m_parts.fields;
    const int row = fields.currentRow();
    fields.setCell(row, columnOf(FieldColumn::Id), field.id);
    fields.setCell(row, columnOf(FieldColumn::Description), field.descripcion);
    fields.setCell(row, columnOf(FieldColumn::Position), field.posicion);
    fields.setCell(row, columnOf(FieldColumn::Length), field.longitud);
    fields.setListIndex(row, columnOf(FieldColumn::Type), field.tipo);
    fields.setCell(row, columnOf(FieldColumn::Value), field.valor);
    fields.setCell(row, columnOf(FieldColumn::Format), field.formato);
    fields.setCell(row, columnOf(FieldColumn::Trim), field.trim);
}

} // namespace kesta::editor
