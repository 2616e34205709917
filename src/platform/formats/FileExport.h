#pragma once

#include "LoadFormat.h"

#include <QIODevice>
#include <QString>
#include <QStringList>

namespace velkora::formats {

// What an export wrote, or why it could not.
struct ExportOutcome {
    bool ok = false;
    QString error;
    qint64 lines = 0;  // lines read (empty lines at the end of the file not counted)
    QStringList files; // the CSV files written
};

// The test's reading of a file for other tools, line by line from the first (records of
// REGISTRO n when the format has that rule): each line's line type, converted values and
// errors (fields, control characters, the rules of the line and the rules across lines up to
// it; what only the end of the file tells, ULTIMA and too few lines for VECES, is left to
// velkora test). Empty lines at the end of the file are left out.

// One JSON object per line, each on a line of its own (JSON Lines): {"line", "line_type" (""
// without a single line type), "values" {"Ld_ID": converted value} or "text" (the line's text,
// without a line type), "errors" [{"from", "to", "field", "rule", "message"}]}.
ExportOutcome exportJsonLines(const LoadFormat &format, const QString &path, QIODevice &out);

// One CSV file per line type into the folder, as the result tables export them:
// "<key>_<Ly_ID>.csv" with the columns "Línea" and "<Ld_ID> <description>" of each field (the
// converted values), and "<key>_otras.csv" ("Línea", "Situación", "Texto") for the lines
// without a single line type; UTF-8 with a byte-order mark, records ended by CR LF. Files of
// line types without lines are not written.
ExportOutcome exportCsv(const LoadFormat &format, const QString &path, const QString &folder);

} // namespace velkora::formats
