// The checks of the rules entered on the screen, a saved rule whose field is gone, and the
// rules that went with their fields or line type.

#include "MessageParts.h"

namespace kesta::messages {

using namespace parts;

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

Message rulesGoneWithFields(const QStringList &rules)
{
    return make(QStringLiteral("ERR-ID:7500072"),
                QStringLiteral("Se quitaron con sus campos estas reglas del formato de carga: %1.")
                    .arg(rules.join(QStringLiteral("; "))),
                Information, Atencion);
}

Message rulesGoneWithLineType(const QStringList &rules)
{
    return make(
        QStringLiteral("ERR-ID:7500073"),
        QStringLiteral("Se quitaron con el tipo de línea estas reglas del formato de carga: %1.")
            .arg(rules.join(QStringLiteral("; "))),
        Information, Atencion);
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
    return make(
        QStringLiteral("ERR-ID:7500063"),
        QStringLiteral("La regla %1 (%2) va en %3 y está en %4.").arg(rule, keyword, wanted, given),
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

} // namespace kesta::messages
