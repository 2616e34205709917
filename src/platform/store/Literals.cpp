#include "Literals.h"

#include "Dialect.h"
#include "host/RuntimeError.h"

#include <formats/TextRules.h>

#include <algorithm>

namespace velkora::store {

namespace {

QString enclose(const QString &value, QChar quote)
{
    QString doubled = value;
    doubled.replace(quote, QString(2, quote));
    return quote + doubled + quote;
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Splits a whole number into its sign and digits; false when the text is not one.
bool splitWholeNumber(const QString &text, QString &sign, QString &digits)
{
    const QString t = text.trimmed();
    int start = 0;
    if (!t.isEmpty() && (t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-'))) {
        sign = t[0] == QLatin1Char('-') ? QStringLiteral("-") : QString();
        start = 1;
    }
    digits = t.mid(start);
    if (digits.isEmpty())
        return false;
    for (QChar c : digits)
        if (!isDigit(c))
            return false;
    return true;
}

} // namespace

QString quotedText(kesta::host::Engine engine, const QString &value)
{
    const Dialect dialect = dialectFor(engine);
    const QString quoted = enclose(value, QLatin1Char('\''));
    if (dialect.escapeStringForBackslash() && value.contains(QLatin1Char('\\'))) {
        QString escaped = quoted;
        escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        return QLatin1Char('E') + escaped;
    }
    if (dialect.unicodeTexts())
        return QLatin1Char('N') + quoted;
    return quoted;
}

QString doubleQuotedText(kesta::host::Engine engine, const QString &value)
{
    return quotedText(engine, value);
}

qsizetype firstUnstorableCharacter(const QString &text)
{
    return velkora::formats::firstNonTextCharacter(text);
}

bool fitsDecimal(const QString &value, int integerDigits, int decimals)
{
    if (!isPlainNumber(value))
        return false;
    const QString number = numberText(value, QString());
    const qsizetype point = number.indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? number : number.left(point);
    QString fraction = point < 0 ? QString() : number.mid(point + 1);
    if (whole.startsWith(QLatin1Char('-')) || whole.startsWith(QLatin1Char('+')))
        whole.remove(0, 1);
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    return whole.size() <= integerDigits && fraction.size() <= decimals;
}

QString decimalNumber(const QString &value, const QString &what, int integerDigits, int decimals)
{
    const QString number = numberText(value, what);
    if (!fitsDecimal(number, integerDigits, decimals))
        throw kesta::host::RuntimeError(
            QStringLiteral("%1 holds at most %2 whole digits and %3 decimals, not \"%4\".")
                .arg(what)
                .arg(integerDigits)
                .arg(decimals)
                .arg(value));
    return number;
}

QString decimalText(kesta::host::Engine engine, const QString &value, const QString &what,
                    int integerDigits, int decimals)
{
    const QString number = decimalNumber(value, what, integerDigits, decimals);
    if (dialectFor(engine).quotedDecimals())
        return enclose(number, QLatin1Char('\''));
    return number;
}

QVariant boundNumber(const QString &value, const QString &what)
{
    const QString number = numberText(value, what);
    bool whole = false;
    const qlonglong n = number.toLongLong(&whole);
    return whole ? QVariant(n) : QVariant(number);
}

QVariant boundText(const QString &value)
{
    return value.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(value);
}

bool isPlainNumber(const QString &value)
{
    QString t = value.trimmed();
    if (t.count(QLatin1Char(',')) == 1 && !t.contains(QLatin1Char('.')))
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    int i = 0;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    int points = 0;
    for (; i < t.size(); ++i) {
        if (isDigit(t[i]))
            ++digits;
        else if (t[i] == QLatin1Char('.') && ++points == 1)
            continue;
        else
            return false;
    }
    return digits > 0;
}

QString numberText(const QString &value, const QString &what)
{
    if (!isPlainNumber(value)) {
        const QString name = what.isEmpty() ? QStringLiteral("A numeric value") : what;
        throw kesta::host::RuntimeError(
            QStringLiteral("%1 must be a plain number (digits, an optional sign and at most one "
                           "decimal point), not \"%2\".")
                .arg(name, value));
    }
    QString t = value.trimmed();
    if (t.count(QLatin1Char(',')) == 1 && !t.contains(QLatin1Char('.')))
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    return t;
}

QString fourDigits(const QString &value)
{
    // Digits only, four of them or more without a leading zero: already in the form (the
    // usual case, every number a load read), kept without a copy.
    if (value.size() >= 4 && (value.size() == 4 || value.front() != QLatin1Char('0')) &&
        std::all_of(value.cbegin(), value.cend(), isDigit))
        return value;
    QString sign;
    QString digits;
    if (!splitWholeNumber(value, sign, digits))
        return value;
    int firstSignificant = 0;
    while (firstSignificant < digits.size() - 1 && digits[firstSignificant] == QLatin1Char('0'))
        ++firstSignificant;
    digits = digits.mid(firstSignificant);
    if (digits == QLatin1String("0"))
        sign.clear();
    if (digits.size() < 4)
        digits.prepend(QString(4 - digits.size(), QLatin1Char('0')));
    return sign + digits;
}

QString fourDigitText(kesta::host::Engine engine, const QString &value)
{
    return quotedText(engine, fourDigits(value));
}

QString dateText(kesta::host::Engine engine, const QString &formattedDate)
{
    return quotedText(engine, formattedDate);
}

QString stampText(kesta::host::Engine engine, const QString &formattedStamp)
{
    return quotedText(engine, formattedStamp);
}

QString operatorText(kesta::host::Engine engine, const QString &operatorCode)
{
    return quotedText(engine, operatorCode);
}

QString literal(kesta::host::Engine engine, LiteralForm form, const QString &value,
                const QString &what)
{
    switch (form) {
    case LiteralForm::QuotedText:
        return quotedText(engine, value);
    case LiteralForm::Number:
        return numberText(value, what);
    case LiteralForm::FourDigitText:
        return fourDigitText(engine, value);
    case LiteralForm::DateText:
        return dateText(engine, value);
    case LiteralForm::StampText:
        return stampText(engine, value);
    case LiteralForm::OperatorText:
        return operatorText(engine, value);
    case LiteralForm::DoubleQuotedText:
        return doubleQuotedText(engine, value);
    case LiteralForm::DecimalNumber:
        return decimalText(engine, value, what, 16, 4);
    }
    return quotedText(engine, value);
}

} // namespace velkora::store
