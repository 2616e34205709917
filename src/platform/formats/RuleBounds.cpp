#include "RuleBounds.h"

#include "DateFormat.h"

#include <limits>

namespace velkora::formats {

namespace {

// A plain decimal text ("-12.50", "1000") as a mantissa at `decimals` decimals, rounded up
// (ceil) or down; false when it does not read.
bool decimalBound(const QString &text, int decimals, bool up, qint64 *out)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t.remove(0, 1);
    }
    const qsizetype point = t.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? t : t.left(point);
    const QString fraction = point < 0 ? QString() : t.mid(point + 1);
    if ((whole + fraction).isEmpty() || whole.size() > 18 || fraction.size() > 18)
        return false;
    for (const QChar c : whole + fraction)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    __int128 value = 0;
    for (const QChar c : whole)
        value = value * 10 + (c.unicode() - '0');
    bool dropped = false; // digits past the field's decimals that are not zero
    for (int i = 0; i < decimals; ++i)
        value = value * 10 + (i < fraction.size() ? fraction.at(i).unicode() - '0' : 0);
    for (qsizetype i = decimals; i < fraction.size(); ++i)
        dropped = dropped || fraction.at(i) != QLatin1Char('0');
    if (negative)
        value = -value;
    // Round toward the bound's inside: a lower bound up, an upper bound down.
    if (dropped && up && !negative)
        value += 1;
    if (dropped && !up && negative)
        value -= 1;
    if (value > std::numeric_limits<qint64>::max() || value < -std::numeric_limits<qint64>::max())
        return false;
    *out = qint64(value);
    return true;
}

// YYYYMMDD as a number, when it is a real date.
bool dateBound(const QString &text, qint64 *out)
{
    if (text.size() != 8)
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const int y = text.left(4).toInt();
    const int m = text.mid(4, 2).toInt();
    const int d = text.mid(6, 2).toInt();
    if (y < 1 || !isCalendarDate(y, m, d))
        return false;
    *out = qint64(y) * 10000 + m * 100 + d;
    return true;
}

} // namespace

std::optional<RangeBounds> rangeBounds(const ParsedRule &rule, bool onDate, int decimals,
                                       QString *why)
{
    RangeBounds bounds;
    if (onDate) {
        if (!dateBound(rule.low, &bounds.low) || !dateBound(rule.high, &bounds.high)) {
            *why = QStringLiteral("en un campo Fecha, ENTRE lleva dos fechas escritas YYYYMMDD, "
                                  "como 20260101 20261231");
            return std::nullopt;
        }
    } else if (!decimalBound(rule.low, decimals, true, &bounds.low) ||
               !decimalBound(rule.high, decimals, false, &bounds.high)) {
        *why = QStringLiteral("ENTRE lleva dos números, como 1 y 999.99");
        return std::nullopt;
    }
    if (bounds.low > bounds.high) {
        *why = QStringLiteral("el primer valor de ENTRE es mayor que el segundo");
        return std::nullopt;
    }
    return bounds;
}

} // namespace velkora::formats
