#pragma once

#include <QString>
#include <QVariant>
#include <memory>

namespace kesta::host {

// The database engines a connection can run on. Statement builders ask for it
// because a few statement pieces differ between engines.
enum class Engine { SqlServer, PostgreSql, Sqlite };

QString engineName(Engine engine);

// A forward-only result of Execute: the cursor starts on the first row.
// Every failure raises RuntimeError.
class RecordSet {
public:
    virtual ~RecordSet() = default;
    virtual bool EndOfSet() const = 0;
    // The value of a column of the current row; the name is matched without regard to case.
    // A column that does not exist raises RuntimeError.
    virtual QVariant Field(const QString &column) const = 0;
    virtual void MoveNext() = 0;
    virtual void Close() = 0;
};

// A statement prepared once, with a placeholder (?) for each value, and run as often as needed
// with the values bound in the placeholders' order: a value never becomes statement text. An
// invalid QVariant is NULL; a text is stored as it is (an empty text stays empty). Every
// failure raises RuntimeError (ConflictError for a collision), as Execute does.
class PreparedStatement {
public:
    virtual ~PreparedStatement() = default;
    virtual void Run(const QVariantList &values) = 0;
};

// The host's database connection as the component sees it. It is fetched anew from
// CoreServices::Connection() for every use and never held.
class Connection {
public:
    virtual ~Connection() = default;
    virtual Engine engine() const = 0;
    // Runs one statement as plain command text. Statements that return no rows give an
    // empty record set. A failing statement raises RuntimeError with the database's text.
    virtual std::unique_ptr<RecordSet> Execute(const QString &statement) = 0;
    // Prepares a statement to run with bound values. Null where the connection runs plain
    // statement texts only: the caller then writes the values in their literal forms.
    virtual std::unique_ptr<PreparedStatement> Prepare(const QString &statement)
    {
        Q_UNUSED(statement);
        return nullptr;
    }
    virtual void BeginTrans() = 0;
    // A transaction that only reads: one snapshot of the tables for the statements inside it.
    // Where the engine's write transaction takes a lock that other writers wait for (SQLite's),
    // this one takes none until it reads, and so neither waits behind a save nor holds one up.
    virtual void BeginReadTrans() { BeginTrans(); }
    virtual void CommitTrans() = 0;
    virtual void RollbackTrans() = 0;
    // Whether the database has the table of rules, Layout_Regla. A database made before the
    // rules has not: its formats have no rules and the table is never named in a statement.
    virtual bool hasRulesTable() const = 0;
};

using ConnectionPtr = std::shared_ptr<Connection>;

} // namespace kesta::host
