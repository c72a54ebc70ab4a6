// Window timers. They are not queued: WM_TIMER is made when the thread reads
// an otherwise empty queue and a timer is due, and the next one falls due a
// full period after that read, so a slow reader gets fewer, not more.
#include "../kernel/OutOfMemory.h"
#include "../window/UserState.h"
#include "platform/Clock.h"

#include <algorithm>

using namespace platform::user;

namespace {
constexpr UINT kMinimumElapse = 10; // as USER_TIMER_MINIMUM
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    return platform::OrOutOfMemory<UINT_PTR>(0, [&]() -> UINT_PTR {
        auto& st = State();
        std::lock_guard<std::mutex> lock(st.mutex);
        if (hwnd && !FindLocked(hwnd)) return 0;
        elapse = std::max(elapse, kMinimumElapse);
        uint32_t due = platform::ClockNow() + elapse;
        std::thread::id self = std::this_thread::get_id();
        for (WindowTimer& t : st.timers) {
            bool same =
                hwnd ? (t.hwnd == hwnd && t.id == id) : (!t.hwnd && t.id == id && t.thread == self);
            if (same) {
                t.elapse = elapse;
                t.proc = proc;
                t.due = due;
                Wake(st); // a reader may be waiting for the old due time
                return hwnd ? (id ? id : 1) : id;
            }
        }
        if (!hwnd) id = st.nextThreadTimerId++;
        st.timers.push_back(WindowTimer{hwnd, id, elapse, proc, due, self});
        Wake(st);
        return hwnd ? (id ? id : 1) : id;
    });
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto& st = State();
    std::lock_guard<std::mutex> lock(st.mutex);
    auto it = std::find_if(st.timers.begin(), st.timers.end(),
                           [&](const WindowTimer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == st.timers.end()) return FALSE;
    st.timers.erase(it);
    return TRUE;
}

namespace platform::user {

namespace {

bool Serves(const WindowTimer& t, HWND filter) {
    if (t.thread != std::this_thread::get_id()) return false;
    // A filter of -1 asks for the thread's own messages: timers of no window.
    HWND want = filter == reinterpret_cast<HWND>(-1) ? nullptr : filter;
    return !filter || t.hwnd == want;
}

} // namespace

int32_t NextTimerDueLocked(HWND filter) {
    uint32_t now = platform::ClockNow();
    int32_t next = -1;
    for (const WindowTimer& t : State().timers) {
        if (!Serves(t, filter)) continue;
        int32_t wait = std::max(static_cast<int32_t>(t.due - now), 0);
        if (next < 0 || wait < next) next = wait;
    }
    return next;
}

bool TakeDueTimer(HWND filter, bool remove, MSG* out) {
    auto& st = State();
    std::lock_guard<std::mutex> lock(st.mutex);
    uint32_t now = platform::ClockNow();
    WindowTimer* best = nullptr;
    for (WindowTimer& t : st.timers) {
        if (!Serves(t, filter) || static_cast<int32_t>(now - t.due) < 0) continue;
        if (!best || static_cast<int32_t>(t.due - best->due) < 0) best = &t;
    }
    if (!best) return false;
    *out =
        MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), now, CursorPos()};
    if (remove) best->due = now + best->elapse;
    return true;
}

void KillWindowTimers(HWND hwnd) {
    auto& st = State();
    std::lock_guard<std::mutex> lock(st.mutex);
    st.timers.erase(std::remove_if(st.timers.begin(), st.timers.end(),
                                   [&](const WindowTimer& t) { return t.hwnd == hwnd; }),
                    st.timers.end());
}

} // namespace platform::user
