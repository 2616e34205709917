#pragma once

#include "ProposalInternal.h"

#include <QString>
#include <vector>

namespace velkora::proposal::detail {

// What a column of a line holds, for its layout: each digit 0 to 9 itself, a letter, a blank
// (or nothing, past the end of the line) or a sign.
enum ShapeSymbol : quint8 { LetterSymbol = 10, BlankSymbol = 11, SignSymbol = 12 };
inline constexpr int ShapeSymbols = 13;

inline quint8 shapeSymbol(char32_t c)
{
    if (c >= U'0' && c <= U'9')
        return quint8(c - U'0');
    switch (classOf(c)) {
    case Letter:
        return LetterSymbol;
    case Blank:
        return BlankSymbol;
    default:
        return SignSymbol;
    }
}

// The first lines of a file as the choice of the line IDs sees them: the first MaxIdColumns
// characters of each line (where IDs may stand) and the ShapeSymbol of each of its first
// ShapeColumns characters (its layout: where digits, letters, blanks and signs stand).
class IdSample {
public:
    static constexpr int ShapeColumns = 256;

    // Reads up to maxLines lines (records of `recordLength` bytes, when not 0) from the start
    // of the file; false when it cannot be read.
    bool read(const QString &path, int maxLines, QString *error, int recordLength = 0);

    int lines() const { return m_lines; }
    int width() const { return m_width; } // of the longest line, at most ShapeColumns
    // The ShapeSymbol of each of the line's first width() columns.
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
