#pragma once

#include "LineEditCheck.h"

#include <QList>

namespace velkora::controls {
class DataGrid;
}

namespace kesta::editor {

class LineEditor;

// A line type with its field rows, as the user types them into the line and field grids.
struct LineTypeInput {
    LineRowInput line;
    QList<FieldRowInput> fields;
};

// Enters line types one after the other the way the user does: "Nuevo", the line's cells,
// a field row for each field with its cells, and "Aceptar". The line editor does the rest,
// so every one of its checks applies and its commit fills the field store; nothing is saved.
class LineTypeEntry {
public:
    struct Parts {
        velkora::controls::DataGrid *lines = nullptr;  // ssLinea
        velkora::controls::DataGrid *fields = nullptr; // ssDetalle
        LineEditor *editor = nullptr;
    };

    explicit LineTypeEntry(Parts parts);

    // Returns how many line types the editor accepted. It stops at the first it refuses (its
    // message already shown): the ones before stay accepted, and the refused one stays under
    // edit as the user would have left it, when its edit could begin.
    int enter(const QList<LineTypeInput> &lineTypes);

private:
    bool enterOne(const LineTypeInput &lineType);
    void typeFieldRow(const FieldRowInput &field);

    Parts m_parts;
};

} // namespace kesta::editor
