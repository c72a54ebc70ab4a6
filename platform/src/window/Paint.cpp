// Update regions and painting. The update region is kept as its bounding
// rectangle and as a few rectangles inside it, which a painter can ask for
// so as to repaint only those; WM_PAINT is made from it when a thread's
// queue is otherwise empty (see the queue).
#include "../kernel/OutOfMemory.h"
#include "UserState.h"

#include <algorithm>
#include <cstring>

using namespace platform::user;

namespace {

RECT Unite(const RECT& a, const RECT& b) {
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool Empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

void InvalidateOne(Window& w, const RECT* rect, bool erase) {
    RECT client{0, 0, w.pixelWidth, w.pixelHeight};
    RECT r = rect ? *rect : client;
    r.left = std::max(r.left, client.left);
    r.top = std::max(r.top, client.top);
    r.right = std::min(r.right, client.right);
    r.bottom = std::min(r.bottom, client.bottom);
    if (Empty(r)) return;
    if (!w.updatePending) w.updateParts.Clear();
    w.updateParts.Add(r);
    w.update = w.updatePending ? Unite(w.update, r) : r;
    w.updatePending = true;
    if (erase) w.erasepending = true;
}

} // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        auto& st = State();
        std::lock_guard<std::mutex> lock(st.mutex);
        if (!hwnd) {
            for (auto& [id, w] : st.windows)
                if (!w->destroyed && w->thread == std::this_thread::get_id())
                    InvalidateOne(*w, nullptr, erase != FALSE);
            Wake(st);
            return TRUE;
        }
        WindowPtr w = FindLocked(hwnd);
        if (!w) return FALSE;
        InvalidateOne(*w, rect, erase != FALSE);
        Wake(st);
        return TRUE;
    });
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    std::lock_guard<std::mutex> lock(State().mutex);
    WindowPtr w = FindLocked(hwnd);
    if (!w) return FALSE;
    if (!rect) {
        w->updatePending = false;
        w->erasepending = false;
        return TRUE;
    }
    // With one bounding rectangle only a cover of the whole is a validation.
    const RECT& u = w->update;
    if (rect->left <= u.left && rect->top <= u.top && rect->right >= u.right &&
        rect->bottom >= u.bottom) {
        w->updatePending = false;
        w->erasepending = false;
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
    std::lock_guard<std::mutex> lock(State().mutex);
    WindowPtr w = FindLocked(hwnd);
    if (!w) return FALSE;
    if (rect) *rect = w->updatePending ? w->update : RECT{0, 0, 0, 0};
    return w->updatePending ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
    WindowPtr w = Find(hwnd);
    if (!w) return FALSE;
    if (w->updatePending && w->visible) Send(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

namespace platform {

int UpdateRects(HWND hwnd, RECT* rects, int max) {
    std::lock_guard<std::mutex> lock(State().mutex);
    WindowPtr w = FindLocked(hwnd);
    if (!w || !w->updatePending || !rects || max <= 0) return 0;
    const RectList& parts = w->updateParts;
    const RECT b = parts.Bounds();
    const RECT& u = w->update;
    // Parts that no longer add up to the bounding rectangle (it was set
    // whole since) give way to it.
    if (parts.Empty() || parts.Count() > max || b.left != u.left || b.top != u.top ||
        b.right != u.right || b.bottom != u.bottom) {
        rects[0] = u;
        return 1;
    }
    for (int i = 0; i < parts.Count(); ++i)
        rects[i] = parts[i];
    return parts.Count();
}

} // namespace platform

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
    return platform::OrOutOfMemory<HDC>(nullptr, [&]() -> HDC {
        if (!ps) return nullptr;
        std::memset(ps, 0, sizeof(*ps));
        WindowPtr w = Find(hwnd);
        if (!w) return nullptr;
        bool erase;
        {
            std::lock_guard<std::mutex> lock(State().mutex);
            ps->rcPaint = w->updatePending ? w->update : RECT{0, 0, 0, 0};
            erase = w->erasepending;
            w->updatePending = false;
            w->erasepending = false;
        }
        ps->hdc = GetDC(hwnd);
        if (erase)
            ps->fErase =
                Send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ps->hdc), 0) ? FALSE : TRUE;
        return ps->hdc;
    });
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (!ps) return FALSE;
    if (ps->hdc) ReleaseDC(hwnd, ps->hdc);
    return TRUE;
}
