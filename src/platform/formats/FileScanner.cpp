#include "FileScanner.h"

#include "LikelyCauses.h"
#include "Limits.h"
#include "LineAnalyzer.h"
#include "LineRules.h"
#include "RuleChecker.h"
#include "RuleTrack.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace velkora::formats {

namespace {

struct Chunk {
    qint64 start = 0; // the chunk's bytes [start, end) of the file
    qint64 end = 0;
};

// What the lists of the merged result still want: once a merged list is full, later chunks
// need not keep entries for it. Only merges in reading order clear a flag, so what is kept
// does not depend on which thread finishes first.
struct Wanted {
    std::atomic<bool> unmatched{true};
    std::atomic<bool> ambiguous{true};
    std::atomic<bool> longLines{true};
    std::atomic<bool> errors{true};
    std::atomic<bool> details{true};
};

class ChunkReader {
public:
    ChunkReader(const CompiledFormat &format, const QString &path, qint64 fileSize,
                qint64 dataStart, const ScanOptions &options, const Wanted &wanted)
        : m_format(format), m_file(path), m_fileSize(fileSize), m_dataStart(dataStart),
          m_options(options), m_wanted(wanted), m_analyzer(format), m_rules(format),
          m_track(format), m_checksRules(!format.rules().empty())
    {
        // Only the rules look at the values that the checks read.
        m_analyzer.setValuesWanted(m_checksRules);
    }

