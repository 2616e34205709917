// Where the line IDs stand (see docs/proposal.md): every place of 1 to 4 characters within the
// first 20 columns sorts the first lines of the file into groups by the value it holds. A
// place is kept only when it tells layouts apart: a place whose groups are those of a shorter
// one, further split, is kept only when every group it splits holds lines of different
// layouts. Of the places kept, the one whose groups describe the lines' layouts in the fewest
// bits wins, each of its groups told apart by a second place (a segment letter) when one sorts
// its lines into groups that all differ in layout, whose values no other line holds there,
// and that describe its lines in fewer bits. Its line types, once split, count once per layout.

#include "DataRecordPlace.h"
#include "GroupLayout.h"
#include "IdSample.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>

namespace velkora::proposal::detail {

namespace {

constexpr double SecondPlaceBits = 8;

// The lines of a sample sorted by the value they hold at a place.
struct Partition {
    IdPlace place;
    std::vector<int> labels;     // per line; -1 for a line without a value there
    std::vector<quint64> values; // per group, in order of first appearance
    std::vector<qint64> sizes;   // lines per group
    qint64 unmatched = 0;
};

// Sorts `lines` by their value at `place`; false with more than MaxIdValues values, or when
// `everyLine` asks for a value on every line and one has none.
bool sortLines(const IdSample &sample, const std::vector<int> &lines, IdPlace place, bool everyLine,
               Partition *out)
{
    out->place = place;
    out->labels.assign(lines.size(), -1);
    out->values.clear();
    out->sizes.clear();
    out->unmatched = 0;
    int last = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        const LineKey k = sample.key(lines[i], place);
        if (k.status != LineKey::Ok) {
            if (everyLine)
                return false;
            ++out->unmatched;
            continue;
        }
        int group = last >= 0 && out->values[size_t(last)] == k.key ? last : -1;
        for (int g = 0; group < 0 && g < int(out->values.size()); ++g)
            if (out->values[size_t(g)] == k.key)
                group = g;
        if (group < 0) {
            if (int(out->values.size()) == MaxIdValues)
                return false;
            out->values.push_back(k.key);
            out->sizes.push_back(0);
            group = int(out->values.size()) - 1;
        }
        out->labels[i] = group;
        ++out->sizes[size_t(group)];
        last = group;
    }
    return true;
}

// The bits of the group labels: n log2(total / n) for a group of n lines.
double labelBits(qint64 n, qint64 total)
{
    return n > 0 ? double(n) * std::log2(double(total) / double(n)) : 0.0;
}

// Whether every group of `fine` lies within one group of `coarse` (over the same lines), and
// every group of `coarse` that `fine` splits holds lines of at least two layouts (or a part of
// fewer than 5 lines, too few to say it has another's layout: the bits decide).
bool splitsOnlyLayouts(const Partition &fine, const std::vector<GroupLayout> &fineLayouts,
                       const std::vector<int> &coarse)
{
    std::vector<int> within(fine.values.size(), -2);
    for (size_t i = 0; i < fine.labels.size(); ++i) {
        const int g = fine.labels[i];
        if (g < 0)
            continue;
        if (coarse[i] < 0 || (within[size_t(g)] != -2 && within[size_t(g)] != coarse[i]))
            return true; // not a finer sorting of the same lines: nothing to compare
        within[size_t(g)] = coarse[i];
    }
    std::map<int, std::vector<int>> parts; // coarse group -> its fine groups
    for (size_t g = 0; g < within.size(); ++g)
        parts[within[g]].push_back(int(g));
    for (const auto &[coarseGroup, groups] : parts) {
        if (groups.size() < 2)
            continue;
        bool differ = std::any_of(groups.begin(), groups.end(),
                                  [&](int g) { return fineLayouts[size_t(g)].lines < FewLines; });
        for (size_t a = 0; a < groups.size() && !differ; ++a)
            for (size_t b = a + 1; b < groups.size() && !differ; ++b)
                differ =
                    !sameLayout(fineLayouts[size_t(groups[a])], fineLayouts[size_t(groups[b])]);
        if (!differ)
            return false;
    }
    return true;
}

// The layouts of a place's groups, the groups of one layout (of 20 lines or more each)
// together.
struct Layouts {
    std::vector<GroupLayout> layouts;
    std::vector<int> onlyGroup; // per layout, its group when it has one only, else -1
};

Layouts mergeAlike(const std::vector<GroupLayout> &groups)
{
    std::vector<int> root(groups.size());
    for (size_t g = 0; g < groups.size(); ++g)
        root[g] = int(g);
    auto find = [&](int g) {
        while (root[size_t(g)] != g)
            g = root[size_t(g)] = root[size_t(root[size_t(g)])];
        return g;
    };
    // Groups of fewer lines are told apart by the bits of their own: what their layouts hold
    // in common may be chance.
    for (size_t a = 0; a < groups.size(); ++a)
        for (size_t b = a + 1; b < groups.size(); ++b)
            if (groups[a].lines >= ReliableLines && groups[b].lines >= ReliableLines &&
                find(int(a)) != find(int(b)) && sameLayout(groups[a], groups[b]))
                root[size_t(find(int(b)))] = find(int(a));
    Layouts merged;
    std::vector<int> index(groups.size(), -1);
    for (size_t g = 0; g < groups.size(); ++g) {
        const int r = find(int(g));
        if (index[size_t(r)] < 0) {
            index[size_t(r)] = int(merged.layouts.size());
            merged.layouts.push_back(groups[g]);
            merged.onlyGroup.push_back(int(g));
            continue;
        }
        GroupLayout &into = merged.layouts[size_t(index[size_t(r)])];
        into.lines += groups[g].lines;
        for (size_t j = 0; j < into.counts.size(); ++j)
            into.counts[j] += groups[g].counts[j];
        merged.onlyGroup[size_t(index[size_t(r)])] = -1;
    }
    return merged;
}

class Chooser {
public:
    Chooser(const IdSample &sample, bool twoLevels) : s(sample), m_twoLevels(twoLevels)
    {
        for (int length = 1; length <= MaxIdLength; ++length)
            for (int start = 0; start + length <= MaxIdColumns; ++start)
                m_places.push_back({start, length});
        m_all.resize(size_t(s.lines()));
        for (int i = 0; i < s.lines(); ++i)
            m_all[size_t(i)] = i;
    }

