#pragma once

#include "CompiledFormat.h"
#include "ScanResult.h"

#include <QString>
#include <atomic>
#include <functional>

namespace velkora::formats {

struct ScanOptions {
    bool reverse = false;                      // read from the last line to the first
    int detailLines = 1000;                    // lines kept in full (LineDetail), in reading order
    int listLimit = 1000;                      // line numbers and field errors kept per list
    qint64 chunkBytes = 512 << 10;             // bytes read at a time by one thread (kept in cache)
    int threads = 0;                           // reading threads; 0: the machine's cores, at most 4
    const std::atomic<bool> *cancel = nullptr; // stops the scan soon after it turns true
    // Bytes read so far of the total, called from a reading thread after every chunk.
    std::function<void(qint64 done, qint64 total)> progress;
    bool mapFile = true; // false: read() even where the file could be mapped
    // Called from a reading thread after each chunk is mapped, before it is read (tests
    // change the file there).
    std::function<void()> afterMapping;
    // The file's one encoding, when the test settles it; Any: the one the format declares
    // (CODIFICACION), if any.
    FileEncoding fileEncoding = FileEncoding::Any;
};

struct ScanOutcome {
    bool ran = false; // false: the file could not be read (error says why)
    QString error;
    // The result holds what was read before the cancel; a reverse reading cut short numbers
    // its lines from the end of the file (1 is the last line).
    bool cancelled = false;
    qint64 fileBytes = 0;
    bool byteOrderMark = false;
    ScanResult result; // with the file's line numbers
};

// Reads a file with a compiled load format. The file is split into chunks that threads read
// and analyse independently (each line belongs to the chunk where it starts); the chunks'
// results are appended in reading order, so the result is the same whatever the chunk size
// and the number of threads. Memory stays bounded: a chunk per thread, a line of at most
// MaxLineBytes, and the kept lists. Lines end with LF or CR LF; a last line without an end
// counts; a UTF-8 byte-order mark at the start is skipped. A file that changes while it is
// read (shortened, lengthened, written) gives an error, never a result.
ScanOutcome scanFile(const CompiledFormat &format, const QString &path, const ScanOptions &options);

} // namespace velkora::formats
