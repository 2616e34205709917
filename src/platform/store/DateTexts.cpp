#include "DateTexts.h"

#include "host/RuntimeError.h"

using kesta::host::Engine;
using kesta::host::RuntimeError;

namespace velkora::store {

QString dateText(Engine engine, const QDate &date)
{
    if (!date.isValid())
        throw RuntimeError(QStringLiteral("The date is not valid and cannot be written."));
    if (date.year() < 1 || date.year() > 9999)
        throw RuntimeError(
            QStringLiteral("The date's year %1 is outside 1 to 9999.").arg(date.year()));
    if (engine == Engine::SqlServer)
        return date.toString(QStringLiteral("yyyyMMdd"));
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString stampText(Engine engine, const QDateTime &stamp)
{
    if (!stamp.isValid())
        throw RuntimeError(QStringLiteral("The date and time are not valid and cannot be "
                                          "written."));
    // The stamp is written as the local wall-clock time, as the operator sees it.
    const QDateTime local = stamp.toLocalTime();
    const QString date = dateText(Engine::Sqlite, local.date());
    const QString time = local.time().toString(QStringLiteral("HH:mm:ss"));
    return date + (engine == Engine::SqlServer ? QLatin1Char('T') : QLatin1Char(' ')) + time;
}

} // namespace velkora::store
