#include "LineSource.h"

#include <QFileInfo>
#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace velkora::formats {

QString LineSource::pathProblem(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("No se indicó el archivo que se prueba.");
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("El archivo '%1' no existe.").arg(path);
    if (info.isDir())
        return QStringLiteral("'%1' es una carpeta, no un archivo.").arg(path);
    return {};
}

QString LineSource::changedText()
{
    return QStringLiteral("cambió mientras se leía (otro programa lo acortó, lo alargó o lo "
                          "escribió); vuelva a intentarlo cuando esté completo");
}

namespace {

qint64 nanoseconds(const struct timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

} // namespace

bool LineSource::open(const QString &path, QString *error)
{
    m_mapping.release();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        *error = m_file.errorString();
        return false;
    }
    struct stat status {};
    if (fstat(m_file.handle(), &status) == 0 && S_ISREG(status.st_mode)) {
        m_fileBytes = status.st_size;
        m_modified = nanoseconds(status.st_mtim);
        m_mapped = m_mappingWanted && m_fileBytes > 0;
    } else {
        m_fileBytes = m_file.size();
        m_modified = -1; // nothing to compare: read as it comes
        m_mapped = false;
    }
    m_dataStart = 0;
    m_dataEnd = m_fileBytes;
    m_firstNul = -1;
    char head[3] = {};
    if (m_fileBytes >= 3) {
        if (!readAt(0, head, 3, error))
            return false;
        if (std::memcmp(head, "\xEF\xBB\xBF", 3) == 0)
            m_dataStart = 3;
    }
    if (m_dataEnd > m_dataStart) {
        char last = 0;
        if (!readAt(m_dataEnd - 1, &last, 1, error))
            return false;
        if (last == '\x1A')
            --m_dataEnd;
    }
    return true;
}

bool LineSource::readAt(qint64 from, char *into, qint64 size, QString *error)
{
    if (!m_file.seek(from)) {
        *error = m_file.errorString();
        return false;
    }
    qint64 got = 0;
    while (got < size) {
        const qint64 n = m_file.read(into + got, size - got);
        if (n <= 0) {
            *error = n < 0 ? m_file.errorString() : changedText();
            return false;
        }
        got += n;
    }
    return true;
}

bool LineSource::unchanged(QString *error) const
{
    if (m_modified < 0)
        return true;
    struct stat status {};
    if (m_mapping.changed() || fstat(m_file.handle(), &status) != 0 ||
        status.st_size != m_fileBytes || nanoseconds(status.st_mtim) != m_modified) {
        *error = changedText();
        return false;
    }
    return true;
}

bool LineSource::place(qint64 from, qint64 to, qint64 mappedTo, QString *error)
{
    if (to > m_dataEnd) {
        // Asked for bytes that the file had when another reader opened it.
        *error = changedText();
        return false;
    }
    m_bufferAt = from;
    if (m_mapped && m_mapping.map(m_file.handle(), from, mappedTo, to - from)) {
        m_data = m_mapping.at(from);
        m_used = size_t(mappedTo - from);
        if (m_afterMapping)
            m_afterMapping();
        return true;
    }
    m_used = 0;
    return load(from, to - from, error);
}

bool LineSource::load(qint64 from, qint64 size, QString *error)
{
    const size_t old = m_used;
    if (old + size_t(size) > m_capacity) {
        const size_t wanted = std::max(old + size_t(size), m_capacity + m_capacity / 2);
        std::unique_ptr<char[]> larger(new char[wanted]);
        if (old > 0)
            std::memcpy(larger.get(), m_buffer.get(), old);
        m_buffer = std::move(larger);
        m_capacity = wanted;
    }
    m_used += size_t(size);
    m_data = m_buffer.get();
    return readAt(from, m_buffer.get() + old, size, error);
}

void LineSource::noteNul(const char *p, qint64 offset, qint64 size)
{
    if (!m_watchNul || size <= 0)
        return;
    if (const void *nul = std::memchr(p, 0, size_t(size))) {
        const qint64 found = offset + (static_cast<const char *>(nul) - p);
        if (m_firstNul < 0 || found < m_firstNul)
            m_firstNul = found;
    }
}

bool LineSource::lengthPast(qint64 from, qint64 *lineFeed, QString *error)
{
    // Past the bytes the test reads of a long line, its end is only looked for.
    std::vector<char> scratch(size_t(64 << 10));
    for (qint64 at = from; at < m_dataEnd; at += qint64(scratch.size())) {
        const qint64 n = std::min(qint64(scratch.size()), m_dataEnd - at);
        if (!readAt(at, scratch.data(), n, error))
            return false;
        if (const void *nl = std::memchr(scratch.data(), '\n', size_t(n))) {
            *lineFeed = at + (static_cast<const char *>(nl) - scratch.data());
            return true;
        }
    }
    *lineFeed = m_dataEnd;
    return true;
}

bool LineSource::loadBlock(qint64 from, qint64 to, Region *region, QString *error)
{
    // The byte before the block tells whether a line starts at its first byte. A mapping
    // reaches as far as the block's last line may (only what is read of it is touched).
    const qint64 start = from > m_dataStart ? from - 1 : from;
    if (!place(start, to, std::min(m_dataEnd, to + MaxLineBytes + 1), error))
        return false;
    noteNul(m_data + (from - m_bufferAt), from, to - from);
    const char *buf = m_data;
    const auto owned = qsizetype(to - m_bufferAt); // lines starting before it are the block's

    qsizetype first = 0;
    if (from > m_dataStart) {
        const void *nl = std::memchr(buf, '\n', size_t(owned - 1));
        if (!nl) {
            region->none = true; // the block lies inside a line that started earlier
            return true;
        }
        first = static_cast<const char *>(nl) - buf + 1;
    }
    qsizetype last = first;
    if (owned - 1 > first) {
        if (const void *nl = memrchr(buf + first, '\n', size_t(owned - 1 - first)))
            last = static_cast<const char *>(nl) - buf + 1;
    }
    region->first = first;
    region->lastAt = last;
    // Where the last line ends, perhaps past the block: read on until its LF, the end of the
    // data or MaxLineBytes + 1 of its bytes, then only look for its end.
    qsizetype searched = last;
    while (true) {
        if (const void *nl = std::memchr(buf + searched, '\n', m_used - size_t(searched))) {
            region->end = static_cast<const char *>(nl) - buf;
            region->lastLength = region->end - last;
            return true;
        }
        searched = qsizetype(m_used);
        const qint64 at = m_bufferAt + qint64(m_used);
        const auto length = qint64(m_used) - last;
        if (at >= m_dataEnd || length > MaxLineBytes) {
            region->end = qsizetype(m_used);
            qint64 lineFeed = m_dataEnd;
            if (at < m_dataEnd && !lengthPast(at, &lineFeed, error))
                return false;
            region->lastLength = lineFeed - (m_bufferAt + last);
            return true;
        }
        const qint64 step =
            std::min<qint64>({qint64(64 << 10), m_dataEnd - at, qint64(MaxLineBytes) + 1 - length});
        if (!load(at, step, error))
            return false;
        buf = m_data;
    }
}

} // namespace velkora::formats
