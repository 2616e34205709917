#pragma once

#include "StoredLoadFormat.h"
#include "host/Connection.h"

#include <QSqlDatabase>
#include <functional>
#include <optional>

namespace velkora::store {

// The one reader of a stored load format: the header, the line types, the fields with the
// numbers they are stored under, the rules and what the rows hold beyond the value
// (StoredLoadFormat::stored), read from Layout, Layout_Detalle and Layout_Regla in one read
// transaction (one snapshot), in that order, with the screen's statements
// (loadHeaderSelect, loadDetailRowsSelect, loadRuleSelect). Every caller reads
// through it: the screen's load, Probar, the command line's test, script and export.
//
// Line types come in the order of their numbers' lengths, then as the engine orders the texts
// ("0010" before "10000"); each line type's fields the same way; a field whose Ly_ID names no
// line type (by number, "10" is "0010") is an orphan. The header is the first line type's row.
// A database without the table of rules gives a format whose rules are not available.
class LoadFormatReader {
public:
    using ConnectionSource = std::function<kesta::host::ConnectionPtr()>;

    // The connection is asked for anew before every step (begin and the header, the fields,
    // the rules, the end); each statement is placed in statementText before it runs, when given.
    explicit LoadFormatReader(ConnectionSource connection, QString *statementText = nullptr);
    // Over an open Qt SQL connection (SqlConnection on its name).
    explicit LoadFormatReader(const QSqlDatabase &db);

    // The stored load format, or nothing when the key has no Layout row. A failing statement
    // raises kesta::host::RuntimeError with the database's text (ConflictError for a
    // collision); the read transaction is then rolled back.
    std::optional<StoredLoadFormat> readStored(const QString &key) const;
    // Its value alone.
    std::optional<formats::LoadFormat> read(const QString &key) const;

private:
    std::unique_ptr<kesta::host::RecordSet> execute(kesta::host::Connection &connection,
                                                    const QString &statement) const;
    // Begins the read transaction (begun says whether it did) and reads in it.
    std::optional<StoredLoadFormat> readInTransaction(const QString &key, bool &begun) const;

    ConnectionSource m_connection;
    QString *m_sql;
};

// Whether the connection's database has the table of rules, Layout_Regla.
bool hasRulesTable(const QSqlDatabase &db);

} // namespace velkora::store
