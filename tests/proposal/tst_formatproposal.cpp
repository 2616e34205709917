// The proposal of a load format from a sample file: the line types and fields it finds in
// generated files of published multi-record layouts (80-character bank statements coded at
// columns 1-2, 94-character payment files coded at column 1 with their filler lines,
// 240-character remittance returns coded at column 8 whose detail records are told apart by
// a segment letter at column 14), whatever their line ends, encoding and trailing blanks;
// the faults real producers leave (a few bad lines, a constant code that reads as a date,
// files that are not text); and the property everything rests on: the proposal, tested as a
// load format on its own file, types every line it typed, once, and reads every field but on
// the lines it names as its findings.

#include "ProposalChecks.h"
#include "RemittanceSample.h"
#include "SampleFaults.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace proposal_test;
using velkora::proposal::ProposalError;
using velkora::proposal::ProposalFailure;
using velkora::proposal::ProposalProgress;

Q_DECLARE_METATYPE(Encoding)
Q_DECLARE_METATYPE(ProposalFailure)

namespace {

const QStringList BankIds{u"11@1+2"_s, u"22@1+2"_s, u"23@1+2"_s, u"33@1+2"_s, u"88@1+2"_s};
const QStringList PaymentIds{u"1@1+1"_s, u"5@1+1"_s, u"6@1+1"_s,
                             u"7@1+1"_s, u"8@1+1"_s, u"9@1+1"_s};
// The file control and the filler lines of nines after it are two layouts under one record
// code: told apart by the second character (a nine, or the first digit of the batch count).
const QStringList PaymentFillerIds{u"1@1+1"_s, u"5@1+1"_s,  u"6@1+1"_s, u"7@1+1"_s,
                                   u"8@1+1"_s, u"90@1+2"_s, u"99@1+2"_s};
// A file of one kind of line: one line type, without an ID.
const QStringList OneType{u"@0+0"_s};
const QStringList RemittanceIds{u"0@8+1"_s,  u"1@8+1"_s, u"T@14+1"_s,
                                u"U@14+1"_s, u"5@8+1"_s, u"9@8+1"_s};

// Lines of one kind, each holding a value at column 2 and a text after it.
QStringList detailsHolding(const QStringList &values)
{
    QStringList lines;
    for (const QString &value : values)
        lines << row(40, {1, "D", 2, value, 12, "TEXTO DE PRUEBA"});
    return lines;
}

QStringList datesOf(int count, const std::function<QString(int)> &date)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << date(i);
    return list;
}

// A file of groups, 60 characters a line: a header "H"; per group a group header "G", its
// details "D" (an amount, a reference, a customer), each perhaps followed by a sub-record "S",
// and a group trailer "T" with the count of its details and the sum of their amounts; last a
// file trailer "Z" with the count of groups and of details and the sum of every amount.
struct Grouped {
    int groups = 6;
    bool subRecords = false;
    int wrongTotal = -1;   // the group whose trailer's total is one cent off
    bool numbered = false; // each trailer also holds its group's number in the file
    quint64 seed = 5;
};

QStringList groupedFile(const Grouped &o)
{
    Random r(o.seed);
    QStringList lines{row(60, {1, "H", 2, "EMPRESA DE PRUEBA", 30, "20261130"})};
    qint64 details = 0;
    qint64 sum = 0;
    for (int g = 0; g < o.groups; ++g) {
        lines << row(60, {1, "G", 2, r.number(g + 1, 6), 10, "LOTE DE PAGOS"});
        const int count = 2 + r.below(8);
        qint64 total = 0;
        for (int d = 0; d < count; ++d) {
            const qint64 amount = 1 + r.below(99999999);
            total += amount;
            lines << row(60, {1, "D", 2, r.number(amount, 10), 13, r.digits(8), 22,
                              r.pick({"CLIENTE NORTE", "CLIENTE SUR", "CLIENTE ESTE"})});
            if (o.subRecords && r.below(3) == 0)
                lines << row(60, {1, "S", 2, "REFERENCIA " + r.digits(6)});
        }
        lines << row(60, {1, "T", 2, r.number(count, 6), 9,
                          r.number(total + (g == o.wrongTotal ? 1 : 0), 14), 40,
                          o.numbered ? r.number(g + 1, 4) : QString()});
        details += count;
        sum += total;
    }
    lines << row(
        60, {1, "Z", 2, r.number(o.groups, 6), 9, r.number(details, 8), 18, r.number(sum, 16)});
    return lines;
}

} // namespace

