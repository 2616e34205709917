#include "Conversion.h"

namespace velkora::formats {

QString numberText(const NumberValue &value, int decimals)
{
    QString digits = QString::number(value.mantissa);
    if (decimals > 0) {
        if (digits.size() <= decimals)
            digits = QString(decimals + 1 - digits.size(), QLatin1Char('0')) + digits;
        digits.insert(digits.size() - decimals, QLatin1Char('.'));
    }
    if (value.negative && value.mantissa != 0)
        digits.prepend(QLatin1Char('-'));
    return digits;
}

QString dateText(const DateValue &value)
{
    return QStringLiteral("%1-%2-%3")
        .arg(value.year, 4, 10, QLatin1Char('0'))
        .arg(value.month, 2, 10, QLatin1Char('0'))
        .arg(value.day, 2, 10, QLatin1Char('0'));
}

} // namespace velkora::formats

namespace velkora::formats {

QString sqlWithText(const QString &expression, const QString &text)
{
    QString literal = text;
    literal.replace(QLatin1Char('\''), QLatin1String("''"));
    literal = QLatin1Char('\'') + literal + QLatin1Char('\'');
    QString shown;
    bool quoted = false;
    bool marker = false;
    for (const QChar c : expression) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (c == QLatin1Char('?') && !quoted) {
            shown += literal;
            marker = true;
        } else {
            shown += c;
        }
    }
    return marker ? shown : QStringLiteral("%1 (%2)").arg(expression, literal);
}

} // namespace velkora::formats
