#pragma once

class QTableView;

namespace velkora::views {

class ResultTableModel;

// Each column of a result table as wide as its caption and the texts of the table's first rows
// as shown (a date of eight digits reads "2025-01-31"), and at least as wide as its field's
// length in digits, so that the rows further down fit as well; a column never grows past
// MaxColumnWidth pixels (the other lines' whole text). Only the first rows are read: a file of
// millions of lines opens at once.
void fitResultColumns(QTableView &view, const ResultTableModel &model);

inline constexpr int SampledRows = 200;
inline constexpr int MaxColumnWidth = 600;

} // namespace velkora::views
