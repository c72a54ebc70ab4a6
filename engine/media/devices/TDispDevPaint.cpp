// Presentation: dirty rectangles to the screen, page flips, painting the main
// window and the view rectangle that places the frame in it.
#include "foundation/TError.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/mouse.h"
#include "gdl/result.h"
#include "gdl/windows.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kSource = "Source\\TDispDev";

void reportLibraryError(int32_t line) {
    const int32_t error = GDL_lastResult();
    if (error != GDL_OK) TError::Raise(21, GDL_errorText(error), nullptr, kSource, line);
}

void cursorDraw(GdlDeviceContext* dc) {
    if (DisplayHooks().cursorDrawDIB) DisplayHooks().cursorDrawDIB(dc);
}

void cursorRestore(GdlDeviceContext* dc) {
    if (DisplayHooks().cursorRestore) DisplayHooks().cursorRestore(dc);
}

// Left down and right up to multiples of 4, so rows copy in whole words.
TRectArea widened(const TRectArea& r) {
    return {r.left & ~3, r.top, (r.right + 3) & ~3, r.bottom};
}

} // namespace

TDispHooks& DisplayHooks() {
    static TDispHooks hooks;
    return hooks;
}

TCursorHold::TCursorHold(TDispDev* display) : display_(display) {
    if (DisplayHooks().cursorLock) DisplayHooks().cursorLock();
}

TCursorHold::~TCursorHold() {
    if (DisplayHooks().cursorDisplayChanged) DisplayHooks().cursorDisplayChanged(display_);
    if (DisplayHooks().cursorUnlock) DisplayHooks().cursorUnlock();
}

void TDispDev::CopyAdjusted(GdlDeviceContext* source, const TRectArea& r, int32_t x, int32_t y) {
    const GdlDeviceContext* s = GDL_liveDC(source);
    const GdlDeviceContext* d = GDL_liveDC(screenDC_);
    if (level_ == 256 || s->mode.bitsPerPixel < 15) {
        GDL_bitBlt(screenDC_, source, r.left, r.top, r.right, r.bottom, x, y, 0);
        return;
    }
    if (!GDL_isWindowedDC(d) && d->mode.bitsPerPixel == s->mode.bitsPerPixel &&
        std::memcmp(&d->format, &s->format, sizeof(GdlPixelFormat)) == 0) {
        GDL_beginPixelAccess();
        adjust_.Blit(screenDC_, source, r.left, r.top, r.right, r.bottom, x, y);
        GDL_endPixelAccess();
        return;
    }
    GdlDeviceContext* temp = GDL_createMemoryDC(r.right - r.left, r.bottom - r.top,
                                                int32_t(s->mode.bitsPerPixel), &s->format);
    if (!temp) {
        TError::Raise(24, GDL_errorText(GDL_lastResult()), nullptr, kSource, __LINE__);
        return;
    }
    adjust_.Blit(temp, source, r.left, r.top, r.right, r.bottom, 0, 0);
    GDL_bitBlt(screenDC_, temp, 0, 0, r.right - r.left, r.bottom - r.top, x, y, 0);
    GDL_destroyDC(temp);
}

void TDispDev::CopyDirtyRects() {
    if (!drawDC_ || !screenDC_) return;
    TDirtyRects::BeginDirtyRects({0, 0, std::max(dirtyWidth_, 0), std::max(dirtyHeight_, 0)});
    TRectArea r;
    while (TDirtyRects::NextDirtyRect(&r)) {
        // Widened after the cut; the blits clip the widened rectangle to both
        // contexts again, so a width that is no multiple of 4 stays inside.
        const TRectArea w = widened(r);
        if (!twoPages_) cursorDraw(drawDC_);
        CopyAdjusted(drawDC_, w, w.left, w.top);
        if (!twoPages_) cursorRestore(drawDC_);
    }
}

void TDispDev::Present() {
    if (!IsOpen() || !drawDC_ || !screenDC_ || drawDC_ == screenDC_) return;
    if (!GDL_isWindowedDC(GDL_liveDC(screenDC_))) {
        const int32_t check = GDL_setPaletteCheck(0);
        const int32_t clip = GDL_getClipMode(screenDC_);
        GDL_setClipMode(screenDC_, 0);
        if (!twoPages_) GDL_hideMouse();
        CopyDirtyRects();
        if (!twoPages_) GDL_showMouse();
        GDL_setClipMode(screenDC_, clip);
        GDL_setPaletteCheck(check);
    } else if (window_) {
        TDirtyRects::BeginDirtyRects(view_);
        TRectArea r;
        while (TDirtyRects::NextDirtyRect(&r)) {
            const TRectArea w = widened(r);
            const RECT rect{w.left, w.top, w.right, w.bottom};
            InvalidateRect(window_, &rect, FALSE);
        }
    } else {
        const int32_t clip = GDL_getClipMode(screenDC_);
        GDL_setClipMode(screenDC_, 0);
        CopyDirtyRects();
        GDL_setClipMode(screenDC_, clip);
    }
    reportLibraryError(__LINE__);
}

