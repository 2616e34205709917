#include "StoredTestTarget.h"

#include "host/RuntimeError.h"
#include "LoadFormatReader.h"
#include "StoredFormat.h"

namespace velkora::store {

StoredTestTarget storedTestTarget(const QSqlDatabase &db, const QString &key, const QString &file)
{
    StoredTestTarget target;
    target.format.key = key;
    if (key.trimmed().isEmpty()) {
        target.error = QStringLiteral("No se indicó la clave del formato de carga que se prueba.");
        return target;
    }
    std::optional<formats::LoadFormat> format;
    try {
        format = LoadFormatReader(db).read(key);
    } catch (const std::exception &error) {
        target.error = QStringLiteral("No se pudo leer el formato de carga '%1': %2")
                           .arg(key, kesta::host::descriptionOf(error));
        return target;
    }
    if (!format) {
        target.error = QStringLiteral("No existe el formato de carga '%1'.").arg(key);
        return target;
    }
    target.format = *format;
    target.path = resolveFormatFile(db, file.isEmpty() ? format->file : file);
    if (target.path.isEmpty()) {
        target.error = QStringLiteral("El formato de carga '%1' no tiene archivo: escriba el "
                                      "nombre del archivo que se prueba en el formato.")
                           .arg(key);
        return target;
    }
    target.ok = true;
    return target;
}

} // namespace velkora::store
