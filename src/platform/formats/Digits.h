#pragma once

#include <QtAlgorithms>
#include <QtEndian>
#include <QtGlobal>
#include <cstring>

// Byte tests and digit conversions eight bytes at a time, for the hot loops of the test: a
// fixed-width amount or date is read in a few machine words instead of a loop per character.

namespace velkora::formats::digits {

inline quint64 load8(const char *p)
{
    quint64 word;
    std::memcpy(&word, p, 8);
    return qFromLittleEndian(word);
}

inline constexpr quint64 Repeat(unsigned char byte)
{
    return 0x0101010101010101ULL * byte;
}

// A word that holds every byte of [p, p + n), n < 8 (some of them twice), and `fill` in the
// bytes left over: two overlapping loads instead of a loop.
inline quint64 gather(const char *p, qsizetype n, unsigned char fill)
{
    if (n >= 4) {
        quint32 a, b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + n - 4, 4);
        return qFromLittleEndian(a) | quint64(qFromLittleEndian(b)) << 32;
    }
    if (n >= 2) {
        quint16 a, b;
        std::memcpy(&a, p, 2);
        std::memcpy(&b, p + n - 2, 2);
        return qFromLittleEndian(a) | quint64(qFromLittleEndian(b)) << 16 | Repeat(fill) << 32;
    }
    if (n == 1)
        return static_cast<unsigned char>(p[0]) | Repeat(fill) << 8;
    return Repeat(fill);
}

// Non-zero when a byte of the word is not an ASCII digit. A digit is 0x30-0x39: its high half
// is 3, and adding 6 keeps it 3 (a byte that carries into the next one fails the first test).
inline quint64 nonDigits(quint64 w)
{
    return ((w & Repeat(0xF0)) ^ Repeat(0x30)) |
           (((w + Repeat(0x06)) & Repeat(0xF0)) ^ Repeat(0x30));
}

// Whether every byte of [p, p + n) is an ASCII digit.
inline bool allDigits(const char *p, qsizetype n)
{
    if (n < 8)
        return nonDigits(gather(p, n, '0')) == 0;
    quint64 bad = 0;
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8)
        bad |= nonDigits(load8(p + i));
    if (i < n)
        bad |= nonDigits(load8(p + n - 8));
    return bad == 0;
}

// Whether [p, p + n) holds a byte other than a blank.
inline bool anyNonBlank(const char *p, qsizetype n)
{
    if (n < 8)
        return gather(p, n, ' ') != Repeat(' ');
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8)
        if (load8(p + i) != Repeat(' '))
            return true;
    return i < n && load8(p + n - 8) != Repeat(' ');
}

// The number of '0' bytes at the start of [p, p + n).
inline int leadingZeros(const char *p, int n)
{
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const quint64 w = load8(p + i) ^ Repeat('0');
        if (w != 0)
            return i + qCountTrailingZeroBits(w) / 8;
    }
    while (i < n && p[i] == '0')
        ++i;
    return i;
}

// The value of eight digits held in a word, the first digit in its lowest byte: pairs, then
// fours, then the eight, each step a multiplication.
inline quint32 eightDigits(quint64 w)
{
    constexpr quint64 Mask = 0x000000FF000000FFULL;
    constexpr quint64 Hundred = 100 + (1000000ULL << 32);
    constexpr quint64 One = 1 + (10000ULL << 32);
    w -= Repeat('0');
    w = (w * 10) + (w >> 8);
    return quint32((((w & Mask) * Hundred) + (((w >> 16) & Mask) * One)) >> 32);
}

// The value of the digits [p, p + n), n < 20 and the value below 2^64 (every byte a digit).
inline quint64 value(const char *p, int n)
{
    if (n < 8) {
        quint64 v = 0;
        for (int i = 0; i < n; ++i)
            v = v * 10 + quint64(p[i] - '0');
        return v;
    }
    // The first n % 8 digits from the first word, its other bytes read as leading zeros;
    // then eight at a time.
    const int head = n % 8;
    quint64 v = 0;
    if (head > 0)
        v = eightDigits((load8(p) << (8 * (8 - head))) | (Repeat('0') >> (8 * head)));
    for (int i = head; i < n; i += 8)
        v = v * 100000000ULL + eightDigits(load8(p + i));
    return v;
}

