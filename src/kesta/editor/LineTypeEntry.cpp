#include "LineTypeEntry.h"

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
    lines.setCell(row, QStringLiteral("Orden"), line.orden);
    lines.setCell(row, QStringLiteral("ID"), line.id);
    lines.setCell(row, QStringLiteral("Descripción"), line.descripcion);
    lines.setCell(row, QStringLiteral("Posicion"), line.posicion);
    lines.setCell(row, QStringLiteral("Longitud"), line.longitud);
    for (const FieldRowInput &field : lineType.fields)
        typeFieldRow(field);
    return editor.accept();
}

void LineTypeEntry::typeFieldRow(const FieldRowInput &field)
{
    m_parts.editor->addFieldRow();
    DataGrid &fields = *m_parts.fields;
    const int row = fields.currentRow();
    fields.setCell(row, QStringLiteral("ID"), field.id);
    fields.setCell(row, QStringLiteral("Descripción"), field.descripcion);
    fields.setCell(row, QStringLiteral("Posicion"), field.posicion);
    fields.setCell(row, QStringLiteral("Longitud"), field.longitud);
    fields.setListIndex(row, QStringLiteral("Tipo"), field.tipo);
    fields.setCell(row, QStringLiteral("Valor"), field.valor);
    fields.setCell(row, QStringLiteral("FORMATO"), field.formato);
    fields.setCell(row, QStringLiteral("Trim"), field.trim);
}

} // namespace kesta::editor
