// The loops of the xRGB to 16-bit conversion: each gives the pixels of
// unpacking to eight bits and packing into 5:6:5 or 5:5:5, for every run
// length, and writes nothing past the pixels it says it did.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "../../graphics/render_packed.h"
#include "gdl/pixelformat.h"

namespace {

using gdl_packed::XrgbLoop;

TEST(PackedConvertTest, EveryLoopPacksAsTheFormatDoes) {
    uint32_t seed = 11;
    std::vector<uint32_t> src(80);
    for (uint32_t& p : src) {
        seed = seed * 1664525u + 1013904223u;
        p = seed ^ (seed << 7); // the top byte varies too and must be ignored
    }
    for (bool five : {false, true}) {
        const GdlPixelFormat* format = five ? &GDL_pixelFormat555 : &GDL_pixelFormat565;
        for (XrgbLoop loop : {XrgbLoop::kPortable, XrgbLoop::kSse2, XrgbLoop::kAvx2})
            for (int32_t n = 0; n <= 70; ++n) {
                std::vector<uint16_t> out(size_t(n) + 1, 0xBEEF);
                const int32_t done = gdl_packed::xrgbTo16Run(
                    reinterpret_cast<uint8_t*>(out.data()),
                    reinterpret_cast<const uint8_t*>(src.data()), n, five, loop);
                ASSERT_LE(done, n);
                if (loop == XrgbLoop::kPortable) {
                    EXPECT_EQ(done, n);
                }
                for (int32_t i = 0; i < done; ++i) {
                    const uint32_t p = src[size_t(i)];
                    const uint32_t want =
                        GDL_packColor(format, uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p));
                    ASSERT_EQ(out[size_t(i)], want)
                        << "loop " << int(loop) << ", " << (five ? "5:5:5" : "5:6:5") << ", n " << n
                        << ", pixel " << i;
                }
                for (int32_t i = done; i <= n; ++i)
                    ASSERT_EQ(out[size_t(i)], 0xBEEF) << "written past the pixels done";
            }
    }
}

} // namespace
