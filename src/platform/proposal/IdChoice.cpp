// Where the line IDs stand: every place of 1 to 4 characters within the first 10 columns is
// scored on the first lines of the file by how well its values sort the lines into groups of
// the same shape (the character class of every column), with a price for every group and for
// every line it leaves without a group; the cheapest place wins, and no place at all when one
// group of every line is cheaper. See docs/proposal.md.

#include "ProposalInternal.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cmath>

namespace velkora::proposal::detail {

namespace {

// The shape of a line for the choice: whether each column holds a digit. Digits against
// everything else is what tells record layouts apart (amounts, dates and codes against names
// and filler); letters against blanks is what tells one name from another, which says nothing
// of the layout. A missing character counts as a blank (so that blank-padded and right-stripped
// lines have the same shape).
constexpr int ShapeColumns = 256;
constexpr int ShapeClasses = 2;

inline int shapeClass(char32_t c)
{
    return classOf(c) == Digit ? 0 : 1;
}

struct Group {
    quint64 key = 0;
    qint64 lines = 0;
    std::vector<int> counts; // ShapeColumns x ShapeClasses
};

struct Candidate {
    int start = 0;
    int length = 0;
    bool dead = false;
    qint64 unmatched = 0;
    std::vector<Group> groups;
    int lastHit = 0;

    void add(const LineKey &k, const std::array<quint8, ShapeColumns> &shape, int columns)
    {
        if (k.status != LineKey::Ok) {
            ++unmatched;
            return;
        }
        Group *group = nullptr;
        if (lastHit < int(groups.size()) && groups[size_t(lastHit)].key == k.key) {
            group = &groups[size_t(lastHit)];
        } else {
            for (size_t g = 0; g < groups.size(); ++g) {
                if (groups[g].key == k.key) {
                    group = &groups[g];
                    lastHit = int(g);
                    break;
                }
            }
        }
        if (!group) {
            if (int(groups.size()) >= MaxIdValues) {
                dead = true;
                groups.clear();
                groups.shrink_to_fit();
                return;
            }
            groups.push_back({k.key, 0, std::vector<int>(ShapeColumns * ShapeClasses, 0)});
            lastHit = int(groups.size()) - 1;
            group = &groups.back();
        }
        ++group->lines;
        int *counts = group->counts.data();
        for (int j = 0; j < columns; ++j)
            ++counts[j * ShapeClasses + shape[size_t(j)]];
        for (int j = columns; j < ShapeColumns; ++j)
            ++counts[j * ShapeClasses + 1];
    }
};

// The cost in bits of describing the lines' shapes with these groups (a two-part code): the
// group of every line (the entropy of the groups, the lines without one making a group of
// their own); per group and column, the entropy of the classes times the group's lines, half a
// log of the lines per extra class seen, and one bit for the group itself; every line without
// a group costs a bit per column.
double cost(const std::vector<Group> &groups, qint64 unmatched, int columns)
{
    double bits = double(unmatched) * columns;
    // The group of every line, as the entropy of the groups (the lines left without one
    // making a group of their own).
    qint64 total = unmatched;
    for (const Group &g : groups)
        total += g.lines;
    auto label = [&](qint64 n) { return n > 0 ? double(n) * std::log2(double(total) / n) : 0.0; };
    bits += label(unmatched);
    for (const Group &g : groups)
        bits += label(g.lines);
    for (const Group &g : groups) {
        bits += columns * 1.0;
        const double n = double(g.lines);
        const double price = 0.5 * std::log2(n + 1.0);
        for (int j = 0; j < columns; ++j) {
            const int *c = g.counts.data() + j * ShapeClasses;
            int seen = 0;
            double h = 0;
            for (int k = 0; k < ShapeClasses; ++k) {
                if (c[k] == 0)
                    continue;
                ++seen;
                const double p = c[k] / n;
                h -= p * std::log2(p);
            }
            bits += n * h + (seen - 1) * price;
        }
    }
    return bits;
}

} // namespace

LineKey keyOf(const char32_t *chars, int length)
{
    LineKey k;
    bool content = false;
    int used = length;
    while (used > 0 && chars[used - 1] == U' ')
        --used;
    for (int i = 0; i < length; ++i) {
        const char32_t c = chars[i];
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c > 0xFFFF) {
            k.status = LineKey::Invalid;
            return k;
        }
        const quint8 cls = classOf(c);
        content = content || cls == Digit || cls == Letter;
        if (i < used)
            k.key |= quint64(c) << (16 * i);
    }
    k.status = content ? LineKey::Ok : LineKey::Invalid;
    return k;
}

