#pragma once

#include "Digits.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace velkora::formats {

// A sum of numbers of one field of up to sixteen digits, kept as the sums of its columns: each
// line adds its digits to sixteen 16-bit columns in two loads and a few additions, and the
// columns are worked into a number only when the sum is wanted (take()). A column holds
// Capacity lines of nines before it could overflow; its owner takes the sum by then.
class DigitColumns {
public:
    static constexpr int Capacity = 7000; // 7000 x 9 < 65536

    // The field's digits: how many (1 to 16), read from sixteen bytes that hold them and end
    // `after` bytes after them (a field that ends before the line's sixteenth byte is read
    // from the line's first sixteen).
    DigitColumns(int size, int after) : m_size(size), m_after(after)
    {
#ifdef __SSE2__
        alignas(16) unsigned char mask[16] = {};
        for (int i = 16 - after - size; i < 16 - after; ++i)
            mask[i] = 0xFF;
        m_mask = _mm_load_si128(reinterpret_cast<const __m128i *>(mask));
        clear();
#endif
    }

    // Adds the number of the sixteen bytes that end at `end` (its digits all digits).
    void add(const char *end)
    {
        addEach(1, [end](int) { return end; });
    }

    // Adds the numbers of n lines at once (`endOf(i)`: where the sixteen bytes of the i-th end),
    // the columns kept in registers meanwhile.
    template <typename EndOf>
    void addEach(int n, EndOf endOf)
    {
#ifdef __SSE2__
        const __m128i zero = _mm_setzero_si128();
        const __m128i digitZero = _mm_set1_epi8('0');
        __m128i high = m_high;
        __m128i low = m_low;
        for (int i = 0; i < n; ++i) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(endOf(i) - 16));
            const __m128i digits = _mm_and_si128(_mm_sub_epi8(bytes, digitZero), m_mask);
            high = _mm_add_epi16(high, _mm_unpacklo_epi8(digits, zero));
            low = _mm_add_epi16(low, _mm_unpackhi_epi8(digits, zero));
        }
        m_high = high;
        m_low = low;
#else
        for (int i = 0; i < n; ++i)
            m_sum += digits::value(endOf(i) - m_after - m_size, m_size);
#endif
    }

    // The sum of the numbers added since the last take; the columns start again from zero.
    __int128 take()
    {
#ifdef __SSE2__
        alignas(16) quint16 high[8];
        alignas(16) quint16 low[8];
        _mm_store_si128(reinterpret_cast<__m128i *>(high), m_high);
        _mm_store_si128(reinterpret_cast<__m128i *>(low), m_low);
        // The columns in the order of the bytes, the last digit's the units.
        __int128 sum = 0;
        for (int i = 0; i < 16 - m_after; ++i)
            sum = sum * 10 + (i < 8 ? high[i] : low[i - 8]);
        clear();
        return sum;
#else
        const __int128 sum = m_sum;
        m_sum = 0;
        return sum;
#endif
    }

private:
#ifdef __SSE2__
    void clear()
    {
        m_high = _mm_setzero_si128();
        m_low = _mm_setzero_si128();
    }
    __m128i m_mask;
    __m128i m_high; // the columns of the sixteen bytes' first eight
    __m128i m_low;  // and of their last eight
#else
    __int128 m_sum = 0;
#endif
    int m_size;
    int m_after;
};

} // namespace velkora::formats
