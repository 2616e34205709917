#pragma once

#include "ProposalInternal.h"

#include <QString>
#include <vector>

namespace velkora::proposal::detail {

// The first lines of a file as the choice of the line IDs sees them: the first MaxIdColumns
// characters of each line (where IDs may stand) and the class of each of its first
// ShapeColumns characters (its layout: where digits, letters, blanks and signs stand; past
// the end of a line, blanks).
class IdSample {
public:
    static constexpr int ShapeColumns = 256;

    // Reads up to maxLines lines from the start of the file; false when it cannot be read.
    bool read(const QString &path, int maxLines, QString *error);

    int lines() const { return m_lines; }
    int width() const { return m_width; } // of the longest line, at most ShapeColumns
    // The class indices (ClassIndex) of the line's first width() columns.
    const quint8 *shape(int line) const { return m_shapes.data() + size_t(line) * size_t(m_width); }
    LineKey key(int line, IdPlace place) const;

private:
    int m_lines = 0;
    int m_width = 0;
    std::vector<quint8> m_shapes;
    std::vector<char32_t> m_heads;    // MaxIdColumns characters per line
    std::vector<qint64> m_characters; // characters per line
};

// Chooses where the line IDs stand from the sample (IdChoice.cpp); without `twoLevels`, one
// place for every line type.
IdScheme chooseIdScheme(const IdSample &sample, bool twoLevels);

} // namespace velkora::proposal::detail
