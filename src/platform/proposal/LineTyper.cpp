#include "LineTyper.h"

namespace velkora::proposal::detail {

int LineTyper::typeOf(const char *p, qsizetype n)
{
    const IdPlace first = m_scheme.first;
    if (first.start < 0) {
        if (m_types.empty())
            m_types.push_back({first, 0, 0, {}, -1});
        return 0;
    }
    const LineKey k = lineKey(p, n, first.start, first.length, m_scratch);
    const IdPlace data = m_scheme.dataPlace;
    if (data.start >= 0 && (k.status != LineKey::Ok || !m_scheme.isCode(k.key))) {
        const LineKey id = lineKey(p, n, data.start, data.length, m_scratch);
        return id.status == LineKey::Ok ? find(DataRecord, id.key, 0, data) : -1;
    }
    if (k.status != LineKey::Ok)
        return -1;
    for (int s = 0; s < int(m_scheme.splits.size()); ++s) {
        const IdScheme::Split &split = m_scheme.splits[size_t(s)];
        if (split.value != k.key)
            continue;
        const LineKey sub = lineKey(p, n, split.place.start, split.place.length, m_scratch);
        return sub.status == LineKey::Ok ? find(s, sub.key, k.key, split.place) : -1;
    }
    return find(-1, k.key, 0, first);
}

int LineTyper::find(int split, quint64 key, quint64 record, IdPlace place)
{
    if (m_lastHit >= 0) {
        const Type &last = m_types[size_t(m_lastHit)];
        if (last.key == key && last.split == split)
            return m_lastHit;
    }
    for (int t = 0; t < int(m_types.size()); ++t) {
        if (m_types[size_t(t)].key == key && m_types[size_t(t)].split == split) {
            m_lastHit = t;
            return t;
        }
    }
    if (int(m_types.size()) >= MaxLineTypes)
        return -1;
    m_types.push_back({place, key, record, split < 0 ? IdPlace{} : m_scheme.first, split});
    m_lastHit = int(m_types.size()) - 1;
    return m_lastHit;
}

} // namespace velkora::proposal::detail
