#pragma once

#include "FileMapping.h"
#include "Limits.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

namespace velkora::formats {

// One line (or fixed record) of a file, as the load-format test reads it.
struct SourceLine {
    qint64 begin = 0;            // the file's offset of its first byte
    qint64 length = 0;           // its bytes up to its LF (a CR included), or the record's
    const char *bytes = nullptr; // at least min(length, MaxLineBytes + 1) of them
    qsizetype size = 0;          // the bytes the test reads: no CR before the LF, cut
    bool cut = false;            // longer than MaxLineBytes: read up to there
};

// The bytes the test reads of a line of `length` bytes: without the CR of a CR LF end (a
// record of fixed length keeps it), cut at MaxLineBytes without cutting a UTF-8 character.
// `available`: how many of its bytes are at hand (at least min(length, MaxLineBytes + 1)).
inline qsizetype readableSize(const char *p, qint64 length, qint64 available, bool record,
                              bool *cut)
{
    auto size = qsizetype(std::min<qint64>({length, qint64(MaxLineBytes) + 1, available}));
    if (!record && size == length && size > 0 && p[size - 1] == '\r')
        --size;
    *cut = size > MaxLineBytes;
    if (*cut) {
        size = MaxLineBytes;
        // Never cut a UTF-8 character in two.
        for (int back = 0; back < 3 && (static_cast<unsigned char>(p[size]) & 0xC0) == 0x80; ++back)
            --size;
    }
    return size;
}

// A file read as lines: its data are the bytes after a UTF-8 byte-order mark and before a
// final Ctrl-Z (0x1A, as old systems end a file). Lines end with LF or CR LF; a last line
// without an end counts; no line follows a final LF. Any block [from, to) of the data gives
// the lines that start in it, forwards or backwards, whatever lines cross its edges, so that
// blocks read apart (one thread each) split the file exactly as one reading of it. Memory: a
// block, and one line of at most MaxLineBytes + 1 bytes past its end.
// A regular file is read through a mapping of each block (no copy of its bytes); what cannot
// be mapped (a pipe, a device) is read with read(). A file that another program shortens,
// lengthens or writes while it is read makes the reading of the block fail with
// `changedText()`, whichever way it is read.
class LineSource {
public:
    // Why the test cannot read `path` (empty, missing, a folder), or an empty text.
    static QString pathProblem(const QString &path);
    // Why a reading failed when the file changed under it.
    static QString changedText();

    // Before `open`: false reads the file with read() even where it could be mapped.
    void setMapping(bool wanted) { m_mappingWanted = wanted; }
    // Called after each block is mapped and before its bytes are read (tests change the file
    // there).
    void setAfterMapping(std::function<void()> hook) { m_afterMapping = std::move(hook); }

    // Opens the file; false with the system's reason.
    bool open(const QString &path, QString *error);
    bool mapped() const { return m_mapped; }
    // False (with changedText()) when the file is no longer as it was opened: another size or
    // time of last change, or a mapped page found past its end.
    bool unchanged(QString *error) const;
    qint64 fileBytes() const { return m_fileBytes; }
    qint64 dataStart() const { return m_dataStart; }
    qint64 dataEnd() const { return m_dataEnd; }
    bool byteOrderMark() const { return m_dataStart > 0; }

    // Watch [from, to) of every block for a NUL byte: the first one's offset, or -1.
    void watchNul() { m_watchNul = true; }
    qint64 firstNul() const { return m_firstNul; }

    // Reads [from, from + size) of the file into `into`.
    bool readAt(qint64 from, char *into, qint64 size, QString *error);

    // The lines that start in [from, to) of the data, in reading order; `take` returns false to
    // stop. The bytes stay valid until the next call.
    template <typename Take>
    bool lines(qint64 from, qint64 to, bool reverse, Take &&take, QString *error);
    // REGISTRO n: the records of `length` bytes that start in [from, to), one after the other,
    // each perhaps followed by a line break (passed over); the last one of the data may be
    // shorter. *next: where the record after them starts.
    template <typename Take>
    bool records(qint64 from, qint64 to, int length, Take &&take, qint64 *next, QString *error);

private:
    // Where a block's lines lie from m_data.
    struct Region {
        qsizetype first = 0;    // where its first line starts
        qsizetype lastAt = 0;   // where its last line starts
        qsizetype end = 0;      // where its last line's bytes end in the buffer
        qint64 lastLength = 0;  // the last line's whole length
        bool none = false;      // no line starts in the block
    };
    bool loadBlock(qint64 from, qint64 to, Region *region, QString *error);
    template <typename Take> void eachLine(const Region &region, bool reverse, Take &take) const;
    // The file's [from, to) at hand from m_data: mapped up to `mappedTo` (not read beyond
    // `to` unless asked), or read.
    bool place(qint64 from, qint64 to, qint64 mappedTo, QString *error);
    bool load(qint64 from, qint64 size, QString *error);
    bool lengthPast(qint64 from, qint64 *lineFeed, QString *error);
    void noteNul(const char *p, qint64 offset, qint64 size);
    SourceLine at(qsizetype offset, qint64 length, qint64 available, bool record) const;

