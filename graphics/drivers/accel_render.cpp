// The ACCEL drivers' rendering: spans, rectangles, span lists, lines and
// blits handed to the accelerator, the write mode and patterns told to it,
// the hardware clip, and the off-screen contexts over the driver's
// offscreen memory. Whatever the accelerator cannot draw as the library
// does stays with the software renderers, bracketed by direct access.
#include <algorithm>
#include <vector>

#include "gdl/ddraw.h"
#include "gdl/defaultdraw.h"
#include "gdl/draw.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/vbeaf.h"
#include "library_state.h"
#include "line_walker.h"

namespace {

namespace vb = platform::vbeaf;
using gdl_internal::block;

gdl_internal::AccelFamilyState& fam() {
    return gdl_internal::state().accel;
}

bool offscreen(const GdlDeviceContext& dc) {
    return dc.type == GDL_DC_OFFSCREEN || dc.type == GDL_DC_OFFSCREEN_ACCEL;
}

// The first line of the offscreen area, counted from the drawing buffer the
// accelerator's coordinates start at.
int32_t offscreenLine(const GdlDeviceContext& dc) {
    const uint32_t pitch = dc.mode.bytesPerLine;
    const uint32_t active = pitch ? ACCEL_field(vb::kActiveOffset) / pitch : 0;
    return int32_t(ACCEL_field(vb::kOffscreenTop)) - int32_t(active);
}

// Rows of `dc` in the accelerator's coordinates.
int32_t rowOrigin(const GdlDeviceContext& dc) {
    return offscreen(dc) ? offscreenLine(dc) : 0;
}

// The accelerator's clip made the context's (right and bottom inclusive),
// sent only when it differs from what the accelerator holds.
void sendClip(const GdlDeviceContext& dc) {
    if (!(dc.flags & 0x4000)) return;
    const int32_t y = rowOrigin(dc);
    const GdlRect& c = dc.clipDevice;
    const int32_t want[4] = {c.left, c.top + y, c.right - 1, c.bottom - 1 + y};
    gdl_internal::AccelFamilyState& f = fam();
    if (f.clipSent && std::equal(want, want + 4, f.clip)) return;
    std::copy(want, want + 4, f.clip);
    f.clipSent = true;
    ACCEL_call(vb::kSetClipRect, {want[0], want[1], want[2], want[3]});
}

// Before each accelerated call: the drawing context's clip; its row origin.
int32_t prepare() {
    const GdlDeviceContext& s = block();
    sendClip(s);
    return rowOrigin(s);
}

// A drawing call. Inside an open direct-access bracket the caller may touch
// video memory next by any path, so the accelerator finishes first.
void draw(uint32_t slot, std::initializer_list<intptr_t> args) {
    ACCEL_call(slot, args);
    if (gdl_internal::state().ddraw.lockCount >= 0) ACCEL_waitIdle();
}

// The pixel value of a context's colour (the packed sets keep it repeated
// over the word); the current context's.
intptr_t colourOf(const GdlDeviceContext& dc, uint32_t packed) {
    const uint32_t bits = dc.mode.bitsPerPixel;
    return intptr_t(bits >= 32 ? packed : packed & ((1u << (bits == 15 ? 16 : bits)) - 1));
}

intptr_t colour() {
    return colourOf(block(), block().packedColor);
}

// A fill the accelerator draws as the library does: an opaque mono pattern
// has a back colour the accelerator is not told, and the library's colour
// pattern replaces whatever the write mode.
bool accelerates(int kind) {
    const GdlAttributes& a = block().attr;
    if (kind == 1) return a.fillStyle != 1;
    if (kind == 2) return a.writeMode == 0;
    return true;
}

// The saved routine of the current table's slot, with direct access.
template <typename F, typename... A> void software(F GdlRenderTable::*slot, A... args) {
    const GdlRenderTable& t = fam().saved.tables[block().renderTable];
    ACCEL_beginAccess();
    (t.*slot)(args...);
    ACCEL_endAccess();
}

template <int Kind> void span(int32_t y, int32_t x1, int32_t x2) {
    if (!accelerates(Kind)) return software(&GdlRenderTable::span, y, x1, x2);
    const int32_t origin = prepare();
    draw(vb::kDrawScan + 4 * Kind, {colour(), y + origin, x1, x2});
}

template <int Kind> void rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (right <= left || bottom <= top) return;
    if (!accelerates(Kind)) return software(&GdlRenderTable::fillRect, left, top, right, bottom);
    const int32_t origin = prepare();
    draw(vb::kDrawRect + 4 * Kind, {colour(), left, top + origin, right - left, bottom - top});
}

