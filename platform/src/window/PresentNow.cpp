// Presenting part of a window from any thread: the rectangle goes into the
// presented frame under the window's pixel lock, and the host shows it.
#include "../host/HostBackend.h"
#include "UserState.h"
#include "platform/Thread.h"

#include <algorithm>
#include <cstring>

namespace platform {

void PresentWindowRect(HWND hwnd, const RECT* rect) {
    user::WindowPtr w = user::Find(hwnd);
    if (!w) return;
    std::lock_guard<std::recursive_mutex> lock(w->pixelLock);
    w->shownParts.Clear();
    if (w->presentedWidth != w->pixelWidth || w->presentedHeight != w->pixelHeight) {
        w->presented = w->pixels;
        w->presentedWidth = w->pixelWidth;
        w->presentedHeight = w->pixelHeight;
    } else {
        RECT r = rect ? *rect : RECT{0, 0, w->pixelWidth, w->pixelHeight};
        r.left = std::max<LONG>(r.left, 0);
        r.top = std::max<LONG>(r.top, 0);
        r.right = std::min<LONG>(r.right, w->pixelWidth);
        r.bottom = std::min<LONG>(r.bottom, w->pixelHeight);
        if (rect) w->shownParts.Add(r);
        for (int y = r.top; y < r.bottom; ++y)
            std::memcpy(&w->presented[static_cast<size_t>(y) * w->pixelWidth + r.left],
                        &w->pixels[static_cast<size_t>(y) * w->pixelWidth + r.left],
                        static_cast<size_t>(std::max<LONG>(r.right - r.left, 0)) * 4);
    }
    if (!(w->style & WS_CHILD)) Host().Present(*w);
}

} // namespace platform
