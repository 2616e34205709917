#pragma once

#include "ProposalInternal.h"
#include "formats/DateFormat.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <vector>

namespace velkora::proposal::detail {

// A date format a run of columns is tried in.
struct DateSpec {
    QString name;
    formats::DateFormat format;
    int length = 0;
    bool yearFirst2 = false; // a two-digit year first (YYMMDD, YY-MM-DD)
};

// The formats in their order of preference when several read the same columns (a day-first
// format before a month-first one).
const std::vector<DateSpec> &dateSpecs();

// Years a proposed date may hold.
inline constexpr int FirstYear = 1950;
inline constexpr int LastYear = 2079;

// The years a date may hold, one bit each.
using DateYears = std::bitset<LastYear - FirstYear + 1>;

// A run of columns that reads as a date in one format on the sampled lines, but for `fails`
// of them, and which values it held.
struct DateCandidate {
    int start = 0;
    int spec = 0;
    qint64 fails = 0;
    qint64 zeros = 0;       // lines that held zeros there (no date given), neither read nor failed
    qint32 firstValue = -1; // YYYYMMDD of the first value read
    bool varies = false;    // whether another line held another date
    DateYears years;
    quint32 months = 0;
    quint32 days = 0;

    void note(const formats::DateValue &v);
    // A year that changes more often than both its month and its day is rather digits that
    // happen to read as a date (the year of a file's dates seldom changes).
    bool likely() const;
};

// What the sampled lines of a line type held, column by column.
struct TypeStats {
    int maxFails = 0; // a date candidate that fails on more lines is dropped
    qint64 lines = 0;
    qint64 firstLine = 0;
    int sampled = 0;
    int width = 0;
    std::vector<std::array<int, 4>> counts;  // lines holding each class, by ClassIndex
    std::vector<int> present;                // lines long enough to have the column
    std::vector<char32_t> first;             // the character of the first line that had it
    std::vector<quint8> varies;              // whether another line had another character
    std::vector<std::array<int, 10>> digits; // lines holding each digit
    std::vector<DateCandidate> dates;

    void sample(const DecodedLine &line);

    // Lines holding the digit held most often in the column.
    int topDigit(int column) const
    {
        const std::array<int, 10> &d = digits[size_t(column)];
        return *std::max_element(d.begin(), d.end());
    }

    // Lines holding the class in the column; a line too short to reach it holds a blank.
    int count(int column, int classIndex) const
    {
        const int c = counts[size_t(column)][size_t(classIndex)];
        return classIndex == BlankAt ? c + sampled - present[size_t(column)] : c;
    }

private:
    void checkDates(const char32_t *chars, int have);
    void seedDates(const char32_t *chars, int have);
};

} // namespace velkora::proposal::detail
