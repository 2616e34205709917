#pragma once

class QString;
class QWidget;

namespace velkora::controls {
class DataGrid;
}

namespace kesta::editor {

class FieldStore;

// The field grid refilled from the field store with the fields of the line grid's current row
// (RellenaDetalle): one row per store entry of that line order, its type shown as the type
// list's entry of the type code's number, each row tagged with its field's origin. An empty
// `line` leaves the grid as it is. A type code that is no number stops the refill there (the
// grid keeps the rows before, and that row up to its length) and is told to the user (`owner`
// is the messages' owner).
void refillFields(QWidget *owner, const FieldStore &store, const velkora::controls::DataGrid &lines,
                  velkora::controls::DataGrid &fields, const QString &line);

} // namespace kesta::editor
