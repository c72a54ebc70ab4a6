// Drawing attributes of the current context: setters through the vector,
// viewport and clipping, defaults, restoring a block, and the render-table choice.
#include <cstring>

#include "gdl/thread.h"
#include "gdl/draw.h"
#include "gdl/render.h"
#include "gdl/result.h"

namespace {

// The state block, reached from the library's own thread only (the default
// argument names the caller).
GdlDeviceContext& S(const char* entry = __builtin_FUNCTION()) {
    GDL_checkThread(entry);
    return GDL_stateBlock;
}

inline int32_t fx(int32_t v) {
    return int32_t(uint32_t(v) << 16);
}

// Device coordinates are also kept in 16.16, which holds up to +-32767.
bool fitsFixed(int64_t v) {
    return v >= -32767 && v <= 32767;
}

// A viewport the 16.16 values cannot hold is refused and nothing changes.
bool setViewportOn(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (!fitsFixed(int64_t(left) + dc->bounds.left) ||
        !fitsFixed(int64_t(right) + dc->bounds.left) || !fitsFixed(int64_t(top) + dc->bounds.top) ||
        !fitsFixed(int64_t(bottom) + dc->bounds.top)) {
        GDL_setResult(GDL_GENERAL_ERROR);
        return false;
    }
    left += dc->bounds.left;
    right += dc->bounds.left;
    top += dc->bounds.top;
    bottom += dc->bounds.top;
    dc->attr.viewport = {left, top, right, bottom};
    dc->viewportFixed = {fx(left), fx(top), fx(right), fx(bottom)};
    dc->v.setClipRect(dc, 0, 0, right - left, bottom - top);
    dc->attr.cpX = 0;
    dc->attr.cpY = 0;
    dc->attr.viewportOriginX = 0;
    dc->attr.viewportOriginY = 0;
    return true;
}

void setClipOn(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const GdlRect& vp = dc->attr.viewport;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > vp.right - vp.left) right = vp.right - vp.left;
    if (bottom > vp.bottom - vp.top) bottom = vp.bottom - vp.top;
    dc->attr.clipRect = {left, top, right, bottom};
    dc->v.setClipRect(dc, left, top, right, bottom);
}

} // namespace

void GDL_setColor(uint32_t color) {
    S().v.setColor(color);
}
void GDL_setBackColor(uint32_t color) {
    S().v.setBackColor(color);
}
uint32_t GDL_getColor() {
    return S().attr.color;
}
uint32_t GDL_getBackColor() {
    return S().attr.backColor;
}
void GDL_setWriteMode(int32_t mode) {
    S().v.setWriteMode(mode);
}
void GDL_setFillStyle(int32_t style) {
    S().v.setFillStyle(style);
}
void GDL_setLineStyle(uint32_t pattern) {
    S().v.setLineStyle(int32_t(pattern & 0xFFFF));
}
void GDL_setLineStylePos(uint32_t position) {
    S().v.setLineStylePhase(int32_t(position));
}

void GDL_setMonoPattern(const uint8_t* pattern) {
    uint8_t copy[8];
    std::memcpy(copy, pattern, sizeof(copy));
    S().v.setMonoPattern(copy);
}

void GDL_setColorPattern(const uint32_t* pattern) {
    uint32_t copy[64];
    std::memcpy(copy, pattern, sizeof(copy));
    S().v.setColorPattern(copy);
}

void GDL_beginPixelAccess() {
    S().v.beginDirectAccess();
}
void GDL_endPixelAccess() {
    S().v.endDirectAccess();
}

void GDL_setColorMapMode(int32_t mode) {
    S().attr.colorMapMode = mode;
    GDL_selectRenderTable();
}

void GDL_setBevelColors(uint32_t light, uint32_t dark) {
    S().attr.bevelLight = light;
    S().attr.bevelDark = dark;
}

void GDL_setPenStyle(int32_t style) {
    S().attr.penStyle = style;
}

