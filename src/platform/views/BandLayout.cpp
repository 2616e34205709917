#include "BandLayout.h"

#include <algorithm>

namespace velkora::views {

QList<int> BandLayout::bandsAt(int column) const
{
    QList<int> found;
    for (int b = 0; b < bands.size(); ++b)
        if (bands[b].from <= column && column < bands[b].to)
            found << b;
    return found;
}

int BandLayout::bandOfField(int field) const
{
    for (int b = 0; b < bands.size(); ++b)
        if (bands[b].kind == Band::Kind::Field && bands[b].field == field)
            return b;
    return -1;
}

BandLayout layoutBands(const formats::CompiledLineType &type)
{
    BandLayout layout;
    if (type.idLength > 0)
        layout.bands << Band{Band::Kind::Id, -1, type.idStart, type.idStart + type.idLength, 0,
                             false};
    for (size_t f = 0; f < type.fields.size(); ++f) {
        const formats::CompiledField &field = type.fields[f];
        if (field.readsText && field.usable && field.length > 0)
            layout.bands << Band{Band::Kind::Field,          int(f), field.start,
                                 field.start + field.length, 0,      false};
    }
    std::stable_sort(layout.bands.begin(), layout.bands.end(), [](const Band &a, const Band &b) {
        return a.from != b.from ? a.from < b.from : a.kind == Band::Kind::Id && b.kind != a.kind;
    });

    // Lanes: each band goes to the first lane that is free at its first column.
    QList<int> laneEnds;
    for (Band &band : layout.bands) {
        int lane = 0;
        while (lane < laneEnds.size() && laneEnds[lane] > band.from)
            ++lane;
        if (lane == laneEnds.size())
            laneEnds << 0;
        laneEnds[lane] = band.to;
        band.lane = lane;
    }
    layout.lanes = std::max<int>(1, int(laneEnds.size()));

    // Columns that two fields read: every pair's common columns, merged.
    QList<ColumnRange> common;
    for (int a = 0; a < layout.bands.size(); ++a) {
        for (int b = a + 1; b < layout.bands.size(); ++b) {
            Band &x = layout.bands[a];
            Band &y = layout.bands[b];
            if (x.kind != Band::Kind::Field || y.kind != Band::Kind::Field)
                continue;
            const int from = std::max(x.from, y.from);
            const int to = std::min(x.to, y.to);
            if (from < to) {
                x.overlaps = y.overlaps = true;
                common << ColumnRange{from, to};
            }
        }
    }
    std::sort(common.begin(), common.end(),
              [](const ColumnRange &a, const ColumnRange &b) { return a.from < b.from; });
    for (const ColumnRange &range : common) {
        if (!layout.overlaps.isEmpty() && range.from <= layout.overlaps.back().to)
            layout.overlaps.back().to = std::max(layout.overlaps.back().to, range.to);
        else
            layout.overlaps << range;
    }

    for (const auto &[from, to] : type.gaps)
        layout.gaps << ColumnRange{from, to};
    return layout;
}

} // namespace velkora::views
