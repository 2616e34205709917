#pragma once

#include <QString>

namespace kesta::host {
class RecordSet;
}

namespace kesta::editor {

class FieldStore;

// The load's sequence number as the store's Id column shows it: at least four digits with
// leading zeros ("0000", "0010", ...); never cut ("10000").
QString sequenceText(qint64 sequence);

// The order the load's Layout_Detalle rows come in: already in numeric order (Ly_ID, Ld_Id
// by their lengths first, as storage::loadDetailSelect asks of the engine), or in the primary
// key's order (storage::loadDetailRowsSelect), which the fill puts in numeric order itself.
enum class RowOrder { Numeric, ByPrimaryKey };

// Fills the store from the load's open Layout_Detalle record set: empties the store, then adds
// one row per record, in numeric order, with the key "K-" Ly_ID "-" Ld_ID and Id numbered
// from `sequence` in steps of 10 across all line types. `sequence` is the load's counter (0 at
// the start of a load) and holds the next number afterwards. Reads the record set to its end
// and closes it.
//
// A null in a copied column or a repeated (Ly_ID, Ld_ID) pair raises host::RuntimeError;
// the rows before it stay in the store.
void fillFieldStore(FieldStore &store, host::RecordSet &details, qint64 &sequence,
                    RowOrder order = RowOrder::Numeric);

} // namespace kesta::editor
