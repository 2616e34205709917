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

// The format's text without blanks, in upper case.
QString compactFormat(const QString &text)
{
    QString t;
    for (const QChar c : text)
        if (!c.isSpace())
            t += c.toUpper();
    return t;
}

// The digit marks after `at` in `t`: their count (-1 when something else follows), and whether
// a # is among them.
int digitsAfter(const QString &t, qsizetype at, bool *hasHash)
{
    int count = 0;
    *hasHash = false;
    for (qsizetype i = at + 1; i < t.size(); ++i) {
        if (!isDigitMark(t.at(i)))
            return -1;
        *hasHash = *hasHash || t.at(i) == QLatin1Char('#');
        ++count;
    }
    return count;
}

// A text of digits alone: its value and significant digits.
bool readDigits(const char *p, int count, qint64 &mantissa, int &significant, Problem &problem)
{
    significant = count - digits::leadingZeros(p, count);
    if (significant > MaxDigits) {
        problem = {Problem::TooManyDigits, -1, MaxDigits, 0};
        return false;
    }
    mantissa = qint64(count <= MaxDigits ? digits::value(p, count)
                                         : digits::value(p + count - significant, significant));
    return true;
}

} // namespace

// The sign mark at either end, taken off `t`.
QString NumberFormat::takeSign(QString &t)
{
    if (isSignMark(t.front()) && t.size() > 1 && isSignMark(t.back()))
        return QStringLiteral("el signo va al principio o al final, no en los dos");
    if (isSignMark(t.front())) {
        m_sign = Sign::Leading;
        t.remove(0, 1);
    } else if (isSignMark(t.back())) {
        m_sign = Sign::Trailing;
        t.chop(1);
    }
    return t.isEmpty() ? QStringLiteral("no tiene dígitos (0, 9 o #)") : QString();
}

// The decimal mark and the grouping from the points, commas and V of `t`.
QString NumberFormat::takeMarks(const QString &t)
{
    int points = 0, commas = 0, vs = 0;
    for (const QChar c : t) {
        if (c == QLatin1Char('.'))
            ++points;
        else if (c == QLatin1Char(','))
            ++commas;
        else if (c == QLatin1Char('V'))
            ++vs;
        else if (!isDigitMark(c))
            return QStringLiteral("el carácter '%1' no es parte del formato de un número (se "
                                  "usan 0, 9, #, punto, coma, V y el signo S, + o -)")
                .arg(c);
    }
    bool hash = false;
    if (vs > 0) {
        if (vs > 1 || points + commas > 0)
            return QStringLiteral("los decimales implícitos (V) no llevan punto ni coma y van "
                                  "una sola vez");
        const int decimals = digitsAfter(t, t.indexOf(QLatin1Char('V')), &hash);
        if (decimals < 0)
            return QStringLiteral("después de la V van solo dígitos");
        m_decimal = Decimal::Implied;
        m_decimals = decimals;
    } else if (points + commas > 0) {
        // The last separator is the decimal one when digits (not #) follow it and it appears
        // once; the other separator, or a repeated one, groups the integer digits.
        const qsizetype last =
            std::max(t.lastIndexOf(QLatin1Char('.')), t.lastIndexOf(QLatin1Char(',')));
        const QChar mark = t.at(last);
        const int sameCount = mark == QLatin1Char('.') ? points : commas;
        const int otherCount = mark == QLatin1Char('.') ? commas : points;
        const int decimals = digitsAfter(t, last, &hash);
        if (sameCount == 1 && decimals > 0 && !hash) {
            m_decimal = mark == QLatin1Char('.') ? Decimal::Point : Decimal::Comma;
            m_point = static_cast<char>(mark.unicode());
            m_decimals = decimals;
            if (otherCount > 0)
                m_group = mark == QLatin1Char('.') ? ',' : '.';
        } else {
            if (otherCount > 0)
                return QStringLiteral("el punto y la coma no pueden agrupar los dos");
            m_group = static_cast<char>(mark.unicode());
        }
    }
    return QString();
}

