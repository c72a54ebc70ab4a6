// The z-buffer of a context: making and freeing it, clearing it, and the
// installer of the shading and depth-tested entries of the render vector.
#include <algorithm>
#include <cstring>

#include "gdl/memory.h"
#include "gdl/result.h"
#include "gdl/shading.h"
#include "library_state.h"

using gdl_internal::S;

namespace {

// The record the caller means and the copy drawing works on (the state block
// when the context is current); both are kept alike.
GdlDeviceContext* recordOf(GdlDeviceContext* dc) {
    return dc == &S() ? GDL_currentDC() : dc;
}

void copyZFields(GdlDeviceContext* to, const GdlDeviceContext* from) {
    if (!to || to == from) return;
    to->zBuffer = from->zBuffer;
    to->zDepth = from->zDepth;
    to->zWidth = from->zWidth;
    to->zSlope = from->zSlope;
    to->flags = from->flags;
    to->v.zActive = from->v.zActive;
}

template <typename Cell>
void clearCells(int32_t left, int32_t top, int32_t right, int32_t bottom, Cell value) {
    GdlDeviceContext& s = S();
    if (!s.zBuffer || s.zDepth != int32_t(sizeof(Cell) * 8)) return;
    // Kept to the buffer, so a careless rectangle cannot write past it.
    left = std::max(left, s.bounds.left);
    top = std::max(top, s.bounds.top);
    right = std::min(right, s.bounds.left + s.zWidth);
    bottom = std::min(bottom, s.bounds.bottom);
    if (left >= right) return;
    Cell* cells = static_cast<Cell*>(s.zBuffer);
    for (int32_t y = top; y < bottom; ++y) {
        Cell* row = cells + size_t(y - s.bounds.top) * size_t(s.zWidth);
        std::fill(row + (left - s.bounds.left), row + (right - s.bounds.left), value);
    }
}

} // namespace

int32_t DRV_makeZBuffer(GdlDeviceContext* dc, int32_t depth) {
    GDL_setResult(GDL_OK);
    GdlDeviceContext* record = recordOf(dc);
    if (!record) return 0;
    GdlDeviceContext* d = GDL_liveDC(record);
    if (d->mode.bitsPerPixel < 8 || !(d->flags & GDL_ACCESS_MASK) || (depth != 16 && depth != 32))
        return 0;
    if (d->zBuffer) return d->zDepth == depth ? 1 : 0;
    const int64_t width = int64_t(d->bounds.right) - d->bounds.left;
    const int64_t rows = int64_t(d->bounds.bottom) - d->bounds.top + 1; // the slope row too
    const int64_t cell = depth / 8;
    if (width <= 0 || rows <= 1) return 0;
    void* buffer = GDL_calloc(size_t(rows * width), size_t(cell));
    if (!buffer) {
        GDL_setResult(GDL_NO_MEMORY);
        return 0;
    }
    d->zBuffer = buffer;
    d->zDepth = depth;
    d->zWidth = int32_t(width);
    d->zSlope = static_cast<uint8_t*>(buffer) + size_t((rows - 1) * width * cell);
    d->v.zActive = depth == 16 ? d->v.z16 : d->v.z32;
    d->flags = (d->flags | GDL_FLAG_ZBUFFER) & ~GDL_FLAG_NOT_OWNED;
    copyZFields(record, d);
    return 1;
}

void DRV_freeZBuffer(GdlDeviceContext* dc) {
    if (!dc) return;
    if (dc->zBuffer && !(dc->flags & GDL_FLAG_NOT_OWNED)) GDL_free(dc->zBuffer);
    dc->zBuffer = nullptr;
    dc->zSlope = nullptr;
    dc->zDepth = 0;
    dc->zWidth = 0;
    dc->flags &= ~GDL_FLAG_ZBUFFER;
}

void DRV_zClear16(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t z) {
    clearCells<int16_t>(left, top, right, bottom, int16_t(int32_t(z) >> 15));
}

void DRV_zClear32(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t z) {
    clearCells<int32_t>(left, top, right, bottom, int32_t(z));
}

void DRV_setShadingEntries(GdlDeviceContext* dc) {
    GdlRenderVector& v = dc->v;
    v.makeZBuffer = DRV_makeZBuffer;
    v.rampLine = DRV_rampLine;
    v.rgbLine = DRV_rgbLine;
    v.rampTrapezoid = DRV_rampTrapezoid;
    v.rgbTrapezoid = DRV_rgbTrapezoid;
    v.rampTriangle = DRV_rampTriangle;
    v.rgbTriangle = DRV_rgbTriangle;
    v.rampQuad = DRV_rampQuad;
    v.rgbQuad = DRV_rgbQuad;
    // The lines and front ends serve both sets (they read the z-buffer's
    // depth); the colour-map forms are the same routines, which dither in
    // colour-map mode. Only the clear and the span fillers differ by cell size.
    const GdlZSet shared = {nullptr,          DRV_zLine,     DRV_zLine,     DRV_zRampLine,
                            DRV_zRgbLine,     DRV_zTriangle, DRV_zTriangle, DRV_zRampTriangle,
                            DRV_zRgbTriangle, DRV_zQuad,     DRV_zQuad,     DRV_zRampQuad,
                            DRV_zRgbQuad,     nullptr,       nullptr,       nullptr,
                            nullptr};
    v.z16 = shared;
    v.z16.zClear = DRV_zClear16;
    v.z16.zTrapezoid = v.z16.zTrapezoidMapped = DRV_depthTrapezoid16;
    v.z16.zRampTrapezoid = DRV_shadedIndexTrapezoid16;
    v.z16.zRgbTrapezoid = DRV_shadedDepthTrapezoid16;
    v.z32 = shared;
    v.z32.zClear = DRV_zClear32;
    v.z32.zTrapezoid = v.z32.zTrapezoidMapped = DRV_depthTrapezoid32;
    v.z32.zRampTrapezoid = DRV_shadedIndexTrapezoid32;
    v.z32.zRgbTrapezoid = DRV_shadedDepthTrapezoid32;
}
