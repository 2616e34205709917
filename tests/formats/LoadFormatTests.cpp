// The load-format test on the hand-made files of FormatSamples.h, spoilt line by line to show,
// or not to show, the likely causes of their errors.

#include "FormatSamples.h"
#include "formats/DigitColumns.h"
#include "formats/Limits.h"
#include "formats/LineAnalyzer.h"
#include "formats/LineSource.h"
#include "support/TestClasses.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace formats_test;

using Counts = QMap<QString, int>;
constexpr int LongBatch = 7300;
using Values = QMap<int, QString>;
Q_DECLARE_METATYPE(Encoding)

namespace {

QJsonObject json(const TestReport &report)
{
    return QJsonDocument::fromJson(velkora::formats::reportJson(report)).object();
}

// The converted values of a line kept in full, joined by "|".
QString values(const TestReport &report, qint64 line)
{
    for (const auto &detail : report.result.details) {
        if (detail.line != line)
            continue;
        QStringList texts;
        for (const auto &value : detail.values)
            texts << (value.ok ? value.text : u"!"_s + value.text);
        return texts.join(u'|');
    }
    return u"(line %1 not kept)"_s.arg(line);
}

Counts linesByType(const QJsonObject &json)
{
    Counts counts;
    const QJsonObject byType = json[u"by_line_type"_s].toObject();
    for (auto it = byType.begin(); it != byType.end(); ++it)
        counts.insert(it.key(), it.value().toObject()[u"lines"_s].toInt());
    return counts;
}

QList<qint64> numbers(const QJsonValue &list)
{
    QList<qint64> out;
    for (const QJsonValue &v : list.toArray())
        out << v.toInteger();
    return out;
}

// The sales file with `change` applied to its details (the n-th detail, from 0, and its text)
// on the details that `which` picks.
QStringList salesWith(
    const std::function<void(int, QString &)> &change,
    const std::function<bool(int)> &which = [](int) { return true; })
{
    QStringList lines = salesLines();
    for (int n = 0; n + 2 < lines.size(); ++n)
        if (which(n))
            change(n, lines[n + 1]);
    return lines;
}

QStringList kinds(const TestReport &report)
{
    QStringList out;
    for (const auto &finding : report.layout)
        out << velkora::formats::findingKindName(finding.kind);
    return out;
}

} // namespace

class TestLoadFormatTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;

    QString write(const QStringList &lines, const QByteArray &end = "\n",
                  Encoding encoding = Encoding::Utf8, bool lastEnded = true, bool bom = false)
    {
        return writeFile(dir.filePath(u"file%1.txt"_s.arg(++files)), lines, end, encoding,
                         lastEnded, bom);
    }
    QString writeBytes(const QByteArray &bytes)
    {
        return samples::writeBytes(dir.filePath(u"bytes%1.txt"_s.arg(++files)), bytes);
    }
    TestReport run(const LoadFormat &format, const QStringList &lines, TestOptions options = {})
    {
        return velkora::formats::testLoadFormat(format, write(lines), options);
    }

