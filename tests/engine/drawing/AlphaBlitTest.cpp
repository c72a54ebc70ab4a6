// The alpha blitter and its blends against the per-pixel model, the worked
// values of the blend rules, and the ways it refuses to draw.
#include "BlitFixture.h"
#include "ErrorProbe.h"
#include "gdl/draw.h"

#include <cstdlib>

namespace {

using namespace blittest;

class AlphaBlitTest : public BlitTestBase {
protected:
    // One random blit of each pair against the model; true when they agree.
    void RunCase(int sd, int dd, Shape shape, int bgW, int bgH) {
        const Sizes z = MakeSizes(shape, [&](int lo, int hi) { return Rand(lo, hi); });
        model::Image src(z.sw, z.sh, sd), dst(Rand(1, 50), Rand(1, 40), dd);
        Fill(src);
        Fill(dst);
        Background bg(bgW, bgH, dd);
        Fill(bg.image);
        const int x = Rand(-z.width, bgW), y = Rand(-z.height, bgH);
        const int dstX = Rand(-z.width, dst.w), dstY = Rand(-z.height, dst.h);
        const int alpha = Rand(0, 3) == 0 ? 255 * Rand(0, 1) : Rand(0, 255);
        model::Image expect = dst;
        model::AlphaBlit(expect, src, bg.image, z.width, z.height, x, y, dstX, dstY, alpha);
        TCanvasBlit::Blit(dst.px, src.px, src.pitch, src.w, src.h, sd, dst.pitch, dst.w, dst.h,
                          z.width, z.height, dd, x, y, dstX, dstY, alpha);
        ASSERT_EQ(dst.store, expect.store)
            << sd << " over " << dd << " shape " << int(shape) << " picture " << z.sw << "x" << z.sh
            << " drawn " << z.width << "x" << z.height << " at " << x << "," << y << " dst " << dstX
            << "," << dstY << " alpha " << alpha;
    }
};

// Every pair, every path, random pictures, sizes and places; buffers of
// exactly their size, so the sanitizer build also proves the bounds.
TEST_F(AlphaBlitTest, EveryPairAndPathMatchesTheModel) {
    for (int sd : kDepths)
        for (int dd : kDepths)
            for (Shape shape : kShapes)
                for (int n = 0; n < 12; ++n) {
                    RunCase(sd, dd, shape, Rand(1, 60), Rand(1, 50));
                    if (HasFatalFailure()) return;
                }
}

// Every pair of depths, one pixel at a time.
TEST_F(AlphaBlitTest, BlendsMatchTheModel) {
    for (int sd : kDepths)
        for (int dd : kDepths)
            for (int n = 0; n < 1000; ++n) {
                model::Image s(1, 1, sd), d(1, 1, dd);
                Fill(s);
                Fill(d);
                const int a = Rand(0, 255);
                ASSERT_EQ(BlendThroughBlit(sd, dd, s.Get(0, 0), d.Get(0, 0), a),
                          model::Blend(sd, dd, s.Get(0, 0), d.Get(0, 0), a))
                    << sd << " over " << dd << " alpha " << a;
            }
}

TEST_F(AlphaBlitTest, WorkedValues) {
    for (int a = 0; a < 256; ++a) { // the key lets the background through
        ASSERT_EQ(BlendThroughBlit(16, 16, 0x07E0, 0x1234, a), 0x1234u);
    }
    EXPECT_EQ(BlendThroughBlit(16, 16, 0xFFFF, 0, 128), 0x7BEFu); // half white: 15, 31, 15
    EXPECT_EQ(BlendThroughBlit(24, 24, 0xFFFFFF, 0xFFFFFF, 255), 0xFEFEFEu);
    EXPECT_EQ(BlendThroughBlit(24, 24, 0x00FF00, 0xFFFFFF, 128), 0xFFFFFFu); // the key
    // A top byte makes green no key; the result's top byte is clear.
    EXPECT_EQ(BlendThroughBlit(32, 32, 0x0100FF00, 0, 255), 0x0000FE00u);
}

TEST_F(AlphaBlitTest, HalfSizeTakesEveryOtherPixel) {
    model::Image src(200, 200, 32), dst(100, 100, 32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            src.Put(x, y, uint32_t(y) << 8 | uint32_t(x));
    Background bg(100, 100, 32);
    TCanvasBlit::Blit(dst.px, src.px, src.pitch, 200, 200, 32, dst.pitch, 100, 100, 100, 100, 32, 0,
                      0, 0, 0, 255);
    for (int y = 0; y < 100; y += 33)
        for (int x = 0; x < 100; x += 7) {
            const uint32_t p = dst.Get(x, y);
            EXPECT_EQ(p & 0xFF, (2u * x * 255) >> 8);
            EXPECT_EQ((p >> 8) & 0xFF, (2u * y * 255) >> 8);
        }
}

TEST_F(AlphaBlitTest, RefusalsDrawNothing) {
    model::Image src(8, 8, 16), dst(8, 8, 16);
    Fill(src);
    Fill(dst);
    const model::Image before = dst;
    Background bg(8, 8, 16);
    struct Case {
        const char* what;
        int srcDepth, dstDepth, alpha;
        bool nullDst;
    };
    const Case cases[] = {
        {"alpha 256", 16, 16, 256, false},
        {"negative alpha", 16, 16, -1, false},
        {"8-bit image", 8, 16, 128, false},
        {"background of another depth", 16, 15, 128, false},
        {"null destination", 16, 16, 128, true},
    };
    for (const Case& c : cases) {
        TCanvasBlit::Blit(c.nullDst ? nullptr : dst.px, src.px, src.pitch, 8, 8, c.srcDepth,
                          dst.pitch, 8, 8, 8, 8, c.dstDepth, 0, 0, 0, 0, c.alpha);
        EXPECT_EQ(dst.store, before.store) << c.what;
    }
    // The depth is checked inside pixel access, which ends; the main context
    // stays current.
    EXPECT_TRUE(GDL_isCurrentDC(bg.dc));
    MainSlot() = nullptr; // no display
    TCanvasBlit::Blit(dst.px, src.px, src.pitch, 8, 8, 16, dst.pitch, 8, 8, 8, 8, 16, 0, 0, 0, 0,
                      128);
    EXPECT_EQ(dst.store, before.store);
}

TEST_F(AlphaBlitTest, BufferFailureReportsTheMembersLine) {
    struct Case {
        int sd, dd, line;
    };
    const Case cases[] = {{32, 32, 3602}, {24, 16, 4823}, {16, 16, 5439}, {15, 32, 6660}};
    for (const Case& c : cases) {
        TError::ClearLists();
        model::Image src(4, 4, c.sd), dst(8, 8, c.dd);
        Fill(src);
        const model::Image before = dst;
        Background bg(8, 8, c.dd);
        TCanvasBlit::SetBufferHeap([](size_t) -> void* { return nullptr; }, [](void*) {});
        TCanvasBlit::Blit(dst.px, src.px, src.pitch, 4, 4, c.sd, dst.pitch, 8, 8, 8, 8, c.dd, 0, 0,
                          0, 0, 128);
        TCanvasBlit::SetBufferHeap(nullptr, nullptr);
        EXPECT_EQ(dst.store, before.store);
        ASSERT_NE(NewestError(), nullptr);
        EXPECT_EQ(NewestError()->code, 9);
        EXPECT_STREQ(NewestError()->source.c_str(), "Source\\TCanvas");
        EXPECT_EQ(NewestError()->line, c.line);
    }
    TError::ClearLists();
}

} // namespace
