#include "RuleHelp.h"

namespace velkora::formats {

QList<RuleWord> ruleWords()
{
    return {
        {QStringLiteral("REGISTRO"),
         QStringLiteral(
             "REGISTRO n (archivo): registros de n caracteres, con o sin saltos de línea"),
         QStringLiteral("REGISTRO 750")},
        {QStringLiteral("CODIFICACION"),
         QStringLiteral("CODIFICACION ASCII|LATIN1|WINDOWS1252|UTF8 (archivo): la codificación "
                        "de todas las líneas"),
         QStringLiteral("CODIFICACION LATIN1")},
        {QStringLiteral("LONGITUD"),
         QStringLiteral("LONGITUD n o n-m (tipo de línea): los caracteres de cada línea"),
         QStringLiteral("LONGITUD 94")},
        {QStringLiteral("VECES"),
         QStringLiteral("VECES n, n-m o n-* (tipo de línea): cuántas líneas del tipo tiene el "
                        "archivo"),
         QStringLiteral("VECES 1-*")},
        {QStringLiteral("PRIMERA"),
         QStringLiteral("PRIMERA, ULTIMA (tipo de línea): la primera o la última línea del "
                        "archivo"),
         QStringLiteral("PRIMERA")},
        {QStringLiteral("TRAS"),
         QStringLiteral("TRAS t1,t2 (tipo de línea): va justo después de una línea de esos "
                        "tipos; INICIO: o es la primera"),
         QStringLiteral("TRAS INICIO,0009")},
        {QStringLiteral("PREVALECE"),
         QStringLiteral("PREVALECE SOBRE t1,t2 (tipo de línea): una línea de este tipo y de "
                        "esos es de este"),
         QStringLiteral("PREVALECE SOBRE 0002")},
        {QStringLiteral("OPCIONAL"),
         QStringLiteral("OPCIONAL (campo): en blanco (o ceros) es un valor vacío"),
         QStringLiteral("OPCIONAL")},
        {QStringLiteral("VALORES"),
         QStringLiteral("VALORES a|b|c (campo): el texto es uno de esos"),
         QStringLiteral("VALORES 22|27|32|37")},
        {QStringLiteral("ENTRE"),
         QStringLiteral("ENTRE a b (campo NUMERO o Fecha): el valor está entre a y b"),
         QStringLiteral("ENTRE 1 999")},
        {QStringLiteral("CUENTA"),
         QStringLiteral("CUENTA t1,t2 o * [SI t.f = a|b] [DESDE t0] [INCLUSIVE] (campo "
                        "NUMERO): el número de líneas"),
         QStringLiteral("CUENTA 0002")},
        {QStringLiteral("SUMA"),
         QStringLiteral("SUMA t.f[,t.f] [SI t.f = a|b] [NEGATIVO SI t.f = a|b] [DESDE t0] "
                        "[ULTIMOS n] (campo NUMERO): la suma de campos"),
         QStringLiteral("SUMA 0002.0003")},
        {QStringLiteral("IGUAL"),
         QStringLiteral("IGUAL A t.f + SUMA ... - CUENTA ... [DESDE t0] (campo NUMERO): campos "
                        "de otras líneas, sumas y cuentas"),
         QStringLiteral("IGUAL A 0001.0003 + SUMA 0002.0003")},
        {QStringLiteral("SECUENCIA"),
         QStringLiteral("SECUENCIA, SECUENCIA LINEA (campo NUMERO): uno más que el anterior, o "
                        "el número de la línea"),
         QStringLiteral("SECUENCIA")},
    };
}

QStringList ruleWordHelp()
{
    QStringList lines;
    for (const RuleWord &word : ruleWords())
        lines << word.help;
    return lines;
}

} // namespace velkora::formats
