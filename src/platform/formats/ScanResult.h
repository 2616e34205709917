#pragma once

#include "Conversion.h"
#include "TextEncoding.h"

#include <QList>
#include <QString>
#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace velkora::formats {

// Until a scan is finished, "line" below is the line's place in reading order (0 for the first
// line read); numberLines() then turns every one into the file's own line number (from 1),
// which for a reverse reading is known only once the whole file has been counted.

// What an error is about: a field that does not read in its type and format, a rule of the
// load format that the file breaks, or a control character inside a line.
// Encoding: a line written in an encoding other than the file's (ruleValue the line's
// LineEncoding, expected the file's FileEncoding, rule the CODIFICACION rule or -1).
enum class ErrorKind : quint8 { Field, Rule, Control, Encoding };

// An error of a line. Fixed size: no allocation per error.
struct FieldError {
    qint64 line = 0;
    int lineType = 0; // index in the load format; -1 for a line without a single line type
    int field = 0;    // index in the line type; -1 for the whole line
    ErrorKind kind = ErrorKind::Field;
    int rule = -1;         // Rule: index in the load format's rules
    qint64 ruleValue = 0;  // Rule: what the line holds (a length, a count, a line type...)
    __int128 expected = 0; // Rule: what the rule expects (a count, a sum...)
    int from = 0;          // the field's columns, from 1
    int to = 0;
    Problem problem;
    int column = 0;       // the offending character's column, 0 when none
    int lineEnd = 0;      // the line's length in characters (where a short line ends)
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
// The most lines in error kept per field (and per line type for its lines as a whole).
inline constexpr int FirstLinesPerField = 10;

struct FieldStat {
    qint64 lines = 0;          // lines where the field is in error (read errors and broken rules)
    std::vector<qint64> first; // the first of them, at most FirstLinesPerField
    qint64 blank = 0;          // of them, lines where it is blank
    qint64 pastEnd = 0;        // of them, lines that end before the field does
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
    // Errors of the line as a whole (a broken rule of the line type, a control character
    // outside the fields): lines, and the first of them.
    qint64 lineErrors = 0;
    std::vector<qint64> lineErrorFirst;

    // Counts one more line in error of the field (-1: of the line as a whole).
    void noteError(int field, size_t fieldCount, qint64 line)
    {
        if (field < 0) {
            ++lineErrors;
            keepFirst(lineErrorFirst, line);
            return;
        }
        if (fields.size() < fieldCount)
            fields.resize(fieldCount);
        FieldStat &stat = fields[size_t(field)];
        ++stat.lines;
        keepFirst(stat.first, line);
    }
    // Keeps the first FirstLinesPerField lines in line order. A rule checked across lines
    // finds its errors when the lines it waits for come (perhaps in a later part): errors are
    // not noted in line order.
    static void keepFirst(std::vector<qint64> &first, qint64 line)
    {
        if (first.size() >= size_t(FirstLinesPerField) && line >= first.back())
            return;
        first.insert(std::upper_bound(first.begin(), first.end(), line), line);
        if (first.size() > size_t(FirstLinesPerField))
            first.pop_back();
    }
};

// A run of empty lines at the start or the end of what was read (in reading order).
struct EmptyRun {
    qint64 count = 0;
    std::vector<qint64> first; // at most the list limit
};

// The rules across lines (RuleChecker.h) as a part of a file saw them on its own: what it
// could check without the lines before it is checked already (its errors are in the part);
// what it could not waits here, with its totals, for the part to be merged in reading order.
// The values of a running rule's terms (CUENTA, SUMA, IGUAL; at most eight): counts and sums
// over a span, and fields of the last line of a type, which are known (`seen`) once such a
// line came, and do not read (`broken`) when its field does not.
struct TermValues {
    std::array<__int128, 8> values{};
    quint8 seen = 0;
    quint8 broken = 0;
};
// A check that waits for the lines before the part: its line and what the part knew then.
struct PendingCheck {
    enum Kind : quint8 { Running, Tras, Veces };
    Kind kind = Running;
    bool inError = false;   // an error is already counted on the line
    bool restarted = false; // Running: the part's totals had started again before the line
    qint32 index = 0;       // Running: the rule (RuleSet::running()); Tras, Veces: the line type
    qint64 line = 0;        // in the part
    qint64 stated = 0;      // Running: the number on the line; Veces: the line's count in the part
    TermValues terms;       // Running: the part's values before the line
};
// A running rule's totals over a part.
struct RunningPart {
    bool restarted = false; // a line of its DESDE type is in the part: the totals are its own
    TermValues terms;
    qint64 previous = std::numeric_limits<qint64>::min(); // SECUENCIA: the part's last number
};
struct RulePart {
    std::vector<PendingCheck> pending; // in line order
    std::vector<RunningPart> running;
    std::vector<qint64> times; // lines of each line type
    qint64 firstText = -1;     // the first line with text, and its line type
    int firstType = -1;
    qint64 lastText = -1; // the last line with text, and its line type
    int lastType = -1;
    int lastLine = -2; // the type of the part's last line: -1 none or empty, -2 no line
};
// A number as the rules read it: a NUMERO field's mantissa with its sign, NoValue when it does
// not read.
inline constexpr qint64 NoValue = std::numeric_limits<qint64>::min();

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
    // The encoding of the first line with characters beyond ASCII (Ascii: none yet).
    LineEncoding firstWide = LineEncoding::Ascii;
    std::vector<LineDetail> details;
    ListedLines controlLines; // lines with control characters
    qint64 untypedErrors = 0; // errors of lines without a single line type (or of the file)
    // Empty lines before the first line with text and after the last one, in reading order;
    // those between lines with text are lines without a line type.
    bool anyText = false;
    EmptyRun leadingEmpty;
    EmptyRun trailingEmpty;
    qint64 longestLine = -1; // the first of the longest lines
    // The rules across lines, until the part is merged.
    RulePart rules;

    // Counts an empty line or a line with text, in reading order (within one part).
    void noteEmpty(qint64 line, int listLimit);
    void noteText(int listLimit)
    {
        if (trailingEmpty.count > 0)
            flushTrailingEmpty(listLimit);
        anyText = true;
    }
    void flushTrailingEmpty(int listLimit); // empty lines between lines with text
    // Appends a later part, whose lines come after these in reading order; lists keep their
    // first `listLimit` entries and the details their first `detailLimit`.
    void append(ScanResult &&later, int listLimit, int detailLimit);
    // Tells which empty lines end the file (emptyAtEnd): the leading ones of a reverse
    // reading, else the trailing ones; the others become lines without a line type. Once,
    // after the last part and before numberLines.
    void settleEmptyLines(bool reverse, int listLimit);
    EmptyRun emptyAtEnd;
    // Turns reading order into the file's line numbers (see above).
    void numberLines(bool reverse);
};

} // namespace velkora::formats
