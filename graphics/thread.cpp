// The debug check of the calling thread.
#include <cstdio>
#include <cstdlib>

#include "library_state.h"

namespace {

gdl_internal::ThreadCheckState& check() {
    return gdl_internal::state().thread;
}

// A mark that tells the live threads apart: the address of a variable each
// thread has its own copy of.
const void* threadMark() {
    static thread_local const char mark = 0;
    return &mark;
}

} // namespace

void GDL_setThreadCheck(bool on, GdlThreadViolationFunc onViolation) {
    gdl_internal::ThreadCheckState& c = check();
    c.owner = on ? threadMark() : nullptr;
    c.onViolation = onViolation;
    c.on = on;
}

bool GDL_threadCheckOn() {
    return check().on;
}

void GDL_checkThreadSlow(const char* entry) {
    gdl_internal::ThreadCheckState& c = check();
    const void* self = threadMark();
    if (!c.owner) c.owner = self;
    if (self == c.owner) return;
    if (c.onViolation) {
        c.onViolation(entry);
        return;
    }
    std::fprintf(stderr, "GDL: %s called from a thread other than the library's\n", entry);
    std::abort();
}
