#include "FileMapping.h"

#include "MappingGuard.h"

#include <algorithm>
#include <sys/mman.h>
#include <unistd.h>

namespace velkora::formats {

namespace {

qint64 pageBytes()
{
    static const qint64 bytes = sysconf(_SC_PAGESIZE);
    return bytes;
}

} // namespace

bool FileMapping::map(int fd, qint64 from, qint64 to, qint64 touched)
{
    release();
    const qint64 start = from - from % pageBytes();
    const auto length = size_t(to - start);
    void *base = mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, start);
    if (base == MAP_FAILED)
        return false;
    m_slot = MappingGuard::add(base, length);
    if (m_slot < 0) {
        munmap(base, length);
        return false;
    }
    m_base = static_cast<char *>(base);
    m_length = length;
    m_fileOffset = start;
    // The pages about to be read, present at once rather than one fault per few pages (past
    // the file's end, if it was shortened meanwhile, they are simply left out).
    const qint64 present = std::min<qint64>(qint64(length), from - start + touched);
    if (present > 0)
        madvise(base, size_t(present), MADV_POPULATE_READ);
    return true;
}

void FileMapping::release()
{
    if (!m_base)
        return;
    MappingGuard::remove(m_slot);
    munmap(m_base, m_length);
    m_base = nullptr;
    m_length = 0;
    m_slot = -1;
}

bool FileMapping::changed() const
{
    return m_slot >= 0 && MappingGuard::changed(m_slot);
}

} // namespace velkora::formats
