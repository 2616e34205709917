#include "TestedFile.h"

namespace velkora::views {

std::shared_ptr<const TestedFile> indexFile(const formats::LoadFormat &format, const QString &path,
                                            const formats::LineIndexOptions &options)
{
    auto file = std::make_shared<TestedFile>();
    file->format = std::make_shared<const formats::CompiledFormat>(format);
    formats::LineIndexOptions indexing = options;
    indexing.reverse = format.reverse;
    file->index = formats::buildLineIndex(*file->format, path, indexing);
    file->path = path;
    return file;
}

} // namespace velkora::views
