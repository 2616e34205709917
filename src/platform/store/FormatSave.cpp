#include "FormatSave.h"

#include "host/RuntimeError.h"

namespace velkora::store {

namespace {

QString descriptionOf(const std::exception &error)
{
    if (const auto *runtime = dynamic_cast<const kesta::host::RuntimeError *>(&error))
        return runtime->description();
    return QString::fromLocal8Bit(error.what());
}

SaveOutcome outcome(SaveOutcome::Status status)
{
    SaveOutcome result;
    result.status = status;
    return result;
}

} // namespace

FormatSave::FormatSave(ConnectionSource connection, QString &statementText, QString operatorCode,
                       Clock clock)
    : m_connection(std::move(connection)), m_sql(statementText),
      m_operator(std::move(operatorCode)), m_clock(std::move(clock))
{}

std::optional<SaveOutcome> FormatSave::check(SaveRequest &request) const
{
    using Status = SaveOutcome::Status;
    if (request.key.trimmed().isEmpty())
        return outcome(Status::KeyRequired);
    if (request.description.trimmed().isEmpty())
        return outcome(Status::DescriptionRequired);
    if (request.lines.isEmpty())
        return outcome(Status::LineRequired);
    try {
        const QString stamp = m_clock();
        for (LayoutLineValues &line : request.lines) {
            line.stamp = stamp;
            line.operatorAlta = m_operator;
            line.operatorModif = m_operator;
        }
        // Everything is checked before anything is written: a value its column cannot hold is
        // refused here, never cut and never left to the database.
        if (auto problem = checkSaveRows(m_connection()->engine(), request.lines, request.fields)) {
            SaveOutcome refused = outcome(Status::ValueRefused);
            refused.problem = std::move(problem);
            return refused;
        }
    } catch (const std::exception &error) {
        SaveOutcome failed = outcome(Status::Failed);
        failed.error = descriptionOf(error);
        return failed;
    }
    if (request.ruleWithoutItsField) {
        SaveOutcome refused = outcome(Status::RuleRefused);
        refused.rule = request.ruleWithoutItsField;
        return refused;
    }
    return std::nullopt;
}

SaveOutcome FormatSave::save(SaveRequest request, const AdditionalFields &additionalFields)
{
    using Status = SaveOutcome::Status;
    if (auto refused = check(request))
        return *refused;

    try {
        // Where the table of rules exists the save replaces every rule row of the key, also
        // when it has none to write: rows left under the key (by a format stored under it
        // before) would otherwise become this format's rules.
        if (!request.rules && m_connection()->hasRulesTable())
            request.rules.emplace();

        LoadFormatWriter writer(m_connection, m_sql);
        const auto result = writer.write(
            request.format, request.key, request.lines, request.fields,
            request.rules ? &*request.rules : nullptr,
            additionalFields ? additionalFields : [](const QString &) { return true; });
        if (result == LoadFormatWriter::Result::KeyTaken) {
            SaveOutcome taken = outcome(Status::KeyTaken);
            taken.storedDescription = writer.storedDescription();
            return taken;
        }
        if (result == LoadFormatWriter::Result::AdditionalFieldsNotSaved)
            return outcome(Status::AdditionalFieldsNotSaved);
    } catch (const kesta::host::ConflictError &error) {
        SaveOutcome conflict = outcome(Status::Conflict);
        conflict.error = error.description();
        return conflict;
    } catch (const std::exception &error) {
        SaveOutcome failed = outcome(Status::Failed);
        failed.error = descriptionOf(error);
        return failed;
    }
    return outcome(Status::Saved);
}

} // namespace velkora::store
