// Raw input from a host becomes window messages: mouse messages go to the
// window under the pointer (or the capture), keys to the focus window, with
// the lParam and key-state bookkeeping Windows keeps.
#include "../adapter/AdapterInternal.h"
#include "../host/HostBackend.h"
#include "../window/UserState.h"
#include "Cp1252.h"
#include "KeyTable.h"
#include "platform/Clock.h"

#include <cstdlib>

using namespace platform::user;

namespace {

constexpr int kDoubleClickTime = 500;
constexpr int kDoubleClickHalfBox = 2; // SM_CXDOUBLECLK / 2

bool Down(const BYTE* keys, int vk) {
    return (keys[vk] & 0x80) != 0;
}

WPARAM MouseKeyFlags() {
    const BYTE* k = State().asyncKeys;
    WPARAM f = 0;
    if (Down(k, VK_LBUTTON)) f |= MK_LBUTTON;
    if (Down(k, VK_RBUTTON)) f |= MK_RBUTTON;
    if (Down(k, VK_MBUTTON)) f |= MK_MBUTTON;
    if (Down(k, VK_SHIFT)) f |= MK_SHIFT;
    if (Down(k, VK_CONTROL)) f |= MK_CONTROL;
    return f;
}

// Sets the asynchronous state of a key; the generic modifier keys are down
// while either side is.
void SetAsync(int vk, int sideVk, bool down) {
    BYTE* k = State().asyncKeys;
    auto set = [&](int v) {
        if (down && !Down(k, v)) {
            State().asyncPressed[v] = 1;
            k[v] ^= 0x01; // the toggle, as of now (Num Lock decides the keypad)
        }
        k[v] = down ? static_cast<BYTE>(k[v] | 0x80) : static_cast<BYTE>(k[v] & ~0x80);
    };
    if (sideVk) {
        set(sideVk);
        int other = sideVk ^ 1; // VK_LSHIFT/VK_RSHIFT and so on differ in bit 0
        bool any = down || Down(k, other);
        set(vk);
        if (!any)
            k[vk] &= static_cast<BYTE>(~0x80);
        else
            k[vk] |= 0x80;
    } else {
        set(vk);
    }
}

// The window that gets a mouse event at client point (x, y) of `window`, with
// the point converted to that window's client coordinates. Null when the
// pointer is outside every client area and nothing has the capture.
WindowPtr MouseTarget(HWND window, int x, int y, POINT* screen, POINT* client) {
    auto& st = State();
    WindowPtr w = FindLocked(window);
    if (!w) return nullptr;
    POINT o = ClientOrigin(w);
    *screen = POINT{o.x + x, o.y + y};
    SetCachedCursorPos(*screen);
    WindowPtr target = nullptr;
    if (st.capture) {
        target = FindLocked(st.capture);
    } else if (x >= 0 && y >= 0 && x < w->pixelWidth && y < w->pixelHeight && w->visible &&
               w->enabled && !w->minimized) {
        target = w;
    }
    if (!target) return nullptr;
    POINT to = ClientOrigin(target);
    *client = POINT{screen->x - to.x, screen->y - to.y};
    return target;
}

} // namespace

