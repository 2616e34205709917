#pragma once

#include <QString>

namespace velkora::proposal::detail {

// The records of a file written without line breaks: their length, and how well it explains
// the file (the share of the sampled bytes that the same column of the next record repeats).
struct RecordLength {
    int length = 0; // 0: the file has line breaks, or no length explains it
    double agreement = 0;
    qint64 records = 0;
};

// Looks at the first MiB of the file: when it holds no line break, the record length is the
// shortest of the lengths that divide the file (but a line break at its very end) and after
// which the bytes repeat about as often as after the best of them (records of one layout repeat
// their codes, zeros and blanks column by column; a part of a record or a text does not).
RecordLength findRecordLength(const QString &path);

} // namespace velkora::proposal::detail
