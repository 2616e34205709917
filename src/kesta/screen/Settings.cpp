#include "Settings.h"

#include "host/RuntimeError.h"

#include <QMetaType>

namespace kesta::screen {

namespace {

[[noreturn]] void typeMismatch(const QString &settingName, const QString &shown)
{
    throw host::RuntimeError(
        QStringLiteral("Type mismatch: the setting \"%1\" holds %2, which is not a yes/no value "
                       "(True/False, SI/NO or a number).")
            .arg(settingName, shown));
}

// A number written in text: decimal (with a point), or &H.. / &O.. as the host's settings
// may write whole numbers.
bool textToNumber(const QString &text, double *number)
{
    bool ok = false;
    if (text.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        *number = static_cast<double>(text.mid(2).toLongLong(&ok, 16));
        return ok;
    }
    if (text.startsWith(QLatin1String("&O"), Qt::CaseInsensitive)) {
        *number = static_cast<double>(text.mid(2).toLongLong(&ok, 8));
        return ok;
    }
    *number = text.toDouble(&ok);
    return ok;
}

} // namespace

bool settingToBoolean(const QString &settingName, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return false;

    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return value.toLongLong() != 0;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (number != number) // NaN is no number at all
            typeMismatch(settingName, QStringLiteral("a value that is not a number"));
        return number != 0.0;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QChar: {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return false;
        if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ||
            text.compare(QLatin1String("SI"), Qt::CaseInsensitive) == 0 ||
            text.compare(QStringLiteral("S\u00cd"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 ||
            text.compare(QLatin1String("NO"), Qt::CaseInsensitive) == 0)
            return false;
        double number = 0.0;
        if (textToNumber(text, &number) && number == number)
            return number != 0.0;
        typeMismatch(settingName, QLatin1Char('"') + value.toString() + QLatin1Char('"'));
    }
    default:
        break;
    }
    typeMismatch(settingName,
                 QStringLiteral("a value of type %1").arg(QString::fromLatin1(value.typeName())));
}

} // namespace kesta::screen
