#pragma once

#include <QList>
#include <QString>

namespace velkora::formats {

class CompiledFormat;
class LineAnalyzer;
struct CompiledLineType;
struct ScanResult;
struct TypeStat;

// Why most lines of a line type fail alike, as the test guesses it from what the lines in
// error show. A cause is named only when it shows on at least MostLinesPercent of the line
// type's lines: a clean file, or errors scattered over a few lines, name none.
struct LikelyCause {
    enum class Kind {
        Shifted,         // the fields in error read right a column or two away, from a column on
        ShortLines,      // the lines end before the fields in error do
        BlankNumber,     // a NUMERO field is blank
        BlankDate,       // a Fecha field is blank
        OtherDateFormat, // a Fecha field's values read in another date format
        NoLineBreaks,    // records without line breaks read as one long line
    };
    Kind kind = Kind::Shifted;
    int lineType = 0;   // index in the load format
    int field = -1;     // index in the line type; -1 for a cause of the whole line type
    QString lineOrder;  // Ly_ID
    QString fieldId;    // Ld_ID, empty for the whole line type
    qint64 lines = 0;   // lines that show it
    qint64 of = 0;      // lines of the line type
    int shift = 0;      // Shifted: columns (to the right when positive)
    int column = 0;     // Shifted: the first column that seems shifted (from 1)
    QString dateFormat; // OtherDateFormat: the format the values read in
    QString message;    // in plain words, in Spanish
};

// "At most lines": a share of the line type's lines, in percent.
inline constexpr int MostLinesPercent = 80;

// "shifted", "short_lines", "blank_number", "blank_date", "other_date_format", "no_line_breaks"
// (the JSON result's kinds).
QString causeKindName(LikelyCause::Kind kind);

// Notes what a line with fields in error shows (the analyzer has just read it, with a single
// line type): its length, which fields are blank, which read right shifted or in another date
// format. Called for the lines in error only, so that a clean line costs nothing.
void noteLineInError(LineAnalyzer &analyzer, const CompiledLineType &type, TypeStat &stat);

// The likely causes of a scan's errors, line type by line type in the format's order: first
// the line type's own (the fields shifted, else lines too short), then its fields' in their
// order (blank, another date format); a field whose errors the line type's cause already
// explains is not named again.
QList<LikelyCause> likelyCauses(const CompiledFormat &format, const ScanResult &result);

} // namespace velkora::formats
