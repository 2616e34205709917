#pragma once

#include "RuleRows.h"
#include "Statements.h"
#include "host/Connection.h"

#include <QList>
#include <functional>

namespace kesta::storage {

// Writes a load format in one transaction that replaces all its rows: begin; the toolbar's
// additional fields; delete the key's Layout_Detalle and Layout rows; one Layout row per line
// and one Layout_Detalle row per field (each between SET QUOTED_IDENTIFIER OFF and ON on SQL
// Server; on SQLite the field rows go up to FieldsPerStatement in one INSERT); commit.
// Nothing is kept unless everything is.
//
// The connection is asked for anew before every call on it, and every statement is built in
// the shared statement text before it runs.
class LoadFormatWriter {
public:
    using ConnectionSource = std::function<host::ConnectionPtr()>;
    using AdditionalFields = std::function<bool(const QString &key)>;

    static constexpr qsizetype FieldsPerStatement = 100;

    enum class Result {
        Committed,
        AdditionalFieldsNotSaved, // rolled back before any delete
    };

    LoadFormatWriter(ConnectionSource connection, QString &statementText);

    // A failure on the way rolls the transaction back (a failing rollback is not allowed to
    // hide the failure) and raises the failure again: host::ConflictError when another
    // user's write collided with this one, host::RuntimeError with the database's own text
    // otherwise.
    Result write(const QString &key, const QList<LayoutLineValues> &lines,
                 const QList<LayoutFieldValues> &fields, const AdditionalFields &additionalFields);
    // The same, with the format's rules (renumberRules gives them their fields' numbers): the
    // key's Layout_Regla rows are replaced in the same transaction. Without rules (nullptr)
    // the table of rules is not touched, as on a database that does not have it.
    Result write(const QString &key, const QList<LayoutLineValues> &lines,
                 const QList<LayoutFieldValues> &fields, const QList<LayoutRuleValues> *rules,
                 const AdditionalFields &additionalFields);

private:
    void execute(const QString &statement);

    ConnectionSource m_connection;
    QString &m_sql;
};

} // namespace kesta::storage
