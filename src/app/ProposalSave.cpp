#include "ProposalSave.h"

#include "controls/DigitFormat.h"
#include "formats/LoadFormatReader.h"
#include "host/RuntimeError.h"
#include "services/DateTexts.h"
#include "services/SqlConnection.h"
#include "storage/ColumnLimits.h"
#include "storage/Literals.h"
#include "storage/LoadFormatWriter.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace velkora::app {

namespace {

using kesta::storage::ColumnLength::Key;

QString keyFormat(const QString &connectionName)
{
    QSqlQuery query(QSqlDatabase::database(connectionName));
    query.setForwardOnly(true);
    // A database without the settings' table (or the setting) keeps the design format.
    if (query.prepare(QStringLiteral(
            "SELECT Cf_Valor FROM Velkora_Configuracion WHERE Cf_Nombre = ?"))) {
        query.addBindValue(QStringLiteral("FTO_LAYOUT"));
        if (query.exec() && query.next() && !query.value(0).isNull())
            return query.value(0).toString();
    }
    return QStringLiteral("0000");
}

} // namespace

QString storedKey(const QString &connectionName, const QString &typedKey)
{
    const QString key = typedKey.trimmed().toUpper();
    const QString formatted = controls::applyDigitFormat(key, keyFormat(connectionName));
    return formatted.size() <= Key ? formatted : key;
}

SaveOutcome saveProposal(const QString &connectionName, const QString &typedKey,
                         const proposal::Proposal &proposal, const QString &operatorCode)
{
    SaveOutcome outcome;
    outcome.key = storedKey(connectionName, typedKey);
    const QString &key = outcome.key;
    if (key.isEmpty()) {
        outcome.status = SaveOutcome::InvalidKey;
        outcome.message = QStringLiteral("Debe especificar una clave al formato de carga.");
        return outcome;
    }
    if (key.size() > Key) {
        outcome.status = SaveOutcome::InvalidKey;
        outcome.message = QStringLiteral("La clave '%1' no es válida: tiene %2 caracteres y una "
                                         "clave tiene %3 como máximo.")
                              .arg(key)
                              .arg(key.size())
                              .arg(Key);
        return outcome;
    }
    if (kesta::storage::firstUnstorableCharacter(key) >= 0) {
        outcome.status = SaveOutcome::InvalidKey;
        outcome.message =
            QStringLiteral("La clave '%1' no es válida: tiene un carácter que no se puede "
                           "guardar.")
                .arg(key);
        return outcome;
    }

    const auto connection = std::make_shared<services::SqlConnection>(connectionName);
    const kesta::host::Engine engine = connection->engine();
    const formats::LoadFormat format = proposal::toLoadFormat(proposal, key);
    // The file as the header holds it: the whole path when it fits the column, else its name.
    QString file = format.file;
    if (file.size() > kesta::storage::ColumnLength::File)
        file = QFileInfo(file).fileName().left(kesta::storage::ColumnLength::File);
    const QString stamp = services::stampText(engine, QDateTime::currentDateTime());
    const QString today = services::dateText(engine, QDate::currentDate());

    QList<kesta::storage::LayoutLineValues> lines;
    QList<kesta::storage::LayoutFieldValues> fields;
    for (const formats::LineType &type : format.lineTypes) {
        kesta::storage::LayoutLineValues v;
        v.key = key;
        v.description = format.description;
        v.file = file;
        v.order = type.order;
        v.lineDescription = type.description;
        v.lineId = type.lineId;
        // A line type without an ID (a file of one kind of line) is entered on the screen at
        // position 1, length 1, which its line edit accepts; the test takes every line either way.
        v.position = QString::number(type.lineId.isEmpty() ? 1 : type.position);
        v.length = QString::number(type.lineId.isEmpty() ? 1 : type.length);
        v.reverse = false;
        v.user3 = QStringLiteral("0.0000");
        v.user4 = QStringLiteral("0.0000");
        v.date5 = today;
        v.date6 = today;
        v.stamp = stamp;
        v.operatorAlta = operatorCode;
        v.operatorModif = operatorCode;
        lines << v;
        for (const formats::FieldDef &f : type.fields) {
            kesta::storage::LayoutFieldValues fv;
            fv.key = key;
            fv.lineId = type.order;
            fv.id = f.id;
            fv.description = f.description;
            fv.position = QString::number(f.position);
            fv.length = QString::number(f.length);
            fv.trim = f.trim ? QStringLiteral("SI") : QStringLiteral("NO");
            fv.valor = f.value;
            fv.formato = f.format;
            fv.tipo = f.typeCode;
            fields << fv;
        }
    }
    if (operatorCode.size() > kesta::storage::ColumnLength::Operator) {
        outcome.message = QStringLiteral("El operador '%1' tiene más de %2 caracteres.")
                              .arg(operatorCode)
                              .arg(kesta::storage::ColumnLength::Operator);
        return outcome;
    }

    // The proposed rules, when the database has their table (one made before the rules keeps
    // the format without them, and the message says so).
    QList<kesta::storage::LayoutRuleValues> rules;
    for (const formats::RuleDef &r : format.rules) {
        kesta::storage::LayoutRuleValues rv;
        rv.key = key;
        rv.id = r.id;
        rv.lineId = r.lineOrder;
        rv.fieldId = r.fieldId;
        rv.text = r.text;
        rv.description = r.description;
        rules << rv;
    }
    const bool rulesTable = formats::hasRulesTable(QSqlDatabase::database(connectionName));

    // The key is looked up inside the save's transaction: a format stored meanwhile under it
    // is never replaced.
    QString statement;
    using Writer = kesta::storage::LoadFormatWriter;
    Writer writer([connection] { return connection; }, statement);
    try {
        const auto result =
            writer.write(Writer::Format::New, key, lines, fields, rulesTable ? &rules : nullptr,
                         [](const QString &) { return true; });
        if (result == Writer::Result::KeyTaken) {
            outcome.status = SaveOutcome::KeyTaken;
            outcome.message = QStringLiteral("La clave: %1, ya está asignada al formato de "
                                             "carga: %2. Elija otra clave.")
                                  .arg(key, writer.storedDescription());
            return outcome;
        }
    } catch (const kesta::host::RuntimeError &error) {
        outcome.message = QStringLiteral("No se pudo guardar el formato de carga '%1': %2")
                              .arg(key, error.description());
        return outcome;
    } catch (const std::exception &error) {
        outcome.message = QStringLiteral("No se pudo guardar el formato de carga '%1': %2")
                              .arg(key, QString::fromLocal8Bit(error.what()));
        return outcome;
    }
    outcome.status = SaveOutcome::Saved;
    outcome.message = QStringLiteral("Guardado el formato de carga '%1' (%2): %3 %4, %5 %6.")
                          .arg(key, format.description)
                          .arg(lines.size())
                          .arg(lines.size() == 1 ? QStringLiteral("tipo de línea")
                                                 : QStringLiteral("tipos de línea"))
                          .arg(fields.size())
                          .arg(fields.size() == 1 ? QStringLiteral("campo")
                                                  : QStringLiteral("campos"));
    if (!rules.isEmpty() && rulesTable)
        outcome.message.insert(outcome.message.size() - 1,
                               rules.size() == 1 ? QStringLiteral(", 1 regla")
                                                 : QStringLiteral(", %1 reglas").arg(rules.size()));
    else if (!rules.isEmpty())
        outcome.message +=
            QStringLiteral(" Las reglas propuestas no se guardaron: la base de datos "
                           "no tiene la tabla Layout_Regla (velkora --upgrade la "
                           "añade).");
    return outcome;
}

} // namespace velkora::app
