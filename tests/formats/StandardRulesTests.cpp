// The controls that published interchange standards define, on files built from their public
// record layouts: each control is kept by the clean file and broken by a planted fault.

#include "FormatSamples.h"
#include "formats/LoadFormatTest.h"
#include "formats/RuleParser.h"
#include "support/DataRows.h"
#include "support/TestClasses.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace Qt::StringLiterals;
using kesta::test::dataColumns;
using kesta::test::fetchColumns;
using namespace formats_test;
using velkora::formats::LoadFormat;
using velkora::formats::TestReport;

namespace {

// The lines as bytes, each in its own encoding: 'u' UTF-8, 'w' Windows-1252 (one letter per
// line; the last letter holds for the lines after it).
QByteArray encoded(const QStringList &lines, const QString &encodings)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QChar how = encodings.at(std::min(i, encodings.size() - 1));
        bytes += how == u'u' ? lines.at(i).toUtf8() : lines.at(i).toLatin1();
        bytes += '\n';
    }
    return bytes;
}

using samples::number;
using samples::record;

// Bacs Standard 18: 100-character records; labels typed at columns 1-4, data records by their
// transaction code at 16-17 (01, 17, 18, 19 debits; 99 the credit contra). A data record's
// amount is at 36-46 in pence; the UTL1 label carries the debit and credit value totals (5-17,
// 18-30) and counts (31-37, 38-44).
LoadFormat bacs()
{
    auto data = [](const char *order, const char *code, const char *description) {
        return lineType(order, code, description, 16, 2,
                        "0001|Clasificación destino|1|6|T; 0002|Cuenta destino|7|8|T; "
                        "0008|Importe|36|11|N; 0009|Beneficiario|83|18|T*");
    };
    return formatOf(
        "BACS",
        {lineType("0100", "UHL1", "Cabecera de usuario", 1, 4, "0001|Fecha de proceso|5|6|T"),
         data("0001", "01", "Primer adeudo"), data("0017", "17", "Adeudo"),
         data("0018", "18", "Adeudo representado"), data("0019", "19", "Último adeudo"),
         data("0099", "99", "Abono de contrapartida"),
         lineType("0200", "UTL1", "Cola de usuario", 1, 4,
                  "0001|Total de adeudos|5|13|N; 0002|Total de abonos|18|13|N; "
                  "0003|Número de adeudos|31|7|N; 0004|Número de abonos|38|7|N")});
}

QString bacsData(const QString &code, qint64 pence)
{
    return record(100, {{1, u"200000"_s},
                        {7, u"12345678"_s},
                        {15, u"0"_s},
                        {16, code},
                        {18, u"400000"_s},
                        {24, u"87654321"_s},
                        {36, number(pence, 11)},
                        {47, u"EMPRESA EJEMPLO"_s},
                        {65, u"REF 0001"_s},
                        {83, u"CLIENTE"_s}});
}

// UHL1, debits of each code, the contra and UTL1 (line 8).
QStringList bacsLines()
{
    return {record(100, {{1, u"UHL1"_s}, {5, u" 26342"_s}}),
            bacsData(u"01"_s, 100),
            bacsData(u"17"_s, 250),
            bacsData(u"17"_s, 300),
            bacsData(u"18"_s, 75),
            bacsData(u"19"_s, 1000),
            bacsData(u"99"_s, 1725),
            record(100, {{1, u"UTL1"_s},
                         {5, number(1725, 13)},
                         {18, number(1725, 13)},
                         {31, number(5, 7)},
                         {38, number(1, 7)}})};
}

// CODA: 128-character records typed at column 1 (0 header, 1 old balance, 21 movement, 8 new
// balance, 9 trailer); amounts of 15 digits with three implied decimals, each after its sign
// code (0 credit, 1 debit); a movement's detail number (7-10) is 0000 on the movement itself.
LoadFormat coda()
{
    return formatOf("CODA",
                    {lineType("0100", "0", "Cabecera", 1, 1, "0001|Fecha de creación|6|6|T"),
                     lineType("0001", "1", "Saldo antiguo", 1, 1,
                              "0002|Número de extracto|3|3|N; 0003|Signo|43|1|T; "
                              "0004|Saldo antiguo|44|15|N|0V000"),
                     lineType("0021", "21", "Movimiento", 1, 2,
                              "0001|Secuencia|3|4|N; 0003|Detalle|7|4|T; 0005|Signo|32|1|T; "
                              "0006|Importe|33|15|N|0V000"),
                     lineType("0008", "8", "Saldo nuevo", 1, 1,
                              "0002|Número de extracto|2|3|N; 0003|Signo|42|1|T; "
                              "0004|Saldo nuevo|43|15|N|0V000"),
                     lineType("0009", "9", "Final", 1, 1,
                              "0002|Registros|17|6|N; 0003|Débitos|23|15|N|0V000; "
                              "0004|Créditos|38|15|N|0V000")});
}

