// A test of a big file off the window's thread: a 100 MB generated file shows a moving progress
// bar while the windows keep being served, Cancel stops it soon and keeps consistent counts of
// what was read (forwards and in reverse), a whole run agrees with the plain test (its field
// errors and broken rules on the same lines, records without line breaks read alike), and a
// quick test shows no window at all.

#include "ViewSamples.h"
#include "views/TestJob.h"
#include "views/TestProgressDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace velkora::views;
using velkora::formats::LoadFormat;
using velkora::formats::TestReport;

namespace {

// The report's lines are every line type's, plus those with none or more than one.
qint64 summed(const TestReport &report)
{
    qint64 lines = report.result.unmatched.count + report.result.ambiguous.count;
    for (const auto &type : report.result.types)
        lines += type.lines;
    return lines;
}

qint64 summed(const velkora::formats::LineIndex &index)
{
    qint64 lines = 0;
    for (int group = 0; group < index.groupCount(); ++group)
        lines += qint64(index.rows(group).size());
    return lines;
}

} // namespace

class tst_TestJob : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString big;

private slots:
    void initTestCase();
    void cancelKeepsWhatWasRead_data();
    void cancelKeepsWhatWasRead();
    void wholeRunAgreesWithTheTest_data();
    void wholeRunAgreesWithTheTest();
    void brokenRulesOfWhatWasRead();
    void progressWindowMovesAndCancels();
    void quickTestShowsNoWindow();
};

void tst_TestJob::initTestCase()
{
    // About 100 MB of payroll lines: details, an error every 97 lines, a line of no type every
    // 1,009.
    big = dir.filePath(u"grande.txt"_s);
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray block;
    qint64 line = 0;
    while (file.size() + block.size() < 100 << 20) {
        ++line;
        QByteArray amount = QByteArray::number(line % 1000000000).rightJustified(9, '0');
        if (line % 97 == 0)
            amount[2] = 'X';
        block += line % 1009 == 0
                     ? QByteArray("Z sin tipo\n")
                     : "D" + QByteArray::number(line % 1000000).rightJustified(6, '0') + amount +
                           "NOMBRE      CL01\n";
        if (block.size() > (1 << 20)) {
            QCOMPARE(file.write(block), block.size());
            block.clear();
        }
    }
    QCOMPARE(file.write(block), block.size());
}

void tst_TestJob::cancelKeepsWhatWasRead_data()
{
    QTest::addColumn<bool>("reverse");
    QTest::newRow("forwards") << false;
    QTest::newRow("reverse") << true;
}

void tst_TestJob::cancelKeepsWhatWasRead()
{
    QFETCH(bool, reverse);
    auto format = views_test::payroll();
    format.reverse = reverse;
    TestJob job(format, big);
    job.start();
    QElapsedTimer clock;
    clock.start();
    while (job.progress().done == 0 && !job.finished() && clock.elapsed() < 60000)
        QThread::msleep(2);
    QVERIFY(!job.finished());
    clock.restart();
    job.cancel();
    QVERIFY(job.wait(20000));
    const qint64 stopping = clock.elapsed();
    QVERIFY2(stopping < 5000, qPrintable(QString::number(stopping)));
    const TestOutcome outcome = job.take();

    const TestReport &report = outcome.report;
    QVERIFY(report.ran && report.cancelled);
    QVERIFY(report.result.bytes > 0 && report.result.bytes < report.fileBytes);
    QVERIFY(report.result.lines > 0);
    QCOMPARE(summed(report), report.result.lines);
    QVERIFY(
        velkora::formats::reportText(report, u"|"_s).contains(u"Prueba cancelada|se leyeron "_s));
    // The lines read are the first ones read: numbered from the end of the file in reverse.
    QCOMPARE(report.result.details.front().line, 1);

    QVERIFY(outcome.file);
    const auto &index = outcome.file->index;
    QVERIFY(index.partial());
    QCOMPARE(outcome.file->testedLines, report.result.lines);
    QVERIFY(index.lineCount() <= report.result.lines);
    QCOMPARE(summed(index), index.lineCount());
    QCOMPARE(index.lineNumber(0), 1);
    if (index.lineCount() == report.result.lines) {
        for (int t = 0; t < format.lineTypes.size(); ++t)
            QCOMPARE(qint64(index.rows(t).size()), report.result.types[size_t(t)].lines);
        QCOMPARE(index.fieldErrorCount(), report.result.errorCount);
    }
}

