#include "FileScanner.h"

#include "ChunkReader.h"
#include "RuleChecker.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

namespace velkora::formats {

ScanOutcome scanFile(const CompiledFormat &format, const QString &path, const ScanOptions &options)
{
    ScanOutcome outcome;
    outcome.error = LineSource::pathProblem(path);
    if (!outcome.error.isEmpty())
        return outcome;
    LineSource probe;
    if (QString why; !probe.open(path, &why)) {
        outcome.error = QStringLiteral("El archivo '%1' no se puede leer: %2").arg(path, why);
        return outcome;
    }
    outcome.fileBytes = probe.fileBytes();
    outcome.byteOrderMark = probe.byteOrderMark();
    const qint64 dataStart = probe.dataStart();
    const qint64 size = probe.dataEnd();

    const qint64 chunkBytes = std::max<qint64>(options.chunkBytes, 16);
    const qint64 dataBytes = size - dataStart;
    const qint64 chunkCount = (dataBytes + chunkBytes - 1) / chunkBytes;
    const auto chunkAt = [&](qint64 k) {
        if (!options.reverse)
            return Chunk{dataStart + k * chunkBytes,
                         std::min(size, dataStart + (k + 1) * chunkBytes)};
        const qint64 end = size - k * chunkBytes;
        return Chunk{std::max(dataStart, end - chunkBytes), end};
    };

    int threads = options.threads > 0 ? options.threads
                                      : std::clamp(int(std::thread::hardware_concurrency()), 1, 4);
    threads = int(std::min<qint64>(threads, std::max<qint64>(chunkCount, 1)));

    const int listLimit = std::max(0, options.listLimit);
    const int detailLimit = std::max(0, options.detailLines);
    Wanted wanted;
    std::mutex mutex;
    std::map<qint64, ScanResult> pending;
    qint64 nextToMerge = 0;
    qint64 done = 0;
    std::atomic<qint64> nextChunk{0};
    std::atomic<bool> stop{false};
    QString failure;
    // The rules across lines see the parts in reading order, as they are merged.
    RuleChecker rules(format, listLimit);
    const bool acrossLines = format.rules().acrossLines();

    // One thread at a time merges the parts that are next in reading order, outside the lock,
    // so that the others go on delivering theirs meanwhile.
    bool merging = false;
    auto deliver = [&](qint64 k, ScanResult &&part) {
        std::unique_lock lock(mutex);
        done += part.bytes;
        pending.emplace(k, std::move(part));
        if (merging)
            return; // the merging thread takes it in its turn
        merging = true;
        while (!pending.empty() && pending.begin()->first == nextToMerge) {
            ScanResult next = std::move(pending.begin()->second);
            pending.erase(pending.begin());
            lock.unlock();
            if (acrossLines)
                rules.check(next);
            outcome.result.append(std::move(next), listLimit, detailLimit);
            const ScanResult &merged = outcome.result;
            auto full = [&](size_t count, int limit) { return count >= size_t(limit); };
            if (full(merged.unmatched.first.size(), listLimit))
                wanted.unmatched = false;
            if (full(merged.ambiguous.first.size(), listLimit))
                wanted.ambiguous = false;
            if (full(merged.longLines.first.size(), listLimit))
                wanted.longLines = false;
            if (full(merged.errors.size(), listLimit))
                wanted.errors = false;
            if (full(merged.controlLines.first.size(), listLimit))
                wanted.controlLines = false;
            if (full(merged.details.size(), detailLimit))
                wanted.details = false;
            lock.lock();
            ++nextToMerge;
        }
        merging = false;
        if (options.progress)
            options.progress(done, dataBytes);
    };
    auto work = [&] {
        ChunkReader reader(format, options, wanted);
        QString error;
        if (!reader.open(path, &error)) {
            std::lock_guard lock(mutex);
            failure = error;
            stop = true;
            return;
        }
        ScanResult part;
        while (!stop) {
            if (options.cancel && options.cancel->load())
                break;
            const qint64 k = nextChunk.fetch_add(1);
            if (k >= chunkCount)
                break;
            if (!reader.read(chunkAt(k), part, &error)) {
                std::lock_guard lock(mutex);
                if (failure.isEmpty())
                    failure = error;
                stop = true;
                break;
            }
            deliver(k, std::move(part));
        }
    };

    outcome.result.types.resize(format.lineTypes().size());
    for (size_t t = 0; t < outcome.result.types.size(); ++t)
        outcome.result.types[t].gaps.resize(format.lineTypes()[t].gaps.size());
    const int recordLength = format.rules().recordLength();
    bool recordsCut = false; // REGISTRO: cancelled before the end
    if (recordLength > 0) {
        // Records of a fixed length: read one after the other from the first, since where a
        // record starts depends on every line break before it.
        ChunkReader reader(format, options, wanted);
        QString error;
        if (!reader.open(path, &error)) {
            failure = error;
        } else {
            qint64 at = dataStart;
            ScanResult part;
            for (qint64 k = 0; at < size; ++k) {
                if (options.cancel && options.cancel->load()) {
                    recordsCut = true;
                    break;
                }
                if (!reader.readRecords({at, std::min(size, at + chunkBytes)}, recordLength, part,
                                        &at, &error)) {
                    failure = error;
                    break;
                }
                deliver(k, std::move(part));
            }
        }
    } else if (threads <= 1) {
        work();
    } else {
        std::vector<std::thread> pool;
        for (int i = 0; i < threads; ++i)
            pool.emplace_back(work);
        for (std::thread &thread : pool)
            thread.join();
    }
    // The file as the chunks were laid out: changed since (between the opening of the readers,
    // after the last chunk), the result is of no file.
    if (QString why; failure.isEmpty() && !probe.unchanged(&why))
        failure = why;
    if (!failure.isEmpty()) {
        outcome.error = QStringLiteral("El archivo '%1' no se pudo leer: %2").arg(path, failure);
        return outcome;
    }
    outcome.cancelled = recordLength > 0 ? recordsCut : nextToMerge < chunkCount;
    if (acrossLines && !outcome.cancelled)
        rules.finish(outcome.result);
    // Records of a fixed length are read from the first, also for a reverse reading.
    const bool reverse = options.reverse && recordLength <= 0;
    outcome.result.settleEmptyLines(reverse, listLimit);
    // A reverse reading knows its line numbers once it has counted every line; cut short, it
    // numbers the lines it read from the end of the file.
    outcome.result.numberLines(reverse && !outcome.cancelled);
    outcome.ran = true;
    return outcome;
}

} // namespace velkora::formats
