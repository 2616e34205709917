// The test reads a regular file through a mapping (that it gives the result of read() is proven
// with the chunks and threads of the load-format test): a file that another program shortens,
// lengthens or writes while it is read gives an error, never a crash and never a result.

#include "FormatSamples.h"
#include "formats/FileMapping.h"
#include "formats/LineSource.h"
#include "support/TestClasses.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace formats_test;
using velkora::formats::LineSource;

namespace {

// The bank statement's lines `copies` times, each ended with `end`.
QByteArray statement(int copies, const QByteArray &end = "\n")
{
    QByteArray bytes;
    const QStringList lines = statementLines();
    for (int i = 0; i < copies; ++i)
        for (const QString &line : lines)
            bytes += line.toUtf8() + end;
    return bytes;
}

enum class Change { Shorten, Empty, Lengthen, Rewrite };

} // namespace

Q_DECLARE_METATYPE(Change)

namespace {

class TestMappedReading : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    // A file of `bytes` last changed long ago, so that any change now moves its time.
    QString write(const QByteArray &bytes)
    {
        const QString path = dir.filePath(u"mapped.txt"_s);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size() ||
            !file.setFileTime(QDateTime::fromSecsSinceEpoch(1577934240),
                              QFileDevice::FileModificationTime))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    // Another program changes the file after the test mapped a chunk and before it reads it
    // (or, read with read(), between two chunks).
    void fileChangedWhileReadIsAnError_data()
    {
        const auto add =
            dataColumns<Change, bool, bool, bool>({"change", "mapFile", "reverse", "records"});
        add("shortened, mapped", Change::Shorten, true, false, false);
        add("shortened, mapped, reverse", Change::Shorten, true, true, false);
        add("shortened, mapped, REGISTRO", Change::Shorten, true, false, true);
        add("emptied, mapped", Change::Empty, true, false, false);
        add("lengthened, mapped", Change::Lengthen, true, false, false);
        add("rewritten in place, mapped", Change::Rewrite, true, false, false);
        add("shortened, read", Change::Shorten, false, false, false);
        add("lengthened, read", Change::Lengthen, false, true, false);
        add("rewritten in place, read", Change::Rewrite, false, false, false);
    }
    void fileChangedWhileReadIsAnError()
    {
        auto [change, mapFile, reverse, records] =
            fetchColumns<Change, bool, bool, bool>({"change", "mapFile", "reverse", "records"});
        const QByteArray bytes = statement(2000, records ? "" : "\n");
        const QString path = write(bytes);
        LoadFormat format = bankStatement();
        format.reverse = reverse;
        if (records)
            format.rules << velkora::formats::RuleDef{u"0001"_s, {}, {}, u"REGISTRO 80"_s, {}};

        std::atomic<int> chunks{0};
        auto changeFile = [&] {
            if (chunks++ != 1)
                return; // after the first chunk, while the second is at hand
            QFile file(path);
            bool done = false;
            switch (change) {
            case Change::Shorten:
                done = file.resize(bytes.size() / 3);
                break;
            case Change::Empty:
                done = file.resize(0);
                break;
            case Change::Lengthen:
                done = file.open(QIODevice::Append) && file.write(statement(1)) > 0;
                break;
            case Change::Rewrite:
                done = file.open(QIODevice::ReadWrite) && file.seek(bytes.size() - 200) &&
                       file.write("99") == 2;
                break;
            }
            if (!done)
                qFatal("cannot change %s", qPrintable(path));
        };
        TestOptions options;
        options.chunkBytes = 64 << 10;
        options.threads = 1;
        options.mapFile = mapFile;
        if (mapFile)
            options.afterMapping = changeFile;
        else // read() has nothing mapped: the file changes between two chunks
            options.progress = [&](qint64, qint64) { changeFile(); };
        const TestReport report = velkora::formats::testLoadFormat(format, path, options);
        QVERIFY(chunks >= 2);
        QVERIFY(!report.ran);
        QCOMPARE(report.exitCode(), 2);
        QCOMPARE(report.error,
                 u"El archivo '%1' no se pudo leer: %2"_s.arg(path, LineSource::changedText()));
    }

    // The guard itself: a page past the file's new end reads as zeros and is noted, no crash.
    void pagePastShortenedEndReadsAsZeros()
    {
        const QByteArray bytes(256 << 10, 'a');
        const QString path = write(bytes);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        velkora::formats::FileMapping mapping;
        QVERIFY(mapping.map(file.handle(), 100, bytes.size(), 0));
        QCOMPARE(*mapping.at(bytes.size() - 1), 'a');
        QVERIFY(!mapping.changed());
        QVERIFY(QFile::resize(path, 4096));
        QCOMPARE(*mapping.at(4095), 'a');
        QCOMPARE(*mapping.at(bytes.size() - 1), '\0');
        QCOMPARE(*mapping.at(8192), '\0');
        QVERIFY(mapping.changed());
    }

    // A bus error outside the test's mappings goes to the handler that was there before, or
    // ends the process: the guard hides no other fault.
    void otherBusErrorsAreNotHidden_data()
    {
        const auto add = dataColumns<bool>({"handlerBefore"});
        add("default action", false);
        add("a handler before the guard", true);
    }
    void otherBusErrorsAreNotHidden()
    {
        QFETCH(bool, handlerBefore);
        const QString path = write(QByteArray(64 << 10, 'b'));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        void *other = mmap(nullptr, 64 << 10, PROT_READ, MAP_SHARED, file.handle(), 0);
        QVERIFY(other != MAP_FAILED);
        QVERIFY(QFile::resize(path, 4096));
        const pid_t child = fork();
        if (child == 0) {
            // The child's own handler (none of the test framework's), then the guard over it;
            // no core file.
            const struct rlimit noCore {};
            setrlimit(RLIMIT_CORE, &noCore);
            struct sigaction before {};
            if (handlerBefore) {
                before.sa_flags = SA_SIGINFO;
                before.sa_sigaction = [](int, siginfo_t *, void *) { _exit(42); };
            } else {
                before.sa_handler = SIG_DFL;
            }
            sigemptyset(&before.sa_mask);
            sigaction(SIGBUS, &before, nullptr);
            velkora::formats::FileMapping guarded;
            if (!guarded.map(file.handle(), 0, 4096, 4096))
                _exit(5);
            const volatile char byte = static_cast<const char *>(other)[8192];
            _exit(byte == 'b' ? 3 : 4); // survived the fault
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        munmap(other, 64 << 10);
        if (handlerBefore) {
            QVERIFY(WIFEXITED(status));
            QCOMPARE(WEXITSTATUS(status), 42);
        } else {
            QVERIFY2(WIFSIGNALED(status), qPrintable(u"exit %1"_s.arg(WEXITSTATUS(status))));
            QCOMPARE(WTERMSIG(status), SIGBUS);
        }
    }
};

} // namespace

[[maybe_unused]] static const bool added = kesta::test::addTestClass<TestMappedReading>();

#include "MappedReadingTests.moc"
