#pragma once

#include <QString>
#include <QtAlgorithms>
#include <QtGlobal>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace velkora::formats {

// How one line of a file was read. A line is read as UTF-8 when it is well-formed UTF-8
// (every pure-ASCII line is), and as Windows-1252 otherwise; so a UTF-8 file is read as
// UTF-8 throughout and a Windows-1252 file with accents is read as Windows-1252, one line at a
// time, without a first pass over the whole file.
enum class LineEncoding : quint8 { Ascii, Utf8, Cp1252 };

// The one encoding every line of a file is written in: as a format declares it (the rule
// CODIFICACION) or as the test settles it for a file whose lines mix encodings. Any: each line
// is read as it reads, and none is wrong for it.
enum class FileEncoding : quint8 { Any, Ascii, Latin1, Cp1252, Utf8 };

// "ASCII", "Latin-1 (ISO-8859-1)", "Windows-1252", "UTF-8".
QString fileEncodingName(FileEncoding encoding);
// "ASCII", "UTF-8", "Windows-1252".
QString lineEncodingName(LineEncoding encoding);

// The characters of a line, read in `line` encoding, that a file in `file` encoding cannot
// hold: a UTF-8 character in a Latin-1, Windows-1252 or ASCII file, a byte that is not UTF-8
// in a UTF-8 file, any byte above 0x7F in an ASCII file, a byte that codes no character of the
// file's encoding (0x80-0x9F in Latin-1; 0x81, 0x8D, 0x8F, 0x90, 0x9D in Windows-1252). False
// when there is none; else the byte offsets where the first and the last of them begin.
bool breaksFileEncoding(const char *p, qsizetype n, LineEncoding line, FileEncoding file,
                        qsizetype *first, qsizetype *last);

// Whether no byte of [p, p + n) is above 0x7F: sixteen bytes at a time where SSE2 is there
// (every x86-64 processor), eight otherwise; the last bytes as one block that overlaps the
// previous one.
inline bool isAscii(const char *p, qsizetype n)
{
    qsizetype i = 0;
#ifdef __SSE2__
    if (n >= 16) {
        __m128i any = _mm_setzero_si128();
        for (; i + 16 <= n; i += 16)
            any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i)));
        if (i < n)
            any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + n - 16)));
        return _mm_movemask_epi8(any) == 0;
    }
#endif
    quint64 any = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 word;
        std::memcpy(&word, p + i, 8);
        any |= word;
    }
    if (i < n && n >= 8) {
        quint64 word;
        std::memcpy(&word, p + n - 8, 8);
        any |= word;
    } else {
        for (; i < n; ++i)
            any |= static_cast<unsigned char>(p[i]);
    }
    return (any & 0x8080808080808080ULL) == 0;
}

// The offset of the first control character of [p, p + n): a byte below 0x20 other than TAB
// (NUL, a lone CR, form feed...); -1 when there is none. Sixteen bytes at a time where SSE2
// is there.
inline qsizetype firstControl(const char *p, qsizetype n)
{
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i limit = _mm_set1_epi8(0x1F);
    const __m128i tab = _mm_set1_epi8(0x09);
    for (; i + 16 <= n; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        // A byte at most 0x1F (unsigned) equals its minimum with 0x1F.
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(bytes, limit), bytes);
        const int mask = _mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi8(bytes, tab), low));
        if (mask != 0)
            return i + qCountTrailingZeroBits(quint32(mask));
    }
#endif
    for (; i < n; ++i) {
        const auto byte = static_cast<unsigned char>(p[i]);
        if (byte < 0x20 && byte != 0x09)
            return i;
    }
    return -1;
}

