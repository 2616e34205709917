// The place that names the data records of a file whose labels have a code at the start and
// whose data records have none there (see docs/proposal.md, "Where the line IDs stand").

#include "DataRecordPlace.h"

#include "GroupLayout.h"

#include <algorithm>

namespace velkora::proposal::detail {

namespace {

// The data records sorted by their value at a place.
struct DataGroups {
    std::vector<int> lines;      // the data records, by line of the sample
    std::vector<int> labels;     // per data record, its group
    std::vector<quint64> values; // per group
};

bool sortData(const IdSample &s, const std::vector<char> &isData, IdPlace place, DataGroups *out)
{
    out->lines.clear();
    out->labels.clear();
    out->values.clear();
    for (int i = 0; i < s.lines(); ++i) {
        if (!isData[size_t(i)])
            continue;
        const LineKey k = s.key(i, place);
        if (k.status != LineKey::Ok)
            return false;
        auto it = std::find(out->values.begin(), out->values.end(), k.key);
        if (it == out->values.end()) {
            if (int(out->values.size()) == MaxIdValues)
                return false;
            it = out->values.insert(out->values.end(), k.key);
        }
        out->lines.push_back(i);
        out->labels.push_back(int(it - out->values.begin()));
    }
    // No other line holds a data record's value there.
    for (int i = 0; i < s.lines(); ++i) {
        const LineKey k = s.key(i, place);
        if (!isData[size_t(i)] && k.status == LineKey::Ok &&
            std::find(out->values.begin(), out->values.end(), k.key) != out->values.end())
            return false;
    }
    return !out->values.empty();
}

// Whether two of the values have one layout and their records follow each other both ways:
// the value is then data that varies within one shape (a sort code's digit).
bool variesWithinShape(const IdSample &s, const DataGroups &g)
{
    const size_t n = g.values.size();
    const std::vector<GroupLayout> layouts = groupLayouts(s, g.lines, g.labels, int(n));
    std::vector<char> follows(n * n, 0);
    for (size_t i = 1; i < g.lines.size(); ++i)
        if (g.lines[i] == g.lines[i - 1] + 1)
            follows[size_t(g.labels[i - 1]) * n + size_t(g.labels[i])] = 1;
    for (size_t a = 0; a < n; ++a)
        for (size_t b = a + 1; b < n; ++b)
            if (follows[a * n + b] && follows[b * n + a] && layouts[a].lines >= 2 &&
                layouts[b].lines >= 2 && sameLayout(layouts[a], layouts[b]))
                return true;
    return false;
}

bool namesData(const IdSample &s, const std::vector<char> &isData, IdPlace place)
{
    DataGroups groups;
    return sortData(s, isData, place, &groups) && !variesWithinShape(s, groups);
}

// Whether the data records hold more than one character at a column of the first ones.
bool changes(const IdSample &s, const std::vector<char> &isData, int column)
{
    quint64 seen = 0;
    bool any = false;
    for (int i = 0; i < s.lines(); ++i) {
        if (!isData[size_t(i)])
            continue;
        const LineKey k = s.key(i, {column, 1});
        if (any && k.key != seen)
            return true;
        seen = k.key;
        any = true;
    }
    return false;
}

// The place widened over the columns beside it that change on the data records too.
IdPlace wholeCode(const IdSample &s, const std::vector<char> &isData, IdPlace place)
{
    for (bool grew = true; grew && place.length < MaxIdLength;) {
        grew = false;
        const IdPlace left{place.start - 1, place.length + 1};
        const IdPlace right{place.start, place.length + 1};
        if (place.start > 0 && changes(s, isData, place.start - 1) && namesData(s, isData, left)) {
            place = left;
            grew = true;
        } else if (place.start + place.length < MaxIdColumns &&
                   changes(s, isData, place.start + place.length) && namesData(s, isData, right)) {
            place = right;
            grew = true;
        }
    }
    return place;
}

} // namespace

bool findDataRecordPlace(const IdSample &sample, const std::vector<char> &isData, IdPlace *place)
{
    bool single = false;
    DataGroups groups;
    for (int length = 1; length <= MaxIdLength; ++length) {
        for (int start = 0; start + length <= MaxIdColumns; ++start) {
            const IdPlace at{start, length};
            if (!sortData(sample, isData, at, &groups) || variesWithinShape(sample, groups))
                continue;
            if (groups.values.size() >= 2) {
                *place = wholeCode(sample, isData, at);
                return true;
            }
            if (!single)
                *place = at;
            single = true;
        }
    }
    return single;
}

} // namespace velkora::proposal::detail
