#pragma once

#include "Conversion.h"
#include "LoadFormat.h"

namespace velkora::formats {

// The message of a field that could not be read: "'12A4' no es un número en el formato
// '0V00': el carácter 'A' (columna 53) no cabe en él". text is the field's text as shown,
// column and badChar the offending character's (0 and empty when none); definitionError is
// the reason when the field's definition itself cannot be read.
QString problemMessage(const FieldDef &field, const QString &text, const Problem &problem,
                       int column, const QString &badChar, const QString &definitionError);

} // namespace velkora::formats
