// Window classes and windows, with the messages Windows sends from inside
// these calls.
#include "../kernel/OutOfMemory.h"
#include "../host/HostBackend.h"
#include "UserState.h"
#include "WindowSurface.h"

#include <algorithm>
#include <cstring>

using namespace platform::user;

namespace {

// Class atoms come from the string-atom range; an unregistered class's atom
// is free again, so registering and unregistering may go on for ever.
constexpr ATOM kFirstClassAtom = 0xC000;

// The lowest atom no registered class holds, or 0 when all are taken; mutex held.
ATOM FreeClassAtom(const UserState& st) {
    std::vector<bool> used(0x10000 - kFirstClassAtom);
    for (const auto& [key, cls] : st.classes)
        if (cls->atom >= kFirstClassAtom) used[cls->atom - kFirstClassAtom] = true;
    const auto free = std::find(used.begin(), used.end(), false);
    return free == used.end() ? 0 : ATOM(kFirstClassAtom + (free - used.begin()));
}

// Window coordinates travel in 16-bit message halves.
constexpr int kMaxExtent = 32767;

void ClampSize(int& width, int& height) {
    width = std::clamp(width, 0, kMaxExtent);
    height = std::clamp(height, 0, kMaxExtent);
}

// Client size of a window whose rectangle is `r`.
SIZE ClientSize(const Window& w) {
    RECT c = ClientRectScreen(w);
    return SIZE{c.right - c.left, c.bottom - c.top};
}

void SendSizeAndMove(const WindowPtr& w, WPARAM sizeType) {
    SIZE s;
    POINT origin;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        s = ClientSize(*w);
        RECT c = ClientRectScreen(*w);
        origin = POINT{c.left, c.top};
    }
    Send(w->handle, WM_SIZE, sizeType, MAKELPARAM(s.cx, s.cy));
    Send(w->handle, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
}

RECT ScreenRect() {
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// The rectangle of a maximised window: the client fills the screen below the
// caption, the frame hangs off the edges.
RECT MaximizedRect(const Window& w) {
    RECT in = FrameInsets(w.style, false);
    RECT s = ScreenRect();
    return RECT{s.left - in.left, s.top - in.top + ((w.style & WS_CAPTION) == WS_CAPTION ? 19 : 0),
                s.right + in.right, s.bottom + in.bottom};
}

// Moves/sizes and tells the window; `sizeType` is the WM_SIZE kind.
void Reshape(const WindowPtr& w, RECT r, WPARAM sizeType, bool sendMessages,
             bool forceSize = false) {
    bool sized, moved;
    {
        // The client size is what counts: a new style may change it inside
        // the same window rectangle.
        std::lock_guard<std::mutex> lock(State().mutex);
        SIZE before = ClientSize(*w);
        moved = r.left != w->rect.left || r.top != w->rect.top;
        w->rect = r;
        SIZE after = ClientSize(*w);
        sized = before.cx != after.cx || before.cy != after.cy;
    }
    ResizePixels(*w);
    if (sized && w->visible) InvalidateRect(w->handle, nullptr, TRUE);
    if (sized || moved) platform::Host().WindowChanged(*w);
    if (!sendMessages) return;
    SIZE s;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        s = ClientSize(*w);
    }
    if (sized || forceSize || sizeType != SIZE_RESTORED)
        Send(w->handle, WM_SIZE, sizeType, MAKELPARAM(s.cx, s.cy));
    if (moved) {
        RECT c;
        {
            std::lock_guard<std::mutex> lock(State().mutex);
            c = ClientRectScreen(*w);
        }
        Send(w->handle, WM_MOVE, 0, MAKELPARAM(c.left, c.top));
    }
}

bool IsTopLevel(const Window& w) {
    return !(w.style & WS_CHILD);
}

} // namespace