void GDL_setPenSize(int32_t height, int32_t width) {
    S().attr.penHeight = height - 1;
    S().attr.penWidth = width - 1;
    GDL_selectRenderTable();
}

int32_t GDL_getBitsPerPixel(const GdlDeviceContext* dc) {
    return dc ? int32_t(GDL_liveDC(const_cast<GdlDeviceContext*>(dc))->mode.bitsPerPixel) : 0;
}
int32_t GDL_maxPage(const GdlDeviceContext* dc) {
    return dc ? int32_t(GDL_liveDC(const_cast<GdlDeviceContext*>(dc))->mode.maxPage) : 0;
}
int32_t GDL_maxX(const GdlDeviceContext* dc) {
    const GdlDeviceContext* d = GDL_liveDC(const_cast<GdlDeviceContext*>(dc));
    return d ? d->bounds.right - d->bounds.left - 1 : 0;
}
int32_t GDL_maxY(const GdlDeviceContext* dc) {
    const GdlDeviceContext* d = GDL_liveDC(const_cast<GdlDeviceContext*>(dc));
    return d ? d->bounds.bottom - d->bounds.top - 1 : 0;
}

uint32_t GDL_colorToPixel(const GdlDeviceContext* dc, int32_t index) {
    const GdlDeviceContext* d = GDL_liveDC(const_cast<GdlDeviceContext*>(dc));
    if (d->mode.maxColor < 256 && d->attr.colorMapMode != 1) return uint32_t(index);
    if (!d->palette || index < 0 || index > 255) return 0;
    uint32_t word;
    std::memcpy(&word, &d->palette[index], 4);
    return word;
}

// --- Render-table choice --------------------------------------------------------

void GDL_selectRenderTable() {
    GdlDeviceContext& s = S();
    const GdlAttributes& a = s.attr;
    int32_t table;
    bool thin = a.penHeight == 0 && a.penWidth == 0;
    if (a.colorMapMode == 1)
        table = 8;
    else if (a.fillStyle > 3 || a.fillStyle < 0)
        return;
    else if (a.fillStyle == 0)
        table = thin ? (a.writeMode == 0 ? 0 : 1) : (a.writeMode == 0 ? 4 : 5);
    else if (a.fillStyle == 3)
        table = thin ? 3 : 7;
    else
        table = thin ? 2 : 6;
    s.v.current = s.v.tables[table];
    s.renderTable = table;
}

int32_t GDL_currentRenderTable() {
    return S().renderTable;
}

// --- Viewport and clipping --------------------------------------------------------

void GDL_setViewportCurrent(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    setViewportOn(&S(), left, top, right, bottom);
}

void GDL_setViewport(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                     int32_t bottom) {
    if (!dc) return;
    GdlDeviceContext* live = GDL_liveDC(dc);
    if (!setViewportOn(live, left, top, right, bottom)) return;
    if (live != dc) {
        dc->attr.viewport = live->attr.viewport;
        dc->viewportFixed = live->viewportFixed;
        dc->attr.clipRect = live->attr.clipRect;
        dc->clipFixed = live->clipFixed;
        dc->clipDevice = live->clipDevice;
        dc->clipDeviceFixed = live->clipDeviceFixed;
    }
}

void GDL_setClipRectCurrent(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    setClipOn(&S(), left, top, right, bottom);
}

void GDL_setClipRect(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                     int32_t bottom) {
    if (dc) setClipOn(GDL_liveDC(dc), left, top, right, bottom);
}

void GDL_getClipRectCurrent(GdlRect* out) {
    if (out) *out = S().attr.clipRect;
}

void GDL_getClipRect(GdlDeviceContext* dc, GdlRect* out) {
    if (dc && out) *out = GDL_liveDC(dc)->attr.clipRect;
}