NumberFormat NumberFormat::compile(const QString &text, QString *error)
{
    NumberFormat f;
    QString t = compactFormat(text);
    if (t.isEmpty())
        return f;
    QString why = f.takeSign(t);
    if (why.isEmpty())
        why = f.takeMarks(t);
    if (why.isEmpty() && f.m_decimals > MaxDigits)
        why = QStringLiteral("tiene más de %1 decimales").arg(MaxDigits);
    if (!why.isEmpty()) {
        f.m_valid = false;
        if (error)
            *error = why;
    }
    return f;
}

// The sign at the end the format puts it: whether it is "-", and the text's digits [*i, *end).
bool NumberFormat::readSign(const char *p, int n, int *i, int *end) const
{
    bool negative = false;
    if (m_sign == Sign::Leading) {
        const char c = p[0];
        if (c == '-' || c == '+' || c == ' ') {
            negative = c == '-';
            *i = 1;
        }
    } else if (m_sign == Sign::Trailing) {
        const char c = p[n - 1];
        if (c == '-' || c == '+' || c == ' ') {
            negative = c == '-';
            *end = n - 1;
        }
    }
    return negative;
}

// Digits with the format's decimal mark and grouping: the mantissa, its significant digits and
// its decimals.
bool NumberFormat::readMarked(const char *p, int i, int end, Reading &r, Problem &problem) const
{
    bool inDecimals = false;
    bool anyDigit = false;
    for (; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        const unsigned digit = c - unsigned('0');
        if (digit < 10) {
            anyDigit = true;
            if ((r.mantissa != 0 || digit != 0) && ++r.significant > MaxDigits) {
                problem = {Problem::TooManyDigits, -1, MaxDigits, 0};
                return false;
            }
            r.mantissa = r.mantissa * 10 + digit;
            r.decimals += inDecimals ? 1 : 0;
            continue;
        }
        if (m_point != 0 && c == static_cast<unsigned char>(m_point) && !inDecimals) {
            inDecimals = true;
            continue;
        }
        if (m_group != 0 && c == static_cast<unsigned char>(m_group) && !inDecimals && anyDigit)
            continue;
        problem = {(c == '-' || c == '+') ? Problem::MisplacedSign : Problem::BadCharacter, i, 0,
                   0};
        return false;
    }
    if (!anyDigit)
        problem = {Problem::NoDigits, -1, 0, 0};
    return anyDigit;
}

// A number read with an explicit decimal mark, brought to the format's decimals.
bool NumberFormat::toDecimals(Reading &r, Problem &problem) const
{
    if (r.decimals > m_decimals) {
        problem = {Problem::TooManyDecimals, -1, r.decimals, m_decimals};
        return false;
    }
    for (; r.decimals < m_decimals; ++r.decimals) {
        if (r.mantissa != 0 && ++r.significant > MaxDigits) {
            problem = {Problem::TooManyDigits, -1, MaxDigits, 0};
            return false;
        }
        r.mantissa *= 10;
    }
    return true;
}

bool NumberFormat::read(const char *p, int n, NumberValue &value, Problem &problem) const
{
    if (!m_valid) {
        problem = {Problem::BadFormat, -1, 0, 0};
        return false;
    }
    int i = 0;
    while (i < n && p[i] == ' ')
        ++i;
    if (i == n) {
        problem = {Problem::Blank, -1, 0, 0};
        return false;
    }
    i = 0;
    int end = n;
    const bool negative = readSign(p, n, &i, &end);
    Reading r;
    // Digits only, the usual fixed-width amount: counted and converted a word at a time.
    const bool read = i < end && digits::allDigits(p + i, end - i)
                          ? readDigits(p + i, end - i, r.mantissa, r.significant, problem)
                          : readMarked(p, i, end, r, problem);
    if (!read || (m_point != 0 && !toDecimals(r, problem)))
        return false;
    value.mantissa = r.mantissa;
    value.negative = negative && r.mantissa != 0;
    return true;
}

} // namespace velkora::formats