LineKey lineKey(const char *p, qsizetype n, int start, int length, DecodedLine &scratch)
{
    const int end = start + length;
    bool ascii = n >= end;
    for (int i = 0; ascii && i < end; ++i)
        ascii = static_cast<unsigned char>(p[i]) < 0x80;
    char32_t chars[MaxIdLength];
    if (ascii) {
        for (int i = 0; i < length; ++i)
            chars[i] = static_cast<unsigned char>(p[start + i]);
        return keyOf(chars, length);
    }
    if (n < end)
        return {}; // fewer bytes, so fewer characters
    scratch.decode(p, n, end);
    if (scratch.characters < end)
        return {};
    return keyOf(scratch.chars.data() + start, length);
}

QString keyText(quint64 key)
{
    QString text;
    for (int i = 0; i < MaxIdLength; ++i) {
        const auto c = char16_t((key >> (16 * i)) & 0xFFFF);
        if (c == 0)
            break;
        text += QChar(c);
    }
    return text;
}

bool chooseIdPlace(const QString &path, int sampleLines, IdPlace *place, QString *error)
{
    LineReader reader;
    if (!reader.open(path, error))
        return false;
    std::vector<Candidate> candidates;
    for (int length = 1; length <= MaxIdLength; ++length)
        for (int start = 0; start + length <= MaxIdColumns; ++start)
            candidates.push_back({start, length, false, 0, {}, 0});
    Candidate whole{-1, 0, false, 0, {}, 0};

    DecodedLine line;
    std::array<quint8, ShapeColumns> shape{};
    int columns = 0;
    const char *p = nullptr;
    qsizetype n = 0;
    qint64 lines = 0;
    while (lines < std::max(1, sampleLines) && reader.next(p, n)) {
        ++lines;
        line.decode(p, n, ShapeColumns);
        const int have = int(line.chars.size());
        columns = std::max(columns, have);
        for (int j = 0; j < have; ++j)
            shape[size_t(j)] = quint8(shapeClass(line.chars[size_t(j)]));
        LineKey all;
        all.status = LineKey::Ok;
        whole.add(all, shape, have);
        for (Candidate &c : candidates) {
            if (c.dead)
                continue;
            LineKey k;
            if (line.characters >= c.start + c.length)
                k = keyOf(line.chars.data() + c.start, c.length);
            c.add(k, shape, have);
        }
    }
    if (!reader.error().isEmpty()) {
        *error = reader.error();
        return false;
    }
    place->start = -1;
    place->length = 0;
    if (lines == 0 || columns == 0)
        return true;

    double best = cost(whole.groups, 0, columns);
    for (const Candidate &c : candidates) {
        // A place is a candidate when it sorts the lines into at least two groups. Record codes
        // stand at the start of a line: a place further right pays half a bit per column and
        // column of shift, which decides between places only on a few lines.
        if (c.dead || c.groups.size() < 2)
            continue;
        const double bits = cost(c.groups, c.unmatched, columns) + 0.5 * c.start * columns;
        // The candidates are visited shorter first, then from the left: a place that sorts
        // the lines into the same groups as an earlier one costs the same and is passed over.
        if (bits < best - 1e-9 * std::max(1.0, best)) {
            best = bits;
            place->start = c.start;
            place->length = c.length;
        }
    }
    return true;
}

} // namespace velkora::proposal::detail