    IdScheme choose();

private:
    struct Split {
        IdPlace place;
        double bits = 0;
        std::vector<GroupLayout> layouts; // of its groups
    };
    // The best second place for the lines of one group, if any tells them apart; with
    // `extending`, only a place that takes in the first and goes on after it. With `enough`,
    // the first place found in fewer bits than that will do.
    bool bestSplit(const Partition &first, int group, Split *split, bool extending = false,
                   double enough = 0);
    std::vector<std::unique_ptr<Partition>> sortingPlaces() const;
    // The bits of the lines' layouts described by the place kept[c]; infinite when it cannot
    // beat `best` or is longer than it needs to be. `splits`: its groups' second places.
    double placeBits(const std::vector<std::unique_ptr<Partition>> &kept, size_t c, double best,
                     std::vector<IdScheme::Split> *splits);
    double lineTypeBits(const std::vector<GroupLayout> &layouts,
                        const std::vector<std::vector<GroupLayout>> &segments) const;
    // A record code at the start of the lines that names their shapes, when there is one.
    bool leadingCode(IdScheme *scheme);
    // Labels with a code at the start beside data records that hold data there.
    bool labelsAndData(IdScheme *scheme);
    std::vector<char> dataRecords(const Partition &p);
    bool fewLinesOfOneShape(const Partition &p) const;
    bool namesShapes(const Partition &p, std::vector<IdScheme::Split> *splits);
    bool severalShapes(const Partition &p, int group, const GroupLayout &layout);
    std::vector<int> lineTypesOf(const Partition &p,
                                 const std::vector<IdScheme::Split> &splits) const;
    bool sameShapeInterleaved(const std::vector<GroupLayout> &layouts,
                              const std::vector<int> &types) const;
    void widenUniformly(const Partition &p, IdScheme *scheme);
    // How many lines of the whole sample hold the value at the place.
    int holding(IdPlace place, quint64 value);