    QFile m_file;
    bool m_mappingWanted = true;
    bool m_mapped = false;
    FileMapping m_mapping;
    std::function<void()> m_afterMapping;
    qint64 m_modified = 0; // the file's time of last change as opened (nanoseconds)
    qint64 m_fileBytes = 0;
    qint64 m_dataStart = 0;
    qint64 m_dataEnd = 0;
    bool m_watchNul = false;
    qint64 m_firstNul = -1;
    // The block's bytes: grown once, never zero-filled (every byte used is read first).
    std::unique_ptr<char[]> m_buffer;
    size_t m_capacity = 0;
    size_t m_used = 0;     // the bytes at hand from m_data
    qint64 m_bufferAt = 0; // the file's offset of m_data[0]
    const char *m_data = nullptr; // in m_buffer, or in the mapping
};

inline SourceLine LineSource::at(qsizetype offset, qint64 length, qint64 available,
                                 bool record) const
{
    SourceLine line;
    line.begin = m_bufferAt + offset;
    line.length = length;
    line.bytes = m_data + offset;
    if (length <= MaxLineBytes && length <= available && !record) // most lines
        line.size = qsizetype(length) - (length > 0 && line.bytes[length - 1] == '\r');
    else
        line.size = readableSize(line.bytes, length, available, record, &line.cut);
    return line;
}

template <typename Take>
bool LineSource::lines(qint64 from, qint64 to, bool reverse, Take &&take, QString *error)
{
    Region region;
    if (!loadBlock(from, to, &region, error))
        return false;
    if (!region.none)
        eachLine(region, reverse, take);
    return unchanged(error);
}

template <typename Take>
void LineSource::eachLine(const Region &region, bool reverse, Take &take) const
{
    const char *buf = m_data;
    const auto lastAvailable = qint64(region.end - region.lastAt);
    if (!reverse) {
        qsizetype p = region.first;
        while (p < region.lastAt) {
            const auto *nl = static_cast<const char *>(
                std::memchr(buf + p, '\n', size_t(region.lastAt - p)));
            const qsizetype end = nl - buf;
            if (!take(at(p, end - p, end - p, false)))
                return;
            p = end + 1;
        }
        take(at(region.lastAt, region.lastLength, lastAvailable, false));
        return;
    }
    if (!take(at(region.lastAt, region.lastLength, lastAvailable, false)))
        return;
    qsizetype end = region.lastAt - 1; // the LF before the last line
    while (end >= region.first) {
        const void *nl = end > region.first
                             ? memrchr(buf + region.first, '\n', size_t(end - region.first))
                             : nullptr;
        const qsizetype p = nl ? static_cast<const char *>(nl) - buf + 1 : region.first;
        if (!take(at(p, end - p, end - p, false)))
            return;
        end = p - 1;
    }
}

template <typename Take>
bool LineSource::records(qint64 from, qint64 to, int length, Take &&take, qint64 *next,
                         QString *error)
{
    // The records that start in the block, the last one whole, and a line break after it.
    const qint64 until = std::min(m_dataEnd, to + length + 2);
    if (!place(from, until, until, error))
        return false;
    noteNul(m_data, from, std::min(to, m_dataEnd) - from);
    const char *buf = m_data;
    const auto loaded = qsizetype(m_used);
    qsizetype p = 0;
    bool more = true;
    while (more && from + p < to && p < loaded) {
        const qsizetype end = std::min<qsizetype>(p + length, loaded);
        more = take(at(p, end - p, end - p, true));
        p = end;
        if (p + 1 < loaded && buf[p] == '\r' && buf[p + 1] == '\n')
            p += 2;
        else if (p < loaded && buf[p] == '\n')
            p += 1;
    }
    *next = from + p;
    return unchanged(error);
}

} // namespace velkora::formats
