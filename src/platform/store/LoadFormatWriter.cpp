#include "LoadFormatWriter.h"

#include "Dialect.h"
#include "Literals.h"
#include "host/RuntimeError.h"

namespace velkora::store {

LoadFormatWriter::LoadFormatWriter(ConnectionSource connection, QString &statementText)
    : m_connection(std::move(connection)), m_sql(statementText)
{}

void LoadFormatWriter::execute(const QString &statement)
{
    m_sql = statement;
    m_connection()->Execute(m_sql);
}

void LoadFormatWriter::run(kesta::host::PreparedStatement &statement, const QString &text,
                           const QVariantList &values)
{
    m_sql = text;
    statement.Run(values);
}

void LoadFormatWriter::writeRows(kesta::host::Engine engine, const QList<LayoutLineValues> &lines,
                                 const QList<LayoutFieldValues> &fields,
                                 const QList<LayoutRuleValues> *rules)
{
    // Where the connection binds values, each table's insert is prepared once and run per row:
    // no value is ever statement text, and the engine reads the statement once.
    const QString lineText = lineInsertTemplate();
    if (const auto insert = m_connection()->Prepare(m_sql = lineText)) {
        for (const LayoutLineValues &line : lines)
            run(*insert, lineText, lineParameters(line));
        const QString fieldText = fieldInsertTemplate();
        const auto fieldInsert = m_connection()->Prepare(m_sql = fieldText);
        for (const LayoutFieldValues &field : fields)
            run(*fieldInsert, fieldText, fieldParameters(field));
        if (rules && !rules->isEmpty()) {
            const QString ruleText = ruleInsertTemplate();
            const auto ruleInsert = m_connection()->Prepare(m_sql = ruleText);
            for (const LayoutRuleValues &rule : *rules)
                run(*ruleInsert, ruleText, ruleParameters(rule));
        }
        return;
    }
    for (const LayoutLineValues &line : lines)
        execute(lineInsert(engine, line));
    if (engine == kesta::host::Engine::Sqlite) {
        // SQLite spends most of a statement in reading its text: the fields go in statements
        // of up to FieldsPerStatement rows each.
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
}

std::optional<QString> LoadFormatWriter::lookUpKey(const QString &key)
{
    m_sql = storedKeySelect(m_connection()->engine(), key);
    const std::unique_ptr<kesta::host::RecordSet> rows = m_connection()->Execute(m_sql);
    std::optional<QString> description;
    if (!rows->EndOfSet()) {
        // A row is a stored format, whatever its description holds.
        const QVariant value = rows->Field(QStringLiteral("Ly_Descripcion"));
        description = value.isNull() ? QString() : value.toString();
    }
    rows->Close();
    return description;
}

void LoadFormatWriter::rollBackQuietly()
{
    try {
        m_connection()->RollbackTrans();
    } catch (const std::exception &) {
        // The failure itself is what the caller reports.
    }
}

LoadFormatWriter::Result LoadFormatWriter::write(Format format, const QString &key,
                                                 const QList<LayoutLineValues> &lines,
                                                 const QList<LayoutFieldValues> &fields,
                                                 const AdditionalFields &additionalFields)
{
    return write(format, key, lines, fields, nullptr, additionalFields);
}

LoadFormatWriter::Result LoadFormatWriter::write(Format format, const QString &key,
                                                 const QList<LayoutLineValues> &lines,
                                                 const QList<LayoutFieldValues> &fields,
                                                 const QList<LayoutRuleValues> *rules,
                                                 const AdditionalFields &additionalFields)
{
    m_storedDescription.clear();
    const kesta::host::Engine engine = m_connection()->engine();
    m_connection()->BeginTrans();
    try {
        // On SQL Server the key's Layout rows are locked first: the load's lock order
        // (Dialect.h).
        if (const QString lock = dialectFor(engine).formatLock(quotedText(engine, key));
            !lock.isEmpty())
            execute(lock);
        if (format == Format::New) {
            if (const QString lock = newKeyLock(engine); !lock.isEmpty())
                execute(lock);
            if (const auto stored = lookUpKey(key)) {
                m_connection()->RollbackTrans();
                m_storedDescription = *stored;
                return Result::KeyTaken;
            }
        }
        if (!additionalFields(key)) {
            m_connection()->RollbackTrans();
            return Result::AdditionalFieldsNotSaved;
        }
        if (rules)
            execute(deleteRuleRows(engine, key));
        execute(deleteDetailRows(engine, key));
        execute(deleteLineRows(engine, key));
        writeRows(engine, lines, fields, rules);
        m_connection()->CommitTrans();
        return Result::Committed;
    } catch (const kesta::host::ConflictError &) {
        rollBackQuietly();
        // A new format that collided with another user's write: when the key is stored now,
        // another user created it first, and that is what this user is told.
        if (format == Format::New) {
            try {
                if (const auto stored = lookUpKey(key)) {
                    m_storedDescription = *stored;
                    return Result::KeyTaken;
                }
            } catch (const std::exception &) {
                // The collision is what the caller reports.
            }
        }
        throw;
    } catch (...) {
        rollBackQuietly();
        throw;
    }
}

} // namespace velkora::store
