// The debug check of the calling thread.
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "gdl/thread.h"

namespace gdl_internal {

#ifdef NDEBUG
bool g_threadCheck = false;
#else
bool g_threadCheck = true;
#endif

} // namespace gdl_internal

namespace {

struct ThreadCheck {
    // Unset until the check is turned on or, in a debug build, until the
    // first call: that thread is the library's.
    std::thread::id owner{};
    GdlThreadViolationFunc onViolation = nullptr;
};

ThreadCheck& check() {
    static ThreadCheck instance;
    return instance;
}

} // namespace

void GDL_setThreadCheck(bool on, GdlThreadViolationFunc onViolation) {
    ThreadCheck& c = check();
    c.owner = on ? std::this_thread::get_id() : std::thread::id{};
    c.onViolation = onViolation;
    gdl_internal::g_threadCheck = on;
}

bool GDL_threadCheckOn() {
    return gdl_internal::g_threadCheck;
}

void GDL_checkThreadSlow(const char* entry) {
    ThreadCheck& c = check();
    const std::thread::id self = std::this_thread::get_id();
    if (c.owner == std::thread::id{}) c.owner = self;
    if (self == c.owner) return;
    if (c.onViolation) {
        c.onViolation(entry);
        return;
    }
    std::fprintf(stderr, "GDL: %s called from a thread other than the library's\n", entry);
    std::abort();
}