// A word whose last n bytes (1 <= n <= 8) are kept and whose others read as '0'.
inline quint64 lastBytes(quint64 w, int n)
{
    const quint64 before = (quint64(1) << (8 * (8 - n))) - 1; // the 8 - n bytes before them
    return (w & ~before) | (Repeat('0') & before);
}

// The value of the n digits that end at `end`, 1 <= n <= 16 (every byte a digit), when the eight
// bytes before `end` (sixteen, for more than eight digits) can be read: the words that end with
// them, the bytes before them read as leading zeros.
inline quint64 valueEndingAt(const char *end, int n)
{
    const quint64 last = load8(end - 8);
    if (n <= 8)
        return eightDigits(lastBytes(last, n));
    return quint64(eightDigits(lastBytes(load8(end - 16), n - 8))) * 100000000ULL +
           eightDigits(last);
}

// The n digits (1 <= n <= 16) of a field that end at a place of every line read, from the words
// that end with them (8 bytes; 16 for more than eight digits, which can be read), the bytes
// before them read as '0': the masks are worked out once for the field, not on every line.
class Window {
public:
    Window() : Window(1) {}
    explicit Window(int n) // 1 <= n <= 16
        : m_size(n), m_two(n > 8), m_lastKeep(keep(n < 8 ? n : 8)),
          m_firstKeep(keep(n > 8 ? n - 8 : 0))
    {
    }
    // Their value (every byte a digit), as valueEndingAt.
    quint64 value(const char *end) const
    {
        const quint32 last = eightDigits(lastWord(end));
        return m_two ? quint64(eightDigits(firstWord(end))) * 100000000ULL + last : last;
    }
    // A number that orders as their values do: the first digit the most significant.
    unsigned __int128 key(const char *end) const
    {
        const quint64 first = m_two ? qbswap(firstWord(end)) : qbswap(Repeat('0'));
        return (static_cast<unsigned __int128>(first) << 64) | qbswap(lastWord(end));
    }
    // The key of the number after the one of `key`: its last 9s turned to 0s and the digit
    // before them one more. False when every digit is 9 (no number of the field follows).
    bool keyAfter(unsigned __int128 key, unsigned __int128 *after) const
    {
        const quint64 low = quint64(key) ^ Repeat('9');
        const quint64 high = quint64(key >> 64) ^ Repeat('9');
        const int nines = low != 0    ? qCountTrailingZeroBits(low) / 8
                          : high != 0 ? 8 + qCountTrailingZeroBits(high) / 8
                                      : 16;
        if (nines >= m_size)
            return false;
        const unsigned __int128 unit = static_cast<unsigned __int128>(1) << (8 * nines);
        const unsigned __int128 nineEach =
            (static_cast<unsigned __int128>(Repeat(9)) << 64) | Repeat(9);
        *after = key - ((unit - 1) & nineEach) + unit; // '9' - 9 is '0'
        return true;
    }

private:
    // The bytes of a word kept for its last n (0 <= n <= 8).
    static quint64 keep(int n) { return n == 0 ? 0 : ~quint64(0) << (8 * (8 - n)); }
    quint64 lastWord(const char *end) const
    {
        return (load8(end - 8) & m_lastKeep) | (Repeat('0') & ~m_lastKeep);
    }
    quint64 firstWord(const char *end) const
    {
        return (load8(end - 16) & m_firstKeep) | (Repeat('0') & ~m_firstKeep);
    }
    int m_size;
    bool m_two;
    quint64 m_lastKeep;
    quint64 m_firstKeep;
};

// Whether every byte of [p, p + n) is an ASCII digit, 8 <= n <= 16, with their value in *v when
// they are: the same two loads give both.
inline bool digitsWithValue(const char *p, int n, quint64 *v)
{
    const int head = n - 8; // the digits before the last eight, read as one word
    const quint64 last = load8(p + head);
    // The head's bytes, the word's other bytes read as leading zeros. A whole word (16 digits)
    // takes none: a shift by 64 is undefined, and on x86 would lay the zeros over the head.
    quint64 first = Repeat('0');
    if (head == 8)
        first = load8(p);
    else if (head > 0)
        first = (load8(p) << (8 * (8 - head))) | (Repeat('0') >> (8 * head));
    if ((nonDigits(first) | nonDigits(last)) != 0)
        return false;
    *v = quint64(eightDigits(first)) * 100000000ULL + eightDigits(last);
    return true;
}

// Two digits.
inline int two(const char *p)
{
    return (p[0] - '0') * 10 + (p[1] - '0');
}

} // namespace velkora::formats::digits
