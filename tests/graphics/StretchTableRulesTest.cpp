// The packed 16-bit stretch, which maps each output column through a table
// made once a call, against a per-pixel model: source pixel i covers the
// output cells from round(i * scale) to round((i + 1) * scale), at scales
// below, at and above one, odd widths, destinations off the surface and
// clip rectangles cutting every side.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "PackedDepths.h"

namespace {

using namespace packedtest;

constexpr int32_t W = 80, H = 48, SW = 37, SH = 23;

// 16.16 factor of a destination size over a source size, exact at 1 and 2.
int64_t scaleOf(int64_t dst, int64_t src) {
    if (dst == src) return 0x10000;
    if (dst == 2 * src) return 0x20000;
    return (dst << 16) / src;
}

// The source index whose cells hold output cell `o` (-1 past the last).
int32_t sourceOf(int64_t scale, int32_t n, int32_t o) {
    for (int32_t i = 0; i < n; ++i) {
        const int64_t from = (i * scale + 0x8000) >> 16, to = ((i + 1) * scale + 0x8000) >> 16;
        if (o >= from && o < to) return i;
    }
    return -1;
}

uint32_t SourcePixel(int32_t x, int32_t y) {
    return uint32_t(1 + y * 64 + x) & 0xFFFF;
}

TEST(StretchTable, StretchesEqualThePerPixelModelAtEveryScaleAndClip) {
    PACK_registerDrivers();
    GdlDeviceContext* dc = GDL_createMemoryDC(W, H, 16, &GDL_pixelFormat565);
    GdlDeviceContext* src = GDL_createMemoryDC(SW, SH, 16, &GDL_pixelFormat565);
    ASSERT_TRUE(dc && src);
    for (int32_t y = 0; y < SH; ++y)
        for (int32_t x = 0; x < SW; ++x)
            poke(src, x, y, SourcePixel(x, y));
    GDL_selectCurrentDC(dc);
    struct Box {
        int32_t l, t, r, b;
    };
    // Source rectangles of odd widths; destination widths below, at, twice
    // and above the source's.
    const Box sources[] = {{0, 0, 1, 1}, {3, 2, 10, 9}, {1, 1, 34, 20}, {0, 0, SW, SH}};
    const Box clips[] = {{0, 0, W, H}, {5, 0, W, H}, {0, 0, 31, H}, {0, 7, W, 19}, {3, 4, 9, 6}};
    const int32_t sizes[][2] = {{1, 3}, {2, 5}, {1, 1}, {2, 1}, {3, 2}, {5, 7}, {7, 3}};
    for (const Box& s : sources)
        for (const auto& f : sizes)
            for (const Box& c : clips)
                for (int32_t at : {-9, 0, 2}) {
                    const int32_t sw = s.r - s.l, sh = s.b - s.t;
                    const int32_t dw = std::max(1, sw * f[0] / f[1] + (f[0] > f[1] ? 1 : 0));
                    const int32_t dh = std::max(1, sh * f[1] / f[0]);
                    const Box d{at, at + 1, at + dw, at + 1 + dh};
                    for (int32_t y = 0; y < H; ++y)
                        for (int32_t x = 0; x < W; ++x)
                            poke(dc, x, y, 0xBEEF);
                    GDL_setClipRect(dc, c.l, c.t, c.r, c.b);
                    GDL_stretchBlt(dc, src, s.l, s.t, s.r, s.b, d.l, d.t, d.r, d.b);
                    const int64_t xs = scaleOf(dw, sw), ys = scaleOf(dh, sh);
                    int bad = 0;
                    for (int32_t y = 0; y < H; ++y)
                        for (int32_t x = 0; x < W; ++x) {
                            uint32_t want = 0xBEEF;
                            const bool inside = x >= c.l && x < c.r && y >= c.t && y < c.b &&
                                                x >= d.l && x < d.r && y >= d.t && y < d.b;
                            const int32_t i = inside ? sourceOf(xs, sw, x - d.l) : -1;
                            const int32_t j = inside ? sourceOf(ys, sh, y - d.t) : -1;
                            if (i >= 0 && j >= 0) want = SourcePixel(s.l + i, s.t + j);
                            bad += peek(dc, x, y) != want;
                        }
                    EXPECT_EQ(bad, 0)
                        << "source " << sw << "x" << sh << " to " << dw << "x" << dh << " at " << at
                        << " clip " << c.l << "," << c.t << "," << c.r << "," << c.b;
                }
    GDL_selectCurrentDC(nullptr);
    GDL_destroyDC(src);
    GDL_destroyDC(dc);
}

} // namespace
