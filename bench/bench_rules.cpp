// The cost of a load format's rules: velkora test KEY FILE --json on one generated payment file
// (94-character records: a file header, batches of 100 credits between their header and control
// records, the file control record and block filler), each as a whole process from start to
// exit, with the same format stored twice:
//   no rules                  every line typed and every field read, as before the rules
//   rules of every kind       LONGITUD, VECES, PRIMERA, ULTIMA, TRAS, OPCIONAL, VALORES, ENTRE,
//                             CUENTA and SUMA with and without DESDE, SECUENCIA and SECUENCIA
//                             LINEA, on the line types of the file (all kept: the file is right)
//   ... and REGISTRO 94       the same read as fixed records, which are read one after the
//                             other (where a record starts depends on every line break before)
// Prints the median wall time and CPU time (user and system) of each, run in turns, and the
// median of the rounds' ratios of CPU time to no rules (goal: rules of every kind at most 1.25;
// CPU time, since the wall time of two reading threads on a shared machine says more about the
// other processes than about the rules), the
// peak memory (goal: bounded, no line kept), and no rules beside wc -l on the same file (goal:
// 0.40 x wc -l, the pace before the rules). Then the same for the index of the
// file's lines that the result views read (in this process, one thread).
//
//   bench_rules [--size-mb N] [--runs N] [--dir DIR]

#include "BenchSupport.h"

#include "formats/CompiledFormat.h"
#include "formats/FormatSamples.h"
#include "formats/LineIndex.h"
#include "store/SqlConnection.h"
#include "store/LoadFormatWriter.h"
#include "support/TestDatabase.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

using namespace kesta::bench;
using kesta::test::TestDatabase;

