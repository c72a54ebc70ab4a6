// The library's mouse cursor. In a window the cursor is Windows'; in full
// screen it is drawn on the visible page (software) or handed to the driver
// (hardware cursor in the driver state).
#include <algorithm>
#include <cstring>

#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/memory.h"
#include "gdl/fsdirect.h"
#include "gdl/mouse.h"
#include "gdl/result.h"
#include "gdl/windows.h"
#include "library_state.h"

namespace {

using Mouse = gdl_internal::MouseState;

// The mouse, reached from the library's own thread only (the default argument
// names the caller).
Mouse& m(const char* entry = __builtin_FUNCTION()) {
    GDL_checkThread(entry);
    return gdl_internal::state().mouse;
}

bool fullScreen() {
    return GDL_isFullScreenActive() && m().dc;
}

GdlDeviceContext* live() {
    return GDL_liveDC(m().dc);
}

bool hardware() {
    GdlDeviceContext* d = live();
    return d && d->driverState && d->driverState->hardwareCursor;
}

int32_t hotX() {
    int32_t v;
    std::memcpy(&v, m().record + 256, 4);
    return v;
}
int32_t hotY() {
    int32_t v;
    std::memcpy(&v, m().record + 260, 4);
    return v;
}

void computeBox() {
    Mouse& s = m();
    s.box.left = s.devX - hotX();
    s.box.top = s.devY - hotY();
    s.box.right = s.box.left + GDL_CURSOR_SIZE;
    s.box.bottom = s.box.top + GDL_CURSOR_SIZE;
}

void freeBuffers() {
    Mouse& s = m();
    for (int32_t i = 0; i < s.bufferCount; ++i)
        GDL_free(s.buffers[i]);
    GDL_free(s.buffers);
    s.buffers = nullptr;
    s.bufferCount = 0;
}

// One buffer per page, each sized by the context for a 33 x 33 box. A failed
// allocation leaves no buffers at all (result -10): the software cursor is
// then simply not drawn.
void allocateBuffers(GdlDeviceContext* d) {
    Mouse& s = m();
    freeBuffers();
    const int32_t pages = int32_t(d->mode.maxPage) + 1;
    const int32_t size =
        d->v.saveRectSize ? d->v.saveRectSize(d, 1, 1, GDL_CURSOR_SAVE_SIZE, GDL_CURSOR_SAVE_SIZE)
                          : 0;
    if (pages <= 0 || size <= 0) return;
    s.buffers = static_cast<void**>(GDL_calloc(size_t(pages), sizeof(void*)));
    if (!s.buffers) {
        GDL_setResult(GDL_NO_MEMORY);
        return;
    }
    s.bufferCount = pages;
    for (int32_t i = 0; i < pages; ++i) {
        s.buffers[i] = GDL_calloc(1, size_t(size));
        if (!s.buffers[i]) {
            freeBuffers();
            GDL_setResult(GDL_NO_MEMORY);
            return;
        }
    }
}

void* bufferOf(int32_t page) {
    Mouse& s = m();
    if (!s.buffers || page < 0 || page >= s.bufferCount) return nullptr;
    return s.buffers[page];
}

// Runs `work` with `page` active, putting the old active page back.
template <typename F> void onPage(int32_t page, F work) {
    GdlDeviceContext* dc = m().dc;
    const int32_t old = GDL_getActivePage(dc);
    if (old != page) GDL_setActivePage(dc, page);
    work(live());
    if (old != page) GDL_setActivePage(dc, old);
}

void saveUnder(GdlDeviceContext* d, void* buffer) {
    const GdlRect& b = m().box;
    const int32_t l = std::max(b.left, 0), t = std::max(b.top, 0);
    const int32_t r = std::min(b.right, int32_t(d->mode.maxX) + 1);
    const int32_t bt = std::min(b.bottom, int32_t(d->mode.maxY) + 1);
    d->v.saveRect(d, l, t, std::max(r, l), std::max(bt, t), buffer);
}

void draw(GdlDeviceContext* d) {
    Mouse& s = m();
    d->v.drawCursorImage(d, s.box.left, s.box.top, 4, GDL_CURSOR_SIZE, s.record + 128, s.record,
                         s.color);
}

void softwareShow(int32_t page) {
    void* buffer = bufferOf(page);
    if (!buffer) return;
    onPage(page, [&](GdlDeviceContext* d) {
        saveUnder(d, buffer);
        draw(d);
    });
}

void softwareHide(int32_t page) {
    void* buffer = bufferOf(page);
    if (!buffer) return;
    onPage(page, [&](GdlDeviceContext* d) { d->v.restoreRect(d, buffer); });
}

} // namespace

void GDL_setMouseDC(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    Mouse& s = m();
    const GdlFsDirect* fsd = GDL_fsDirect();
    if (!dc) {
        freeBuffers();
        s.dc = nullptr;
        if (fsd) fsd->setMouseCallback(nullptr);
        return;
    }
    s.dc = dc;
    s.showCount = -1;
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (!(d->driverState && d->driverState->hardwareCursor)) allocateBuffers(d);
    s.color = GDL_colorToPixel(d, 15);
    // FSDirect's window is the mode's size: it reports mode pixels itself.
    if (fsd) fsd->setMouseCallback(GDL_mouseMoved);
}

