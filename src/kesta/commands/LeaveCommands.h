#pragma once

#include "ScreenParts.h"

#include <QList>
#include <QStringList>

class QObject;

namespace kesta::editor {
class LineEditor;
struct ScreenRule;
} // namespace kesta::editor

namespace kesta::commands {

class UnsavedEdit;

// What ends an edit of the load format without the toolbar's Cancel button: Escape, Salir and
// the window's close button. An edit with changes is never thrown away without a question
// (UnsavedEdit); without changes they act at once.
class LeaveCommands {
public:
    struct Parts {
        velkora::controls::DataGrid *lines = nullptr;  // ssLinea
        velkora::controls::DataGrid *fields = nullptr; // ssDetalle
        editor::LineEditor *lineEditor = nullptr;
        UnsavedEdit *edit = nullptr;     // the load format's edit
        UnsavedEdit *lineEdit = nullptr; // the line edit's
    };

    explicit LeaveCommands(Parts parts);

    // What a cell editor holds counts as typed into its cell, as when the user leaves the cell.
    void settleCellEditors();
    // Escape, the toolbar's Cancel key: whether the toolbar's Cancel runs.
    bool cancelKeyRuns();
    // The window that shows the screen is about to close: whether it stays open.
    bool keepOpen();
    // Salir: asks for `owner` to be unloaded, unless the user keeps an edit with changes.
    void exit(QObject *owner);

private:
    Parts m_parts;
};

// The load format as the screen holds it (key, header, both grids, the field store and the
// rules as shown), to be compared with the edit's start.
QStringList editedContent(const ScreenParts &screen, const QList<editor::ScreenRule> &rules);
// The line edit as the grids hold it: the line row under edit and the field rows that hold
// something (a row with nothing in it is no field).
QStringList lineEditContent(const velkora::controls::DataGrid &lines,
                            const velkora::controls::DataGrid &fields);

} // namespace kesta::commands
