#pragma once

// Every message of the screen as it is written for users and support staff: its id, its text
// (with the values of one example filled in, "\r\n" where the message breaks its line), style
// and title, typed here letter by letter, misspellings included. Tests compare what the screen
// shows with this table, never with the screen's own catalogue, so that a typo made in the
// code and in docs/messages.md alike is still caught.

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
        {"7500001", "No se puede agregar más líneas si el ID de la primera está vacío", 48,
         "Atención"},
        {"7500002", "Datos incorrectos de la línea actual", 48, "Atención"},
        {"7500003", "El ID es requerido cuando existe más de una línea", 48, "Atención"},
        {"7500004", "Debe especificar un ID", 48, "Validar detalle"},
        {"7500005", "Debe especificar una posición", 48, "Validar detalle"},
        {"7500006", "Debe espcicifcar una longitud", 48, "Validar detalle"},
        {"7500007", "Debe especificar un tipo", 48, "Validar detalle"},
        {"7500008", "Los ID 0000 y 0 dan el mismo número de campo 0000", 48, "Atención"},
        {"7500009", "El número de línea 0002 ya está asignado a otra línea", 48, "Atención"},
        {"7500010", "El ID AB está duplicado", 48, "Atención"},
        {"7500011",
         "Se encuentra en modo de edición de la línea, \r\npara continuar debe finalizar la "
         "edición",
         64, "Atención"},
        {"7500012", "La clave: 0001, ya está asginada al formato de carga: Pagos", 48, "Velkora"},
        {"7500013",
         "La posición del campo 0001 debe ser un número entero mayor que cero, de como mucho dos "
         "mil millones (se indicó 0)",
         48, "Validar detalle"},
        {"7500014", "Debe especificar una clave al formato de carga", 48, "Velkora"},
        {"7500015", "Debe especificar una descripción al fomarto de carga", 48, "Velkora"},
        {"7500016", "Se requiere de al menos la configuración de una línea", 48, "Velkora"},
        {"7500017", "Imposible actualizar campos adicionales", 16, "ERROR"},
        {"7500018", "statement refused (test)", 16, "ERROR"},
        {"7500019", "No existe el archivo x.txt", 16, "ERROR"},
        {"7500020", "ScriptRows failed (test)", 16, "Controles_B3Click()"},
        {"7500021", "LogAction failed (test)", 16, "Velkora"},
        {"7500022",
         "La operación se ha cancelado debido al siguiente error: \r\nLogAction failed (test)", 16,
         "Velkora"},
        {"7500023", "RellenaDetalle()\r\nType mismatch", 16, "Velkora"},
        {"7500024", "La clave especificada no existe", 48, "Atención"},
        {"7500025", "txtClave_Enter()\r\nConnection failed (test)", 16, "Velkora"},
        {"7500026", "¿Seguro que desea eliminar la línea seleccionada?", 36,
         "Confirmar eliminación"},
        {"7500027",
         "La longitud de la línea debe ser un número entero mayor que cero, de como mucho dos mil "
         "millones (se indicó 0)",
         48, "Atención"},
        {"7500028",
         "No quedan claves automáticas: la siguiente clave (10000) no cabe en 4 caracteres. "
         "Escriba la clave del nuevo formato de carga.",
         48, "Velkora"},
        {"7500029", "PasteRefused()\r\nShowMessage failed (test)", 16, "Velkora"},
        {"7500030", "Archivo: el texto tiene 101 caracteres y se admiten como máximo 100", 48,
         "Velkora"},
        {"7500031",
         "Dato 3: el número 12345678901234567.0000 no cabe; se admiten como máximo 16 dígitos "
         "enteros y 4 decimales",
         48, "Velkora"},
        {"7500032", "Línea 0002, Posición: \"x\" no es un número", 48, "Velkora"},
        {"7500033",
         "Otro usuario modificó el formato de carga 0001 al mismo tiempo o tiene la base de datos "
         "ocupada; no se guardó nada.\r\nVuelva a cargarlo y repita los cambios.\r\ndatabase is "
         "locked",
         16, "ERROR"},
        {"7500034", "Descripción: el texto contiene un carácter que no se puede guardar (U+0009)",
         48, "Velkora"},
        {"7500035",
         "Clave: el texto pegado tiene 5 caracteres y se admiten como máximo 4; no se pegó nada",
         48, "Velkora"},
        {"7500039",
         "Línea 0002, Id: \"a\" y \"A\" son el mismo valor para la base de datos, que no "
         "distingue mayúsculas de minúsculas ni los blancos al final",
         48, "Velkora"},
        {"7500040",
         "El formato de carga ya tiene 2 tipos de línea. ¿Desea reemplazarlos por los 3 tipos de "
         "línea propuestos desde el archivo /tmp/pagos.txt?",
         36, "Proponer desde archivo"},
        {"7500041",
         "No se pudo proponer un formato de carga desde el archivo /tmp/no.txt:\r\nEl archivo no "
         "existe",
         48, "Proponer desde archivo"},
        {"7500042", "Ninguna línea del archivo /tmp/vacio.txt da un tipo de línea que proponer", 48,
         "Proponer desde archivo"},
        {"7500043",
         "Se agregaron 1 de los 3 tipos de línea propuestos; los siguientes no se agregaron por el "
         "motivo indicado.",
         64, "Proponer desde archivo"},
        {"7500044",
         "No se puede proponer un formato de carga desde el archivo /tmp/imagen.png: no es un "
         "archivo de texto.\r\ntiene bytes nulos",
         48, "Proponer desde archivo"},
        {"7500045",
         "El formato de carga tiene cambios que no se han guardado.\r\n¿Desea descartarlos?", 292,
         "Descartar cambios"},
        {"7500046", "Formato 0042 guardado", 0, "Barra de estado"},
        {"7500047", "Formato 0042 dado de baja", 0, "Barra de estado"},
        {"7500048", "Formato 0042 reactivado", 0, "Barra de estado"},
        {"7500049", "Dado de baja el 07/12/2026 por OPER", 0, "Junto a la clave"},
        {"7500060",
         "La regla 0004 (SECUENCIA) pertenece al campo 0020 del tipo de línea 0006, que ya no está "
         "en el formato de carga: quítela o cámbiela antes de guardar; no se guardó nada.",
         48, "Velkora"},
        {"7500061", "La regla 0003 no tiene texto: escríbala o quite la fila.", 48, "Atención"},
        {"7500062", "La regla 0002 (LARGO 94) no se puede leer: LARGO no es una regla.", 48,
         "Atención"},
        {"7500063",
         "La regla 0001 (LONGITUD) va en un tipo de línea (sin campo) y está en el archivo (sin "
         "tipo de línea).",
         48, "Atención"},
        {"7500064", "La regla 0002: el tipo de línea 0007 no está en el formato de carga.", 48,
         "Atención"},
        {"7500065", "La regla 0004: el campo 0090 no está en el tipo de línea 0009.", 48,
         "Atención"},
        {"7500066",
         "La regla 0005 (CUENTA 0006 DESDE 0005) nombra el tipo de línea 0006, que no está en el "
         "formato de carga.",
         48, "Atención"},
        {"7500067",
         "La regla 0006 (SUMA 0006.0050) suma el campo 0050 del tipo de línea 0006, que no está "
         "en el formato de carga.",
         48, "Atención"},
        {"7500068",
         "La regla 0003 (TRAS 0005) nombra un tipo de línea o un campo que se quitó del formato de "
         "carga: cámbiela o quítela.",
         48, "Atención"},
        {"7500069",
         "La regla 0004 (ULTIMA) repite la regla 0002: solo se aplica una regla ULTIMA en el mismo "
         "lugar.",
         48, "Atención"},
        {"7500070",
         "La regla 0005 (ENTRE 999 1) no se puede aplicar: el primer valor de ENTRE es mayor que "
         "el segundo.",
         48, "Atención"},
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
