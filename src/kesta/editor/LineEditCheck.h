#pragma once

#include "messages/Messages.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kesta::editor {

// The line under edit as the line grid holds it.
struct LineRowInput {
    QString orden;
    QString id;
    QString descripcion;
    QString posicion;
    QString longitud;
};

// One row of the field grid.
struct FieldRowInput {
    QString id;
    QString descripcion;
    QString posicion;
    QString longitud;
    int tipo = -1; // position of the chosen type in the type list; -1 when none is chosen
    QString valor;
    QString formato;
    bool trim = false;
    QString lineaId;
};

// Why a line edit is refused: the message, and what the editor does besides showing it.
struct Refusal {
    messages::Message message;
    bool focusFieldGrid = false; // the fault is in the field grid: it gets the focus
    bool cancelSave = false;     // the toolbar is told that no save takes place
    int fieldRow = -1;           // the field row at fault, -1 for the line
    int column = -1;             // the column at fault, in the field grid or the line grid
    bool placesCursor = true;    // false: the focus and the current cell stay where they are
};

// The checks of a line edit, in their order; the first that fails refuses the edit.
//
//  1 the line's Orden, Descripción, Posicion or Longitud is empty            7500002
//  2 there is more than one line and the line's ID is empty                  7500003
//  - the line's order number, in its stored four-digit form, is another
//    line's too (the two line types would merge when saved)                  7500009
//  - the line's Posicion or Longitud is not a whole number from 1 to the
//    largest value the column stores                                         7500027
//  then, row by row from the first field row:
//  3..6 the row's ID, Posicion, Longitud or Tipo is empty                    7500004..7500007
//  - the row's Posicion or Longitud is out of range as for the line          7500013
//  7 a later row has exactly the same ID (same characters and case)          7500010
//  - a later row's ID gives the same four-digit field number ("1", "01")     7500008
//
// After checks 1 and 2 the focus and the current cell stay where they are; every other refusal
// names the cell at fault, where the editor puts the cursor.
// A field grid without rows counts as one row with every cell empty (refused by check 3).
// `otherOrders` are the Orden values of the other rows of the line grid.
std::optional<Refusal> checkLineEdit(const LineRowInput &line, int lineRowCount,
                                     const QStringList &otherOrders,
                                     const QList<FieldRowInput> &fields);

// Fields of an accepted line that read some of the same columns (CONSTANTE fields read none),
// as the test's review of the format names them, in the order of their positions; empty when
// none do. Meant for a line that passed checkLineEdit.
QStringList overlappingFields(const LineRowInput &line, const QList<FieldRowInput> &fields);

// Where each field row reads and as what ("position|length|type"), in the rows' order.
QStringList fieldColumns(const QList<FieldRowInput> &fields);
// The overlaps (overlappingFields) that an edit brought: those of the accepted rows less those
// of the rows that still read where a field read when the edit began (`columnsAtStart`, each
// taken once), whatever their numbers and descriptions now.
QStringList newOverlaps(const LineRowInput &line, const QList<FieldRowInput> &fields,
                        QStringList columnsAtStart);

// The field number under which a field row is stored: its ID in the four-digit form.
QString fieldNumber(const QString &id);

} // namespace kesta::editor
