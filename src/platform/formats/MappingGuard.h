#pragma once

#include <cstddef>

namespace velkora::formats {

// Keeps the mappings of files that the test reads from ending the process. Touching a page of
// a mapping past the file's end, when another program shortens the file while it is read,
// raises SIGBUS. The guard's handler (put in place for the process by the first mapping, and
// again by a later one if something replaced it) puts zero-filled memory
// in place of the rest of that mapping and notes that the file changed: the read goes on and
// sees zeros, and its reader, which asks `changed` after each block, reports the file changed
// rather than its result. A SIGBUS anywhere else goes on to the handler that was there before
// (or kills the process, as it would have without the guard).
class MappingGuard {
public:
    // Watches [address, address + length) until `remove`; -1 when all its places are taken
    // (then the file is read without a mapping).
    static int add(const void *address, size_t length);
    // A page of the mapping lay past the file's end when it was read: its bytes are zeros.
    static bool changed(int slot);
    static void remove(int slot);
};

} // namespace velkora::formats