void TDispDev::FlipPage() {
    if (!IsOpen() || !twoPages_ || !screenDC_) return;
    cursorDraw(screenDC_);
    GDL_swapBuffers(screenDC_, (driverFlags_ & fWaitRetrace) ? 1 : 0);
    visualPage_ = GDL_getVisualPage(screenDC_);
    activePage_ = GDL_getActivePage(screenDC_);
    cursorRestore(screenDC_);
    reportLibraryError(__LINE__);
}

void TDispDev::Paint(HWND window) {
    if (!IsOpen()) return;
    PAINTSTRUCT ps{};
    if (!(effective_ & fWindowed)) {
        if (!drawDC_) return;
        BeginPaint(window, &ps);
        HDC source = GDL_getWinDC(drawDC_);
        const RECT& p = ps.rcPaint;
        if (source && p.right > p.left && p.bottom > p.top)
            BitBlt(ps.hdc, p.left, p.top, p.right - p.left, p.bottom - p.top, source, p.left, p.top,
                   SRCCOPY);
        reportLibraryError(__LINE__);
        EndPaint(window, &ps);
        return;
    }
    if (!drawDC_ || !screenDC_) return;
    if (!twoPages_) cursorDraw(drawDC_);
    // Each part of the update region on its own: two small boxes far apart
    // cost their own area, not the box around both.
    RECT parts[8];
    const int count = platform::UpdateRects(window, parts, 8);
    BeginPaint(window, &ps);
    GDL_selectPaletteInto(screenDC_, ps.hdc);
    if (viewOptions_ & 1) {
        GDL_stretchBlt(screenDC_, drawDC_, 0, 0, width_, height_, view_.left, view_.top,
                       view_.right, view_.bottom);
    } else {
        for (int i = 0; i < count; ++i) {
            const RECT& p = parts[i];
            CopyAdjusted(drawDC_, {p.left, p.top, p.right, p.bottom}, p.left, p.top);
        }
    }
    reportLibraryError(__LINE__);
    EndPaint(window, &ps);
    if (!twoPages_) cursorRestore(drawDC_);
}

void TDispDev::UpdateView() {
    view_ = {0, 0, std::max(width_, 0), std::max(height_, 0)};
    scaleX_ = scaleY_ = 1.0f;
    if (viewOptions_ & 1) {
        if (viewOptions_ & 2) {
            const float sx = width_ ? float(contextWidth_) / float(width_) : 1.0f;
            const float sy = height_ ? float(contextHeight_) / float(height_) : 1.0f;
            const float s = sy < sx ? sy : sx;
            view_.right = view_.left + int32_t(float(width_) * s);
            view_.bottom = view_.top + int32_t(float(height_) * s);
        } else {
            view_.right = view_.left + contextWidth_;
            view_.bottom = view_.top + contextHeight_;
        }
        if (width_ && height_) {
            scaleX_ = float(view_.right - view_.left) / float(width_);
            scaleY_ = float(view_.bottom - view_.top) / float(height_);
        }
    }
    if (viewOptions_ & 4) {
        const int32_t dx = (contextWidth_ - (view_.right - view_.left)) >> 1;
        const int32_t dy = (contextHeight_ - (view_.bottom - view_.top)) >> 1;
        view_ = {view_.left + dx, view_.top + dy, view_.right + dx, view_.bottom + dy};
    }
}

void TDispDev::GetScreenRect(TRectArea* out) {
    UpdateView();
    if (out) *out = view_;
}

void TDispDev::DrawCanvas(int32_t x, int32_t y, GdlDeviceContext* canvas, int32_t width,
                          int32_t height, bool keep, uint32_t key) {
    if (!IsOpen() || !canvas || !drawDC_) return;
    const int32_t check = GDL_setPaletteCheck(0);
    const bool hide = drawDC_ == screenDC_ && !twoPages_;
    if (hide) GDL_hideMouse();
    if (keep)
        GDL_transBlt(drawDC_, canvas, 0, 0, width, height, x, y, key, 1);
    else
        GDL_bitBlt(drawDC_, canvas, 0, 0, width, height, x, y, 0);
    reportLibraryError(__LINE__);
    if (hide) GDL_showMouse();
    GDL_setPaletteCheck(check);
}
