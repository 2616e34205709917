#include "ProposalSave.h"

#include "formats/DigitFormat.h"
#include "host/RuntimeError.h"
#include "store/ColumnLimits.h"
#include "store/DateTexts.h"
#include "store/FormatRows.h"
#include "store/FormatSave.h"
#include "store/Literals.h"
#include "store/LoadFormatReader.h"
#include "store/Settings.h"
#include "store/SqlConnection.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>

namespace velkora::app {

namespace {

using store::ColumnLength::Key;

// Why the save refused the proposal, as the command line says it.
QString refusal(const store::SaveOutcome &saved)
{
    using Status = store::SaveOutcome::Status;
    using Code = store::SaveProblem::Code;
    switch (saved.status) {
    case Status::KeyRequired:
        return QStringLiteral("no tiene clave");
    case Status::DescriptionRequired:
        return QStringLiteral("no tiene descripción");
    case Status::LineRequired:
        return QStringLiteral("no tiene ningún tipo de línea");
    case Status::RuleRefused:
        return QStringLiteral("la regla %1 (%2) no tiene su tipo de línea o su campo")
            .arg(saved.rule->id, saved.rule->text);
    default:
        break;
    }
    if (!saved.problem)
        return saved.error;
    const store::SaveProblem &p = *saved.problem;
    switch (p.code) {
    case Code::TextTooLong:
        return QStringLiteral("%1 tiene %2 caracteres y la columna %3 admite %4")
            .arg(p.what)
            .arg(p.length)
            .arg(p.column)
            .arg(p.maxLength);
    case Code::UnstorableCharacter:
        return QStringLiteral("%1 tiene un carácter que no se puede guardar (U+%2)")
            .arg(p.what,
                 QString::number(p.character, 16).toUpper().rightJustified(4, QLatin1Char('0')));
    case Code::NotANumber:
        return QStringLiteral("%1: \"%2\" no es un número").arg(p.what, p.value);
    case Code::NumberDoesNotFit:
        return QStringLiteral("%1: el número %2 no cabe en la columna %3")
            .arg(p.what, p.value, p.column);
    case Code::KeysCollide:
        return QStringLiteral("%1: \"%2\" y \"%3\" son la misma clave para la base de datos")
            .arg(p.what, p.value, p.otherValue);
    }
    return p.what;
}

QString keyFormat(const QString &connectionName)
{
    // A database without the settings' table (or the setting) keeps the design format.
    try {
        const QVariant format =
            store::readSetting(connectionName, QString::fromLatin1(store::KeyFormatSetting));
        if (!format.isNull())
            return format.toString();
    } catch (const kesta::host::RuntimeError &) {
    }
    return QStringLiteral("0000");
}

} // namespace

QString storedKey(const QString &connectionName, const QString &typedKey)
{
    const QString key = typedKey.trimmed().toUpper();
    const QString formatted = formats::applyDigitFormat(key, keyFormat(connectionName));
    return formatted.size() <= Key ? formatted : key;
}

namespace {

// The key's own refusal (none, a blank key, one too long, one with a character that cannot be
// stored), in the outcome with its message.
bool keyRefused(SaveOutcome &outcome)
{
    const QString &key = outcome.key;
    if (key.isEmpty()) {
        outcome.status = SaveOutcome::InvalidKey;
        outcome.message = QStringLiteral("Debe especificar una clave al formato de carga.");
        return true;
    }
    if (key.size() > Key) {
        outcome.status = SaveOutcome::InvalidKey;
        outcome.message = QStringLiteral("La clave '%1' no es válida: tiene %2 caracteres y una "
                                         "clave tiene %3 como máximo.")
                              .arg(key)
                              .arg(key.size())
                              .arg(Key);
        return true;
    }
    if (store::firstUnstorableCharacter(key) >= 0) {
        outcome.status = SaveOutcome::InvalidKey;
        outcome.message =
            QStringLiteral("La clave '%1' no es válida: tiene un carácter que no se puede "
                           "guardar.")
                .arg(key);
        return true;
    }
    return false;
}

// What the command line says of the save's outcome: why nothing was written, or what was.
void describe(SaveOutcome &outcome, const store::SaveOutcome &saved,
              const formats::LoadFormat &format, qsizetype lines, qsizetype fields, bool rulesTable)
{
    const QString &key = outcome.key;
    const qsizetype rules = format.rules.size();
    using Status = store::SaveOutcome::Status;
    switch (saved.status) {
    case Status::Saved:
        break;
    case Status::KeyTaken:
        outcome.status = SaveOutcome::KeyTaken;
        outcome.message = QStringLiteral("La clave: %1, ya está asignada al formato de "
                                         "carga: %2. Elija otra clave.")
                              .arg(key, saved.storedDescription);
        return;
    case Status::KeyRequired:
    case Status::DescriptionRequired:
    case Status::LineRequired:
    case Status::ValueRefused:
    case Status::RuleRefused:
        outcome.status = SaveOutcome::Refused;
        outcome.message = QStringLiteral("No se guardó el formato de carga '%1': %2. No se "
                                         "escribió nada.")
                              .arg(key, refusal(saved));
        return;
    case Status::AdditionalFieldsNotSaved:
    case Status::Conflict:
    case Status::Failed:
        outcome.message =
            QStringLiteral("No se pudo guardar el formato de carga '%1': %2").arg(key, saved.error);
        return;
    }
    outcome.status = SaveOutcome::Saved;
    outcome.message =
        QStringLiteral("Guardado el formato de carga '%1' (%2): %3 %4, %5 %6.")
            .arg(key, format.description)
            .arg(lines)
            .arg(lines == 1 ? QStringLiteral("tipo de línea") : QStringLiteral("tipos de línea"))
            .arg(fields)
            .arg(fields == 1 ? QStringLiteral("campo") : QStringLiteral("campos"));
    if (rules > 0 && rulesTable)
        outcome.message.insert(outcome.message.size() - 1,
                               rules == 1 ? QStringLiteral(", 1 regla")
                                          : QStringLiteral(", %1 reglas").arg(rules));
    else if (rules > 0)
        outcome.message +=
            QStringLiteral(" Las reglas propuestas no se guardaron: la base de datos "
                           "no tiene la tabla Layout_Regla (velkora --upgrade la "
                           "añade).");
}

} // namespace

SaveOutcome saveProposal(const QString &connectionName, const QString &typedKey,
                         const proposal::Proposal &proposal, const QString &operatorCode)
{
    SaveOutcome outcome;
    outcome.key = storedKey(connectionName, typedKey);
    const QString &key = outcome.key;
    if (keyRefused(outcome))
        return outcome;
    const auto connection = std::make_shared<store::SqlConnection>(connectionName);
    const kesta::host::Engine engine = connection->engine();
    formats::LoadFormat format = proposal::toLoadFormat(proposal, key);
    // The file as the header holds it: the whole path when it fits the column, else its name.
    if (format.file.size() > store::ColumnLength::File)
        format.file = QFileInfo(format.file).fileName().left(store::ColumnLength::File);
    if (operatorCode.size() > store::ColumnLength::Operator) {
        outcome.status = SaveOutcome::Refused;
        outcome.message = QStringLiteral("El operador '%1' tiene más de %2 caracteres.")
                              .arg(operatorCode)
                              .arg(store::ColumnLength::Operator);
        return outcome;
    }
    // The proposed rules, when the database has their table (one made before the rules keeps
    // the format without them, and the message says so).
    const bool rulesTable = store::hasRulesTable(QSqlDatabase::database(connectionName));
    store::HeaderData header;
    header.date5 = header.date6 = store::dateText(engine, QDate::currentDate());
    const store::SaveRequest request =
        store::saveRequestOf(format, header, store::LoadFormatWriter::Format::New, rulesTable);
    const qsizetype lines = request.lines.size();
    const qsizetype fields = request.fields.size();

    // The screen's save of a new format: its checks, then the key looked up again inside the
    // transaction (a format stored meanwhile under it is never replaced).
    using store::FormatSave;
    QString statement;
    FormatSave save([connection] { return connection; }, statement, operatorCode,
                    [engine] { return store::stampText(engine, QDateTime::currentDateTime()); });
    const store::SaveOutcome saved = save.save(request);
    describe(outcome, saved, format, lines, fields, rulesTable);
    return outcome;
}

} // namespace velkora::app