    const IdSample &s;
    bool m_twoLevels;
    std::vector<IdPlace> m_places;
    std::vector<int> m_all;
    std::map<std::pair<int, int>, QHash<quint64, int>> m_holding;
};

int Chooser::holding(IdPlace place, quint64 value)
{
    auto [it, added] = m_holding.try_emplace({place.start, place.length});
    if (added) {
        for (int i = 0; i < s.lines(); ++i) {
            const LineKey k = s.key(i, place);
            if (k.status == LineKey::Ok)
                ++it->second[k.key];
        }
    }
    return it->second.value(value);
}

bool Chooser::bestSplit(const Partition &first, int group, Split *split, bool extending,
                        double enough)
{
    std::vector<int> lines;
    for (size_t i = 0; i < first.labels.size(); ++i)
        if (first.labels[i] == group)
            lines.push_back(int(i));
    const qint64 n = qint64(lines.size());
    if (n < 2)
        return false;
    // The places that take in the record type's and go on after it first ("90" and "99" after
    // a record type "9"): of places that cost alike, an ID that reads as one code is kept.
    std::vector<IdPlace> order;
    for (const IdPlace &place : m_places)
        if (place.start == first.place.start && place.length > first.place.length)
            order.push_back(place);
    for (const IdPlace &place : m_places)
        if (!extending && (place.start != first.place.start || place.length <= first.place.length))
            order.push_back(place);
    bool found = false;
    std::vector<std::vector<int>> seen;
    Partition sub;
    for (const IdPlace &place : order) {
        if (!sortLines(s, lines, place, true, &sub) || sub.values.size() < 2)
            continue;
        bool alone = true; // no line of another group holds one of these values there
        for (size_t v = 0; v < sub.values.size() && alone; ++v)
            alone = holding(place, sub.values[v]) == sub.sizes[v];
        if (!alone)
            continue;
        if (std::find(seen.begin(), seen.end(), sub.labels) != seen.end())
            continue; // the same groups as a shorter or earlier place
        seen.push_back(sub.labels);
        const std::vector<GroupLayout> layouts =
            groupLayouts(s, lines, sub.labels, int(sub.values.size()));
        bool allDiffer = true;
        for (size_t a = 0; a < layouts.size() && allDiffer; ++a)
            for (size_t b = a + 1; b < layouts.size() && allDiffer; ++b)
                allDiffer = !sameLayout(layouts[a], layouts[b]);
        if (!allDiffer)
            continue;
        // A second place costs a few bits more than the same groups found at the first place
        // alone.
        double bits = SecondPlaceBits;
        for (size_t h = 0; h < layouts.size(); ++h)
            bits += layoutBits(layouts[h]) + labelBits(sub.sizes[h], n);
        if (!found || bits < split->bits) {
            *split = {place, bits, layouts};
            found = true;
            if (bits < enough)
                return true;
        }
    }
    return found;
}

IdScheme Chooser::choose()
{
    IdScheme scheme;
    const qint64 total = s.lines();
    const int width = s.width();
    if (total == 0 || width == 0)
        return scheme;
    if (m_twoLevels && (leadingCode(&scheme) || labelsAndData(&scheme)))
        return scheme;
    const std::vector<int> none(size_t(total), 0);
    double best = layoutBits(groupLayouts(s, m_all, none, 1).front());
    const std::vector<std::unique_ptr<Partition>> kept = sortingPlaces();
    for (size_t c = 0; c < kept.size(); ++c) {
        std::vector<IdScheme::Split> splits;
        const double bits = placeBits(kept, c, best, &splits);
        if (bits < best - 1e-9 * std::max(1.0, best)) {
            best = bits;
            scheme.first = kept[c]->place;
            scheme.splits = std::move(splits);
        }
    }
    return scheme;
}

// The places that sort the lines into at least two groups, each sorting once (the shorter,
// then the earlier place).
std::vector<std::unique_ptr<Partition>> Chooser::sortingPlaces() const
{
    std::vector<std::unique_ptr<Partition>> kept;
    for (const IdPlace &place : m_places) {
        auto p = std::make_unique<Partition>();
        if (!sortLines(s, m_all, place, false, p.get()) || p->values.size() < 2)
            continue;
        const bool repeated = std::any_of(kept.begin(), kept.end(),
                                          [&](const auto &k) { return k->labels == p->labels; });
        if (!repeated)
            kept.push_back(std::move(p));
    }
    return kept;
}

double Chooser::placeBits(const std::vector<std::unique_ptr<Partition>> &kept, size_t c,
                          double best, std::vector<IdScheme::Split> *splits)
{
    constexpr double Never = std::numeric_limits<double>::infinity();
    const Partition &p = *kept[c];
    const qint64 total = s.lines();
    const int width = s.width();
    // Lines without a value cost a bit per column; a place further right half a bit per
    // column and column of shift (record codes stand at the start of a line).
    double bits = labelBits(p.unmatched, total) + double(p.unmatched) * width +
                  0.5 * p.place.start * width;
    // At least one layout, of a bit per column: a place that cannot win is not looked at.
    if (!(bits + width < best - 1e-9 * std::max(1.0, best)))
        return Never;
    const std::vector<GroupLayout> layouts = groupLayouts(s, m_all, p.labels, int(p.values.size()));
    // Longer than it needs to be: it splits a group of the whole file, or of another place,
    // into groups of one layout.
    const std::vector<int> none(size_t(total), 0);
    bool needed = splitsOnlyLayouts(p, layouts, none);
    for (size_t o = 0; o < kept.size() && needed; ++o)
        if (o != c)
            needed = splitsOnlyLayouts(p, layouts, kept[o]->labels);
    if (!needed)
        return Never;
    // Scored on the layouts it tells apart, not on how it spells them: its groups of one
    // layout count as one (credits and debits told apart by a transaction code are one
    // layout, whatever their codes hold), and each group more than its layouts costs a bit
    // per column, as a group of its own would.
    const Layouts merged = mergeAlike(layouts);
    std::vector<std::vector<GroupLayout>> segments(p.values.size()); // of a split group
    for (size_t k = 0; k < merged.layouts.size(); ++k) {
        // A layout of one group may be told apart by a second place; in two groups or more
        // its lines cost at least two bits per column.
        Split split;
        const int g = merged.onlyGroup[k];
        const double layoutCost = layoutBits(merged.layouts[k]);
        if (m_twoLevels && g >= 0 && layoutCost > 2.0 * width + SecondPlaceBits &&
            bestSplit(p, g, &split) && split.bits < layoutCost) {
            splits->push_back({p.values[size_t(g)], split.place});
            segments[size_t(g)] = std::move(split.layouts);
            bits += SecondPlaceBits;
        }
    }
    return bits + lineTypeBits(layouts, segments);
}

// The line types of one layout count as one too, once the groups are split: a code that some
// lines of a segment hold and the other segment's lines share ("17" on some detail "T"
// records, "06" on the rest and on the "U" records) sorts the "T" records into two line types
// of one layout, and what it says of their content (unpaid titles fill a field that paid ones
// leave zero) grows with the file, where the headers and trailers it leaves without a group
// cost the same however long the file is.
double Chooser::lineTypeBits(const std::vector<GroupLayout> &layouts,
                             const std::vector<std::vector<GroupLayout>> &segments) const
{
    std::vector<GroupLayout> lineTypes;
    for (size_t g = 0; g < layouts.size(); ++g) {
        if (segments[g].empty())
            lineTypes.push_back(layouts[g]);
        else
            lineTypes.insert(lineTypes.end(), segments[g].begin(), segments[g].end());
    }
    const Layouts types = mergeAlike(lineTypes);
    double bits = double(lineTypes.size() - types.layouts.size()) * s.width();
    for (const GroupLayout &layout : types.layouts)
        bits += labelBits(layout.lines, s.lines()) + layoutBits(layout);
    return bits;
}

// Standards put their record type at the start of the line, 1, 2 or 4 characters: the shortest
// such place whose values name the lines' shapes is their IDs. It names them when every group
// it sorts the lines into is one shape, or several told apart by a longer code at the start
// (a record "2" of articles "21", "22", "23"), and no two of its line types have one shape (the
// value would then be data that varies within a shape: a sort code, a routing number, a
// count). Every line with text must hold a value there. A first character that is the same
// on every line, all of one shape, is a file of one kind of line.
bool Chooser::leadingCode(IdScheme *scheme)
{
    for (int length = 1; length <= MaxIdLength; ++length) {
        Partition p;
        if (!sortLines(s, m_all, {0, length}, false, &p) || p.values.empty())
            continue;
        bool everyLine = true;
        for (size_t i = 0; i < p.labels.size() && everyLine; ++i) {
            const quint8 *shape = s.shape(int(i));
            everyLine = p.labels[i] >= 0 || std::all_of(shape, shape + s.width(),
                                                        [](quint8 c) { return c == BlankSymbol; });
        }
        if (!everyLine)
            continue;
        if (p.values.size() == 1) {
            // The same character first on every line, of one shape: one kind of line (a code
            // further on would split that shape).
            if (length == 1 && !severalShapes(p, 0, groupLayouts(s, m_all, p.labels, 1).front()))
                return true;
            continue;
        }
        std::vector<IdScheme::Split> splits;
        if (!namesShapes(p, &splits))
            continue;
        scheme->first = p.place;
        scheme->splits = std::move(splits);
        widenUniformly(p, scheme);
        return true;
    }
    return false;
}

// A file of labels and data records (Bacs Standard 18: "VOL1", "HDR1", "UHL1" and data records
// that start with a sort code): the first character sorts the data records by data, groups of
// one shape whose lines follow each other both ways. Those records, and any other of their
// shape (a contra record), are the data records; the other lines must be named by a code at
// the start, and the data records at a place of their own (a transaction code) that no label
// holds.
bool Chooser::labelsAndData(IdScheme *scheme)
{
    Partition p;
    if (!sortLines(s, m_all, {0, 1}, false, &p) || p.values.size() < 2)
        return false;
    const std::vector<char> isData = dataRecords(p);
    if (std::find(isData.begin(), isData.end(), 1) == isData.end() ||
        std::find(isData.begin(), isData.end(), 0) == isData.end())
        return false;
    std::vector<int> labelLines;
    for (size_t i = 0; i < isData.size(); ++i)
        if (!isData[i])
            labelLines.push_back(int(i));
    for (int length = 1; length <= MaxIdLength; ++length) {
        Partition labels;
        if (!sortLines(s, labelLines, {0, length}, false, &labels))
            continue;
        std::vector<int> all(isData.size(), -1); // the data records in no group
        for (size_t k = 0; k < labelLines.size(); ++k)
            all[size_t(labelLines[k])] = labels.labels[k];
        labels.labels = std::move(all);
        std::vector<IdScheme::Split> splits;
        if (!fewLinesOfOneShape(labels) || !namesShapes(labels, &splits))
            continue;
        IdScheme found{labels.place, std::move(splits), {}, {}};
        widenUniformly(labels, &found);
        for (size_t i = 0; i < isData.size(); ++i) {
            const LineKey k = s.key(int(i), found.first);
            if (!isData[i] && k.status == LineKey::Ok && !found.isCode(k.key))
                found.codes.push_back(k.key);
        }
        bool apart = true; // no data record holds a label's code at its place
        for (size_t i = 0; i < isData.size() && apart; ++i) {
            const LineKey k = s.key(int(i), found.first);
            apart = !isData[i] || k.status != LineKey::Ok || !found.isCode(k.key);
        }
        if (apart && findDataRecordPlace(s, isData, &found.dataPlace)) {
            *scheme = std::move(found);
            return true;
        }
    }
    return false;
}

// Whether every group of fewer than ReliableLines lines holds lines of one shape: labels of
// one line each ("HDR1" and "HDR2") are too few for the bits to tell their shapes apart.
bool Chooser::fewLinesOfOneShape(const Partition &p) const
{
    std::vector<int> first(p.values.size(), -1);
    for (size_t i = 0; i < p.labels.size(); ++i) {
        const int g = p.labels[i];
        if (g < 0 || p.sizes[size_t(g)] >= ReliableLines)
            continue;
        if (first[size_t(g)] < 0) {
            first[size_t(g)] = int(i);
            continue;
        }
        const std::vector<GroupLayout> two =
            groupLayouts(s, {first[size_t(g)], int(i)}, {0, 1}, 2);
        if (!sameLayout(two[0], two[1]))
            return false;
    }
    return true;
}

// The lines of the groups of one shape that follow each other both ways, and of any other
// group of their shape.
std::vector<char> Chooser::dataRecords(const Partition &p)
{
    const size_t n = p.values.size();
    const std::vector<GroupLayout> layouts = groupLayouts(s, m_all, p.labels, int(n));
    std::vector<char> follows(n * n, 0);
    for (size_t i = 1; i < p.labels.size(); ++i)
        if (p.labels[i - 1] >= 0 && p.labels[i] >= 0)
            follows[size_t(p.labels[i - 1]) * n + size_t(p.labels[i])] = 1;
    std::vector<char> data(n, 0);
    for (size_t a = 0; a < n; ++a) {
        for (size_t b = a + 1; b < n; ++b) {
            const bool bothWays = follows[a * n + b] && follows[b * n + a];
            if (bothWays && std::min(layouts[a].lines, layouts[b].lines) >= 2 &&
                sameLayout(layouts[a], layouts[b]))
                data[a] = data[b] = 1;
        }
    }
    for (size_t g = 0; g < n; ++g)
        for (size_t d = 0; d < n && !data[g]; ++d)
            data[g] = data[d] == 1 && sameLayout(layouts[g], layouts[d]) ? 2 : 0;
    std::vector<char> isData(p.labels.size(), 0);
    for (size_t i = 0; i < p.labels.size(); ++i)
        isData[i] = p.labels[i] >= 0 && data[size_t(p.labels[i])];
    return isData;
}

// Whether a second place tells the group's lines apart in fewer bits: its lines come in
// several shapes.
bool Chooser::severalShapes(const Partition &p, int group, const GroupLayout &layout)
{
    const double cost = layoutBits(layout);
    Split any;
    return cost > 2.0 * s.width() + SecondPlaceBits && bestSplit(p, group, &any, false, cost) &&
           any.bits < cost;
}

bool Chooser::namesShapes(const Partition &p, std::vector<IdScheme::Split> *splits)
{
    const std::vector<GroupLayout> layouts = groupLayouts(s, m_all, p.labels, int(p.values.size()));
    for (size_t g = 0; g < layouts.size(); ++g) {
        if (!severalShapes(p, int(g), layouts[g]))
            continue;
        const double cost = layoutBits(layouts[g]);
        Split code;
        if (!bestSplit(p, int(g), &code, true) || code.bits >= cost)
            return false; // its shapes are told apart elsewhere than by a code at the start
        splits->push_back({p.values[g], code.place});
    }
    const std::vector<int> types = lineTypesOf(p, *splits);
    const int count = 1 + *std::max_element(types.begin(), types.end());
    return !sameShapeInterleaved(groupLayouts(s, m_all, types, count), types);
}

// The line type of each sampled line: its group, or for a group told apart at a second place,
// its value there.
std::vector<int> Chooser::lineTypesOf(const Partition &p,
                                      const std::vector<IdScheme::Split> &splits) const
{
    std::map<std::pair<int, quint64>, int> index;
    std::vector<int> types(p.labels.size(), -1);
    for (size_t i = 0; i < p.labels.size(); ++i) {
        const int g = p.labels[i];
        if (g < 0)
            continue;
        quint64 sub = 0;
        for (const IdScheme::Split &split : splits)
            if (split.value == p.values[size_t(g)])
                sub = s.key(int(i), split.place).key;
        const auto [it, added] = index.try_emplace({g, sub}, int(index.size()));
        types[i] = it->second;
    }
    return types;
}

// Whether two line types of two lines or more have one shape and their lines follow each
// other both ways (a line of the one after a line of the other, and the other way round): the
// value that tells them apart then varies within one shape (a sort code, a routing number, a
// transaction code). Record types of one shape keep an order (an old balance before its
// movements, a new balance after them), and a header or a trailer of one line is too little
// to tell.
bool Chooser::sameShapeInterleaved(const std::vector<GroupLayout> &layouts,
                                   const std::vector<int> &types) const
{
    const size_t n = layouts.size();
    std::vector<char> follows(n * n, 0); // [a * n + b]: a line of b right after one of a
    for (size_t i = 1; i < types.size(); ++i)
        if (types[i - 1] >= 0 && types[i] >= 0)
            follows[size_t(types[i - 1]) * n + size_t(types[i])] = 1;
    for (size_t a = 0; a < n; ++a)
        for (size_t b = a + 1; b < n; ++b)
            if (follows[a * n + b] && follows[b * n + a] && layouts[a].lines >= 2 &&
                layouts[b].lines >= 2 && sameLayout(layouts[a], layouts[b]))
                return true;
    return false;
}

// A code whose every line type is told apart at one longer place, of as many characters on
// every line ("11", "22", "23", "33", "88"), is that place: the code of the standard, not a
// first character with extensions. A line type whose code ends sooner (a record "4" followed
// by a blank, beside articles "21" and "22") keeps the first place: what follows its code
// may be data (an account structure, a statement number) that the next file changes.
void Chooser::widenUniformly(const Partition &p, IdScheme *scheme)
{
    if (scheme->splits.empty())
        return;
    const IdPlace wide = scheme->splits.front().place;
    for (const IdScheme::Split &split : scheme->splits)
        if (split.place != wide || wide.start != 0)
            return;
    std::vector<quint64> valueOf(p.values.size(), 0);
    for (size_t i = 0; i < p.labels.size(); ++i) {
        const int g = p.labels[i];
        if (g < 0)
            continue;
        const LineKey k = s.key(int(i), wide);
        if (k.status != LineKey::Ok || keyText(k.key).size() != wide.length)
            return;
        if (scheme->splitOf(p.values[size_t(g)]))
            continue;
        if (valueOf[size_t(g)] != 0 && valueOf[size_t(g)] != k.key)
            return; // the longer place would split one shape
        valueOf[size_t(g)] = k.key;
    }
    scheme->first = wide;
    scheme->splits.clear();
}

} // namespace

IdScheme chooseIdScheme(const IdSample &sample, bool twoLevels)
{
    return Chooser(sample, twoLevels).choose();
}

} // namespace velkora::proposal::detail
