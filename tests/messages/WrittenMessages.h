#pragma once

// The save's refusals as they are written for users: id, text (with the values of the save's
// tests filled in, "\r\n" where the message breaks its line), style and title, typed here letter
// by letter, misspellings included, for the save's tests to compare with what the screen shows.

#include <QList>
#include <QString>

namespace kesta::test {

struct WrittenMessage {
    QString id; // "7500001"
    QString text;
    int style = 0;
    QString title;
};

inline const QList<WrittenMessage> &writtenMessages()
{
    static const QList<WrittenMessage> table{
        {"7500011",
         "Se encuentra en modo de edición de la línea, \r\npara continuar debe finalizar la "
         "edición",
         64, "Atención"},
        {"7500012", "La clave: 0001, ya está asginada al formato de carga: Pagos", 48, "Velkora"},
        {"7500014", "Debe especificar una clave al formato de carga", 48, "Velkora"},
        {"7500015", "Debe especificar una descripción al fomarto de carga", 48, "Velkora"},
        {"7500016", "Se requiere de al menos la configuración de una línea", 48, "Velkora"},
        {"7500017", "Imposible actualizar campos adicionales", 16, "ERROR"},
        {"7500030", "Archivo: el texto tiene 101 caracteres y se admiten como máximo 100", 48,
         "Velkora"},
        {"7500031",
         "Dato 3: el número 12345678901234567.0000 no cabe; se admiten como máximo 16 dígitos "
         "enteros y 4 decimales",
         48, "Velkora"},
    };
    return table;
}

// The row of an id ("7500011"); an empty row when the table has none.
inline WrittenMessage writtenMessage(const QString &id)
{
    for (const WrittenMessage &m : writtenMessages()) {
        if (m.id == id)
            return m;
    }
    return {};
}

} // namespace kesta::test
