#pragma once

#include "Conversion.h"

#include <QList>
#include <QString>
#include <array>
#include <vector>

namespace velkora::formats {

// Until a scan is finished, "line" below is the line's place in reading order (0 for the first
// line read); numberLines() then turns every one into the file's own line number (from 1),
// which for a reverse reading is known only once the whole file has been counted.

// A field that could not be read in its type and format. Fixed size: no allocation per error.
struct FieldError {
    qint64 line = 0;
    int lineType = 0; // index in the load format
    int field = 0;    // index in the line type
    int from = 0;     // the field's columns, from 1
    int to = 0;
    Problem problem;
    int column = 0;       // the offending character's column, 0 when none
    char badChar[5] = {}; // that character in UTF-8
    quint8 textSize = 0;
    bool textCut = false;
    char text[46] = {}; // the field's text (trimmed when the field asks for it) in UTF-8
};

// How many lines had a property, and the first of them.
struct ListedLines {
    qint64 count = 0;
    std::vector<qint64> first;
};

struct GapStat {
    qint64 lines = 0;  // lines with text in the gap
    qint64 first = -1; // the first of them
};

// The shifts tried on a field in error, in columns: to the left (negative) and to the right.
inline constexpr int ShiftCount = 4;
inline constexpr std::array<int, ShiftCount> Shifts{-1, 1, -2, 2};
// Lines whose length is the line type's end (CompiledLineType::end) give or take this many.
inline constexpr int LengthSlack = 2;

// What the lines in error of a line type show of one of its fields, for the likely causes
// (LikelyCauses.h). Counts only, gathered on the lines in error: the parts of a file add up
// whatever way it is cut.
struct FieldStat {
    qint64 lines = 0;   // lines where the field is in error
    qint64 blank = 0;   // of them, lines where it is blank
    qint64 pastEnd = 0; // of them, lines that end before the field does
    // Of them, lines where the field reads right Shifts[k] columns away, and at no shift
    // before it in Shifts (the nearest).
    std::array<qint64, ShiftCount> shifted{};
    // Of them, lines where it reads right in commonDateFormats()[k] (a Fecha field; else empty).
    std::vector<qint64> otherDates;
};

struct TypeStat {
    qint64 lines = 0;
    int longest = 0; // the longest line of this type, in characters
    std::vector<GapStat> gaps;
    // The lines with a field in error, and what they show.
    qint64 errorLines = 0;
    qint64 shortLines = 0; // of them, lines that end before a field in error does
    // Of them, lines of end - LengthSlack ... end + LengthSlack characters.
    std::array<qint64, 2 * LengthSlack + 1> lengths{};
    // Of them, lines where some field in error reads right Shifts[k] columns away.
    std::array<qint64, ShiftCount> shiftedLines{};
    std::vector<FieldStat> fields; // per field; empty while no line has an error
};

// One line as the test shows it in full: its line type and its converted values.
struct LineDetail {
    struct Value {
        QString text; // the converted value (the field's text when it is in error)
        bool ok = true;
        QString message; // why it is in error
    };
    qint64 line = 0;
    int lineType = -1;     // -1: no line type or more than one
    QList<int> candidates; // the line types that match, when more than one does
    QList<Value> values;   // one per field of the line type
    QString text;          // the line's text, for a line without a single line type
};

// What reading (part of) a file found. Parts read separately are merged in reading order.
struct ScanResult {
    qint64 lines = 0;
    qint64 bytes = 0; // bytes of the lines read, line ends included
    int longest = 0;  // the longest line, in characters
    std::vector<TypeStat> types;
    ListedLines unmatched;
    ListedLines ambiguous;
    ListedLines longLines; // lines cut at the longest line that the test reads
    qint64 errorCount = 0;
    std::vector<FieldError> errors;
    qint64 utf8Lines = 0;   // lines with characters beyond ASCII read as UTF-8
    qint64 cp1252Lines = 0; // lines that are not UTF-8, read as Windows-1252
    std::vector<LineDetail> details;

    // Appends a later part, whose lines come after these in reading order; lists keep their
    // first `listLimit` entries and the details their first `detailLimit`.
    void append(ScanResult &&later, int listLimit, int detailLimit);
    // Turns reading order into the file's line numbers (see above).
    void numberLines(bool reverse);
};

} // namespace velkora::formats
