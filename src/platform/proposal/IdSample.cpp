#include "IdSample.h"

#include <algorithm>

namespace velkora::proposal::detail {

bool IdSample::read(const QString &path, int maxLines, QString *error, int recordLength)
{
    LineReader reader;
    if (!reader.open(path, error))
        return false;
    reader.setRecordLength(recordLength);
    *this = IdSample{};
    // Shapes are kept ShapeColumns wide while reading, then packed to the longest line.
    std::vector<quint8> wide;
    DecodedLine line;
    const char *p = nullptr;
    qsizetype n = 0;
    while (m_lines < std::max(1, maxLines) && reader.next(p, n)) {
        line.decode(p, n, ShapeColumns);
        const int have = int(line.chars.size());
        m_width = std::max(m_width, have);
        wide.resize(wide.size() + ShapeColumns, BlankSymbol);
        quint8 *shape = wide.data() + wide.size() - ShapeColumns;
        for (int j = 0; j < have; ++j)
            shape[j] = shapeSymbol(line.chars[size_t(j)]);
        m_heads.resize(m_heads.size() + MaxIdColumns, U' ');
        std::copy_n(line.chars.begin(), std::min(have, MaxIdColumns), m_heads.end() - MaxIdColumns);
        m_characters.push_back(line.characters);
        ++m_lines;
    }
    if (!reader.error().isEmpty()) {
        *error = reader.error();
        return false;
    }
    m_shapes.resize(size_t(m_lines) * size_t(m_width));
    for (int i = 0; i < m_lines; ++i)
        std::copy_n(wide.begin() + qsizetype(i) * ShapeColumns, m_width,
                    m_shapes.begin() + qsizetype(i) * m_width);
    return true;
}

LineKey IdSample::key(int line, IdPlace place) const
{
    if (m_characters[size_t(line)] < place.start + place.length)
        return {};
    return keyOf(m_heads.data() + size_t(line) * MaxIdColumns + place.start, place.length);
}

} // namespace velkora::proposal::detail
