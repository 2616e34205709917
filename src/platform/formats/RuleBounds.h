#pragma once

#include "RuleParser.h"

#include <QString>
#include <optional>

namespace velkora::formats {

// ENTRE's two bounds as the test compares them: on a NUMERO, mantissas at the field's decimals
// (a lower bound rounded up, an upper bound down); on a Fecha, YYYYMMDD as a number.
struct RangeBounds {
    qint64 low = 0;
    qint64 high = 0;
};

// The bounds of an ENTRE rule on a NUMERO of `decimals` decimals or on a Fecha; nothing, with
// *why in plain Spanish, when a bound does not read or the first is greater than the second.
std::optional<RangeBounds> rangeBounds(const ParsedRule &rule, bool onDate, int decimals,
                                       QString *why);

} // namespace velkora::formats
