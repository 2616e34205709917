#pragma once

#include "FileScanner.h"
#include "LayoutFinding.h"
#include "LikelyCauses.h"
#include "LoadFormat.h"
#include "ScanResult.h"

#include <QByteArray>
#include <QString>

namespace velkora::formats {

struct TestOptions {
    int detailLines = 1000; // lines shown in full in the result text (0: none)
    int listLimit = 1000;   // line numbers and field errors listed (the counts are complete)
    qint64 chunkBytes = 512 << 10;
    int threads = 0; // 0: the machine's cores, at most 4
    const std::atomic<bool> *cancel = nullptr;
    std::function<void(qint64 done, qint64 total)> progress; // from a reading thread
    bool mapFile = true; // false: read() even where the file could be mapped
    std::function<void()> afterMapping; // see ScanOptions
};

// A field error as the result shows it.
struct ReportedError {
    qint64 line = 0;
    int from = 0; // the field's columns
    int to = 0;
    QString lineType; // Ly_ID; empty for a line without a single line type
    QString field;    // Ld_ID; empty for the whole line
    QString message;
    QString rule; // Lr_ID of the broken rule; empty for an error of no rule
};

// The outcome of testing a load format on a file.
struct TestReport {
    bool ran = false; // false: the test could not run, and error says why
    QString error;
    LoadFormat format;
    QString filePath;
    qint64 fileBytes = 0;
    bool byteOrderMark = false;
    bool cancelled = false;
    ScanResult result;           // counts, lists and the lines kept in full
    QList<ReportedError> errors; // the first field errors, in reading order
    QList<LayoutFinding> layout; // the format's definition, then what the file shows
    QList<LikelyCause> causes;   // why most lines of a line type fail alike, if they do
    // What is wrong with the file as a whole ("El archivo está vacío", records without line
    // breaks); each makes the file one with errors.
    QStringList fileErrors;
    int unusableRules = 0; // rules that cannot be read or name what does not exist

    // Every line has exactly one line type, no field is in error, no rule is broken, every
    // rule could be used and the file as a whole has nothing wrong.
    bool clean() const;
    // 0 clean, 1 the file has errors, unmatched or ambiguous lines, 2 the test did not run.
    int exitCode() const;
    // "UTF-8", "Windows-1252" or "UTF-8 y Windows-1252" (per line).
    QString encodingName() const;
};

class CompiledFormat;
// An error of a line (field, rule or control character) as the result shows it.
ReportedError reportedError(const CompiledFormat &format, const FieldError &error);

// Tests a load format on a file: reads it (in reverse when the format says so), types every
// line, reads every field in its type and format, checks the layout, and sums it up. A file
// that cannot be read gives a report that did not run, never an exception.
TestReport testLoadFormat(const LoadFormat &format, const QString &filePath,
                          const TestOptions &options = {});

// The result text: the format and the file, the likely causes of the errors (LikelyCauses.h)
// and the lines in error per line type and field, the layout findings, the lines kept in full
// (line number, line type, converted values), what was not shown, and the summary (lines per
// line type, lines without a line type or with more than one, every listed field error with
// its line, columns, line type and field). Columns are joined by the separator ("|" when
// empty). Empty for a report that did not run.
QString reportText(const TestReport &report, const QString &separator);

// The result as one JSON object (UTF-8, indented), for scripts and batch jobs:
// key, file, bytes, encoding, reverse, cancelled, lines, by_line_type {Ly_ID: {id,
// description, lines}}, unmatched and ambiguous {count, first}, errors {count, first: [{line,
// from, to, line_type, field, message}]}, failures [{line_type, lines (in error), of (lines of
// the type), fields [{field, description, lines}]}] for the line types with errors, causes
// [{line_type, field (empty for the whole line type), kind (causeKindName), lines, of, message,
// and shift and column (shifted) or date_format (other_date_format)}], layout [{kind,
// line_type, field, message}].
QByteArray reportJson(const TestReport &report);

} // namespace velkora::formats
