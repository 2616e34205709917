// Lines whose rules are checked in bulk (a run of lines of one type, rule by rule) come to the
// verdicts of lines checked one by one, wherever a fault falls: on a run's first or last line,
// on the line after a full run, on every line, after a trace number that ends in 9, on lines
// that cannot join a run (a field in error, a UTF-8 name, a control character, an empty line).
// The lines kept in full are checked one by one, so a test that keeps every line in full is the
// measure of one that keeps none.

#include "FormatSamples.h"
#include "formats/LineAnalyzer.h"
#include "formats/RuleTrack.h"
#include "support/TestClasses.h"

#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace formats_test;
using velkora::formats::TestOptions;
using velkora::formats::TestReport;

namespace {

constexpr int Entries = 300; // per batch: more than two full runs
constexpr int Run = velkora::formats::RuleTrack::BulkLines;

// The line (from 1) of entry e (from 0) of batch b (from 1) of paymentBatchLines(2, Entries).
int entryLine(int b, int e)
{
    return (b - 1) * (Entries + 2) + e + 3;
}

using Fault = std::function<void(QStringList &)>;

// A fault put on entries of the first batch.
Fault onEntries(std::initializer_list<int> entries, std::function<void(QStringList &, int)> put)
{
    const QList<int> chosen(entries);
    return [chosen, put](QStringList &lines) {
        for (const int e : chosen)
            put(lines, entryLine(1, e));
    };
}

// The trace number of the entry on a line (columns 88-94).
qint64 traceOn(const QStringList &lines, int line)
{
    return lines[line - 1].mid(87, 7).toLongLong();
}

void setTrace(QStringList &lines, int line, qint64 trace)
{
    put(lines, line, 88, QString::number(trace).rightJustified(7, u'0'));
}

// Every rule kind that a run takes, on the entries (and the controls that add them up).
const QStringList &everyRule()
{
    static const QStringList rules{
        u"0006||LONGITUD 94"_s,
        u"0006||TRAS 0005,0006"_s,
        u"0006||VECES 600-*"_s,
        u"0006|0001|VALORES 22|27|32|37"_s,
        u"0006|0002|ENTRE 7640000 7700000"_s,
        u"0006|0005|ENTRE 0.01 99999999.99"_s,
        u"0006|0008|VALORES AB|CD|E"_s,
        u"0006|0009|VALORES 0|1"_s,
        u"0006|0007|VALORES PEREZ|GOMEZ"_s,
        u"0006|0010|SECUENCIA"_s,
        u"0008|0002|CUENTA 0006 DESDE 0005"_s,
        u"0008|0003|SUMA 0006.0002 DESDE 0005"_s,
        u"0008|0005|SUMA 0006.0005 DESDE 0005"_s,
        u"0009|0003|CUENTA 0006"_s,
        u"0009|0004|SUMA 0006.0002"_s,
        u"0009|0006|SUMA 0006.0005"_s,
        u"0099||ULTIMA"_s,
    };
    return rules;
}

// Two batches of Entries credits, their free data "AB" (a text of two characters that
// VALORES reads from its columns) and their names "PEREZ" or "GOMEZ" after blanks (a trimmed
// text).
QStringList goodLines()
{
    QStringList lines = paymentBatchLines(2, Entries);
    for (int b = 1; b <= 2; ++b) {
        for (int e = 0; e < Entries; ++e) {
            put(lines, entryLine(b, e), 77, u"AB"_s);
            put(lines, entryLine(b, e), 55,
                (e % 3 ? u"  PEREZ"_s : u"GOMEZ"_s).leftJustified(22, u' '));
        }
    }
    return lines;
}

// What must agree: every error (line, rule, message), the counts, the lines in error by type.
QStringList verdicts(const TestReport &report)
{
    QStringList all = errorPlaces(report);
    for (const auto &error : report.errors)
        all << error.message;
    all << u"errors %1, lines %2, exit %3"_s.arg(report.result.errorCount)
               .arg(report.result.lines)
               .arg(report.exitCode());
    for (const velkora::formats::TypeStat &type : report.result.types)
        all << u"type: %1 lines, %2 in error"_s.arg(type.lines).arg(type.errorLines);
    return all;
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestRulesInBulk : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;

    QString writeLines(const QStringList &lines)
    {
        return writeFile(dir.filePath(u"bulk%1.txt"_s.arg(++files)), lines, "\n", Encoding::Utf8,
                         true, false);
    }
    QString writeBytes(const QByteArray &bytes)
    {
        return samples::writeBytes(dir.filePath(u"bulk%1.bin"_s.arg(++files)), bytes);
    }

    // The test kept every line in full (each checked one by one), and kept none: in one part,
    // in many parts on two threads, and read without a mapping.
    void compareWays(const velkora::formats::LoadFormat &format, const QString &path, bool faulty)
    {
        TestOptions oneByOne;
        oneByOne.detailLines = 1 << 20;
        oneByOne.threads = 1;
        const TestReport expected = velkora::formats::testLoadFormat(format, path, oneByOne);
        QVERIFY(expected.ran);
        QCOMPARE(expected.result.errorCount > 0, faulty);
        TestOptions onePart;
        onePart.detailLines = 0;
        onePart.threads = 1;
        TestOptions manyParts = onePart;
        manyParts.chunkBytes = 16 << 10;
        manyParts.threads = 2;
        TestOptions read = onePart;
        read.mapFile = false;
        for (const TestOptions &options : {onePart, manyParts, read}) {
            const TestReport report = velkora::formats::testLoadFormat(format, path, options);
            QCOMPARE(verdicts(report), verdicts(expected));
        }
    }

private slots:
    // Each fault alone, on entries around the edges of the runs (the first entry goes one by
    // one, as its sequence waits for the part's lines before; runs of Run lines follow).
    void verdictsAsOneByOne_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("faulty");
        const auto add = [](const QByteArray &name, Fault fault, bool faulty = true) {
            QTest::newRow(name.constData()) << fault << faulty;
        };
        using Put = std::function<void(QStringList &, int)>;
        const std::pair<const char *, Put> faults[]{
            {"VALORES of a code", [](QStringList &l, int line) { put(l, line, 2, u"99"_s); }},
            // Its bytes as a number lie beside those of "22" (the second byte the higher).
            {"VALORES of a code, its first digit changed",
             [](QStringList &l, int line) { put(l, line, 2, u"92"_s); }},
            {"VALORES of two characters", [](QStringList &l, int line) { put(l, line, 77, u"XY"_s); }},
            {"VALORES of two characters, a blank before the value",
             [](QStringList &l, int line) { put(l, line, 77, u" E"_s); }},
            {"VALORES of one digit", [](QStringList &l, int line) { put(l, line, 79, u"7"_s); }},
            {"VALORES of a name", [](QStringList &l, int line) { put(l, line, 57, u"PERES"_s); }},
            {"VALORES of a name, one character more",
             [](QStringList &l, int line) { put(l, line, 57, u"PEREZA"_s); }},
            {"ENTRE: an amount of zero",
             [](QStringList &l, int line) { put(l, line, 30, u"0000000000"_s); }},
            {"ENTRE: a routing number a unit above the bound",
             [](QStringList &l, int line) { put(l, line, 4, u"07700001"_s); }},
            {"ENTRE: a routing number a unit below the bound",
             [](QStringList &l, int line) { put(l, line, 4, u"07639999"_s); }},
            {"LONGITUD: a character too many", [](QStringList &l, int line) { l[line - 1] += u"X"_s; }},
            {"SECUENCIA: the previous trace number again",
             [](QStringList &l, int line) { setTrace(l, line, traceOn(l, line - 1)); }},
            {"SECUENCIA: a trace number skipped from there on",
             [](QStringList &l, int line) {
                 for (int at = line; at < entryLine(1, Entries); ++at)
                     setTrace(l, at, traceOn(l, at) + 1);
             }},
            {"SUMA: an amount a cent more",
             [](QStringList &l, int line) {
                 put(l, line, 39, l[line - 1].at(38) == u'9' ? u"8"_s : u"9"_s);
             }},
            {"a letter in an amount", [](QStringList &l, int line) { put(l, line, 35, u"X"_s); }},
            {"a UTF-8 name, and the code of the entry before",
             [](QStringList &l, int line) {
                 put(l, line, 55, u"MUÑOZ"_s);
                 put(l, line - 1, 2, u"99"_s);
             }},
            {"a control character", [](QStringList &l, int line) { put(l, line, 60, u"\x01"_s); }},
            {"an empty line before it", [](QStringList &l, int line) { l.insert(line - 1, QString()); }},
            {"twice", [](QStringList &l, int line) { l.insert(line - 1, l[line - 1]); }},
        };
        add("clean", [](QStringList &) {}, false);
        for (const auto &[name, fault] : faults)
            for (const int e : {1, 2, Run - 1, Run, Run + 1, 2 * Run, Entries - 1})
                add(QByteArray(name) + ", entry " + QByteArray::number(e), onEntries({e}, fault));
        add("VALORES of two characters: a value with a blank after it",
            onEntries({1, 50, Run + 1}, [](QStringList &l, int line) { put(l, line, 77, u"E "_s); }),
            false);
        // The routing numbers' sums change: the controls tell it, ENTRE does not.
        add("ENTRE: routing numbers at each bound",
            onEntries({2, 3, Run, Run + 1}, [](QStringList &l, int line) {
                put(l, line, 4, line % 2 ? u"07640000"_s : u"07700000"_s);
            }));
        add("SECUENCIA: a 9 followed by a number ending in 0 of the wrong ten",
            onEntries({20}, [](QStringList &l, int line) { setTrace(l, line, 30); }));
        add("every entry of the second batch broken", [](QStringList &l) {
            for (int e = 0; e < Entries; ++e)
                put(l, entryLine(2, e), 2, u"99"_s);
        });
        // ULTIMA is told at the last line, which a run took.
        add("the file cut after an entry",
            [](QStringList &l) { l = l.mid(0, entryLine(2, Run + 10)); });
        add("the second batch's header missing",
            [](QStringList &l) { l.removeAt(entryLine(2, 0) - 2); });
    }
    void verdictsAsOneByOne()
    {
        QFETCH(Fault, fault);
        QFETCH(bool, faulty);
        QStringList lines = goodLines();
        fault(lines);
        compareWays(withRules(paymentFileForRules(), everyRule()), writeLines(lines), faulty);
    }

