#pragma once

// What the benchmarks share: running a program as a whole process (wall time, and peak memory as
// /usr/bin/time reports it), medians and the machine's load.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace kesta::bench {

struct ProcessRun {
    bool started = false;
    int exitCode = -1; // -1 when the program did not end normally
    double seconds = 0;
    double peakMb = 0; // the process's peak resident memory (ru_maxrss)
    double cpuSeconds = 0; // user and system time, its children's included
};

// Runs a program (looked up in PATH) with standard output into `outPath` (or /dev/null) and
// standard error into /dev/null, with extra environment entries ("NAME=value"). The program runs
// under /usr/bin/time, which reports its peak memory (the spawning process's own would be
// counted otherwise, as a spawned child starts out as a copy of it); the wall time is taken
// here, from the start to the end of both.
// A command and the environment with extra entries, as posix_spawn takes them.
struct SpawnArguments {
    SpawnArguments(const QStringList &command, const QStringList &extraEnv)
    {
        for (const QString &word : command)
            storage.push_back(word.toLocal8Bit());
        for (char **e = environ; *e; ++e)
            envStorage.emplace_back(*e);
        for (const QString &entry : extraEnv)
            envStorage.push_back(entry.toLocal8Bit());
        for (QByteArray &word : storage)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        for (QByteArray &entry : envStorage)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
    }
    std::vector<QByteArray> storage, envStorage;
    std::vector<char *> argv, envp;
};

inline ProcessRun runProcess(const QStringList &command, const QString &outPath = {},
                             const QStringList &extraEnv = {})
{
    ProcessRun run;
    const QString memory = QStringLiteral("/tmp/kesta-bench-peak-%1").arg(getpid());
    SpawnArguments spawn(QStringList{QStringLiteral("/usr/bin/time"), QStringLiteral("-f"),
                                     QStringLiteral("%M"), QStringLiteral("-o"), memory} +
                             command,
                         extraEnv);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray out = outPath.isEmpty() ? QByteArray("/dev/null") : outPath.toLocal8Bit();
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, spawn.argv[0], &actions, nullptr, spawn.argv.data(),
                                     spawn.envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const auto end = std::chrono::steady_clock::now();
    run.seconds = std::chrono::duration<double>(end - start).count();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    QFile peak(memory);
    if (peak.open(QIODevice::ReadOnly)) {
        // "Command exited with non-zero status N" comes first when it failed.
        const QList<QByteArray> lines = peak.readAll().trimmed().split('\n');
        run.peakMb = lines.last().trimmed().toDouble() / 1024.0;
        run.started = !lines.last().startsWith("Command terminated") && run.exitCode != 126 &&
                      run.exitCode != 127;
    }
    peak.remove();
    return run;
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The one-minute load average and the number of cores, as uptime shows them.
inline QString machineLoad()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return QStringLiteral("load average %1 on %2 cores")
        .arg(QString::fromLatin1(text.split(' ').value(0)))
        .arg(sysconf(_SC_NPROCESSORS_ONLN));
}

// This process's peak resident memory in MB.
inline double ownPeakMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

} // namespace kesta::bench
