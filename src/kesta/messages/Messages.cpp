#include "Messages.h"
#include "MessageParts.h"

#include "host/Publico.h"

namespace kesta::messages {

using namespace parts;

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
                QStringLiteral("La %1 del campo %2 debe ser un número entero de 0 a %3 "
                               "(se indicó %4)")
                    .arg(column, field, MaxPositionText, value),
                Warning, ValidarDetalle);
}

Message lineNumberOutOfRange(const QString &column, const QString &value)
{
    return make(QStringLiteral("ERR-ID:7500027"),
                QStringLiteral("La %1 de la línea debe ser un número entero de 0 a %2 "
                               "(se indicó %3)")
                    .arg(column, MaxPositionText, value),
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

Message discardLineChanges()
{
    // No is the default: Enter keeps the line edit.
    return make(QStringLiteral("ERR-ID:7500071"),
                QStringLiteral("La línea tiene cambios que no se han aceptado.") + NewLine +
                    QStringLiteral("¿Desea descartarlos?"),
                Question + SecondButtonDefault, QStringLiteral("Descartar cambios"));
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
