// The messages of the list of the stored load formats.

#include "MessageParts.h"

namespace kesta::messages {

using namespace parts;

Message formatListWhileEditing()
{
    return make(QStringLiteral("ERR-ID:7500074"),
                QStringLiteral("La lista de formatos se abre fuera de la edición: guarde o "
                               "cancele el formato de carga que edita"),
                Note, StatusBar);
}

Message formatListFailed(const QString &description)
{
    return make(QStringLiteral("ERR-ID:7500075"),
                QStringLiteral("No se pudo leer la lista de los formatos de carga guardados:") +
                    NewLine + description,
                Critical, Error);
}

} // namespace kesta::messages
