// Messages that guide the user: a command that cannot act now and why, and fields that read the
// same columns.

#include "MessageParts.h"

namespace kesta::messages {

using namespace parts;

Message commandUnavailable(const QString &command, const QString &why)
{
    return make(QStringLiteral("ERR-ID:7500080"),
                QStringLiteral("\"%1\" no está disponible: %2").arg(command, why), Note,
                StatusBar);
}

Message fieldsOverlap(const QStringList &overlaps)
{
    return make(QStringLiteral("ERR-ID:7500081"),
                QStringLiteral("La línea se aceptó, pero hay campos que leen las mismas "
                               "columnas:") +
                    NewLine + overlaps.join(NewLine),
                Information, ValidarDetalle);
}

} // namespace kesta::messages
