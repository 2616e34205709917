#include "LoadFormat.h"

namespace velkora::formats {

FieldType fieldTypeFromCode(const QString &code)
{
    const QString c = code.trimmed();
    if (c == QLatin1String("01"))
        return FieldType::Numero;
    if (c == QLatin1String("02"))
        return FieldType::Texto;
    if (c == QLatin1String("03"))
        return FieldType::Fecha;
    if (c == QLatin1String("04"))
        return FieldType::Constante;
    if (c == QLatin1String("05"))
        return FieldType::Sql;
    return FieldType::Unknown;
}

QString fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::Numero:
        return QStringLiteral("NUMERO");
    case FieldType::Texto:
        return QStringLiteral("TEXTO");
    case FieldType::Fecha:
        return QStringLiteral("Fecha");
    case FieldType::Constante:
        return QStringLiteral("CONSTANTE");
    case FieldType::Sql:
        return QStringLiteral("SQL");
    case FieldType::Unknown:
        break;
    }
    return QStringLiteral("?");
}

qint64 orderNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 18)
        return -1;
    qint64 n = 0;
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

} // namespace velkora::formats