namespace {

QByteArray digits(qint64 n, int width)
{
    return QByteArray::number(n).rightJustified(width, '0');
}

QByteArray record(std::initializer_list<std::pair<int, QByteArray>> parts)
{
    QByteArray line(94, ' ');
    for (const auto &[position, text] : parts)
        line.replace(position - 1, text.size(), text);
    return line;
}

// A right payment file of about `megabytes` MB, written in pieces.
void writePayments(const QString &path, qint64 megabytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray buffer;
    qint64 lines = 0, written = 0;
    auto put = [&](const QByteArray &line) {
        buffer += line;
        buffer += '\n';
        ++lines;
        if (buffer.size() > (4 << 20)) {
            written += file.write(buffer);
            buffer.clear();
        }
    };
    put(formats_test::paymentLines().front().toLatin1());
    qint64 batches = 0, entries = 0, fileHash = 0, fileCredits = 0, trace = 0;
    const qint64 target = megabytes << 20;
    while (written + buffer.size() < target) {
        ++batches;
        put(record({{1, "5"},
                    {2, "220"},
                    {5, "EMPRESA ORIGEN"},
                    {41, "1234567890"},
                    {51, "PPD"},
                    {54, "NOMINA"},
                    {70, "261205"},
                    {79, "1"},
                    {80, "07640125"},
                    {88, digits(batches, 7)}}));
        qint64 hash = 0, credits = 0;
        for (int e = 0; e < 100; ++e) {
            const qint64 routing = 7640125 + (batches % 1000) * 1000 + e;
            const qint64 amount = 1000 + (batches % 97) * 137 + e * 2501;
            hash += routing;
            credits += amount;
            put(record({{1, "6"},
                        {2, "22"},
                        {4, digits(routing, 8)},
                        {12, "1"},
                        {13, digits(100000 + e, 8)},
                        {30, digits(amount, 10)},
                        {40, "EMP-" + QByteArray::number(e)},
                        {55, "EMPLEADO"},
                        {79, "0"},
                        {80, "07640125" + digits(++trace % 10000000, 7)}}));
        }
        entries += 100;
        put(record({{1, "8"},
                    {2, "220"},
                    {5, digits(100, 6)},
                    {11, digits(hash % 10000000000LL, 10)},
                    {21, digits(0, 12)},
                    {33, digits(credits, 12)},
                    {45, "1234567890"},
                    {80, "07640125"},
                    {88, digits(batches, 7)}}));
        fileHash += hash;
        fileCredits += credits;
    }
    put(record({{1, "9"},
                {2, digits(batches, 6)},
                {8, digits((lines + 10) / 10, 6)},
                {14, digits(entries, 8)},
                {22, digits(fileHash % 10000000000LL, 10)},
                {32, digits(0, 12)},
                {44, digits(fileCredits % 1000000000000LL, 12)}}));
    do
        put(QByteArray(94, '9'));
    while (lines % 10 != 0);
    file.write(buffer);
}

// The payment format stored under a key, with rules ("line type|field|rule" each).
void store(const TestDatabase &db, const QString &key, const QStringList &rules)
{
    using namespace velkora::store;
    const velkora::formats::LoadFormat format = formats_test::paymentFileForRules();
    QList<LayoutLineValues> lines;
    QList<LayoutFieldValues> fields;
    for (const velkora::formats::LineType &type : format.lineTypes) {
        LayoutLineValues line;
        line.key = key;
        line.description = format.description;
        line.file = QStringLiteral("pagos.txt");
        line.order = type.order;
        line.lineId = type.lineId;
        line.lineDescription = type.description;
        line.position = QString::number(type.position);
        line.length = QString::number(type.length);
        line.user3 = line.user4 = QStringLiteral("0");
        line.date5 = line.date6 = QStringLiteral("2026-12-07");
        line.stamp = QStringLiteral("2026-12-07 10:00:00");
        line.operatorAlta = line.operatorModif = QStringLiteral("BENCH");
        lines << line;
        for (const velkora::formats::FieldDef &f : type.fields)
            fields << LayoutFieldValues{key,
                                        type.order,
                                        f.id,
                                        f.description,
                                        QString::number(f.position),
                                        QString::number(f.length),
                                        f.trim ? QStringLiteral("SI") : QStringLiteral("NO"),
                                        f.value,
                                        f.format,
                                        f.typeCode};
    }
    QList<LayoutRuleValues> rows;
    for (const QString &rule : rules) {
        const QStringList parts = rule.split(QLatin1Char('|'));
        rows << LayoutRuleValues{key,
                                 QString::number(rows.size() + 1),
                                 parts.value(0),
                                 parts.value(1),
                                 parts.mid(2).join(QLatin1Char('|')),
                                 {}};
    }
    auto connection = std::make_shared<velkora::store::SqlConnection>(db.connectionName());
    QString statement;
    LoadFormatWriter([connection] { return connection; }, statement)
        .write(LoadFormatWriter::Format::Stored, key, lines, fields, &rows,
               [](const QString &) { return true; });
}

// The payment format with rules ("line type|field|rule" each), as the load reads it.
velkora::formats::LoadFormat withRules(const QStringList &rules)
{
    velkora::formats::LoadFormat format = formats_test::paymentFileForRules();
    for (const QString &rule : rules) {
        const QStringList parts = rule.split(QLatin1Char('|'));
        format.rules << velkora::formats::RuleDef{
            QStringLiteral("%1").arg(format.rules.size() + 1, 4, 10, QLatin1Char('0')),
            parts.value(0),
            parts.value(1),
            parts.mid(2).join(QLatin1Char('|')),
            {}};
    }
    return format;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("size-mb"), QStringLiteral("Size of the generated file."),
         QStringLiteral("MB"), QStringLiteral("300")},
        {QStringLiteral("runs"), QStringLiteral("Runs of each (median)."), QStringLiteral("N"),
         QStringLiteral("3")},
        {QStringLiteral("dir"), QStringLiteral("Folder of the generated file."),
         QStringLiteral("DIR"), QStringLiteral("/tmp/kesta-bench")},
        {QStringLiteral("keep-database"),
         QStringLiteral("Keep a copy of the database with the formats (keys NONE, ALL, REG) in "
                        "DIR, for profiling velkora test by hand.")},
    });
    parser.addHelpOption();
    parser.process(app);
    const qint64 size = parser.value(QStringLiteral("size-mb")).toLongLong();
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    QDir().mkpath(parser.value(QStringLiteral("dir")));
    const QString file = QDir(parser.value(QStringLiteral("dir")))
                             .filePath(QStringLiteral("pagos-%1mb.txt").arg(size));
    if (!QFileInfo::exists(file))
        writePayments(file, size);

    TestDatabase db(TestDatabase::Kind::Sqlite);
    if (!db.ok()) {
        std::fprintf(stderr, "no database: %s\n", qPrintable(db.error()));
        return 2;
    }
    const QStringList every{QStringLiteral("0001||PRIMERA"),
                            QStringLiteral("0001||VECES 1"),
                            QStringLiteral("0001||LONGITUD 94"),
                            QStringLiteral("0005||TRAS 0001,0008"),
                            QStringLiteral("0005||LONGITUD 94"),
                            QStringLiteral("0005|0011|SECUENCIA"),
                            QStringLiteral("0006||TRAS 0005,0006"),
                            QStringLiteral("0006||LONGITUD 94"),
                            QStringLiteral("0006|0001|VALORES 22|27|32|37"),
                            QStringLiteral("0006|0005|ENTRE 0.01 99999999.99"),
                            QStringLiteral("0006|0009|OPCIONAL"),
                            QStringLiteral("0006|0010|SECUENCIA"),
                            QStringLiteral("0008||TRAS 0006"),
                            QStringLiteral("0008|0002|CUENTA 0006 DESDE 0005"),
                            QStringLiteral("0008|0003|SUMA 0006.0002 DESDE 0005"),
                            QStringLiteral("0008|0005|SUMA 0006.0005 DESDE 0005"),
                            QStringLiteral("0008|0008|SECUENCIA"),
                            QStringLiteral("0009||VECES 1"),
                            QStringLiteral("0009|0001|CUENTA 0005"),
                            QStringLiteral("0009|0003|CUENTA 0006"),
                            QStringLiteral("0009|0004|SUMA 0006.0002"),
                            QStringLiteral("0009|0006|SUMA 0006.0005"),
                            QStringLiteral("0099||TRAS 0009,0099"),
                            QStringLiteral("0099||ULTIMA"),
                            QStringLiteral("0001|0001|SECUENCIA LINEA")};
    store(db, QStringLiteral("NONE"), {});
    store(db, QStringLiteral("ALL"), every);
    store(db, QStringLiteral("REG"), every + QStringList{QStringLiteral("||REGISTRO 94")});

    if (parser.isSet(QStringLiteral("keep-database"))) {
        const QString copy =
            QDir(parser.value(QStringLiteral("dir"))).filePath(QStringLiteral("rules.db"));
        QFile::remove(copy);
        QFile::copy(db.location(), copy);
    }
    const QString velkora = QCoreApplication::applicationDirPath() + QStringLiteral("/velkora");
    std::printf("file %s: %.0f MB, %s\n", qPrintable(file),
                double(QFileInfo(file).size()) / (1 << 20), qPrintable(machineLoad()));
    // The floor: reading the file and splitting its lines.
    std::vector<double> wcSeconds;
    for (int i = 0; i < runs; ++i)
        wcSeconds.push_back(runProcess({QStringLiteral("wc"), QStringLiteral("-l"), file}).seconds);
    const double wc = median(wcSeconds);
    std::printf("\n%-28s %5s %10s %10s %9s %12s %5s\n", "velkora test --json", "runs",
                "median s", "median CPU", "CPU x none", "peak RSS MB", "exit");
    // The three run in turns, round after round, so that what the machine does meanwhile
    // weighs on each alike; a ratio is the median of the rounds' ratios.
    struct Key {
        const char *name;
        const char *key;
        std::vector<double> seconds;
        std::vector<double> cpuSeconds;
        double peak = 0;
        int exitCode = -1;
    };
    std::vector<Key> keys{{"no rules", "NONE", {}, {}}, {"rules of every kind", "ALL", {}, {}},
                          {"... and REGISTRO 94", "REG", {}, {}}};
    for (int i = 0; i < runs; ++i) {
        for (Key &one : keys) {
            const ProcessRun run = runProcess({velkora, QStringLiteral("--database"), db.location(),
                                               QStringLiteral("test"), QString::fromLatin1(one.key),
                                               file, QStringLiteral("--json")});
            one.seconds.push_back(run.seconds);
            one.cpuSeconds.push_back(run.cpuSeconds);
            one.peak = std::max(one.peak, run.peakMb);
            one.exitCode = run.exitCode;
        }
    }
    auto ratio = [&](const Key &one, bool cpu) {
        std::vector<double> rounds;
        for (int i = 0; i < runs; ++i)
            rounds.push_back(cpu ? one.cpuSeconds[size_t(i)] / keys[0].cpuSeconds[size_t(i)]
                                 : one.seconds[size_t(i)] / keys[0].seconds[size_t(i)]);
        return median(rounds);
    };
    for (const Key &one : keys)
        std::printf("%-28s %5d %10.3f %10.3f %9.2f %12.1f %5d\n", one.name, runs,
                    median(one.seconds), median(one.cpuSeconds), ratio(one, true), one.peak,
                    one.exitCode);
    const double noneTest = median(keys[0].seconds);
    std::printf("%-28s %5d %10.3f\n", "wc -l", runs, wc);
    // The two figures, each beside its goal: a format without rules pays nothing for them (its
    // test keeps the pace it had beside wc -l before the rules), and rules of every kind cost at
    // most a quarter more.
    std::printf("\nno rules: %.2f x wc -l (wc -l time / test time), goal: at least 0.40 x, as "
                "before the rules\n",
                wc / noneTest);
    std::printf("rules of every kind: %.2f x no rules in CPU time (%.2f x in wall time), goal: at "
                "most 1.25 x; memory bounded; exit 0 (the file keeps every rule)\n",
                ratio(keys[1], true), ratio(keys[1], false));

    // The index of the file's lines that Probar's tables and lines read (one thread, in this
    // process), with the same rules.
    std::printf("\n%-28s %5s %10s %9s %9s\n", "index of the lines (views)", "runs", "median s",
                "x none", "errors");
    double none = 0;
    for (const auto &[name, rules] :
         {std::pair{"no rules", QStringList()}, std::pair{"rules of every kind", every},
          std::pair{"... and REGISTRO 94", every + QStringList{QStringLiteral("||REGISTRO 94")}}}) {
        const velkora::formats::CompiledFormat compiled(withRules(rules));
        std::vector<double> seconds;
        qint64 errors = -1;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer clock;
            clock.start();
            const velkora::formats::LineIndex index =
                velkora::formats::buildLineIndex(compiled, file);
            seconds.push_back(double(clock.nsecsElapsed()) / 1e9);
            errors = index.ran() ? index.errorCount() : -1;
        }
        const double s = median(seconds);
        if (none == 0)
            none = s;
        std::printf("%-28s %5d %10.3f %9.2f %9lld\n", name, runs, s, s / none, errors);
    }
    std::printf("\ngoal: with rules, the index (one thread) takes no longer than the test with "
                "the same rules, beside which it runs; no errors (the file keeps every rule)\n");
    return 0;
}
