// A window's client-area pixels: resized with the client area, drawn by GDI
// between Lock and Unlock, and handed to the host when the owner thread next
// reads its queue.
#include "../host/HostBackend.h"
#include "UserState.h"
#include "WindowSurface.h"

#include <algorithm>
#include <cstring>

using namespace platform::user;

namespace {
// Beyond this the client area keeps no pixels of its own (drawing is clipped
// to what is kept), so an absurd size cannot exhaust memory.
constexpr int kMaxPixelExtent = 8192;
} // namespace

namespace platform::user {

void ResizePixels(Window& w) {
    std::lock_guard<std::recursive_mutex> lock(w.pixelLock);
    SIZE s;
    {
        std::lock_guard<std::mutex> g(State().mutex);
        RECT c = ClientRectScreen(w);
        s = SIZE{c.right - c.left, c.bottom - c.top};
    }
    s.cx = std::clamp<LONG>(s.cx, 0, kMaxPixelExtent);
    s.cy = std::clamp<LONG>(s.cy, 0, kMaxPixelExtent);
    if (s.cx == w.pixelWidth && s.cy == w.pixelHeight) return;
    std::vector<uint32_t> fresh(static_cast<size_t>(s.cx) * static_cast<size_t>(s.cy), 0);
    int keepW = std::min<int>(s.cx, w.pixelWidth), keepH = std::min<int>(s.cy, w.pixelHeight);
    // A window shrunk to no width keeps no rows (and indexes no empty buffer).
    for (int y = 0; keepW > 0 && y < keepH; ++y)
        std::memcpy(&fresh[static_cast<size_t>(y) * s.cx],
                    &w.pixels[static_cast<size_t>(y) * w.pixelWidth], keepW * sizeof(uint32_t));
    w.pixels.swap(fresh);
    w.pixelWidth = s.cx;
    w.pixelHeight = s.cy;
}

} // namespace platform::user

// --- the seam to the drawing side -------------------------------------------

namespace platform {
namespace {
thread_local std::vector<WindowPtr> lockedWindows;
}

bool LockWindowPixels(HWND hwnd, WindowPixels* out) {
    if (!out) return false;
    *out = WindowPixels{nullptr, 0, 0, 0};
    WindowPtr w = Find(hwnd);
    if (!w) return false;
    w->pixelLock.lock();
    lockedWindows.push_back(w);
    *out = WindowPixels{w->pixels.empty() ? nullptr : w->pixels.data(), w->pixelWidth,
                        w->pixelHeight, w->pixelWidth};
    return true;
}

void UnlockWindowPixels(HWND hwnd, const RECT* changed) {
    for (auto it = lockedWindows.rbegin(); it != lockedWindows.rend(); ++it) {
        if ((*it)->handle != hwnd) continue;
        WindowPtr w = *it;
        RECT r = changed ? *changed : RECT{0, 0, w->pixelWidth, w->pixelHeight};
        r.left = std::max<LONG>(r.left, 0);
        r.top = std::max<LONG>(r.top, 0);
        r.right = std::min<LONG>(r.right, w->pixelWidth);
        r.bottom = std::min<LONG>(r.bottom, w->pixelHeight);
        if (r.right > r.left && r.bottom > r.top) {
            if (!w->presentPending) w->presentParts.Clear();
            w->presentParts.Add(r);
            w->presentPending = true;
        }
        w->pixelLock.unlock();
        lockedWindows.erase(std::next(it).base());
        return;
    }
}

bool IsLiveWindow(HWND hwnd) {
    return IsWindow(hwnd) != FALSE;
}

} // namespace platform

namespace platform::user {

void FlushPresentation() {
    std::vector<WindowPtr> windows;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        for (auto& [id, w] : State().windows)
            if (!w->destroyed && w->presentPending) windows.push_back(w);
    }
    for (auto& w : windows) {
        {
            std::lock_guard<std::recursive_mutex> lock(w->pixelLock);
            if (!w->presentPending) continue;
            // The presented frame takes the client size; the changed part is
            // copied, the rest is kept from the last frame.
            if (w->presentedWidth != w->pixelWidth || w->presentedHeight != w->pixelHeight) {
                w->presented = w->pixels;
                w->presentedWidth = w->pixelWidth;
                w->presentedHeight = w->pixelHeight;
                w->shownParts.Clear();
            } else {
                w->shownParts = w->presentParts;
                for (int i = 0; i < w->presentParts.Count(); ++i) {
                    const RECT& d = w->presentParts[i];
                    for (int y = d.top; y < d.bottom; ++y)
                        std::memcpy(&w->presented[static_cast<size_t>(y) * w->pixelWidth + d.left],
                                    &w->pixels[static_cast<size_t>(y) * w->pixelWidth + d.left],
                                    static_cast<size_t>(d.right - d.left) * sizeof(uint32_t));
                }
            }
            w->presentPending = false;
            // Under the pixel lock: another thread may present this window
            // too (PresentWindowRect).
            if (!(w->style & WS_CHILD)) platform::Host().Present(*w);
        }
    }
}

} // namespace platform::user
