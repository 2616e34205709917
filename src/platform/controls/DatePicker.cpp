#include "SmallControls.h"

#include <QLocale>

namespace velkora::controls {

DatePicker::DatePicker(QWidget *parent) : QDateEdit(QDate::currentDate(), parent)
{
    setCalendarPopup(true);
    // The locale's short date order, always with a four-digit year.
    QString format = locale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    setDisplayFormat(format);
}

void DatePicker::clearValue()
{
    setDate(QDate::currentDate());
}

} // namespace velkora::controls
