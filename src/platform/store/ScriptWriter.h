#pragma once

#include "store/SqlEngine.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

namespace velkora::store {

// Writes rows as an SQL script that recreates them on an empty database of the same engine:
// one INSERT per row, the columns by name, every value in the literal form of its type for
// the engine, each statement ended with ";" on a line of its own.
//   NULL                NULL
//   numbers             bare: 42, -3.5, 2.0000 (exact decimals as the database gives them;
//                       binary floating point in the shortest form that reads back the same)
//   texts               'O''Brien': quotes doubled; on PostgreSQL E'C:\\dir' when the text
//                       holds a backslash; on SQL Server N'...' so that any character survives.
//                       Line breaks and other control characters are written as char(10) (SQLite),
//                       E'\n' (PostgreSQL) or NCHAR(10) (SQL Server), so that a script kept in
//                       version control survives any change of its line ends.
//   dates and stamps    '2026-12-06', '2026-12-06 10:30:15.250' (SQL Server: '20261206',
//                       '2026-12-06T10:30:15.250'); PostgreSQL's stamps and times to the
//                       microsecond, as the database writes them: '2026-12-06 10:30:15.123456'
//   table               the name as the database stores it (Layout_Detalle, layout_detalle)
//   booleans            TRUE/FALSE on PostgreSQL, 1/0 elsewhere
//   binary              X'0AFF' (SQLite), decode('0aff', 'hex') (PostgreSQL), 0x0AFF (SQL Server)
class ScriptWriter {
public:
    explicit ScriptWriter(Engine engine) : m_engine(engine) {}

    // The literal of a value; columnType is the column's type as the driver reports it (a
    // number column's exact decimals arrive as text).
    QString literal(const QVariant &value, QMetaType columnType = {}) const;
    QString textLiteral(const QString &text) const;
    // A column or table name: bare when it is a plain identifier, quoted otherwise.
    QString name(const QString &identifier) const;

    // The script of the rows that a SELECT statement (one statement, SELECT or WITH) selects,
    // as INSERT statements into the table (a plain identifier). No rows give one comment line,
    // "-- <table>: ningún registro". Anything else than one SELECT, or a failing statement,
    // raises FormatsError.
    static QString scriptRows(QSqlDatabase db, const QString &select, const QString &table);

private:
    // The select's rows, read for the script (see withExactTimes in the source).
    static QSqlQuery selectedRows(const QSqlDatabase &db, const QString &select,
                                  const QString &table);

    Engine m_engine;
};

// Whether a statement is a single SELECT (or WITH ... SELECT): the first word, after blanks
// and comments, and no second statement after a ';' outside quotes and comments.
bool isSingleSelect(const QString &statement);

} // namespace velkora::store
