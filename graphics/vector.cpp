// Routine-vector defaults, the slot setters and the attribute entries that
// drivers install.
#include <cstring>
#include <initializer_list>
#include <type_traits>

#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/render.h"
#include "gdl/shading.h"
#include "library_state.h"

using gdl_internal::S;

namespace {

// One do-nothing routine per entry type; entries with a result answer 0.
template <typename F> struct Empty;
template <typename R, typename... A> struct Empty<R (*)(A...)> {
    static R call(A...) {
        if constexpr (!std::is_void_v<R>) return R{};
    }
};
template <typename F> void empty(F& slot) {
    slot = &Empty<F>::call;
}

void emptyTable(GdlRenderTable& t) {
    empty(t.line);
    empty(t.span);
    empty(t.fillRect);
    empty(t.spanList);
    empty(t.trapezoid);
    empty(t.region);
    empty(t.ellipse);
    empty(t.fillEllipse);
    empty(t.ellipseArc);
    empty(t.fillEllipseArc);
}

void emptyZSet(GdlZSet& z) {
    empty(z.zClear);
    empty(z.zLine);
    empty(z.zLineMapped);
    empty(z.zRampLine);
    empty(z.zRgbLine);
    empty(z.zTriangle);
    empty(z.zTriangleMapped);
    empty(z.zRampTriangle);
    empty(z.zRgbTriangle);
    empty(z.zQuad);
    empty(z.zQuadMapped);
    empty(z.zRampQuad);
    empty(z.zRgbQuad);
    empty(z.zTrapezoid);
    empty(z.zTrapezoidMapped);
    empty(z.zRampTrapezoid);
    empty(z.zRgbTrapezoid);
}

inline int32_t fx(int32_t v) {
    return int32_t(uint32_t(v) << 16);
}

} // namespace

void GDL_nullVector() {}

HDC GDL_returnZero(GdlDeviceContext*) {
    GDL_checkThread(__func__);
    return nullptr;
}

void DRV_setDefaultVectors(GdlDeviceContext* dc) {
    GdlRenderVector& v = dc->v;
    empty(v.getWinDC);
    empty(v.defaultPalette);
    empty(v.realizePalette);
    empty(v.setColor);
    empty(v.setBackColor);
    empty(v.setClipRect);
    empty(v.beginDirectAccess);
    empty(v.endDirectAccess);
    empty(v.beginAccess);
    empty(v.getPixel);
    empty(v.putPixel);
    empty(v.endAccess);
    empty(v.getRow);
    empty(v.putRow);
    empty(v.putRowDoubled);
    empty(v.putRowStretched);
    empty(v.setWriteMode);
    empty(v.setFillStyle);
    empty(v.setLineStyle);
    empty(v.setLineStylePhase);
    empty(v.setMonoPattern);
    empty(v.setColorPattern);
    empty(v.putDitheredPixel);
    empty(v.putRowSrcKey);
    empty(v.putRowDstKey);
    empty(v.putMonoImage);
    empty(v.drawCursorImage);
    empty(v.saveRectSize);
    empty(v.saveRect);
    empty(v.restoreRect);
    empty(v.copyToMemory);
    empty(v.copyFromMemory);
    empty(v.blitRowDoubled);
    empty(v.blitZoom2);
    empty(v.stretchBlit);
    emptyTable(v.current);
    for (auto& t : v.tables)
        emptyTable(t);
    empty(v.styledLine);
    empty(v.polygon);
    empty(v.convexPolygon);
    empty(v.triangle);
    empty(v.quad);
    empty(v.getArcCoords);
    empty(v.putPatternPixel);
    empty(v.translateImage);
    empty(v.srcTransparentBlt);
    empty(v.dstTransparentBlt);
    empty(v.copyWithin);
    empty(v.offscreenBlt);
    empty(v.offscreenSrcKeyBlt);
    empty(v.offscreenDstKeyBlt);
    empty(v.scanRightTo);
    empty(v.scanLeftTo);
    empty(v.scanRightWhile);
    empty(v.scanLeftWhile);
    empty(v.makeZBuffer);
    empty(v.rampLine);
    empty(v.rgbLine);
    empty(v.rampTrapezoid);
    empty(v.rgbTrapezoid);
    empty(v.rampTriangle);
    empty(v.rgbTriangle);
    empty(v.rampQuad);
    empty(v.rgbQuad);
    for (GdlZSet* z : {&v.zActive, &v.z16, &v.z32})
        emptyZSet(*z);
}

#define GDL_SLOT_SETTER(n, member, type)                                                           \
    void DRV_setRenderSlot##n(GdlDeviceContext* dc, type routine) {                                \
        for (auto& t : dc->v.tables)                                                               \
            t.member = routine;                                                                    \
    }
