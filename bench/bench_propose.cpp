// The proposal of a load format from a large multi-record file, as a whole process:
//   velkora propose FILE --json     the place of the line IDs chosen on the first 20,000 lines,
//                                   every line typed, 50,000 lines per line type sampled for the
//                                   fields, and the proposal tested on the whole file
// beside wc -l (reading the file and splitting its lines). The file is the throughput
// benchmark's bank statement (80-character records coded at columns 1-2, five record codes,
// accented holders in UTF-8, now and then a movement with a date that does not exist), written
// once per size and reused. Prints the median wall time, MB/s and the peak memory, and checks
// that the proposal found the record codes at columns 1-2.
//
//   bench_propose [--size-mb N] [--runs N] [--dir DIR]

#include "BenchSupport.h"
#include "StatementFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

using namespace kesta::bench;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("size-mb"), QStringLiteral("Size of the generated file."),
         QStringLiteral("MB"), QStringLiteral("100")},
        {QStringLiteral("runs"), QStringLiteral("Runs of each program (median)."),
         QStringLiteral("N"), QStringLiteral("3")},
        {QStringLiteral("dir"), QStringLiteral("Folder of the generated file."),
         QStringLiteral("DIR"), QStringLiteral("/tmp/kesta-bench")},
    });
    parser.addHelpOption();
    parser.process(app);
    const qint64 megabytes = std::max<qint64>(1, parser.value(QStringLiteral("size-mb")).toLongLong());
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    const QDir dir(parser.value(QStringLiteral("dir")));
    QDir().mkpath(dir.path());

    // The same file as bench_throughput's of that size (the same size, the same bytes).
    const QString file = dir.filePath(QStringLiteral("statement-%1MB.txt").arg(megabytes));
    if (!ensureStatementFile(file, megabytes))
        return 2;
    const double mb = double(QFileInfo(file).size()) / (1 << 20);
    runProcess({QStringLiteral("cat"), file}); // into the page cache first
    std::printf("file %s: %.0f MB, %s\n", qPrintable(file), mb, qPrintable(machineLoad()));

    const QString velkora = QCoreApplication::applicationDirPath() + QStringLiteral("/velkora");
    const QString json = dir.filePath(QStringLiteral("proposal.json"));
    struct Program {
        QString name;
        QStringList command;
        QString out;
        std::vector<double> seconds;
        std::vector<double> peaks;
        int exitCode = 0;
    };
    std::vector<Program> programs{
        {QStringLiteral("wc -l"), {QStringLiteral("wc"), QStringLiteral("-l"), file}, {}, {}, {}, 0},
        {QStringLiteral("velkora propose --json"),
         {velkora, QStringLiteral("propose"), file, QStringLiteral("--json")},
         json,
         {},
         {},
         0},
    };
    for (int run = 0; run < runs; ++run) {
        for (Program &p : programs) {
            const ProcessRun r =
                runProcess(p.command, p.out, {QStringLiteral("LC_ALL=C.UTF-8")});
            if (!r.started) {
                std::fprintf(stderr, "%s could not be started\n", qPrintable(p.name));
                return 2;
            }
            p.seconds.push_back(r.seconds);
            p.peaks.push_back(r.peakMb);
            p.exitCode = r.exitCode;
        }
    }

    std::printf("\n%-24s %5s %10s %9s %12s %5s\n", "program", "runs", "median s", "MB/s",
                "peak RSS MB", "exit");
    for (const Program &p : programs) {
        const double s = median(p.seconds);
        std::printf("%-24s %5d %10.3f %9.1f %12.1f %5d\n", qPrintable(p.name), runs, s, mb / s,
                    *std::max_element(p.peaks.begin(), p.peaks.end()), p.exitCode);
    }

    QFile out(json);
    const QJsonObject proposal = out.open(QIODevice::ReadOnly)
                                     ? QJsonDocument::fromJson(out.readAll()).object()
                                     : QJsonObject();
    const QJsonObject place = proposal[QStringLiteral("line_type")].toObject();
    QStringList ids;
    int fields = 0;
    for (const QJsonValue &type : proposal[QStringLiteral("line_types")].toArray()) {
        ids << type[QStringLiteral("id")].toString();
        fields += int(type[QStringLiteral("fields")].toArray().size());
    }
    std::printf("\nproposal: %lld lines, %lld sampled, line IDs at %d length %d: %s; %d fields; "
                "%lld lines without a line type\n",
                proposal[QStringLiteral("lines")].toInteger(),
                proposal[QStringLiteral("lines_sampled")].toInteger(),
                place[QStringLiteral("position")].toInt(), place[QStringLiteral("length")].toInt(),
                qPrintable(ids.join(QLatin1Char(' '))), fields,
                proposal[QStringLiteral("unmatched")][QStringLiteral("count")].toInteger());
    std::printf("goal: a 100 MB file proposed in a few seconds, in bounded memory\n");
    const bool found = place[QStringLiteral("position")].toInt() == 1 &&
                       place[QStringLiteral("length")].toInt() == 2 &&
                       ids == QStringList{QStringLiteral("11"), QStringLiteral("22"),
                                          QStringLiteral("23"), QStringLiteral("33"),
                                          QStringLiteral("88")};
    if (!found)
        std::fprintf(stderr, "the proposal did not find the record codes at columns 1-2\n");
    return found && programs.back().exitCode == 0 ? 0 : 1;
}
