#include "NumberFormat.h"

#include "Digits.h"

namespace velkora::formats {

namespace {

constexpr int MaxDigits = 18; // significant digits that a qint64 always holds

bool isDigitMark(QChar c)
{
    return c == QLatin1Char('0') || c == QLatin1Char('9') || c == QLatin1Char('#');
}

bool isSignMark(QChar c)
{
    return c == QLatin1Char('S') || c == QLatin1Char('+') || c == QLatin1Char('-');
}

} // namespace

NumberFormat NumberFormat::compile(const QString &text, QString *error)
{
    NumberFormat f;
    QString t;
    for (const QChar c : text)
        if (!c.isSpace())
            t += c.toUpper();
    auto fail = [&](const QString &why) {
        f.m_valid = false;
        if (error)
            *error = why;
        return f;
    };
    if (t.isEmpty())
        return f;

    if (isSignMark(t.front()) && t.size() > 1 && isSignMark(t.back()))
        return fail(QStringLiteral("el signo va al principio o al final, no en los dos"));
    if (isSignMark(t.front())) {
        f.m_sign = Sign::Leading;
        t.remove(0, 1);
    } else if (isSignMark(t.back())) {
        f.m_sign = Sign::Trailing;
        t.chop(1);
    }
    if (t.isEmpty())
        return fail(QStringLiteral("no tiene dígitos (0, 9 o #)"));

    int points = 0, commas = 0, vs = 0;
    for (const QChar c : t) {
        if (c == QLatin1Char('.'))
            ++points;
        else if (c == QLatin1Char(','))
            ++commas;
        else if (c == QLatin1Char('V'))
            ++vs;
        else if (!isDigitMark(c))
            return fail(QStringLiteral("el carácter '%1' no es parte del formato de un número "
                                       "(se usan 0, 9, #, punto, coma, V y el signo S, + o -)")
                            .arg(c));
    }

    auto digitsAfter = [&](qsizetype at, bool *hasHash) {
        int count = 0;
        *hasHash = false;
        for (qsizetype i = at + 1; i < t.size(); ++i) {
            if (!isDigitMark(t.at(i)))
                return -1;
            *hasHash = *hasHash || t.at(i) == QLatin1Char('#');
            ++count;
        }
        return count;
    };

    bool hash = false;
    if (vs > 0) {
        if (vs > 1 || points + commas > 0)
            return fail(QStringLiteral("los decimales implícitos (V) no llevan punto ni coma y "
                                       "van una sola vez"));
        const int decimals = digitsAfter(t.indexOf(QLatin1Char('V')), &hash);
        if (decimals < 0)
            return fail(QStringLiteral("después de la V van solo dígitos"));
        f.m_decimal = Decimal::Implied;
        f.m_decimals = decimals;
    } else if (points + commas > 0) {
        // The last separator is the decimal one when digits (not #) follow it and it appears
        // once; the other separator, or a repeated one, groups the integer digits.
        const qsizetype last =
            std::max(t.lastIndexOf(QLatin1Char('.')), t.lastIndexOf(QLatin1Char(',')));
        const QChar mark = t.at(last);
        const int sameCount = mark == QLatin1Char('.') ? points : commas;
        const int otherCount = mark == QLatin1Char('.') ? commas : points;
        const int decimals = digitsAfter(last, &hash);
        const bool decimalMark = sameCount == 1 && decimals > 0 && !hash;
        if (decimalMark) {
            f.m_decimal = mark == QLatin1Char('.') ? Decimal::Point : Decimal::Comma;
            f.m_point = static_cast<char>(mark.unicode());
            f.m_decimals = decimals;
            if (otherCount > 0)
                f.m_group = mark == QLatin1Char('.') ? ',' : '.';
        } else {
            if (otherCount > 0)
                return fail(QStringLiteral("el punto y la coma no pueden agrupar los dos"));
            f.m_group = static_cast<char>(mark.unicode());
        }
    }
    if (f.m_decimals > MaxDigits)
        return fail(QStringLiteral("tiene más de %1 decimales").arg(MaxDigits));
    return f;
}

bool NumberFormat::read(const char *p, int n, NumberValue &value, Problem &problem) const
{
    if (!m_valid) {
        problem = {Problem::BadFormat, -1, 0, 0};
        return false;
    }
    int i = 0;
    int end = n;
    while (i < end && p[i] == ' ')
        ++i;
    if (i == end) {
        problem = {Problem::Blank, -1, 0, 0};
        return false;
    }
    i = 0;
    bool negative = false;
    if (m_sign == Sign::Leading) {
        const char c = p[0];
        if (c == '-' || c == '+' || c == ' ') {
            negative = c == '-';
            i = 1;
        }
    } else if (m_sign == Sign::Trailing) {
        const char c = p[n - 1];
        if (c == '-' || c == '+' || c == ' ') {
            negative = c == '-';
            end = n - 1;
        }
    }

    qint64 mantissa = 0;
    int significant = 0;
    int decimals = 0;
    if (i < end && digits::allDigits(p + i, end - i)) {
        // Digits only, the usual fixed-width amount: counted and converted a word at a time.
        const int count = end - i;
        significant = count - digits::leadingZeros(p + i, count);
        if (significant > MaxDigits) {
            problem = {Problem::TooManyDigits, -1, MaxDigits, 0};
            return false;
        }
        mantissa = qint64(count <= MaxDigits ? digits::value(p + i, count)
                                             : digits::value(p + end - significant, significant));
    } else {
        bool inDecimals = false;
        bool anyDigit = false;
        for (; i < end; ++i) {
            const unsigned char c = static_cast<unsigned char>(p[i]);
            const unsigned digit = c - unsigned('0');
            if (digit < 10) {
                anyDigit = true;
                if (mantissa != 0 || digit != 0) {
                    if (++significant > MaxDigits) {
                        problem = {Problem::TooManyDigits, -1, MaxDigits, 0};
                        return false;
                    }
                }
                mantissa = mantissa * 10 + digit;
                decimals += inDecimals ? 1 : 0;
                continue;
            }
            if (m_point != 0 && c == static_cast<unsigned char>(m_point) && !inDecimals) {
                inDecimals = true;
                continue;
            }
            if (m_group != 0 && c == static_cast<unsigned char>(m_group) && !inDecimals && anyDigit)
                continue;
            problem = {(c == '-' || c == '+') ? Problem::MisplacedSign : Problem::BadCharacter, i,
                       0, 0};
            return false;
        }
        if (!anyDigit) {
            problem = {Problem::NoDigits, -1, 0, 0};
            return false;
        }
    }
    if (m_point != 0) {
        if (decimals > m_decimals) {
            problem = {Problem::TooManyDecimals, -1, decimals, m_decimals};
            return false;
        }
        for (; decimals < m_decimals; ++decimals) {
            if (mantissa != 0 && ++significant > MaxDigits) {
                problem = {Problem::TooManyDigits, -1, MaxDigits, 0};
                return false;
            }
            mantissa *= 10;
        }
    }
    value.mantissa = mantissa;
    value.negative = negative && mantissa != 0;
    return true;
}

} // namespace velkora::formats
