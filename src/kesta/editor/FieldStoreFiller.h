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

// Fills the store from the load's open Layout_Detalle record set (ordered by Ly_ID, Ld_Id):
// empties the store, then adds one row per record with the key "K-" Ly_ID "-" Ld_ID and
// Id numbered from `sequence` in steps of 10 across all line types. `sequence` is the load's
// counter (0 at the start of a load) and holds the next number afterwards. Closes the record
// set at its end.
//
// A null in a copied column or a repeated (Ly_ID, Ld_ID) pair raises host::RuntimeError;
// the rows read before it stay in the store.
void fillFieldStore(FieldStore &store, host::RecordSet &details, qint64 &sequence);

} // namespace kesta::editor