QString codaMovement(int sequence, const QString &detail, bool debit, qint64 amount)
{
    return record(128, {{1, u"21"_s},
                        {3, number(sequence, 4)},
                        {7, detail},
                        {11, u"REF"_s + number(sequence, 18)},
                        {32, debit ? u"1"_s : u"0"_s},
                        {33, number(amount, 15)},
                        {48, u"011226"_s}});
}

// Header; old balance 1000.000 credit; a debit of 200.500 with a detail (0001) of 100.250 that
// the totals leave out; a credit of 50.000; new balance 849.500 credit; trailer (line 7).
QStringList codaLines()
{
    return {
        record(128, {{1, u"0"_s}, {6, u"011226"_s}}),
        record(128, {{1, u"1"_s},
                     {2, u"0"_s},
                     {3, u"042"_s},
                     {6, u"BE68539007547034"_s},
                     {43, u"0"_s},
                     {44, number(1000000, 15)},
                     {59, u"301126"_s}}),
        codaMovement(1, u"0000"_s, true, 200500),
        codaMovement(1, u"0001"_s, true, 100250),
        codaMovement(2, u"0000"_s, false, 50000),
        record(128, {{1, u"8"_s},
                     {2, u"042"_s},
                     {5, u"BE68539007547034"_s},
                     {42, u"0"_s},
                     {43, number(849500, 15)},
                     {58, u"011226"_s}}),
        record(
            128,
            {{1, u"9"_s}, {17, number(5, 6)}, {23, number(200500, 15)}, {38, number(50000, 15)}})};
}

// Direct debits by creditor blocks: 01 presenter, 02 creditor header, 03 debit, 04 total of
// the creditor by date, 05 total of the creditor, 99 total of the file; each total's record
// count (at 71-80, 63-72, 28-37) counts the block's header and the total record itself.
LoadFormat directDebits()
{
    return formatOf(
        "C1914",
        {lineType("0001", "01", "Presentador", 1, 2), lineType("0002", "02", "Acreedor", 1, 2),
         lineType("0003", "03", "Adeudo", 1, 2, "0010|Importe|89|11|N|0V00"),
         lineType("0004", "04", "Total por fecha", 1, 2, "0060|Total de registros|71|10|N"),
         lineType("0005", "05", "Total del acreedor", 1, 2, "0040|Total de registros|63|10|N"),
         lineType("0099", "99", "Total general", 1, 2, "0040|Total de registros|28|10|N")});
}

// Two creditors, of two debits and one: lines 5 and 9 are the 04 totals, 6 and 10 the 05,
// 11 the 99.
QStringList directDebitLines()
{
    auto total = [](const char *code, int at, qint64 records) {
        return record(100, {{1, QString::fromLatin1(code)}, {at, number(records, 10)}});
    };
    auto debit = [](qint64 cents) {
        return record(100, {{1, u"03"_s}, {3, u"19143"_s}, {89, number(cents, 11)}});
    };
    return {record(100, {{1, u"01"_s}, {3, u"19143"_s}}),
            record(100, {{1, u"02"_s}}),
            debit(1000),
            debit(2550),
            total("04", 71, 4),
            total("05", 63, 5),
            record(100, {{1, u"02"_s}}),
            debit(990),
            total("04", 71, 3),
            total("05", 63, 4),
            total("99", 28, 11)};
}

// Amounts of 2 decimals (A, with a key at 12) and of 3 (B), and a signed total of 2 (T).
LoadFormat bounds()
{
    return formatOf(
        "BND", {lineType("0001", "A", "Importe de 2 decimales", 1, 1,
                         "0001|Importe|3|8|N|0V00; 0002|Clave|12|1|T"),
                lineType("0002", "B", "Importe de 3 decimales", 1, 1, "0001|Importe|3|9|N|0V000"),
                lineType("0003", "T", "Total", 1, 1, "0001|Total|2|9|N|S0V00")});
}

} // namespace

class TestStandardRules : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;

    TestReport run(const LoadFormat &format, const QByteArray &bytes,
                   const velkora::formats::TestOptions &options = {})
    {
        const QString path = dir.filePath(u"std%1.txt"_s.arg(++files));
        samples::writeBytes(path, bytes);
        return velkora::formats::testLoadFormat(format, path, options);
    }
    TestReport run(const LoadFormat &format, const QStringList &lines)
    {
        return run(format, encoded(lines, u"u"_s));
    }