// The driver's list: a pair of 32-bit x values a row.
template <int Kind> void spanList(int32_t firstRow, int32_t count, const GdlSpan16* list) {
    if (count <= 0 || !list) return;
    if (!accelerates(Kind)) return software(&GdlRenderTable::spanList, firstRow, count, list);
    std::vector<int32_t> pairs(size_t(count) * 2);
    for (int32_t i = 0; i < count; ++i)
        pairs[size_t(i) * 2] = list[i].x1, pairs[size_t(i) * 2 + 1] = list[i].x2;
    const int32_t origin = prepare();
    draw(vb::kDrawScanList + 4 * Kind,
         {colour(), firstRow + origin, count, reinterpret_cast<intptr_t>(pairs.data())});
}

// Set bits in the colour with the write mode, cut by the clip rectangle;
// an opaque pattern's mix would draw the clear bits, so that stays in
// software.
void putMonoImage(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine, int32_t rows,
                  const uint8_t* bits) {
    if (!dc || !bits || bytesPerLine <= 0 || rows <= 0) return;
    if (dc->attr.fillStyle == 1) {
        ACCEL_beginAccess();
        fam().saved.putMonoImage(dc, x, y, bytesPerLine, rows, bits);
        ACCEL_endAccess();
        return;
    }
    const GdlRect& c = dc->clipDevice;
    const int64_t x0 = std::max<int64_t>(x, c.left),
                  x1 = std::min<int64_t>(int64_t(x) + 8 * int64_t(bytesPerLine), c.right);
    const int64_t y0 = std::max<int64_t>(y, c.top),
                  y1 = std::min<int64_t>(int64_t(y) + rows, c.bottom);
    if (x0 >= x1 || y0 >= y1) return;
    sendClip(*dc);
    draw(vb::kPutMonoImage,
         {colourOf(*dc, dc->packedColor), colourOf(*dc, dc->packedBackColor), intptr_t(x0),
          intptr_t(y0) + rowOrigin(*dc), bytesPerLine, intptr_t(x0 - x), intptr_t(y0 - y),
          intptr_t(x1 - x0), intptr_t(y1 - y0), reinterpret_cast<intptr_t>(bits)});
}

// The mouse cursor through the saved software 1-bit image routine, inside
// one direct-access bracket.
void drawCursor(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine, int32_t height,
                const uint8_t* andMask, const uint8_t* xorMask, uint32_t color) {
    ACCEL_beginAccess();
    DRV_drawCursorWith(dc, x, y, bytesPerLine, height, andMask, xorMask, color,
                       fam().saved.putMonoImage);
    ACCEL_endAccess();
}

// --- Stippled lines ---------------------------------------------------------------------

// The line style and its position as the accelerator holds them, sent again
// when the drawing context's differ (another context drew in between, or
// the software line moved the position on).
void sendStipple(const GdlAttributes& a) {
    gdl_internal::AccelFamilyState& f = fam();
    const int64_t style = a.lineStyle & 0xFFFF, position = a.lineStylePos;
    if (f.stipple != style) ACCEL_call(vb::kSetLineStipple, {intptr_t(style)});
    if (f.stipplePosition != position)
        ACCEL_call(vb::kSetLineStippleCount, {intptr_t(int32_t(a.lineStylePos))});
    f.stipple = style, f.stipplePosition = position;
}

