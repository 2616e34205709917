#include "KeyList.h"

#include <QDate>
#include <QVariant>

namespace velkora::store {

QString keyListSelect(kesta::host::Engine engine)
{
    // Every engine takes the same statement: a grouped select of plain columns. SQL Server
    // and PostgreSQL order the keys by their collation, SQLite by their characters.
    Q_UNUSED(engine);
    return QStringLiteral("SELECT Ly_Cve_Layout, MAX(Ly_Descripcion) AS Descripcion, "
                          "MAX(Es_Cve_Estado) AS Estado, MAX(Fecha_Alta) AS Alta, "
                          "MAX(Fecha_Ult_Modif) AS Modif, MAX(Fecha_Baja) AS Baja "
                          "FROM Layout GROUP BY Ly_Cve_Layout ORDER BY Ly_Cve_Layout");
}

QDateTime stampOf(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate().startOfDay();
    QString text = value.toString().trimmed();
    if (text.size() > 10 && text.at(10) == QLatin1Char(' '))
        text[10] = QLatin1Char('T');
    QDateTime stamp = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!stamp.isValid())
        stamp = QDate::fromString(text.left(10), Qt::ISODate).startOfDay();
    if (!stamp.isValid())
        stamp = QDate::fromString(text.left(8), QStringLiteral("yyyyMMdd")).startOfDay();
    return stamp;
}

QList<StoredKey> readKeyList(kesta::host::Connection &connection)
{
    QList<StoredKey> keys;
    const std::unique_ptr<kesta::host::RecordSet> rows =
        connection.Execute(keyListSelect(connection.engine()));
    const auto text = [&rows](const char *column) {
        const QVariant value = rows->Field(QString::fromLatin1(column));
        return value.isNull() ? QString() : value.toString();
    };
    while (!rows->EndOfSet()) {
        StoredKey stored{
            text("Ly_Cve_Layout"), text("Descripcion"), text("Estado") == QLatin1String("BA"), {}};
        for (const char *column : {"Alta", "Modif", "Baja"}) {
            const QDateTime stamp = stampOf(rows->Field(QString::fromLatin1(column)));
            if (stamp.isValid() && (!stored.lastChange.isValid() || stamp > stored.lastChange))
                stored.lastChange = stamp;
        }
        keys << stored;
        rows->MoveNext();
    }
    rows->Close();
    return keys;
}

} // namespace velkora::store
