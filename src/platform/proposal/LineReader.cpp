#include "LineReader.h"

#include "formats/Limits.h"

#include <algorithm>
#include <cstring>

namespace velkora::proposal {

namespace {
constexpr qsizetype BlockBytes = 1 << 20;
}

bool LineReader::open(const QString &path, QString *error)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        *error = m_file.errorString();
        return false;
    }
    m_size = m_file.size();
    m_block.resize(size_t(BlockBytes));
    m_number = 0;
    m_read = 0;
    m_firstNul = -1;
    m_at = m_end = 0;
    m_eof = false;
    if (!fill() && !m_error.isEmpty()) {
        *error = m_error;
        return false;
    }
    if (m_end >= 3 && std::memcmp(m_block.data(), "\xEF\xBB\xBF", 3) == 0)
        m_at = 3;
    return true;
}

bool LineReader::fill()
{
    m_at = 0;
    m_end = 0;
    if (m_eof)
        return false;
    while (m_end < BlockBytes) {
        const qint64 got = m_file.read(m_block.data() + m_end, BlockBytes - m_end);
        if (got < 0) {
            m_error = m_file.errorString();
            m_eof = true;
            break;
        }
        if (got == 0) {
            m_eof = true;
            break;
        }
        m_end += qsizetype(got);
    }
    if (m_firstNul < 0 && m_end > 0) {
        if (const void *nul = std::memchr(m_block.data(), 0, size_t(m_end)))
            m_firstNul = m_read + (static_cast<const char *>(nul) - m_block.data());
    }
    m_read += m_end;
    return m_end > 0;
}

bool LineReader::nextRecord(const char *&p, qsizetype &n)
{
    m_line.clear();
    const auto length = qsizetype(m_record);
    bool whole = false; // the record stands whole within the block
    while (qsizetype(m_line.size()) < length) {
        if (m_at >= m_end && !fill())
            break;
        const qsizetype take = std::min(m_end - m_at, length - qsizetype(m_line.size()));
        if (m_line.empty() && take == length) {
            p = m_block.data() + m_at;
            n = take;
            m_at += take;
            whole = true;
            break;
        }
        m_line.insert(m_line.end(), m_block.data() + m_at, m_block.data() + m_at + take);
        m_at += take;
    }
    if (!whole) {
        if (m_line.empty())
            return false;
        p = m_line.data();
        n = qsizetype(m_line.size());
    }
    if (m_at < m_end && m_block[size_t(m_at)] == '\n')
        ++m_at;
    else if (m_at + 1 < m_end && m_block[size_t(m_at)] == '\r' && m_block[size_t(m_at) + 1] == '\n')
        m_at += 2;
    ++m_number;
    return true;
}

bool LineReader::next(const char *&p, qsizetype &n)
{
    if (m_record > 0)
        return nextRecord(p, n);
    m_line.clear();
    bool crossed = false;
    while (true) {
        if (m_at >= m_end) {
            if (!fill()) {
                if (!crossed)
                    return false;
                break; // the last line has no end
            }
        }
        const char *start = m_block.data() + m_at;
        const void *nl = std::memchr(start, '\n', size_t(m_end - m_at));
        if (nl && !crossed) {
            p = start;
            n = static_cast<const char *>(nl) - start;
            m_at += n + 1;
            finish(p, n);
            return true;
        }
        const qsizetype take = nl ? static_cast<const char *>(nl) - start : m_end - m_at;
        // Beyond the longest line the test reads, the bytes are passed over.
        const qsizetype room = std::max<qsizetype>(0, formats::MaxLineBytes + 2 - qsizetype(m_line.size()));
        m_line.insert(m_line.end(), start, start + std::min(take, room));
        crossed = true;
        m_at += take;
        if (nl) {
            ++m_at;
            break;
        }
    }
    p = m_line.data();
    n = qsizetype(m_line.size());
    finish(p, n);
    return true;
}

void LineReader::finish(const char *p, qsizetype &n)
{
    // As the test: the CR of a CR LF end goes, then a line too long is cut where it stops
    // reading, never inside a UTF-8 character.
    if (n > 0 && p[n - 1] == '\r')
        --n;
    if (n > formats::MaxLineBytes) {
        n = formats::MaxLineBytes;
        for (int back = 0; back < 3 && (static_cast<unsigned char>(p[n]) & 0xC0) == 0x80; ++back)
            --n;
    }
    ++m_number;
}

void DecodedLine::decode(const char *p, qsizetype n, qsizetype limit)
{
    chars.clear();
    if (formats::isAscii(p, n)) {
        encoding = formats::LineEncoding::Ascii;
        characters = n;
        const qsizetype keep = std::min(n, limit);
        chars.resize(size_t(keep));
        for (qsizetype i = 0; i < keep; ++i)
            chars[size_t(i)] = static_cast<unsigned char>(p[i]);
        return;
    }
    if (formats::isValidUtf8(p, n)) {
        encoding = formats::LineEncoding::Utf8;
        characters = 0;
        const auto *s = reinterpret_cast<const unsigned char *>(p);
        for (qsizetype i = 0; i < n;) {
            const unsigned c = s[i];
            char32_t cp;
            int len;
            if (c < 0x80) {
                cp = c;
                len = 1;
            } else if (c < 0xE0) {
                cp = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F);
                len = 2;
            } else if (c < 0xF0) {
                cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
                len = 3;
            } else {
                cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) |
                     (s[i + 3] & 0x3F);
                len = 4;
            }
            if (characters < limit)
                chars.push_back(cp);
            ++characters;
            i += len;
        }
        return;
    }
    encoding = formats::LineEncoding::Cp1252;
    characters = n;
    const qsizetype keep = std::min(n, limit);
    chars.resize(size_t(keep));
    for (qsizetype i = 0; i < keep; ++i)
        chars[size_t(i)] = formats::cp1252Char(static_cast<unsigned char>(p[i]));
}

} // namespace velkora::proposal
