#pragma once

#include <QByteArray>
#include <QtGlobal>
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
    std::pair<const int *, int> find(const char *p, qsizetype n) const
    {
        if (m_slots.empty())
            return {nullptr, 0};
        const quint64 h = hash(p, n);
        for (quint64 i = h & m_mask;; i = (i + 1) & m_mask) {
            const Slot &slot = m_slots[i];
            if (slot.typeCount == 0)
                return {nullptr, 0};
            if (slot.hash == h && slot.keySize == quint64(n) &&
                std::char_traits<char>::compare(m_keys.data() + slot.keyAt, p, size_t(n)) == 0)
                return {m_types.data() + slot.typesAt, int(slot.typeCount)};
        }
    }

private:
    static quint64 hash(const char *p, qsizetype n)
    {
        quint64 h = 14695981039346656037ULL; // FNV-1a
        for (qsizetype i = 0; i < n; ++i)
            h = (h ^ static_cast<unsigned char>(p[i])) * 1099511628211ULL;
        return h;
    }
    struct Slot {
        quint64 hash = 0;
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
};

} // namespace velkora::formats
