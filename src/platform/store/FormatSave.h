#pragma once

#include "LoadFormatWriter.h"
#include "RuleRows.h"
#include "SaveCheck.h"
#include "Statements.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace velkora::store {

// The rows of one save of a load format, as its caller reads them: the stamp and the operators
// of the lines are the save's to fill.
struct SaveRequest {
    LoadFormatWriter::Format format = LoadFormatWriter::Format::Stored;
    QString key;
    QString description; // the header's, which every line carries
    QList<LayoutLineValues> lines;
    QList<LayoutFieldValues> fields;
    // The rules as they are written. Without them (nullopt) the format has none: the key's rows
    // are removed where the table of rules exists, and a database without it is not touched.
    std::optional<QList<LayoutRuleValues>> rules;
    // A rule whose line type or field is no longer in the format, found as the rules were
    // carried to the numbers written now: the save is refused.
    std::optional<LayoutRuleValues> ruleWithoutItsField;
};

// What a save came to. Nothing is written unless it is Saved.
struct SaveOutcome {
    enum class Status {
        Saved,
        KeyRequired,              // the key is empty
        DescriptionRequired,      // the description is empty
        LineRequired,             // there is no line type
        ValueRefused,             // problem: a value its column cannot hold
        RuleRefused,              // rule: a rule whose line type or field is gone
        KeyTaken,                 // a new format's key is stored: storedDescription
        AdditionalFieldsNotSaved, // the caller's additional fields refused the key
        Conflict,                 // another user's write collided with this one: error
        Failed,                   // the database failed: error
    };
    Status status = Status::Failed;
    std::optional<SaveProblem> problem;
    std::optional<LayoutRuleValues> rule;
    QString storedDescription;
    QString error; // the database's text

    bool saved() const { return status == Status::Saved; }
};

// One save of a load format: the checks that every caller's save runs (the key, the
// description and a line type are there; every value fits its column; every rule still has its
// line type and field), then the rows written in one transaction by LoadFormatWriter, all or
// nothing. The outcome says what happened; the caller decides what its user sees.
class FormatSave {
public:
    using ConnectionSource = LoadFormatWriter::ConnectionSource;
    using AdditionalFields = LoadFormatWriter::AdditionalFields;
    // The stamp text of the moment of the save (Fecha_Alta and Fecha_Ult_Modif).
    using Clock = std::function<QString()>;

    FormatSave(ConnectionSource connection, QString &statementText, QString operatorCode,
               Clock clock);

    SaveOutcome save(SaveRequest request, const AdditionalFields &additionalFields = {});
    // The save's checks alone, in its order, before anything would be written: the outcome that
    // refuses the request, or nothing when the save would write it (a new key's lookup, which
    // needs the save's transaction, is not among them). Stamps the lines as the save does.
    std::optional<SaveOutcome> check(SaveRequest &request) const;

private:
    ConnectionSource m_connection;
    QString &m_sql;
    QString m_operator;
    Clock m_clock;
};

} // namespace velkora::store
