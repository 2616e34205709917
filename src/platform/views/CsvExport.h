#pragma once

#include "formats/Csv.h"

#include <QString>
#include <QStringList>

namespace velkora::views {

class ResultTableModel;

using formats::csvField;
using formats::csvRecord;

// Writes a result table into a file as CSV for a spreadsheet: UTF-8 with a byte-order mark
// (so that spreadsheets take it as UTF-8), the column titles, then every row as shown, each
// record ended by CR LF. The rows are read with a reader of their own, so that the views'
// lines stay as they are. The file is replaced only once it is written whole. False, and the
// reason in *error, when it cannot be written.
bool writeCsv(const ResultTableModel &table, const QString &fileName, QString *error);

// The name of a table's file when all are written into one folder: "<key>_<Ly_ID>.csv", and
// "<key>_otras.csv" for the lines with no line type or more than one (characters that do not
// belong in a file name become '_').
QString csvFileName(const ResultTableModel &table);

} // namespace velkora::views