void setLineStyle(int32_t style) {
    DRV_setLineStyle(style);
    fam().stipple = -1;
    sendStipple(block().attr);
}

void setLineStylePosition(int32_t position) {
    DRV_setPenAttr(position);
    fam().stipplePosition = -1;
    sendStipple(block().attr);
}

// The pixels of a styled line, by which its position moves on.
uint32_t linePixels(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    uint32_t pixels = 0;
    gdl_internal::walkFixedLine(x1, y1, x2, y2, {false, true}, [&](int32_t, int32_t) { ++pixels; });
    return pixels;
}

// The library's dotted line replaces the pixels whatever the write mode: in
// another mode it stays in software.
void styledLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    GdlDeviceContext& s = block();
    if (s.attr.writeMode != 0) {
        ACCEL_beginAccess();
        fam().saved.styledLine(x1, y1, x2, y2);
        ACCEL_endAccess();
        return;
    }
    const int32_t origin = prepare() * 65536;
    sendStipple(s.attr);
    draw(vb::kDrawStippleLine, {colour(), x1, y1 + origin, x2, y2 + origin});
    // The accelerator's position moved on by the same pixels.
    s.attr.lineStylePos += linePixels(x1, y1, x2, y2);
    fam().stipplePosition = s.attr.lineStylePos;
}

void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const int32_t origin = prepare() * 65536;
    draw(vb::kDrawLine, {colour(), x1, y1 + origin, x2, y2 + origin});
}

void copyWithin(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t x, int32_t y,
                int32_t op, int32_t) {
    if (right <= left || bottom <= top) return;
    const int32_t origin = prepare();
    draw(vb::kBitBlt, {left, top + origin, right - left, bottom - top, x, y + origin, op});
}

// A copy from an off-screen context onto `dest`, cut to the destination's
// clip rectangle when clipping is on (the source moved by the same amount);
// nothing for an empty rectangle. `key` < 0: no key.
void fromOffscreen(GdlDeviceContext* destination, GdlDeviceContext* source, int32_t left,
                   int32_t top, int32_t right, int32_t bottom, int32_t x, int32_t y, int32_t op,
                   int keyMode, uint32_t key) {
    const GdlDeviceContext* d = GDL_liveDC(destination);
    const GdlDeviceContext* sc = GDL_liveDC(source);
    int64_t l = left, t = top, r = right, b = bottom, dx = x, dy = y;
    if (d->attr.clipOn) {
        const GdlRect& c = d->clipDevice;
        if (dx < c.left) l += c.left - dx, dx = c.left;
        if (dy < c.top) t += c.top - dy, dy = c.top;
        r = std::min<int64_t>(r, l + (c.right - dx));
        b = std::min<int64_t>(b, t + (c.bottom - dy));
    }
    if (r <= l || b <= t) return;
    sendClip(*d);
    const int32_t origin = rowOrigin(*d);
    const intptr_t w = intptr_t(r - l), h = intptr_t(b - t);
    static const uint32_t kSys[3] = {vb::kBitBltSys, vb::kSrcTransBltSys, vb::kDstTransBltSys};
    static const uint32_t kVideo[3] = {vb::kBitBlt, vb::kSrcTransBlt, vb::kDstTransBlt};
    if (ACCEL_hasEntry(kSys[keyMode])) {
        const intptr_t start = ACCEL_field(vb::kOffscreenStart);
        const intptr_t pitch = intptr_t(sc->mode.bytesPerLine);
        if (keyMode)
            draw(kSys[keyMode], {start, pitch, intptr_t(l), intptr_t(t), w, h, intptr_t(dx),
                                 intptr_t(dy) + origin, op, intptr_t(key)});
        else
            draw(kSys[0], {start, pitch, intptr_t(l), intptr_t(t), w, h, intptr_t(dx),
                           intptr_t(dy) + origin, op});
        return;
    }
    const intptr_t sy = intptr_t(t) + offscreenLine(*sc);
    if (keyMode)
        draw(kVideo[keyMode],
             {intptr_t(l), sy, w, h, intptr_t(dx), intptr_t(dy) + origin, op, intptr_t(key)});
    else
        draw(kVideo[0], {intptr_t(l), sy, w, h, intptr_t(dx), intptr_t(dy) + origin, op});
}

void offscreenBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t l, int32_t t, int32_t r,
                  int32_t b, int32_t x, int32_t y, int32_t op) {
    fromOffscreen(dest, src, l, t, r, b, x, y, op, 0, 0);
}
void offscreenSrcKeyBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t l, int32_t t,
                        int32_t r, int32_t b, int32_t x, int32_t y, int32_t op, uint32_t key) {
    fromOffscreen(dest, src, l, t, r, b, x, y, op, 1, key);
}
void offscreenDstKeyBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t l, int32_t t,
                        int32_t r, int32_t b, int32_t x, int32_t y, int32_t op, uint32_t key) {
    fromOffscreen(dest, src, l, t, r, b, x, y, op, 2, key);
}

// --- Attributes ---------------------------------------------------------------------------

void sendMix() {
    const GdlAttributes& a = block().attr;
    ACCEL_call(vb::kSetMix, {a.writeMode, a.fillStyle == 1 ? a.writeMode : 4});
}

void setWriteMode(int32_t mode) {
    DRV_setWriteMode(mode);
    sendMix();
}

void setFillStyle(int32_t style) {
    DRV_setFillStyle(style);
    sendMix();
}

void sendMonoPattern() {
    ACCEL_call(vb::kSet8x8MonoPattern, {reinterpret_cast<intptr_t>(block().attr.monoPattern)});
}

// The colour pattern as the driver's pattern 0, selected.
void sendColorPattern() {
    if (!ACCEL_hasEntry(vb::kSet8x8ColorPattern)) return;
    ACCEL_call(vb::kSet8x8ColorPattern, {0, reinterpret_cast<intptr_t>(block().attr.colorPattern)});
    ACCEL_call(vb::kUse8x8ColorPattern, {0});
}

void setMonoPattern(const uint8_t* pattern) {
    DRV_setMonoPattern(pattern);
    sendMonoPattern();
}

void setColorPattern(const uint32_t* pattern) {
    DRV_setColorPattern(pattern);
    sendColorPattern();
}

void applyClip(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    DRV_applyClipRect(dc, left, top, right, bottom);
    sendClip(*dc);
}

// --- Installation ---------------------------------------------------------------------------

constexpr int kSolid[4] = {0, 1, 4, 5}, kPattern[2] = {2, 6}, kColour[2] = {3, 7};

// A span entry for `tables`: the span and the library's span-built routines
// for the slots that the packed set fills itself.
void setSpans(GdlRenderVector& v, const int* tables, int count, GdlSpanFunc span) {
    for (int i = 0; i < count; ++i) {
        GdlRenderTable& t = v.tables[tables[i]];
        t.span = span;
        t.fillRect = DRV_genericFillRect;
        t.spanList = DRV_spanList;
        t.trapezoid = DRV_trapezoid;
        t.region = DRV_regionSpans;
        t.fillEllipse = DRV_fillEllipse;
        t.fillEllipseArc = DRV_fillEllipseArc;
    }
}

template <typename F>
void setSlot(GdlRenderVector& v, const int* tables, int count, F GdlRenderTable::*slot, F routine) {
    for (int i = 0; i < count; ++i)
        v.tables[tables[i]].*slot = routine;
}