namespace platform {

void InjectMouseMove(HWND window, int x, int y) {
    std::lock_guard<std::mutex> lock(State().mutex);
    POINT screen, client;
    WindowPtr target = MouseTarget(window, x, y, &screen, &client);
    if (target) PostInput(target, WM_MOUSEMOVE, MouseKeyFlags(), MAKELPARAM(client.x, client.y), 0);
}

void InjectMouseButton(HWND window, MouseButton button, bool down, int x, int y) {
    auto& st = State();
    HWND activate = nullptr;
    {
        std::lock_guard<std::mutex> lock(st.mutex);
        POINT before = CursorPos();
        POINT screen, client;
        WindowPtr target = MouseTarget(window, x, y, &screen, &client);
        if (target && (before.x != screen.x || before.y != screen.y))
            PostInput(target, WM_MOUSEMOVE, MouseKeyFlags(), MAKELPARAM(client.x, client.y), 0);
        static const struct {
            int vk;
            UINT down, up, dbl;
        } kButtons[] = {{VK_LBUTTON, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK},
                        {VK_RBUTTON, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK},
                        {VK_MBUTTON, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK}};
        const auto& b = kButtons[static_cast<int>(button)];
        SetAsync(b.vk, 0, down);
        if (!target) return;
        UINT msg = down ? b.down : b.up;
        uint32_t now = ClockNow();
        if (down) {
            bool dbl = (target->cls->style & CS_DBLCLKS) && st.lastDownWindow == target->handle &&
                       st.lastDownMessage == b.down &&
                       now - st.lastDownTime <= static_cast<uint32_t>(kDoubleClickTime) &&
                       std::abs(screen.x - st.lastDownPoint.x) <= kDoubleClickHalfBox &&
                       std::abs(screen.y - st.lastDownPoint.y) <= kDoubleClickHalfBox;
            if (dbl) {
                msg = b.dbl;
                st.lastDownWindow = nullptr; // a third click starts over
            } else {
                st.lastDownWindow = target->handle;
                st.lastDownMessage = b.down;
                st.lastDownTime = now;
                st.lastDownPoint = screen;
            }
            WindowPtr top = target;
            while (top && (top->style & WS_CHILD))
                top = FindLocked(top->parent);
            if (top && (st.active != top->handle || !st.appActive)) activate = top->handle;
        }
        if (!activate)
            PostInput(target, msg, MouseKeyFlags(), MAKELPARAM(client.x, client.y), 0);
        else {
            // The click activates the window first, then arrives.
            QueuedMessage m;
            m.msg = MSG{target->handle, msg, MouseKeyFlags(), MAKELPARAM(client.x, client.y), now,
                        screen};
            m.seq = st.nextSeq++;
            m.input = true;
            QueueLocked(target->thread)->messages.push_back(std::move(m));
        }
    }
    if (activate) user::ActivateWindow(activate, WA_CLICKACTIVE);
}

void InjectMouseWheel(HWND, int delta) {
    std::lock_guard<std::mutex> lock(State().mutex);
    WindowPtr target = FindLocked(State().focus);
    if (!target) return;
    POINT p = CursorPos();
    PostInput(target, WM_MOUSEWHEEL, MAKEWPARAM(MouseKeyFlags(), delta * 120), MAKELPARAM(p.x, p.y),
              0);
}

void InjectKey(KeyCode key, bool down, bool repeat) {
    input::KeyInfo info = input::LookupKey(static_cast<unsigned>(key));
    if (!info.vk) return;
    auto& st = State();
    std::lock_guard<std::mutex> lock(st.mutex);
    if (info.navVk && !(st.asyncKeys[VK_NUMLOCK] & 0x01)) info.vk = info.navVk;
    bool wasDown = Down(st.asyncKeys, info.sideVk ? info.sideVk : info.vk);
    if (down && repeat && !wasDown) repeat = false;
    if (down && !repeat && wasDown) repeat = true; // a host that misses repeat flags
    SetAsync(info.vk, info.sideVk, down);
    bool alt = Down(st.asyncKeys, VK_MENU);
    bool ctrl = Down(st.asyncKeys, VK_CONTROL);
    // Alt combinations (and F10, and Alt itself) are system keys; with Ctrl
    // held too they are ordinary keys, as AltGr is. Releasing Alt is a
    // system key only when nothing was pressed since it went down.
    bool sys = !ctrl && (alt || info.vk == VK_F10);
    if (info.vk == VK_MENU) {
        if (down && !repeat) st.altAlone = !ctrl;
        sys = !ctrl && (down || st.altAlone);
        if (!down) st.altAlone = false;
    } else if (down) {
        st.altAlone = false;
    }
    WindowPtr target = FindLocked(st.focus);
    if (!target) {
        target = FindLocked(st.active);
        if (!target) return;
        sys = true; // with no focus the active window gets system keys
    }
    UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    LPARAM lParam = 1 | (static_cast<LPARAM>(info.scan) << 16) |
                    (info.extended ? (static_cast<LPARAM>(1) << 24) : 0) |
                    (alt ? (static_cast<LPARAM>(1) << 29) : 0) |
                    ((repeat || !down) ? (static_cast<LPARAM>(1) << 30) : 0) |
                    (!down ? (static_cast<LPARAM>(1) << 31) : 0);
    lParam = static_cast<LPARAM>(static_cast<DWORD>(lParam));
    if (down && repeat) {
        // Repeats not read yet pile up in one message's repeat count.
        auto q = QueueLocked(target->thread);
        if (!q->messages.empty()) {
            MSG& last = q->messages.back().msg;
            if (last.hwnd == target->handle && last.message == msg && last.wParam == info.vk &&
                (last.lParam & (1 << 30)) && (last.lParam & 0xffff) < 0xffff) {
                last.lParam += 1;
                return;
            }
        }
    }
    PostInput(target, msg, info.vk, lParam, info.sideVk);
}

void InjectLockState(bool numLock, bool capsLock) {
    auto& st = State();
    std::lock_guard<std::mutex> lock(st.mutex);
    const std::pair<int, bool> locks[] = {{VK_NUMLOCK, numLock}, {VK_CAPITAL, capsLock}};
    for (auto [vk, on] : locks) {
        st.asyncKeys[vk] = static_cast<BYTE>((st.asyncKeys[vk] & ~0x01) | (on ? 1 : 0));
        st.syncKeys[vk] = static_cast<BYTE>((st.syncKeys[vk] & ~0x01) | (on ? 1 : 0));
    }
}

void InjectText(const char* utf8) {
    std::string text = input::Utf8ToCp1252(utf8);
    if (text.empty()) return;
    auto& st = State();
    std::lock_guard<std::mutex> lock(st.mutex);
    WindowPtr target = FindLocked(st.focus);
    if (!target) return;
    auto q = QueueLocked(target->thread);
    for (auto it = q->messages.rbegin(); it != q->messages.rend(); ++it) {
        if (it->msg.hwnd != target->handle) continue;
        if (it->msg.message == WM_KEYDOWN || it->msg.message == WM_SYSKEYDOWN) {
            if (it->text.empty()) {
                it->text = text;
                return;
            }
            // Repeats piled into one message type their character once,
            // with the repeat count.
            if (it->msg.lParam & (1 << 30)) return;
            break;
        }
    }
    // No key to attach to: the characters arrive on their own.
    for (char c : text)
        PostInput(target, WM_CHAR, static_cast<unsigned char>(c), 1, 0);
}

void InjectCloseButton(HWND window) {
    WindowPtr w = user::Find(window);
    if (!w) return;
    POINT p = user::CursorPos();
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, MAKELPARAM(p.x, p.y));
}

