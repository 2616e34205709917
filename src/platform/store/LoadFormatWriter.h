#pragma once

#include "RuleRows.h"
#include "Statements.h"
#include "host/Connection.h"

#include <QList>
#include <functional>
#include <optional>

namespace velkora::store {

// Writes a load format in one transaction that replaces all its rows: begin; for a new load
// format, the key looked up again (a format stored under it meanwhile by another user is never
// replaced); the toolbar's additional fields; delete the key's Layout_Detalle and Layout rows;
// one Layout row per line, one Layout_Detalle row per field and one Layout_Regla row per rule;
// commit. Nothing is kept unless everything is. Where the connection binds values (SQLite) each
// table's insert is prepared once and run with each row's values; elsewhere (PostgreSQL, SQL
// Server) every row is a statement text with its values in their literal forms, each field
// statement between SET QUOTED_IDENTIFIER OFF and ON (and on a SQLite connection that does not
// bind, up to FieldsPerStatement fields in one INSERT).
//
// The connection is asked for anew before every call on it (a prepared insert is held for its
// table's rows), and every statement is built in the shared statement text before it runs.
class LoadFormatWriter {
public:
    using ConnectionSource = std::function<kesta::host::ConnectionPtr()>;
    using AdditionalFields = std::function<bool(const QString &key)>;

    static constexpr qsizetype FieldsPerStatement = 100;

    // Whether the rows are those of a stored load format, or of a new one whose key must still
    // be free when the transaction writes it.
    enum class Format { Stored, New };

    enum class Result {
        Committed,
        AdditionalFieldsNotSaved, // rolled back before any delete
        KeyTaken,                 // a new format's key is stored: rolled back, nothing written
    };

    LoadFormatWriter(ConnectionSource connection, QString &statementText);

    // A failure on the way rolls the transaction back (a failing rollback is not allowed to
    // hide the failure) and raises the failure again: kesta::host::ConflictError when another
    // user's write collided with this one, kesta::host::RuntimeError with the database's own text
    // otherwise. A new format whose write collided with another user's, and whose key is
    // stored once this one is rolled back, gives KeyTaken instead.
    Result write(Format format, const QString &key, const QList<LayoutLineValues> &lines,
                 const QList<LayoutFieldValues> &fields, const AdditionalFields &additionalFields);
    // The same, with the format's rules (renumberRules gives them their fields' numbers): the
    // key's Layout_Regla rows are replaced in the same transaction. Without rules (nullptr)
    // the table of rules is not touched, as on a database that does not have it.
    Result write(Format format, const QString &key, const QList<LayoutLineValues> &lines,
                 const QList<LayoutFieldValues> &fields, const QList<LayoutRuleValues> *rules,
                 const AdditionalFields &additionalFields);

    // After KeyTaken: the stored load format's description (that of its first line type).
    QString storedDescription() const { return m_storedDescription; }

private:
    void execute(const QString &statement);
    void run(kesta::host::PreparedStatement &statement, const QString &text,
             const QVariantList &values);
    // The rows of the lines, the fields and the rules (when given), after the deletes.
    void writeRows(kesta::host::Engine engine, const QList<LayoutLineValues> &lines,
                   const QList<LayoutFieldValues> &fields, const QList<LayoutRuleValues> *rules);
    // The description of the load format stored under the key, if there is one.
    std::optional<QString> lookUpKey(const QString &key);
    void rollBackQuietly();

    ConnectionSource m_connection;
    QString &m_sql;
    QString m_storedDescription;
};

} // namespace velkora::store
