#pragma once

#include "formats/CompiledFormat.h"

#include <QList>

namespace velkora::views {

// Where the ID and the fields of a line type stand on a line: one band per field that reads
// the line (CONSTANTE fields and fields that cannot be read have none), the ID's band, the
// columns that no field reads and the columns that more than one field reads. Columns count
// from 0 and ranges are [from, to).
struct Band {
    enum class Kind { Id, Field };
    Kind kind = Kind::Field;
    int field = -1; // index in the line type, for a field
    int from = 0;
    int to = 0;
    int lane = 0;          // the row of the field strip that shows it: overlapping bands stack
    bool overlaps = false; // another field reads some of its columns
};

struct ColumnRange {
    int from = 0;
    int to = 0; // -1: to the end of the line
};

struct BandLayout {
    QList<Band> bands;           // in column order (the ID first among equals)
    QList<ColumnRange> gaps;     // columns that neither the ID nor a field reads
    QList<ColumnRange> overlaps; // columns that two fields or more read, merged
    int lanes = 1;

    // The bands that take a column (most often one; none in a gap).
    QList<int> bandsAt(int column) const;
    // The band of a field, -1 when it has none.
    int bandOfField(int field) const;
};

BandLayout layoutBands(const formats::CompiledLineType &type);

} // namespace velkora::views
