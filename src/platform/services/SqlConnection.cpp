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

// Whether the error is a write that collided with another connection's: PostgreSQL's
// serialization failure, deadlock and unique violation (SQLSTATE 40001, 40P01, 23505); SQL
// Server's deadlock victim and duplicate key (1205, 2627, 2601); SQLite's busy and locked
// database and unique constraint (5, 6, 1555, 2067).
bool isConflict(const QSqlError &error)
{
    static const QStringList codes{QStringLiteral("40001"), QStringLiteral("40P01"),
                                   QStringLiteral("23505"), QStringLiteral("1205"),
                                   QStringLiteral("2627"),  QStringLiteral("2601"),
                                   QStringLiteral("5"),     QStringLiteral("6"),
                                   QStringLiteral("1555"),  QStringLiteral("2067")};
    return codes.contains(error.nativeErrorCode().trimmed());
}

[[noreturn]] void raise(const QSqlError &error)
{
    if (isConflict(error))
        throw kesta::host::ConflictError(errorText(error));
    throw RuntimeError(errorText(error));
}

class SqlRecordSet : public kesta::host::RecordSet {
public:
    explicit SqlRecordSet(QSqlQuery query) : m_query(std::move(query))
    {
        m_atEnd = !m_query.isSelect() || !m_query.next();
        if (m_query.lastError().isValid() && m_query.lastError().type() != QSqlError::NoError)
            raise(m_query.lastError());
    }

    bool EndOfSet() const override { return m_atEnd; }

    QVariant Field(const QString &column) const override
    {
        if (m_atEnd)
            throw RuntimeError(QStringLiteral("No current row: the record set is at its end."));
        const QSqlRecord record = m_query.record();
        const int index = record.indexOf(column); // QSqlRecord matches without regard to case
        if (index < 0)
            throw RuntimeError(
                QStringLiteral("Column '%1' not found in the record set.").arg(column));
        return m_query.value(index);
    }

    void MoveNext() override
    {
        if (m_atEnd)
            throw RuntimeError(QStringLiteral("The record set is already at its end."));
        m_atEnd = !m_query.next();
        if (m_atEnd && m_query.lastError().type() != QSqlError::NoError)
            raise(m_query.lastError());
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
        throw RuntimeError(
            QStringLiteral("The database connection '%1' does not exist.").arg(m_name));
    if (!db.isOpen())
        throw RuntimeError(QStringLiteral("The database connection '%1' is not open: %2")
                               .arg(m_name, errorText(db.lastError())));
    return db;
}

Engine SqlConnection::engine() const
{
    return engineOf(database());
}

std::unique_ptr<kesta::host::RecordSet> SqlConnection::Execute(const QString &statement)
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    // Numbers come back as their exact text, never through a binary floating-point value.
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!query.exec(statement))
        raise(query.lastError());
    return std::make_unique<SqlRecordSet>(std::move(query));
}

// Writes run serializable on the shared engines: two users replacing the rows of one key at
// the same moment never leave a mix of both; one of them gets a ConflictError. SQLite has one
// writer at a time anyway (a second one waits for the busy timeout).
void SqlConnection::BeginTrans()
{
    QSqlDatabase db = database();
    const Engine engine = engineOf(db);
    if (engine == Engine::SqlServer) {
        QSqlQuery isolation(db);
        if (!isolation.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL SERIALIZABLE")))
            raise(isolation.lastError());
    }
    if (!db.transaction())
        raise(db.lastError());
    if (engine == Engine::PostgreSql) {
        QSqlQuery isolation(db);
        if (!isolation.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL SERIALIZABLE"))) {
            const QSqlError error = isolation.lastError();
            db.rollback();
            raise(error);
        }
    }
}

void SqlConnection::CommitTrans()
{
    QSqlDatabase db = database();
    if (!db.commit())
        raise(db.lastError());
}

void SqlConnection::RollbackTrans()
{
    QSqlDatabase db = database();
    if (!db.rollback())
        throw RuntimeError(errorText(db.lastError()));
}

} // namespace velkora::services
