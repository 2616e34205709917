#pragma once

// A hand-made payroll file with several line types for the views' tests:
//   0001 "H" header: 0001 Empresa 2-11, 0002 Fecha 12-19
//   0002 "D" detail: 0001 Empleado 2-7, 0002 Importe 8-16 (0V00), 0003 Nombre 17-28,
//                    0004 Clave 27-30 (overlaps Nombre at 27-28), 0005 Origen (CONSTANTE)
//   0003 "T" totals: 0001 Total 2-11 (0V00), 0002 Cuenta 15-18 (12-14 read by no field)
//   0004 "X" at column 2: a line starting "TX" has two line types, 0003 and 0004 (an ID that
//        begins a longer one at the same column would lose to it: the longer one wins).

#include "formats/FormatSamples.h"
#include "samples/SampleFile.h"
#include "views/TestedFile.h"

#include <QTemporaryDir>

namespace views_test {

using namespace Qt::StringLiterals;
using formats_test::lineType;
using velkora::formats::LoadFormat;

inline LoadFormat payroll()
{
    return formats_test::formatOf(
        "0077",
        {lineType("0001", "H", "Cabecera", 1, 1,
                  "0001|Empresa|2|10|T*; 0002|Fecha|12|8|F|YYYYMMDD"),
         lineType("0002", "D", "Empleado", 1, 1,
                  "0001|Empleado|2|6|T; 0002|Importe|8|9|N|0V00; 0003|Nombre|17|12|T*; "
                  "0004|Clave|27|4|T; 0005|Origen|1|1|C||NOMINA"),
         lineType("0003", "T", "Totales", 1, 1, "0001|Total|2|10|N|0V00; 0002|Cuenta|15|4|T"),
         lineType("0004", "X", "Totales X", 2, 1, "0001|Resto|3|5|T")});
}

// Line by line (the file's line numbers):
//   1 header; 2 detail; 3 detail with a letter in Importe; 4 no line type (a CR, a comma and
//   quotes inside); 5 detail cut short inside Importe; 6 two line types; 7 totals with text in
//   the unread columns 12-14.
inline QByteArray payrollFile()
{
    return QByteArray("HEMPRESA SA20261205\n"
                      "D000001000012345O\"NEIL, ANAB12\n"
                      "D00000200001X345MARIA LOPECD34\n"
                      "Zbad\rline, \"q\"\n"
                      "D000003000012\n"
                      "TX000000123\n"
                      "T0000012445ABC0001\n");
}

// A ledger with rules, for the broken rules in the views:
//   0001 "H" header: 0001 Empresa 2-10; PRIMERA
//   0002 "D" detail: 0001 Importe 2-10 (0V00), 0002 Folio 11-14 (SECUENCIA)
//   0003 "T" trailer: 0001 Cuenta 2-5 (CUENTA 0002), 0002 Total 6-15 (0V00, SUMA 0002.0001);
//                     ULTIMA
inline LoadFormat ledger()
{
    return formats_test::withRules(
        formats_test::formatOf(
            "0088",
            {lineType("0001", "H", "Cabecera", 1, 1, "0001|Empresa|2|9|T*"),
             lineType("0002", "D", "Detalle", 1, 1, "0001|Importe|2|9|N|0V00; 0002|Folio|11|4|N"),
             lineType("0003", "T", "Cierre", 1, 1, "0001|Cuenta|2|4|N; 0002|Total|6|10|N|0V00")}),
        {u"0001||PRIMERA"_s, u"0002|0002|SECUENCIA"_s, u"0003|0001|CUENTA 0002"_s,
         u"0003|0002|SUMA 0002.0001"_s, u"0003||ULTIMA"_s});
}

// Line by line: 1 header; 2-4 details of 1.00, 2.00 and 3.00, folios 1, 2 and 4 (a folio
// skipped on line 4); 5 the trailer, a right count (3) and a wrong total (7.00); 6 a detail
// after the trailer (ULTIMA broken there; its folio 5 follows 4).
inline QByteArray ledgerFile()
{
    return QByteArray("HEMPRESA  \n"
                      "D0000001000001\n"
                      "D0000002000002\n"
                      "D0000003000004\n"
                      "T00030000000700\n"
                      "D0000004000005\n");
}

inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &data)
{
    return samples::writeBytes(dir.filePath(name), data);
}

} // namespace views_test