    // LONGITUD on a line type whose last field ends before the lines do: a line a character
    // short, or long, still reads every field.
    void lengthAsOneByOne()
    {
        velkora::formats::LoadFormat format = paymentFileForRules();
        format.lineTypes[2].fields.removeLast(); // the trace number
        format = withRules(format, {u"0006||LONGITUD 94"_s, u"0006|0005|ENTRE 0.01 99999999.99"_s,
                                    u"0009|0006|SUMA 0006.0005"_s});
        for (const int e : {1, 2, Run - 1, Run, Run + 1, Entries - 1}) {
            for (const bool shorter : {true, false}) {
                QStringList lines = goodLines();
                QString &line = lines[entryLine(1, e) - 1];
                if (shorter)
                    line.chop(1);
                else
                    line += u"X"_s;
                compareWays(format, writeLines(lines), true);
            }
        }
    }

    // TRAS that does not allow an entry after an entry: no run of entries is made, and every
    // entry but a batch's first breaks it.
    void orderWithoutRunsAsOneByOne()
    {
        QStringList rules = everyRule();
        rules.replaceInStrings(u"TRAS 0005,0006"_s, u"TRAS 0005"_s);
        compareWays(withRules(paymentFileForRules(), rules), writeLines(goodLines()), true);
    }

