#include "drawing/BlitCore.h"

#include "drawing/TCanvasBlit.h"
#include "foundation/TError.h"
#include "gdl/dc.h"
#include "gdl/draw.h"

#include <algorithm>
#include <climits>

namespace blitcore {

bool ReadBackground(GdlDeviceContext* dc, TBackground& out) {
    if (!dc) return false;
    const GdlDeviceContext* live = GDL_liveDC(dc);
    if (!live || !live->surface) return false;
    out.surface = live->surface;
    out.pitch = static_cast<int32_t>(live->mode.bytesPerLine);
    out.width = GDL_maxX(dc) + 1;
    out.height = GDL_maxY(dc) + 1;
    out.depth = GDL_getBitsPerPixel(dc);
    return true;
}

namespace {

// The target range [first, last) that lies on both surfaces.
void ClipAxis(int64_t size, int64_t bgPos, int64_t bgSize, int64_t dstPos, int64_t dstSize,
              int64_t& first, int64_t& last) {
    first = std::max<int64_t>({0, -bgPos, -dstPos});
    last = std::min<int64_t>({size, bgSize - bgPos, dstSize - dstPos});
}

} // namespace

bool ClipTarget(int32_t width, int32_t height, int32_t x, int32_t y, const TBackground& bg,
                int32_t dstX, int32_t dstY, int32_t dstWidth, int32_t dstHeight, TClip& out) {
    int64_t c0, c1, r0, r1;
    ClipAxis(width, x, bg.width, dstX, dstWidth, c0, c1);
    ClipAxis(height, y, bg.height, dstY, dstHeight, r0, r1);
    if (c1 <= c0 || r1 <= r0) return false;
    out = {static_cast<int32_t>(c0), static_cast<int32_t>(r0), static_cast<int32_t>(c1 - c0),
           static_cast<int32_t>(r1 - r0)};
    return true;
}

bool PrepareJob(TBlitJob& job, GdlDeviceContext* main, uint8_t* dst, const uint8_t* src,
                int32_t srcPitch, int32_t srcWidth, int32_t srcHeight, int32_t dstPitch,
                int32_t dstWidth, int32_t dstHeight, int32_t width, int32_t height, int32_t x,
                int32_t y, int32_t dstX, int32_t dstY) {
    if (!ReadBackground(main, job.bg) || !dst || !src || srcWidth <= 0 || srcHeight <= 0)
        return false;
    if (!ClipTarget(width, height, x, y, job.bg, dstX, dstY, dstWidth, dstHeight, job.clip))
        return false;
    job.dst = dst;
    job.dstPitch = dstPitch;
    job.dstX = dstX;
    job.dstY = dstY;
    job.src = src;
    job.srcPitch = srcPitch;
    job.srcWidth = srcWidth;
    job.srcHeight = srcHeight;
    job.width = width;
    job.height = height;
    job.x = x;
    job.y = y;
    job.source = "Source\\TCanvas";
    return true;
}

bool AllocScaled(const TBlitJob& job, int32_t bytes, TScaledBuffer& out) {
    // Whole rows of 4-byte pixels keep the column map after them aligned. A
    // row too long for a pitch is as unobtainable as too much memory.
    const size_t rows = static_cast<size_t>(job.width) * 4 * static_cast<size_t>(job.height);
    const size_t map = static_cast<size_t>(job.width) * sizeof(int32_t);
    const bool fits = static_cast<int64_t>(job.width) * 4 <= INT32_MAX;
    out.pitch = fits ? job.width * bytes : 0;
    out.pixels = fits ? static_cast<uint8_t*>(TCanvasBlit::AllocBuffer(rows + map)) : nullptr;
    if (!out.pixels) {
        TError::Raise(9, nullptr, nullptr, job.source, job.line);
        return false;
    }
    out.columns = reinterpret_cast<int32_t*>(out.pixels + rows);
    return true;
}

TPixelAccess::TPixelAccess(GdlDeviceContext* dc) {
    GDL_selectCurrentDC(dc);
    GDL_beginPixelAccess();
}

TPixelAccess::~TPixelAccess() {
    GDL_endPixelAccess();
}

} // namespace blitcore
