#include "SqlConnection.h"

#include "Dialect.h"
#include "OdbcDiagnostics.h"
#include "SchemaUpgrade.h"
#include "SqlFailure.h"
#include "SqlSupport.h"
#include "host/RuntimeError.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using kesta::host::Engine;
using kesta::host::RuntimeError;

namespace velkora::store {

Engine engineOf(const QSqlDatabase &db)
{
    const QString driver = db.driverName();
    if (driver.startsWith(QLatin1String("QPSQL")))
        return Engine::PostgreSql;
    if (driver.startsWith(QLatin1String("QODBC"))) {
        // The engine behind an ODBC connection is the one its driver names (SQL_DBMS_NAME, read
        // by Qt when the connection opens); SQL Server is the host's.
        const QSqlDriver *odbc = db.driver();
        return odbc && odbc->dbmsType() == QSqlDriver::PostgreSQL ? Engine::PostgreSql
                                                                  : Engine::SqlServer;
    }
    return Engine::Sqlite;
}

namespace {

// A failure on the named connection, with the ODBC driver's diagnostic records when there are
// any: when the connection is gone it is closed, so that the next use opens it afresh instead
// of failing for ever; then the failure is raised, as a ConflictError when the write collided
// with another connection's.
[[noreturn]] void raiseOn(QSqlDatabase db, const QSqlError &error,
                          const QList<Diagnostic> &diagnostics)
{
    switch (classifyFailure(db.driverName(), engineOf(db), error, diagnostics)) {
    case FailureKind::LostConnection:
        db.close();
        break;
    case FailureKind::Conflict:
        throw kesta::host::ConflictError(sqlErrorText(error));
    case FailureKind::Other:
        break;
    }
    throw RuntimeError(sqlErrorText(error));
}

// A failed statement: its own diagnostic records.
[[noreturn]] void raiseOn(QSqlDatabase db, const QSqlQuery &query)
{
    raiseOn(db, query.lastError(), odbcDiagnostics(db, query));
}

// A failed begin, commit or rollback: the connection's records.
[[noreturn]] void raiseOnConnection(QSqlDatabase db)
{
    raiseOn(db, db.lastError(), odbcDiagnostics(db));
}

class SqlRecordSet : public kesta::host::RecordSet {
public:
    SqlRecordSet(QSqlDatabase db, QSqlQuery query) : m_db(std::move(db)), m_query(std::move(query))
    {
        m_atEnd = !m_query.isSelect() || !m_query.next();
        if (m_query.lastError().isValid() && m_query.lastError().type() != QSqlError::NoError)
            raiseOn(m_db, m_query);
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
            raiseOn(m_db, m_query);
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
        // A caller asks with the same text object row after row: found by its data first.
        for (const auto &[name, index] : m_indexes)
            if (name.constData() == column.constData() && name.size() == column.size())
                return index;
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

    QSqlDatabase m_db;
    QSqlQuery m_query;
    bool m_atEnd = true;
    mutable QSqlRecord m_columns;
    mutable QList<std::pair<QString, int>> m_indexes;
};

class SqlPreparedStatement : public kesta::host::PreparedStatement {
public:
    SqlPreparedStatement(QSqlDatabase db, const QString &statement)
        : m_db(std::move(db)), m_query(m_db)
    {
        m_query.setForwardOnly(true);
        if (!m_query.prepare(statement))
            raiseOn(m_db, m_query);
    }