ATOM RegisterClassA(const WNDCLASSA* wc) {
    return platform::OrOutOfMemory<ATOM>(0, [&]() -> ATOM {
        if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
        if (IS_INTRESOURCE(wc->lpszClassName)) return 0;
        auto& st = State();
        std::lock_guard<std::mutex> lock(st.mutex);
        std::string key = Lower(wc->lpszClassName);
        if (st.classes.count(key)) return 0; // already registered: Windows refuses too
        const ATOM atom = FreeClassAtom(st);
        if (!atom) return 0;
        auto cls = std::make_shared<WindowClass>();
        cls->name = wc->lpszClassName;
        cls->style = wc->style;
        cls->proc = wc->lpfnWndProc;
        cls->instance = wc->hInstance;
        cls->icon = wc->hIcon;
        cls->cursor = wc->hCursor;
        cls->background = wc->hbrBackground;
        cls->atom = atom;
        st.classes[key] = cls;
        return atom;
    });
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    if (!className || IS_INTRESOURCE(className)) return FALSE;
    auto& st = State();
    std::lock_guard<std::mutex> lock(st.mutex);
    std::string key = Lower(className);
    auto it = st.classes.find(key);
    if (it == st.classes.end()) return FALSE;
    for (auto& [id, w] : st.windows)
        if (!w->destroyed && w->cls == it->second) return FALSE; // still in use
    st.classes.erase(it);
    return TRUE;
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR className, WNDCLASSA* out) {
    if (!className || !out || IS_INTRESOURCE(className)) return FALSE;
    auto& st = State();
    std::lock_guard<std::mutex> lock(st.mutex);
    auto it = st.classes.find(Lower(className));
    if (it == st.classes.end()) return FALSE;
    const WindowClass& c = *it->second;
    *out = WNDCLASSA{c.style,  c.proc,       0,       0,      c.instance, c.icon,
                     c.cursor, c.background, nullptr, nullptr};
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
    return platform::OrOutOfMemory<HWND>(nullptr, [&]() -> HWND {
        if (!className || IS_INTRESOURCE(className)) return nullptr;
        auto& st = State();
        auto w = std::make_shared<Window>();
        {
            std::lock_guard<std::mutex> lock(st.mutex);
            auto it = st.classes.find(Lower(className));
            if (it == st.classes.end()) return nullptr;
            if ((style & WS_CHILD) && !FindLocked(parent)) return nullptr;
            w->cls = it->second;
            w->proc = w->cls->proc;
            w->handle = reinterpret_cast<HWND>(st.nextHandle);
            st.nextHandle += 4;
            w->style = style & ~(WS_VISIBLE | WS_MINIMIZE);
            w->exStyle = exStyle;
            w->topmost = (exStyle & WS_EX_TOPMOST) != 0;
            w->title = windowName ? windowName : "";
            w->parent = parent;
            w->instance = instance;
            w->menu = menu;
            w->thread = std::this_thread::get_id();
            w->enabled = !(style & WS_DISABLED);
            if (x == CW_USEDEFAULT) {
                int step = 26 * (st.cascade++ % 8);
                x = step;
                y = step;
            }
            if (width == CW_USEDEFAULT) {
                width = 640;
                height = 480;
            }
            ClampSize(width, height);
            w->rect = RECT{x, y, x + width, y + height};
            w->restoreRect = w->rect;
            st.windows[reinterpret_cast<uintptr_t>(w->handle)] = w;
        }
        ResizePixels(*w);
        if (IsTopLevel(*w)) platform::Host().WindowCreated(*w);

        CREATESTRUCTA cs{
            param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
            windowName, className, exStyle};
        if (!Send(w->handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
            Send(w->handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
            DestroyWindow(w->handle);
            return nullptr;
        }
        if (!IsWindow(w->handle)) return nullptr; // destroyed from inside WM_CREATE
        SendSizeAndMove(w, SIZE_RESTORED);
        if (IsTopLevel(*w)) {
            std::lock_guard<std::mutex> lock(st.mutex);
            PublishWindow(*w);
        }
        if (style & WS_MAXIMIZE)
            ShowWindow(w->handle, (style & WS_VISIBLE) ? SW_SHOWMAXIMIZED : SW_HIDE);
        if (style & WS_MINIMIZE) ShowWindow(w->handle, SW_MINIMIZE);
        if ((style & WS_VISIBLE) && !(style & (WS_MAXIMIZE | WS_MINIMIZE)))
            ShowWindow(w->handle, SW_SHOW);
        return w->handle;
    });
}

BOOL DestroyWindow(HWND hwnd) {
    WindowPtr w = Find(hwnd);
    if (!w || w->thread != std::this_thread::get_id()) return FALSE;
    // Children go first, as their parent's destruction takes them along.
    std::vector<HWND> children;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        for (auto& [id, c] : State().windows)
            if (!c->destroyed && c->parent == hwnd && (c->style & WS_CHILD))
                children.push_back(c->handle);
    }
    if (w->visible) ShowWindow(hwnd, SW_HIDE);
    WindowGoingAway(hwnd);
    Send(hwnd, WM_DESTROY, 0, 0);
    for (HWND c : children)
        DestroyWindow(c);
    Send(hwnd, WM_NCDESTROY, 0, 0);
    KillWindowTimers(hwnd);
    {
        auto& st = State();
        std::lock_guard<std::mutex> lock(st.mutex);
        w->destroyed = true;
        UnpublishWindow(*w);
        // Posted messages for a window that is gone are never delivered.
        auto q = QueueLocked(w->thread);
        q->messages.erase(
            std::remove_if(q->messages.begin(), q->messages.end(),
                           [&](const QueuedMessage& m) { return m.msg.hwnd == hwnd; }),
            q->messages.end());
        if (st.capture == hwnd) st.capture = nullptr;
        if (st.lastActive == hwnd) st.lastActive = nullptr;
        if (st.lastDownWindow == hwnd) st.lastDownWindow = nullptr;
    }
    if (IsTopLevel(*w)) platform::Host().WindowDestroyed(*w);
    {
        // The record stays until no lock of its pixels is left.
        std::lock_guard<std::mutex> lock(State().mutex);
        State().windows.erase(reinterpret_cast<uintptr_t>(hwnd));
    }
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    return Find(hwnd) != nullptr;
}

BOOL ShowWindow(HWND hwnd, int cmd) {
    WindowPtr w = Find(hwnd);
    if (!w) return FALSE;
    bool wasVisible = w->visible;
    auto setVisible = [&](bool on) {
        if (w->visible == on) return;
        Send(hwnd, WM_SHOWWINDOW, on ? TRUE : FALSE, 0);
        {
            std::lock_guard<std::mutex> lock(State().mutex);
            w->visible = on;
            if (on) {
                w->updatePending = true;
                w->erasepending = true;
                w->update = RECT{0, 0, w->pixelWidth, w->pixelHeight};
                w->updateParts.Clear();
                w->updateParts.Add(w->update);
            }
        }
        platform::Host().WindowChanged(*w);
    };
    switch (cmd) {
        case SW_HIDE:
            setVisible(false);
            if (State().active == hwnd || State().focus == hwnd) WindowGoingAway(hwnd);
            break;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
            setVisible(true);
            if (!w->minimized) {
                if (!w->maximized) w->restoreRect = w->rect;
                w->minimized = true;
                Send(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
                platform::Host().WindowChanged(*w);
            }
            if (State().active == hwnd) WindowGoingAway(hwnd);
            break;
        case SW_MAXIMIZE: {
            setVisible(true);
            if (!w->maximized && !w->minimized) w->restoreRect = w->rect;
            w->minimized = false;
            w->maximized = true;
            Reshape(w, MaximizedRect(*w), SIZE_MAXIMIZED, true);
            ActivateWindow(hwnd, WA_ACTIVE);
            break;
        }
        case SW_RESTORE:
        case SW_SHOWNORMAL:
        case SW_SHOWDEFAULT:
        case SW_SHOW:
        case SW_SHOWNA:
        case SW_SHOWNOACTIVATE: {
            setVisible(true);
            bool restore = (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL || cmd == SW_SHOWDEFAULT ||
                            cmd == SW_SHOWNOACTIVATE) &&
                           (w->minimized || w->maximized);
            if (w->minimized && (cmd == SW_SHOW || cmd == SW_SHOWNA)) restore = true;
            if (restore) {
                bool backToMax = w->minimized && w->maximized;
                w->minimized = false;
                if (backToMax) {
                    Reshape(w, MaximizedRect(*w), SIZE_MAXIMIZED, true);
                } else {
                    w->maximized = false;
                    Reshape(w, w->restoreRect, SIZE_RESTORED, true, true);
                }
            }
            if (cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && IsTopLevel(*w))
                ActivateWindow(hwnd, WA_ACTIVE);
            break;
        }
        default: return FALSE;
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    WindowPtr w = Find(hwnd);
    return w && w->visible;
}

BOOL IsIconic(HWND hwnd) {
    WindowPtr w = Find(hwnd);
    return w && w->minimized;
}

BOOL IsZoomed(HWND hwnd) {
    WindowPtr w = Find(hwnd);
    return w && w->maximized && !w->minimized;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        WindowPtr w = Find(hwnd);
        if (!w) return FALSE;
        if (!(flags & SWP_NOZORDER)) {
            if (insertAfter == HWND_TOPMOST) w->topmost = true;
            if (insertAfter == HWND_NOTOPMOST) w->topmost = false;
            if (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
                if (w->topmost)
                    w->exStyle |= WS_EX_TOPMOST;
                else
                    w->exStyle &= ~WS_EX_TOPMOST;
            }
        }
        if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
        RECT r = w->rect;
        if (!(flags & SWP_NOMOVE)) {
            r.right += x - r.left;
            r.bottom += y - r.top;
            r.left = x;
            r.top = y;
        }
        if (!(flags & SWP_NOSIZE)) {
            ClampSize(cx, cy);
            r.right = r.left + cx;
            r.bottom = r.top + cy;
        }
        if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
            Reshape(w, r, w->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED, true);
        if (flags & SWP_FRAMECHANGED) {
            // A new style changes the client area inside the same window rectangle.
            ResizePixels(*w);
            SIZE s;
            {
                std::lock_guard<std::mutex> lock(State().mutex);
                s = ClientSize(*w);
            }
            Send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(s.cx, s.cy));
            platform::Host().WindowChanged(*w);
        }
        if (flags & SWP_SHOWWINDOW)
            ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
        else if (!(flags & SWP_NOACTIVATE) && !(flags & SWP_NOZORDER) && w->visible &&
                 IsTopLevel(*w))
            ActivateWindow(hwnd, WA_ACTIVE);
        return TRUE;
    });
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    if (!SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE))
        return FALSE;
    if (repaint) InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    if (!rect) return FALSE;
    std::lock_guard<std::mutex> lock(State().mutex);
    WindowPtr w = FindLocked(hwnd);
    if (!w) return FALSE;
    if (w->minimized) {
        *rect = RECT{0, 0, 0, 0};
        return TRUE;
    }
    SIZE s = ClientSize(*w);
    *rect = RECT{0, 0, s.cx, s.cy};
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    if (!rect) return FALSE;
    std::lock_guard<std::mutex> lock(State().mutex);
    WindowPtr w = FindLocked(hwnd);
    if (!w) return FALSE;
    *rect = w->rect;
    if (w->style & WS_CHILD) {
        if (WindowPtr p = FindLocked(w->parent)) {
            POINT o = ClientOrigin(p);
            rect->left += o.x;
            rect->right += o.x;
            rect->top += o.y;
            rect->bottom += o.y;
        }
    }
    return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD) {
    if (!rect) return FALSE;
    RECT in = FrameInsets(style, menu != FALSE);
    rect->left -= in.left;
    rect->top -= in.top;
    rect->right += in.right;
    rect->bottom += in.bottom;
    return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) {
    return AdjustWindowRectEx(rect, style, menu, 0);
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
    if (!point) return FALSE;
    std::lock_guard<std::mutex> lock(State().mutex);
    WindowPtr w = FindLocked(hwnd);
    if (!w) return FALSE;
    POINT o = ClientOrigin(w);
    point->x -= o.x;
    point->y -= o.y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
    if (!point) return FALSE;
    std::lock_guard<std::mutex> lock(State().mutex);
    WindowPtr w = FindLocked(hwnd);
    if (!w) return FALSE;
    POINT o = ClientOrigin(w);
    point->x += o.x;
    point->y += o.y;
    return TRUE;
}

