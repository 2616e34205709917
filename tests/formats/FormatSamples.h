#pragma once

// Hand-made load formats and files in multi-record standards for the formats tests:
// - a bank statement with 80-character records coded at positions 1-2 (11 account header,
//   22 movement, 23 complementary concept, 33 account end, 88 file end);
// - a payment file with 94-character records coded at position 1 (1 file header, 5 batch
//   header, 6 entry, 8 batch control, 9 file control);
// - a sales file with 58-character details whose date and amounts start at column 31 (H
//   header, D detail, T trailer), for the likely causes of errors.

#include "formats/LoadFormat.h"
#include "formats/LoadFormatTest.h"
#include "samples/BankStatement.h"
#include "samples/PaymentFile.h"
#include "samples/SampleFile.h"
#include "support/DataRows.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>

namespace formats_test {

using kesta::test::dataColumns;
using kesta::test::fetchColumns;
using velkora::formats::FieldDef;
using velkora::formats::LineType;
using velkora::formats::LoadFormat;
using velkora::formats::TestOptions;
using velkora::formats::TestReport;
using namespace Qt::StringLiterals;

// A field of a line type written "id|description|position|length|type|format|value": the type
// N (NUMERO), T (TEXTO), F (Fecha), C (CONSTANTE) or a code, with a "*" after it for a trimmed
// field; the format and the value may be left out.
inline FieldDef fieldDef(const QString &order, const QString &spec)
{
    const QStringList parts = spec.trimmed().split(u'|');
    QString code = parts.value(4);
    const bool trim = code.endsWith(u'*');
    code.chop(trim ? 1 : 0);
    if (code.size() == 1)
        code = u"0%1"_s.arg(u"NTFC"_s.indexOf(code) + 1);
    return FieldDef{order,
                    parts.value(0),
                    parts.value(1),
                    parts.value(2).toInt(),
                    parts.value(3).toInt(),
                    code,
                    parts.value(6),
                    parts.value(5),
                    trim};
}

// A line type with its fields, each written as fieldDef() reads it, separated by ";".
inline LineType lineType(const char *order, const char *id, const char *description, int position,
                         int length, const QString &fields = {})
{
    LineType type{QString::fromUtf8(order),
                  QString::fromUtf8(id),
                  QString::fromUtf8(description),
                  position,
                  length,
                  {}};
    for (const QString &field : fields.split(u';', Qt::SkipEmptyParts))
        type.fields << fieldDef(type.order, field);
    return type;
}

// The same, with each field written out (the views' and the benchmarks' samples).
struct F { // a field: number, description, position, length, type, format, trim, value
    const char *id;
    const char *description;
    int position;
    int length;
    const char *type;
    const char *format = "";
    bool trim = false;
    const char *value = "";
};

inline LineType lineType(const char *order, const char *id, const char *description, int position,
                         int length, std::initializer_list<F> fields)
{
    LineType type = lineType(order, id, description, position, length);
    for (const F &f : fields)
        type.fields << FieldDef{type.order,
                                QString::fromUtf8(f.id),
                                QString::fromUtf8(f.description),
                                f.position,
                                f.length,
                                QString::fromUtf8(f.type),
                                QString::fromUtf8(f.value),
                                QString::fromUtf8(f.format),
                                f.trim};
    return type;
}

// A format of the line types under a key.
inline LoadFormat formatOf(const char *key, std::initializer_list<LineType> types)
{
    LoadFormat f;
    f.key = QString::fromUtf8(key);
    f.lineTypes = types;
    return f;
}

// The format with its rules: "line type|field|rule" each, numbered 0001... in order.
inline LoadFormat withRules(LoadFormat format, const QStringList &rules)
{
    for (const QString &rule : rules) {
        const QStringList parts = rule.split(u'|');
        format.rules << velkora::formats::RuleDef{
            u"%1"_s.arg(format.rules.size() + 1, 4, 10, QLatin1Char('0')),
            parts.value(0),
            parts.value(1),
            parts.mid(2).join(u'|'),
            {}};
    }
    return format;
}

// A list written as one text, its items separated by "; ".
inline QStringList listOf(const char *items)
{
    return QString::fromUtf8(items).split(u"; "_s);
}

// The errors of a report as "line:rule" (rule empty for an error of no rule).
inline QStringList errorPlaces(const velkora::formats::TestReport &report)
{
    QStringList places;
    for (const auto &error : report.errors)
        places << u"%1:%2"_s.arg(error.line).arg(error.rule);
    return places;
}

// Replaces the text at a column (from 1) of a line (from 1).
inline void put(QStringList &lines, int line, int column, const QString &text)
{
    lines[line - 1].replace(column - 1, text.size(), text);
}

struct Put { // a text put at a column (from 1) of a line (from 1)
    int line;
    int column;
    QString text;
};

// The lines with the texts put in them.
inline QStringList edited(QStringList lines, std::initializer_list<Put> puts)
{
    for (const Put &p : puts)
        put(lines, p.line, p.column, p.text);
    return lines;
}

// The lines after `change`.
inline QStringList changed(QStringList lines, const std::function<void(QStringList &)> &change)
{
    change(lines);
    return lines;
}

constexpr const char *Numero = "01", *Texto = "02", *Fecha = "03", *Constante = "04";

inline LoadFormat bankStatement()
{
    LoadFormat f;
    f.key = QStringLiteral("0043");
    f.description = QStringLiteral("Extracto de cuenta");
    f.state = QStringLiteral("AC");
    f.lineTypes = {
        lineType("0010", "11", "Cabecera de cuenta", 1, 2,
                 "0010|Banco|3|4|T; 0020|Oficina|7|4|T; 0030|Cuenta|11|10|T; "
                 "0040|Fecha inicial|21|6|F|YYMMDD; 0050|Fecha final|27|6|F|yymmdd; "
                 "0060|Clave debe/haber|33|1|T; 0070|Saldo inicial|34|14|N|0V00; "
                 "0080|Divisa|48|3|T; 0090|Modalidad|51|1|T; 0100|Titular|52|26|T*"),
        lineType("0020", "22", "Movimiento", 1, 2,
                 "0010|Oficina de origen|7|4|T; 0020|Fecha de operación|11|6|F|YYMMDD; "
                 "0030|Fecha valor|17|6|F|YYMMDD; 0040|Concepto común|23|2|T; "
                 "0050|Concepto propio|25|3|T; 0060|Debe/haber|28|1|T; "
                 "0070|Importe|29|14|N|0V00; 0080|Documento|43|10|N; "
                 "0090|Referencia 1|53|12|T*; 0100|Referencia 2|65|16|T*; "
                 "0110|Origen|1|1|C||EXTRACTO"),
        lineType("0030", "23", "Concepto complementario", 1, 2,
                 "0010|Código de dato|3|2|N; 0020|Concepto 1|5|38|T*; "
                 "0030|Concepto 2|43|38|T*"),
        lineType("0040", "33", "Final de cuenta", 1, 2,
                 "0010|Banco|3|4|T; 0020|Oficina|7|4|T; 0030|Cuenta|11|10|T; "
                 "0040|Apuntes al debe|21|5|N; 0050|Total debe|26|14|N|0V00; "
                 "0060|Apuntes al haber|40|5|N; 0070|Total haber|45|14|N|0V00; "
                 "0080|Clave del saldo|59|1|T; 0090|Saldo final|60|14|N|0v00; "
                 "0100|Divisa|74|3|T"),
        lineType("0050", "88", "Fin de archivo", 1, 2, "0010|Nueves|3|18|T; 0020|Registros|21|6|N"),
    };
    return f;
}

inline LoadFormat paymentFile()
{
    LoadFormat f;
    f.key = QStringLiteral("PAGO");
    f.description = QStringLiteral("Archivo de pagos");
    f.state = QStringLiteral("AC");
    f.lineTypes = {
        lineType("0001", "1", "Cabecera de archivo", 1, 1,
                 "0001|Prioridad|2|2|N; 0002|Destino|4|10|T*; 0003|Origen|14|10|T*; "
                 "0004|Fecha de creación|24|6|F|YYMMDD; 0005|Hora|30|4|T; "
                 "0006|Modificador|34|1|T; 0007|Tamaño de registro|35|3|N; "
                 "0008|Bloque|38|2|N; 0009|Código de formato|40|1|T; "
                 "0010|Nombre del destino|41|23|T*; 0011|Nombre del origen|64|23|T*; "
                 "0012|Referencia|87|8|T*"),
        lineType("0005", "5", "Cabecera de lote", 1, 1,
                 "0001|Clase de servicio|2|3|N; 0002|Empresa|5|16|T*; "
                 "0003|Datos libres|21|20|T*; 0004|Identificación|41|10|T; "
                 "0005|Clase de asiento|51|3|T; 0006|Descripción|54|10|T*; "
                 "0007|Fecha descriptiva|64|6|T*; 0008|Fecha efectiva|70|6|F|YYMMDD; "
                 "0009|Estado|79|1|T; 0010|Banco de origen|80|8|T; 0011|Lote|88|7|N"),
        lineType("0006", "6", "Asiento", 1, 1,
                 "0001|Código de transacción|2|2|N; "
                 "0002|Banco receptor|4|8|05||SELECT Nombre FROM Bancos WHERE Ruta = ?; "
                 "0003|Dígito verificador|12|1|N; 0004|Cuenta|13|17|T*; "
                 "0005|Importe|30|10|N|0V00; 0006|Identificación|40|15|T*; "
                 "0007|Nombre|55|22|T*; 0008|Datos libres|77|2|T; 0009|Adenda|79|1|N; "
                 "0010|Rastreo|80|15|N"),
        lineType("0008", "8", "Control de lote", 1, 1,
                 "0001|Clase de servicio|2|3|N; 0002|Asientos|5|6|N; "
                 "0003|Suma de bancos|11|10|N; 0004|Total de cargos|21|12|N|0V00; "
                 "0005|Total de abonos|33|12|N|0V00; 0006|Identificación|45|10|T; "
                 "0007|Banco de origen|80|8|T; 0008|Lote|88|7|N"),
        lineType("0009", "9", "Control de archivo", 1, 1,
                 "0001|Lotes|2|6|N; 0002|Bloques|8|6|N; 0003|Asientos|14|8|N; "
                 "0004|Suma de bancos|22|10|N; 0005|Total de cargos|32|12|N|0V00; "
                 "0006|Total de abonos|44|12|N|0V00"),
    };
    return f;
}

inline LoadFormat salesFile()
{
    LoadFormat f;
    f.key = QStringLiteral("VTAS");
    f.description = QStringLiteral("Ventas del día");
    f.state = QStringLiteral("AC");
    f.lineTypes = {
        lineType("0001", "H", "Cabecera", 1, 1,
                 "0001|Fecha de envío|2|8|F|YYYYMMDD; 0002|Empresa|10|20|T*"),
        lineType("0002", "D", "Venta", 1, 1,
                 "0001|Cliente|2|8|T; 0002|Nombre|10|21|T*; 0003|Fecha|31|8|F|YYYYMMDD; "
                 "0004|Divisa|39|3|T; 0005|Importe|42|12|N|0V00; 0006|Cantidad|54|5|N"),
        lineType("0003", "T", "Totales", 1, 1, "0001|Registros|2|6|N; 0002|Total|8|14|N|0V00"),
    };
    return f;
}

// The sales file's lines: the header, `details` sales (the n-th on day n of December 2026,
// round the month, with its own amount and quantity) and the totals. Every line reads.
inline QStringList salesLines(int details = 40)
{
    using samples::number;
    static const char *const names[] = {"ANA LOPEZ", "JOSÉ MUÑOZ", "FERRETERIA EL CLAVO",
                                        "LUIS PEREZ", "MARÍA GARCÍA"};
    QStringList lines{QStringLiteral("H20261231COMERCIAL DEL NORTE  ")};
    qint64 total = 0;
    for (int i = 0; i < details; ++i) {
        const qint64 amount = 1234 + qint64(i) * 98765;
        total += amount;
        lines << u"DC"_s + number(i + 1, 7) + QString::fromUtf8(names[i % 5]).leftJustified(21) +
                     u"202612"_s + number(i % 28 + 1, 2) + u"EUR"_s + number(amount, 12) +
                     number(i % 7 + 1, 5);
    }
    lines << u"T"_s + number(details, 6) + number(total, 14);
    return lines;
}

// The bank statement's lines: header, three movements with two complementary concepts, the
// account end and the file end. Every line matches one line type and every field reads.
inline QStringList statementLines()
{
    using namespace samples;
    const Account account{u"0049"_s, u"1500"_s, u"0123456789"_s};
    return {
        accountHeader(account, u"261201"_s, u"261231"_s, 12500000, u"MUÑOZ PEÑA JOSÉ"_s),
        movement(account, {u"261202"_s, u"261202"_s, 2, 15, false, 150000, 1234, u"REF000000001"_s,
                           u"NOMINA DIC"_s}),
        complementary(1, u"TRANSFERENCIA DE NOMINA"_s, u"EMPRESA EJEMPLO SA"_s),
        movement(account, {u"261215"_s, u"261215"_s, 12, 40, true, 43075, 0, u"REC-0042"_s,
                           u"LUZ Y FUERZA"_s}),
        movement(account, {u"261220"_s, u"261221"_s, 4, 2, true, 100000, 5678, u"CHQ5678"_s, {}}),
        complementary(2, u"PAGO DE CHEQUE"_s, {}),
        accountEnd(account, 2, 143075, 1, 150000, 12506925),
        fileEnd(7),
    };
}

// The payment file for its rules: the receiving bank of an entry read as a NUMERO (its routing
// number, which the control records add up) and the block filler of nines as a line type.
inline LoadFormat paymentFileForRules()
{
    LoadFormat f = paymentFile();
    f.lineTypes[2].fields[1].typeCode = QString::fromUtf8(Numero);
    f.lineTypes[2].fields[1].value.clear();
    f.lineTypes << lineType("0099", "9999999999", "Relleno de bloque", 1, 10);
    return f;
}

// A payment file of `batches` batches of `entries` credits each, as a bank writes it: the
// batch and file control records carry the entry counts, the hash of the routing numbers (its
// last ten digits) and the credit totals; the trace numbers run on from 1; block filler lines
// of nines make the file a multiple of ten records.
inline QStringList paymentBatchLines(int batches, int entries)
{
    using samples::number;
    QStringList lines{samples::paymentHeader()};
    qint64 fileHash = 0, fileCredits = 0, trace = 0;
    for (int b = 1; b <= batches; ++b) {
        lines << samples::batchHeader(u"220"_s, u"NOMINA"_s, u"261205"_s, b);
        qint64 hash = 0, credits = 0;
        for (int e = 0; e < entries; ++e) {
            const qint64 routing = 7640125 + qint64(b) * 1000 + e;
            const qint64 amount = 1000 + qint64(b) * 137 + qint64(e) * 2501;
            hash += routing;
            credits += amount;
            lines << samples::entry({u"22"_s, number(routing, 8) + u"1"_s, number(100000 + e, 8),
                                     amount, u"EMP-%1"_s.arg(e), u"EMPLEADO %1"_s.arg(e), false,
                                     u"07640125"_s + number(++trace, 7)});
        }
        lines << samples::batchControl(u"220"_s,
                                       {number(entries, 6), number(hash % 10000000000LL, 10),
                                        number(0, 12), number(credits, 12)},
                                       b);
        fileHash += hash;
        fileCredits += credits;
    }
    const qsizetype records = lines.size() + 1;
    lines << samples::fileControl(number(batches, 6), number((records + 9) / 10, 6),
                                  {number(qint64(batches) * entries, 8),
                                   number(fileHash % 10000000000LL, 10), number(0, 12),
                                   number(fileCredits, 12)});
    while (lines.size() % 10 != 0)
        lines << QString(94, QLatin1Char('9'));
    return lines;
}

// The payment file of one batch of two entries, a credit (22) and a debit (27), without the
// block filler.
inline QStringList paymentLines()
{
    QStringList lines = paymentBatchLines(1, 2).mid(0, 6);
    lines[3].replace(1, 2, u"27"_s);
    return lines;
}

using samples::Encoding;
using samples::record;
using samples::writeFile;

} // namespace formats_test
