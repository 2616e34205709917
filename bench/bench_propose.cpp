// The proposal of a load format from large multi-record files, as a whole process:
//   velkora propose FILE --json     the line IDs chosen on the first 20,000 lines, every line
//                                   typed, 50,000 lines per line type sampled for the fields,
//                                   and the proposal tested on the whole file
// beside wc -l (reading the file and splitting its lines), on two files written once per size
// and reused: the throughput benchmark's bank statement (80-character records coded at
// columns 1-2, now and then a movement with a date that does not exist) and a remittance
// return (240-character records coded at column 8, its detail records told apart by a segment
// letter at column 14, now and then a "-" in an amount). Prints the median wall time, MB/s
// and the peak memory of each, checks the line types proposed, and measures the goal: at most
// 2 seconds per 100 MB.
//
//   bench_propose [--size-mb N] [--runs N] [--dir DIR]

#include "BenchSupport.h"
#include "RemittanceFile.h"
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

namespace {

constexpr double GoalSecondsPer100Mb = 2.0;

struct Sample {
    QString name;
    QString file;
    QStringList ids; // the line types expected, "ID@position+length"
    double mb = 0;
};

struct Timing {
    std::vector<double> seconds;
    std::vector<double> peaks;
    int exitCode = 0;
};

bool measure(const QStringList &command, const QString &out, int runs, Timing *timing)
{
    for (int run = 0; run < runs; ++run) {
        const ProcessRun r = runProcess(command, out, {QStringLiteral("LC_ALL=C.UTF-8")});
        if (!r.started) {
            std::fprintf(stderr, "%s could not be started\n", qPrintable(command.first()));
            return false;
        }
        timing->seconds.push_back(r.seconds);
        timing->peaks.push_back(r.peakMb);
        timing->exitCode = r.exitCode;
    }
    return true;
}

QStringList proposedIds(const QString &json, int *fields, qint64 *unread)
{
    QFile file(json);
    const QJsonObject proposal = file.open(QIODevice::ReadOnly)
                                     ? QJsonDocument::fromJson(file.readAll()).object()
                                     : QJsonObject();
    QStringList ids;
    *fields = 0;
    for (const QJsonValue &type : proposal[QStringLiteral("line_types")].toArray()) {
        ids << QStringLiteral("%1@%2+%3")
                   .arg(type[QStringLiteral("id")].toString())
                   .arg(type[QStringLiteral("position")].toInt())
                   .arg(type[QStringLiteral("length")].toInt());
        *fields += int(type[QStringLiteral("fields")].toArray().size());
    }
    *unread = proposal[QStringLiteral("unread")][QStringLiteral("count")].toInteger();
    return ids;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("size-mb"), QStringLiteral("Size of each generated file."),
         QStringLiteral("MB"), QStringLiteral("100")},
        {QStringLiteral("runs"), QStringLiteral("Runs of each program (median)."),
         QStringLiteral("N"), QStringLiteral("3")},
        {QStringLiteral("dir"), QStringLiteral("Folder of the generated files."),
         QStringLiteral("DIR"), QStringLiteral("/tmp/kesta-bench")},
    });
    parser.addHelpOption();
    parser.process(app);
    const qint64 megabytes = std::max<qint64>(1, parser.value(QStringLiteral("size-mb")).toLongLong());
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    const QDir dir(parser.value(QStringLiteral("dir")));
    QDir().mkpath(dir.path());

    // The statement is bench_throughput's of that size (the same size, the same bytes).
    std::vector<Sample> samples{
        {QStringLiteral("bank statement"),
         dir.filePath(QStringLiteral("statement-%1MB.txt").arg(megabytes)),
         {QStringLiteral("11@1+2"), QStringLiteral("22@1+2"), QStringLiteral("23@1+2"),
          QStringLiteral("33@1+2"), QStringLiteral("88@1+2")}},
        {QStringLiteral("remittance return"),
         dir.filePath(QStringLiteral("remittance-%1MB.txt").arg(megabytes)),
         {QStringLiteral("0@8+1"), QStringLiteral("1@8+1"), QStringLiteral("T@14+1"),
          QStringLiteral("U@14+1"), QStringLiteral("5@8+1"), QStringLiteral("9@8+1")}},
    };
    if (!ensureStatementFile(samples[0].file, megabytes) ||
        !ensureRemittanceFile(samples[1].file, megabytes))
        return 2;
    std::printf("%s\n", qPrintable(machineLoad()));

    const QString velkora = QCoreApplication::applicationDirPath() + QStringLiteral("/velkora");
    const QString json = dir.filePath(QStringLiteral("proposal.json"));
    std::printf("\n%-20s %-24s %5s %10s %9s %12s %5s\n", "file", "program", "runs", "median s",
                "MB/s", "peak RSS MB", "exit");
    bool allFound = true, goalMet = true;
    QStringList lines;
    for (Sample &sample : samples) {
        sample.mb = double(QFileInfo(sample.file).size()) / (1 << 20);
        runProcess({QStringLiteral("cat"), sample.file}); // into the page cache first
        Timing wc, propose;
        if (!measure({QStringLiteral("wc"), QStringLiteral("-l"), sample.file}, {}, runs, &wc) ||
            !measure({velkora, QStringLiteral("propose"), sample.file, QStringLiteral("--json")},
                     json, runs, &propose))
            return 2;
        for (const auto &[name, t] :
             {std::pair{"wc -l", &wc}, std::pair{"velkora propose --json", &propose}}) {
            const double s = median(t->seconds);
            std::printf("%-20s %-24s %5d %10.3f %9.1f %12.1f %5d\n", qPrintable(sample.name), name,
                        runs, s, sample.mb / s, *std::max_element(t->peaks.begin(), t->peaks.end()),
                        t->exitCode);
        }
        int fields = 0;
        qint64 unread = 0;
        const QStringList ids = proposedIds(json, &fields, &unread);
        const bool found = ids == sample.ids && propose.exitCode == 0;
        const double perHundred = median(propose.seconds) * 100.0 / sample.mb;
        allFound = allFound && found;
        goalMet = goalMet && perHundred <= GoalSecondsPer100Mb;
        lines << QStringLiteral("%1: %2; %3 fields; %4 lines that a field does not read; "
                                "%5 s per 100 MB%6")
                     .arg(sample.name, ids.join(QLatin1Char(' ')))
                     .arg(fields)
                     .arg(unread)
                     .arg(perHundred, 0, 'f', 2)
                     .arg(found ? QString()
                                : QStringLiteral(" (expected ") +
                                      sample.ids.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    std::printf("\n");
    for (const QString &line : std::as_const(lines))
        std::printf("proposal of the %s\n", qPrintable(line));
    std::printf("goal: a 100 MB file proposed in at most %.0f s, in bounded memory: %s\n",
                GoalSecondsPer100Mb, goalMet ? "met" : "NOT MET");
    if (!allFound)
        std::fprintf(stderr, "a proposal did not find the line types expected\n");
    return allFound && goalMet ? 0 : 1;
}
