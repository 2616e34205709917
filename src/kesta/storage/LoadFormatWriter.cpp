#include "LoadFormatWriter.h"

namespace kesta::storage {

LoadFormatWriter::LoadFormatWriter(ConnectionSource connection, QString &statementText)
    : m_connection(std::move(connection)), m_sql(statementText)
{}

void LoadFormatWriter::execute(const QString &statement)
{
    m_sql = statement;
    m_connection()->Execute(m_sql);
}

LoadFormatWriter::Result LoadFormatWriter::write(const QString &key,
                                                 const QList<LayoutLineValues> &lines,
                                                 const QList<LayoutFieldValues> &fields,
                                                 const AdditionalFields &additionalFields)
{
    return write(key, lines, fields, nullptr, additionalFields);
}

LoadFormatWriter::Result LoadFormatWriter::write(const QString &key,
                                                 const QList<LayoutLineValues> &lines,
                                                 const QList<LayoutFieldValues> &fields,
                                                 const QList<LayoutRuleValues> *rules,
                                                 const AdditionalFields &additionalFields)
{
    const host::Engine engine = m_connection()->engine();
    m_connection()->BeginTrans();
    try {
        if (!additionalFields(key)) {
            m_connection()->RollbackTrans();
            return Result::AdditionalFieldsNotSaved;
        }
        if (rules)
            execute(deleteRuleRows(engine, key));
        execute(deleteDetailRows(engine, key));
        execute(deleteLineRows(engine, key));
        for (const LayoutLineValues &line : lines)
            execute(lineInsert(engine, line));
        if (engine == host::Engine::Sqlite) {
            // SQLite spends most of a statement in reading its text: the fields go in
            // statements of up to FieldsPerStatement rows each.
            for (qsizetype at = 0; at < fields.size(); at += FieldsPerStatement)
                execute(fieldsInsert(engine, fields.mid(at, FieldsPerStatement)));
        } else {
            for (const LayoutFieldValues &field : fields) {
                for (const QString &statement : fieldStatements(engine, field))
                    execute(statement);
            }
        }
        if (rules)
            for (const LayoutRuleValues &rule : *rules)
                execute(ruleInsert(engine, rule));
        m_connection()->CommitTrans();
        return Result::Committed;
    } catch (...) {
        try {
            m_connection()->RollbackTrans();
        } catch (const std::exception &) {
            // The failure itself is what the caller reports.
        }
        throw;
    }
}

} // namespace kesta::storage
