#include "RulePlacement.h"

namespace velkora::formats {

namespace {

QString placeName(RuleScope scope)
{
    switch (scope) {
    case RuleScope::File:
        return QStringLiteral("el archivo (sin tipo de línea)");
    case RuleScope::LineType:
        return QStringLiteral("un tipo de línea (sin campo)");
    case RuleScope::Field:
        break;
    }
    return QStringLiteral("un campo");
}

// "un campo NUMERO", "un campo TEXTO"... ("un campo sin tipo" for a code that names none).
QString fieldName(FieldType type)
{
    return QStringLiteral("un campo ") +
           (type == FieldType::Unknown ? QStringLiteral("sin tipo") : fieldTypeName(type));
}

bool takes(FieldWanted wanted, FieldType type)
{
    switch (wanted) {
    case FieldWanted::Any:
        return true;
    case FieldWanted::Number:
        return type == FieldType::Numero;
    case FieldWanted::NumberOrDate:
        return type == FieldType::Numero || type == FieldType::Fecha;
    }
    return false;
}

} // namespace

RulePlacement rulePlacement(RuleKind kind)
{
    using S = RuleScope;
    using F = FieldWanted;
    switch (kind) {
    case RuleKind::Registro:
    case RuleKind::Codificacion:
        return {S::File, F::Any, true};
    case RuleKind::Longitud:
    case RuleKind::Veces:
    case RuleKind::Primera:
    case RuleKind::Ultima:
    case RuleKind::Tras:
    case RuleKind::Prevalece:
        return {S::LineType, F::Any, true};
    case RuleKind::Opcional:
        return {S::Field, F::Any, false};
    case RuleKind::Valores:
        return {S::Field, F::Any, true};
    case RuleKind::Entre:
        return {S::Field, F::NumberOrDate, true};
    case RuleKind::Cuenta:
    case RuleKind::Suma:
    case RuleKind::Igual:
    case RuleKind::Secuencia:
    case RuleKind::SecuenciaLinea:
        return {S::Field, F::Number, false};
    }
    return {};
}

RuleScope givenScope(const QString &lineType, const QString &field)
{
    return lineType.trimmed().isEmpty() ? RuleScope::File
           : field.trimmed().isEmpty()  ? RuleScope::LineType
                                        : RuleScope::Field;
}

std::optional<Misplacement> misplacedScope(RuleKind kind, RuleScope given)
{
    const RuleScope wanted = rulePlacement(kind).scope;
    if (wanted == given)
        return std::nullopt;
    return Misplacement{placeName(wanted), placeName(given), true};
}

std::optional<Misplacement> misplacedField(RuleKind kind, FieldType type, bool readable)
{
    const FieldWanted wanted = rulePlacement(kind).field;
    if (wanted == FieldWanted::Any || (takes(wanted, type) && readable))
        return std::nullopt;
    const QString name = wanted == FieldWanted::Number ? QStringLiteral("un campo NUMERO")
                                                       : QStringLiteral("un campo NUMERO o Fecha");
    return Misplacement{name,
                        readable ? fieldName(type)
                                 : fieldName(type) + QStringLiteral(" que no se "
                                                                    "puede leer"),
                        false};
}

} // namespace velkora::formats
