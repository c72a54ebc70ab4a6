// Activation and keyboard focus, with the messages in the order Windows sends
// them: the old window is deactivated, the application learns it became
// active (WM_ACTIVATEAPP), the new window is activated and its default
// procedure takes the focus.
#include "UserState.h"

#include <vector>

using namespace platform::user;

namespace {

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> out;
    std::lock_guard<std::mutex> lock(State().mutex);
    for (auto& [id, w] : State().windows)
        if (!w->destroyed && !(w->style & WS_CHILD) && w->thread == std::this_thread::get_id())
            out.push_back(w->handle);
    return out;
}

void TellApp(bool active) {
    for (HWND h : TopLevelWindows())
        if (IsWindow(h)) Send(h, WM_ACTIVATEAPP, active ? TRUE : FALSE, 0);
}

HWND TopLevelOf(HWND hwnd) {
    std::lock_guard<std::mutex> lock(State().mutex);
    WindowPtr w = FindLocked(hwnd);
    while (w && (w->style & WS_CHILD)) {
        WindowPtr p = FindLocked(w->parent);
        if (!p) break;
        w = p;
    }
    return w ? w->handle : nullptr;
}

bool IsWithin(HWND child, HWND ancestor) {
    std::lock_guard<std::mutex> lock(State().mutex);
    for (WindowPtr w = FindLocked(child); w; w = FindLocked(w->parent)) {
        if (w->handle == ancestor) return true;
        if (!(w->style & WS_CHILD)) break;
    }
    return false;
}

} // namespace

namespace platform::user {

void ActivateWindow(HWND hwnd, int how) {
    auto& st = State();
    WindowPtr w = Find(hwnd);
    if (!w) return;
    HWND old;
    bool appWasActive;
    {
        std::lock_guard<std::mutex> lock(st.mutex);
        if (st.active == hwnd && st.appActive) return;
        old = st.active;
        appWasActive = st.appActive;
        st.active = hwnd;
        st.lastActive = hwnd;
        st.appActive = true;
    }
    if (old && old != hwnd && IsWindow(old)) {
        Send(old, WM_NCACTIVATE, FALSE, 0);
        Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0),
             reinterpret_cast<LPARAM>(hwnd));
    }
    if (!appWasActive) TellApp(true);
    if (!IsWindow(hwnd)) return;
    Send(hwnd, WM_NCACTIVATE, TRUE, 0);
    Send(hwnd, WM_ACTIVATE, MAKEWPARAM(how, w->minimized ? 1 : 0), reinterpret_cast<LPARAM>(old));
}

void DeactivateApp() {
    auto& st = State();
    HWND active, focus;
    {
        std::lock_guard<std::mutex> lock(st.mutex);
        if (!st.appActive) return;
        active = st.active;
        focus = st.focus;
        if (active) st.lastActive = active;
        st.appActive = false;
        st.active = nullptr;
        st.focus = nullptr;
    }
    if (active && IsWindow(active)) {
        Send(active, WM_NCACTIVATE, FALSE, 0);
        Send(active, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(active) ? 1 : 0), 0);
    }
    TellApp(false);
    if (focus && IsWindow(focus)) Send(focus, WM_KILLFOCUS, 0, 0);
}

void WindowGoingAway(HWND hwnd) {
    auto& st = State();
    HWND focus, active;
    {
        std::lock_guard<std::mutex> lock(st.mutex);
        focus = st.focus;
        active = st.active;
    }
    if (active == hwnd) {
        // Another shown window of the application takes over; with none left
        // the application is no longer the active one.
        HWND next = nullptr;
        for (HWND h : TopLevelWindows()) {
            WindowPtr w = Find(h);
            if (h != hwnd && w && w->visible && !w->minimized) next = h;
        }
        if (next) {
            ActivateWindow(next, WA_ACTIVE);
        } else {
            DeactivateApp();
        }
    } else if (focus && IsWithin(focus, hwnd)) {
        SetFocus(nullptr);
    }
}

} // namespace platform::user

HWND SetFocus(HWND hwnd) {
    auto& st = State();
    if (hwnd && !IsWindow(hwnd)) return nullptr;
    if (hwnd) {
        HWND top = TopLevelOf(hwnd);
        bool needActivation;
        {
            std::lock_guard<std::mutex> lock(st.mutex);
            needActivation = st.active != top || !st.appActive;
        }
        if (needActivation) ActivateWindow(top, WA_ACTIVE);
    }
    HWND old;
    {
        std::lock_guard<std::mutex> lock(st.mutex);
        old = st.focus;
        if (old == hwnd) return old;
        st.focus = hwnd;
    }
    if (old && IsWindow(old)) Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && IsWindow(hwnd)) Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND GetFocus() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().focus;
}

HWND SetActiveWindow(HWND hwnd) {
    HWND old = GetActiveWindow();
    HWND top = TopLevelOf(hwnd);
    if (!top) return nullptr;
    ActivateWindow(top, WA_ACTIVE);
    return old;
}

HWND GetActiveWindow() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().active;
}

BOOL SetForegroundWindow(HWND hwnd) {
    HWND top = TopLevelOf(hwnd);
    if (!top) return FALSE;
    ActivateWindow(top, WA_ACTIVE);
    return TRUE;
}

HWND GetForegroundWindow() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().appActive ? State().active : nullptr;
}

HWND SetCapture(HWND hwnd) {
    std::lock_guard<std::mutex> lock(State().mutex);
    HWND old = State().capture;
    if (FindLocked(hwnd)) State().capture = hwnd;
    return old;
}

BOOL ReleaseCapture() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().capture = nullptr;
    return TRUE;
}
