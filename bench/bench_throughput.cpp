// Throughput of the load-format test against what reading the file costs. On generated files of
// three shapes (a bank statement of 80-character records with five record codes; a payment file
// of 94-character records with six record types; a return file of 400-character records with
// three record types, 33 fields to a detail), in the same run, each as a whole process from
// start to exit:
//   wc -l                                 the limit: reading the file and splitting its lines
//   velkora test KEY FILE --json          every line typed, every field converted and checked,
//                                         the summary and the error list built
//   gawk, a substr dispatch               each record code's fields cut out and converted
//   pandas.read_fwf, the movement layout  read in chunks of 200,000 lines
// (gawk and pandas on the bank statement only). Prints the median wall time of each, MB/s, the
// ratio to wc -l, the median CPU time (user + system: on a shared machine the fairer figure)
// and the peak memory.
//
//   bench_throughput [--size-mb N | --gigabyte] [--runs N] [--slow-runs N] [--dir DIR]
//                    [--shape statement|payment|return|all] [--no-gawk] [--no-pandas]
//                    [--keep-database]
// The files are written once into DIR (default /tmp/kesta-bench) and reused by later runs.

#include "BenchSupport.h"
#include "ShapeFiles.h"
#include "StatementFile.h"

#include "formats/FormatSamples.h"
#include "load/LoadFixture.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

using namespace kesta::bench;
using namespace kesta::test;

namespace {

// A format stored under `key`, as the screen would store it.
void storeFormat(const TestDatabase &db, const QString &key,
                 const velkora::formats::LoadFormat &format, const QString &fileName)
{
    QSqlDatabase conn = QSqlDatabase::database(db.connectionName(), false);
    conn.transaction();
    for (const velkora::formats::LineType &type : format.lineTypes) {
        LineRow line;
        line.key = key;
        line.description = format.description;
        line.file = fileName;
        line.inverso = QStringLiteral("NO");
        line.id = type.order;
        line.lineId = type.lineId;
        line.lineDescription = type.description;
        line.position = type.position;
        line.length = type.length;
        insertLine(db, line);
        for (const velkora::formats::FieldDef &f : type.fields) {
            FieldRow field;
            field.key = key;
            field.lineId = type.order;
            field.id = f.id;
            field.description = f.description;
            field.position = f.position;
            field.length = f.length;
            field.trim = f.trim ? QStringLiteral("SI") : QStringLiteral("NO");
            field.valor = f.value;
            field.formato = f.format;
            field.tipo = f.typeCode;
            insertField(db, field);
        }
    }
    conn.commit();
}

const char *const GawkScript = R"(# Each record code's fields cut out by column and converted.
{
    code = substr($0, 1, 2)
    if (code == "22") {
        movements++
        date = substr($0, 11, 6); value = substr($0, 17, 6)
        month = substr(date, 3, 2) + 0
        if (month < 1 || month > 12) bad++
        common = substr($0, 23, 2); own = substr($0, 25, 3)
        amount = substr($0, 29, 14) / 100
        document = substr($0, 43, 10) + 0
        ref1 = substr($0, 53, 12); ref2 = substr($0, 65, 16)
        if (substr($0, 28, 1) == "1") debit += amount; else credit += amount
    } else if (code == "23") {
        concepts++
        number = substr($0, 3, 2) + 0; c1 = substr($0, 5, 38); c2 = substr($0, 43, 38)
    } else if (code == "11") {
        accounts++
        bank = substr($0, 3, 4); office = substr($0, 7, 4); account = substr($0, 11, 10)
        from = substr($0, 21, 6); to = substr($0, 27, 6)
        opening = substr($0, 34, 14) / 100; holder = substr($0, 52, 26)
    } else if (code == "33") {
        ends++
        nd = substr($0, 21, 5) + 0; td = substr($0, 26, 14) / 100
        nc = substr($0, 40, 5) + 0; tc = substr($0, 45, 14) / 100
        closing = substr($0, 60, 14) / 100
    } else if (code == "88") {
        records = substr($0, 21, 6) + 0
    } else {
        unmatched++
    }
}
END { printf "%d %d %d %d %d %.2f %.2f\n", NR, accounts, movements, concepts, bad, debit, credit }
)";

const char *const PandasScript = R"(import sys
import pandas as pd

# The movement record's layout (columns from 0, end excluded).
colspecs = [(0, 2), (6, 10), (10, 16), (16, 22), (22, 24), (24, 27), (27, 28), (28, 42),
            (42, 52), (52, 64), (64, 80)]
names = ["code", "office", "date", "value_date", "common", "own", "side", "amount",
         "document", "ref1", "ref2"]
