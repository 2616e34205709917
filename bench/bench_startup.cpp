// Start-up: the host application from its start to an interactive KESTA screen, against a bare
// Qt window started the same way (both as processes on the offscreen platform, with the same
// environment). The moment a program is interactive is taken by the probe plugin
// (StartupProbe.cpp: its first window exposed and its event loop idle), so neither program is
// changed for the measure. Prints the medians and the ratio.
//
//   bench_startup [--runs N]

#include "BenchSupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <thread>

using namespace kesta::bench;

namespace {

qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Starts the program and waits (at most 60 s) for the probe to end it; the milliseconds from
// the start to the moment it was interactive, -1 when it never was.
double timeToInteractive(const QStringList &command, const QStringList &env, const QString &out)
{
    QFile::remove(out);
    SpawnArguments spawn(command, env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const qint64 start = monotonicNs();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, spawn.argv[0], &actions, nullptr, spawn.argv.data(),
                                    spawn.envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; ++waited) {
        if (waited == 6000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const qint64 interactive = file.readAll().trimmed().toLongLong();
    return interactive > 0 ? double(interactive - start) / 1e6 : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("runs"), QStringLiteral("Starts of each program (median)."),
                        QStringLiteral("N"), QStringLiteral("15")}});
    parser.addHelpOption();
    parser.process(app);
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());

    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir home;
    const QString database = home.filePath(QStringLiteral("velkora.db"));
    const QString probeOut = home.filePath(QStringLiteral("interactive"));
    const QStringList env{QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                          QStringLiteral("QT_QPA_GENERIC_PLUGINS=startupprobe"),
                          QStringLiteral("QT_PLUGIN_PATH=") +
                              QDir(bin).filePath(QStringLiteral("../bench-plugins")),
                          QStringLiteral("KESTA_STARTUP_PROBE_OUT=") + probeOut,
                          QStringLiteral("HOME=") + home.path(),
                          QStringLiteral("XDG_DATA_HOME=") + home.filePath(QStringLiteral("data")),
                          QStringLiteral("XDG_RUNTIME_DIR=") + home.path()};
    const QStringList host{bin + QStringLiteral("/velkora"), QStringLiteral("--database"),
                           database};
    const QStringList bare{bin + QStringLiteral("/bench_bare_window")};
    const QStringList bareText{bin + QStringLiteral("/bench_bare_window"), QStringLiteral("--text")};

    // The first start creates the database with its sample; it is not counted.
    if (timeToInteractive(host, env, probeOut) < 0) {
        std::fprintf(stderr, "velkora never showed an interactive screen\n");
        return 1;
    }
    std::vector<double> hostMs, bareMs, bareTextMs;
    for (int run = 0; run < runs; ++run) {
        bareMs.push_back(timeToInteractive(bare, env, probeOut));
        bareTextMs.push_back(timeToInteractive(bareText, env, probeOut));
        hostMs.push_back(timeToInteractive(host, env, probeOut));
    }
    const double h = median(hostMs), b = median(bareMs), t = median(bareTextMs);
    std::printf("%s\n\n%-36s %5s %10s\n", qPrintable(machineLoad()), "start to interactive", "runs",
                "median ms");
    std::printf("%-36s %5d %10.1f\n", "bare Qt window (BareWindow.cpp)", runs, b);
    std::printf("%-36s %5d %10.1f\n", "bare window with a label and a box", runs, t);
    std::printf("%-36s %5d %10.1f\n", "velkora with the KESTA screen", runs, h);
    std::printf("\nratio %.2f (goal: at most 1.5); over the window with text %.2f\n", h / b, h / t);
    return 0;
}
