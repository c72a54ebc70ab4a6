// A clipped stretch shows exactly the pixels of the same stretch drawn whole
// and cut afterwards, at every scale: the repeat pattern keeps its phase
// across the clip edge (otherwise scrolled scaled pictures shimmer there).
#include <gtest/gtest.h>

#include <vector>

#include "gdl/bitmap.h"
#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "PackedDepths.h"

namespace {

using namespace packedtest;

constexpr int32_t W = 24, H = 16;

std::vector<uint32_t> snap(const GdlDeviceContext* dc) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            out.push_back(peek(dc, x, y));
    return out;
}

class StretchClip : public ::testing::TestWithParam<Depth> {
protected:
    void SetUp() override {
        PACK_registerDrivers();
        dc = GDL_createMemoryDC(W, H, GetParam().bits, GetParam().format);
        src = GDL_createMemoryDC(9, 9, GetParam().bits, GetParam().format);
        ASSERT_TRUE(dc && src);
        // Every source pixel distinct.
        for (int32_t y = 0; y < 9; ++y)
            for (int32_t x = 0; x < 9; ++x)
                poke(src, x, y, uint32_t(1 + y * 9 + x));
        bitmap = {9,
                  9,
                  GetParam().bits,
                  int32_t(src->mode.bytesPerLine),
                  src->surface,
                  nullptr,
                  GetParam().format ? &format : nullptr};
        if (GetParam().format) format = *GetParam().format;
        GDL_selectCurrentDC(dc);
    }
    void TearDown() override { GDL_exit(); }
    void clear() {
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                poke(dc, x, y, 0);
    }
    // Draws the stretch whole, then under each clip, and compares inside it.
    template <class Draw> int mismatches(Draw draw) {
        int bad = 0;
        GDL_setClipRect(dc, 0, 0, W, H);
        clear();
        draw();
        const std::vector<uint32_t> whole = snap(dc);
        for (int32_t cl = 0; cl < 8; ++cl)
            for (int32_t ct = 0; ct < 6; ct += 2) {
                GDL_setClipRect(dc, cl, ct, cl + 5 + ct, ct + 7);
                clear();
                draw();
                const std::vector<uint32_t> cut = snap(dc);
                for (int32_t y = 0; y < H; ++y)
                    for (int32_t x = 0; x < W; ++x) {
                        const bool inside = x >= cl && x < cl + 5 + ct && y >= ct && y < ct + 7;
                        const uint32_t want = inside ? whole[size_t(y * W + x)] : 0;
                        bad += cut[size_t(y * W + x)] != want;
                    }
            }
        return bad;
    }
    GdlDeviceContext* dc = nullptr;
    GdlDeviceContext* src = nullptr;
    GdlBitmap bitmap{};
    GdlPixelFormat format{};
};

TEST_P(StretchClip, ClippedStretchesShowThePixelsOfTheWholeOne) {
    for (int32_t sw = 1; sw <= 9; sw += 2)
        for (int32_t dw = 1; dw <= 20; dw += 3) {
            const int32_t sh = 10 - sw, dh = 21 - dw;
            bitmap.width = sw;
            bitmap.height = sh;
            EXPECT_EQ(mismatches([&] { GDL_stretchBitmap(dc, 1, 1, 1 + dw, 1 + dh, &bitmap); }), 0)
                << "bitmap " << sw << "x" << sh << " to " << dw << "x" << dh;
            EXPECT_EQ(
                mismatches([&] { GDL_stretchBlt(dc, src, 0, 0, sw, sh, 1, 1, 1 + dw, 1 + dh); }), 0)
                << "blit " << sw << "x" << sh << " to " << dw << "x" << dh;
        }
    // The case of the report: a 7-pixel row to 4, cut by 3, shows source pixel 6.
    bitmap.width = 7;
    bitmap.height = 1;
    GDL_setClipRect(dc, 3, 0, W, H);
    clear();
    GDL_stretchBitmap(dc, 0, 0, 4, 1, &bitmap);
    EXPECT_EQ(peek(dc, 3, 0), 1u + 6u);
}

INSTANTIATE_TEST_SUITE_P(Depths, StretchClip, ::testing::ValuesIn(kDepths),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
