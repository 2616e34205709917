#pragma once

// The parts of the proposal that the library's files share; not installed, not for callers.

#include "LineReader.h"
#include "Proposal.h"

#include <QtGlobal>
#include <vector>

namespace velkora::proposal::detail {

// Line IDs are looked for within the first MaxIdColumns columns, 1 to MaxIdLength characters.
inline constexpr int MaxIdColumns = 10;
inline constexpr int MaxIdLength = 4;
// At most this many distinct IDs for a place to be a candidate on the lines that choose it,
// and at most MaxLineTypes line types in the whole file (the lines of any further ID fit none).
inline constexpr int MaxIdValues = 20;
inline constexpr int MaxLineTypes = 50;
// Fields are proposed within the first MaxColumns characters of a line.
inline constexpr int MaxColumns = 4096;
// The longest NUMERO the test reads (18 significant digits).
inline constexpr int MaxNumberDigits = 18;

// The character classes of a column.
enum ClassBit : quint8 { Digit = 1, Letter = 2, Blank = 4, Other = 8 };

inline quint8 classOf(char32_t c)
{
    if (c >= U'0' && c <= U'9')
        return Digit;
    if (c == U' ')
        return Blank;
    if (c < 0x80)
        return ((c | 0x20) >= U'a' && (c | 0x20) <= U'z') ? Letter : Other;
    if (c <= 0xFFFF && QChar::isLetter(char16_t(c)))
        return Letter;
    if (c > 0xFFFF && QChar::isLetter(uint(c)))
        return Letter;
    return Other;
}

// The ID of a line at characters [start, start + length): what a line type's Ly_Linea_ID
// would hold (blanks at its end dropped, as the test pads an ID with blanks).
struct LineKey {
    enum Status { Ok, Short, Invalid };
    Status status = Short;
    quint64 key = 0; // the characters, 16 bits each
};

// Short: the line has fewer characters than the ID's end. Invalid: the ID is blank, holds no
// letter or digit, or holds a control character (such a line fits no line type).
LineKey lineKey(const char *p, qsizetype n, int start, int length, DecodedLine &scratch);
LineKey keyOf(const char32_t *chars, int length);
QString keyText(quint64 key);

// Chooses where the line IDs stand from the first lines of the file: {0, 0} for a file with one
// kind of line. Reads the file itself; false when it cannot be read.
struct IdPlace {
    int start = -1; // from 0; -1 for none
    int length = 0;
};
bool chooseIdPlace(const QString &path, int sampleLines, IdPlace *place, QString *error);

} // namespace velkora::proposal::detail