void tst_TestJob::wholeRunAgreesWithTheTest_data()
{
    QTest::addColumn<LoadFormat>("format");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<qint64>("lines");
    QTest::addColumn<qint64>("ruleErrors");
    QTest::newRow("fields in error")
        << views_test::payroll() << views_test::payrollFile() << qint64(7) << qint64(0);
    QTest::newRow("broken rules") << views_test::ledger() << views_test::ledgerFile() << qint64(6)
                                  << qint64(3);
    LoadFormat reverse = views_test::ledger();
    reverse.reverse = true;
    // Read from the last line: PRIMERA and ULTIMA broken, the folios going down (3), the count
    // and the total of the one detail read before the trailer.
    QTest::newRow("broken rules, reverse")
        << reverse << views_test::ledgerFile() << qint64(6) << qint64(7);
    // Records of 15 characters without line breaks, the last one short; read from the first
    // also for a reverse reading, and numbered so.
    QByteArray records;
    for (const QByteArray &line : views_test::ledgerFile().split('\n'))
        if (!line.isEmpty())
            records += line.leftJustified(15, ' ');
    records.chop(3);
    LoadFormat fixed = views_test::ledger();
    fixed.rules << velkora::formats::RuleDef{u"0006"_s, {}, {}, u"REGISTRO 15"_s, {}};
    QTest::newRow("REGISTRO") << fixed << records << qint64(6) << qint64(4);
    fixed.reverse = true;
    QTest::newRow("REGISTRO, reverse") << fixed << records << qint64(6) << qint64(4);
}

void tst_TestJob::wholeRunAgreesWithTheTest()
{
    QFETCH(LoadFormat, format);
    QFETCH(QByteArray, data);
    QFETCH(qint64, lines);
    QFETCH(qint64, ruleErrors);
    const QString path = views_test::writeFile(dir, u"archivo.txt"_s, data);
    TestJob job(format, path);
    job.start();
    const TestOutcome outcome = job.take();
    const TestReport plain = velkora::formats::testLoadFormat(format, path);
    QVERIFY(outcome.report.ran && !outcome.report.cancelled);
    QCOMPARE(velkora::formats::reportText(outcome.report, u"|"_s),
             velkora::formats::reportText(plain, u"|"_s));
    QVERIFY(outcome.file && !outcome.file->index.partial());
    const velkora::formats::LineIndex &index = outcome.file->index;
    QCOMPARE(index.lineCount(), lines);
    QCOMPARE(job.progress().done, job.progress().total);
    // The index's errors are the test's: as many, on the same lines.
    QCOMPARE(index.ruleErrorCount(), ruleErrors);
    QCOMPARE(index.errorCount(), plain.result.errorCount);
    for (int t = 0; t < format.lineTypes.size(); ++t)
        QCOMPARE(qint64(index.rows(t).size()), plain.result.types[size_t(t)].lines);
    QSet<qint64> inError;
    for (int group = 0; group < index.groupCount(); ++group) {
        const std::vector<qint64> &rows = index.rows(group);
        if (group == index.otherGroup())
            for (const qint64 line : rows)
                inError << index.lineNumber(line);
        for (const qint64 row : index.errorRows(group))
            inError << index.lineNumber(rows[size_t(row)]);
    }
    for (const velkora::formats::ReportedError &error : outcome.report.errors)
        QVERIFY2(inError.contains(error.line),
                 qPrintable(u"%1: %2"_s.arg(error.line).arg(error.message)));

    TestJob missing(views_test::payroll(), dir.filePath(u"no-existe.txt"_s));
    missing.start();
    const TestOutcome none = missing.take();
    QVERIFY(!none.report.ran && !none.file);
    QVERIFY(none.report.error.contains(u"no existe"_s));
}

