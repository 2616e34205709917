#include "ScanResult.h"

#include <algorithm>

namespace velkora::formats {

namespace {

void appendList(ListedLines &to, ListedLines &&from, qint64 base, int limit)
{
    to.count += from.count;
    for (const qint64 line : from.first) {
        if (int(to.first.size()) >= limit)
            break;
        to.first.push_back(base + line);
    }
}

template <typename Counts> void addCounts(Counts &to, const Counts &from)
{
    for (size_t k = 0; k < from.size(); ++k)
        to[k] += from[k];
}

// The counts of the lines in error (sums: the order of the parts does not matter).
void addEvidence(TypeStat &to, const TypeStat &from)
{
    to.errorLines += from.errorLines;
    to.shortLines += from.shortLines;
    addCounts(to.lengths, from.lengths);
    addCounts(to.shiftedLines, from.shiftedLines);
    if (to.fields.size() < from.fields.size())
        to.fields.resize(from.fields.size());
    for (size_t f = 0; f < from.fields.size(); ++f) {
        FieldStat &a = to.fields[f];
        const FieldStat &b = from.fields[f];
        a.lines += b.lines;
        a.blank += b.blank;
        a.pastEnd += b.pastEnd;
        addCounts(a.shifted, b.shifted);
        if (a.otherDates.size() < b.otherDates.size())
            a.otherDates.resize(b.otherDates.size());
        addCounts(a.otherDates, b.otherDates);
    }
}

} // namespace

void ScanResult::append(ScanResult &&later, int listLimit, int detailLimit)
{
    const qint64 base = lines;
    lines += later.lines;
    bytes += later.bytes;
    longest = std::max(longest, later.longest);
    if (types.size() < later.types.size())
        types.resize(later.types.size());
    for (size_t t = 0; t < later.types.size(); ++t) {
        TypeStat &to = types[t];
        const TypeStat &from = later.types[t];
        to.lines += from.lines;
        to.longest = std::max(to.longest, from.longest);
        if (to.gaps.size() < from.gaps.size())
            to.gaps.resize(from.gaps.size());
        for (size_t g = 0; g < from.gaps.size(); ++g) {
            if (to.gaps[g].first < 0 && from.gaps[g].first >= 0)
                to.gaps[g].first = base + from.gaps[g].first;
            to.gaps[g].lines += from.gaps[g].lines;
        }
        addEvidence(to, from);
    }
    appendList(unmatched, std::move(later.unmatched), base, listLimit);
    appendList(ambiguous, std::move(later.ambiguous), base, listLimit);
    appendList(longLines, std::move(later.longLines), base, listLimit);
    errorCount += later.errorCount;
    for (FieldError &error : later.errors) {
        if (int(errors.size()) >= listLimit)
            break;
        error.line += base;
        errors.push_back(error);
    }
    utf8Lines += later.utf8Lines;
    cp1252Lines += later.cp1252Lines;
    for (LineDetail &detail : later.details) {
        if (int(details.size()) >= detailLimit)
            break;
        detail.line += base;
        details.push_back(std::move(detail));
    }
}

void ScanResult::numberLines(bool reverse)
{
    const auto number = [&](qint64 index) { return reverse ? lines - index : index + 1; };
    for (ListedLines *list : {&unmatched, &ambiguous, &longLines})
        for (qint64 &line : list->first)
            line = number(line);
    for (TypeStat &type : types)
        for (GapStat &gap : type.gaps)
            if (gap.first >= 0)
                gap.first = number(gap.first);
    for (FieldError &error : errors)
        error.line = number(error.line);
    for (LineDetail &detail : details)
        detail.line = number(detail.line);
}

} // namespace velkora::formats
