// The index of a file's lines that the views read lines through: it splits, types and counts
// lines exactly as the load-format test does (whatever the line ends, byte-order mark, reading
// direction and block size), reads any line back, and keeps only what a test cut short read.

#include "FormatSamples.h"
#include "formats/Limits.h"
#include "formats/LineIndex.h"
#include "formats/LineSource.h"
#include "support/TestClasses.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

using namespace formats_test;
using velkora::formats::CompiledFormat;
using velkora::formats::IndexedLines;
using velkora::formats::LineIndex;
using velkora::formats::LineIndexOptions;

namespace {

// Line types "H" (1 field), "D" (a number that can fail) and "DX" (shadows "D": ambiguous).
LoadFormat smallFormat(bool reverse)
{
    LoadFormat f = formatOf(
        "0009",
        {lineType("0001", "H", "Cabecera", 1, 1, "0001|Nombre|2|6|T"),
         lineType("0002", "D", "Detalle", 1, 1, "0001|Importe|2|5|N|0V00; 0002|Clave|7|3|T"),
         lineType("0003", "DX", "Detalle largo", 1, 2, "0001|Resto|3|4|T")});
    f.reverse = reverse;
    return f;
}

// The lines of the file as the test reads them, split here independently of the library.
QList<QByteArray> expectedLines(QByteArray data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    if (data.isEmpty())
        return {};
    if (data.endsWith('\n'))
        data.chop(1);
    QList<QByteArray> lines = data.split('\n');
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &data)
{
    return samples::writeBytes(dir.filePath(name), data);
}

} // namespace

