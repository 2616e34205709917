#pragma once

#include "formats/CompiledFormat.h"
#include "formats/LikelyCauses.h"
#include "formats/LineIndex.h"

#include <QString>
#include <memory>

namespace velkora::views {

// A file read with a load format, as the views show it: the compiled format, the file and the
// index of its lines. Shared, read-only, by the views of one result.
struct TestedFile {
    std::shared_ptr<const formats::CompiledFormat> format;
    formats::LineIndex index;
    QString path;
    // Lines that the test read (-1 when no test ran): the index may hold fewer when the test
    // was cancelled while the index was behind it.
    qint64 testedLines = -1;
    // Why most lines of a line type failed alike, as the test guessed (shown over the tables).
    QList<formats::LikelyCause> causes;
};

// Indexes a file with a load format on the calling thread, for a view of its first lines
// (options.maxLines) without a test. When the file cannot be read, the index did not run and
// says why.
std::shared_ptr<const TestedFile> indexFile(const formats::LoadFormat &format, const QString &path,
                                            const formats::LineIndexOptions &options = {});

} // namespace velkora::views
