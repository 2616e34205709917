#pragma once

#include "Digits.h"

#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace velkora::formats {

// The bytes of a line type's fields of digits alone, as the sixteen-byte words of the line that
// hold them, each with a mask of the bytes that belong to a field: a few loads tell whether
// every such field of a line holds digits alone, instead of a test per field.
//
// With SSE2 a word's answer is exact. Without it each half is tested as a machine word
// (digits::nonDigits), whose pass can be trusted but whose failure cannot: a byte of 0xFA or
// above just before a field carries into the field's first byte. A failure is therefore
// followed by a reading field by field, the judge of each field.
class DigitMask {
public:
    // Adds the bytes [start, end) of a field; call build() before the first allDigits().
    void add(int start, int end);
    void build();

    // Whether there is a word to look at: fields that all end before the sixteenth byte of
    // the line are left to the reading field by field.
    bool any() const { return !m_words.empty(); }
    // The bytes a line needs for every word to lie in it.
    int reach() const { return m_reach; }

    // Whether every added field of a line of at least reach() bytes holds digits alone.
    bool allDigits(const char *line) const
    {
#ifdef __SSE2__
        const __m128i zero = _mm_set1_epi8('0');
        const __m128i nine = _mm_set1_epi8(9);
        __m128i bad = _mm_setzero_si128();
        for (const Word &word : m_words) {
            const __m128i bytes =
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(line + word.offset));
            // A digit less '0' is 0 to 9: less 9 (unsigned, saturated) it is 0.
            const __m128i over = _mm_subs_epu8(_mm_sub_epi8(bytes, zero), nine);
            bad = _mm_or_si128(bad, _mm_and_si128(over, word.mask));
        }
        return _mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) == 0xFFFF;
#else
        quint64 bad = 0;
        for (const Word &word : m_words)
            bad |= (digits::nonDigits(digits::load8(line + word.offset)) & word.mask[0]) |
                   (digits::nonDigits(digits::load8(line + word.offset + 8)) & word.mask[1]);
        return bad == 0;
#endif
    }

private:
    static constexpr int WordSize = 16;
    struct Word {
#ifdef __SSE2__
        __m128i mask; // 0xFF in each byte of the word that belongs to a field
#else
        quint64 mask[2];
#endif
        int offset = 0;
    };
    std::vector<std::pair<int, int>> m_fields;
    std::vector<Word> m_words;
    int m_reach = 0;
};

} // namespace velkora::formats