    bool open(QString *error)
    {
        if (m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return true;
        *error = m_file.errorString();
        return false;
    }

    bool read(const Chunk &chunk, ScanResult &out, QString *error);
    // REGISTRO n: the records that start in [chunk.start, chunk.end), each of `length`
    // characters and perhaps a line break after it; *next is where the record after them
    // starts. The last record of the file may be shorter (an error of the rule).
    bool readRecords(const Chunk &chunk, int length, ScanResult &out, qint64 *next, QString *error);

private:
    bool load(qint64 from, qint64 size, QString *error);
    void line(qsizetype at, qsizetype size, bool ended, ScanResult &out);

    const CompiledFormat &m_format;
    QFile m_file;
    qint64 m_fileSize;
    qint64 m_dataStart;
    const ScanOptions &m_options;
    const Wanted &m_wanted;
    LineAnalyzer m_analyzer;
    LineRules m_rules;
    RuleTrack m_track;
    bool m_checksRules;
    // The chunk's bytes: grown once, never zero-filled (every byte used is read first).
    struct Buffer {
        std::unique_ptr<char[]> bytes;
        size_t capacity = 0;
        size_t used = 0;
        char *data() { return bytes.get(); }
        size_t size() const { return used; }
        void clear() { used = 0; }
        void grow(size_t more)
        {
            if (used + more > capacity) {
                const size_t wanted = std::max(used + more, capacity + capacity / 2);
                std::unique_ptr<char[]> larger(new char[wanted]);
                if (used > 0)
                    std::memcpy(larger.get(), bytes.get(), used);
                bytes = std::move(larger);
                capacity = wanted;
            }
            used += more;
        }
    } m_buffer;
    qint64 m_bufferAt = 0; // file offset of m_buffer[0]
};

bool ChunkReader::load(qint64 from, qint64 size, QString *error)
{
    const size_t old = m_buffer.size();
    m_buffer.grow(size_t(size));
    if (!m_file.seek(from)) {
        *error = m_file.errorString();
        return false;
    }
    qint64 got = 0;
    while (got < size) {
        const qint64 n = m_file.read(m_buffer.data() + old + got, size - got);
        if (n <= 0) {
            *error = n < 0 ? m_file.errorString()
                           : QStringLiteral("el archivo se acortó mientras se leía");
            return false;
        }
        got += n;
    }
    return true;
}

bool ChunkReader::read(const Chunk &chunk, ScanResult &out, QString *error)
{
    out = ScanResult{};
    out.types.resize(m_format.lineTypes().size());
    for (size_t t = 0; t < out.types.size(); ++t)
        out.types[t].gaps.resize(m_format.lineTypes()[t].gaps.size());
    out.bytes = chunk.end - chunk.start;
    m_track.begin(out);

    // The byte before the chunk tells whether a line starts at its first byte.
    m_buffer.clear();
    m_bufferAt = chunk.start > m_dataStart ? chunk.start - 1 : chunk.start;
    if (!load(m_bufferAt, chunk.end - m_bufferAt, error))
        return false;
    const char *buf = m_buffer.data();
    const qsizetype owned = qsizetype(chunk.end - m_bufferAt); // lines starting before it

    qsizetype first = 0;
    if (chunk.start > m_dataStart) {
        const void *nl = std::memchr(buf, '\n', size_t(owned - 1));
        if (!nl)
            return true; // the chunk lies inside a line that started earlier
        first = static_cast<const char *>(nl) - buf + 1;
    }
    // The last line starting in the chunk, and where it ends (perhaps past the chunk).
    qsizetype last = first;
    if (owned - 1 > first) {
        const void *nl = memrchr(buf + first, '\n', size_t(owned - 1 - first));
        if (nl)
            last = static_cast<const char *>(nl) - buf + 1;
    }
    qsizetype regionEnd = -1;
    bool lastEnded = true; // the last line ends with LF or at the end of the file
    {
        const void *nl = std::memchr(buf + last, '\n', m_buffer.size() - size_t(last));
        if (nl) {
            regionEnd = static_cast<const char *>(nl) - buf;
        } else {
            // Read on until the line ends, the file ends or the line is too long to read.
            qsizetype searched = qsizetype(m_buffer.size());
            while (true) {
                const qint64 at = m_bufferAt + qint64(m_buffer.size());
                const qsizetype length = qsizetype(m_buffer.size()) - last;
                if (at >= m_fileSize) {
                    regionEnd = qsizetype(m_buffer.size());
                    break;
                }
                if (length > MaxLineBytes) {
                    regionEnd = qsizetype(m_buffer.size());
                    lastEnded = false;
                    break;
                }
                const qint64 step = std::min<qint64>(
                    {qint64(64 << 10), m_fileSize - at, qint64(MaxLineBytes + 1 - length)});
                if (!load(at, step, error))
                    return false;
                buf = m_buffer.data();
                const void *found =
                    std::memchr(buf + searched, '\n', m_buffer.size() - size_t(searched));
                if (found) {
                    regionEnd = static_cast<const char *>(found) - buf;
                    break;
                }
                searched = qsizetype(m_buffer.size());
            }
        }
    }

    if (!m_options.reverse) {
        qsizetype at = first;
        while (true) {
            const void *nl = std::memchr(buf + at, '\n', size_t(regionEnd - at));
            if (!nl) {
                line(at, regionEnd - at, lastEnded, out);
                break;
            }
            const qsizetype end = static_cast<const char *>(nl) - buf;
            line(at, end - at, true, out);
            at = end + 1;
        }
    } else {
        qsizetype end = regionEnd;
        bool ended = lastEnded;
        while (true) {
            const void *nl =
                end > first ? memrchr(buf + first, '\n', size_t(end - first)) : nullptr;
            const qsizetype at = nl ? static_cast<const char *>(nl) - buf + 1 : first;
            line(at, end - at, ended, out);
            if (!nl)
                break;
            end = at - 1;
            ended = true;
        }
    }
    return true;
}

bool ChunkReader::readRecords(const Chunk &chunk, int length, ScanResult &out, qint64 *next,
                              QString *error)
{
    out = ScanResult{};
    out.types.resize(m_format.lineTypes().size());
    for (size_t t = 0; t < out.types.size(); ++t)
        out.types[t].gaps.resize(m_format.lineTypes()[t].gaps.size());
    m_track.begin(out);
    m_buffer.clear();
    m_bufferAt = chunk.start;
    // The records that start in the chunk, the last one whole, and a line break after it.
    const qint64 to = std::min(m_fileSize, chunk.end + length + 2);
    if (!load(chunk.start, to - chunk.start, error))
        return false;
    const char *buf = m_buffer.data();
    const auto loaded = qsizetype(m_buffer.size());
    qsizetype at = 0;
    while (chunk.start + at < chunk.end) {
        const qsizetype end = std::min<qsizetype>(at + length, loaded);
        const qint64 before = out.lines;
        line(at, end - at, false, out);
        if (end - at < length && m_format.rules().recordRule() >= 0) {
            // A short last record.
            FieldError e;
            e.line = before;
            e.lineType = -1;
            e.field = -1;
            e.kind = ErrorKind::Rule;
            e.rule = m_format.rules().recordRule();
            e.ruleValue = end - at;
            e.from = 1;
            e.to = int(end - at);
            bool inError = false;
            countError(m_format, e, out, inError, m_wanted.errors.load(std::memory_order_relaxed),
                       m_options.listLimit);
        }
        at = end;
        if (at + 1 < loaded && buf[at] == '\r' && buf[at + 1] == '\n')
            at += 2;
        else if (at < loaded && buf[at] == '\n')
            at += 1;
    }
    out.bytes = at;
    *next = chunk.start + at;
    return true;
}

void ChunkReader::line(qsizetype at, qsizetype size, bool ended, ScanResult &out)
{
    const char *p = m_buffer.data() + at;
    if (ended && size > 0 && p[size - 1] == '\r')
        --size;
    const bool tooLong = size > MaxLineBytes;
    if (tooLong) {
        size = MaxLineBytes;
        // Never cut a UTF-8 character in two.
        for (int back = 0; back < 3 && (static_cast<unsigned char>(p[size]) & 0xC0) == 0x80; ++back)
            --size;
    }
    const qint64 index = out.lines++;
    const int limit = m_options.listLimit;
    auto list = [&](ListedLines &to, const std::atomic<bool> &wanted) {
        ++to.count;
        if (int(to.first.size()) < limit && wanted.load(std::memory_order_relaxed))
            to.first.push_back(index);
    };
    if (size == 0) {
        // An empty line: one that ends the file is named, one between lines has no type.
        out.noteEmpty(index, limit);
        if (m_track.active()) {
            bool inError = false;
            m_track.line(nullptr, index, out, inError, false, limit);
        }
        if (int(out.details.size()) < m_options.detailLines &&
            m_wanted.details.load(std::memory_order_relaxed)) {
            LineDetail detail;
            detail.line = index;
            out.details.push_back(std::move(detail));
        }
        return;
    }
    out.noteText(limit);

    // Converted values are worked out only for the lines kept in full.
    const bool keepDetail = int(out.details.size()) < m_options.detailLines &&
                            m_wanted.details.load(std::memory_order_relaxed);
    m_analyzer.analyze(p, size,
                       keepDetail ? LineAnalyzer::Depth::Full : LineAnalyzer::Depth::Checks);
    const int characters = int(m_analyzer.characters());
    if (characters > out.longest || out.longestLine < 0) {
        out.longest = std::max(out.longest, characters);
        out.longestLine = index;
    }
    if (tooLong)
        list(out.longLines, m_wanted.longLines);
    if (m_analyzer.encoding() == LineEncoding::Utf8)
        ++out.utf8Lines;
    else if (m_analyzer.encoding() == LineEncoding::Cp1252)
        ++out.cp1252Lines;

    const bool keepErrors = m_wanted.errors.load(std::memory_order_relaxed);
    bool inError = false;
    auto controlCharacter = [&](int lineType) {
        if (m_analyzer.controlColumn() == 0)
            return;
        list(out.controlLines, m_wanted.errors);
        FieldError error;
        error.line = index;
        error.lineType = lineType;
        error.field = lineType >= 0 ? m_analyzer.controlField() : -1;
        error.kind = ErrorKind::Control;
        error.from = error.to = m_analyzer.controlColumn();
        error.column = m_analyzer.controlColumn();
        // The byte itself (the column counts characters; find it again by its offset).
        error.ruleValue = static_cast<unsigned char>(*std::find_if(p, p + size, [](char c) {
            const auto b = static_cast<unsigned char>(c);
            return b < 0x20 && b != 0x09;
        }));
        countError(m_format, error, out, inError, keepErrors, limit);
    };

    switch (m_analyzer.match()) {
    case LineAnalyzer::Match::None:
        list(out.unmatched, m_wanted.unmatched);
        controlCharacter(-1);
        break;
    case LineAnalyzer::Match::Many:
        list(out.ambiguous, m_wanted.ambiguous);
        controlCharacter(-1);
        break;
    case LineAnalyzer::Match::One: {
        const int t = m_analyzer.lineType();
        TypeStat &stat = out.types[size_t(t)];
        ++stat.lines;
        stat.longest = std::max(stat.longest, characters);
        for (size_t g = 0; g < stat.gaps.size(); ++g) {
            if (m_analyzer.gapHasText(int(g))) {
                GapStat &gap = stat.gaps[g];
                if (gap.first < 0)
                    gap.first = index;
                ++gap.lines;
            }
        }
        const int errors = m_analyzer.errorCount();
        if (errors > 0) {
            // What the likely causes need is gathered here, on the lines in error alone.
            noteLineInError(m_analyzer, m_format.lineTypes()[size_t(t)], stat);
            inError = true;
            for (const int f : m_analyzer.fieldsInError()) {
                std::vector<qint64> &first = stat.fields[size_t(f)].first;
                if (first.size() < size_t(FirstLinesPerField))
                    first.push_back(index);
            }
            out.errorCount += errors;
            if (int(out.errors.size()) < limit && keepErrors) {
                const auto fields = int(m_format.lineTypes()[size_t(t)].fields.size());
                for (int f = 0; f < fields && int(out.errors.size()) < limit; ++f) {
                    if (m_analyzer.field(f).ok)
                        continue;
                    FieldError &error = out.errors.emplace_back();
                    m_analyzer.fillError(f, error);
                    error.line = index;
                }
            }
        }
        controlCharacter(t);
        if (m_checksRules)
            m_rules.check(m_analyzer, index, out, inError, keepErrors, limit);
        break;
    }
    }
    if (m_track.active())
        m_track.line(&m_analyzer, index, out, inError, keepErrors, limit);
    if (keepDetail) {
        LineDetail detail = m_analyzer.detail();
        detail.line = index;
        out.details.push_back(std::move(detail));
    }
}

} // namespace

ScanOutcome scanFile(const CompiledFormat &format, const QString &path, const ScanOptions &options)
{
    ScanOutcome outcome;
    const QFileInfo info(path);
    if (path.isEmpty()) {
        outcome.error = QStringLiteral("No se indicó el archivo que se prueba.");
        return outcome;
    }
    if (!info.exists()) {
        outcome.error = QStringLiteral("El archivo '%1' no existe.").arg(path);
        return outcome;
    }
    if (info.isDir()) {
        outcome.error = QStringLiteral("'%1' es una carpeta, no un archivo.").arg(path);
        return outcome;
    }
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        outcome.error =
            QStringLiteral("El archivo '%1' no se puede leer: %2").arg(path, probe.errorString());
        return outcome;
    }
    qint64 size = probe.size();
    const QByteArray head = probe.read(3);
    // A final Ctrl-Z (0x1A), as old systems write, ends the file.
    if (size > 0 && probe.seek(size - 1) && probe.read(1) == QByteArray(1, '\x1A'))
        --size;
    probe.close();
    outcome.fileBytes = probe.size();
    outcome.byteOrderMark = head == QByteArray("\xEF\xBB\xBF");
    const qint64 dataStart = outcome.byteOrderMark ? 3 : 0;

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
        ChunkReader reader(format, path, size, dataStart, options, wanted);
        QString error;
        if (!reader.open(&error)) {
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
        ChunkReader reader(format, path, size, dataStart, options, wanted);
        QString error;
        if (!reader.open(&error)) {
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
