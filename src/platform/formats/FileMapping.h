#pragma once

#include <QtGlobal>
#include <cstddef>

namespace velkora::formats {

// A part of a file mapped into memory for reading, watched by MappingGuard: reading it after
// another program shortened the file gives zeros (and `changed`), never a crash. Unmapped when
// another part is mapped, on `release` and on destruction.
class FileMapping {
public:
    FileMapping() = default;
    FileMapping(const FileMapping &) = delete;
    FileMapping &operator=(const FileMapping &) = delete;
    ~FileMapping() { release(); }

    // Maps [from, to) of the open file `fd`, whose first `touched` bytes are about to be read
    // (their pages are made present at once); false when it cannot (the caller reads the file).
    bool map(int fd, qint64 from, qint64 to, qint64 touched);
    void release();

    // The bytes from the file's offset `offset`, which lies in the mapped part.
    const char *at(qint64 offset) const { return m_base + (offset - m_fileOffset); }
    // A page of it lay past the file's end when it was read.
    bool changed() const;

private:
    char *m_base = nullptr;  // the file's byte m_fileOffset
    size_t m_length = 0;     // from m_base
    qint64 m_fileOffset = 0; // a multiple of the page size
    int m_slot = -1;
};

} // namespace velkora::formats
