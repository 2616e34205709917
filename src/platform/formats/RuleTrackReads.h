#pragma once

#include "Digits.h"
#include "LineAnalyzer.h"
#include "RuleTrack.h"
#include "RuleVerdicts.h"

// What the pass of a line that keeps every rule reads of a line, one line at a time
// (RuleTrack::keepsEvery) or over a bulk of lines (RuleTrack::settleBulk).

namespace velkora::formats::passreads {

// A number of a line without fields in error, as the rules read it (runningNumber): its
// mantissa with its sign, 0 when empty.
inline qint64 signedNumber(const LineAnalyzer::FieldResult &result)
{
    const qint64 mantissa = result.empty ? 0 : result.number.mantissa;
    return result.number.negative ? -mantissa : mantissa;
}

// A number the pass reads: on a line whose values are left unworked (InPlace), a digits-only
// field's from its digits (every digits-only field that lies whole on the line holds digits
// alone, or its mask would have failed); else its result's.
template <bool InPlace>
inline qint64 numberOf(const RuleTrack::Pass::Number &number,
                       const LineAnalyzer::FieldResult *results, const char *bytes)
{
    if (InPlace && number.inPlace)
        return qint64(number.words ? number.window.value(bytes + number.end)
                                   : digits::value(bytes + number.end - number.size, number.size));
    return signedNumber(results[number.field]);
}

// VALORES: whether the text [p, p + n) of a field is among its values (blanks at its start
// dropped when the field is trimmed, at its end always).
inline bool amongValues(const RuleTrack::Pass::Values &values, const char *p, int n)
{
    while (values.trimmed && n > 0 && *p == ' ') {
        ++p;
        --n;
    }
    return values.rules->amongValues(p, withoutEndBlanks(p, n));
}

// A text of one or two characters as a number, its first byte the lowest: its place in a
// VALORES table (Pass::Values::among).
inline unsigned shortText(const char *p, int size)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(p);
    return size == 1 ? bytes[0] : bytes[0] | unsigned(bytes[1]) << 8;
}

} // namespace velkora::formats::passreads