void installFills(GdlDeviceContext* dc) {
    GdlRenderVector& v = dc->v;
    const struct {
        const int* tables;
        int count;
        uint32_t span, rect, list;
        GdlSpanFunc spanRoutine;
        GdlFillRectFunc rectRoutine;
        GdlSpanListFunc listRoutine;
        uint32_t flag;
    } kinds[3] = {
        {kSolid, 4, vb::kDrawScan, vb::kDrawRect, vb::kDrawScanList, span<0>, rect<0>, spanList<0>,
         0x80},
        {kPattern, 2, vb::kDrawPattScan, vb::kDrawPattRect, vb::kDrawPattScanList, span<1>, rect<1>,
         spanList<1>, 0x100},
        {kColour, 2, vb::kDrawColorPattScan, vb::kDrawColorPattRect, vb::kDrawColorPattScanList,
         span<2>, rect<2>, spanList<2>, 0x200},
    };
    for (const auto& k : kinds)
        if (ACCEL_hasEntry(k.span)) setSpans(v, k.tables, k.count, k.spanRoutine);
    for (const auto& k : kinds)
        if (ACCEL_hasEntry(k.rect)) {
            setSlot(v, k.tables, k.count, &GdlRenderTable::fillRect, k.rectRoutine);
            dc->flags |= k.flag;
        }
    for (const auto& k : kinds)
        if (ACCEL_hasEntry(k.list))
            setSlot(v, k.tables, k.count, &GdlRenderTable::spanList, k.listRoutine);
    if (ACCEL_hasEntry(vb::kDrawLine)) {
        setSlot(v, kSolid, 2, &GdlRenderTable::line, line);
        // Its strokes are accelerated lines: no bracket around them.
        v.strokeGlyph = DRV_strokeGlyph;
        dc->flags |= 0x10;
    }
}

// The stippled line needs the pattern, its position and the line.
void installStipple(GdlDeviceContext* dc) {
    for (uint32_t slot : {vb::kSetLineStipple, vb::kSetLineStippleCount, vb::kDrawStippleLine})
        if (!ACCEL_hasEntry(slot)) return;
    dc->v.styledLine = styledLine;
    dc->v.setLineStyle = setLineStyle;
    dc->v.setLineStylePhase = setLineStylePosition;
    dc->flags |= 0x20;
}

// A driver that draws 1-bit images (its entry, or the image field saying
// so) gets the cursor through the saved software routine and the bitmap
// font's characters through whatever draws the images; the image vector
// itself needs the entry.
void installMonoImages(GdlDeviceContext* dc) {
    const bool entry = ACCEL_hasEntry(vb::kPutMonoImage);
    if (!entry && ACCEL_field(vb::kMonoImageField) == 0) return;
    if (entry) dc->v.putMonoImage = putMonoImage;
    dc->v.drawCursorImage = drawCursor;
    dc->v.drawString = DRV_drawString;
    dc->flags |= 0x2000;
}

void installBlits(GdlDeviceContext* dc) {
    GdlRenderVector& v = dc->v;
    if (ACCEL_hasEntry(vb::kBitBlt)) {
        v.copyWithin = copyWithin;
        v.offscreenBlt = offscreenBlt;
        dc->flags |= 0x400;
    }
    if (ACCEL_hasEntry(vb::kSrcTransBlt)) {
        v.offscreenSrcKeyBlt = offscreenSrcKeyBlt;
        dc->flags |= 0x800;
    }
    if (ACCEL_hasEntry(vb::kDstTransBlt)) {
        v.offscreenDstKeyBlt = offscreenDstKeyBlt;
        dc->flags |= 0x1000;
    }
    if (ACCEL_hasEntry(vb::kBitBltSys)) v.offscreenBlt = offscreenBlt;
    if (ACCEL_hasEntry(vb::kSrcTransBltSys)) v.offscreenSrcKeyBlt = offscreenSrcKeyBlt;
    if (ACCEL_hasEntry(vb::kDstTransBltSys)) v.offscreenDstKeyBlt = offscreenDstKeyBlt;
    if (ACCEL_hasEntry(vb::kSetClipRect)) {
        v.setClipRect = applyClip;
        dc->flags |= 0x4000;
    }
}

