// The library is used from one thread: its state block, result code and
// scratch buffer are shared by every call. The thread check catches a call
// from any other thread (a cursor or timer thread) at once. It is on by
// default in builds without NDEBUG, and tests turn it on in every build.
#pragma once

// Called with the name of the entry point that another thread reached.
typedef void (*GdlThreadViolationFunc)(const char* entry);

// On: the calling thread becomes the library's thread, and a call from any
// other thread goes to `onViolation` (null: report on stderr and abort).
void GDL_setThreadCheck(bool on, GdlThreadViolationFunc onViolation = nullptr);
bool GDL_threadCheckOn();

// The check itself, at the library's entry points.
void GDL_checkThreadSlow(const char* entry);
namespace gdl_internal {
extern bool g_threadCheck;
}
inline void GDL_checkThread(const char* entry) {
    if (gdl_internal::g_threadCheck) GDL_checkThreadSlow(entry);
}
