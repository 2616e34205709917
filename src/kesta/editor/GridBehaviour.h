#pragma once

#include <QObject>
#include <QVariant>
#include <functional>

namespace velkora::controls {
class DataGrid;
}

namespace kesta::editor {

class LineEditor;

// How the line and field grids answer their notifications:
// - the key filter: Enter becomes a TAB (also outside the editing state); no character reaches
//   a cell while the toolbar is not editing; Posicion and Longitud take digits and backspace
//   only (pasted text included);
// - F10 and Shift+F10 hand the grid to the services' grid commands;
// - during a line edit, Down on the field grid's last row (or in an empty field grid) and
//   Insert add a field row, Ctrl+Delete removes the current one;
// - the field grid follows the current line outside a line edit;
// - the line grid holds the line under edit: no move leaves its row for another row while the
//   edit lasts; TAB or Enter on the row's last cell goes on to the field grid's first cell;
// - no cell is edited, by keyboard or mouse, outside a line edit (nor while the toolbar is not
//   editing): the grids always show what the line grid's rows and the field store hold.
class GridBehaviour : public QObject {
    Q_OBJECT
public:
    struct Parts {
        velkora::controls::DataGrid *lines = nullptr;
        velkora::controls::DataGrid *fields = nullptr;
        LineEditor *editor = nullptr;
        QWidget *owner = nullptr;
        std::function<bool()> editMode;              // the toolbar's EditMode
        std::function<void(const QString &)> refill; // RellenaDetalle
    };

    explicit GridBehaviour(Parts parts, QObject *parent = nullptr);

    // The handlers, one per notification (both grids share the key handlers).
    void keyPress(velkora::controls::DataGrid &grid, int &keyAscii);
    void keyDown(velkora::controls::DataGrid &grid, int keyCode, int shift);
    void lineRowChanged(const QVariant &lastRow, int lastColumn);
    void beforeLineMove(bool &cancel);
    void lineGridLeft(bool forward);
    void beforeEdit(bool &cancel);

    // Whether the column of that name takes digits only.
    static bool isFilteredColumn(const QString &name);

private:
    void connectGrid(velkora::controls::DataGrid *grid);

    Parts m_parts;
};

} // namespace kesta::editor