    // A field in error outside the digits that a run reads (a date of month 13): its line goes
    // one by one, where the error is told.
    void fieldErrorAsOneByOne()
    {
        velkora::formats::LoadFormat format = paymentFileForRules();
        velkora::formats::FieldDef &account = format.lineTypes[2].fields[3];
        account.typeCode = QString::fromUtf8(Fecha);
        account.format = u"YYMMDD"_s;
        account.length = 6;
        format = withRules(format, everyRule());
        for (const int e : {1, Run, Run + 1}) {
            QStringList lines = goodLines();
            for (int b = 1; b <= 2; ++b)
                for (int at = 0; at < Entries; ++at)
                    put(lines, entryLine(b, at), 13, at == e && b == 1 ? u"261305"_s : u"261205"_s);
            compareWays(format, writeLines(lines), true);
        }
    }

    // A Windows-1252 name in a file that must be ASCII: its line goes one by one, where the
    // encoding is told, and the runs around it keep their verdicts.
    void verdictsAroundAForeignEncodingAsOneByOne()
    {
        QStringList lines = goodLines();
        for (const int e : {Run - 1, Run + 1})
            put(lines, entryLine(1, e), 55, u"MUÑOZ"_s);
        put(lines, entryLine(1, Run), 2, u"99"_s);
        const QString path = writeFile(dir.filePath(u"bulk%1.txt"_s.arg(++files)), lines, "\n",
                                       Encoding::Cp1252, true, false);
        compareWays(withRules(paymentFileForRules(), everyRule() + QStringList{u"||CODIFICACION ASCII"_s}),
                    path, true);
    }

    // REGISTRO: records without line breaks, a short one at the end, after runs of entries.
    void verdictsOnRecordsAsOneByOne_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("a code and a trace number")
            << onEntries({Run - 1, Run}, [](QStringList &l, int line) {
                   put(l, line, line % 2 ? 2 : 88, line % 2 ? u"99"_s : u"0000001"_s);
               });
        QTest::newRow("an amount") << onEntries({10}, [](QStringList &l, int line) {
            put(l, line, 39, l[line - 1].at(38) == u'9' ? u"8"_s : u"9"_s);
        });
    }
    void verdictsOnRecordsAsOneByOne()
    {
        QFETCH(Fault, fault);
        QStringList lines = goodLines();
        fault(lines);
        // The file control and its filler cut: the last entry's batch control is short.
        const QByteArray records = lines.mid(0, entryLine(2, Entries)).join(QString()).toLatin1();
        compareWays(withRules(paymentFileForRules(), everyRule() + QStringList{u"||REGISTRO 94"_s}),
                    writeBytes(records.chopped(20)), true);
    }
};

[[maybe_unused]] static const bool added = kesta::test::addTestClass<TestRulesInBulk>();

#include "BulkRulesTests.moc"
