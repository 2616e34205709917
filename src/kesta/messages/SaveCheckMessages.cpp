// The save's checks of what the columns hold, a save that met another user's, and the
// paste and automatic key limits.

#include "MessageParts.h"

#include "store/SaveCheck.h"

namespace kesta::messages {

using namespace parts;

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

Message saveProblem(const velkora::store::SaveProblem &problem)
{
    using Code = velkora::store::SaveProblem::Code;
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

} // namespace kesta::messages