    void Run(const QVariantList &values) override
    {
        for (qsizetype i = 0; i < values.size(); ++i) {
            const QVariant &value = values[i];
            // The drivers bind a null text as NULL: an empty text is stored as empty.
            if (value.metaType().id() == QMetaType::QString && value.toString().isNull())
                m_query.bindValue(int(i), QStringLiteral(""));
            else
                m_query.bindValue(int(i), value);
        }
        if (!m_query.exec())
            raiseOn(m_db, m_query);
        m_query.finish();
    }

private:
    QSqlDatabase m_db;
    QSqlQuery m_query;
};

} // namespace

SqlConnection::SqlConnection(QString connectionName) : m_name(std::move(connectionName)) {}

QSqlDatabase SqlConnection::database() const
{
    return openedDatabase(m_name);
}

Engine SqlConnection::engine() const
{
    return engineOf(database());
}

std::unique_ptr<kesta::host::RecordSet> SqlConnection::Execute(const QString &statement)
{
    QSqlDatabase db = database();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // Numbers come back as their exact text, never through a binary floating-point value.
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!query.exec(statement))
        raiseOn(db, query);
    return std::make_unique<SqlRecordSet>(std::move(db), std::move(query));
}

std::unique_ptr<kesta::host::PreparedStatement> SqlConnection::Prepare(const QString &statement)
{
    // Only SQLite's driver binds values for real. Qt's PostgreSQL driver runs a prepared
    // statement as EXECUTE with the values written back into the text, quoted for the backslash
    // setting it found when the connection opened; the statement texts' own literals stay right
    // whatever standard_conforming_strings says at the time (Dialect.h).
    QSqlDatabase db = database();
    if (!db.driverName().startsWith(QLatin1String("QSQLITE")))
        return nullptr;
    return std::make_unique<SqlPreparedStatement>(std::move(db), statement);
}

// Writes run serializable on the shared engines: two users replacing the rows of one key at
// the same moment never leave a mix of both; one of them gets a ConflictError. SQLite has one
// writer at a time: the transaction takes the write lock as it begins (a second writer waits
// for the busy timeout), so that what it reads before its first write cannot change under it.
void SqlConnection::BeginTrans()
{
    QSqlDatabase db = database();
    const Engine engine = engineOf(db);
    if (engine == Engine::SqlServer) {
        QSqlQuery isolation(db);
        if (!isolation.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL SERIALIZABLE")))
            raiseOn(db, isolation);
    }
    if (engine == Engine::Sqlite && db.driverName().startsWith(QLatin1String("QSQLITE"))) {
        // What QSqlDatabase::transaction() runs is a deferred BEGIN; COMMIT and ROLLBACK are
        // the same either way.
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
            raiseOn(db, begin);
        return;
    }
    if (!db.transaction())
        raiseOnConnection(db);
    if (engine == Engine::PostgreSql) {
        QSqlQuery isolation(db);
        if (!isolation.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL SERIALIZABLE"))) {
            const QSqlError error = isolation.lastError();
            const QList<Diagnostic> diagnostics = odbcDiagnostics(db, isolation);
            db.rollback();
            raiseOn(db, error, diagnostics);
        }
    }
}

// One snapshot for the reads of the transaction (Dialect::readIsolation). SQLite: a deferred
// BEGIN, whose first read takes the shared lock that gives the snapshot; another user's save
// goes on meanwhile and commits once the reads end. SQL Server reads serializable (its
// isolation is set before the transaction begins), PostgreSQL one REPEATABLE READ snapshot (set
// as the transaction's first statement).
void SqlConnection::BeginReadTrans()
{
    QSqlDatabase db = database();
    const Engine engine = engineOf(db);
    const QString isolation = dialectFor(engine).readIsolation();
    if (engine == Engine::SqlServer) {
        QSqlQuery set(db);
        if (!set.exec(isolation))
            raiseOn(db, set);
    }
    if (!db.transaction())
        raiseOnConnection(db);
    if (engine != Engine::PostgreSql)
        return;
    QSqlQuery set(db);
    if (!set.exec(isolation)) {
        const QSqlError error = set.lastError();
        const QList<Diagnostic> diagnostics = odbcDiagnostics(db, set);
        db.rollback();
        raiseOn(db, error, diagnostics);
    }
}

void SqlConnection::CommitTrans()
{
    QSqlDatabase db = database();
    if (engineOf(db) == Engine::Sqlite) {
        // SQLite's driver keeps only the text of a failed COMMIT: run here, its code tells a
        // file that another connection holds (busy) from any other failure.
        QSqlQuery commit(db);
        if (!commit.exec(QStringLiteral("COMMIT")))
            raiseOn(db, commit);
        return;
    }
    if (!db.commit())
        raiseOnConnection(db);
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
        raiseOnConnection(db);
}

bool SqlConnection::hasRulesTable() const
{
    return velkora::store::hasRulesTable(m_name);
}

} // namespace velkora::store
