#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace velkora::formats {

// The line types of one ID position, found by the bytes that stand there: an open-addressing
// hash table, so that a file with many line IDs costs one lookup per line, not a loop.
class LineIdTable {
public:
    // Adds a line type under an ID (UTF-8 bytes); call build() before the first find().
    void add(const QByteArray &id, int lineType);
    void build();

    // The line types whose ID is exactly [p, p + n), in the order in which they were added.
    Q_ALWAYS_INLINE std::pair<const int *, int> find(const char *p, qsizetype n) const
    {
        if (n == m_directSize) {
            // IDs of one or two bytes: their slot straight from a table of every such key.
            const unsigned key = n == 1 ? static_cast<unsigned char>(p[0])
                                        : static_cast<unsigned char>(p[0]) |
                                              unsigned(static_cast<unsigned char>(p[1])) << 8;
            const quint16 at = m_direct[key];
            if (at == 0)
                return {nullptr, 0};
            const Slot &slot = m_slots[at - 1];
            return {m_types.data() + slot.typesAt, int(slot.typeCount)};
        }
        if (n > 8)
            return findLong(p, n);
        const quint64 word = shortKey(p, n);
        for (quint64 i = mix(word, n) & m_mask; !m_slots.empty(); i = (i + 1) & m_mask) {
            const Slot &slot = m_slots[i];
            if (slot.typeCount == 0)
                break;
            if (slot.word == word && slot.keySize == quint64(n))
                return {m_types.data() + slot.typesAt, int(slot.typeCount)};
        }
        return {nullptr, 0};
    }

private:
    std::pair<const int *, int> findLong(const char *p, qsizetype n) const;
    // An ID of at most eight bytes is found by one comparison of a machine word: its bytes, the
    // rest zero. Longer IDs are hashed byte by byte and compared in full.
    static quint64 shortKey(const char *p, qsizetype n)
    {
        // Every byte of the ID in one word (for a given length, different IDs give different
        // words): one load of eight bytes, or two overlapping loads of four or two.
        if (n == 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            return word;
        }
        if (n >= 4) {
            quint32 a, b;
            std::memcpy(&a, p, 4);
            std::memcpy(&b, p + n - 4, 4);
            return a | quint64(b) << 32;
        }
        if (n >= 2) {
            quint16 a, b;
            std::memcpy(&a, p, 2);
            std::memcpy(&b, p + n - 2, 2);
            return a | quint64(b) << 16;
        }
        return n == 1 ? static_cast<unsigned char>(p[0]) : 0;
    }
    static quint64 mix(quint64 word, qsizetype n)
    {
        const quint64 h = (word ^ quint64(n) << 59) * 0x9E3779B97F4A7C15ULL;
        return h ^ h >> 29;
    }
    // A longer ID (n > 8) is hashed by its first and last eight bytes and its size: two loads
    // instead of a step per byte (the comparison in full tells IDs of the same hash apart).
    static quint64 hash(const char *p, qsizetype n)
    {
        quint64 a, b;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + n - 8, 8);
        return mix(a ^ (b * 0xC2B2AE3D27D4EB4FULL) ^ (b >> 31), n);
    }
    struct Slot {
        quint64 hash = 0;
        quint64 word = 0; // the ID's bytes when it has at most eight
        quint32 keyAt = 0;
        quint32 keySize = 0;
        quint32 typesAt = 0;
        quint32 typeCount = 0; // 0: an empty slot
    };
    std::vector<std::pair<QByteArray, int>> m_added;
    std::vector<Slot> m_slots;
    quint64 m_mask = 0;
    std::string m_keys;
    std::vector<int> m_types;
    // When every ID has the same size of one or two bytes: each key's slot + 1 (0: no ID).
    qsizetype m_directSize = -1;
    std::vector<quint16> m_direct;
};

} // namespace velkora::formats
