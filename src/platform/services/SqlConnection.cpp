#include "SqlConnection.h"

#include "host/RuntimeError.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using kesta::host::Engine;
using kesta::host::RuntimeError;

namespace velkora::services {

Engine engineOf(const QSqlDatabase &db)
{
    const QString driver = db.driverName();
    if (driver.startsWith(QLatin1String("QPSQL")))
        return Engine::PostgreSql;
    if (driver.startsWith(QLatin1String("QODBC")))
        return Engine::SqlServer;
    return Engine::Sqlite;
}

namespace {

QString errorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return text;
}

class SqlRecordSet : public kesta::host::RecordSet {
public:
    explicit SqlRecordSet(QSqlQuery query) : m_query(std::move(query))
    {
        m_atEnd = !m_query.isSelect() || !m_query.next();
        if (m_query.lastError().isValid() && m_query.lastError().type() != QSqlError::NoError)
            throw RuntimeError(errorText(m_query.lastError()));
    }

    bool EndOfSet() const override { return m_atEnd; }

    QVariant Field(const QString &column) const override
    {
        if (m_atEnd)
            throw RuntimeError(QStringLiteral("No current row: the record set is at its end."));
        const QSqlRecord record = m_query.record();
        const int index = record.indexOf(column); // QSqlRecord matches without regard to case
        if (index < 0)
            throw RuntimeError(QStringLiteral("Column '%1' not found in the record set.").arg(column));
        return m_query.value(index);
    }

    void MoveNext() override
    {
        if (m_atEnd)
            throw RuntimeError(QStringLiteral("The record set is already at its end."));
        m_atEnd = !m_query.next();
        if (m_atEnd && m_query.lastError().type() != QSqlError::NoError)
            throw RuntimeError(errorText(m_query.lastError()));
    }

    void Close() override
    {
        m_query.finish();
        m_atEnd = true;
    }

private:
    QSqlQuery m_query;
    bool m_atEnd = true;
};

} // namespace

SqlConnection::SqlConnection(QString connectionName) : m_name(std::move(connectionName)) {}

QSqlDatabase SqlConnection::database() const
{
    QSqlDatabase db = QSqlDatabase::database(m_name, true);
    if (!db.isValid())
        throw RuntimeError(QStringLiteral("The database connection '%1' does not exist.").arg(m_name));
    if (!db.isOpen())
        throw RuntimeError(QStringLiteral("The database connection '%1' is not open: %2")
                               .arg(m_name, errorText(db.lastError())));
    return db;
}

Engine SqlConnection::engine() const { return engineOf(database()); }

std::unique_ptr<kesta::host::RecordSet> SqlConnection::Execute(const QString &statement)
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(statement))
        throw RuntimeError(errorText(query.lastError()));
    return std::make_unique<SqlRecordSet>(std::move(query));
}

void SqlConnection::BeginTrans()
{
    QSqlDatabase db = database();
    if (!db.transaction())
        throw RuntimeError(errorText(db.lastError()));
}

void SqlConnection::CommitTrans()
{
    QSqlDatabase db = database();
    if (!db.commit())
        throw RuntimeError(errorText(db.lastError()));
}

void SqlConnection::RollbackTrans()
{
    QSqlDatabase db = database();
    if (!db.rollback())
        throw RuntimeError(errorText(db.lastError()));
}

} // namespace velkora::services
