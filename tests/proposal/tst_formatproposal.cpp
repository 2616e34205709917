// The proposal of a load format from a sample file: the line types and fields it finds in
// hand-made files of two multi-record standards (80-character bank statements coded at
// columns 1-2, 94-character payment files coded at column 1), whatever their line ends,
// encoding and trailing blanks; files with one kind of line; lines that fit no line type; and
// the property everything rests on: the proposal, tested as a load format on its own file,
// types every line it typed and reads every field without an error.

#include "ProposalSamples.h"
#include "formats/LoadFormatTest.h"
#include "proposal/Proposal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace proposal_test;
using velkora::proposal::Proposal;
using velkora::proposal::ProposalOptions;
using velkora::proposal::ProposedField;
using velkora::proposal::ProposedLineType;

Q_DECLARE_METATYPE(Encoding)

namespace {

Proposal propose(const QString &path, const ProposalOptions &options = {})
{
    Proposal proposal;
    QString error;
    if (!velkora::proposal::proposeFromFile(path, &proposal, &error, options))
        qFatal("no proposal for %s: %s", qPrintable(path), qPrintable(error));
    return proposal;
}

// The IDs at [position, position + length) of the lines, in order of first appearance.
QStringList idsInOrder(const QStringList &lines, int position, int length)
{
    QStringList ids;
    for (const QString &line : lines) {
        const QString id = line.mid(position - 1, length);
        if (!id.trimmed().isEmpty() && !ids.contains(id))
            ids << id;
    }
    return ids;
}

QStringList idsOf(const Proposal &proposal)
{
    QStringList ids;
    for (const ProposedLineType &type : proposal.lineTypes)
        ids << type.id;
    return ids;
}

const ProposedLineType &typeOf(const Proposal &proposal, const QString &id)
{
    for (const ProposedLineType &type : proposal.lineTypes)
        if (type.id == id)
            return type;
    qFatal("no line type %s", qPrintable(id));
}

// The field that starts at a position, as "type length format value".
QString fieldAt(const ProposedLineType &type, int position)
{
    for (const ProposedField &f : type.fields)
        if (f.position == position)
            return QStringList{f.typeCode, QString::number(f.length), f.format, f.value}
                .filter(QRegularExpression(u"."_s))
                .join(u' ');
    return u"(none at %1)"_s.arg(position);
}

// The round trip: the proposal as a load format, tested on its own file.
void checkRoundTrip(const Proposal &proposal, const QString &path)
{
    const auto report = velkora::formats::testLoadFormat(
        velkora::proposal::toLoadFormat(proposal, u"PROP"_s), path);
    QVERIFY2(report.ran, qPrintable(report.error));
    QStringList errors;
    for (const auto &e : report.errors)
        errors << u"line %1 %2/%3: %4"_s.arg(e.line).arg(e.lineType, e.field, e.message);
    QVERIFY2(report.result.errorCount == 0, qPrintable(errors.mid(0, 5).join(u'\n')));
    QCOMPARE(report.result.ambiguous.count, 0);
    QCOMPARE(report.result.lines, proposal.linesRead);
    QCOMPARE(report.result.unmatched.count, proposal.unmatchedCount);
    QCOMPARE(
        QList<qint64>(report.result.unmatched.first.begin(), report.result.unmatched.first.end()),
        proposal.unmatchedLines);
    QCOMPARE(qsizetype(report.result.types.size()), proposal.lineTypes.size());
    for (qsizetype t = 0; t < proposal.lineTypes.size(); ++t)
        QCOMPARE(report.result.types[size_t(t)].lines, proposal.lineTypes[t].lines);
    QCOMPARE(report.encodingName(), proposal.encoding);
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

    // The files every property is checked on: both standards, small and larger, with LF and
    // CR LF, in UTF-8 and Windows-1252, blank-padded and right-stripped.
    void standardFiles()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("end");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<int>("idPosition");
        QTest::addColumn<int>("idLength");
        const QStringList bankSmall = bankStatement(2, 6);
        const QStringList bank = bankStatement(6, 60, 7);
        const QStringList bankLarge = bankStatement(4, 1500, 11);
        const QStringList paySmall = paymentFile(2, 8);
        const QStringList pay = paymentFile(8, 70, 9);
        for (const auto &[name, lines, position, length] :
             {std::tuple{"bank statement, 2 accounts", bankSmall, 1, 2},
              std::tuple{"bank statement, 6 accounts", bank, 1, 2},
              std::tuple{"bank statement, 4 accounts of 1,500 movements", bankLarge, 1, 2},
              std::tuple{"payment file, 2 batches", paySmall, 1, 1},
              std::tuple{"payment file, 8 batches", pay, 1, 1}}) {
            QTest::addRow("%s, LF", name)
                << lines << QByteArray("\n") << Encoding::Utf8 << position << length;
            QTest::addRow("%s, CR LF", name)
                << lines << QByteArray("\r\n") << Encoding::Utf8 << position << length;
            QTest::addRow("%s, Windows-1252", name)
                << lines << QByteArray("\r\n") << Encoding::Cp1252 << position << length;
            QTest::addRow("%s, right-stripped", name)
                << rightStripped(lines) << QByteArray("\n") << Encoding::Utf8 << position << length;
            QTest::addRow("%s, right-stripped, Windows-1252", name)
                << rightStripped(lines) << QByteArray("\r\n") << Encoding::Cp1252 << position
                << length;
        }
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void lineTypesOfTheStandards_data() { standardFiles(); }
    void lineTypesOfTheStandards()
    {
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, end);
        QFETCH(Encoding, encoding);
        QFETCH(int, idPosition);
        QFETCH(int, idLength);
        const QString path = write(lines, end, encoding);
        const Proposal proposal = propose(path);
        QCOMPARE(proposal.idPosition, idPosition);
        QCOMPARE(proposal.idLength, idLength);
        QCOMPARE(idsOf(proposal), idsInOrder(lines, idPosition, idLength));
        QCOMPARE(proposal.linesRead, lines.size());
        QCOMPARE(proposal.unmatchedCount, 0);
        QCOMPARE(proposal.encoding, encoding == Encoding::Cp1252 ? u"Windows-1252"_s : u"UTF-8"_s);
        for (const ProposedLineType &type : proposal.lineTypes) {
            QCOMPARE(type.description, u"Tipo "_s + type.id);
            QCOMPARE(type.lines, std::count_if(lines.begin(), lines.end(), [&](const QString &l) {
                         return l.mid(idPosition - 1, idLength) == type.id;
                     }));
            QCOMPARE(lines.at(type.firstLine - 1).mid(idPosition - 1, idLength), type.id);
            QVERIFY(type.confidence > 0 && type.confidence <= 1);
            for (const ProposedField &f : type.fields) {
                QVERIFY(f.confidence > 0 && f.confidence <= 1);
                // The ID's columns are the line type's, not a field's.
                QVERIFY(f.position > idPosition + idLength - 1);
            }
        }
    }

