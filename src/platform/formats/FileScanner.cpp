#include "FileScanner.h"

#include "ChunkReader.h"
#include "RuleChecker.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

namespace velkora::formats {

namespace {

// One scan of a file: its chunks read by one or more threads, each part merged in reading
// order as soon as the parts before it are in.
class FileScan {
public:
    FileScan(const CompiledFormat &format, const QString &path, const ScanOptions &options,
             const LineSource &probe, ScanOutcome &outcome);

    // Reads every chunk; false with failure() set when the file could not be read.
    void run();
    const QString &failure() const { return m_failure; }
    // Whether the reading stopped before the end.
    bool cancelled() const
    {
        return m_recordLength > 0 ? m_recordsCut : m_nextToMerge < m_chunkCount;
    }
    RuleChecker &rules() { return m_rules; }

private:
    Chunk chunkAt(qint64 k) const;
    void deliver(qint64 k, ScanResult &&part);
    void merge(ScanResult &&next);
    void fail(const QString &error);
    void work();
    void readRecords();

    const CompiledFormat &m_format;
    const QString &m_path;
    const ScanOptions &m_options;
    ScanOutcome &m_outcome;
    qint64 m_dataStart;
    qint64 m_size;
    qint64 m_chunkBytes;
    qint64 m_chunkCount;
    int m_listLimit;
    int m_detailLimit;
    int m_recordLength;
    bool m_acrossLines;
    Wanted m_wanted;
    std::mutex m_mutex;
    std::map<qint64, ScanResult> m_pending;
    qint64 m_nextToMerge = 0;
    qint64 m_done = 0;
    std::atomic<qint64> m_nextChunk{0};
    std::atomic<bool> m_stop{false};
    QString m_failure;
    bool m_merging = false;
    bool m_recordsCut = false; // REGISTRO: cancelled before the end
    // The rules across lines see the parts in reading order, as they are merged.
    RuleChecker m_rules;
};

FileScan::FileScan(const CompiledFormat &format, const QString &path, const ScanOptions &options,
                   const LineSource &probe, ScanOutcome &outcome)
    : m_format(format), m_path(path), m_options(options), m_outcome(outcome),
      m_dataStart(probe.dataStart()), m_size(probe.dataEnd()),
      m_chunkBytes(std::max<qint64>(options.chunkBytes, 16)),
      m_chunkCount((m_size - m_dataStart + m_chunkBytes - 1) / m_chunkBytes),
      m_listLimit(std::max(0, options.listLimit)), m_detailLimit(std::max(0, options.detailLines)),
      m_recordLength(format.rules().recordLength()), m_acrossLines(format.rules().acrossLines()),
      m_rules(format, m_listLimit)
{
    outcome.result.types.resize(format.lineTypes().size());
    for (size_t t = 0; t < outcome.result.types.size(); ++t)
        outcome.result.types[t].gaps.resize(format.lineTypes()[t].gaps.size());
}

Chunk FileScan::chunkAt(qint64 k) const
{
    if (!m_options.reverse)
        return Chunk{m_dataStart + k * m_chunkBytes,
                     std::min(m_size, m_dataStart + (k + 1) * m_chunkBytes)};
    const qint64 end = m_size - k * m_chunkBytes;
    return Chunk{std::max(m_dataStart, end - m_chunkBytes), end};
}

// The next part in reading order into the result; the lists that are full are wanted no more.
void FileScan::merge(ScanResult &&next)
{
    if (m_acrossLines)
        m_rules.check(next);
    m_outcome.result.append(std::move(next), m_listLimit, m_detailLimit);
    const ScanResult &merged = m_outcome.result;
    auto full = [&](size_t count, int limit) { return count >= size_t(limit); };
    if (full(merged.unmatched.first.size(), m_listLimit))
        m_wanted.unmatched = false;
    if (full(merged.ambiguous.first.size(), m_listLimit))
        m_wanted.ambiguous = false;
    if (full(merged.longLines.first.size(), m_listLimit))
        m_wanted.longLines = false;
    if (full(merged.errors.size(), m_listLimit))
        m_wanted.errors = false;
    if (full(merged.controlLines.first.size(), m_listLimit))
        m_wanted.controlLines = false;
    if (full(merged.details.size(), m_detailLimit))
        m_wanted.details = false;
}

// One thread at a time merges the parts that are next in reading order, outside the lock, so
// that the others go on delivering theirs meanwhile.
void FileScan::deliver(qint64 k, ScanResult &&part)
{
    std::unique_lock lock(m_mutex);
    m_done += part.bytes;
    m_pending.emplace(k, std::move(part));
    if (m_merging)
        return; // the merging thread takes it in its turn
    m_merging = true;
    while (!m_pending.empty() && m_pending.begin()->first == m_nextToMerge) {
        ScanResult next = std::move(m_pending.begin()->second);
        m_pending.erase(m_pending.begin());
        lock.unlock();
        merge(std::move(next));
        lock.lock();
        ++m_nextToMerge;
    }
    m_merging = false;
    if (m_options.progress)
        m_options.progress(m_done, m_size - m_dataStart);
}

void FileScan::fail(const QString &error)
{
    std::lock_guard lock(m_mutex);
    if (m_failure.isEmpty())
        m_failure = error;
    m_stop = true;
}

void FileScan::work()
{
    ChunkReader reader(m_format, m_options, m_wanted);
    QString error;
    if (!reader.open(m_path, &error)) {
        fail(error);
        return;
    }
    ScanResult part;
    while (!m_stop) {
        if (m_options.cancel && m_options.cancel->load())
            break;
        const qint64 k = m_nextChunk.fetch_add(1);
        if (k >= m_chunkCount)
            break;
        if (!reader.read(chunkAt(k), part, &error)) {
            fail(error);
            break;
        }
        deliver(k, std::move(part));
    }
}

// Records of a fixed length: read one after the other from the first, since where a record
// starts depends on every line break before it.
void FileScan::readRecords()
{
    ChunkReader reader(m_format, m_options, m_wanted);
    QString error;
    if (!reader.open(m_path, &error)) {
        m_failure = error;
        return;
    }
    qint64 at = m_dataStart;
    ScanResult part;
    for (qint64 k = 0; at < m_size; ++k) {
        if (m_options.cancel && m_options.cancel->load()) {
            m_recordsCut = true;
            return;
        }
        if (!reader.readRecords({at, std::min(m_size, at + m_chunkBytes)}, m_recordLength, part,
                                &at, &error)) {
            m_failure = error;
            return;
        }
        deliver(k, std::move(part));
    }
}

void FileScan::run()
{
    int threads = m_options.threads > 0
                      ? m_options.threads
                      : std::clamp(int(std::thread::hardware_concurrency()), 1, 4);
    threads = int(std::min<qint64>(threads, std::max<qint64>(m_chunkCount, 1)));
    if (m_recordLength > 0) {
        readRecords();
    } else if (threads <= 1) {
        work();
    } else {
        std::vector<std::thread> pool;
        for (int i = 0; i < threads; ++i)
            pool.emplace_back([this] { work(); });
        for (std::thread &thread : pool)
            thread.join();
    }
}

} // namespace

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
    FileScan scan(format, path, options, probe, outcome);
    scan.run();
    QString failure = scan.failure();
    // The file as the chunks were laid out: changed since (between the opening of the readers,
    // after the last chunk), the result is of no file.
    if (QString why; failure.isEmpty() && !probe.unchanged(&why))
        failure = why;
    if (!failure.isEmpty()) {
        outcome.error = QStringLiteral("El archivo '%1' no se pudo leer: %2").arg(path, failure);
        return outcome;
    }
    outcome.cancelled = scan.cancelled();
    const int recordLength = format.rules().recordLength();
    if (format.rules().acrossLines() && !outcome.cancelled)
        scan.rules().finish(outcome.result);
    // Records of a fixed length are read from the first, also for a reverse reading.
    const bool reverse = options.reverse && recordLength <= 0;
    outcome.result.settleEmptyLines(reverse, std::max(0, options.listLimit));
    // A reverse reading knows its line numbers once it has counted every line; cut short, it
    // numbers the lines it read from the end of the file.
    outcome.result.numberLines(reverse && !outcome.cancelled);
    outcome.ran = true;
    return outcome;
}

} // namespace velkora::formats