class TestProposal : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;

    QString write(const QStringList &lines, const QByteArray &end = "\n",
                  Encoding encoding = Encoding::Utf8)
    {
        return writeFile(dir.filePath(u"sample%1.txt"_s.arg(++files)), lines, end, encoding);
    }
    QString writeBytes(const QByteArray &bytes)
    {
        return samples::writeBytes(dir.filePath(u"bytes%1.dat"_s.arg(++files)), bytes);
    }

    // The files every property is checked on: the three layouts, small and larger; and the
    // line types expected of each, as "ID@position+length". Each file is written twice of the
    // five ways (LF, CR LF, Windows-1252, right-stripped, right-stripped in Windows-1252), each
    // way on files of every layout.
    void standardFiles()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("end");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<QStringList>("ids");
        // A file of one kind of line: one line type without an ID takes every line.
        const QStringList movements = bankStatement(3, 40).filter(QRegularExpression(u"^22"_s));
        const QStringList entries = paymentFile(2, 30).filter(QRegularExpression(u"^6"_s));
        const std::vector<std::tuple<const char *, QStringList, QStringList>> shapes{
            {"bank statement, 2 accounts", bankStatement(2, 6), BankIds},
            {"bank statement, 6 accounts", bankStatement(6, 60, 7), BankIds},
            {"bank statement, 4 accounts of 1,500 movements", bankStatement(4, 1500, 11), BankIds},
            {"payment file, 2 batches", paymentFile(2, 8, 2, false), PaymentIds},
            {"payment file, 8 batches", paymentFile(8, 70, 9, false), PaymentIds},
            {"payment file, 40 batches", paymentFile(40, 60, 14, false), PaymentIds},
            {"payment file with filler lines, 2 batches", paymentFile(2, 8), PaymentFillerIds},
            {"payment file with filler lines, 8 batches", paymentFile(8, 70, 9), PaymentFillerIds},
            {"remittance, 1 batch", remittanceFile({1, 30}), RemittanceIds},
            {"remittance, 3 batches", remittanceFile({3, 150, 4}), RemittanceIds},
            {"remittance, 25 batches", remittanceFile({25, 12, 5}), RemittanceIds},
            // Batches of a bank's size: a detail code that an optional field follows (an unpaid
            // title's "17") tells no record type, however many titles there are.
            {"remittance, 2 batches of 1,000 titles", remittanceFile({2, 1000, 8}), RemittanceIds},
            {"movements", movements, OneType},
            {"three movements", movements.mid(0, 3), OneType},
            {"entries, with their transaction codes", entries, OneType},
            {"titles of four batches",
             remittanceFile({4, 30}).filter(QRegularExpression(u"^.{13}T"_s)), OneType},
            {"one line", entries.mid(0, 1), OneType},
        };
        const std::tuple<const char *, bool, QByteArray, Encoding> ways[]{
            {"LF", false, "\n", Encoding::Utf8},
            {"CR LF", false, "\r\n", Encoding::Utf8},
            {"Windows-1252", false, "\r\n", Encoding::Cp1252},
            {"right-stripped", true, "\n", Encoding::Utf8},
            {"right-stripped, Windows-1252", true, "\r\n", Encoding::Cp1252},
        };
        for (size_t i = 0; i < shapes.size(); ++i) {
            const auto &[name, lines, ids] = shapes[i];
            for (const size_t w : {i % 5, (i + 2) % 5}) {
                const auto &[way, stripped, end, encoding] = ways[w];
                QTest::addRow("%s, %s", name, way)
                    << (stripped ? rightStripped(lines) : lines) << end << encoding << ids;
            }
        }
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // The record types a person would name: the fewest ID characters that tell the layouts
    // apart, and a second place for the segments of a record type. The proposal round-trips,
    // and so does one made from a sample of a few lines per line type: what the rest of the
    // file shows otherwise is proposed so that it reads.
    void lineTypesOfTheStandards_data() { standardFiles(); }
    void lineTypesOfTheStandards()
    {
        auto [lines, end, encoding, ids] =
            fetchColumns<QStringList, QByteArray, Encoding, QStringList>(
                {"lines", "end", "encoding", "ids"});
        const QString path = write(lines, end, encoding);
        const Proposal proposal = propose(path);
        QCOMPARE(idPlaces(proposal), ids);
        QCOMPARE(proposal.linesRead, lines.size());
        QCOMPARE(proposal.unmatchedCount, 0);
        QCOMPARE(proposal.unreadCount, 0);
        if (ids == OneType) // one line type without an ID
            QCOMPARE(proposal.lineTypes[0].description, u"Tipo único"_s);
        for (const ProposedLineType &type : proposal.lineTypes) {
            QCOMPARE(lines.at(type.firstLine - 1).mid(type.idPosition - 1, type.idLength).trimmed(),
                     type.id);
            QVERIFY(type.confidence > 0 && type.confidence <= 1);
            for (const ProposedField &f : type.fields)
                QVERIFY(f.confidence > 0 && f.confidence <= 1);
            // The ID's columns are the line type's, not a field's, and so are the record
            // type's of a segment.
            for (int c = type.idPosition; c < type.idPosition + type.idLength; ++c)
                QVERIFY2(!fieldTakes(type, c), qPrintable(type.id));
            for (int c = proposal.idPosition; c < proposal.idPosition + proposal.idLength; ++c)
                QVERIFY2(!fieldTakes(type, c), qPrintable(type.id));
        }
        checkRoundTrip(proposal, path);
        ProposalOptions few;
        few.sampleLinesPerType = 3;
        checkRoundTrip(propose(path, few), path);
    }

    // A segment letter that a line of another record type also holds, beyond the lines the IDs
    // are chosen on, would give that line two line types: the proposal is made again with the
    // record types' place for every ID, each record type one line type.
    void secondPlaceHeldElsewhere()
    {
        QStringList lines = remittanceFile({3, 40});
        const QList<qsizetype> trailers = linesOf(lines, 8, u"5"_s, 1, 1);
        lines[trailers.first()].replace(13, 1, u"T"_s);
        const QString path = write(lines);
        ProposalOptions early;
        early.idSampleLines = 120; // the first batch and the start of the second
        QVERIFY(trailers.first() >= early.idSampleLines);
        const Proposal proposal = propose(path, early);
        QCOMPARE(idPlaces(proposal),
                 (QStringList{u"0@8+1"_s, u"1@8+1"_s, u"3@8+1"_s, u"5@8+1"_s, u"9@8+1"_s}));
        checkRoundTrip(proposal, path);
        // Chosen on every line, the letter is no segment's: whatever place is chosen, every
        // line it types has one line type.
        const Proposal whole = propose(path);
        QVERIFY(!idPlaces(whole).contains(u"T@14+1"_s) || !idPlaces(whole).contains(u"5@8+1"_s));
        checkRoundTrip(whole, path);
    }

    // What the fields of a line type say: dates in their format, amounts and counts as
    // numbers, texts trimmed, constants with their value, nothing past the text and nothing on
    // the record type's column of a segment. A few bad lines do not wreck a field: it keeps its
    // type when all its lines but 1 % read so, and the lines that do not are the proposal's
    // findings, which the test of the proposal reports as errors. More bad lines than that make
    // it a TEXTO.
    void fields_data()
    {
        // fields: "ID position: type length format value trim" ("type*": of that type), or
        // "ID = description"; unread: lines the proposal names.
        const auto add = dataColumns<QStringList, QStringList, int>({"lines", "fields", "unread"});

        const QString dated = u"03 6 YYMMDD"_s;
        add("bank statement", bankStatement(6, 60, 7),
            QStringList{u"22 11: "_s + dated,   // date of the operation
                        u"22 17: "_s + dated,   // value date
                        u"22 29: 01 14"_s,      // amount
                        u"22 43: 01 10"_s,      // document number
                        u"22 53: 02 27 trim"_s, // the two references as text
                        u"11 48: 01 4"_s},      // currency and a code: the same here, data
            0);
        // The individual's identification: an employee's "EMP-" number or a customer's.
        add("payment file", paymentFile(8, 70, 9),
            QStringList{u"6 30: 01 10"_s, u"6 40: 02*"_s, u"7 2: 04 2 05"_s,
                        u"99 3: 04 92 "_s + QString(92, u'9')},
            0);
        // The branch, its check digit and the account never change: neither a date nor a
        // constant (another sender's file holds another account).
        add("remittance", remittanceFile({3, 150, 4}),
            QStringList{u"T = Tipo 3 T"_s, u"T 74: 03 8 DDMMYYYY"_s, u"T 82: 01 15"_s,
                        u"T 18: 01 18"_s, u"U 138: 03 8 DDMMYYYY"_s, u"U 146: 03 8 DDMMYYYY"_s},
            0);

        // A run of digits is a Fecha only when it reads as a date in a year from 1950 to 2079
        // and, on a line type of 20 lines or more, changes from line to line.
        const auto dateRow = [&](const char *name, const QStringList &values,
                                 const QString &field) {
            add(name, detailsHolding(values), QStringList{u" 2: "_s + field}, 0);
        };
        dateRow("dates that change", datesOf(30, [](int i) { return yymmdd(i * 3); }),
                u"03 6 YYMMDD"_s);
        // The same value on every line is no date, and no constant either: data.
        dateRow("a branch code that reads as a date, on every line", QStringList(30, u"410418"_s),
                u"01 6"_s);
        dateRow("one date on every line of 30", QStringList(30, u"20261231"_s), u"01 8"_s);
        dateRow("one date on every line of 5, too few to tell", QStringList(5, u"20261231"_s),
                u"03 8 YYYYMMDD"_s);
        // 30 days, of each of the years in turn.
        const auto days = [](const QStringList &years) {
            return datesOf(
                30, [&](int i) { return years.at(i % years.size()) + yymmdd(i * 5).mid(2); });
        };
        dateRow("days of 1949", days({u"1949"_s}), u"01 8"_s);
        dateRow("days of 2080", days({u"2080"_s}), u"01 8"_s);
        // Eight digits that read as a day of 2000 are an amount's zeros, not a date.
        dateRow("days of 2000", days({u"2000"_s}), u"01 8"_s);
        dateRow("days of 1950 and of 2079", days({u"2079"_s, u"1950"_s}), u"03 8 YYYYMMDD"_s);
        // Three decimals after the point are the number's; four are not (the number ends at
        // the point).
        const auto amounts = [](int whole, int decimals) {
            return datesOf(30, [=](int i) {
                return Random(quint64(i)).number(i * 4321, whole) + "." +
                       Random(1).number(i, decimals);
            });
        };
        dateRow("amounts with three decimals", amounts(6, 3), u"01 10 0.000"_s);
        dateRow("amounts with four decimals", amounts(5, 4), u"01 5"_s);
        dateRow("day, month and year", datesOf(30, [](int i) { return ddmmyyyy(i * 7); }),
                u"03 8 DDMMYYYY"_s);

        // Amounts with a decimal point; texts end at their longest.
        QStringList decimals{row(50, {1, "H", 2, "EMPRESA EJEMPLO SA", 30, "20261231"})};
        for (int i = 1; i < 29; ++i)
            decimals << row(50, {1, "D", 2, yymmdd(i * 7), 9,
                                 Random(quint64(i)).number(i * 1234, 9) + "." +
                                     Random(quint64(i)).number(i % 100, 2),
                                 22, i % 2 ? "TRANSFERENCIA RECIBIDA" : "ABONO DE NOMINA"});
        decimals << row(50, {1, "T", 2, "000028", 20, "TOTAL"});
        add("amounts with a decimal point", decimals,
            QStringList{u"D 2: 03 6 YYMMDD"_s, u"D 9: 01 12 0.00"_s, u"D 22: 02 22 trim"_s}, 0);

        // Seven bad movements among 1,200: a blank date, a "-", a letter and a point in an
        // amount, a date that does not exist, a blank amount, a date with slashes.
        QStringList bank = bankStatement(4, 300, 5);
        const QList<qsizetype> movements = linesOf(bank, 1, u"22"_s, 7);
        const QStringList texts{
            u"      "_s,        u"-"_s, u"O"_s, u"261340"_s, QString(14, u' '), u"01/02/"_s,
            u"00000001234.56"_s};
        const QList<int> columns{11, 29, 35, 17, 29, 11, 29};
        QList<Fault> faults;
        for (int i = 0; i < 7; ++i)
            faults << Fault{movements[i], columns[i], texts[i]};
        add("bank statement, 7 bad movements of 1,200", withFaults(bank, faults),
            QStringList{u"22 11: 03 6 YYMMDD"_s, u"22 17: 03 6 YYMMDD"_s, u"22 29: 01 14"_s}, 7);

        // A letter for a zero in two amounts of 2,400 entries.
        const QStringList pay = paymentFile(30, 80, 13, false);
        const QList<qsizetype> entries = linesOf(pay, 1, u"6"_s, 2, 50, 1000);
        add("payment file, a letter in two amounts of 2,400",
            withFaults(pay, {{entries[0], 31, u"O"_s}, {entries[1], 38, u"O"_s}}),
            QStringList{u"6 30: 01 10"_s}, 2);

        // Three bad amounts of 200 movements: more than 1 %, the amount is a text.
        const QStringList few = bankStatement(2, 100, 6);
        QList<Fault> three;
        for (const qsizetype i : linesOf(few, 1, u"22"_s, 3, 5, 40))
            three << Fault{i, 30, u"-"_s};
        add("bank statement, 3 bad amounts of 200", withFaults(few, three),
            QStringList{u"22 29: 02 14 trim"_s, u"22 11: 03 6 YYMMDD"_s}, 0);
    }
    void fields()
    {
        auto [lines, fields, unread] =
            fetchColumns<QStringList, QStringList, int>({"lines", "fields", "unread"});
        // A byte-order mark first, and no end after the last line.
        const QString path = writeFile(dir.filePath(u"sample%1.txt"_s.arg(++files)), lines, "\r\n",
                                       Encoding::Utf8, false, true);
        const Proposal proposal = propose(path);
        QCOMPARE(proposal.linesRead, lines.size());
        QStringList found; // as `fields` names them
        for (const QString &expected : fields) {
            const QString id = expected.section(u' ', 0, 0), place = expected.section(u' ', 1, 1);
            const ProposedLineType &type = typeOf(proposal, id);
            found << (place == u"="_s
                          ? u"%1 = %2"_s.arg(id, type.description)
                          : u"%1 %2 %3"_s.arg(id, place, fieldAt(type, place.chopped(1).toInt())));
            if (expected.endsWith(u'*')) // of that type, whatever its length
                found.last() = found.last().left(expected.size() - 1) + u'*';
        }
        QCOMPARE(found, fields);
        const qsizetype width = std::max_element(lines.begin(), lines.end(), [](auto &a, auto &b) {
                                    return a.size() < b.size();
                                })->size();
        for (const ProposedLineType &type : proposal.lineTypes)
            for (const ProposedField &f : type.fields)
                QVERIFY2(f.position + f.length - 1 <= width, qPrintable(type.id));
        QCOMPARE(proposal.unreadCount, unread);
        QStringList numbers;
        for (const qint64 n : proposal.unreadLines)
            numbers << QString::number(n);
        QCOMPARE(numbers.size(), unread);
        QCOMPARE(velkora::proposal::unreadText(proposal),
                 unread == 0 ? QString()
                             : u"%1 líneas no se leen con esta propuesta: %2"_s.arg(unread).arg(
                                   numbers.join(u", "_s)));
        checkRoundTrip(proposal, path);
    }

    // Blank lines, lines too short to hold an ID and lines whose ID columns hold no letter
    // or digit fit no line type: counted, listed by number, and left so by the test too. The
    // empty lines that end the file are not lines of the format.
    void unmatchedLines()
    {
        QStringList lines = bankStatement(3, 20);
        lines.insert(5, QString());
        lines.insert(9, u"2"_s);
        lines.insert(20, u"   "_s + lines.at(20).mid(3));
        lines.insert(30, u"-- fin de bloque --"_s);
        lines << QString() << QString();
        const QString path = write(lines, "\r\n");
        const Proposal proposal = propose(path);
        QCOMPARE(idPlaces(proposal), BankIds);
        QCOMPARE(proposal.unmatchedCount, 4);
        QCOMPARE(proposal.unmatchedLines, (QList<qint64>{6, 10, 21, 31}));
        checkRoundTrip(proposal, path);
    }

    // Lines past the sample that a field does not read: one is a finding, more than 1 % of
    // the line type make the field a TEXTO.
    void linesPastTheSample_data()
    {
        const auto add = dataColumns<int, QString, QString>({"bad", "date", "amount"});
        add("one bad line of 160", 1, u"03 6 YYMMDD"_s, u"01 14"_s);
        add("three bad lines of 160", 3, u"02 6 trim"_s, u"02 14 trim"_s);
    }
    void linesPastTheSample()
    {
        auto [bad, date, amount] = fetchColumns<int, QString, QString>({"bad", "date", "amount"});
        QStringList lines = bankStatement(2, 80);
        QList<qint64> numbers;
        for (qsizetype i = lines.size() - 1; numbers.size() < bad; --i) {
            if (!lines.at(i).startsWith(u"22"_s))
                continue;
            lines[i].replace(28, 14, u"0000001234.56 "_s); // an amount with a point
            lines[i].replace(10, 6, u"261331"_s);          // no 31st of the 13th month
            numbers.prepend(i + 1);
        }
        const QString path = write(lines);
        ProposalOptions options;
        options.sampleLinesPerType = 20;
        const Proposal sampled = propose(path, options);
        const ProposedLineType movement = typeOf(sampled, u"22"_s);
        QCOMPARE(fieldAt(movement, 11), date);
        QCOMPARE(fieldAt(movement, 29), amount);
        QCOMPARE(fieldAt(movement, 17), u"03 6 YYMMDD"_s);
        QCOMPARE(sampled.unreadLines, bad == 1 ? numbers : QList<qint64>());
        QCOMPARE(sampled.linesSampled,
                 2 + 20 + std::min<qint64>(20, typeOf(sampled, u"23"_s).lines) + 2 + 1);
        checkRoundTrip(sampled, path);
        // Sampled whole: a date that three lines of 160 do not hold is no date; the office
        // and it are digits.
        const Proposal whole = propose(path);
        QCOMPARE(fieldAt(typeOf(whole, u"22"_s), bad == 1 ? 11 : 7),
                 bad == 1 ? u"03 6 YYMMDD"_s : u"01 10"_s);
        checkRoundTrip(whole, path);
    }

    // A file that is not text, or has no text, or no file, gives no proposal and says why.
    void notAProposal_data()
    {
        // file: empty: a file of the bytes
        const auto add = dataColumns<QString, QByteArray, ProposalFailure, QString>(
            {"file", "bytes", "failure", "why"});
        add("UTF-16 text", QString(),
            QByteArray(reinterpret_cast<const char *>(u"11004912345678 TITULAR\r\n"), 48),
            ProposalFailure::NotText, u"bytes nulos (el primero en el byte 2)"_s);
        add("no NUL, but mostly no text", QString(), binaryBytes(8192, false),
            ProposalFailure::NotText, u"de sus primeros bytes no son caracteres de texto"_s);
        QByteArray late = bankStatement(30, 500).join(u'\n').toUtf8();
        QVERIFY(late.size() > (1 << 20));
        late[late.size() - 20] = '\0';
        add("a NUL byte past the first MiB", QString(), late, ProposalFailure::NotText,
            u"bytes nulos (el primero en el byte %1)"_s.arg(late.size() - 19));
        add("empty", QString(), QByteArray(), ProposalFailure::Empty, u"está vacío"_s);
        add("blank lines", QString(), QByteArray("  \r\n\n \n"), ProposalFailure::Empty,
            u"está vacío"_s);
        add("a byte-order mark alone", QString(), QByteArray("\xEF\xBB\xBF"),
            ProposalFailure::Empty, u"está vacío"_s);
        add("no such file", u"none.txt"_s, QByteArray(), ProposalFailure::NotFound, u"no existe"_s);
        add("a folder", u"."_s, QByteArray(), ProposalFailure::Folder, u"carpeta"_s);
        add("no file name", u"-"_s, QByteArray(), ProposalFailure::NoFile, QString());
    }
    void notAProposal()
    {
        auto [file, bytes, failure, why] =
            fetchColumns<QString, QByteArray, ProposalFailure, QString>(
                {"file", "bytes", "failure", "why"});
        const QString path = file.isEmpty()   ? writeBytes(bytes)
                             : file == u"-"_s ? QString()
                                              : QDir::cleanPath(dir.filePath(file));
        Proposal proposal;
        ProposalError error;
        QVERIFY(!velkora::proposal::proposeFromFile(path, &proposal, &error));
        QCOMPARE(error.failure, failure);
        QVERIFY2(error.text.contains(why), qPrintable(error.text));
        QVERIFY2(error.text.contains(path), qPrintable(error.text));
        QVERIFY(proposal.lineTypes.isEmpty());
        QCOMPARE(proposal.linesRead, 0);
    }

    // The proposal says how far it has gone, reading then testing, and stops when asked to.
    void progressAndCancel_data()
    {
        QTest::addColumn<int>("cancelAt"); // -1 never, else the step cancelled in
        QTest::newRow("to the end") << -1;
        QTest::newRow("cancelled while reading") << int(ProposalProgress::Step::Reading);
        QTest::newRow("cancelled while finding the rules") << int(ProposalProgress::Step::Rules);
        QTest::newRow("cancelled while testing") << int(ProposalProgress::Step::Testing);
    }
    void progressAndCancel()
    {
        QFETCH(int, cancelAt);
        static const QString path = write(bankStatement(20, 4000, 8));
        std::atomic<bool> cancel{false};
        std::mutex mutex;
        QList<ProposalProgress> seen;
        ProposalOptions options;
        options.cancel = &cancel;
        options.progress = [&](const ProposalProgress &p) {
            const std::lock_guard lock(mutex);
            seen << p;
            if (int(p.step) == cancelAt && p.done > 0)
                cancel = true;
        };
        Proposal proposal;
        ProposalError error;
        const bool proposed = velkora::proposal::proposeFromFile(path, &proposal, &error, options);
        QVERIFY(!seen.isEmpty());
        const qint64 size = QFileInfo(path).size();
        bool testing = false;
        int last = 0; // the steps in order: reading, the rules, testing
        for (const ProposalProgress &p : std::as_const(seen)) {
            QVERIFY(p.done >= 0 && p.done <= p.total);
            QCOMPARE(p.total, size);
            QVERIFY(int(p.step) >= last);
            last = int(p.step);
            testing = p.step == ProposalProgress::Step::Testing;
        }
        QCOMPARE(last, cancelAt < 0 ? int(ProposalProgress::Step::Testing) : cancelAt);
        if (cancelAt < 0) {
            QVERIFY2(proposed, qPrintable(error.text));
            QVERIFY(testing);
            QCOMPARE(idPlaces(proposal), BankIds);
            return;
        }
        QVERIFY(!proposed);
        QCOMPARE(error.failure, ProposalFailure::Cancelled);
        QVERIFY(proposal.lineTypes.isEmpty());
        QCOMPARE(testing, cancelAt == int(ProposalProgress::Step::Testing));
    }

    // The rules the sample keeps: the length of each line type's lines, the header and the
    // trailer, the one line type a sub-record follows, and each trailer's numbers that equal a
    // count of lines or a sum of amounts, over the file or since the last group header. A total
    // that one group breaks is no rule; without line breaks the records' length is the file's
    // rule. The proposal with its rules tests clean on its file.
    void rules_data()
    {
        // records: written without line breaks but `end` at the end; suggested: totals that held
        // on the file's one trailer, not rules (one file cannot tell a total from a number that
        // equals it once).
        const auto add = dataColumns<QStringList, QByteArray, bool, QStringList, QStringList>(
            {"lines", "end", "records", "rules", "suggested"});
        const QStringList header{u"0001||PRIMERA"_s, u"0001||VECES 1"_s};
        const QStringList trailer{u"0005||ULTIMA"_s, u"0005||VECES 1"_s};
        const QStringList groupTotals{u"0004|0001|CUENTA 0003 DESDE 0002"_s,
                                      u"0004|0002|SUMA 0003.0001 DESDE 0002"_s};
        const QStringList fileTotals{u"0005|0001|CUENTA 0002"_s, u"0005|0002|CUENTA 0003"_s,
                                     u"0005|0003|SUMA 0003.0001"_s};
        auto lengths = [](int types) {
            QStringList list;
            for (int t = 1; t <= types; ++t)
                list << u"%1||LONGITUD 60"_s.arg(t, 4, 10, QLatin1Char('0'));
            return list;
        };
        const QStringList l = lengths(5);
        const auto grouped = [&](const QStringList &totals) {
            return header + l.mid(0, 4) + QStringList{u"0004||TRAS 0003"_s} + totals + trailer +
                   l.mid(4, 1);
        };
        add("counts and sums per group and for the file", groupedFile({}), QByteArray("\n"), false,
            grouped(groupTotals), fileTotals);
        add("a group's total one cent off", groupedFile({.wrongTotal = 3}), QByteArray("\r\n"),
            false, grouped(groupTotals.mid(0, 1)), fileTotals);
        // A group's number in the file equals the count of group headers from the file's start
        // on every trailer of this file, but another file may number its groups from 200.
        add("groups numbered on their trailers", groupedFile({.numbered = true}), QByteArray("\n"),
            false, grouped(groupTotals), QStringList{u"0004|0003|CUENTA 0002"_s} + fileTotals);
        const QStringList s6 = lengths(6);
        // The first sub-record comes after the first group's trailer: it is the line type 0005.
        add("sub-records after their detail", groupedFile({.subRecords = true}), QByteArray("\n"),
            false,
            QStringList{header + s6.mid(0, 4) + groupTotals + s6.mid(4, 1) +
                        QStringList{u"0005||TRAS 0003"_s, u"0006||ULTIMA"_s, u"0006||VECES 1"_s} +
                        s6.mid(5, 1)},
            QStringList{u"0006|0001|CUENTA 0002"_s, u"0006|0002|CUENTA 0003"_s,
                        u"0006|0003|SUMA 0003.0001"_s});
        const QStringList records = QStringList{u"||REGISTRO 60"_s} + header +
                                    QStringList{u"0004||TRAS 0003"_s} + groupTotals + trailer;
        add("records without line breaks", groupedFile({}), QByteArray(), true, records,
            fileTotals);
        add("records without line breaks, but one at the end", groupedFile({}), QByteArray("\r\n"),
            true, records, fileTotals);
        add("one kind of line, of one length",
            detailsHolding(datesOf(30, [](int i) { return QString::number(1000 + i * 7); })),
            QByteArray("\n"), false, QStringList{u"0001||LONGITUD 40"_s}, QStringList());
        // Blanks at the end taken off: only the account ends (and the file's end) have one
        // length; complementary concepts follow a movement, and so do both account ends here,
        // two lines: too few to tell from chance, a suggestion.
        add("lines of several lengths", rightStripped(bankStatement(2, 10)), QByteArray("\n"),
            false,
            QStringList{u"0003||TRAS 0002"_s, u"0004||LONGITUD 76"_s, u"0005||ULTIMA"_s,
                        u"0005||VECES 1"_s, u"0005||LONGITUD 26"_s},
            QStringList{u"0004||TRAS 0002"_s});
    }
    void rules()
    {
        auto [lines, end, records, rules, suggested] =
            fetchColumns<QStringList, QByteArray, bool, QStringList, QStringList>(
                {"lines", "end", "records", "rules", "suggested"});
        const QString path =
            records ? writeBytes(lines.join(QString()).toUtf8() + end) : write(lines, end);
        const Proposal proposal = propose(path);
        QCOMPARE(ruleTexts(proposal), rules);
        QCOMPARE(ruleTexts(proposal.suggestions), suggested);
        for (const ProposedRule &rule : proposal.suggestions)
            QVERIFY(rule.suggested && !rule.guess.isEmpty());
        QCOMPARE(proposal.recordLength, records ? 60 : 0);
        QCOMPARE(proposal.linesRead, lines.size());
        for (const ProposedRule &rule : proposal.rules) {
            QVERIFY2(rule.confidence > 0 && rule.confidence <= 1, qPrintable(rule.text));
            QVERIFY(!rule.description.isEmpty() && rule.description.size() <= 100);
        }
        checkRoundTrip(proposal, path);
    }

    // A bad amount among the details is a finding of its line: it is no part of the sums the
    // test makes, so the totals that counted it are no rule, and the proposal with its rules
    // names exactly that line.
    void rulesWithABadLine()
    {
        QStringList lines = groupedFile({.groups = 30});
        qsizetype bad = 120;
        while (!lines.at(bad).startsWith(u'D'))
            ++bad;
        lines[bad].replace(5, 1, u"X"_s);
        const QString path = write(lines);
        const Proposal proposal = propose(path);
        QCOMPARE(proposal.unreadLines, QList<qint64>{bad + 1});
        const QStringList texts = ruleTexts(proposal);
        QVERIFY2(texts.contains(u"0004|0001|CUENTA 0003 DESDE 0002"_s),
                 qPrintable(texts.join(u", ")));
        for (const QString &text : texts)
            QVERIFY2(!text.contains(u"SUMA 0003.0001"_s), qPrintable(text));
        checkRoundTrip(proposal, path);
    }

    // A trailer's numbers side by side in one run of digits (a count, a hash of routing numbers
    // that keeps its last 10 digits, the totals) become fields of their own with their counts
    // and sums, however many trailers there are (those of the file's one control suggested); the
    // proposal tests clean on its file and finds a changed amount. A run that holds no count or sum
    // keeps the fields it had.
    void numbersSideBySide_data()
    {
        // batchControl: its fields within columns 2-55; totals: the CUENTA and SUMA rules;
        // suggested: those of the file's one control.
        const auto add =
            dataColumns<QStringList, QStringList, QStringList, QStringList, QStringList>(
                {"lines", "batchControl", "fileControl", "totals", "suggested"});
        const QStringList batchControl{u"2:01 3"_s,   u"5:01 6"_s, u"11:01 10"_s, u"21:01 12"_s,
                                       u"33:01 18"_s, // the company's number: data
                                       u"51:01 4"_s};
        const QStringList fileControl{u"2:01 6"_s,   u"8:01 6"_s,   u"14:01 8"_s,
                                      u"22:01 10"_s, u"32:01 12"_s, u"44:01 12"_s};
        const QStringList batchTotals{u"0004|0002|CUENTA 0003 DESDE 0002"_s,
                                      u"0004|0003|SUMA 0003.0003 DESDE 0002"_s,
                                      u"0004|0004|SUMA 0003.0006 DESDE 0002"_s};
        // The batch number ends the originator's routing number's run of digits: no count.
        const QStringList fileTotals{u"0005|0001|CUENTA 0002"_s, u"0005|0003|CUENTA 0003"_s,
                                     u"0005|0004|SUMA 0003.0003"_s, u"0005|0005|SUMA 0003.0006"_s};
        add("three batches, a hash that keeps its last digits", interchangeFile({5, 250, 12}),
            batchControl, fileControl, batchTotals, fileTotals);
        // Two batch controls that both follow an entry: a suggestion.
        add("two batches", interchangeFile({40, 7}, 8), batchControl, fileControl, batchTotals,
            QStringList{u"0004||TRAS 0003"_s} + fileTotals);
    }
    void numbersSideBySide()
    {
        auto [lines, batchControl, fileControl, totals, suggested] =
            fetchColumns<QStringList, QStringList, QStringList, QStringList, QStringList>(
                {"lines", "batchControl", "fileControl", "totals", "suggested"});
        const QString path = write(lines);
        const Proposal proposal = propose(path);
        QCOMPARE(fieldList(typeOf(proposal, u"8"_s), 56), batchControl);
        QCOMPARE(fieldList(typeOf(proposal, u"9"_s), 56), fileControl);
        QCOMPARE(ruleTexts(proposal).filter(QRegularExpression(u"CUENTA|SUMA"_s)), totals);
        QCOMPARE(ruleTexts(proposal.suggestions), suggested);
        checkRoundTrip(proposal, path);

        // One amount changed: the totals of its batch and of the file are wrong.
        qsizetype changed = lines.size() / 2;
        while (!lines.at(changed).startsWith(u'6'))
            ++changed;
        QChar &digit = lines[changed][38];
        digit = QChar(u'0' + (digit.digitValue() + 1) % 10);
        qsizetype batchEnd = changed;
        while (!lines.at(batchEnd).startsWith(u'8'))
            ++batchEnd;
        const auto report = velkora::formats::testLoadFormat(
            velkora::proposal::toLoadFormat(proposal, u"PROP"_s), write(lines));
        QStringList broken;
        for (const auto &e : report.errors)
            broken << u"%1 %2"_s.arg(e.line).arg(
                e.rule.isEmpty() ? u"-"_s : proposal.rules.at(e.rule.toInt() - 1).text);
        QCOMPARE(broken, QStringList{u"%1 SUMA 0003.0006 DESDE 0002"_s.arg(batchEnd + 1)});
    }

    // Controls whose runs of digits hold no count, hash or total keep the fields the columns
    // gave them.
    void noNumbersSideBySide()
    {
        const QString path = write(interchangeFile({5, 30, 12}, 6, false));
        const Proposal withRules = propose(path);
        ProposalOptions noRules;
        noRules.rules = false;
        const Proposal without = propose(path, noRules);
        for (const QString &id : {u"8"_s, u"9"_s})
            QCOMPARE(fieldList(typeOf(withRules, id)), fieldList(typeOf(without, id)));
        for (const QString &rule : ruleTexts(withRules))
            QVERIFY2(!rule.startsWith(u"0005|"_s) || !rule.contains(u"SUMA"_s), qPrintable(rule));
        checkRoundTrip(withRules, path);
    }
};

QTEST_GUILESS_MAIN(TestProposal)
#include "tst_formatproposal.moc"