private slots:
    // Both standards read clean, the bank statement whatever its line ends and encoding: a CR
    // left on a line would be text after the last field; an accent read as two characters
    // would move the holder's name.
    void formatsReadTheirFiles_data()
    {
        const auto add =
            dataColumns<LoadFormat, QStringList, QByteArray, bool, Encoding, bool, Counts, Values>(
                {"format", "lines", "end", "lastEnded", "encoding", "bom", "byType", "someValues"});
        const Counts statementTypes{
            {u"0010"_s, 1}, {u"0020"_s, 3}, {u"0030"_s, 2}, {u"0040"_s, 1}, {u"0050"_s, 1}};
        const Values statementValues{
            {1, u"0049|1500|0123456789|2026-12-01|2026-12-31|2|125000.00|978|3|MUÑOZ PEÑA JOSÉ"_s},
            {2,
             u"1500|2026-12-02|2026-12-02|02|015|2|1500.00|1234|REF000000001|NOMINA DIC|EXTRACTO"_s},
            {5, u"1500|2026-12-20|2026-12-21|04|002|1|1000.00|5678|CHQ5678||EXTRACTO"_s},
            {6, u"2|PAGO DE CHEQUE|"_s},
            {7, u"0049|1500|0123456789|2|1430.75|1|1500.00|2|125069.25|978"_s},
            {8, u"999999999999999999|7"_s}};
        const auto utf8 = Encoding::Utf8, cp1252 = Encoding::Cp1252;
        const std::tuple<const char *, QByteArray, bool, Encoding, bool> ways[]{
            {"LF", "\n", true, utf8, false},
            {"LF, last line without end", "\n", false, utf8, false},
            {"CRLF", "\r\n", true, utf8, false},
            {"CRLF, last line without end", "\r\n", false, utf8, false},
            {"byte-order mark", "\r\n", true, utf8, true},
            {"Windows-1252", "\n", true, cp1252, false},
            {"Windows-1252 CRLF", "\r\n", false, cp1252, false}};
        for (const auto &[way, end, lastEnded, encoding, bom] : ways)
            add("bank statement, "_ba + way, bankStatement(), statementLines(), end, lastEnded,
                encoding, bom, statementTypes, statementValues);
        add("payment file", paymentFile(), paymentLines(), "\n", true, utf8, false,
            {{u"0001"_s, 1}, {u"0005"_s, 1}, {u"0006"_s, 2}, {u"0008"_s, 1}, {u"0009"_s, 1}},
            {{1,
              u"1|076401251|1234567890|2026-12-04|1530|A|94|10|1|BANCO DESTINO|EMPRESA ORIGEN|"_s},
             {3, u"22|SELECT Nombre FROM Bancos WHERE Ruta = '07641125'|1|00100000|11.37|"
                 u"EMP-0|EMPLEADO 0|  |0|76401250000001"_s},
             {5, u"220|2|15282251|0.00|47.75|1234567890|07640125|1"_s}});
    }
    void formatsReadTheirFiles()
    {
        auto [format, lines, end, lastEnded, encoding, bom, byType, someValues] =
            fetchColumns<LoadFormat, QStringList, QByteArray, bool, Encoding, bool, Counts, Values>(
                {"format", "lines", "end", "lastEnded", "encoding", "bom", "byType", "someValues"});
        const TestReport report =
            velkora::formats::testLoadFormat(format, write(lines, end, encoding, lastEnded, bom));
        QVERIFY2(report.ran, qPrintable(report.error));
        const QJsonObject result = json(report);
        QCOMPARE(result[u"lines"_s].toInt(), lines.size());
        QCOMPARE(linesByType(result), byType);
        QCOMPARE(result[u"errors"_s][u"count"_s].toInt(), 0);
        QCOMPARE(result[u"unmatched"_s][u"count"_s].toInt(), 0);
        QCOMPARE(kinds(report), QStringList());
        QCOMPARE(report.exitCode(), 0);
        QCOMPARE(report.encodingName(),
                 encoding == Encoding::Cp1252 ? u"Windows-1252"_s : u"UTF-8"_s);
        for (auto it = someValues.begin(); it != someValues.end(); ++it)
            QCOMPARE(values(report, it.key()), it.value());
    }

    void errorsCarryTheirPlace_data()
    {
        // line (from 1) and column where the text is put; where: from-to|line type|field
        const auto add = dataColumns<int, int, QString, QString, QString>(
            {"line", "column", "text", "where", "message"});
        add("accent in an amount, counted as one character", 1, 40, "Ó", "34-47|0010|0070",
            "'000000Ó2500000' no es un número en el formato '0V00': el carácter 'Ó' de la columna "
            "40 no cabe en él.");
        add("blank document", 2, 43, "          ", "43-52|0020|0080",
            "Está en blanco y debe ser un número en el formato vacío (solo dígitos).");
        add("sign where none goes", 7, 21, "-0002", "21-25|0040|0040",
            "'-0002' no es un número en el formato vacío (solo dígitos): el signo '-' de la "
            "columna 21 no va en ese lugar.");
        add("February 30", 1, 27, "260230", "27-32|0010|0050",
            "'260230' no es una fecha en el formato 'yymmdd': el día 30 no existe en el mes 2 de "
            "2026.");
    }
    void errorsCarryTheirPlace()
    {
        auto [line, column, text, where, message] =
            fetchColumns<int, int, QString, QString, QString>(
                {"line", "column", "text", "where", "message"});
        QStringList lines = statementLines();
        lines[line - 1].replace(column - 1, text.size(), text);
        const TestReport report = run(bankStatement(), lines);
        const QJsonObject result = json(report);
        // The test goes on after the error: every line is still typed.
        QCOMPARE(result[u"lines"_s].toInt(), 8);
        QCOMPARE(result[u"unmatched"_s][u"count"_s].toInt(), 0);
        QCOMPARE(result[u"errors"_s][u"count"_s].toInt(), 1);
        const QJsonObject error = result[u"errors"_s][u"first"_s][0].toObject();
        QCOMPARE(error[u"line"_s].toInt(), line);
        QCOMPARE(u"%1-%2|%3|%4"_s.arg(error[u"from"_s].toInt())
                     .arg(error[u"to"_s].toInt())
                     .arg(error[u"line_type"_s].toString(), error[u"field"_s].toString()),
                 where);
        QCOMPARE(error[u"message"_s].toString(), message);
        QCOMPARE(report.exitCode(), 1);
    }

    void reverseReadingKeepsTheFileLineNumbers()
    {
        QStringList lines = statementLines();
        lines[1].replace(10, 6, u"261302"_s);               // an error on line 2
        lines.insert(3, record(80, {{1, "99"}, {3, "X"}})); // an unmatched line 4
        LoadFormat format = bankStatement();
        const TestReport forward = run(format, lines);
        format.reverse = true;
        const TestReport reverse = run(format, lines);

        for (qint64 line = 1; line <= 9; ++line)
            QCOMPARE(values(reverse, line), values(forward, line));
        const QJsonObject f = json(forward), r = json(reverse);
        QCOMPARE(r[u"errors"_s], f[u"errors"_s]);
        QCOMPARE(numbers(r[u"unmatched"_s][u"first"_s]), QList<qint64>{4});
        QVERIFY(r[u"reverse"_s].toBool());
        QVERIFY(velkora::formats::reportText(reverse, u"|"_s)
                    .contains(u"Lectura|inversa: de la última línea a la primera"_s));
    }

    // The lines of each line type found by their IDs (and those of no type and of several, as
    // "-" and "+"). IDs with an accent are UTF-8 in the format, one byte a character in a
    // Windows-1252 file: found in either encoding, whether the IDs all have the same size in
    // bytes or not. Lines at the edges of their IDs: a line exactly as long as its ID is of its
    // type, one a character shorter is of none, and two types of one ID make a line of both;
    // with every ID at one place (one lookup) and with IDs at two places.
    void idsFindTheirLines_data()
    {
        const auto add = dataColumns<LoadFormat, QStringList, Encoding, Counts>(
            {"format", "lines", "encoding", "byType"});
        const QStringList accented{u"Ñ0001"_s, u"É0002"_s, u"A0003"_s, u"N0004"_s, u"Ñ0005"_s};
        const Counts twoAndOne{{u"0001"_s, 2}, {u"0002"_s, 1}, {u"-"_s, 2}, {u"+"_s, 0}};
        for (const char *other : {"É", "A"}) {
            const LoadFormat format =
                formatOf("ACC", {lineType("0001", "Ñ", "Eñe", 1, 1, "0001|Número|2|4|N"),
                                 lineType("0002", other, "Otro", 1, 1, "0001|Número|2|4|N")});
            const QByteArray sizes = *other == 'A' ? "one and two bytes" : "two bytes each";
            add(sizes + ", UTF-8", format, accented, Encoding::Utf8, twoAndOne);
            add(sizes + ", Windows-1252", format, accented, Encoding::Cp1252, twoAndOne);
        }
        LoadFormat edges = formatOf("IDS", {lineType("0001", "11", "Once", 1, 2),
                                            lineType("0002", "11", "Once otra vez", 1, 2),
                                            lineType("0003", "22", "Veintidós", 1, 2)});
        const QStringList short_{u"22"_s, u"2"_s, u"11ABC"_s, u"22"_s, u"ab"_s};
        const Counts counts{
            {u"0001"_s, 0}, {u"0002"_s, 0}, {u"0003"_s, 2}, {u"-"_s, 2}, {u"+"_s, 1}};
        add("one place for every ID", edges, short_, Encoding::Utf8, counts);
        edges.lineTypes << lineType("0004", "XY", "Más adentro", 3, 2);
        Counts atTwo = counts;
        atTwo.insert(u"0004"_s, 0);
        add("IDs at two places", edges, short_, Encoding::Utf8, atTwo);
        // IDs at places that overlap: a line holds both only where they agree ("12X": 0003
        // and 0004), and a shorter ID at the same column still loses to a longer one ("7Y").
        const LoadFormat overlapping = formatOf(
            "OVL", {lineType("0001", "7", "Siete", 1, 1), lineType("0002", "7Y", "Siete Y", 1, 2),
                    lineType("0003", "12", "Doce", 1, 2), lineType("0004", "2X", "Dos X", 2, 2),
                    lineType("0005", "33", "Treinta y tres", 1, 2)});
        add("IDs at places that overlap", overlapping,
            {u"7Y"_s, u"7Z"_s, u"12X"_s, u"33"_s, u"a2X"_s, u"3"_s}, Encoding::Utf8,
            Counts{{u"0001"_s, 1},
                   {u"0002"_s, 1},
                   {u"0004"_s, 1},
                   {u"0005"_s, 1},
                   {u"-"_s, 1},
                   {u"+"_s, 1},
                   {u"0003"_s, 0}});
    }
    void idsFindTheirLines()
    {
        auto [format, lines, encoding, byType] =
            fetchColumns<LoadFormat, QStringList, Encoding, Counts>(
                {"format", "lines", "encoding", "byType"});
        const TestReport report =
            velkora::formats::testLoadFormat(format, write(lines, "\n", encoding));
        QVERIFY(report.ran);
        Counts found = linesByType(json(report));
        found.insert(u"-"_s, int(report.result.unmatched.count));
        found.insert(u"+"_s, int(report.result.ambiguous.count));
        QCOMPARE(found, byType);
        QCOMPARE(report.result.errorCount, 0);
    }

    void windows1252HighCharacters()
    {
        // 0x80 is the euro sign and 0x9C "œ" in Windows-1252; neither is valid UTF-8.
        QByteArray line = record(80, {{1, "23"}, {3, "03"}}).toLatin1();
        line.replace(4, 15, "PAGO 100\x80 C\x9Cur");
        line.replace(42, 5, "A\xD1O 1");
        const TestReport report =
            velkora::formats::testLoadFormat(bankStatement(), writeBytes(line + "\n"));
        QCOMPARE(values(report, 1), u"3|PAGO 100€ Cœur|AÑO 1"_s);
        QCOMPARE(report.encodingName(), u"Windows-1252"_s);
    }

    // Formats of one line type: a trimmed field's error names the column where its bad
    // character stands in the line, past the blanks that the trimming dropped; VALORES compares
    // a field's text without the blanks after it (a value shorter than its field), and only
    // those; SECUENCIA LINEA on a file whose lines carry their own number.
    void oneLineType_data()
    {
        // errors: "line:rule"; words: of the first error
        const auto add = dataColumns<LoadFormat, QStringList, QStringList, QString>(
            {"format", "lines", "errors", "words"});
        add("a trimmed field's bad character",
            formatOf("TRM", {lineType("0001", "A", "Importes", 1, 1, "0001|Importe|2|8|N*")}),
            {u"A   12X45"_s}, {u"1:"_s}, "el carácter 'X' de la columna 7 ");
        add("VALORES without the blanks after a value",
            withRules(
                formatOf("VAL", {lineType("0001", "A", "Códigos", 1, 1, "0001|Código|2|4|T")}),
                {u"0001|0001|VALORES AB|CD"_s}),
            {u"AAB  "_s, u"ACD"_s, u"A AB "_s, u"AXY  "_s}, {u"3:0001"_s, u"4:0001"_s},
            "no es uno de los valores AB|CD");
        const LoadFormat numbered =
            withRules(formatOf("NUM", {lineType("0001", "R", "Registro", 1, 1,
                                                "0001|Número|2|6|N; 0002|Valor|8|5|N")}),
                      {u"0001|0001|SECUENCIA LINEA"_s});
        QStringList lines;
        for (int i = 1; i <= 12; ++i)
            lines << u"R%1%2"_s.arg(i, 6, 10, QLatin1Char('0')).arg(i * 7, 5, 10, QLatin1Char('0'));
        add("SECUENCIA LINEA kept", numbered, lines, {}, {});
        lines.removeAt(4);
        add("SECUENCIA LINEA, a line missing", numbered, lines,
            {u"5:0001"_s, u"6:0001"_s, u"7:0001"_s, u"8:0001"_s, u"9:0001"_s, u"10:0001"_s,
             u"11:0001"_s},
            {});
    }
    void oneLineType()
    {
        auto [format, lines, errors, words] =
            fetchColumns<LoadFormat, QStringList, QStringList, QString>(
                {"format", "lines", "errors", "words"});
        const TestReport report = run(format, lines);
        QCOMPARE(errorPlaces(report), errors);
        const QString message = report.errors.value(0).message;
        QVERIFY2(message.contains(words), qPrintable(message));
    }

    // A short line's missing characters are blanks, and its error says where it ends; a
    // control character's error says what it is; lines of no type are listed.
    void shortAndUnmatchedLines()
    {
        QStringList lines = statementLines().mid(0, 2);
        lines[0].replace(60, 1, QChar(u'\0'));        // in the holder's name
        lines[1].truncate(49);                        // the document field is cut at column 49
        lines << record(80, {{1, "99"}, {3, "OTRO"}}) // no such ID
              << u"2"_s                               // too short to hold an ID
              << QString();                           // empty
        lines << statementLines().at(7);
        const TestReport report = run(bankStatement(), lines);
        const QJsonObject result = json(report);
        QCOMPARE(numbers(result[u"unmatched"_s][u"first"_s]), (QList<qint64>{3, 4, 5}));
        QStringList errors;
        for (const auto &error : report.errors)
            errors << u"%1|%2|%3"_s.arg(error.line).arg(error.field, error.message);
        QCOMPARE(errors, (QStringList{u"1|0100|Hay un carácter nulo (NUL) en la columna 61."_s,
                                      u"2|0080|'0000001   ' no es un número en el formato "
                                      u"vacío (solo dígitos): el carácter ' ' de la columna 50 "
                                      u"no cabe en él; la línea termina en la columna 49."_s}));
        // The trimmed references are empty.
        QCOMPARE(values(report, 2),
                 u"1500|2026-12-02|2026-12-02|02|015|2|1500.00|!0000001   |||EXTRACTO"_s);
        // Fields past the longest movement line.
        QCOMPARE(kinds(report), QStringList(3, u"beyond"_s));
        QVERIFY(velkora::formats::reportText(report, u"|"_s).contains(u"3|SIN TIPO|99OTRO"_s));
        QCOMPARE(report.exitCode(), 1);
    }

    // Equal IDs give a line both types; an ID that begins a longer one at the same column
    // loses to it (the most specific wins), and the review names the pair as information.
    void ambiguousAndShadowedIds()
    {
        LoadFormat format = paymentFile();
        format.lineTypes << lineType("0062", "622", "Abono en cheques", 1, 3)
                         << lineType("0088", "8", "Control repetido", 1, 1);
        const TestReport report = run(format, paymentLines());
        const QJsonObject result = json(report);
        // Every "8" line is both 0008 and 0088; "622..." is 0062 alone; "627..." is only 6.
        QCOMPARE(numbers(result[u"ambiguous"_s][u"first"_s]), (QList<qint64>{5}));
        QCOMPARE(linesByType(result)[u"0006"_s], 1);
        QCOMPARE(linesByType(result)[u"0062"_s], 1);
        QCOMPARE(kinds(report).mid(0, 2), (QStringList{u"prefix"_s, u"shadow"_s}));
        QStringList messages;
        for (const auto &finding : report.layout)
            messages << finding.message;
        QVERIFY(messages.contains(u"Los tipos de línea 0008 y 0088 tienen el mismo ID '8' en la "
                                  u"columna 1: sus líneas son de los dos tipos."_s));
        QVERIFY(messages.contains(u"El ID '6' del tipo de línea 0006 es el principio del ID '622' "
                                  u"del tipo de línea 0062 (columna 1): una línea con '622' es "
                                  u"del tipo 0062, el ID más largo."_s));
        QVERIFY(velkora::formats::reportText(report, u"|"_s).contains(u"\n3|0062\n"_s));
        QCOMPARE(report.exitCode(), 1);
    }

    void layoutFindings()
    {
        LoadFormat format =
            formatOf("LAY", {lineType("0001", "A", "Datos", 1, 1,
                                      "0001|Nombre|2|10|T; 0002|Alias|8|8|T; 0003|Importe|20|6|N; "
                                      "0004|Notas|30|11|T; 0005|Mal formato|2|3|N|0X; "
                                      "0006|Tipo raro|26|3|09"),
                             lineType("0002", "", "Sin ID", 1, 1),
                             lineType("0003", "ABC", "ID largo", 1, 2)});
        format.orphanFields << fieldDef(u"0099"_s, u"0001|Huérfano|1|1|T"_s);
        const TestReport report =
            run(format, {record(35, {{1, "A"}, {2, "JUAN PEREZ"}, {17, "X"}, {20, "000100"}}),
                         record(35, {{1, "A"}, {2, "ANA"}, {20, "000200"}})});
        QCOMPARE(kinds(report),
                 (QStringList{u"definition"_s, u"definition"_s, u"definition"_s, u"definition"_s,
                              u"definition"_s, u"overlap"_s, u"gap"_s, u"beyond"_s}));
        const auto message = [&](int i) { return report.layout.at(i).message; };
        QCOMPARE(message(5), u"Los campos 0001 (columnas 2-11) y 0002 (columnas 8-15) del tipo de "
                             u"línea 0001 se enciman en las columnas 8-11."_s);
        QCOMPARE(message(6), u"En las columnas 16-19 el tipo de línea 0001 tiene texto que ningún "
                             u"campo lee, en 1 línea(s); la primera es la 1."_s);
        QCOMPARE(report.layout.at(7).field, u"0004"_s);
        // The field with the invalid format is in error on every line.
        QCOMPARE(report.result.errorCount, 2);
        QVERIFY(report.errors.at(0).message.startsWith(
            u"El campo no se puede leer: el formato '0X'"_s));
    }

    // A position or length of 0 is a format the tables hold and the editor takes: the review
    // names the field that would read text there, and leaves alone one that reads none.
    void zeroPositionsAndLengths_data()
    {
        const auto add =
            dataColumns<int, int, QString, bool>({"position", "length", "type", "named"});
        add("TEXTO at position 0", 0, 5, QString(Texto), true);
        add("NUMERO of length 0", 3, 0, QString(Numero), true);
        add("TEXTO at 1, length 1", 1, 1, QString(Texto), false);
        add("CONSTANTE at 0, length 0", 0, 0, QString(Constante), false);
    }
    void zeroPositionsAndLengths()
    {
        auto [position, length, type, named] =
            fetchColumns<int, int, QString, bool>({"position", "length", "type", "named"});
        const TestReport report = run(
            formatOf(
                "ZER",
                {lineType("0001", "", "Única", 0, 0,
                          u"0001|Nombre|2|4|T; 0002|Campo|%1|%2|%3"_s.arg(position).arg(length).arg(
                              type))}),
            {record(8, {{1, "A"}, {2, "JUAN"}, {6, "123"}})});
        QStringList definitions;
        for (const auto &finding : report.layout) {
            if (finding.kind == velkora::formats::LayoutFinding::Kind::Definition)
                definitions << finding.field;
        }
        QCOMPARE(definitions, named ? QStringList{u"0002"_s} : QStringList{});
        QCOMPARE(report.result.unmatched.count, 0);
    }

    void resultDoesNotDependOnChunksOrThreads_data()
    {
        const auto add = dataColumns<LoadFormat, QByteArray, bool, qint64>(
            {"format", "bytes", "causes", "lines"});
        // A few thousand lines of every kind: clean, in error, unmatched, accented in both
        // encodings, with both line ends.
        QByteArray mixed;
        const QStringList base = statementLines();
        for (int i = 0; i < 2500; ++i) {
            QString line = base.at(i % base.size());
            if (i % 7 == 3)
                line.replace(30, 1, u"X"_s);
            if (i % 11 == 5)
                line = u"77 desconocida %1"_s.arg(i);
            const QByteArray encoded = i % 13 == 0 ? line.toLatin1() : line.toUtf8();
            mixed += encoded + (i % 3 == 0 ? "\r\n" : "\n");
        }
        add("mixed lines", bankStatement(), mixed, false, qint64(2500));
        // Without a line break after the last line, and a line longer than the longest line
        // read: cut, and its end looked for past the chunk and the mapping.
        QByteArray unended = mixed;
        unended.insert(unended.indexOf('\n', 40000) + 1,
                       "22" + QByteArray(velkora::formats::MaxLineBytes + 5000, '7') + "\r\n");
        unended.chop(unended.endsWith("\r\n") ? 2 : 1);
        add("no last line break, a long line", bankStatement(), unended, false, qint64(2501));
        // A byte-order mark, empty lines among the others and at the end, a final Ctrl-Z.
        add("byte-order mark, empty lines, Ctrl-Z", bankStatement(),
            "\xEF\xBB\xBF" + mixed.left(mixed.indexOf('\n', 30000) + 1) + "\n\r\n" +
                mixed.mid(30000, 20000) + "\n\n\x1A",
            false, qint64(-1));
        // Sales whose fields are shifted from column 31 on most lines, with a blank quantity
        // and dates day first on most of the others: what the causes count is merged too.
        const QStringList sales = salesWith([](int n, QString &line) {
            if (n % 10 == 4) {
                line.replace(53, 5, u"     "_s);
            } else if (n % 20 != 0) {
                line.insert(30, u' ');
            } else {
                const QString date = line.mid(30, 8);
                line.replace(30, 8, date.mid(6, 2) + date.mid(4, 2) + date.left(4));
            }
        });
        QByteArray shifted;
        for (int i = 0; i < 60; ++i)
            for (const QString &line : sales)
                shifted += (i % 2 ? line.toLatin1() : line.toUtf8()) + (i % 3 ? "\n" : "\r\n");
        add("causes", salesFile(), shifted, true, qint64(shifted.count('\n')));
        // Rules across lines (counts, sums, order, sequence, first and last line): their state
        // runs over every chunk edge, and what they find is listed in line order.
        QStringList batches = paymentBatchLines(12, 9);
        put(batches, 40, 39, u"7"_s); // an amount in a batch
        batches[70] += u"X"_s;        // a longer line
        batches.swapItemsAt(90, 91);  // out of order
        const LoadFormat ruled = withRules(
            paymentFileForRules(),
            {u"0001||PRIMERA"_s, u"0006||LONGITUD 94"_s, u"0006||TRAS 0005,0006"_s,
             u"0008|0002|CUENTA 0006 DESDE 0005"_s, u"0008|0005|SUMA 0006.0005 DESDE 0005"_s,
             u"0009|0006|SUMA 0006.0005"_s, u"0006|0010|SECUENCIA"_s, u"0099||ULTIMA"_s});
        QByteArray crlf;
        for (const QString &line : batches)
            crlf += line.toLatin1() + "\r\n";
        add("rules across lines, CR LF", ruled, crlf, false, qint64(batches.size()));
        // REGISTRO 94: records without line breaks, the last one short; read from the first
        // whatever the reading's order.
        const QByteArray records = batches.join(QString()).toLatin1().chopped(30);
        add("REGISTRO records, a short last one", withRules(ruled, {u"||REGISTRO 94"_s}), records,
            false, qint64(batches.size()));
    }
    void resultDoesNotDependOnChunksOrThreads()
    {
        auto [format, bytes, causes, lines] = fetchColumns<LoadFormat, QByteArray, bool, qint64>(
            {"format", "bytes", "causes", "lines"});
        const QString path = writeBytes(bytes);
        for (const bool reverse : {false, true}) {
            format.reverse = reverse;
            TestOptions options;
            options.threads = 1;
            options.mapFile = false;
            const TestReport baseline = velkora::formats::testLoadFormat(format, path, options);
            if (lines >= 0)
                QCOMPARE(baseline.result.lines, lines);
            QVERIFY(baseline.result.errorCount > 0);
            QCOMPARE(!baseline.causes.isEmpty(), causes);
            const QString text = velkora::formats::reportText(baseline, u"|"_s);
            const QByteArray result = velkora::formats::reportJson(baseline);
            for (const qint64 chunk : {16, 81, 95, 1000, 65536}) {
                for (const int threads : {1, 2, 3}) {
                    options.chunkBytes = chunk;
                    options.threads = threads;
                    options.mapFile = threads != 2; // mapped, and read() at two threads
                    const TestReport report =
                        velkora::formats::testLoadFormat(format, path, options);
                    const QByteArray what = "reverse " + QByteArray::number(reverse) + ", chunk " +
                                            QByteArray::number(chunk) + ", threads " +
                                            QByteArray::number(threads);
                    QVERIFY2(velkora::formats::reportJson(report) == result, what);
                    QVERIFY2(velkora::formats::reportText(report, u"|"_s) == text, what);
                }
            }
        }
        // A regular file is mapped: the runs above compared the mapping with read().
        velkora::formats::LineSource source;
        QString error;
        QVERIFY2(source.open(path, &error) && source.mapped(), qPrintable(error));
    }

    // The lists stop at their limit, the counts do not; the lines with control characters are
    // listed even after the list of errors is full, also when the file is read in many parts.
    void listsAreCappedButCountsAreNot()
    {
        QStringList lines;
        for (int i = 0; i < 30; ++i) {
            QString movement = statementLines().at(1);
            lines << movement.replace(10, 6, u"26XX02"_s) << u"x"_s;
        }
        for (int i = 0; i < 3; ++i)
            lines << QString(statementLines().at(1)).replace(60, 1, QChar(u'\x01'));
        TestOptions options;
        options.listLimit = 5;
        options.detailLines = 3;
        options.threads = 1;
        options.chunkBytes = 200;
        const TestReport report = run(bankStatement(), lines, options);
        QCOMPARE(report.result.controlLines.count, 3);
        QCOMPARE(report.result.controlLines.first, (std::vector<qint64>{61, 62, 63}));
        const QJsonObject result = json(report);
        QCOMPARE(result[u"unmatched"_s][u"count"_s].toInt(), 30);
        QCOMPARE(numbers(result[u"unmatched"_s][u"first"_s]), (QList<qint64>{2, 4, 6, 8, 10}));
        QCOMPARE(result[u"errors"_s][u"count"_s].toInt(), 33);
        QCOMPARE(result[u"errors"_s][u"first"_s].toArray().size(), 5);
        const QString text = velkora::formats::reportText(report, u"|"_s);
        QVERIFY(text.contains(u"... 60 línea(s) más no se muestran: se muestran las primeras 3 "
                              u"en el orden de lectura."_s));
        QVERIFY(text.contains(u"... se muestran los primeros 5 de 33 errores de campo."_s));
        QVERIFY(text.contains(u"Líneas sin tipo de línea|2, 4, 6, 8, 10 (y 25 más)"_s));
    }

    void resultText()
    {
        QStringList lines = statementLines();
        lines[1].replace(10, 6, u"261302"_s);
        const TestReport report = run(bankStatement(), lines);
        const QStringList text = velkora::formats::reportText(report, u";"_s).split(u'\n');
        for (const QString &expected :
             {u"Prueba del formato de carga 0043;Extracto de cuenta"_s, u"Codificación;UTF-8"_s,
              u"0020;22;1-2;Movimiento;0010 Oficina de origen (7-10 TEXTO); 0020 Fecha de "
              u"operación (11-16 Fecha); 0030 Fecha valor (17-22 Fecha); 0040 Concepto común "
              u"(23-24 TEXTO); 0050 Concepto propio (25-27 TEXTO); 0060 Debe/haber (28-28 TEXTO); "
              u"0070 Importe (29-42 NUMERO); 0080 Documento (43-52 NUMERO); 0090 Referencia 1 "
              u"(53-64 TEXTO); 0100 Referencia 2 (65-80 TEXTO); 0110 Origen (CONSTANTE)"_s,
              u"2;0020;1500;¡ERROR! 261302;2026-12-02;02;015;2;1500.00;1234;REF000000001;NOMINA "
              u"DIC;EXTRACTO"_s,
              u"Líneas leídas;8"_s, u"Tipo 0020 (22) Movimiento;3"_s, u"Errores de campo;1"_s,
              u"Resultado;el archivo tiene errores"_s})
            QVERIFY2(text.contains(expected), qPrintable(expected));
    }

    // A fault on most lines of a line type is named in plain words before the errors, in the
    // text and in the JSON: one cause, of the details' line type; and how many lines fail.
    void likelyCauseOfAFault_data()
    {
        // kind: empty: no cause; affected: of the 40 details
        const auto add = dataColumns<QStringList, QString, QString, int, QJsonObject, QStringList>(
            {"lines", "kind", "field", "affected", "details", "words"});
        add("a character more at column 31",
            salesWith([](int, QString &line) { line.insert(30, u' '); }), "shifted", QString(), 40,
            QJsonObject{{u"shift"_s, 1}, {u"column"_s, 31}},
            QStringList{u"Los campos del tipo de línea 0002 parecen desplazados una columna a "
                        u"la derecha a partir de la columna 31: en 40 de 40 líneas, los campos "
                        u"con error (0003 Fecha, 0005 Importe) se leen bien una columna más a "
                        u"la derecha. ¿Sobra un carácter en la columna 31 o antes?"_s,
                        u"Las líneas también son más largas: 40 tienen 59 caracteres y los "
                        u"campos terminan en la columna 58."_s});
        add("a character missing before column 31",
            salesWith([](int, QString &line) { line.remove(29, 1); }), "shifted", QString(), 40,
            QJsonObject{{u"shift"_s, -1}, {u"column"_s, 31}},
            QStringList{u"desplazados una columna a la izquierda a partir de la columna 31"_s,
                        u"(0003 Fecha, 0006 Cantidad)"_s,
                        u"¿Falta un carácter antes de la columna 31?"_s,
                        u"Las líneas también son más cortas: 40 tienen 57 caracteres"_s});
        add("two characters more at column 31",
            salesWith([](int, QString &line) { line.insert(30, u"  "_s); }), "shifted", QString(),
            40, QJsonObject{{u"shift"_s, 2}, {u"column"_s, 31}},
            QStringList{u"desplazados dos columnas a la derecha a partir de la columna 31"_s,
                        u"¿Sobran dos caracteres en la columna 31 o antes?"_s});
        add("a quantity left blank",
            salesWith([](int, QString &line) { line.replace(53, 5, u"     "_s); }), "blank_number",
            "0006", 40, QJsonObject{},
            QStringList{u"El campo 0006 Cantidad (NUMERO, columnas 54-58) del tipo de línea "
                        u"0002 está en blanco en 40 de 40 líneas. ¿Es un campo opcional? Un "
                        u"NUMERO no puede quedar en blanco: considere declararlo TEXTO."_s});
        add("a quantity left blank on 32 of 40 lines, 80%",
            salesWith([](int, QString &line) { line.replace(53, 5, u"     "_s); },
                      [](int n) { return n % 5 != 0; }),
            "blank_number", "0006", 32, QJsonObject{},
            QStringList{u"está en blanco en 32 de 40 líneas"_s});
        add("a date left blank",
            salesWith([](int, QString &line) { line.replace(30, 8, u"        "_s); }), "blank_date",
            "0003", 40, QJsonObject{},
            QStringList{u"Una Fecha no puede quedar en blanco: considere declararla TEXTO."_s});
        add("dates written day first", salesWith([](int, QString &line) {
                const QString date = line.mid(30, 8); // YYYYMMDD
                line.replace(30, 8, date.mid(6, 2) + date.mid(4, 2) + date.left(4));
            }),
            "other_date_format", "0003", 40, QJsonObject{{u"date_format"_s, u"DDMMYYYY"_s}},
            QStringList{u"El campo 0003 Fecha (Fecha, columnas 31-38) del tipo de línea 0002 "
                        u"no se lee en su formato 'YYYYMMDD' en 40 de 40 líneas, y los valores "
                        u"se leen como DDMMYYYY: ¿es ese su formato?"_s});
        add("lines cut after the amount", salesWith([](int, QString &line) { line.truncate(53); }),
            "short_lines", QString(), 40, QJsonObject{},
            QStringList{u"Las líneas del tipo de línea 0002 son más cortas que su último "
                        u"campo, que termina en la columna 58: 40 de 40 líneas terminan antes."_s,
                        u"Los campos que quedan fuera (0006 Cantidad) no se pueden leer"_s});
        // No cause on a clean file, nor when the faults are scattered over a few lines or fall
        // short of most lines (80%) of their line type.
        add("clean file", salesLines(), {}, {}, 0, {}, {});
        add("each fault on a line or two", salesWith([](int n, QString &line) {
                if (n == 3)
                    line.insert(30, u' ');
                else if (n == 11 || n == 12)
                    line.replace(53, 5, u"     "_s);
                else if (n == 20)
                    line.replace(30, 8, u"21122026"_s);
                else if (n == 33)
                    line.truncate(53);
            }),
            QString(), QString(), 5, QJsonObject{}, QStringList{});
        add("a quantity left blank on 31 of 40 lines",
            salesWith([](int, QString &line) { line.replace(53, 5, u"     "_s); },
                      [](int n) { return n % 5 != 0 && n != 1; }),
            QString(), QString(), 31, QJsonObject{}, QStringList{});
    }
    void likelyCauseOfAFault()
    {
        auto [lines, kind, field, affected, details, words] =
            fetchColumns<QStringList, QString, QString, int, QJsonObject, QStringList>(
                {"lines", "kind", "field", "affected", "details", "words"});
        const TestReport report = run(salesFile(), lines);
        const QJsonObject result = json(report);
        const QJsonArray failures = result[u"failures"_s].toArray();
        QCOMPARE(failures.isEmpty() ? 0 : failures.at(0)[u"lines"_s].toInt(), affected);
        const QString text = velkora::formats::reportText(report, u"|"_s);
        const QJsonArray causes = result[u"causes"_s].toArray();
        if (kind.isEmpty()) { // the failures are still counted
            QCOMPARE(causes, QJsonArray());
            QVERIFY(!text.contains(u"Causas probables"_s));
            QCOMPARE(text.contains(u"\nLíneas con errores de campo\n"_s), affected > 0);
            return;
        }
        QCOMPARE(causes.size(), 1);
        QJsonObject cause = causes.at(0).toObject();
        const QString message = cause.take(u"message"_s).toString();
        QJsonObject expected{{u"line_type"_s, u"0002"_s},
                             {u"field"_s, field},
                             {u"kind"_s, kind},
                             {u"lines"_s, affected},
                             {u"of"_s, 40}};
        for (auto it = details.begin(); it != details.end(); ++it)
            expected.insert(it.key(), it.value());
        QCOMPARE(cause, expected);
        for (const QString &expectedWords : words)
            QVERIFY2(message.contains(expectedWords), qPrintable(message));

        // The text names it in its row (the order of the text's sections is seen on the
        // screen's test).
        QVERIFY(text.contains(u"\n0002|%1|%2 de 40|%3\n"_s.arg(field).arg(affected).arg(message)));
    }

    // How many lines fail, per line type and per field, in the JSON and near the text's top:
    // every field's, though the list of errors is full after the first five; the first ten
    // lines of each.
    void failuresPerLineTypeAndField()
    {
        QStringList lines = salesWith([](int n, QString &line) {
            if (n % 4 == 0)
                line.replace(34, 2, u"13"_s); // month 13
            if (n % 3 == 0)
                line.replace(45, 1, u"O"_s); // a letter O for a zero
        });
        lines.last().replace(3, 1, u"X"_s);
        TestOptions options;
        options.listLimit = 5;
        const TestReport report = run(salesFile(), lines, options);
        QCOMPARE(report.errors.size(), 5);
        QCOMPARE(report.result.errorCount, 10 + 14 + 1);
        const QString text = velkora::formats::reportText(report, u"|"_s);
        const QStringList failures{
            u"Tipo|Campo|Líneas con error|Líneas del tipo|Primeras líneas con error"_s,
            u"0002|(algún campo)|20|40|"_s,
            u"0002|0003 Fecha|10|40|2, 6, 10, 14, 18, 22, 26, 30, 34, 38"_s,
            u"0002|0005 Importe|14|40|2, 5, 8, 11, 14, 17, 20, 23, 26, 29 (y 4 más)"_s,
            u"0003|(algún campo)|1|1|"_s,
            u"0003|0001 Registros|1|1|42"_s};
        QVERIFY2(
            text.contains(u"\nLíneas con errores de campo\n"_s + failures.join(u'\n') + u"\n\n"_s),
            qPrintable(text));
        // The JSON's failures as the text's rows, where the list of first lines is not cut.
        QStringList rows{failures.first()};
        for (const QJsonValue &type : json(report)[u"failures"_s].toArray()) {
            const QString of = u"|%1"_s.arg(type[u"of"_s].toInt());
            rows << type[u"line_type"_s].toString() + u"|(algún campo)|"_s +
                        QString::number(type[u"lines"_s].toInt()) + of + u'|';
            for (const QJsonValue &field : type[u"fields"_s].toArray()) {
                QStringList first;
                for (const QJsonValue &line : field[u"first"_s].toArray())
                    first << QString::number(line.toInt());
                rows << u"%1|%2 %3|%4"_s
                                .arg(type[u"line_type"_s].toString(), field[u"field"_s].toString(),
                                     field[u"description"_s].toString())
                                .arg(field[u"lines"_s].toInt()) +
                            of + u'|' + first.join(u", "_s);
            }
        }
        QCOMPARE(rows, failures.join(u'\n').remove(u" (y 4 más)"_s).split(u'\n'));
        QVERIFY(text.indexOf(u"\nLíneas con errores de campo\n"_s) <
                text.indexOf(u"\nRevisión del formato\n"_s));
        // 20 of 40 details in error, and the trailer's fault is of no kind that has a name.
        QVERIFY(report.causes.isEmpty());
    }

    // Each rule kind on a payment file of three batches of three credits (1 header; 2, 7, 12
    // batch headers; 3-5, 8-10, 13-15 entries; 6, 11, 16 batch controls; 17 file control; 18-20
    // filler): kept, broken once (where ruleMessages does not), broken on every line.
    void rulesOnAPaymentFile_data()
    {
        // errors: "line:rule"
        const auto add =
            dataColumns<QStringList, QStringList, QStringList>({"rules", "lines", "errors"});
        const QStringList good = paymentBatchLines(3, 3);
        const QList<int> entries{3, 4, 5, 8, 9, 10, 13, 14, 15};
        auto onEntries = [&](const QString &rule) {
            QStringList places;
            for (const int line : entries)
                places << u"%1:%2"_s.arg(line).arg(rule);
            return places;
        };
        const QStringList all =
            listOf("0001||PRIMERA; 0001||veces 1; 0001||LONGITUD 94; 0005||TRAS 0001, 0008; "
                   "0006||Tras 0005,0006; 0006||LONGITUD 94; 0006|0001|VALORES 22|27|32|37; "
                   "0006|0005|ENTRE 0.01 99999999.99; 0006|0009|OPCIONAL; 0006|0010|SECUENCIA; "
                   "0008||TRAS 0006; 0008|0002|CUENTA 0006 DESDE 0005; "
                   "0008|0003|SUMA 0006.0002 DESDE 0005; 0008|0005|suma  0006.0005  desde 0005; "
                   "0008|0008|SECUENCIA; 0009||VECES 1; 0009|0001|CUENTA 0005; "
                   "0009|0003|CUENTA 0006; 0009|0004|SUMA 0006.0002; 0009|0006|SUMA 0006.0005; "
                   "0099||TRAS 0009,0099; 0099||ULTIMA; 0099||VECES 0-9");
        add("every kind kept", all, good, {});

        // The addenda indicator (column 79) then reads the blank before it: a field error.
        QStringList tooLong;
        for (const int line : entries)
            tooLong << u"%1:"_s.arg(line) << u"%1:0001"_s.arg(line);
        add("LONGITUD: a character too many at column 30 of every entry", {u"0006||LONGITUD 94"_s},
            changed(good,
                    [&](QStringList &l) {
                        for (const int line : entries)
                            l[line - 1].insert(29, u'0');
                    }),
            tooLong);
        add("LONGITUD n-m kept", QStringList{u"0006||LONGITUD 90-95"_s},
            changed(good, [](QStringList &l) { l[8] += u"X"_s; }), QStringList{});

        add("VECES: a second header", {u"0001||VECES 1"_s},
            changed(good, [](QStringList &l) { l.insert(1, l.first()); }),
            QStringList{u"2:0001"_s});
        add("VECES: too few batches, at the last line", {u"0005||VECES 4-*"_s}, good,
            {u"20:0001"_s});
        add("VECES: exactly the least", {u"0005||VECES 3-*"_s}, good, QStringList{});

        add("PRIMERA: the header missing", {u"0001||PRIMERA"_s},
            changed(good, [](QStringList &l) { l.removeFirst(); }), QStringList{u"1:0001"_s});
        add("ULTIMA: no filler", {u"0099||ULTIMA"_s},
            changed(good, [](QStringList &l) { l = l.mid(0, 17); }), QStringList{u"17:0001"_s});

        add("TRAS: every entry but the first of a batch", {u"0006||TRAS 0005"_s}, good,
            {u"4:0001"_s, u"5:0001"_s, u"9:0001"_s, u"10:0001"_s, u"14:0001"_s, u"15:0001"_s});

        add("a blank addenda indicator without OPCIONAL", {}, edited(good, {{4, 79, u" "_s}}),
            {u"4:"_s});
        add("a blank addenda indicator with OPCIONAL", {u"0006|0009|OPCIONAL"_s},
            edited(good, {{4, 79, u" "_s}}), {});

        add("VALORES broken on every entry", {u"0006|0001|VALORES 27 | 37"_s}, good,
            onEntries(u"0001"_s));
        add("CUENTA DESDE broken in the second batch", {u"0008|0002|CUENTA 0006 DESDE 0005"_s},
            edited(good, {{11, 5, u"000004"_s}}), {u"11:0001"_s});
        add("CUENTA DESDE: an entry more in the first batch",
            {u"0008|0002|CUENTA 0006 DESDE 0005"_s, u"0009|0003|CUENTA 0006"_s},
            changed(good, [](QStringList &l) { l.insert(3, l.at(3)); }),
            QStringList{u"7:0001"_s, u"18:0002"_s});
        add("CUENTA * (every line before)", {u"0009|0002|CUENTA *"_s},
            edited(good, {{17, 8, u"000016"_s}}), {});

        add("SUMA DESDE: an amount changed in the second batch",
            {u"0008|0005|SUMA 0006.0005 DESDE 0005"_s, u"0009|0006|SUMA 0006.0005"_s},
            edited(good, {{9, 39, u"9"_s}}), {u"11:0001"_s, u"17:0002"_s});

        add("SECUENCIA: a trace number skipped", QStringList{u"0006|0010|SECUENCIA"_s},
            changed(good,
                    [](QStringList &l) {
                        for (const int line : {9, 10, 13, 14, 15}) {
                            const qint64 trace = l[line - 1].mid(87, 7).toLongLong() + 1;
                            put(l, line, 88, QString::number(trace).rightJustified(7, u'0'));
                        }
                    }),
            QStringList{u"9:0001"_s});
        add("SECUENCIA broken on every line", {u"0006|0010|SECUENCIA"_s},
            changed(good,
                    [&](QStringList &l) {
                        for (const int line : entries)
                            put(l, line, 88, u"0000005"_s);
                    }),
            onEntries(u"0001"_s).mid(1));
    }
    void rulesOnAPaymentFile()
    {
        auto [rules, lines, errors] =
            fetchColumns<QStringList, QStringList, QStringList>({"rules", "lines", "errors"});
        const TestReport report = run(withRules(paymentFileForRules(), rules), lines);
        QCOMPARE(kinds(report).count(u"rule"_s), 0);
        // The same verdicts when no line is kept in full: the checks alone read what rules need.
        TestOptions checksOnly;
        checksOnly.detailLines = 0;
        QCOMPARE(errorPlaces(run(withRules(paymentFileForRules(), rules), lines, checksOnly)),
                 errorPlaces(report));
        // Every error of a rule is on the JSON's list with its line and rule.
        QStringList listed;
        for (const QJsonValue &error : json(report)[u"errors"_s][u"first"_s].toArray())
            listed << u"%1:%2"_s.arg(error[u"line"_s].toInteger()).arg(error[u"rule"_s].toString());
        QCOMPARE(listed, errors);
        QCOMPARE(report.exitCode(), errors.isEmpty() ? 0 : 1);
        QCOMPARE(report.result.errorCount, errors.size());
        // A broken rule is counted on the line that breaks it, whatever type the rule names.
        for (const velkora::formats::TypeStat &type : report.result.types)
            QVERIFY2(type.errorLines <= type.lines,
                     qPrintable(u"%1 lines in error of %2"_s.arg(type.errorLines).arg(type.lines)));
    }

    // One batch of more entries than digit columns hold before they are worked out, every
    // routing number and amount the greatest its field holds: the totals are the exact sums
    // kept to the controls' last digits, read in one part or in many; a cent less on one entry
    // is told at both controls; ENTRE up to the field's greatest amount keeps every entry, and
    // one cent below it none.
    void rulesOnALongBatchOfNines_data()
    {
        const auto add = dataColumns<QStringList, int, QStringList, int>(
            {"rules", "lessOn", "errors", "count"});
        const QStringList totals{
            u"0008|0003|SUMA 0006.0002 DESDE 0005"_s, u"0008|0005|SUMA 0006.0005 DESDE 0005"_s,
            u"0009|0004|SUMA 0006.0002"_s, u"0009|0006|SUMA 0006.0005"_s,
            u"0006|0010|SECUENCIA"_s};
        const QStringList atControls{u"%1:0002"_s.arg(LongBatch + 3),
                                     u"%1:0004"_s.arg(LongBatch + 4)};
        add("totals kept", totals, -1, {}, 0);
        add("a cent less on the first entry", totals, 0, atControls, 2);
        add("a cent less on the entry after the columns' capacity", totals,
            velkora::formats::DigitColumns::Capacity, atControls, 2);
        add("a cent less on the last entry", totals, LongBatch - 1, atControls, 2);
        add("ENTRE up to the field's greatest amount", {u"0006|0005|ENTRE 0.01 99999999.99"_s}, -1,
            {}, 0);
        add("ENTRE up to a bound of a digit more than the field",
            {u"0006|0005|ENTRE 0.01 100000000.00"_s}, -1, {}, 0);
        add("ENTRE from the field's greatest amount on",
            {u"0006|0005|ENTRE 99999999.99 999999999999"_s}, -1, {}, 0);
        add("ENTRE from above every amount the field holds",
            {u"0006|0005|ENTRE 100000000.00 999999999999"_s}, -1, {u"3:0001"_s, u"4:0001"_s},
            LongBatch);
        add("ENTRE below every amount", {u"0006|0005|ENTRE -5 -0.01"_s}, -1,
            {u"3:0001"_s, u"4:0001"_s}, LongBatch);
        add("ENTRE a cent below the greatest amount", {u"0006|0005|ENTRE 0 99999999.98"_s}, -1,
            {u"3:0001"_s, u"4:0001"_s}, LongBatch);
    }
    void rulesOnALongBatchOfNines()
    {
        auto [rules, lessOn, errors, count] =
            fetchColumns<QStringList, int, QStringList, int>({"rules", "lessOn", "errors", "count"});
        QStringList lines = paymentBatchLines(1, LongBatch);
        for (int e = 0; e < LongBatch; ++e) {
            put(lines, 3 + e, 4, u"99999999"_s);
            put(lines, 3 + e, 30, e == lessOn ? u"9999999998"_s : u"9999999999"_s);
        }
        // The controls as written for every amount the greatest.
        const qint64 cents = LongBatch * 9999999999LL;
        const QString hash = samples::number(LongBatch * 99999999LL % 10000000000LL, 10);
        const QString credits = samples::number(cents % 1000000000000LL, 12);
        put(lines, LongBatch + 3, 11, hash);
        put(lines, LongBatch + 3, 33, credits);
        put(lines, LongBatch + 4, 22, hash);
        put(lines, LongBatch + 4, 44, credits);
        const LoadFormat format = withRules(paymentFileForRules(), rules);
        TestOptions manyParts;
        manyParts.chunkBytes = 16 << 10;
        manyParts.threads = 2;
        // One part, no line kept in full: every entry but the first in runs checked in bulk.
        TestOptions onePart;
        onePart.chunkBytes = 4 << 20;
        onePart.threads = 1;
        onePart.detailLines = 0;
        for (const TestOptions &options : {TestOptions{}, manyParts, onePart}) {
            const TestReport report = run(format, lines, options);
            QCOMPARE(kinds(report).count(u"rule"_s), 0); // every rule read
            QCOMPARE(report.result.errorCount, count);
            QCOMPARE(errorPlaces(report).mid(0, errors.size()), errors);
        }
    }

    // What a rule broken once says, in plain words, at its line and columns.
    void ruleMessages_data()
    {
        // value: put at the column
        const auto add = dataColumns<QString, int, QString, int, QString, QString>(
            {"rule", "line", "value", "column", "columns", "message"});
        add("SUMA", "0008|0005|SUMA 0006.0005 DESDE 0005", 11, "000000012345", 33, "33-44",
            "El total 000000012345 no coincide con la suma de 0005 Importe de "
            "las líneas 0006 desde la última 0005: 000000011325");
        add("CUENTA", "0009|0003|CUENTA 0006", 17, "00000010", 14, "14-21",
            "La cuenta 00000010 no coincide con el número de líneas 0006 "
            "desde el principio del archivo: 00000009.");
        add("LONGITUD", "0006||LONGITUD 94", 3, "XY", 94, "1-95",
            "La línea tiene 95 caracteres y las del tipo 0006 Asiento "
            "tienen 94.");
        add("VALORES", "0006|0001|VALORES 22|27", 3, "99", 2, "2-3",
            "'99' no es uno de los valores 22|27.");
        add("ENTRE", "0006|0005|ENTRE 1 90", 3, "0000009999", 30, "30-39",
            "El valor 99.99 no está entre 1.00 y 90.00.");
        add("TRAS", "0006||TRAS 0005,0006", 7, {}, 0, "1-94",
            "Una línea del tipo 0006 Asiento va justo después de una del "
            "tipo 0005 o 0006, y esta va después de una del tipo 0008.");
        add("SECUENCIA", "0008|0008|SECUENCIA", 16, "0000004", 88, "88-94",
            "El número 0000004 no sigue al de la línea anterior del "
            "tipo 0008: debería ser 0000003.");
    }
    void ruleMessages()
    {
        auto [rule, line, value, column, columns, message] =
            fetchColumns<QString, int, QString, int, QString, QString>(
                {"rule", "line", "value", "column", "columns", "message"});
        QStringList lines = paymentBatchLines(3, 3);
        if (column == 0)
            lines.swapItemsAt(line - 1, line); // the second batch's header after its entry
        else if (column == 94)
            lines[line - 1] += value.mid(1);
        else
            put(lines, line, column, value);
        const QStringList rules{rule};
        const TestReport report = run(withRules(paymentFileForRules(), rules), lines);
        QCOMPARE(errorPlaces(report), QStringList{u"%1:0001"_s.arg(line)}); // broken there alone
        const auto &error = report.errors.first();
        QCOMPARE(error.message, message);
        QCOMPARE(u"%1-%2"_s.arg(error.from).arg(error.to), columns);
        QVERIFY(
            velkora::formats::reportText(report, u"|"_s).contains(u"|%1|0001\n"_s.arg(message)));
    }

    // A rule that cannot be read, or that names what does not exist, is said once in the
    // review of the format; the file is then not called clean.
    void rulesThatCannotBeUsed_data()
    {
        // reason: after "La regla 0001 (LARGO 94) no se aplica: "
        const auto add = dataColumns<QString, QString>({"rule", "reason"});
        add("unknown word", "0006||LARGO 94",
            "'LARGO' no es una regla: las reglas son REGISTRO, CODIFICACION, LONGITUD, "
            "VECES, PRIMERA, ULTIMA, TRAS, PREVALECE, OPCIONAL, VALORES, ENTRE, CUENTA, "
            "SUMA, IGUAL y SECUENCIA.");
        add("no number", "0006||LONGITUD",
            "LONGITUD lleva un número de caracteres, o dos con un "
            "guion entre ellos: LONGITUD 80, LONGITUD 80-82.");
        add("no such line type", "0007||PRIMERA", "el tipo de línea 0007 no existe.");
        add("no such field", "0006|0011|OPCIONAL",
            "el campo 0011 del tipo de línea 0006 no existe.");
        add("counting a line type that does not exist", "0009|0003|CUENTA 0006 DESDE 0004",
            "el tipo de línea 0004 no existe.");
        add("summing a TEXTO", "0009|0004|SUMA 0006.0004",
            "SUMA suma un campo NUMERO que se pueda leer.");
        add("a field rule on a line type", "0006||SECUENCIA",
            "SECUENCIA va en un campo y está en un tipo de línea (sin campo).");
        add("SECUENCIA on a TEXTO", "0006|0004|SECUENCIA",
            "SECUENCIA va en un campo NUMERO y está en un "
            "campo TEXTO.");
        add("ENTRE on a TEXTO", "0006|0004|ENTRE 1 9",
            "ENTRE va en un campo NUMERO o Fecha y está en un "
            "campo TEXTO.");
        add("ENTRE upside down", "0006|0005|ENTRE 100 1",
            "el primer valor de ENTRE es mayor que el segundo.");
        add("two LONGITUD", "0006||LONGITUD 94|0006||LONGITUD 95",
            "ya hay una regla LONGITUD en el mismo lugar (la 0001).");
    }
    void rulesThatCannotBeUsed()
    {
        auto [rule, reason] = fetchColumns<QString, QString>({"rule", "reason"});
        QStringList rules{rule};
        if (rule.count(u'|') > 2) // two rules
            rules = QStringList{rule.section(u'|', 0, 2), rule.section(u'|', 3)};
        const TestReport report =
            run(withRules(paymentFileForRules(), rules), paymentBatchLines(3, 3));
        const QString message = u"La regla 000%1 (%2) no se aplica: "_s.arg(rules.size())
                                    .arg(rules.last().section(u'|', 2)) +
                                reason;
        QStringList said;
        for (const auto &finding : report.layout)
            if (finding.kind == velkora::formats::LayoutFinding::Kind::Rule)
                said << finding.message;
        QCOMPARE(said, QStringList{message});
        QCOMPARE(report.result.errorCount, 0);
        QCOMPARE(report.exitCode(), 1);
    }

    // REGISTRO n: records of n characters read as lines, with or without line breaks; without
    // the rule, a file of such records without breaks is one line that must not pass.
    void fixedRecords_data()
    {
        const auto add = dataColumns<QByteArray, bool, int, QStringList, QString>(
            {"bytes", "rule", "lines", "errors", "fileError"});
        const QStringList records = paymentBatchLines(2, 3);
        const QByteArray joined = records.join(QString()).toLatin1();
        const QByteArray broken = records.join(u"\r\n"_s).toLatin1() + "\r\n";
        add("without line breaks", joined, true, 20, {}, {});
        add("with line breaks", broken, true, 20, {}, {});
        add("a short last record", joined.left(joined.size() - 30), true, 20, {u"20:0001"_s}, {});
        add("no rule, no line breaks", joined, false, 1, {},
            "La línea 1 tiene 1880 caracteres, 20 veces los 94 del tipo de línea 0001: ¿trae "
            "el archivo registros de 94 caracteres sin saltos de línea? Si es así, la regla "
            "REGISTRO 94 del archivo los lee uno a uno.");
    }
    void fixedRecords()
    {
        auto [bytes, rule, lines, errors, fileError] =
            fetchColumns<QByteArray, bool, int, QStringList, QString>(
                {"bytes", "rule", "lines", "errors", "fileError"});
        const QString path = writeBytes(bytes);
        const LoadFormat format =
            withRules(paymentFileForRules(),
                      rule ? QStringList{u"||REGISTRO 94"_s, u"0008|0002|CUENTA 0006 DESDE 0005"_s}
                           : QStringList{});
        TestOptions options;
        options.chunkBytes = 500;
        const TestReport report = velkora::formats::testLoadFormat(format, path, options);
        QCOMPARE(report.result.lines, lines);
        QCOMPARE(errorPlaces(report), errors);
        QCOMPARE(report.fileErrors, fileError.isEmpty() ? QStringList{} : QStringList{fileError});
        QCOMPARE(report.exitCode(), errors.isEmpty() && fileError.isEmpty() ? 0 : 1);
        if (!fileError.isEmpty())
            QCOMPARE(velkora::formats::causeKindName(report.causes.first().kind),
                     u"no_line_breaks"_s);
    }

    // Faults of real producers that no rule is needed to find: none of these files passes.
    void faultsFoundWithoutRules_data()
    {
        // errors: "line:column" of the errors
        const auto add = dataColumns<QByteArray, QStringList, QStringList, int, int>(
            {"bytes", "errors", "fileErrors", "exitCode", "emptyAtEnd"});
        const QByteArray good = paymentLines().join(u"\n"_s).toLatin1() + "\n";
        auto at = [&](int line, int column, const QByteArray &bytes) {
            QList<QByteArray> lines = good.split('\n');
            lines[line - 1].replace(column - 1, bytes.size(), bytes);
            return lines.join('\n');
        };
        add("empty file", {}, {}, {u"El archivo está vacío."_s}, 1, 0);
        add("only line breaks", QByteArray("\r\n\r\n"), {},
            {u"El archivo está vacío: solo tiene 2 "
             u"línea(s) vacía(s)."_s},
            1, 0);
        add("NUL padding in a name", at(3, 60, QByteArray(5, '\0')), {u"3:60"_s}, {}, 1, 0);
        add("a stray CR inside a record", at(4, 45, "\r"), {u"4:45"_s}, {}, 1, 0);
        // The control character makes the amount unreadable: one error of the field, not two.
        add("a control character in an amount", at(3, 35, "\x01"), {u"3:30"_s}, {}, 1, 0);
        add("a final Ctrl-Z ends the file", good + "\x1A", {}, {}, 0, 0);
        add("empty lines at the end", good + "\n\n\r\n", {}, {}, 0, 3);
        add("an empty line inside", QByteArray(good).replace("\n627", "\n\n627"), {}, {}, 1, 0);
    }
    void faultsFoundWithoutRules()
    {
        auto [bytes, errors, fileErrors, exitCode, emptyAtEnd] =
            fetchColumns<QByteArray, QStringList, QStringList, int, int>(
                {"bytes", "errors", "fileErrors", "exitCode", "emptyAtEnd"});
        const TestReport report =
            velkora::formats::testLoadFormat(paymentFile(), writeBytes(bytes));
        QStringList places;
        for (const auto &error : report.errors)
            places << u"%1:%2"_s.arg(error.line).arg(error.from);
        QCOMPARE(places, errors);
        QCOMPARE(report.fileErrors, fileErrors);
        QCOMPARE(report.exitCode(), exitCode);
        QCOMPARE(json(report)[u"empty_at_end"_s][u"count"_s].toInt(), emptyAtEnd);
        QCOMPARE(report.result.unmatched.count,
                 QTest::currentDataTag() == u"an empty line inside"_s ? 1 : 0);
        const QString text = velkora::formats::reportText(report, u"|"_s);
        for (const QString &error : fileErrors)
            QVERIFY(text.contains(u"\nErrores del archivo\n"_s + error));
        if (emptyAtEnd > 0)
            QVERIFY(text.contains(u"Líneas vacías al final del archivo|%1"_s.arg(emptyAtEnd)));
    }

    // The checks of a line carry nothing over from the lines before it: whatever came before,
    // each line's fields read as the line read alone in full. Two line types whose fields share
    // their numbers; fields of digits at once, or one by one when a byte fails them (a blank, a
    // letter in the last column, 0xFA just before a '9', a line too short or in UTF-8, an
    // OPCIONAL field left blank); "*": the line is read in full.
    void checksForgetTheLinesBefore_data()
    {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<int>("errors"); // fields in error, all lines together
        const QByteArray a = "A1234567890ABC00422601311234567890"; // the last field from 25
        const auto with = [&](int column, const QByteArray &bytes) {
            return QByteArray(a).replace(column - 1, bytes.size(), bytes);
        };
        const QByteArray b = "BNOMBRE  123456123456789", bBad = "BNOMBRE  1234X6123456789";
        const QByteArray blank = with(6, " "), letter = with(34, "X"),
                         high = with(14, QByteArray("\xFA") + '9'), noValue = with(15, "    ");
        const QByteArray utf8 = a.left(11) + "\xC3\xA9" + a.mid(12);
        QTest::newRow("faults then a clean line")
            << QByteArrayList{blank, a, letter, a, high, a, with(25, " "), a} << 3;
        QTest::newRow("two types, the same field numbers")
            << QByteArrayList{a, b, blank, bBad, a, b, letter, b, a} << 3;
        QTest::newRow("short, UTF-8, OPCIONAL blank")
            << QByteArrayList{a, a.left(30), a, utf8, a, noValue, a, with(15, "  1 ")} << 2;
        QTest::newRow("in full between checks")
            << QByteArrayList{a,       "*" + a, a, "*" + blank,   a, blank,
                              "*" + a, letter,  a, "*" + noValue, a}
            << 3;
    }
    void checksForgetTheLinesBefore()
    {
        QFETCH(QByteArrayList, lines);
        QFETCH(int, errors);
        using velkora::formats::LineAnalyzer;
        const LoadFormat format = withRules(
            formatOf("CHK",
                     {lineType("0001", "A", "A", 1, 1,
                               u"01|Dos|2|2|N; 02|Ocho|4|8|N; 03|Texto|12|3|T; 04|Opcional|15|4|N; "
                               u"05|Fecha|19|6|F|YYMMDD; 06|Diez|25|10|N"_s),
                      lineType("0002", "B", "B", 1, 1,
                               u"01|Nombre|2|6|T; 02|Importe|8|5|N*; 03|Tres|13|3|N; "
                               u"04|Nueve|16|9|N"_s)}),
            {u"0001|04|OPCIONAL"_s});
        const velkora::formats::CompiledFormat compiled(format);
        LineAnalyzer carried(compiled);
        for (QByteArray line : lines) {
            const bool full = line.startsWith('*');
            line.remove(0, full ? 1 : 0);
            carried.analyze(line.constData(), line.size(),
                            full ? LineAnalyzer::Depth::Full : LineAnalyzer::Depth::Checks);
            LineAnalyzer alone(compiled);
            alone.analyze(line.constData(), line.size());
            QCOMPARE(carried.lineType(), alone.lineType());
            QCOMPARE(carried.fieldsInError(), alone.fieldsInError());
            errors -= carried.errorCount();
            const auto &fields = compiled.lineTypes()[size_t(alone.lineType())].fields;
            for (int f = 0; f < int(fields.size()); ++f) {
                if (fields[size_t(f)].type == velkora::formats::FieldType::Texto)
                    continue;
                const LineAnalyzer::FieldResult &x = carried.field(f), &y = alone.field(f);
                const auto state = [](const LineAnalyzer::FieldResult &r) {
                    return QList<qint64>{
                        r.ok,         r.empty,  r.problem.code,
                        r.problem.at, r.begin,  r.end,
                        r.pad,        r.column, r.ok && !r.empty ? r.number.mantissa : 0};
                };
                QVERIFY2(state(x) == state(y),
                         (line + " field " + QByteArray::number(f + 1)).data());
            }
        }
        QCOMPARE(errors, 0);
    }

    // A shift is named only when the shifted reading gives plausible values.
    void shiftOnlyWithPlausibleValues()
    {
        // A character more before every date: read a column to the right, the dates are of
        // 1899, which no file of today holds: no shift is named (and it is, for 2026).
        const auto causes = [&](const QString &date) {
            QStringList kinds;
            const TestReport report =
                run(salesFile(),
                    salesWith([&](int, QString &line) { line.replace(30, 9, u"X"_s + date); }));
            for (const auto &cause : report.causes)
                kinds << velkora::formats::causeKindName(cause.kind);
            return kinds;
        };
        QVERIFY(causes(u"20261202"_s).contains(u"shifted"_s));
        QVERIFY(!causes(u"18991202"_s).contains(u"shifted"_s));
        // A quantity shifted out of its ENTRE range is not a shift either.
        const QStringList moved = salesWith([](int, QString &line) { line.insert(53, u'X'); });
        const TestReport ruled = run(withRules(salesFile(), {u"0002|0006|ENTRE 100 999"_s}), moved);
        QCOMPARE(velkora::formats::causeKindName(run(salesFile(), moved).causes.value(0).kind),
                 u"shifted"_s);
        for (const auto &cause : ruled.causes)
            QVERIFY(cause.kind != velkora::formats::LikelyCause::Kind::Shifted);
    }
};

[[maybe_unused]] static const bool added = kesta::test::addTestClass<TestLoadFormatTest>();

#include "LoadFormatTests.moc"
