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

void appendFirst(std::vector<qint64> &to, const std::vector<qint64> &from, qint64 base,
                 size_t limit)
{
    for (const qint64 line : from) {
        if (to.size() >= limit)
            break;
        to.push_back(base + line);
    }
}

// Empty lines that turn out to stand between lines with text: lines without a line type.
void flush(ListedLines &to, const EmptyRun &run, qint64 base, int limit)
{
    to.count += run.count;
    appendFirst(to.first, run.first, base, size_t(limit));
}

void extend(EmptyRun &to, const EmptyRun &from, qint64 base, int limit)
{
    to.count += from.count;
    appendFirst(to.first, from.first, base, size_t(limit));
}

template <typename Counts> void addCounts(Counts &to, const Counts &from)
{
    for (size_t k = 0; k < from.size(); ++k)
        to[k] += from[k];
}

// The counts of the lines in error (sums: the order of the parts does not matter).
void addEvidence(TypeStat &to, const TypeStat &from, qint64 base)
{
    to.lineErrors += from.lineErrors;
    appendFirst(to.lineErrorFirst, from.lineErrorFirst, base, size_t(FirstLinesPerField));
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
        appendFirst(a.first, b.first, base, size_t(FirstLinesPerField));
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
    if (later.longestLine >= 0 && (longestLine < 0 || later.longest > longest))
        longestLine = base + later.longestLine;
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
        addEvidence(to, from, base);
    }
    // Empty lines at the seam: between lines with text they are lines without a line type.
    if (!anyText) {
        extend(leadingEmpty, later.leadingEmpty, base, listLimit);
        if (later.anyText) {
            anyText = true;
            trailingEmpty = {};
            extend(trailingEmpty, later.trailingEmpty, base, listLimit);
        }
    } else if (!later.anyText) {
        extend(trailingEmpty, later.leadingEmpty, base, listLimit);
    } else {
        flush(unmatched, trailingEmpty, 0, listLimit);
        flush(unmatched, later.leadingEmpty, base, listLimit);
        trailingEmpty = {};
        extend(trailingEmpty, later.trailingEmpty, base, listLimit);
    }
    appendList(unmatched, std::move(later.unmatched), base, listLimit);
    appendList(controlLines, std::move(later.controlLines), base, listLimit);
    appendList(ambiguous, std::move(later.ambiguous), base, listLimit);
    appendList(longLines, std::move(later.longLines), base, listLimit);
    errorCount += later.errorCount;
    untypedErrors += later.untypedErrors;
    for (FieldError &error : later.errors) {
        if (int(errors.size()) >= listLimit)
            break;
        error.line += base;
        errors.push_back(error);
    }
    utf8Lines += later.utf8Lines;
    cp1252Lines += later.cp1252Lines;
    if (firstWide == LineEncoding::Ascii)
        firstWide = later.firstWide;
    for (LineDetail &detail : later.details) {
        if (int(details.size()) >= detailLimit)
            break;
        detail.line += base;
        details.push_back(std::move(detail));
    }
}

void ScanResult::noteEmpty(qint64 line, int listLimit)
{
    EmptyRun &run = anyText ? trailingEmpty : leadingEmpty;
    ++run.count;
    if (run.first.size() < size_t(listLimit))
        run.first.push_back(line);
}

void ScanResult::flushTrailingEmpty(int listLimit)
{
    flush(unmatched, trailingEmpty, 0, listLimit);
    trailingEmpty = {};
}

void ScanResult::settleEmptyLines(bool reverse, int listLimit)
{
    if (!anyText) {
        emptyAtEnd = std::move(leadingEmpty);
    } else if (reverse) {
        emptyAtEnd = std::move(leadingEmpty);
        flush(unmatched, trailingEmpty, 0, listLimit);
    } else {
        emptyAtEnd = std::move(trailingEmpty);
        // The empty lines that open the file come before every other line without a type.
        ListedLines opening;
        flush(opening, leadingEmpty, 0, listLimit);
        appendFirst(opening.first, unmatched.first, 0, size_t(listLimit));
        unmatched.count += opening.count;
        unmatched.first = std::move(opening.first);
    }
    leadingEmpty = {};
    trailingEmpty = {};
}

void ScanResult::numberLines(bool reverse)
{
    const auto number = [&](qint64 index) { return reverse ? lines - index : index + 1; };
    for (ListedLines *list : {&unmatched, &ambiguous, &longLines, &controlLines})
        for (qint64 &line : list->first)
            line = number(line);
    for (qint64 &line : emptyAtEnd.first)
        line = number(line);
    if (longestLine >= 0)
        longestLine = number(longestLine);
    for (TypeStat &type : types) {
        for (GapStat &gap : type.gaps)
            if (gap.first >= 0)
                gap.first = number(gap.first);
        for (FieldStat &field : type.fields)
            for (qint64 &line : field.first)
                line = number(line);
        for (qint64 &line : type.lineErrorFirst)
            line = number(line);
    }
    for (FieldError &error : errors)
        error.line = number(error.line);
    for (LineDetail &detail : details)
        detail.line = number(detail.line);
}

} // namespace velkora::formats
