#include "DigitMask.h"

#include <algorithm>
#include <cstring>

namespace velkora::formats {

void DigitMask::add(int start, int end)
{
    if (start < end)
        m_fields.emplace_back(start, end);
}

void DigitMask::build()
{
    m_words.clear();
    m_reach = 0;
    for (const auto &[start, end] : m_fields)
        m_reach = std::max(m_reach, end);
    if (m_reach < WordSize) {
        m_reach = 0;
        return; // no word fits on a line that short
    }
    std::vector<char> wanted(size_t(m_reach), 0);
    for (const auto &[start, end] : m_fields)
        std::fill(wanted.begin() + start, wanted.begin() + end, 1);
    // Each word starts at the first byte not yet covered (the last one ends at the reach): the
    // fewest words that cover every byte.
    for (int at = 0; at < m_reach; ++at) {
        if (!wanted[size_t(at)])
            continue;
        Word word;
        word.offset = std::min(at, m_reach - WordSize);
        unsigned char mask[WordSize] = {};
        for (int k = 0; k < WordSize; ++k) {
            char &byte = wanted[size_t(word.offset + k)];
            mask[k] = byte ? 0xFF : 0;
            byte = 0;
        }
#ifdef __SSE2__
        std::memcpy(&word.mask, mask, sizeof mask);
#else
        for (int half = 0; half < 2; ++half)
            word.mask[half] = digits::load8(reinterpret_cast<const char *>(mask) + 8 * half);
#endif
        m_words.push_back(word);
    }
}

} // namespace velkora::formats
