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

// Whether the error says that the connection itself is gone (the server ended it, the network
// failed): SQLSTATE class 08 and PostgreSQL's 57P01-57P03, or the client's own words for it.
bool isLostConnection(const QSqlError &error)
{
    const QString code = error.nativeErrorCode().trimmed();
    if (code.startsWith(QLatin1String("08")) || code == QLatin1String("57P01") ||
        code == QLatin1String("57P02") || code == QLatin1String("57P03"))
        return true;
    const QString text = error.text();
    return text.contains(QLatin1String("server closed the connection"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("no connection to the server"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("terminating connection"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("Communication link failure"), Qt::CaseInsensitive);
}

[[noreturn]] void raise(const QSqlError &error)
{
    if (isConflict(error))
        throw kesta::host::ConflictError(errorText(error));
    throw RuntimeError(errorText(error));
}

// A failure on the named connection: when the connection is gone it is closed, so that the
// next use opens it afresh instead of failing for ever; then the failure is raised.
[[noreturn]] void raiseOn(QSqlDatabase db, const QSqlError &error)
{
    if (isLostConnection(error))
        db.close();
    raise(error);
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
        return m_query.value(indexOf(column));
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
    // The column's index: the columns are looked up once per name asked for (QSqlRecord
    // matches without regard to case), as a load asks for the same columns on every row.
    int indexOf(const QString &column) const
    {
        for (const auto &[name, index] : m_indexes)
            if (name == column)
                return index;
        if (m_columns.isEmpty())
            m_columns = m_query.record();
        const int index = m_columns.indexOf(column);
        if (index < 0)
            throw RuntimeError(
                QStringLiteral("Column '%1' not found in the record set.").arg(column));
        m_indexes.append({column, index});
        return index;
    }

    QSqlQuery m_query;
    bool m_atEnd = true;
    mutable QSqlRecord m_columns;
    mutable QList<std::pair<QString, int>> m_indexes;
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
        raiseOn(database(), query.lastError());
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
            raiseOn(db, isolation.lastError());
    }
    if (!db.transaction())
        raiseOn(db, db.lastError());
    if (engine == Engine::PostgreSql) {
        QSqlQuery isolation(db);
        if (!isolation.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL SERIALIZABLE"))) {
            const QSqlError error = isolation.lastError();
            db.rollback();
            raiseOn(db, error);
        }
    }
}

void SqlConnection::CommitTrans()
{
    QSqlDatabase db = database();
    if (!db.commit())
        raiseOn(db, db.lastError());
}

void SqlConnection::RollbackTrans()
{
    // A connection that was lost (and closed) took its transaction with it: nothing is left
    // to roll back, and opening it again for that would only start a new session.
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (db.isValid() && !db.isOpen())
        return;
    db = database();
    if (!db.rollback())
        raiseOn(db, db.lastError());
}

} // namespace velkora::services
