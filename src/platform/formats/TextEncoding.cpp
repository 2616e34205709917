#include "TextEncoding.h"

#include <algorithm>

#ifdef __SSE2__
#include <immintrin.h>
#endif

namespace velkora::formats {

#ifdef __SSE2__
bool hasAvx2()
{
    return __builtin_cpu_supports("avx2");
}

__attribute__((target("avx2"))) bool asciiAndControlAvx2(const char *p, qsizetype n,
                                                         qsizetype *control)
{
    if (n < 32)
        return asciiAndControlSse2(p, n, control);
    const __m256i limit = _mm256_set1_epi8(0x1F);
    const __m256i tab = _mm256_set1_epi8(0x09);
    __m256i any = _mm256_setzero_si256();
    __m256i controls = _mm256_setzero_si256();
    // Blocks of 32 bytes; the last one ends at n, overlapping the one before it.
    for (qsizetype i = 0;; i = std::min(i + 32, n - 32)) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + i));
        any = _mm256_or_si256(any, bytes);
        const __m256i low = _mm256_cmpeq_epi8(_mm256_min_epu8(bytes, limit), bytes);
        controls =
            _mm256_or_si256(controls, _mm256_andnot_si256(_mm256_cmpeq_epi8(bytes, tab), low));
        if (i + 32 >= n)
            break;
    }
    *control = _mm256_movemask_epi8(controls) != 0 ? firstControl(p, n) : -1;
    return _mm256_movemask_epi8(any) == 0;
}
#endif

bool isValidUtf8(const char *text, qsizetype n)
{
    const auto *s = reinterpret_cast<const unsigned char *>(text);
    auto continuation = [&](qsizetype at) { return at < n && (s[at] & 0xC0) == 0x80; };
    qsizetype i = 0;
    while (i < n) {
        const unsigned c = s[i];
        if (c < 0x80) {
            ++i;
        } else if (c < 0xC2) {
            return false;
        } else if (c < 0xE0) {
            if (!continuation(i + 1))
                return false;
            i += 2;
        } else if (c < 0xF0) {
            if (!continuation(i + 1) || !continuation(i + 2))
                return false;
            const unsigned c1 = s[i + 1];
            if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0))
                return false;
            i += 3;
        } else if (c < 0xF5) {
            if (!continuation(i + 1) || !continuation(i + 2) || !continuation(i + 3))
                return false;
            const unsigned c1 = s[i + 1];
            if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90))
                return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

namespace {

// The length of the well-formed UTF-8 character at s[i] (of n bytes), 0 when none begins
// there.
qsizetype utf8CharAt(const unsigned char *s, qsizetype n, qsizetype i)
{
    auto continuation = [&](qsizetype at) { return at < n && (s[at] & 0xC0) == 0x80; };
    const unsigned c = s[i];
    if (c < 0x80)
        return 1;
    if (c < 0xC2)
        return 0;
    if (c < 0xE0)
        return continuation(i + 1) ? 2 : 0;
    if (c < 0xF0) {
        if (!continuation(i + 1) || !continuation(i + 2))
            return 0;
        const unsigned c1 = s[i + 1];
        return (c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) ? 0 : 3;
    }
    if (c < 0xF5) {
        if (!continuation(i + 1) || !continuation(i + 2) || !continuation(i + 3))
            return 0;
        const unsigned c1 = s[i + 1];
        return (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90) ? 0 : 4;
    }
    return 0;
}

// Whether a byte of a single-byte line is not a character of the file's encoding.
bool foreignByte(unsigned char byte, FileEncoding file)
{
    switch (file) {
    case FileEncoding::Ascii:
        return byte >= 0x80;
    case FileEncoding::Latin1:
        return byte >= 0x80 && byte < 0xA0;
    case FileEncoding::Cp1252:
        return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
    default:
        return false;
    }
}

} // namespace

QString fileEncodingName(FileEncoding encoding)
{
    switch (encoding) {
    case FileEncoding::Ascii:
        return QStringLiteral("ASCII");
    case FileEncoding::Latin1:
        return QStringLiteral("Latin-1 (ISO-8859-1)");
    case FileEncoding::Cp1252:
        return QStringLiteral("Windows-1252");
    case FileEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case FileEncoding::Any:
        break;
    }
    return {};
}

QString lineEncodingName(LineEncoding encoding)
{
    return encoding == LineEncoding::Ascii  ? QStringLiteral("ASCII")
           : encoding == LineEncoding::Utf8 ? QStringLiteral("UTF-8")
                                            : QStringLiteral("Windows-1252");
}

bool breaksFileEncoding(const char *p, qsizetype n, LineEncoding line, FileEncoding file,
                        qsizetype *first, qsizetype *last)
{
    if (file == FileEncoding::Any || line == LineEncoding::Ascii ||
        (line == LineEncoding::Utf8 && file == FileEncoding::Utf8))
        return false;
    const auto *s = reinterpret_cast<const unsigned char *>(p);
    *first = *last = -1;
    auto note = [&](qsizetype at) {
        if (*first < 0)
            *first = at;
        *last = at;
    };
    if (line == LineEncoding::Utf8) {
        // Every character beyond ASCII of a UTF-8 line is foreign to a single-byte file.
        for (qsizetype i = 0; i < n; ++i)
            if (s[i] >= 0x80 && (s[i] & 0xC0) != 0x80)
                note(i);
    } else if (file == FileEncoding::Utf8) {
        for (qsizetype i = 0; i < n;) {
            const qsizetype size = utf8CharAt(s, n, i);
            if (size == 0)
                note(i);
            i += std::max<qsizetype>(size, 1);
        }
    } else {
        for (qsizetype i = 0; i < n; ++i)
            if (foreignByte(s[i], file))
                note(i);
    }
    return *first >= 0;
}

char16_t cp1252Char(unsigned char byte)
{
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char16_t(byte);
}

QString decodeText(const char *p, qsizetype n, LineEncoding encoding)
{
    if (encoding != LineEncoding::Cp1252)
        return QString::fromUtf8(p, n);
    QString text(n, Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < n; ++i)
        out[i] = QChar(cp1252Char(static_cast<unsigned char>(p[i])));
    return text;
}

int appendUtf8(const char *p, qsizetype n, LineEncoding encoding, char *out, int capacity,
               qsizetype *consumed)
{
    int written = 0;
    if (encoding != LineEncoding::Cp1252) {
        // Cut before the lead byte of a character that does not fit.
        qsizetype take = std::min<qsizetype>(n, capacity);
        if (take < n)
            while (take > 0 && (static_cast<unsigned char>(p[take]) & 0xC0) == 0x80)
                --take;
        std::memcpy(out, p, static_cast<size_t>(take));
        if (consumed)
            *consumed = take;
        return static_cast<int>(take);
    }
    qsizetype i = 0;
    for (; i < n; ++i) {
        const char16_t c = cp1252Char(static_cast<unsigned char>(p[i]));
        char bytes[3];
        int size = 0;
        if (c < 0x80) {
            bytes[size++] = static_cast<char>(c);
        } else if (c < 0x800) {
            bytes[size++] = static_cast<char>(0xC0 | (c >> 6));
            bytes[size++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes[size++] = static_cast<char>(0xE0 | (c >> 12));
            bytes[size++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes[size++] = static_cast<char>(0x80 | (c & 0x3F));
        }
        if (written + size > capacity)
            break;
        std::memcpy(out + written, bytes, static_cast<size_t>(size));
        written += size;
    }
    if (consumed)
        *consumed = i;
    return written;
}

} // namespace velkora::formats
