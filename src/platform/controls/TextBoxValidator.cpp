#include "TextBoxValidator.h"

#include "TextBox.h"

namespace velkora::controls {

TextBoxValidator::TextBoxValidator(TextBox *box) : QValidator(box), m_box(box)
{
    setObjectName(QStringLiteral("textBoxValidator"));
}

QValidator::State TextBoxValidator::validate(QString &input, int &) const
{
    if (m_box->isNumeric()) {
        input.replace(QLatin1Char(','), QLatin1Char('.'));
        return validateNumber(input, m_box->decimales());
    }
    return Acceptable;
}

QValidator::State TextBoxValidator::validateNumber(const QString &input, int decimals)
{
    qsizetype i = 0;
    if (i < input.size() && (input.at(i) == QLatin1Char('-') || input.at(i) == QLatin1Char('+')))
        ++i;
    int digits = 0;
    int fraction = -1; // -1: no decimal point yet
    for (; i < input.size(); ++i) {
        const QChar c = input.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            ++digits;
            if (fraction >= 0 && ++fraction > decimals)
                return Invalid;
        } else if (c == QLatin1Char('.') && fraction < 0 && decimals > 0) {
            fraction = 0;
        } else {
            return Invalid;
        }
    }
    return digits > 0 ? Acceptable : Intermediate;
}

} // namespace velkora::controls
