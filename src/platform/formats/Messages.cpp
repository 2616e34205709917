#include "Messages.h"

namespace velkora::formats {

QString problemMessage(const FieldDef &field, const QString &text, const Problem &problem,
                       int column, const QString &badChar, const QString &definitionError)
{
    const bool number = field.type() == FieldType::Numero;
    if (problem.code == Problem::BadFormat)
        return QStringLiteral("El campo no se puede leer: %1.").arg(definitionError);
    const QString format = field.format.isEmpty() ? (number ? QStringLiteral("vacío (solo dígitos)")
                                                            : QStringLiteral("vacío (YYYYMMDD)"))
                                                  : QStringLiteral("'%1'").arg(field.format);
    if (problem.code == Problem::Blank)
        return number ? QStringLiteral("Está en blanco y debe ser un número en el formato %1.")
                            .arg(format)
                      : QStringLiteral("Está en blanco y debe ser una fecha en el formato %1.")
                            .arg(format);
    const QString what =
        number ? QStringLiteral("'%1' no es un número en el formato %2: ").arg(text, format)
               : QStringLiteral("'%1' no es una fecha en el formato %2: ").arg(text, format);
    QString why;
    switch (problem.code) {
    case Problem::BadCharacter:
        why = QStringLiteral("el carácter '%1' de la columna %2 no cabe en él")
                  .arg(badChar)
                  .arg(column);
        break;
    case Problem::MisplacedSign:
        why = QStringLiteral("el signo '%1' de la columna %2 no va en ese lugar")
                  .arg(badChar)
                  .arg(column);
        break;
    case Problem::NoDigits:
        why = QStringLiteral("no tiene dígitos");
        break;
    case Problem::TooManyDigits:
        why = QStringLiteral("tiene más de %1 dígitos significativos").arg(problem.a);
        break;
    case Problem::TooManyDecimals:
        why = QStringLiteral("tiene %1 decimales y el formato admite %2")
                  .arg(problem.a)
                  .arg(problem.b);
        break;
    case Problem::WrongLength:
        why = QStringLiteral("tiene %1 caracteres y el formato %2").arg(problem.a).arg(problem.b);
        break;
    case Problem::BadLiteral:
        why = QStringLiteral("en la columna %1 va '%2' y hay '%3'")
                  .arg(column)
                  .arg(QChar(problem.a))
                  .arg(badChar);
        break;
    case Problem::BadMonth:
        why = QStringLiteral("el mes %1 no existe").arg(problem.a);
        break;
    case Problem::BadDay:
        // Month 0: a day of the year (a Julian date's DDD).
        why =
            problem.b == 0
                ? QStringLiteral("el día %1 del año no existe en %2").arg(problem.a).arg(problem.c)
                : QStringLiteral("el día %1 no existe en el mes %2 de %3")
                      .arg(problem.a)
                      .arg(problem.b)
                      .arg(problem.c);
        break;
    case Problem::BadYear:
        why = QStringLiteral("el año %1 no existe").arg(problem.a);
        break;
    case Problem::None:
    case Problem::Blank:
    case Problem::BadFormat:
        break;
    }
    return what + why + QLatin1Char('.');
}

} // namespace velkora::formats
