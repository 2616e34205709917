#include "Messages.h"

#include "host/CoreServices.h"
#include "host/Publico.h"
#include "store/SaveCheck.h"

namespace kesta::messages {

namespace {

using host::MessageStyle::Critical;
using host::MessageStyle::Information;
using host::MessageStyle::Question;
using host::MessageStyle::SecondButtonDefault;
using host::MessageStyle::Warning;

const QString Atencion = QStringLiteral("Atención");
const QString ValidarDetalle = QStringLiteral("Validar detalle");
const QString Velkora = QStringLiteral("Velkora");
const QString Error = QStringLiteral("ERROR");
const QString NewLine = QStringLiteral("\r\n");
const QString Proponer = QStringLiteral("Proponer desde archivo");
// The largest position or length, as a clerk reads it.
const QString MaxPositionInWords = QStringLiteral("dos mil millones");
// Notes have no box: style 0, and where they are shown for a title.
constexpr int Note = 0;
const QString StatusBar = QStringLiteral("Barra de estado");
const QString BesideTheKey = QStringLiteral("Junto a la clave");

Message make(const QString &id, const QString &text, int style, const QString &title)
{
    return Message{id, text, style, title};
}

} // namespace

int show(QWidget *owner, const Message &message)
{
    return Publico::CoreServices().ShowMessage(message.text, message.style, message.title, owner,
                                               QStringLiteral("KESTA"), message.id);
}

Message firstLineNeedsId()
{
    return make(QStringLiteral("ERR-ID:7500001"),
                QStringLiteral("No se puede agregar más líneas si el ID de la primera está vacío"),
                Warning, Atencion);
}

Message confirmLineDelete()
{
    return make(QStringLiteral("ERR-ID:7500026"),
                QStringLiteral("¿Seguro que desea eliminar la línea seleccionada?"), Question,
                QStringLiteral("Confirmar eliminación"));
}

Message lineDataIncomplete()
{
    return make(QStringLiteral("ERR-ID:7500002"),
                QStringLiteral("Datos incorrectos de la línea actual"), Warning, Atencion);
}

Message lineIdRequired()
{
    return make(QStringLiteral("ERR-ID:7500003"),
                QStringLiteral("El ID es requerido cuando existe más de una línea"), Warning,
                Atencion);
}

Message fieldIdRequired()
{
    return make(QStringLiteral("ERR-ID:7500004"), QStringLiteral("Debe especificar un ID"), Warning,
                ValidarDetalle);
}

Message fieldPositionRequired()
{
    return make(QStringLiteral("ERR-ID:7500005"), QStringLiteral("Debe especificar una posición"),
                Warning, ValidarDetalle);
}

Message fieldLengthRequired()
{
    return make(QStringLiteral("ERR-ID:7500006"), QStringLiteral("Debe espcicifcar una longitud"),
                Warning, ValidarDetalle);
}

Message fieldTypeRequired()
{
    return make(QStringLiteral("ERR-ID:7500007"), QStringLiteral("Debe especificar un tipo"),
                Warning, ValidarDetalle);
}

Message fieldIdDuplicated(const QString &id)
{
    return make(QStringLiteral("ERR-ID:7500010"),
                QStringLiteral("El ID ") + id.toUpper() + QStringLiteral(" está duplicado"),
                Warning, Atencion);
}

Message fieldNumberCollides(const QString &first, const QString &second, const QString &number)
{
    return make(
        QStringLiteral("ERR-ID:7500008"),
        QStringLiteral("Los ID %1 y %2 dan el mismo número de campo %3").arg(first, second, number),
        Warning, Atencion);
}

Message lineOrderTaken(const QString &order)
{
    return make(QStringLiteral("ERR-ID:7500009"),
                QStringLiteral("El número de línea %1 ya está asignado a otra línea").arg(order),
                Warning, Atencion);
}

Message fieldNumberOutOfRange(const QString &field, const QString &column, const QString &value)
{
    return make(QStringLiteral("ERR-ID:7500013"),
                QStringLiteral("La %1 del campo %2 debe ser un número entero mayor que cero, "
                               "de como mucho %3 (se indicó %4)")
                    .arg(column, field, MaxPositionInWords, value),
                Warning, ValidarDetalle);
}

Message lineNumberOutOfRange(const QString &column, const QString &value)
{
    return make(QStringLiteral("ERR-ID:7500027"),
                QStringLiteral("La %1 de la línea debe ser un número entero mayor que cero, "
                               "de como mucho %2 (se indicó %3)")
                    .arg(column, MaxPositionInWords, value),
                Warning, Atencion);
}

Message lineEditInProgress()
{
    return make(QStringLiteral("ERR-ID:7500011"),
                QStringLiteral("Se encuentra en modo de edición de la línea, ") + NewLine +
                    QStringLiteral("para continuar debe finalizar la edición"),
                Information, Atencion);
}

Message keyTaken(const QString &key, const QString &description)
{
    return make(QStringLiteral("ERR-ID:7500012"),
                QStringLiteral("La clave: ") + key +
                    QStringLiteral(", ya está asginada al formato de carga: ") + description,
                Warning, Velkora);
}

Message keyRequired()
{
    return make(QStringLiteral("ERR-ID:7500014"),
                QStringLiteral("Debe especificar una clave al formato de carga"), Warning, Velkora);
}

Message descriptionRequired()
{
    return make(QStringLiteral("ERR-ID:7500015"),
                QStringLiteral("Debe especificar una descripción al fomarto de carga"), Warning,
                Velkora);
}

Message lineRequired()
{
    return make(QStringLiteral("ERR-ID:7500016"),
                QStringLiteral("Se requiere de al menos la configuración de una línea"), Warning,
                Velkora);
}

Message additionalFieldsNotSaved()
{
    return make(QStringLiteral("ERR-ID:7500017"),
                QStringLiteral("Imposible actualizar campos adicionales"), Critical, Error);
}

Message saveFailed(const QString &description)
{
    return make(QStringLiteral("ERR-ID:7500018"), description, Critical, Error);
}

Message deactivationFailed(const QString &description)
{
    return make(QStringLiteral("ERR-ID:7500021"), description, Critical, Velkora);
}

Message reactivationFailed(const QString &description)
{
    return make(QStringLiteral("ERR-ID:7500022"),
                QStringLiteral("La operación se ha cancelado debido al siguiente error: ") +
                    NewLine + description,
                Critical, Velkora);
}

Message testFailed(const QString &lastError)
{
    return make(QStringLiteral("ERR-ID:7500019"), lastError, Critical, Error);
}

Message scriptFailed(const QString &description)
{
    return make(QStringLiteral("ERR-ID:7500020"), description, Critical,
                QStringLiteral("Controles_B3Click()"));
}

Message refillFailed(const QString &description)
{
    return make(QStringLiteral("ERR-ID:7500023"),
                QStringLiteral("RellenaDetalle()") + NewLine + description, Critical, Velkora);
}

Message keyNotFound()
{
    return make(QStringLiteral("ERR-ID:7500024"), QStringLiteral("La clave especificada no existe"),
                Warning, Atencion);
}

Message loadFailed(const QString &description)
{
    return make(QStringLiteral("ERR-ID:7500025"),
                QStringLiteral("txtClave_Enter()") + NewLine + description, Critical, Velkora);
}

Message textTooLong(const QString &what, qsizetype length, int maxLength)
{
    return make(QStringLiteral("ERR-ID:7500030"),
                QStringLiteral("%1: el texto tiene %2 caracteres y se admiten como máximo %3")
                    .arg(what)
                    .arg(length)
                    .arg(maxLength),
                Warning, Velkora);
}

Message numberDoesNotFit(const QString &what, const QString &value)
{
    return make(QStringLiteral("ERR-ID:7500031"),
                QStringLiteral("%1: el número %2 no cabe; se admiten como máximo 16 dígitos "
                               "enteros y 4 decimales")
                    .arg(what, value),
                Warning, Velkora);
}

Message notANumber(const QString &what, const QString &value)
{
    return make(QStringLiteral("ERR-ID:7500032"),
                QStringLiteral("%1: \"%2\" no es un número").arg(what, value), Warning, Velkora);
}

Message saveConflict(const QString &key, const QString &description)
{
    return make(QStringLiteral("ERR-ID:7500033"),
                QStringLiteral("Otro usuario modificó el formato de carga %1 al mismo tiempo o "
                               "tiene la base de datos ocupada; no se guardó nada.")
                        .arg(key) +
                    NewLine + QStringLiteral("Vuelva a cargarlo y repita los cambios.") + NewLine +
                    description,
                Critical, Error);
}

Message keysCollide(const QString &what, const QString &first, const QString &second)
{
    return make(QStringLiteral("ERR-ID:7500039"),
                QStringLiteral("%1: \"%2\" y \"%3\" son el mismo valor para la base de datos, que "
                               "no distingue mayúsculas de minúsculas ni los blancos al final")
                    .arg(what, first, second),
                Warning, Velkora);
}

Message unstorableCharacter(const QString &what, int code)
{
    return make(
        QStringLiteral("ERR-ID:7500034"),
        QStringLiteral("%1: el texto contiene un carácter que no se puede guardar (U+%2)")
            .arg(what, QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'))),
        Warning, Velkora);
}

Message saveProblem(const storage::SaveProblem &problem)
{
    using Code = storage::SaveProblem::Code;
    switch (problem.code) {
    case Code::TextTooLong:
        return textTooLong(problem.what, problem.length, problem.maxLength);
    case Code::UnstorableCharacter:
        return unstorableCharacter(problem.what, problem.character);
    case Code::NotANumber:
        return notANumber(problem.what, problem.value);
    case Code::NumberDoesNotFit:
        return numberDoesNotFit(problem.what, problem.value);
    case Code::KeysCollide:
        return keysCollide(problem.what, problem.value, problem.otherValue);
    }
    return notANumber(problem.what, problem.value);
}

Message pasteTooLong(const QString &what, qsizetype length, int maxLength)
{
    return make(QStringLiteral("ERR-ID:7500035"),
                QStringLiteral("%1: el texto pegado tiene %2 caracteres y se admiten como máximo "
                               "%3; no se pegó nada")
                    .arg(what)
                    .arg(length)
                    .arg(maxLength),
                Warning, Velkora);
}

Message noAutomaticKeyLeft(const QString &nextKey, int maxLength)
{
    return make(QStringLiteral("ERR-ID:7500028"),
                QStringLiteral("No quedan claves automáticas: la siguiente clave (%1) no cabe en "
                               "%2 caracteres. Escriba la clave del nuevo formato de carga.")
                    .arg(nextKey)
                    .arg(maxLength),
                Warning, Velkora);
}

Message replaceLineTypes(int count, int proposed, const QString &file)
{
    return make(QStringLiteral("ERR-ID:7500040"),
                QStringLiteral("El formato de carga ya tiene %1 tipos de línea. ¿Desea "
                               "reemplazarlos por los %2 tipos de línea propuestos desde el "
                               "archivo %3?")
                    .arg(count)
                    .arg(proposed)
                    .arg(file),
                Question, Proponer);
}

Message proposalFileUnreadable(const QString &file, const QString &reason)
{
    return make(
        QStringLiteral("ERR-ID:7500041"),
        QStringLiteral("No se pudo proponer un formato de carga desde el archivo %1:").arg(file) +
            NewLine + reason,
        Warning, Proponer);
}

Message proposalWithoutLineTypes(const QString &file)
{
    return make(
        QStringLiteral("ERR-ID:7500042"),
        QStringLiteral("Ninguna línea del archivo %1 da un tipo de línea que proponer").arg(file),
        Warning, Proponer);
}

Message proposalNotText(const QString &file, const QString &reason)
{
    return make(QStringLiteral("ERR-ID:7500044"),
                QStringLiteral("No se puede proponer un formato de carga desde el archivo %1: no "
                               "es un archivo de texto.")
                        .arg(file) +
                    NewLine + reason,
                Warning, Proponer);
}

Message proposalStopped(int added, int proposed)
{
    return make(QStringLiteral("ERR-ID:7500043"),
                QStringLiteral("Se agregaron %1 de los %2 tipos de línea propuestos; los "
                               "siguientes no se agregaron por el motivo indicado.")
                    .arg(added)
                    .arg(proposed),
                Information, Proponer);
}

Message discardChanges()
{
    // No is the default: Enter keeps the edit.
    return make(QStringLiteral("ERR-ID:7500045"),
                QStringLiteral("El formato de carga tiene cambios que no se han guardado.") +
                    NewLine + QStringLiteral("¿Desea descartarlos?"),
                Question + SecondButtonDefault, QStringLiteral("Descartar cambios"));
}

Message ruleWithoutItsField(const QString &rule, const QString &text, const QString &lineId,
                            const QString &fieldId)
{
    const QString what =
        fieldId.isEmpty() ? QStringLiteral("al tipo de línea %1").arg(lineId)
                          : QStringLiteral("al campo %1 del tipo de línea %2").arg(fieldId, lineId);
    return make(
        QStringLiteral("ERR-ID:7500060"),
        QStringLiteral("La regla %1 (%2) pertenece %3, que ya no está en el formato de carga: "
                       "quítela o cámbiela antes de guardar; no se guardó nada.")
            .arg(rule, text, what),
        Warning, Velkora);
}

Message ruleWithoutText(const QString &rule)
{
    return make(QStringLiteral("ERR-ID:7500061"),
                QStringLiteral("La regla %1 no tiene texto: escríbala o quite la fila.").arg(rule),
                Warning, Atencion);
}

Message ruleUnreadable(const QString &rule, const QString &text, const QString &why)
{
    QString reason = why.trimmed();
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return make(QStringLiteral("ERR-ID:7500062"),
                QStringLiteral("La regla %1 (%2) no se puede leer: %3.").arg(rule, text, reason),
                Warning, Atencion);
}

Message ruleMisplaced(const QString &rule, const QString &keyword, const QString &wanted,
                      const QString &given)
{
    return make(QStringLiteral("ERR-ID:7500063"),
                QStringLiteral("La regla %1 (%2) va en %3 y está en %4.")
                    .arg(rule, keyword, wanted, given),
                Warning, Atencion);
}

Message ruleLineMissing(const QString &rule, const QString &line)
{
    return make(QStringLiteral("ERR-ID:7500064"),
                QStringLiteral("La regla %1: el tipo de línea %2 no está en el formato de carga.")
                    .arg(rule, line),
                Warning, Atencion);
}

Message ruleFieldMissing(const QString &rule, const QString &field, const QString &line)
{
    return make(QStringLiteral("ERR-ID:7500065"),
                QStringLiteral("La regla %1: el campo %2 no está en el tipo de línea %3.")
                    .arg(rule, field, line),
                Warning, Atencion);
}

Message ruleNamesMissingLine(const QString &rule, const QString &text, const QString &line)
{
    return make(QStringLiteral("ERR-ID:7500066"),
                QStringLiteral("La regla %1 (%2) nombra el tipo de línea %3, que no está en el "
                               "formato de carga.")
                    .arg(rule, text, line),
                Warning, Atencion);
}

Message ruleSumsMissingField(const QString &rule, const QString &text, const QString &field,
                             const QString &line)
{
    return make(QStringLiteral("ERR-ID:7500067"),
                QStringLiteral("La regla %1 (%2) suma el campo %3 del tipo de línea %4, que no "
                               "está en el formato de carga.")
                    .arg(rule, text, field, line),
                Warning, Atencion);
}

Message ruleNotApplicable(const QString &rule, const QString &text, const QString &why)
{
    return make(QStringLiteral("ERR-ID:7500070"),
                QStringLiteral("La regla %1 (%2) no se puede aplicar: %3.").arg(rule, text, why),
                Warning, Atencion);
}

Message ruleNoLongerFits(const QString &rule, const QString &text)
{
    return make(QStringLiteral("ERR-ID:7500068"),
                QStringLiteral("La regla %1 (%2) nombra un tipo de línea o un campo que se quitó "
                               "del formato de carga: cámbiela o quítela.")
                    .arg(rule, text),
                Warning, Atencion);
}

Message ruleRepeated(const QString &rule, const QString &text, const QString &earlier,
                     const QString &keyword)
{
    return make(QStringLiteral("ERR-ID:7500069"),
                QStringLiteral("La regla %1 (%2) repite la regla %3: solo se aplica una regla %4 "
                               "en el mismo lugar.")
                    .arg(rule, text, earlier, keyword),
                Warning, Atencion);
}

Message handlerFailed(const QString &handler, const QString &description)
{
    return make(QStringLiteral("ERR-ID:7500029"), handler + NewLine + description, Critical,
                Velkora);
}

Message formatSaved(const QString &key)
{
    return make(QStringLiteral("ERR-ID:7500046"), QStringLiteral("Formato %1 guardado").arg(key),
                Note, StatusBar);
}

Message formatDeactivated(const QString &key)
{
    return make(QStringLiteral("ERR-ID:7500047"),
                QStringLiteral("Formato %1 dado de baja").arg(key), Note, StatusBar);
}

Message formatReactivated(const QString &key)
{
    return make(QStringLiteral("ERR-ID:7500048"), QStringLiteral("Formato %1 reactivado").arg(key),
                Note, StatusBar);
}

Message deactivatedOn(const QString &date, const QString &byOperator)
{
    const QString text = byOperator.trimmed().isEmpty()
                             ? QStringLiteral("Dado de baja el %1").arg(date)
                             : QStringLiteral("Dado de baja el %1 por %2").arg(date, byOperator);
    return make(QStringLiteral("ERR-ID:7500049"), text, Note, BesideTheKey);
}

} // namespace kesta::messages