LONG_PTR GetWindowLongA(HWND hwnd, int index) {
    std::lock_guard<std::mutex> lock(State().mutex);
    WindowPtr w = FindLocked(hwnd);
    if (!w) return 0;
    switch (index) {
        case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
        case GWL_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
        case GWL_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent);
        case GWL_STYLE: {
            DWORD s = w->style | (w->visible ? WS_VISIBLE : 0) | (w->minimized ? WS_MINIMIZE : 0) |
                      (w->maximized ? WS_MAXIMIZE : 0) | (w->enabled ? 0 : WS_DISABLED);
            return static_cast<LONG_PTR>(static_cast<LONG>(s));
        }
        case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
        case GWL_USERDATA: return w->userData;
        case GWL_ID: return reinterpret_cast<LONG_PTR>(w->menu);
        default: return 0;
    }
}

LONG_PTR SetWindowLongA(HWND hwnd, int index, LONG_PTR value) {
    LONG_PTR old = GetWindowLongA(hwnd, index);
    std::unique_lock<std::mutex> lock(State().mutex);
    WindowPtr w = FindLocked(hwnd);
    if (!w) return 0;
    switch (index) {
        case GWL_WNDPROC:
            if (!value) return 0;
            w->proc = reinterpret_cast<WNDPROC>(value);
            break;
        case GWL_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); break;
        case GWL_STYLE: {
            DWORD s = static_cast<DWORD>(value);
            // Visibility and size state change through ShowWindow, not here.
            w->style = s & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED);
            lock.unlock();
            ResizePixels(*w);
            platform::Host().WindowChanged(*w);
            break;
        }
        case GWL_EXSTYLE:
            w->exStyle = static_cast<DWORD>(value);
            w->topmost = (w->exStyle & WS_EX_TOPMOST) != 0;
            break;
        case GWL_USERDATA: w->userData = value; break;
        case GWL_ID: w->menu = reinterpret_cast<HMENU>(value); break;
        default: return 0;
    }
    return old;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!proc) return 0;
    return proc(hwnd, msg, wParam, lParam);
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        WindowPtr w = Find(hwnd);
        if (!w) return FALSE;
        {
            std::lock_guard<std::mutex> lock(State().mutex);
            UnpublishWindow(*w);
            w->title = text ? text : "";
            if (IsTopLevel(*w)) PublishWindow(*w);
        }
        platform::Host().WindowChanged(*w);
        return TRUE;
    });
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    std::lock_guard<std::mutex> lock(State().mutex);
    WindowPtr w = FindLocked(hwnd);
    if (!w) {
        buffer[0] = 0;
        return 0;
    }
    int n = std::min<int>(static_cast<int>(w->title.size()), size - 1);
    std::memcpy(buffer, w->title.data(), static_cast<size_t>(n));
    buffer[n] = 0;
    return n;
}

HWND GetParent(HWND hwnd) {
    WindowPtr w = Find(hwnd);
    return w ? w->parent : nullptr;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    WindowPtr w = Find(hwnd);
    if (!w) return FALSE;
    bool wasDisabled = !w->enabled;
    if (w->enabled != (enable != FALSE)) {
        w->enabled = enable != FALSE;
        if (!w->enabled && State().focus == hwnd) SetFocus(nullptr);
        Send(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    }
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    WindowPtr w = Find(hwnd);
    return w && w->enabled ? TRUE : FALSE;
}

int LoadStringA(HINSTANCE, UINT, LPSTR buffer, int size) {
    // The program carries no string table.
    if (buffer && size > 0) buffer[0] = 0;
    return 0;
}