int32_t makeOffscreen(GdlDeviceContext* dc, int32_t kind) {
    if (!(dc->flags & 0x400)) {
        GDL_setResult(GDL_NO_HW_BITBLT);
        return 0;
    }
    // The area the driver reports must lie inside video memory.
    const uint64_t start = ACCEL_field(vb::kOffscreenStart);
    const int64_t height =
        int64_t(ACCEL_field(vb::kOffscreenBottom)) - int64_t(ACCEL_field(vb::kOffscreenTop));
    const uint64_t width = uint64_t(ACCEL_field(vb::kOffscreenWidth)) + 1;
    const uint64_t pitch = dc->mode.bytesPerLine,
                   memory = uint64_t(ACCEL_field(vb::kMemoryKB)) * 1024;
    const uint64_t bytes = (dc->mode.bitsPerPixel + 7) / 8;
    if (start == 0 || height <= 0 || width * bytes > pitch ||
        start + uint64_t(height + 1) * pitch > memory) {
        GDL_setResult(GDL_NO_OFFSCREEN_MEMORY);
        return 0;
    }
    dc->type = kind;
    dc->mode.maxX = uint32_t(width - 1);
    dc->mode.maxY = uint32_t(height);
    dc->mode.maxPage = 0;
    dc->surface = dc->frameBase + start;
    dc->frameStart = int32_t(start);
    dc->bounds = {0, 0, int32_t(width), int32_t(height + 1)};
    return 1;
}

} // namespace

void ACCEL_installRendering(GdlDeviceContext* dc) {
    GdlRenderVector& v = dc->v;
    dc->driverState->createOffscreen = ACCEL_makeOffscreenDC;
    v.setWriteMode = setWriteMode;
    v.setFillStyle = setFillStyle;
    if (ACCEL_hasEntry(vb::kSet8x8MonoPattern)) v.setMonoPattern = setMonoPattern;
    if (ACCEL_hasEntry(vb::kSet8x8ColorPattern)) v.setColorPattern = setColorPattern;
    ACCEL_installLockedCalls(dc, ACCEL_hasEntry(vb::kEnableDirect));
    v.beginDirectAccess = v.beginAccess = ACCEL_beginAccess;
    v.endDirectAccess = v.endAccess = ACCEL_endAccess;
    installFills(dc);
    installStipple(dc);
    if (ACCEL_hasEntry(vb::kDrawExtra5) || ACCEL_hasEntry(vb::kDrawExtra6)) dc->flags |= 0x40;
    installMonoImages(dc);
    installBlits(dc);
    v.current = v.tables[dc->renderTable];
    ACCEL_forgetClip();
}

int32_t ACCEL_makeOffscreenDC(GdlDeviceContext* dc) {
    return makeOffscreen(dc, GDL_DC_OFFSCREEN);
}

int32_t ACCEL_makeOffscreenDC2(GdlDeviceContext* dc) {
    return makeOffscreen(dc, GDL_DC_OFFSCREEN_ACCEL);
}

void ACCEL_sendAttributes(GdlDeviceContext* dc) {
    // Another context is drawn on now; selecting this one sends them.
    if (dc != &block() && !GDL_isCurrentDC(dc)) return;
    sendMix();
    sendMonoPattern();
    sendColorPattern();
}

void ACCEL_forgetClip() {
    fam().clipSent = false;
    fam().stipple = fam().stipplePosition = -1;
}

// Recorded by the accelerator, whatever shapes they serve: handed over as
// they come, with the current colour.
int32_t ACCEL_drawExtra5(int32_t a, int32_t b, int32_t c, int32_t d) {
    if (!(block().flags & 0x40) || !ACCEL_hasEntry(vb::kDrawExtra5)) return 0;
    prepare();
    draw(vb::kDrawExtra5, {colour(), a, b, c, d});
    return 1;
}

int32_t ACCEL_drawExtra6(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) {
    if (!(block().flags & 0x40) || !ACCEL_hasEntry(vb::kDrawExtra6)) return 0;
    prepare();
    draw(vb::kDrawExtra6, {colour(), a, b, c, d, e});
    return 1;
}

void ACCEL_waitIdle() {
    ACCEL_call(vb::kWaitIdle, {});
}
