#pragma once

#include "LineAnalyzer.h"
#include "ScanResult.h"

#include <type_traits>
#include <vector>

// What a line's rules ask of it, each written once: the checks that tell a broken rule
// (LineRules::check, RuleTrack::line) and the pass that takes a line keeping them all
// (RuleTrack::keepsEvery) come to the same verdict because they ask the same questions here.

namespace velkora::formats {

// LONGITUD and ENTRE: a value between its bounds, both included (ENTRE on digits read in place
// compares the keys that order them, digits::Window::key).
template <typename T>
inline bool withinBounds(T value, std::type_identity_t<T> low, std::type_identity_t<T> high)
{
    return value >= low && value <= high;
}

// The value that ENTRE compares: a NUMERO's mantissa with its sign, a Fecha's YYYYMMDD.
inline qint64 rangeValue(const LineAnalyzer::FieldResult &result, bool onDate)
{
    if (onDate)
        return qint64(result.date.year) * 10000 + result.date.month * 100 + result.date.day;
    return result.number.negative ? -result.number.mantissa : result.number.mantissa;
}

// VALORES: a field's text is compared without its blanks at the end.
inline int withoutEndBlanks(const char *p, int n)
{
    while (n > 0 && p[n - 1] == ' ')
        --n;
    return n;
}

// TRAS: the line after one of the line types it allows before it (`previous` -1: after an
// empty line or one without a single line type).
inline bool allowedAfter(const std::vector<char> &after, int previous)
{
    return previous >= 0 && after[size_t(previous)];
}

// SECUENCIA: the number on a line is the one after the previous line's (`unit`: one at the
// field's decimals); a number that does not read, or no previous one, is not.
inline bool followsInSequence(qint64 previous, __int128 unit, qint64 stated)
{
    return previous != NoValue && stated != NoValue && __int128(previous) + unit == stated;
}

// CUENTA and SUMA: a line adds one to a count, or its field's value to a sum; a value that does
// not read adds nothing (it is an error of its own line already).
inline void addToTally(__int128 &sum, qint64 read, bool count)
{
    if (count)
        ++sum;
    else if (read != NoValue)
        sum += read;
}

} // namespace velkora::formats
