// The brightness-level copy of 15/16-bit frames, which works eight pixels at
// a time on the fields and through its table on a row's tail, against a
// per-channel model: every pixel value of both layouts at levels that dim,
// brighten, reach the ends and pass them.
#include "WindowedLibrary.h"
#include "media/devices/TImgAdj.h"

#include "gdl/dc.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/windows.h"
#include "platform/Host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

struct Field {
    int32_t pos, bits;
};

// One channel: widened to eight bits, scaled towards black below 256 or moved
// towards white above it by (level - 256) / 256 of the distance, narrowed.
uint32_t ModelField(uint32_t pixel, Field f, int32_t level) {
    const int32_t widen = 8 - f.bits;
    const int32_t c = int32_t((pixel >> f.pos) & ((1u << f.bits) - 1)) << widen;
    const int32_t v = level >= 256 ? c + (((level - 256) * (255 - c)) >> 8) : (level * c) >> 8;
    return uint32_t(std::clamp(v, 0, 255) >> widen) << f.pos;
}

class ImgAdjRules : public testsupport::WindowedLibraryTest {};

TEST_F(ImgAdjRules, EveryPixelOfBothLayoutsFollowsTheChannelModel) {
    struct Layout {
        int32_t bits;
        const GdlPixelFormat* format;
        Field r, g, b;
    };
    const Layout layouts[] = {{16, &GDL_pixelFormat565, {11, 5}, {5, 6}, {0, 5}},
                              {15, &GDL_pixelFormat555, {10, 5}, {5, 5}, {0, 5}}};
    // 13 columns: a row is one block of eight and a tail of five.
    constexpr int32_t W = 13, H = (65536 + W - 1) / W;
    for (const Layout& l : layouts) {
        GdlDeviceContext* sourceDC = GDL_createMemoryDC(W, H, l.bits, l.format);
        GdlDeviceContext* destDC = GDL_createMemoryDC(W, H, l.bits, l.format);
        ASSERT_TRUE(sourceDC && destDC);
        GdlDeviceContext* source = GDL_liveDC(sourceDC);
        GdlDeviceContext* dest = GDL_liveDC(destDC);
        const uint32_t limit = l.bits == 15 ? 0x8000 : 0x10000;
        auto valueAt = [&](int32_t x, int32_t y) { return uint32_t(y * W + x) % limit; };
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) {
                const auto v = uint16_t(valueAt(x, y));
                std::memcpy(source->surface + int64_t(y) * source->mode.bytesPerLine + 2 * x, &v,
                            2);
            }
        for (int32_t level : {-40, 0, 1, 77, 128, 255, 257, 300, 384, 511, 512, 700}) {
            TImgAdj adjust;
            adjust.SetLevel(level);
            adjust.Blit(destDC, sourceDC, 0, 0, W, H, 0, 0);
            int bad = 0;
            uint32_t first = 0;
            for (int32_t y = 0; y < H; ++y)
                for (int32_t x = 0; x < W; ++x) {
                    const uint32_t p = valueAt(x, y);
                    const uint32_t want = ModelField(p, l.r, level) | ModelField(p, l.g, level) |
                                          ModelField(p, l.b, level);
                    uint16_t got;
                    std::memcpy(&got, dest->surface + int64_t(y) * dest->mode.bytesPerLine + 2 * x,
                                2);
                    if (got != want && bad++ == 0) first = p;
                }
            EXPECT_EQ(bad, 0) << l.bits << " bits, level " << level << ", first pixel " << first;
        }
        GDL_destroyDC(sourceDC);
        GDL_destroyDC(destDC);
    }
}

} // namespace
