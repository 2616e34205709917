#pragma once

// A hand-made payroll file with several line types for the views' tests:
//   0001 "H" header: 0001 Empresa 2-11, 0002 Fecha 12-19
//   0002 "D" detail: 0001 Empleado 2-7, 0002 Importe 8-16 (0V00), 0003 Nombre 17-28,
//                    0004 Clave 27-30 (overlaps Nombre at 27-28), 0005 Origen (CONSTANTE)
//   0003 "T" totals: 0001 Total 2-11 (0V00), 0002 Cuenta 15-18 (12-14 read by no field)
//   0004 "X" at column 2: a line starting "TX" has two line types, 0003 and 0004 (an ID that
//        begins a longer one at the same column would lose to it: the longer one wins).

#include "formats/LoadFormat.h"
#include "views/TestedFile.h"

#include <QFile>
#include <QTemporaryDir>

namespace views_test {

using velkora::formats::FieldDef;
using velkora::formats::LineType;
using velkora::formats::LoadFormat;

inline FieldDef field(const char *type, const char *id, const char *description, int position,
                      int length, const char *code, const char *format = "", bool trim = false,
                      const char *value = "")
{
    return FieldDef{QString::fromUtf8(type),
                    QString::fromUtf8(id),
                    QString::fromUtf8(description),
                    position,
                    length,
                    QString::fromUtf8(code),
                    QString::fromUtf8(value),
                    QString::fromUtf8(format),
                    trim};
}

inline LoadFormat payroll()
{
    LoadFormat f;
    f.key = QStringLiteral("0077");
    f.description = QStringLiteral("Nómina de prueba");
    f.state = QStringLiteral("AC");
    LineType header{
        QStringLiteral("0001"), QStringLiteral("H"), QStringLiteral("Cabecera"), 1, 1, {}};
    header.fields = {field("0001", "0001", "Empresa", 2, 10, "02", "", true),
                     field("0001", "0002", "Fecha", 12, 8, "03", "YYYYMMDD")};
    LineType detail{
        QStringLiteral("0002"), QStringLiteral("D"), QStringLiteral("Empleado"), 1, 1, {}};
    detail.fields = {field("0002", "0001", "Empleado", 2, 6, "02"),
                     field("0002", "0002", "Importe", 8, 9, "01", "0V00"),
                     field("0002", "0003", "Nombre", 17, 12, "02", "", true),
                     field("0002", "0004", "Clave", 27, 4, "02"),
                     field("0002", "0005", "Origen", 1, 1, "04", "", false, "NOMINA")};
    LineType totals{
        QStringLiteral("0003"), QStringLiteral("T"), QStringLiteral("Totales"), 1, 1, {}};
    totals.fields = {field("0003", "0001", "Total", 2, 10, "01", "0V00"),
                     field("0003", "0002", "Cuenta", 15, 4, "02")};
    LineType shadow{
        QStringLiteral("0004"), QStringLiteral("X"), QStringLiteral("Totales X"), 2, 1, {}};
    shadow.fields = {field("0004", "0001", "Resto", 3, 5, "02")};
    f.lineTypes = {header, detail, totals, shadow};
    return f;
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

inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &data)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return {};
    return path;
}

} // namespace views_test
