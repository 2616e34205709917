#pragma once

// The parts of the proposal that the library's files share; not installed, not for callers.

#include "LineReader.h"
#include "Proposal.h"

#include <QtGlobal>
#include <algorithm>
#include <vector>

namespace velkora::proposal::detail {

// Line IDs are looked for within the first MaxIdColumns columns, 1 to MaxIdLength characters.
inline constexpr int MaxIdColumns = 20;
inline constexpr int MaxIdLength = 4;
// At most this many distinct IDs for a place to be a candidate on the lines that choose it,
// and at most MaxLineTypes line types in the whole file (the lines of any further ID fit none).
inline constexpr int MaxIdValues = 20;
inline constexpr int MaxLineTypes = 50;
// Fields are proposed within the first MaxColumns characters of a line.
inline constexpr int MaxColumns = 4096;
// The longest NUMERO the test reads (18 significant digits).
inline constexpr int MaxNumberDigits = 18;

// Of `lines` lines, how many may break a field and leave it its type: 1 %, rounded down (none
// of fewer than 100 lines).
inline qint64 tolerated(qint64 lines)
{
    return lines / 100;
}

// The character classes of a column.
enum ClassBit : quint8 { Digit = 1, Letter = 2, Blank = 4, Other = 8 };
// The same classes as indices 0 to 3 (counts per class).
enum ClassIndex : quint8 { DigitAt = 0, LetterAt = 1, BlankAt = 2, OtherAt = 3 };

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

inline quint8 classIndex(char32_t c)
{
    switch (classOf(c)) {
    case Digit:
        return DigitAt;
    case Letter:
        return LetterAt;
    case Blank:
        return BlankAt;
    default:
        return OtherAt;
    }
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

// Where IDs stand: characters [start, start + length), from 0.
struct IdPlace {
    int start = -1; // -1 for none
    int length = 0;
    bool operator==(const IdPlace &) const = default;
};

// The line IDs proposed for a file: one place for every line; for some of the values found
// there (a record type), a second place where the lines of that value are told apart (a
// segment letter), whose values are then the IDs of their line types. No place: one kind of
// line.
struct IdScheme {
    IdPlace first;
    struct Split {
        quint64 value = 0; // the value at the first place whose lines are told apart
        IdPlace place;     // where
    };
    std::vector<Split> splits;
    // When the lines with a code at the first place are labels ("VOL1", "HDR1") and the data
    // records hold data there (a sort code): the labels' codes, and the place where every
    // other line holds its ID (a transaction code).
    std::vector<quint64> codes;
    IdPlace dataPlace;

    bool isCode(quint64 value) const
    {
        return std::find(codes.begin(), codes.end(), value) != codes.end();
    }

    const Split *splitOf(quint64 value) const
    {
        for (const Split &s : splits)
            if (s.value == value)
                return &s;
        return nullptr;
    }
};

} // namespace velkora::proposal::detail