void tst_TestJob::brokenRulesOfWhatWasRead()
{
    // An index cut to what a cancelled test read keeps the broken rules of those lines only,
    // and none of what only the end of the file tells (ULTIMA).
    const QString path = views_test::writeFile(dir, u"libro.txt"_s, views_test::ledgerFile());
    const velkora::formats::CompiledFormat compiled(views_test::ledger());
    velkora::formats::LineIndex index = velkora::formats::buildLineIndex(compiled, path);
    QCOMPARE(index.ruleErrorCount(), 3);
    using Rows = std::vector<qint64>;
    QCOMPARE(index.errorRows(1), (Rows{2, 3}));
    QCOMPARE(index.errorRows(2), (Rows{0}));
    int count = 0;
    QCOMPARE(index.ruleErrors(5, &count).size(), size_t(1));
    QCOMPARE(count, 1);

    index.truncate(5); // the trailer read, not the detail after it
    QCOMPARE(index.ruleErrorCount(), 2);
    QCOMPARE(index.errorCount(), 2);
    QCOMPARE(index.errorRows(1), (Rows{2}));
    QCOMPARE(index.errorRows(2), (Rows{0}));
    index.truncate(4);
    QCOMPARE(index.ruleErrorCount(), 1);
    QCOMPARE(index.errorRows(2), Rows());
    QCOMPARE(index.ruleErrors(4).size(), size_t(0));
    const std::vector<velkora::formats::FieldError> kept = index.ruleErrors(3, &count);
    QCOMPARE(count, 1);
    QVERIFY(kept.size() == 1 && kept.front().rule == 1 && kept.front().field == 1);
}

void tst_TestJob::progressWindowMovesAndCancels()
{
    QWidget screen;
    screen.resize(300, 200);
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(20);

    // The file read as from a slow share that hands over one block to the index and one chunk
    // to the test each time the watcher below looks at the window, so that however fast the
    // machine reads, and however late the window's thread is served, the window is seen moving
    // and is cancelled long before the end: 400 blocks and 400 chunks.
    QSemaphore indexBlocks, testChunks;
    RunOptions options;
    options.quietMilliseconds = 0;
    options.job.indexBlockBytes = 256 << 10;
    options.job.chunkBytes = 256 << 10;
    options.job.afterIndexBlock = [&] { indexBlocks.acquire(); };
    options.job.afterTestChunk = [&] { testChunks.acquire(); };
    const auto letGo = [&] {
        indexBlocks.release(1 << 20);
        testChunks.release(1 << 20);
    };
    const auto done = qScopeGuard(letGo);

    QList<int> seen;
    QString progressText;
    bool cancelled = false;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&] {
        if (cancelled)
            return;
        if (auto *dialog = qobject_cast<TestProgressDialog *>(QApplication::activeModalWidget())) {
            seen << dialog->findChild<QProgressBar *>(u"barProgreso"_s)->value();
            progressText = dialog->findChild<QLabel *>(u"lblAvance"_s)->text();
            // Cancelled once the bar has moved (two places past 0) and the application's
            // timers have run meanwhile.
            const QSet<int> places(seen.begin(), seen.end());
            if (places.size() >= 3 && progressText.contains(u"líneas/s"_s) && ticks >= 3) {
                cancelled = true;
                QTest::mouseClick(dialog->findChild<QPushButton *>(u"cmdCancelar"_s),
                                  Qt::LeftButton);
                letGo();
                return;
            }
        }
        indexBlocks.release();
        testChunks.release();
    });
    watcher.start(10);

    const TestOutcome outcome = runLoadFormatTest(views_test::payroll(), big, &screen, options);
    QVERIFY(cancelled);
    // Stopped where it was: both readings cut short, before the end of the file.
    QVERIFY(outcome.report.cancelled);
    QVERIFY(outcome.report.result.bytes < outcome.report.fileBytes);
    QVERIFY(outcome.file && outcome.file->index.partial());
    QVERIFY(outcome.file->index.lineCount() <= outcome.report.result.lines);
    QVERIFY2(progressText.contains(u" MB · "_s), qPrintable(progressText));
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_TestJob::quickTestShowsNoWindow()
{
    const QString path = views_test::writeFile(dir, u"rapido.txt"_s, views_test::payrollFile());
    bool eventLoopRan = false;
    QTimer::singleShot(0, this, [&] { eventLoopRan = true; });
    const TestOutcome outcome = runLoadFormatTest(views_test::payroll(), path, nullptr);
    QVERIFY(outcome.report.ran && outcome.file);
    QVERIFY(!eventLoopRan); // as a plain call: nothing else ran meanwhile
    QTRY_VERIFY(eventLoopRan);
}

QTEST_MAIN(tst_TestJob)
#include "tst_testjob.moc"
