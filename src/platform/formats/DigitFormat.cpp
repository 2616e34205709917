#include "DigitFormat.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace velkora::formats {

bool isDigitFormat(const QString &format)
{
    if (format.isEmpty())
        return false;
    for (const QChar c : format) {
        if (c != QLatin1Char('0') && c != QLatin1Char('#'))
            return false;
    }
    return true;
}

QString applyDigitFormat(const QString &text, const QString &format)
{
    if (!isDigitFormat(format))
        return text;
    QString number = text.trimmed();
    bool negative = false;
    if (number.startsWith(QLatin1Char('-'))) {
        negative = true;
        number.remove(0, 1);
    }
    if (number.isEmpty())
        return text;
    for (const QChar c : number) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return text;
    }
    qsizetype firstSignificant = 0;
    while (firstSignificant < number.size() - 1 && number.at(firstSignificant) == QLatin1Char('0'))
        ++firstSignificant;
    number = number.mid(firstSignificant);
    const qsizetype places = format.count(QLatin1Char('0'));
    if (number.size() < places)
        number = QString(places - number.size(), QLatin1Char('0')) + number;
    if (negative && number.contains(QRegularExpression(QStringLiteral("[1-9]"))))
        number.prepend(QLatin1Char('-'));
    return number;
}

QString valueText(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return {};
    const int type = value.metaType().id();
    if (type == QMetaType::Double || type == QMetaType::Float) {
        const double number = value.toDouble();
        if (std::isfinite(number) && number == std::trunc(number) && std::abs(number) < 1e15)
            return QString::number(static_cast<qlonglong>(number));
        return QLocale::c().toString(number, 'g', 15);
    }
    return value.toString();
}

} // namespace velkora::formats