rows = 0
total = 0
for chunk in pd.read_fwf(sys.argv[1], colspecs=colspecs, names=names, header=None, dtype=str,
                         keep_default_na=False, chunksize=200000):
    movements = chunk[chunk["code"] == "22"]
    rows += len(movements)
    total += pd.to_numeric(movements["amount"]).sum()
print(rows, total / 100)
)";

struct Shape {
    QString name;
    QString key;
    velkora::formats::LoadFormat format;
    bool (*ensure)(const QString &, qint64);
    QString fault; // what the errors the file holds are
};

struct Tool {
    QString name;
    QStringList command;
    QStringList env;
    int runs = 0;
    QString outPath;
    std::vector<ProcessRun> done;
};

QString writeText(const QString &path, const char *text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    return path;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("size-mb"), QStringLiteral("Size of each generated file."),
         QStringLiteral("MB"), QStringLiteral("300")},
        {QStringLiteral("gigabyte"), QStringLiteral("Generate 1 GB (1024 MB) files.")},
        {QStringLiteral("runs"), QStringLiteral("Runs of wc, velkora and gawk (median)."),
         QStringLiteral("N"), QStringLiteral("5")},
        {QStringLiteral("slow-runs"), QStringLiteral("Runs of pandas."), QStringLiteral("N"),
         QStringLiteral("1")},
        {QStringLiteral("dir"), QStringLiteral("Folder of the generated files."),
         QStringLiteral("DIR"), QStringLiteral("/tmp/kesta-bench")},
        {QStringLiteral("shape"),
         QStringLiteral("statement, payment, return or all (the default)."),
         QStringLiteral("SHAPE"), QStringLiteral("all")},
        {QStringLiteral("no-gawk"), QStringLiteral("Leave gawk out.")},
        {QStringLiteral("no-pandas"), QStringLiteral("Leave pandas out.")},
        {QStringLiteral("keep-database"),
         QStringLiteral("Keep a copy of the database with the formats (keys 0043 statement, "
                        "0044 payment, 0045 return) in DIR, for profiling velkora test by "
                        "hand.")},
    });
    parser.addHelpOption();
    parser.process(app);
    const qint64 megabytes = parser.isSet(QStringLiteral("gigabyte"))
                                 ? 1024
                                 : parser.value(QStringLiteral("size-mb")).toLongLong();
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    const int slowRuns = std::max(1, parser.value(QStringLiteral("slow-runs")).toInt());
    const QDir dir(parser.value(QStringLiteral("dir")));
    QDir().mkpath(dir.path());
    const QString only = parser.value(QStringLiteral("shape"));

    const std::vector<Shape> all = {
        {QStringLiteral("statement"), QStringLiteral("0043"), formats_test::bankStatement(),
         &ensureStatementFile,
         QStringLiteral("every 25000th movement has a date that does not exist")},
        {QStringLiteral("payment"), QStringLiteral("0044"), formats_test::paymentFileForRules(),
         &ensurePaymentFile, QStringLiteral("none")},
        {QStringLiteral("return"), QStringLiteral("0045"), returnFormat(),
         [](const QString &file, qint64 mb) { return ensureReturnFile(file, mb); },
         QStringLiteral("every 40000th detail has dates in month 13")},
    };
    std::vector<const Shape *> shapes;
    for (const Shape &shape : all)
        if (only == QLatin1String("all") || only == shape.name)
            shapes.push_back(&shape);
    if (shapes.empty()) {
        std::fprintf(stderr, "unknown shape %s\n", qPrintable(only));
        return 2;
    }

    TestDatabase db(TestDatabase::Kind::Sqlite);
    if (!db.ok()) {
        std::fprintf(stderr, "no database: %s\n", qPrintable(db.error()));
        return 2;
    }
    for (const Shape &shape : all)
        storeFormat(db, shape.key, shape.format, shape.name + QStringLiteral(".txt"));
    if (parser.isSet(QStringLiteral("keep-database"))) {
        const QString copy = dir.filePath(QStringLiteral("bench.db"));
        QFile::remove(copy);
        QFile::copy(db.location(), copy);
    }
    const QString velkora = QCoreApplication::applicationDirPath() + QStringLiteral("/velkora");
    const QString json = dir.filePath(QStringLiteral("velkora.json"));

    for (const Shape *shape : shapes) {
        // The file, written once per size (the same size always gives the same bytes).
        const QString file =
            dir.filePath(QStringLiteral("%1-%2MB.txt").arg(shape->name).arg(megabytes));
        if (!shape->ensure(file, megabytes))
            return 2;
        const qint64 bytes = QFileInfo(file).size();
        const double mb = double(bytes) / (1 << 20);
        const bool statement = shape->name == QLatin1String("statement");

        std::vector<Tool> tools;
        tools.push_back({QStringLiteral("wc -l"),
                         {QStringLiteral("wc"), QStringLiteral("-l"), file},
                         {QStringLiteral("LC_ALL=C.UTF-8")},
                         runs,
                         {},
                         {}});
        tools.push_back({QStringLiteral("velkora test --json"),
                         {velkora, QStringLiteral("--database"), db.location(),
                          QStringLiteral("test"), shape->key, file, QStringLiteral("--json")},
                         {QStringLiteral("QT_QPA_PLATFORM=offscreen")},
                         runs,
                         json,
                         {}});
        if (statement && !parser.isSet(QStringLiteral("no-gawk")))
            tools.push_back(
                {QStringLiteral("gawk substr dispatch"),
                 {QStringLiteral("gawk"), QStringLiteral("-f"),
                  writeText(dir.filePath(QStringLiteral("dispatch.awk")), GawkScript), file},
                 {QStringLiteral("LC_ALL=C.UTF-8")},
                 runs,
                 {},
                 {}});
        if (statement && !parser.isSet(QStringLiteral("no-pandas")))
            tools.push_back(
                {QStringLiteral("pandas.read_fwf"),
                 {QStringLiteral("/usr/bin/python3"),
                  writeText(dir.filePath(QStringLiteral("movements.py")), PandasScript), file},
                 {QStringLiteral("LC_ALL=C.UTF-8")},
                 slowRuns,
                 {},
                 {}});

        // The file into the page cache first, so that every tool reads it from memory.
        runProcess({QStringLiteral("cat"), file});
        std::printf("\n== %s: %s, %.0f MB, %s\n", qPrintable(shape->name), qPrintable(file), mb,
                    qPrintable(machineLoad()));
        std::fflush(stdout);
        const int rounds = std::max(runs, slowRuns);
        for (int round = 0; round < rounds; ++round)
            for (Tool &tool : tools)
                if (round < tool.runs)
                    tool.done.push_back(runProcess(tool.command, tool.outPath, tool.env));

        // The test's own account of the file.
        QFile result(json);
        result.open(QIODevice::ReadOnly);
        const QJsonObject report = QJsonDocument::fromJson(result.readAll()).object();

        std::printf("%-22s %5s %10s %9s %9s %10s %9s %12s %5s\n", "program", "runs", "median s",
                    "MB/s", "x wc -l", "median CPU", "CPU x wc", "peak RSS MB", "exit");
        double limit = 0, limitCpu = 0;
        double testRatio = 0, testCpuRatio = 0, testPeak = 0;
        for (const Tool &tool : tools) {
            std::vector<double> seconds, cpu;
            double peak = 0;
            int exitCode = 0;
            bool started = true;
            for (const ProcessRun &run : tool.done) {
                seconds.push_back(run.seconds);
                cpu.push_back(run.cpuSeconds);
                peak = std::max(peak, run.peakMb);
                exitCode = run.exitCode;
                started = started && run.started;
            }
            if (!started) {
                std::printf("%-22s (could not be started)\n", qPrintable(tool.name));
                continue;
            }
            const double s = median(seconds);
            const double c = median(cpu);
            const double rate = mb / s;
            if (limit == 0) {
                limit = rate;
                limitCpu = c;
            }
            std::printf("%-22s %5d %10.3f %9.1f %9.2f %10.3f %9.2f %12.1f %5d\n",
                        qPrintable(tool.name), int(tool.done.size()), s, rate, rate / limit, c,
                        c > 0 ? limitCpu / c : 0.0, peak, exitCode);
            if (tool.name.startsWith(QLatin1String("velkora"))) {
                testRatio = rate / limit;
                testCpuRatio = c > 0 ? limitCpu / c : 0.0;
                testPeak = peak;
            }
        }
        std::printf("%s: velkora test %.2f x wc -l (CPU %.2f x), goal: at least 1.0 x wc -l "
                    "(%s); peak RSS %.1f MB, goal: at most 64 MB (%s)\n",
                    qPrintable(shape->name), testRatio, testCpuRatio,
                    testRatio >= 1.0 ? "met" : "NOT met", testPeak,
                    testPeak <= 64.0 ? "met" : "NOT met");
        std::printf("velkora counted %lld lines, %lld field errors (exit 1 means the file has "
                    "errors: %s); %s after the run\n",
                    static_cast<long long>(report.value(QStringLiteral("lines")).toInteger()),
                    static_cast<long long>(report.value(QStringLiteral("errors"))
                                               .toObject()
                                               .value(QStringLiteral("count"))
                                               .toInteger()),
                    qPrintable(shape->fault), qPrintable(machineLoad()));
        std::fflush(stdout);
    }
    std::printf("\ngoal: velkora test at least 1.0 x wc -l on every shape, peak RSS at most "
                "64 MB\n");
    return 0;
}
