#include "RuleHelp.h"

namespace velkora::formats {

QStringList ruleWordHelp()
{
    return {
        QStringLiteral(
            "REGISTRO n (archivo): registros de n caracteres, con o sin saltos de línea"),
        QStringLiteral("CODIFICACION ASCII|LATIN1|WINDOWS1252|UTF8 (archivo): la codificación de "
                       "todas las líneas"),
        QStringLiteral("LONGITUD n o n-m (tipo de línea): los caracteres de cada línea"),
        QStringLiteral("VECES n, n-m o n-* (tipo de línea): cuántas líneas del tipo tiene el "
                       "archivo"),
        QStringLiteral("PRIMERA, ULTIMA (tipo de línea): la primera o la última línea del archivo"),
        QStringLiteral("TRAS t1,t2 (tipo de línea): va justo después de una línea de esos tipos; "
                       "INICIO: o es la primera"),
        QStringLiteral("PREVALECE SOBRE t1,t2 (tipo de línea): una línea de este tipo y de "
                       "esos es de este"),
        QStringLiteral("OPCIONAL (campo): en blanco (o ceros) es un valor vacío"),
        QStringLiteral("VALORES a|b|c (campo): el texto es uno de esos"),
        QStringLiteral("ENTRE a b (campo NUMERO o Fecha): el valor está entre a y b"),
        QStringLiteral("CUENTA t1,t2 o * [SI t.f = a|b] [DESDE t0] [INCLUSIVE] (campo NUMERO): "
                       "el número de líneas"),
        QStringLiteral("SUMA t.f[,t.f] [SI t.f = a|b] [NEGATIVO SI t.f = a|b] [DESDE t0] "
                       "[ULTIMOS n] (campo NUMERO): la suma de campos"),
        QStringLiteral("IGUAL A t.f + SUMA ... - CUENTA ... [DESDE t0] (campo NUMERO): campos de "
                       "otras líneas, sumas y cuentas"),
        QStringLiteral("SECUENCIA, SECUENCIA LINEA (campo NUMERO): uno más que el anterior, o el "
                       "número de la línea"),
    };
}

} // namespace velkora::formats