void GDL_setClipMode(GdlDeviceContext* dc, int32_t on) {
    if (!dc) return;
    GdlDeviceContext* d = GDL_liveDC(dc);
    d->attr.clipOn = on;
    if (on) {
        GdlRect c = d->attr.clipRect;
        setClipOn(d, c.left, c.top, c.right, c.bottom);
    } else {
        d->v.setClipRect(d, 0, 0, int32_t(d->mode.maxX) + 1, int32_t(d->mode.maxY) + 1);
    }
}

int32_t GDL_getClipMode(GdlDeviceContext* dc) {
    return dc ? GDL_liveDC(dc)->attr.clipOn : 0;
}

void GDL_clearDevice() {
    GdlDeviceContext& s = S();
    uint32_t packed = s.packedColor;
    int32_t writeMode = s.attr.writeMode, fillStyle = s.attr.fillStyle;
    s.v.setWriteMode(0);
    s.v.setFillStyle(0);
    s.packedColor = s.packedBackColor;
    s.v.current.fillRect(s.bounds.left, s.bounds.top, s.bounds.right, s.bounds.bottom);
    s.v.setWriteMode(writeMode);
    s.v.setFillStyle(fillStyle);
    s.packedColor = packed;
}

// --- Attribute blocks ---------------------------------------------------------------

void GDL_getAttributes(GdlAttributes* out) {
    if (!out) return;
    *out = S().attr;
    out->penHeight += 1;
    out->penWidth += 1;
}

void GDL_restoreAttributes(const GdlAttributes* block) {
    if (!block) return;
    GdlAttributes a = *block; // the block may be the state block's own
    GdlDeviceContext& s = S();
    s.attr = a;
    s.attr.penHeight -= 1;
    s.attr.penWidth -= 1;
    s.v.setColor(a.color);
    s.v.setBackColor(a.backColor);
    s.v.setWriteMode(a.writeMode);
    s.v.setFillStyle(a.fillStyle);
    s.v.setLineStyle(int32_t(a.lineStyle));
    s.v.setLineStylePhase(int32_t(a.lineStylePos));
    s.v.setMonoPattern(a.monoPattern);
    s.v.setColorPattern(a.colorPattern);
    s.attr.text = a.text;
    GDL_setViewportCurrent(a.viewport.left - s.bounds.left, a.viewport.top - s.bounds.top,
                           a.viewport.right - s.bounds.left, a.viewport.bottom - s.bounds.top);
    GDL_setClipRectCurrent(a.clipRect.left, a.clipRect.top, a.clipRect.right, a.clipRect.bottom);
    s.attr.clipOn = a.clipOn;
}

void GDL_setDefaultAttributes(GdlDeviceContext* dc) {
    if (!dc) return;
    GdlDeviceContext* previous = GDL_selectCurrentDC(nullptr);
    GdlAttributes& a = dc->attr;
    uint32_t white = GDL_colorToPixel(dc, 15);
    a = GdlAttributes{};
    a.color = white;
    a.backColor = 0;
    a.colorMapMode = 0;
    a.unusedWord1 = 3;
    a.unusedWord2 = 0;
    a.unusedColor = white;
    a.bevelLight = white;
    a.bevelDark = GDL_colorToPixel(dc, 8);
    a.penHeight = 1; // counts here; restoring the block stores count - 1
    a.penWidth = 1;
    a.lineStyle = 0xFFFF;
    a.viewport = dc->bounds;
    a.clipRect = {0, 0, dc->bounds.right - dc->bounds.left, dc->bounds.bottom - dc->bounds.top};
    a.clipOn = 1;
    a.unusedWord3 = 2;
    a.text = {0, 0, 2, 1, 1, 1, 1, 0, nullptr};
    // Selecting re-applies the pen-dependent table choice, so the record must
    // hold stored sizes (count - 1) while it is current.
    a.penHeight = 0;
    a.penWidth = 0;
    GDL_selectCurrentDC(dc);
    GdlAttributes block = S().attr;
    block.penHeight = 1;
    block.penWidth = 1;
    GDL_restoreAttributes(&block);
    GDL_selectCurrentDC(previous);
}