    void roundTrip_data() { standardFiles(); }
    void roundTrip()
    {
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, end);
        QFETCH(Encoding, encoding);
        const QString path = write(lines, end, encoding);
        checkRoundTrip(propose(path), path);
        // A sample of a few lines per line type: what the rest of the file shows otherwise
        // is proposed so that it reads.
        ProposalOptions few;
        few.sampleLinesPerType = 3;
        checkRoundTrip(propose(path, few), path);
    }

    // What the fields of a well-sampled line type say: dates in their format, amounts and
    // counts as numbers, texts trimmed, constants with their value, nothing past the text.
    void fieldsOfTheDetailLines()
    {
        const QString bank = write(bankStatement(6, 60, 7));
        const ProposedLineType movement = typeOf(propose(bank), u"22"_s);
        QCOMPARE(fieldAt(movement, 11), u"03 6 YYMMDD"_s); // date of the operation
        QCOMPARE(fieldAt(movement, 17), u"03 6 YYMMDD"_s); // value date
        QCOMPARE(fieldAt(movement, 29), u"01 14"_s);       // amount
        QCOMPARE(fieldAt(movement, 43), u"01 10"_s);       // document number
        QCOMPARE(fieldAt(movement, 53), u"02 27"_s);       // the two references as text
        QVERIFY(movement.fields.last().trim);
        const ProposedLineType header = typeOf(propose(bank), u"11"_s);
        QCOMPARE(fieldAt(header, 48), u"04 4 9783"_s); // currency and a fixed code, constant

        const QString pay = write(paymentFile(8, 70, 9));
        const Proposal payment = propose(pay);
        const ProposedLineType entry = typeOf(payment, u"6"_s);
        QCOMPARE(fieldAt(entry, 30), u"01 10"_s); // amount
        QCOMPARE(fieldAt(entry, 40), u"04 4 EMP-"_s);
        const ProposedLineType addenda = typeOf(payment, u"7"_s);
        QCOMPARE(fieldAt(addenda, 2), u"04 2 05"_s);
        for (const ProposedLineType &type : payment.lineTypes)
            for (const ProposedField &f : type.fields)
                QVERIFY2(f.position + f.length - 1 <= 94, qPrintable(type.id));
    }

    // A file of one kind of line: one line type without an ID takes every line.
    void oneKindOfLine_data()
    {
        QTest::addColumn<QStringList>("lines");
        QStringList movements, entries;
        for (const QString &line : bankStatement(3, 40))
            if (line.startsWith(u"22"_s))
                movements << line;
        for (const QString &line : paymentFile(2, 30))
            if (line.startsWith(u"6"_s))
                entries << line;
        QTest::newRow("movements") << movements;
        QTest::newRow("movements, right-stripped") << rightStripped(movements);
        QTest::newRow("three movements") << movements.mid(0, 3);
        QTest::newRow("entries") << entries;
        QTest::newRow("one line") << entries.mid(0, 1);
    }
    void oneKindOfLine()
    {
        QFETCH(QStringList, lines);
        const QString path = write(lines);
        const Proposal proposal = propose(path);
        QCOMPARE(proposal.idPosition, 0);
        QCOMPARE(proposal.idLength, 0);
        QCOMPARE(proposal.lineTypes.size(), 1);
        QCOMPARE(proposal.lineTypes[0].id, QString());
        QCOMPARE(proposal.lineTypes[0].description, u"Tipo único"_s);
        QCOMPARE(proposal.lineTypes[0].lines, lines.size());
        QCOMPARE(proposal.unmatchedCount, 0);
        checkRoundTrip(proposal, path);
    }

    // Blank lines, lines too short to hold an ID and lines whose ID columns hold no letter
    // or digit fit no line type: counted, listed by number, and left so by the test too.
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
        QCOMPARE(proposal.idPosition, 1);
        QCOMPARE(proposal.idLength, 2);
        QCOMPARE(idsOf(proposal), (QStringList{u"11"_s, u"22"_s, u"23"_s, u"33"_s, u"88"_s}));
        // The two empty lines that end the file are no lines without a type.
        QCOMPARE(proposal.unmatchedCount, 4);
        QCOMPARE(proposal.unmatchedLines, (QList<qint64>{6, 10, 21, 31}));
        checkRoundTrip(proposal, path);
    }

    // A byte-order mark, a last line without its end, amounts with a decimal point.
    void lineEndsAndDecimals()
    {
        QStringList lines{record(50, {{1, "H"}, {2, "EMPRESA EJEMPLO SA"}, {30, "20261231"}})};
        for (int i = 1; i < 29; ++i)
            lines << record(50, {{1, "D"},
                                 {2, yymmdd(i * 7)},
                                 {9, Random(quint64(i)).number(i * 1234, 9) + "." +
                                         Random(quint64(i)).number(i % 100, 2)},
                                 {22, i % 2 ? "TRANSFERENCIA RECIBIDA" : "ABONO DE NOMINA"}});
        lines << record(50, {{1, "T"}, {2, "000028"}, {20, "TOTAL"}});
        QByteArray bytes = "\xEF\xBB\xBF" + lines.join(u"\r\n"_s).toUtf8();
        const QString path = dir.filePath(u"bom.txt"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        const Proposal proposal = propose(path);
        QCOMPARE(proposal.linesRead, 30);
        QCOMPARE(idsOf(proposal), (QStringList{u"H"_s, u"D"_s, u"T"_s}));
        const ProposedLineType detail = typeOf(proposal, u"D"_s);
        QCOMPARE(fieldAt(detail, 2), u"03 6 YYMMDD"_s);
        QCOMPARE(fieldAt(detail, 9), u"01 12 0.00"_s);
        QCOMPARE(fieldAt(detail, 22), u"02 22"_s); // texts end at their longest
        checkRoundTrip(proposal, path);
    }

    // A field that its sample reads as a number or a date, and a line further on does not:
    // the field is proposed as TEXTO so that the whole file reads.
    void linesPastTheSample()
    {
        QStringList lines = bankStatement(2, 80);
        qsizetype last = lines.size() - 1;
        while (!lines.at(last).startsWith(u"22"_s))
            --last;
        lines[last].replace(28, 14, u"0000001234.56 "_s); // an amount with a point
        lines[last].replace(10, 6, u"261331"_s);          // no 31st of the 13th month
        const QString path = write(lines);
        ProposalOptions options;
        options.sampleLinesPerType = 20;
        const Proposal sampled = propose(path, options);
        const ProposedLineType movement = typeOf(sampled, u"22"_s);
        QCOMPARE(fieldAt(movement, 11), u"02 6"_s);
        for (const ProposedField &f : movement.fields)
            QVERIFY(f.typeCode != u"02"_s || f.trim);
        QCOMPARE(fieldAt(movement, 17), u"03 6 YYMMDD"_s);
        QCOMPARE(sampled.linesSampled,
                 2 + 20 + std::min<qint64>(20, typeOf(sampled, u"23"_s).lines) + 2 + 1);
        checkRoundTrip(sampled, path);
        const Proposal whole = propose(path);
        // Sampled whole, the column is no date from the start.
        QVERIFY(!fieldAt(typeOf(whole, u"22"_s), 11).startsWith(u"03"_s));
        checkRoundTrip(whole, path);
    }

    // The same file gives the same proposal, whatever the threads of its test.
    void deterministic()
    {
        const QString path = write(paymentFile(6, 50, 4), "\r\n", Encoding::Cp1252);
        ProposalOptions one, four;
        one.threads = 1;
        four.threads = 4;
        const QByteArray first = velkora::proposal::toJson(propose(path, one));
        QCOMPARE(velkora::proposal::toJson(propose(path, four)), first);
        QCOMPARE(velkora::proposal::toJson(propose(path)), first);
        QCOMPARE(velkora::proposal::toText(propose(path)),
                 velkora::proposal::toText(propose(path, one)));
    }

    void json()
    {
        const QStringList lines = bankStatement(2, 10);
        const QString path = write(lines);
        const QJsonObject root =
            QJsonDocument::fromJson(velkora::proposal::toJson(propose(path))).object();
        QCOMPARE(root[u"file"_s].toString(), path);
        QCOMPARE(root[u"encoding"_s].toString(), u"UTF-8"_s);
        QCOMPARE(root[u"lines"_s].toInt(), lines.size());
        QCOMPARE(root[u"line_type"_s].toObject()[u"position"_s].toInt(), 1);
        QCOMPARE(root[u"line_type"_s].toObject()[u"length"_s].toInt(), 2);
        QCOMPARE(root[u"unmatched"_s].toObject()[u"count"_s].toInt(), 0);
        const QJsonArray types = root[u"line_types"_s].toArray();
        QCOMPARE(types.size(), 5);
        const QJsonObject movement = types[1].toObject();
        QCOMPARE(movement[u"id"_s].toString(), u"22"_s);
        QCOMPARE(movement[u"description"_s].toString(), u"Tipo 22"_s);
        QCOMPARE(movement[u"lines"_s].toInt(), lines.filter(QRegularExpression(u"^22"_s)).size());
        QVERIFY(movement[u"confidence"_s].toDouble() > 0);
        const QJsonObject date = movement[u"fields"_s].toArray()[1].toObject();
        QCOMPARE(date[u"position"_s].toInt(), 11);
        QCOMPARE(date[u"length"_s].toInt(), 6);
        QCOMPARE(date[u"type"_s].toString(), u"03"_s);
        QCOMPARE(date[u"type_name"_s].toString(), u"Fecha"_s);
        QCOMPARE(date[u"format"_s].toString(), u"YYMMDD"_s);
        QCOMPARE(date[u"value"_s].toString(), QString());
        QCOMPARE(date[u"trim"_s].toBool(), false);
        QVERIFY(date[u"confidence"_s].toDouble() > 0.5);
    }

    void loadFormat()
    {
        const QString path = write(paymentFile(2, 8));
        const Proposal proposal = propose(path);
        const auto format = velkora::proposal::toLoadFormat(proposal, u"0100"_s);
        QCOMPARE(format.key, u"0100"_s);
        QCOMPARE(format.file, path);
        QCOMPARE(format.state, u"AC"_s);
        QVERIFY(!format.description.isEmpty() && format.description.size() <= 50);
        QCOMPARE(format.lineTypes.size(), proposal.lineTypes.size());
        for (int t = 0; t < format.lineTypes.size(); ++t) {
            const auto &type = format.lineTypes[t];
            QCOMPARE(type.order, u"%1"_s.arg(t + 1, 4, 10, QLatin1Char('0')));
            QCOMPARE(type.lineId, proposal.lineTypes[t].id);
            QCOMPARE(type.position, 1);
            QCOMPARE(type.length, 1);
            for (int f = 0; f < type.fields.size(); ++f) {
                QCOMPARE(type.fields[f].id, u"%1"_s.arg(f + 1, 4, 10, QLatin1Char('0')));
                QCOMPARE(type.fields[f].lineOrder, type.order);
                QCOMPARE(type.fields[f].description, u"Campo "_s + type.fields[f].id);
            }
        }
    }

    void fileThatCannotBeProposed()
    {
        Proposal proposal;
        QString error;
        QVERIFY(
            !velkora::proposal::proposeFromFile(dir.filePath(u"none.txt"_s), &proposal, &error));
        QVERIFY(error.contains(u"no existe"_s));
        QVERIFY(!velkora::proposal::proposeFromFile(dir.path(), &proposal, &error));
        QVERIFY(error.contains(u"carpeta"_s));
        QVERIFY(!velkora::proposal::proposeFromFile(write({}), &proposal, &error));
        QVERIFY(error.contains(u"vacío"_s));
        QVERIFY(proposal.lineTypes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProposal)
#include "tst_formatproposal.moc"
