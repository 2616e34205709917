#include "LineReader.h"

#include <algorithm>

namespace velkora::proposal {

namespace {
constexpr qint64 BlockBytes = 1 << 20;
}

bool LineReader::open(const QString &path, QString *error)
{
    if (!m_source.open(path, error))
        return false;
    m_source.watchNul();
    m_number = 0;
    m_next = m_source.dataStart();
    m_lines.clear();
    m_at = 0;
    m_error.clear();
    return true;
}

qint64 LineReader::bytesRead() const
{
    return m_next >= m_source.dataEnd() ? m_source.fileBytes() : m_next;
}

bool LineReader::fill()
{
    m_lines.clear();
    m_at = 0;
    const auto keep = [this](const formats::SourceLine &line) {
        m_lines.push_back(line);
        return true;
    };
    while (m_lines.empty() && m_error.isEmpty() && m_next < m_source.dataEnd()) {
        const qint64 from = m_next;
        const qint64 to = std::min(m_source.dataEnd(), from + BlockBytes);
        if (m_record > 0) {
            m_source.records(from, to, m_record, keep, &m_next, &m_error);
        } else {
            m_source.lines(from, to, false, keep, &m_error);
            m_next = to;
        }
    }
    return !m_lines.empty();
}

bool LineReader::next(const char *&p, qsizetype &n)
{
    if (m_at >= m_lines.size() && !fill())
        return false;
    const formats::SourceLine &line = m_lines[m_at++];
    p = line.bytes;
    n = line.size;
    ++m_number;
    return true;
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