// Whether every byte of [p, p + n) is printable ASCII, 0x20 to 0x7F: no byte above 0x7F, no
// control character, no TAB. Most lines of a file are: they need no other look at their bytes.
inline bool printableAscii(const char *p, qsizetype n)
{
#ifdef __SSE2__
    if (n >= 16) {
        // A byte less 0x20 (wrapping) is 0 to 0x5F when it is printable: less 0x5F more
        // (unsigned, saturated) it is 0, and any other stays above.
        const __m128i low = _mm_set1_epi8(0x20);
        const __m128i span = _mm_set1_epi8(0x5F);
        __m128i outside = _mm_setzero_si128();
        const auto block = [&](qsizetype at) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + at));
            outside = _mm_or_si128(outside, _mm_subs_epu8(_mm_sub_epi8(bytes, low), span));
        };
        qsizetype i = 0;
        for (; i + 32 <= n; i += 32) {
            block(i);
            block(i + 16);
        }
        if (i + 16 <= n)
            block(i);
        if (n % 16 != 0)
            block(n - 16); // overlaps the last whole block
        return _mm_movemask_epi8(_mm_cmpeq_epi8(outside, _mm_setzero_si128())) == 0xFFFF;
    }
#endif
    for (qsizetype i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) - 0x20u >= 0x60u)
            return false;
    return true;
}

// isAscii and firstControl in one pass, without a branch per block: whether no byte of
// [p, p + n) is above 0x7F, and in *control the offset of the first control character (-1
// when there is none; looked for again only in a line that holds one).
#ifdef __SSE2__
inline bool asciiAndControlSse2(const char *p, qsizetype n, qsizetype *control)
{
    if (n < 16) {
        *control = firstControl(p, n);
        return isAscii(p, n);
    }
    const __m128i limit = _mm_set1_epi8(0x1F);
    const __m128i tab = _mm_set1_epi8(0x09);
    __m128i any = _mm_setzero_si128();
    __m128i controls = _mm_setzero_si128();
    const auto block = [&](qsizetype at) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + at));
        any = _mm_or_si128(any, bytes);
        // A byte at most 0x1F (unsigned) equals its minimum with 0x1F.
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(bytes, limit), bytes);
        controls = _mm_or_si128(controls, _mm_andnot_si128(_mm_cmpeq_epi8(bytes, tab), low));
    };
    qsizetype i = 0;
    for (; i + 16 <= n; i += 16)
        block(i);
    if (i < n)
        block(n - 16); // overlaps the last whole block
    *control = _mm_movemask_epi8(controls) != 0 ? firstControl(p, n) : -1;
    return _mm_movemask_epi8(any) == 0;
}

// The same, thirty-two bytes at a time, for processors with AVX2 (see hasAvx2()).
bool asciiAndControlAvx2(const char *p, qsizetype n, qsizetype *control);
// Whether the processor runs AVX2.
bool hasAvx2();
// Asked once, as the library loads (no guard to test on every line).
inline const bool RunsAvx2 = hasAvx2();
#endif

inline bool asciiAndControl(const char *p, qsizetype n, qsizetype *control)
{
#ifdef __SSE2__
    // Below 128 bytes the call costs what the wider blocks save.
    if (n >= 128 && RunsAvx2)
        return asciiAndControlAvx2(p, n, control);
    return asciiAndControlSse2(p, n, control);
#else
    *control = firstControl(p, n);
    return isAscii(p, n);
#endif
}

// Whether [p, p + n) is well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates, nothing above U+10FFFF, no sequence cut at the end.
bool isValidUtf8(const char *p, qsizetype n);

// The Unicode character of a Windows-1252 byte (the five bytes that code no character keep
// their own value, as Windows itself reads them).
char16_t cp1252Char(unsigned char byte);

// The text of bytes read in an encoding (Ascii and Utf8 decode alike).
QString decodeText(const char *p, qsizetype n, LineEncoding encoding);

// Appends the UTF-8 form of bytes read in an encoding to out (capacity bytes at most, never
// cutting a character); returns the number of bytes written, and in *consumed the number of
// input bytes they stand for.
int appendUtf8(const char *p, qsizetype n, LineEncoding encoding, char *out, int capacity,
               qsizetype *consumed = nullptr);

// The number of characters of a UTF-8 text (the bytes that do not continue a character).
inline qsizetype utf8Length(const char *p, qsizetype n)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < n; ++i)
        count += (static_cast<unsigned char>(p[i]) & 0xC0) != 0x80;
    return count;
}

} // namespace velkora::formats