private slots:
    // One encoding per file: the statement's holder "MUÑOZ PEÑA JOSÉ" (line 1, columns 54 to
    // 66), and concepts "NÓMINA" (line 3) and "PEÑAS" (line 6, column 15) planted, each line
    // written in one encoding or the other. Without a rule, the encoding of most lines beyond
    // ASCII is the file's.
    void oneEncodingPerFile_data()
    {
        // encodings: see encoded(); prefix: bytes before the lines; from, to: the first error's
        const auto add = dataColumns<QStringList, QString, QByteArray, QStringList, int, int>(
            {"rules", "encodings", "prefix", "errors", "from", "to"});
        const QStringList none;
        const QStringList three{u"1:0001"_s, u"3:0001"_s, u"6:0001"_s};
        add("a UTF-8 line in a Latin-1 file, no rule", none, "wwwwwuw", {}, {u"6:"_s}, 15, 15);
        add("a Latin-1 line in a UTF-8 file, no rule", none, "uuuuuwu", {}, {u"6:"_s}, 15, 15);
        add("most lines settle it, even after the first", none, "uuwuuw", {}, {u"1:"_s}, 54, 66);
        add("a byte order mark says UTF-8", none, "wwwwwu", "\xEF\xBB\xBF", {u"1:"_s, u"3:"_s}, 54,
            66);
        add("CODIFICACION LATIN1 kept", {u"||CODIFICACION LATIN1"_s}, "w", {}, {}, 0, 0);
        add("CODIFICACION LATIN-1 on a UTF-8 file: every line beyond ASCII",
            {u"||codificación latin-1"_s}, "u", {}, three, 54, 66);
        add("CODIFICACION UTF8 on a Latin-1 file", {u"||CODIFICACION UTF-8"_s}, "w", {}, three, 54,
            66);
        add("CODIFICACION ASCII on lines of both", {u"||CODIFICACION ASCII"_s}, "wwwwwu", {}, three,
            54, 66);
        add("CODIFICACION WINDOWS1252 kept", {u"||CODIFICACION WINDOWS1252"_s}, "w", {}, {}, 0, 0);
    }
    void oneEncodingPerFile()
    {
        auto [rules, encodings, prefix, errors, from, to] =
            fetchColumns<QStringList, QString, QByteArray, QStringList, int, int>(
                {"rules", "encodings", "prefix", "errors", "from", "to"});
        QStringList lines = statementLines();
        lines[2].replace(u"DE NOMINA"_s, u"DE NÓMINA"_s);
        lines[5].replace(u"PAGO DE CHEQUE"_s, u"PAGO DE PEÑAS "_s);
        const TestReport report =
            run(withRules(bankStatement(), rules), prefix + encoded(lines, encodings));
        QCOMPARE(errorPlaces(report), errors);
        QCOMPARE(report.exitCode(), errors.isEmpty() ? 0 : 1);
        QCOMPARE(report.result.errorCount, errors.size());
        if (!errors.isEmpty()) {
            QCOMPARE(report.errors.first().from, from);
            QCOMPARE(report.errors.first().to, to);
        }
    }

    // What a line in another encoding says, and bytes that code no character of the file's.
    void encodingMessages_data()
    {
        const auto add = dataColumns<QString, QByteArray, QString>({"rule", "line", "message"});
        add("UTF-8 in Latin-1", "CODIFICACION LATIN1", "AAB\xC3\xB1Z",
            "La línea está en UTF-8 y el archivo en Latin-1 (ISO-8859-1): 'ñ' en la "
            "columna 4.");
        add("Windows-1252 in UTF-8", "CODIFICACION UTF8", "AAB\xF1Z\xF1",
            "El archivo está en UTF-8 y la línea tiene un carácter que no es de UTF-8 en la "
            "columna 4 (y hasta la 6) ('ñ' en Windows-1252).");
        add("the euro sign of Windows-1252 in Latin-1", "CODIFICACION LATIN1", "AAB\x80Z",
            "La línea está en Windows-1252 y el archivo en Latin-1 (ISO-8859-1): '€' en la "
            "columna 4.");
        add("a byte that is no character of Windows-1252", "CODIFICACION WINDOWS1252", "AAB\x81Z",
            "El archivo está en Windows-1252 y la línea tiene un carácter que no es de "
            "Windows-1252 en la columna 4 ('\u0081' en Windows-1252).");
        add("the last byte beyond ASCII in an ASCII file", "CODIFICACION ASCII", "AABC\xE9",
            "La línea está en Windows-1252 y el archivo en ASCII: 'é' en la columna 5.");
    }
    void encodingMessages()
    {
        auto [rule, line, message] =
            fetchColumns<QString, QByteArray, QString>({"rule", "line", "message"});
        const LoadFormat format =
            withRules(formatOf("TXT", {lineType("0001", "A", "Texto", 1, 1, "0001|Texto|2|5|T")}),
                      {u"||"_s + rule});
        const TestReport report = run(format, "AABCDE\n"_ba + line + "\nAABCDE\n"_ba);
        QCOMPARE(errorPlaces(report), QStringList{u"2:0001"_s});
        QCOMPARE(report.errors.first().message, message);
    }

    // Each control on the file of its standard: kept by the clean file, and a planted fault
    // found at the line of the record that carries the control ("line:rule", in line order).
    void standardControls_data()
    {
        const auto add = dataColumns<LoadFormat, QStringList, QStringList, QStringList>(
            {"format", "rules", "lines", "errors"});
        // A sum over four line types, and the counts.
        const QStringList bacsRules{u"0200|0001|SUMA 0001.0008,0017.0008,0018.0008,0019.0008"_s,
                                    u"0200|0002|SUMA 0099.0008"_s,
                                    u"0200|0003|CUENTA 0001,0017,0018,0019"_s,
                                    u"0200|0004|CUENTA 0099"_s};
        add("Bacs 18 clean", bacs(), bacsRules, bacsLines(), {});
        add("Bacs 18: a re-presented debit of one penny more", bacs(), bacsRules,
            edited(bacsLines(), {{5, 36, number(76, 11)}}), {u"8:0001"_s});
        add("Bacs 18: a first debit turned into a credit", bacs(), bacsRules,
            edited(bacsLines(), {{2, 16, u"99"_s}}),
            {u"8:0001"_s, u"8:0002"_s, u"8:0003"_s, u"8:0004"_s});

        // Sums and counts chosen by the debit/credit key; the balance equation, from the
        // account end's totals and from the signed movements.
        const QStringList norma43{
            u"0040|0050|SUMA 0020.0070 SI 0020.0060 = 1 DESDE 0010"_s,
            u"0040|0070|SUMA 0020.0070 SI 0020.0060 = 2 DESDE 0010"_s,
            u"0040|0040|CUENTA 0020 SI 0020.0060 = 1 DESDE 0010"_s,
            u"0040|0060|CUENTA 0020 SI 0020.0060 = 2 DESDE 0010"_s,
            u"0040|0090|IGUAL NEGATIVO SI 0040.0080 = 1 A 0010.0070 NEGATIVO SI 0010.0060 = 1 "
            u"+ 0040.0070 - 0040.0050"_s,
            u"0040|0090|IGUAL NEGATIVO SI 0040.0080 = 1 A 0010.0070 NEGATIVO SI 0010.0060 = 1 "
            u"+ SUMA 0020.0070 NEGATIVO SI 0020.0060 = 1 DESDE 0010"_s};
        add("Norma 43 clean", bankStatement(), norma43, statementLines(), {});
        add("Norma 43: a debit keyed as a credit", bankStatement(), norma43,
            edited(statementLines(), {{4, 28, u"2"_s}}),
            {u"7:0001"_s, u"7:0002"_s, u"7:0003"_s, u"7:0004"_s, u"7:0006"_s});
        add("Norma 43: a credit of a cent more", bankStatement(), norma43,
            edited(statementLines(), {{2, 29, number(150001, 14)}}), {u"7:0002"_s, u"7:0006"_s});
        add("Norma 43: the new balance a cent more", bankStatement(), norma43,
            edited(statementLines(), {{7, 60, number(12506926, 14)}}), {u"7:0005"_s, u"7:0006"_s});
        add("Norma 43: the old balance a debit", bankStatement(), norma43,
            edited(statementLines(), {{1, 33, u"1"_s}}), {u"7:0005"_s, u"7:0006"_s});
        add("Norma 43: both balances debits, kept", bankStatement(), {norma43.at(4), norma43.at(5)},
            edited(statementLines(), {{1, 33, u"1"_s},
                                      {1, 34, number(12506925, 14)},
                                      {7, 59, u"1"_s},
                                      {7, 60, number(12500000, 14)}}),
            {});

        // Sums of the movements themselves (detail 0000) by their sign; the new balance from
        // the old and the signed movements; the statement number of the old balance.
        const QStringList codaRules{
            u"0009|0003|SUMA 0021.0006 SI 0021.0003 = 0000 Y 0021.0005 = 1"_s,
            u"0009|0004|SUMA 0021.0006 SI 0021.0003 = 0000 Y 0021.0005 = 0"_s,
            u"0008|0004|IGUAL NEGATIVO SI 0008.0003 = 1 A 0001.0004 NEGATIVO SI 0001.0003 = 1 + "
            u"SUMA 0021.0006 SI 0021.0003 = 0000 NEGATIVO SI 0021.0005 = 1 DESDE 0001"_s,
            u"0008|0002|IGUAL A 0001.0002"_s, u"0009|0002|CUENTA 0001,0021,0008"_s};
        add("CODA clean", coda(), codaRules, codaLines(), {});
        add("CODA: a detail numbered as a movement", coda(), codaRules,
            edited(codaLines(), {{4, 7, u"0000"_s}}), {u"6:0003"_s, u"7:0001"_s});
        add("CODA: a credit signed as a debit", coda(), codaRules,
            edited(codaLines(), {{5, 32, u"1"_s}}), {u"6:0003"_s, u"7:0001"_s, u"7:0002"_s});
        add("CODA: the new balance of another statement", coda(), codaRules,
            edited(codaLines(), {{6, 2, u"043"_s}}), {u"6:0004"_s});
        add("CODA: the new balance signed as a debit", coda(), codaRules,
            edited(codaLines(), {{6, 42, u"1"_s}}), {u"6:0003"_s});
        add("CODA: a record more than the trailer says", coda(), codaRules,
            edited(codaLines(), {{7, 17, number(4, 6)}}), {u"7:0005"_s});

        // A header first in the file or right after a trailer: two statements in one file.
        const QStringList twoStatements = codaLines() + codaLines();
        add("CODA: TRAS INICIO kept", coda(), {u"0100||TRAS INICIO,0009"_s}, twoStatements, {});
        add("CODA: a trailer missing between two statements", coda(),
            {u"0100||tras 0009, inicio"_s},
            changed(twoStatements, [](QStringList &l) { l.removeAt(6); }),
            QStringList{u"7:0001"_s});
        add("CODA: TRAS without INICIO refuses the first header", coda(), {u"0100||TRAS 0009"_s},
            twoStatements, {u"1:0001"_s});

        // Counts that include the block's header and the total record itself.
        const QStringList blocks{u"0004|0060|CUENTA * DESDE 0002 INCLUSIVE"_s,
                                 u"0005|0040|CUENTA * DESDE 0002 INCLUSIVE"_s,
                                 u"0099|0040|CUENTA * INCLUSIVE"_s};
        add("Cuaderno 19.14 clean", directDebits(), blocks, directDebitLines(), {});
        add("Cuaderno 19.14: a total that leaves itself out", directDebits(), blocks,
            edited(directDebitLines(), {{9, 71, number(2, 10)}}), {u"9:0001"_s});
        add("Cuaderno 19.14: the file's total counting the lines before it", directDebits(), blocks,
            edited(directDebitLines(), {{11, 28, number(10, 10)}}), {u"11:0003"_s});
        // INCLUSIVE counts the ends only when their line types are counted.
        add("INCLUSIVE of line types the ends are not", directDebits(),
            {u"0004|0060|CUENTA 0003 DESDE 0002 INCLUSIVE"_s},
            edited(directDebitLines(), {{5, 71, number(2, 10)}, {9, 71, number(1, 10)}}), {});

        // The entry hash kept to its last ten digits, and to fewer.
        add("payment file: ULTIMOS 10", paymentFileForRules(),
            {u"0008|0003|SUMA 0006.0002 DESDE 0005 ULTIMOS 10"_s}, paymentBatchLines(3, 3), {});
        add("payment file: ULTIMOS 4 on a hash of ten", paymentFileForRules(),
            {u"0008|0003|SUMA 0006.0002 DESDE 0005 ULTIMOS 4"_s}, paymentBatchLines(3, 3),
            {u"6:0001"_s, u"11:0001"_s, u"16:0001"_s});

        // Where each side of a control stands at its bounds: different decimals on the two sides
        // of a sum, zero totals, a sum exactly at ULTIMOS's bound, a condition that chooses no
        // line. Amounts of 2 decimals (A) and of 3 (B) into a total of 2 decimals.
        const QString both = u"0003|0001|SUMA 0001.0001,0002.0001"_s;
        add("different decimals, equal", bounds(), {both},
            listOf("A 00000150  ; B 000001500; T 00000300"), {});
        add("different decimals, a thousandth apart", bounds(), {both},
            listOf("A 00000150  ; B 000001501; T 00000300"), {u"3:0001"_s});
        // ENTRE at its bounds: a value on equal bounds keeps it, a cent above breaks it.
        add("ENTRE of equal bounds, the value on them", bounds(), {u"0001|0001|ENTRE 1.50 1.50"_s},
            listOf("A 00000150  "), {});
        add("ENTRE, a cent above", bounds(), {u"0001|0001|ENTRE 1 1.50"_s}, listOf("A 00000151  "),
            {u"1:0001"_s});
        add("ENTRE of equal bounds on nine digits", bounds(),
            {u"0002|0001|ENTRE 123456.789 123456.789"_s}, listOf("B 123456789"), {});
        add("zero total of no lines", bounds(), {both}, listOf("T 00000000"), {});
        // A value that does not read is its line's error and adds nothing to the sum.
        add("a value that does not read", bounds(), {both},
            listOf("A 00000150  ; A 0000X100  ; T 00000150"), {u"2:"_s});
        add("a total where there is nothing to add", bounds(), {both}, listOf("T 00000001"),
            {u"1:0001"_s});
        add("a condition that chooses no line", bounds(),
            {u"0003|0001|SUMA 0001.0001 SI 0001.0002 = X"_s}, listOf("A 00000150 Y; T 00000000"),
            {});
        add("an empty value chooses a blank field", bounds(),
            {u"0003|0001|SUMA 0001.0001 SI 0001.0002 = X|"_s},
            listOf("A 00000150  ; A 00000020 Y; T 00000150"), {});
        add("ULTIMOS 3, a sum of exactly 1000", bounds(), {u"0003|0001|SUMA 0001.0001 ULTIMOS 3"_s},
            listOf("A 00000999  ; A 00000001  ; T 00000000"), {});
        add("ULTIMOS 3, a sum of 999", bounds(), {u"0003|0001|SUMA 0001.0001 ULTIMOS 3"_s},
            listOf("A 00000998  ; A 00000001  ; T 00000999"), {});
        add("a negative total from NEGATIVO", bounds(),
            {u"0003|0001|SUMA 0001.0001 NEGATIVO SI 0001.0002 = D"_s},
            listOf("A 00000150 D; A 00000100  ; T-00000050"), {});
        add("IGUAL to a field not yet given", bounds(), {u"0003|0001|IGUAL A 0001.0001"_s},
            listOf("T 00000050; A 00000050  ; T 00000050"), {});
        add("IGUAL to the last of its line type", bounds(), {u"0003|0001|IGUAL A 0001.0001"_s},
            listOf("A 00000050  ; A 00000060  ; T 00000050"), {u"3:0001"_s});
    }
    void standardControls()
    {
        auto [format, rules, lines, errors] =
            fetchColumns<LoadFormat, QStringList, QStringList, QStringList>(
                {"format", "rules", "lines", "errors"});
        const TestReport report = run(withRules(format, rules), lines);
        QCOMPARE(report.unusableRules, 0);
        QCOMPARE(report.result.unmatched.count + report.result.ambiguous.count, 0);
        QVERIFY2(report.fileErrors.isEmpty(), qPrintable(report.fileErrors.join(u'\n')));
        QCOMPARE(errorPlaces(report), errors);
        QCOMPARE(report.exitCode(), errors.isEmpty() ? 0 : 1);
        // The same whatever the parts the file is read in: a part of a line or two, each
        // checked on its own and then in reading order; and with no line shown in full, so that
        // every line is read by the checks alone, as most lines of a large file are.
        velkora::formats::TestOptions small;
        small.chunkBytes = 150;
        small.threads = 2;
        small.detailLines = 0;
        QCOMPARE(errorPlaces(run(withRules(format, rules), encoded(lines, u"u"_s), small)), errors);
    }

    // What a broken control says: the value found and the value expected.
    void controlMessages_data()
    {
        const auto add = dataColumns<LoadFormat, QString, QStringList, QString>(
            {"format", "rule", "lines", "message"});
        QStringList bacsFault = bacsLines();
        bacsFault[4].replace(35, 11, number(76, 11));
        add("a sum over several line types", bacs(),
            "0200|0001|SUMA 0001.0008,0017.0008,0018.0008,0019.0008", bacsFault,
            "El valor 0000000001725 no coincide con la suma de 0001.0008, 0017.0008, "
            "0018.0008, 0019.0008 desde el principio del archivo: 0000000001726.");
        QStringList balance = statementLines();
        balance[6].replace(59, 14, number(12506926, 14));
        add("the balance equation", bankStatement(),
            "0040|0090|IGUAL A 0010.0070 NEGATIVO SI 0010.0060 = 1 + 0040.0070 - 0040.0050",
            balance,
            "El valor 00000012506926 no coincide con 0010.0070 (en negativo si 0010.0060 = "
            "1) + 0040.0070 - 0040.0050: 00000012506925.");
        QStringList debit = statementLines();
        debit[3].replace(27, 1, u"2"_s);
        add("a chosen sum", bankStatement(), "0040|0050|SUMA 0020.0070 SI 0020.0060 = 1 DESDE 0010",
            debit,
            "El valor 00000000143075 no coincide con la suma de 0020.0070 (si 0020.0060 = 1) "
            "desde la última 0010: 00000000100000.");
        QStringList statements = codaLines() + codaLines();
        statements.removeAt(6);
        add("the first line or after a trailer", coda(), "0100||TRAS INICIO,0009", statements,
            "Una línea del tipo 0100 Cabecera es la primera del archivo o va justo después "
            "de una del tipo 0009, y esta va después de una del tipo 0008.");
        QStringList block = directDebitLines();
        block[8].replace(70, 10, number(2, 10));
        add("an inclusive count", directDebits(), "0004|0060|CUENTA * DESDE 0002 INCLUSIVE", block,
            "El valor 0000000002 no coincide con el número de líneas de cualquier tipo desde "
            "la última 0002, ambas incluidas: 0000000003.");
    }
    void controlMessages()
    {
        auto [format, rule, lines, message] =
            fetchColumns<LoadFormat, QString, QStringList, QString>(
                {"format", "rule", "lines", "message"});
        const TestReport report = run(withRules(format, {rule}), lines);
        QCOMPARE(report.errors.size(), 1);
        QCOMPARE(report.errors.first().message, message);
    }

    // The words of CUENTA, SUMA and IGUAL: what reads (and what it reads as) and what does not.
    void termWords_data()
    {
        // read: terms as "sign kind sources [when] [neg]", "" none
        const auto add = dataColumns<QString, QString>({"text", "read"});
        add("an old SUMA", "suma  0006.0005  desde 0005", "+S0006.0005");
        add("an old CUENTA with blanks in its list", "CUENTA 0006, 0007 DESDE 0005", "+C0006,0007");
        add("CUENTA *", "CUENTA *", "+C*");
        add("a sum over two line types", "SUMA 0006.0005 , 0007.0005", "+S0006.0005,0007.0005");
        add("conditions and a sign",
            "SUMA 0021.0006 SI 0021.0003=0000 Y 0021.0005 = 1 | 2 NEGATIVO SI 0021.0005 = -",
            "+S0021.0006[0021.0003=0000;0021.0005=1|2](0021.0005=-)");
        add("IGUAL over fields and totals",
            "IGUAL A 0011.0070 + SUMA 0022.0070 - CUENTA 0022 DESDE 0011",
            "+F0011.0070 +S0022.0070 -C0022");
        add("IGUAL beginning with a minus", "IGUAL - 0011.0070", "-F0011.0070");
        add("eight terms", "IGUAL 1.1 + 1.2 + 1.3 + 1.4 + 1.5 + 1.6 + 1.7 + 1.8",
            "+F1.1 +F1.2 +F1.3 +F1.4 +F1.5 +F1.6 +F1.7 +F1.8");
        add("nine terms", "IGUAL 1.1 + 1.2 + 1.3 + 1.4 + 1.5 + 1.6 + 1.7 + 1.8 + 1.9", {});
        add("ULTIMOS 1", "SUMA 6.2 ULTIMOS 1", "+S6.2");
        add("ULTIMOS 38", "SUMA 6.2 ÚLTIMOS 38", "+S6.2");
        add("ULTIMOS 0", "SUMA 6.2 ULTIMOS 0", {});
        add("ULTIMOS 39", "SUMA 6.2 ULTIMOS 39", {});
        add("SI without a condition", "SUMA 6.2 SI", {});
        add("a condition without values", "CUENTA 6 SI 6.1 =", {});
        add("NEGATIVO without SI", "SUMA 6.2 NEGATIVO 6.1 = 1", {});
        add("two operators", "IGUAL 1.1 + - 1.2", {});
        add("IGUAL alone", "IGUAL", {});
        add("a field without its line type", "IGUAL A 0005", {});
        add("INCLUSIVE twice", "CUENTA * INCLUSIVE INCLUSIVE", {});
        add("DESDE twice", "CUENTA * DESDE 1 DESDE 2", {});
        add("an empty line type in a list", "CUENTA 6,,7", {});
    }
    void termWords()
    {
        auto [text, read] = fetchColumns<QString, QString>({"text", "read"});
        QString why;
        const auto parsed = velkora::formats::parseRule(text, &why);
        QCOMPARE(parsed.has_value(), !read.isEmpty());
        if (!parsed) {
            QVERIFY(!why.isEmpty());
            return;
        }
        using Kind = velkora::formats::ParsedTerm::Kind;
        auto condition = [](const velkora::formats::ParsedCondition &c) {
            return u"%1.%2=%3"_s.arg(c.type, c.field, c.values.join(u'|'));
        };
        QStringList terms;
        for (const auto &term : parsed->terms) {
            QStringList sources;
            for (const auto &[type, field] : term.fields)
                sources << type + u'.' + field;
            QString one =
                (term.sign < 0 ? u"-"_s : u"+"_s) +
                (term.kind == Kind::Count ? u"C"_s
                 : term.kind == Kind::Sum ? u"S"_s
                                          : u"F"_s) +
                (term.kind == Kind::Count ? (term.anyType ? u"*"_s : term.types.join(u','))
                                          : sources.join(u','));
            QStringList when;
            for (const auto &c : term.when)
                when << condition(c);
            if (!when.isEmpty())
                one += u"["_s + when.join(u';') + u"]"_s;
            if (term.negative)
                one += u"("_s + condition(*term.negative) + u")"_s;
            terms << one;
        }
        QCOMPARE(terms.join(u' '), read);
    }

    // A condition on a line type that the term does not read, a field that is no NUMERO and a
    // name of an encoding that is none leave the rule out (the file is then not clean).
    void rulesLeftOut_data()
    {
        const auto add = dataColumns<QString>({"rule"});
        add("SI on another line type", "0040|0050|SUMA 0020.0070 SI 0010.0060 = 1");
        add("a sum of a text", "0040|0050|SUMA 0020.0060");
        add("IGUAL to a text", "0040|0050|IGUAL A 0010.0080");
        add("a line type summed twice", "0040|0050|SUMA 0020.0070,0020.0080");
        add("its own sign read on another line type",
            "0040|0050|IGUAL NEGATIVO SI 0010.0060 = 1 A 0010.0070");
        add("an unknown encoding", "||CODIFICACION EBCDIC");
    }
    void rulesLeftOut()
    {
        QFETCH(QString, rule);
        const TestReport report = run(withRules(bankStatement(), {rule}), statementLines());
        QCOMPARE(report.unusableRules, 1);
        QCOMPARE(report.exitCode(), 1);
    }

    // Julian dates: the day of the year after a year of two or four digits, as Bacs labels
    // write their processing date (" YYDDD"); day 366 only in a leap year.
    void julianDates_data()
    {
        // read: the date, or "!" and why not
        const auto add = dataColumns<QString, QString, QString>({"format", "text", "read"});
        add("the first day", " YYDDD", " 26001", "2026-01-01");
        add("the end of February", " YYDDD", " 26059", "2026-02-28");
        add("March 1st of a leap year", " YYDDD", " 24061", "2024-03-01");
        add("day 365", " YYDDD", " 26365", "2026-12-31");
        add("day 366 of a leap year", "YYYYDDD", "2024366", "2024-12-31");
        add("day 366 of another year", " YYDDD", " 26366", "!el día 366 del año no existe en 2026");
        add("day 400", " YYDDD", " 26400", "!el día 400 del año no existe en 2026");
        add("day 0", "YYYYDDD", "2026000", "!el día 0 del año no existe en 2026");
    }
    void julianDates()
    {
        auto [format, text, read] =
            fetchColumns<QString, QString, QString>({"format", "text", "read"});
        LoadFormat f = formatOf("JUL", {lineType("0001", "UHL1", "Cabecera de usuario", 1, 4,
                                                 "0001|Fecha de proceso|5|7|F")});
        f.lineTypes[0].fields[0].format = format;
        f.lineTypes[0].fields[0].length = int(format.size());
        const TestReport report = run(f, QStringList{u"UHL1"_s + text});
        QCOMPARE(report.errors.isEmpty(), !read.startsWith(u'!'));
        if (read.startsWith(u'!'))
            QVERIFY2(report.errors.first().message.contains(read.mid(1)),
                     qPrintable(report.errors.first().message));
        else
            QCOMPARE(report.result.details.front().values.front().text, read);
    }
    // ID precedence: a UHL1 label whose receiving party (11-20) puts "99" at columns 16-17 is
    // also a credit record by its transaction code; PREVALECE says which wins, and ambiguity
    // stays an error where nothing (or everything) says so.
    void idPrecedence_data()
    {
        const auto add = dataColumns<QStringList, qint64>({"rules", "ambiguous"});
        add("no rule", {}, qint64(1));
        add("the label prevails", {u"0100||PREVALECE SOBRE 0099"_s}, qint64(0));
        add("SOBRE left out", {u"0100||prevalece 0017, 0099"_s}, qint64(0));
        add("over another line type only", {u"0100||PREVALECE SOBRE 0017"_s}, qint64(1));
        add("each over the other",
            {u"0100||PREVALECE SOBRE 0099"_s, u"0099||PREVALECE SOBRE 0100"_s}, qint64(1));
    }
    void idPrecedence()
    {
        auto [rules, ambiguous] = fetchColumns<QStringList, qint64>({"rules", "ambiguous"});
        QStringList lines = bacsLines();
        lines[0].replace(10, 10, u"9999999999"_s);
        const TestReport report = run(withRules(bacs(), rules), lines);
        QCOMPARE(report.unusableRules, 0);
        QCOMPARE(report.result.ambiguous.count, ambiguous);
        QCOMPARE(report.exitCode(), ambiguous > 0 ? 1 : 0);
        if (ambiguous == 0)
            QCOMPARE(report.result.types[0].lines, qint64(1)); // the UHL1 label
    }
};

[[maybe_unused]] static const bool added = kesta::test::addTestClass<TestStandardRules>();

#include "StandardRulesTests.moc"
