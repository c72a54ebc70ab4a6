#include "platform/Process.h"

#include <atomic>
#include <csignal>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Set by the signal handler, so it must be lock-free.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onInterrupt(int) {
    interrupted.store(true);
}

} // namespace

namespace platform {

void CatchInterrupts() {
    std::signal(SIGINT, onInterrupt);
}

bool TakeInterrupt() {
    return interrupted.exchange(false);
}

// A program whose collector frees a cycle's garbage at once would otherwise
// give those pages back, and fault them in again with the next cycle's
// allocations, which costs more than the work done between cycles.
void KeepFreedMemory() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

} // namespace platform