GdlDeviceContext* GDL_getMouseDC() {
    GDL_checkThread(__func__);
    return m().dc;
}

int32_t GDL_mousePresent() {
    GDL_checkThread(__func__);
    return 1;
}

bool GDL_mouseHasSoftwareCursor() {
    GDL_checkThread(__func__);
    return m().buffers != nullptr;
}

int32_t GDL_mouseShowCount() {
    GDL_checkThread(__func__);
    return m().showCount;
}

void GDL_showMouse() {
    GDL_checkThread(__func__);
    if (!fullScreen()) {
        ShowCursor(TRUE);
        return;
    }
    Mouse& s = m();
    if (s.showCount >= 0) return;
    if (++s.showCount != 0) return;
    computeBox();
    GdlDeviceContext* d = live();
    if (hardware()) {
        d->driverState->moveCursor(s.devX, s.devY);
        d->driverState->showCursor(1);
        return;
    }
    softwareShow(GDL_getVisualPage(s.dc));
}

void GDL_hideMouse() {
    GDL_checkThread(__func__);
    if (!fullScreen()) {
        ShowCursor(FALSE);
        return;
    }
    Mouse& s = m();
    if (--s.showCount != -1) return;
    if (hardware()) {
        live()->driverState->showCursor(0);
        return;
    }
    softwareHide(GDL_getVisualPage(s.dc));
}

void GDL_obscureMouse() {
    GDL_checkThread(__func__);
    if (!fullScreen()) return;
    if (m().showCount < 0 || !hardware()) GDL_hideMouse();
}

void GDL_setMousePos(int32_t x, int32_t y) {
    GDL_checkThread(__func__);
    if (!GDL_isFullScreenActive()) {
        SetCursorPos(x, y);
        return;
    }
    const GdlFsDirect* fsd = GDL_fsDirect();
    if (fsd && GDL_fullScreenKind() == GDL_FS_FSDIRECT) {
        fsd->setMousePos(x, y);
        return;
    }
    GDL_setFullScreenMousePos(x, y);
}

void GDL_getMousePos(int32_t* x, int32_t* y) {
    GDL_checkThread(__func__);
    if (!GDL_isFullScreenActive()) {
        POINT p{};
        GetCursorPos(&p);
        if (x) *x = p.x;
        if (y) *y = p.y;
        return;
    }
    if (x) *x = m().x;
    if (y) *y = m().y;
}

void GDL_setMouseCursor(const uint8_t* record) {
    GDL_checkThread(__func__);
    if (!fullScreen() || !record) return;
    GDL_hideMouse();
    std::memcpy(m().record, record, GDL_CURSOR_RECORD_SIZE);
    if (hardware()) live()->driverState->setCursorImage(m().record);
    GDL_showMouse();
}

void GDL_setMouseColor(uint32_t color) {
    GDL_checkThread(__func__);
    m().color = color;
    if (fullScreen() && hardware()) live()->driverState->setCursorColor(live(), color);
}

void GDL_mouseMoved(int32_t x, int32_t y) {
    GDL_checkThread(__func__);
    Mouse& s = m();
    s.x = std::max(x, 0);
    s.y = std::max(y, 0);
    int32_t dx = s.x, dy = s.y;
    if (GdlDeviceContext* d = live()) {
        dx += d->attr.viewport.left;
        dy += d->attr.viewport.top;
    }
    if (dx == s.devX && dy == s.devY) return;
    s.devX = dx;
    s.devY = dy;
    computeBox();
    if (!fullScreen() || s.showCount != 0) return;
    if (hardware()) {
        live()->driverState->moveCursor(s.devX, s.devY);
        return;
    }
    void* buffer = bufferOf(GDL_getVisualPage(s.dc));
    if (!buffer) return;
    onPage(GDL_getVisualPage(s.dc), [&](GdlDeviceContext* d) {
        d->v.restoreRect(d, buffer);
        saveUnder(d, buffer);
        draw(d);
    });
}

void GDL_mouseBeforePageFlip(int32_t page) {
    GDL_checkThread(__func__);
    if (fullScreen() && m().showCount == 0 && !hardware()) softwareHide(page);
}

void GDL_mouseAfterPageFlip(int32_t page) {
    GDL_checkThread(__func__);
    if (fullScreen() && m().showCount == 0 && !hardware()) softwareShow(page);
}

void GDL_mouseSuspend() {
    GDL_checkThread(__func__);
    m().savedCount = m().showCount;
    GDL_hideMouse();
}

void GDL_mouseResume() {
    GDL_checkThread(__func__);
    Mouse& s = m();
    if (fullScreen() && hardware()) {
        live()->driverState->setCursorImage(s.record);
        live()->driverState->setCursorColor(live(), s.color);
        GDL_setMousePos(s.x, s.y);
    }
    if (s.savedCount == 0) {
        s.showCount = -1;
        GDL_showMouse();
    }
    s.showCount = s.savedCount;
}

void GDL_mouseSurfaceLost() {
    GDL_checkThread(__func__);
    m().showCount -= 1;
    m().savedCount = m().showCount;
}

void GDL_mouseSurfaceRestored() {
    GDL_checkThread(__func__);
    m().showCount = m().savedCount;
    GDL_showMouse();
}
