#include "LineIdTable.h"

#include <QMap>
#include <algorithm>

namespace velkora::formats {

void LineIdTable::add(const QByteArray &id, int lineType)
{
    m_added.emplace_back(id, lineType);
}

std::pair<const int *, int> LineIdTable::findLong(const char *p, qsizetype n) const
{
    const quint64 h = hash(p, n);
    for (quint64 i = h & m_mask; !m_slots.empty(); i = (i + 1) & m_mask) {
        const Slot &slot = m_slots[i];
        if (slot.typeCount == 0)
            break;
        if (slot.hash == h && slot.keySize == quint64(n) &&
            std::char_traits<char>::compare(m_keys.data() + slot.keyAt, p, size_t(n)) == 0)
            return {m_types.data() + slot.typesAt, int(slot.typeCount)};
    }
    return {nullptr, 0};
}

void LineIdTable::build()
{
    // IDs in first-added order, each with its line types in added order.
    std::vector<std::pair<QByteArray, std::vector<int>>> ids;
    QMap<QByteArray, size_t> indexOf;
    for (const auto &[id, type] : m_added) {
        const auto found = indexOf.constFind(id);
        if (found == indexOf.constEnd()) {
            indexOf.insert(id, ids.size());
            ids.push_back({id, {type}});
        } else {
            ids[*found].second.push_back(type);
        }
    }
    size_t size = 8;
    while (size < ids.size() * 4) // few collisions: most lookups look at one slot
        size *= 2;
    m_slots.assign(size, Slot{});
    m_mask = size - 1;
    m_keys.clear();
    m_types.clear();
    for (const auto &[id, types] : ids) {
        const qsizetype n = id.size();
        const quint64 word = n <= 8 ? shortKey(id.constData(), n) : 0;
        const quint64 h = n <= 8 ? mix(word, n) : hash(id.constData(), n);
        quint64 i = h & m_mask;
        while (m_slots[i].typeCount != 0)
            i = (i + 1) & m_mask;
        Slot &slot = m_slots[i];
        slot.hash = h;
        slot.word = word;
        slot.keyAt = quint32(m_keys.size());
        slot.keySize = quint32(id.size());
        slot.typesAt = quint32(m_types.size());
        slot.typeCount = quint32(types.size());
        m_keys.append(id.constData(), size_t(id.size()));
        m_types.insert(m_types.end(), types.begin(), types.end());
    }
    m_directSize = -1;
    m_direct.clear();
    const qsizetype first = ids.empty() ? 0 : ids.front().first.size();
    const bool sameShortSize =
        first >= 1 && first <= 2 && m_slots.size() < 0xFFFF &&
        std::all_of(ids.begin(), ids.end(), [&](const auto &id) { return id.first.size() == first; });
    if (sameShortSize) {
        m_directSize = first;
        m_direct.assign(size_t(1) << (8 * first), 0);
        for (size_t i = 0; i < m_slots.size(); ++i) {
            const Slot &slot = m_slots[i];
            if (slot.typeCount == 0)
                continue;
            const auto *key = reinterpret_cast<const unsigned char *>(m_keys.data() + slot.keyAt);
            const unsigned index = first == 1 ? key[0] : key[0] | unsigned(key[1]) << 8;
            m_direct[index] = quint16(i + 1);
        }
    }
}

} // namespace velkora::formats
