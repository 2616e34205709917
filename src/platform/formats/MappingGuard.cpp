#include "MappingGuard.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace velkora::formats {

namespace {

// One watched mapping. The handler reads the places without a lock (it may interrupt any
// code); a place is claimed through `taken`, its length is written before its address and its
// address cleared before it is given back, so the handler never pairs an address with a length
// that is not its own.
struct Place {
    std::atomic<bool> taken{false};
    std::atomic<std::uintptr_t> address{0};
    std::atomic<size_t> length{0};
    std::atomic<bool> changed{false};
};

// More than the reading threads of a few tests and line indexes at once; past it, files are
// read without a mapping.
std::array<Place, 64> places;
struct sigaction previous {};
std::uintptr_t pageSize = 4096;
std::mutex installing;

// Steps aside for a SIGBUS that is not the guard's: the handler that was there before (or the
// default action, which ends the process) takes it, as if the guard had never been installed.
// A fault happens again as the handler returns; a signal sent by kill() or raise() is sent
// again (blocked while this handler runs, it arrives as it returns).
void passOn(const siginfo_t *info)
{
    sigaction(SIGBUS, &previous, nullptr);
    if (info->si_code <= 0)
        raise(SIGBUS);
}

// The watched mapping that holds `at`, or null.
Place *placeOf(std::uintptr_t at)
{
    for (Place &place : places) {
        const std::uintptr_t begin = place.address.load(std::memory_order_acquire);
        const size_t length = place.length.load(std::memory_order_acquire);
        if (begin != 0 && at >= begin && at - begin < length)
            return &place;
    }
    return nullptr;
}

void onBusError(int, siginfo_t *info, void *)
{
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    // Only a fault has an address (si_code > 0); a signal sent by kill() or raise() passes on.
    if (Place *place = info->si_code > 0 ? placeOf(at) : nullptr) {
        // Zero-filled private memory over the rest of the mapping, from the faulting page on:
        // the faulting read is retried on it. mmap is not on the POSIX list of async-signal-
        // safe functions, but on Linux it is a plain system call that takes no lock of the C
        // library, so calling it here is safe.
        const std::uintptr_t begin = place->address.load(std::memory_order_acquire);
        const size_t length = place->length.load(std::memory_order_acquire);
        const std::uintptr_t page = at & ~(pageSize - 1);
        void *zeros = mmap(reinterpret_cast<void *>(page), begin + length - page, PROT_READ,
                           MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (zeros != MAP_FAILED) {
            place->changed.store(true, std::memory_order_relaxed);
            return;
        }
    }
    passOn(info);
}

// Puts the handler in place, unless it is there: on the first mapping, and again when another
// part of the process set a handler of its own since (which is then the one passed on to).
void install()
{
    std::lock_guard lock(installing);
    struct sigaction current {};
    sigaction(SIGBUS, nullptr, &current);
    if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == onBusError)
        return;
    pageSize = std::uintptr_t(sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &previous);
}

} // namespace

int MappingGuard::add(const void *address, size_t length)
{
    install();
    for (size_t i = 0; i < places.size(); ++i) {
        Place &place = places[i];
        bool free = false;
        if (!place.taken.compare_exchange_strong(free, true, std::memory_order_acquire))
            continue;
        place.changed.store(false, std::memory_order_relaxed);
        place.length.store(length, std::memory_order_release);
        place.address.store(reinterpret_cast<std::uintptr_t>(address), std::memory_order_release);
        return int(i);
    }
    return -1;
}

bool MappingGuard::changed(int slot)
{
    return places[size_t(slot)].changed.load(std::memory_order_relaxed);
}

void MappingGuard::remove(int slot)
{
    Place &place = places[size_t(slot)];
    place.address.store(0, std::memory_order_release);
    place.length.store(0, std::memory_order_release);
    place.taken.store(false, std::memory_order_release);
}

} // namespace velkora::formats