class tst_LineIndex : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:

    void agreesWithTheTest_data()
    {
        const auto add = dataColumns<QByteArray, bool, qint64>({"data", "reverse", "block"});

        const QByteArray mixed = "H ANA  \nD00123ABC\nD0012XABC\nDX0123\nZZZ\n\nD00001\n"
                                 "H JOS\xC9\nD99999XYZ";
        add("LF, no end on the last line", mixed, false, qint64(1 << 20));
        add("reverse", mixed, true, qint64(1 << 20));
        add("small blocks", mixed, false, qint64(16));
        add("small blocks, reverse", mixed, true, qint64(16));
        QByteArray crlf = mixed;
        crlf.replace("\n", "\r\n");
        add("CR LF and a byte-order mark", QByteArray("\xEF\xBB\xBF") + crlf + "\r\n", false,
            qint64(16));
        add("CR LF, reverse", crlf + "\r\n", true, qint64(7));
        add("empty lines at both ends", QByteArray("\n\nD00100ABC\n\n"), true, qint64(4));
        add("a single empty line", QByteArray("\n"), false, qint64(16));
        add("empty file", {}, true, qint64(16));
        // A line longer than the longest line the test reads, between two short ones.
        const QByteArray huge = "D00100" + QByteArray((1 << 20) + 300, 'x');
        add("a line cut at 1 MB", "H ANA\n" + huge + "\nD00200ABC\n", false, qint64(1 << 16));
        add("a line cut at 1 MB, reverse", "H ANA\n" + huge + "\nD00200ABC", true, qint64(1 << 16));
    }

    void agreesWithTheTest()
    {
        auto [data, reverse, block] =
            fetchColumns<QByteArray, bool, qint64>({"data", "reverse", "block"});
        const QString path = write(dir, QString::fromLatin1(QTest::currentDataTag()), data);
        const LoadFormat format = smallFormat(reverse);
        velkora::formats::TestOptions options;
        options.detailLines = 100;
        options.chunkBytes = 64;
        const TestReport report = velkora::formats::testLoadFormat(format, path, options);
        QVERIFY2(report.ran, qPrintable(report.error));

        const CompiledFormat compiled(format);
        LineIndexOptions indexing;
        indexing.reverse = reverse;
        indexing.blockBytes = block;
        qint64 reportedLines = -1;
        indexing.progress = [&](qint64, qint64, qint64 lines) { reportedLines = lines; };
        const LineIndex index = velkora::formats::buildLineIndex(compiled, path, indexing);
        QVERIFY2(index.ran(), qPrintable(index.error()));
        QVERIFY(!index.partial());

        // The same lines, types and errors as the test.
        QCOMPARE(index.lineCount(), report.result.lines);
        QCOMPARE(reportedLines, index.lineCount());
        QCOMPARE(index.groupCount(), format.lineTypes.size() + 1);
        for (int t = 0; t < format.lineTypes.size(); ++t)
            QCOMPARE(qint64(index.rows(t).size()), report.result.types[size_t(t)].lines);
        QCOMPARE(index.unmatchedCount(), report.result.unmatched.count);
        QCOMPARE(index.ambiguousCount(), report.result.ambiguous.count);
        QCOMPARE(qint64(index.rows(index.otherGroup()).size()),
                 report.result.unmatched.count + report.result.ambiguous.count);
        QCOMPARE(index.fieldErrorCount(), report.result.errorCount);
        QCOMPARE(index.byteOrderMark(), report.byteOrderMark);

        // Every line read back as the test read it, under the test's line number; the lines longer
        // than the longest line read are cut, and listed.
        QList<QByteArray> lines = expectedLines(data);
        if (reverse)
            std::reverse(lines.begin(), lines.end());
        QCOMPARE(index.lineCount(), qint64(lines.size()));
        IndexedLines reader(index, path);
        QJsonArray longLines;
        for (qint64 k = 0; k < index.lineCount(); ++k) {
            QCOMPARE(reader.line(k).toByteArray(), lines[k].left(velkora::formats::MaxLineBytes));
            QCOMPARE(index.lineNumber(k), report.result.details[size_t(k)].line);
            QCOMPARE(index.lineNumber(k), reverse ? qint64(lines.size()) - k : k + 1);
            if (lines[k].size() > velkora::formats::MaxLineBytes)
                longLines << index.lineNumber(k);
        }
        const QJsonDocument result = QJsonDocument::fromJson(velkora::formats::reportJson(report));
        QCOMPARE(result[u"long_lines"_s][u"first"_s].toArray(), longLines);
        // Read again out of order (the reader's window moves both ways).
        for (qint64 k = index.lineCount() - 1; k >= 0; k -= 2)
            QCOMPARE(reader.line(k).toByteArray(), lines[k].left(1 << 20));
    }

    void cutShortAndLimited()
    {
        QByteArray data;
        for (int i = 0; i < 300; ++i)
            data += i % 3 == 0 ? "H ANA\n" : i % 3 == 1 ? "D00A00XYZ\n" : "ZZZ\n";
        const QString path = write(dir, u"cut.txt"_s, data);
        const CompiledFormat compiled(smallFormat(true));

        // At most 10 lines: the last 10 of the file, numbered from its end as a reading cut short.
        LineIndexOptions limited;
        limited.reverse = true;
        limited.maxLines = 10;
        const LineIndex first = velkora::formats::buildLineIndex(compiled, path, limited);
        QVERIFY(first.ran() && first.partial() && !first.cancelled());
        QCOMPARE(first.lineCount(), 10);
        QCOMPARE(first.lineNumber(0), 1);

        // Cancelled from the first block: nothing more is read, what was read is kept.
        std::atomic<bool> cancel{false};
        LineIndexOptions cancelled;
        cancelled.blockBytes = 64;
        cancelled.cancel = &cancel;
        cancelled.progress = [&](qint64 done, qint64, qint64) { cancel = done > 0; };
        const LineIndex stopped = velkora::formats::buildLineIndex(compiled, path, cancelled);
        QVERIFY(stopped.ran() && stopped.cancelled() && stopped.partial());
        QVERIFY(stopped.lineCount() > 0 && stopped.lineCount() < 300);

        // Truncated to what a cancelled test read: every count follows.
        LineIndex all = velkora::formats::buildLineIndex(compiled, path, {});
        QCOMPARE(all.lineCount(), 300);
        QCOMPARE(all.fieldErrorCount(), 100);
        all.truncate(31); // lines 0..30: 11 H, 10 D (with an error each), 10 Z
        QVERIFY(all.partial());
        QCOMPARE(all.lineCount(), 31);
        QCOMPARE(qint64(all.rows(0).size()), 11);
        QCOMPARE(qint64(all.rows(1).size()), 10);
        QCOMPARE(qint64(all.errorRows(1).size()), 10);
        QCOMPARE(all.fieldErrorCount(), 10);
        QCOMPARE(all.unmatchedCount(), 10);
        QCOMPARE(all.ambiguousCount(), 0);
        QCOMPARE(all.rows(all.otherGroup()).back(), 29);
    }

    void unreadableFilesSayWhy_data()
    {
        const auto add = dataColumns<QString, QString>({"path", "error"});
        add("no file name", {}, "No se indicó el archivo que se prueba.");
        add("no such file", "/nonexistent/extracto.txt",
            "El archivo '/nonexistent/extracto.txt' no existe.");
        add("a folder", "/tmp", "'/tmp' es una carpeta, no un archivo.");
    }

    // A file that cannot be read: the test says why (and gives no result text) and so does the
    // index, in the same words.
    void unreadableFilesSayWhy()
    {
        auto [path, error] = fetchColumns<QString, QString>({"path", "error"});
        const TestReport report = velkora::formats::testLoadFormat(smallFormat(false), path, {});
        QVERIFY(!report.ran);
        QCOMPARE(report.error, error);
        QVERIFY(velkora::formats::reportText(report, u"|"_s).isEmpty());
        QCOMPARE(
            QJsonDocument::fromJson(velkora::formats::reportJson(report))[u"error"_s].toString(),
            error);
        const LineIndex index =
            velkora::formats::buildLineIndex(CompiledFormat(smallFormat(false)), path, {});
        QVERIFY(!index.ran());
        QCOMPARE(index.error(), error);
    }

    // The line source read in blocks of any size, forwards and backwards, gives the lines (or
    // REGISTRO records) that one reading of the whole file gives: each line once, whole, in the
    // block where it starts. Also the first NUL byte, wherever the blocks fall.
    void sourceSplitsAlikeAtAnyBlockSize_data()
    {
        // lines: as read: the bytes, then "/" and the length
        const auto add = dataColumns<QByteArray, int, QStringList>({"data", "record", "lines"});
        add("empty", {}, 0, {});
        add("one line break", QByteArray("\n"), 0, {u"/0"_s});
        add("no last line break", QByteArray("ab\r\ncd\n\nefg"), 0,
            {u"ab/3"_s, u"cd/2"_s, u"/0"_s, u"efg/3"_s});
        add("byte-order mark, CR at the end, Ctrl-Z", QByteArray("\xEF\xBB\xBFxy\r\n\r\nz\r\x1A"),
            0, {u"xy/3"_s, u"/1"_s, u"z/2"_s});
        add("a NUL and a lone CR", QByteArray("a\rb\nc\0d\n", 8), 0, {u"a\rb/3"_s, u"c\0d/3"_s});
        add("records, breaks and none", QByteArray("abcd\r\nefghijkl\nmn"), 4,
            {u"abcd/4"_s, u"efgh/4"_s, u"ijkl/4"_s, u"mn/2"_s});
        add("records, a CR kept", QByteArray("ab\rcd\r\n"), 3, {u"ab\r/3"_s, u"cd\r/3"_s});
    }

    void sourceSplitsAlikeAtAnyBlockSize()
    {
        auto [data, record, lines] =
            fetchColumns<QByteArray, int, QStringList>({"data", "record", "lines"});
        const QString path = write(dir, u"source.txt"_s, data);
        const qint64 nul = data.indexOf('\0');
        for (const bool reverse : {false, true}) {
            if (reverse && record > 0)
                continue; // records are read from the first
            for (const qint64 block : {1, 2, 3, 5, 64}) {
                velkora::formats::LineSource source;
                QString error;
                QVERIFY2(source.open(path, &error), qPrintable(error));
                source.watchNul();
                QStringList read;
                const auto take = [&](const velkora::formats::SourceLine &line) {
                    read << QString::fromLatin1(line.bytes, line.size) + u'/' +
                                QString::number(line.length);
                    return true;
                };
                const qint64 start = source.dataStart(), end = source.dataEnd();
                if (record > 0) {
                    for (qint64 at = start; at < end;)
                        QVERIFY(source.records(at, std::min(end, at + block), record, take, &at,
                                               &error));
                } else if (!reverse) {
                    for (qint64 at = start; at < end; at += block)
                        QVERIFY(source.lines(at, std::min(end, at + block), false, take, &error));
                } else {
                    for (qint64 to = end; to > start; to -= block)
                        QVERIFY(source.lines(std::max(start, to - block), to, true, take, &error));
                    std::reverse(read.begin(), read.end());
                }
                const QByteArray what =
                    "block " + QByteArray::number(block) + (reverse ? ", reverse" : "");
                QVERIFY2(read == lines, what + ": " + read.join(u'|').toUtf8());
                QVERIFY2(source.firstNul() == nul, what);
            }
        }
    }
};

[[maybe_unused]] static const bool added = kesta::test::addTestClass<tst_LineIndex>();

#include "LineIndexTests.moc"