GDL_SLOT_SETTER(0, line, GdlLineFunc)
GDL_SLOT_SETTER(1, span, GdlSpanFunc)
GDL_SLOT_SETTER(2, fillRect, GdlFillRectFunc)
GDL_SLOT_SETTER(3, spanList, GdlSpanListFunc)
GDL_SLOT_SETTER(4, trapezoid, GdlTrapezoidFunc)
GDL_SLOT_SETTER(5, region, GdlRegionFunc)
GDL_SLOT_SETTER(6, ellipse, GdlEllipseFunc)
GDL_SLOT_SETTER(7, fillEllipse, GdlEllipseFunc)
GDL_SLOT_SETTER(8, ellipseArc, GdlArcFunc)
GDL_SLOT_SETTER(9, fillEllipseArc, GdlArcFunc)
#undef GDL_SLOT_SETTER

// --- Attribute entries ------------------------------------------------------------

void DRV_setColor(uint32_t color) {
    S().attr.color = color;
    S().packedColor = color;
}

void DRV_setBackColor(uint32_t color) {
    S().attr.backColor = color;
    S().packedBackColor = color;
}

void DRV_applyClipRect(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                       int32_t bottom) {
    int32_t dx = dc->attr.viewport.left - dc->attr.viewportOriginX;
    int32_t dy = dc->attr.viewport.top - dc->attr.viewportOriginY;
    auto sat = [](int64_t v) {
        return int32_t(v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : v));
    };
    int32_t l = sat(int64_t(left) + dx), r = sat(int64_t(right) + dx);
    int32_t t = sat(int64_t(top) + dy), b = sat(int64_t(bottom) + dy);
    if (l < dc->bounds.left) l = dc->bounds.left;
    if (r > dc->bounds.right) r = dc->bounds.right;
    if (t < dc->bounds.top) t = dc->bounds.top;
    if (b > dc->bounds.bottom) b = dc->bounds.bottom;
    dc->clipDevice = {l, t, r, b};
    dc->clipDeviceFixed = {fx(l), fx(t), fx(r), fx(b)};
    dc->attr.clipRect = {l - dx, t - dy, r - dx, b - dy};
    dc->clipFixed = {fx(l - dx), fx(t - dy), fx(r - dx), fx(b - dy)};
}

void DRV_setWriteMode(int32_t mode) {
    S().attr.writeMode = mode;
    GDL_selectRenderTable();
}

void DRV_setFillStyle(int32_t style) {
    S().attr.fillStyle = style;
    GDL_selectRenderTable();
}

void DRV_setMonoPattern(const uint8_t* pattern) {
    std::memmove(S().attr.monoPattern, pattern, 8);
}

void DRV_setColorPattern(const uint32_t* pattern) {
    std::memmove(S().attr.colorPattern, pattern, 64 * sizeof(uint32_t));
}

void DRV_setLineStyle(int32_t style) {
    S().attr.lineStyle = uint32_t(style) & 0xFFFF;
}

void DRV_setPenAttr(int32_t value) {
    S().attr.lineStylePos = uint32_t(value);
}

void DRV_derivePixelFormat(GdlDeviceContext* dc) {
    const GdlModeRecord& m = dc->mode;
    GDL_formatFromFields(&dc->format, int32_t(m.redSize), int32_t(m.redPosition),
                         int32_t(m.greenSize), int32_t(m.greenPosition), int32_t(m.blueSize),
                         int32_t(m.bluePosition), int32_t(m.alphaSize), int32_t(m.alphaPosition));
}

void DRV_setGenericRenderers(GdlDeviceContext* dc) {
    GdlRenderVector& v = dc->v;
    v.setColor = DRV_setColor;
    v.setBackColor = DRV_setBackColor;
    v.setClipRect = DRV_applyClipRect;
    v.setWriteMode = DRV_setWriteMode;
    v.setFillStyle = DRV_setFillStyle;
    v.setLineStyle = DRV_setLineStyle;
    v.setLineStylePhase = DRV_setPenAttr;
    v.setMonoPattern = DRV_setMonoPattern;
    v.setColorPattern = DRV_setColorPattern;
    DRV_setRenderSlot0(dc, DRV_genericLine);
    DRV_setRenderSlot1(dc, DRV_scanLine);
    DRV_setRenderSlot2(dc, DRV_genericFillRect);
    DRV_setRenderSlot3(dc, DRV_spanList);
    DRV_setRenderSlot4(dc, DRV_trapezoid);
    DRV_setRenderSlot5(dc, DRV_regionSpans);
    DRV_setRenderSlot6(dc, DRV_ellipse);
    DRV_setRenderSlot7(dc, DRV_fillEllipse);
    DRV_setRenderSlot8(dc, DRV_ellipseArc);
    DRV_setRenderSlot9(dc, DRV_fillEllipseArc);
    for (int t = 4; t < 8; ++t)
        v.tables[t].ellipse = DRV_wideEllipse;
    // Patterned and wide-pen lines are made of spans, so the pattern and the
    // pen apply; the one-pixel solid line stays the pixel line.
    DRV_setWideLineSlots(dc);
    v.tables[8].line = DRV_colorMappedLine;
    v.styledLine = DRV_styledLine;
    v.polygon = DRV_polygon;
    v.convexPolygon = DRV_convexPolygon;
    v.triangle = DRV_triangle;
    v.quad = DRV_quad;
    v.getArcCoords = DRV_getArcCoords;
    v.putPatternPixel = DRV_patternPixel;
    v.translateImage = GDL_translateImage;
}
