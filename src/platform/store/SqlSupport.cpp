#include "SqlSupport.h"

#include "SqlConnection.h"
#include "host/RuntimeError.h"

#include <QSqlError>

using kesta::host::RuntimeError;

namespace velkora::store {

void prepareSession(QSqlDatabase &db)
{
    if (engineOf(db) == kesta::host::Engine::SqlServer) {
        // The host's statements write dates as 'yyyymmdd' and stamps as
        // 'yyyy-mm-ddThh:mm:ss', which datetime reads alike whatever the language; the date
        // format is fixed as well for any text written otherwise.
        QSqlQuery setup(db);
        setup.exec(QStringLiteral("SET DATEFORMAT ymd"));
    }
}

QString storedTableName(const QSqlDatabase &db, const QString &name)
{
    for (const QString &table : db.tables(QSql::Tables)) {
        const QString bare = table.mid(table.lastIndexOf(QLatin1Char('.')) + 1);
        if (bare.compare(name, Qt::CaseInsensitive) == 0)
            return bare;
    }
    return {};
}

bool hasTable(const QSqlDatabase &db, const QString &name)
{
    return !storedTableName(db, name).isEmpty();
}

QSqlDatabase openedDatabase(const QString &connectionName)
{
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    if (!db.isValid())
        throw RuntimeError(
            QStringLiteral("The database connection '%1' does not exist.").arg(connectionName));
    // A connection closed after it was lost is opened afresh, with its session's settings.
    if (!db.isOpen() && db.open())
        prepareSession(db);
    if (!db.isOpen())
        throw RuntimeError(QStringLiteral("The database connection '%1' is not open: %2")
                               .arg(connectionName, sqlErrorText(db.lastError())));
    return db;
}

QString sqlErrorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return text;
}

void prepare(QSqlQuery &query, const QString &statement)
{
    if (!query.prepare(statement))
        throw RuntimeError(sqlErrorText(query.lastError()));
}

void execute(QSqlQuery &query, const QString &what)
{
    if (!query.exec())
        throw RuntimeError(QStringLiteral("%1: %2").arg(what, sqlErrorText(query.lastError())));
}

void checkIdentifier(const QString &name, const QString &role)
{
    bool ok = !name.isEmpty() && name.size() <= 128;
    for (qsizetype i = 0; ok && i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
        const bool digit = c >= u'0' && c <= u'9';
        ok = letter || (digit && i > 0);
    }
    if (!ok)
        throw RuntimeError(QStringLiteral("'%1' is not a valid %2 name: use letters, digits and "
                                          "underscores, not starting with a digit.")
                               .arg(name, role));
}

} // namespace velkora::store