void InjectAppSwitch(bool away) {
    if (away) {
        user::DeactivateApp();
        // An exclusive full-screen program loses its surfaces and is minimised.
        adapter::NoteAppSwitchedAway();
        return;
    }
    HWND back;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        back = State().appActive ? nullptr : State().lastActive;
    }
    if (!back || !IsWindow(back)) return;
    // Switching back to a minimised program restores its window, as the
    // task switcher does.
    if (IsIconic(back))
        ShowWindow(back, SW_RESTORE);
    else
        user::ActivateWindow(back, WA_ACTIVE);
}

bool InjectQueryEndSession() {
    std::vector<HWND> tops;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        for (auto& [id, w] : State().windows)
            if (!w->destroyed && !(w->style & WS_CHILD)) tops.push_back(w->handle);
    }
    bool agreed = true;
    std::vector<HWND> asked;
    for (HWND h : tops) {
        if (!IsWindow(h)) continue;
        asked.push_back(h);
        if (!SendMessageA(h, WM_QUERYENDSESSION, 0, 0)) {
            agreed = false;
            break;
        }
    }
    for (HWND h : asked)
        if (IsWindow(h)) SendMessageA(h, WM_ENDSESSION, agreed ? TRUE : FALSE, 0);
    return agreed;
}

LRESULT InjectSystemCommand(UINT command, LPARAM lParam) {
    HWND target = GetForegroundWindow();
    if (!target) {
        std::lock_guard<std::mutex> lock(State().mutex);
        for (auto& [id, w] : State().windows)
            if (!w->destroyed && !(w->style & WS_CHILD) && w->visible) {
                target = w->handle;
                break;
            }
    }
    if (!target) {
        // Nobody to refuse: the desktop goes ahead.
        std::lock_guard<std::mutex> lock(State().mutex);
        if ((command & 0xFFF0) == SC_SCREENSAVE) ++State().screenSaverStarts;
        if ((command & 0xFFF0) == SC_MONITORPOWER) ++State().monitorPowerChanges;
        return 0;
    }
    return SendMessageA(target, WM_SYSCOMMAND, command, lParam);
}

int ScreenSaverStarts() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().screenSaverStarts;
}

int MonitorPowerChanges() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().monitorPowerChanges;
}

void ResetSystemCommandCounts() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().screenSaverStarts = 0;
    State().monitorPowerChanges = 0;
}

} // namespace platform

SHORT GetKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    std::lock_guard<std::mutex> lock(State().mutex);
    BYTE k = State().syncKeys[vk];
    return static_cast<SHORT>(((k & 0x80) ? 0xFF80 : 0) | (k & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    std::lock_guard<std::mutex> lock(State().mutex);
    auto& st = State();
    SHORT r = static_cast<SHORT>(((st.asyncKeys[vk] & 0x80) ? 0x8000 : 0) |
                                 (st.asyncPressed[vk] ? 1 : 0));
    st.asyncPressed[vk] = 0;
    return r;
}

BOOL GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    *point = CursorPos(); // a cached copy: safe from any thread
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    x = x < 0 ? 0 : (x >= w ? w - 1 : x);
    y = y < 0 ? 0 : (y >= h ? h - 1 : y);
    // The window under the point hears of the move, as after a real one.
    WindowPtr under;
    POINT client{};
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        SetCachedCursorPos(POINT{x, y});
        for (auto& [id, win] : State().windows) {
            if (win->destroyed || (win->style & WS_CHILD) || !win->visible || win->minimized)
                continue;
            RECT c = ClientRectScreen(*win);
            if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
                under = win;
                client = POINT{x - c.left, y - c.top};
            }
        }
    }
    if (under) {
        platform::InjectMouseMove(under->handle, client.x, client.y);
        if (platform::IsHostThread()) platform::Host().WarpMouse(under.get(), client.x, client.y);
    }
    return TRUE;
}
