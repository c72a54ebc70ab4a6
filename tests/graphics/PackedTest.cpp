// The packed-pixel renderers, driven entry by entry on memory contexts at
// every byte depth and checked against reference pixels computed here from
// the rules (pixels are read back straight from the surface bytes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FixedPoint.h"
#include "gdl/bitmap.h"
#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/memory.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "PackedDepths.h"

namespace {

using namespace packedtest;

constexpr int32_t W = 40, H = 24;

uint32_t maskOf(int32_t bits) {
    int32_t b = bytesOf(bits) * 8;
    return b >= 32 ? 0xFFFFFFFFu : (1u << b) - 1;
}

// What a write mode leaves, worked out bit by bit from its truth table (bit
// `2 * old + new` of the entry): replace, AND, OR, XOR; the context's other
// modes act as AND.
uint32_t combine(uint32_t d, uint32_t v, int32_t op) {
    static const uint8_t kTruth[4] = {0b1010, 0b1000, 0b1110, 0b0110};
    const uint8_t truth = kTruth[op >= 0 && op <= 3 ? op : 1];
    uint32_t out = 0;
    for (int bit = 0; bit < 32; ++bit) {
        const uint32_t index = ((d >> bit) & 1) * 2 + ((v >> bit) & 1);
        out |= uint32_t((truth >> index) & 1) << bit;
    }
    return out;
}

using Image = std::vector<uint32_t>;

Image snapshot(const GdlDeviceContext* dc) {
    Image img(size_t(W * H));
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            img[size_t(y * W + x)] = peek(dc, x, y);
    return img;
}

void scramble(GdlDeviceContext* dc, uint32_t seed) {
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            seed = seed * 1664525u + 1013904223u;
            poke(dc, x, y, (seed >> 8) & maskOf(int32_t(dc->mode.bitsPerPixel)));
        }
}

class PackedTest : public ::testing::TestWithParam<Depth> {
protected:
    void SetUp() override {
        PACK_registerDrivers();
        dc_ = GDL_createMemoryDC(W, H, GetParam().bits, GetParam().format);
        ASSERT_NE(dc_, nullptr) << GDL_lastResult();
        other_ = GDL_createMemoryDC(W, H, GetParam().bits, GetParam().format);
        ASSERT_NE(other_, nullptr);
        GDL_selectCurrentDC(dc_);
        s = &GDL_stateBlock;
        mask = maskOf(GetParam().bits);
        color = 0xA5C3E7F1u & mask;
        back = 0x5A3C1E0Fu & mask;
        s->v.setColor(color);
        s->v.setBackColor(back);
    }
    void TearDown() override {
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(other_);
        GDL_destroyDC(dc_);
    }
    void setMode(int32_t op) { s->v.setWriteMode(op); }

    GdlDeviceContext* dc_ = nullptr;
    GdlDeviceContext* other_ = nullptr;
    GdlDeviceContext* s = nullptr;
    uint32_t mask = 0, color = 0, back = 0;
};

TEST_P(PackedTest, SpansKeepTheirEndsInEveryWriteMode) {
    struct Span {
        int32_t y, x1, x2;
    };
    const Span spans[] = {{3, 5, 17}, {4, 17, 5}, {6, 9, 9}, {7, 0, W}, {8, 38, 39}};
    for (int32_t op = 0; op < 4; ++op) {
        scramble(s, 77u + uint32_t(op));
        Image expect = snapshot(s);
        setMode(op);
        GdlSpanFunc span = s->v.tables[op == 0 ? 0 : 1].span;
        for (const Span& sp : spans) {
            span(sp.y, sp.x1, sp.x2);
            for (int32_t x = std::min(sp.x1, sp.x2); x < std::max(sp.x1, sp.x2); ++x) {
                uint32_t& e = expect[size_t(sp.y * W + x)];
                e = combine(e, color, op) & mask;
            }
        }
        EXPECT_EQ(snapshot(s), expect) << "write mode " << op;
    }
}

TEST_P(PackedTest, PixelsRoundTripWithWriteModes) {
    for (int32_t op = 0; op < 4; ++op) {
        scramble(s, 5u + uint32_t(op));
        uint32_t old = peek(s, 13, 9);
        setMode(op);
        s->v.putPixel(13, 9);
        EXPECT_EQ(peek(s, 13, 9), combine(old, color, op) & mask);
        EXPECT_EQ(s->v.getPixel(13, 9), peek(s, 13, 9));
        EXPECT_EQ(peek(s, 12, 9), snapshot(s)[size_t(9 * W + 12)]);
    }
}

TEST_P(PackedTest, EmptyRectanglesDrawNothingInAnyTable) {
    scramble(s, 9);
    Image before = snapshot(s);
    for (int32_t t = 0; t < GDL_RENDER_TABLES; ++t) {
        s->v.tables[t].fillRect(5, 2, 5, 9);
        s->v.tables[t].fillRect(5, 2, 12, 2);
    }
    EXPECT_EQ(snapshot(s), before);
}

TEST_P(PackedTest, RectangleSpanListAndTrapezoidFillWithTheColour) {
    scramble(s, 11);
    Image expect = snapshot(s);
    auto mark = [&](int32_t y, int32_t a, int32_t b) {
        for (int32_t x = std::min(a, b); x < std::max(a, b); ++x)
            expect[size_t(y * W + x)] = color;
    };
    setMode(0);
    s->v.tables[0].fillRect(3, 1, 11, 4);
    for (int32_t y = 1; y < 4; ++y)
        mark(y, 3, 11);
    const GdlSpan16 list[3] = {{2, 9}, {9, 2}, {4, 4}};
    s->v.tables[0].spanList(5, 3, list);
    mark(5, 2, 9);
    mark(6, 2, 9);
    GdlEdgeWalker w{10, 3, fx(2), fx(10), fx(1), -fx(1)};
    GdlEdgeWalker none{10, 0, fx(2), fx(10), fx(1), -fx(1)};
    s->v.tables[0].trapezoid(&none);
    EXPECT_EQ(none.row, 10);
    EXPECT_EQ(none.leftX, fx(2));
    s->v.tables[0].trapezoid(&w);
    mark(10, 2, 10);
    mark(11, 3, 9);
    mark(12, 4, 8);
    EXPECT_EQ(w.row, 13);
    EXPECT_EQ(w.leftX, fx(5));
    EXPECT_EQ(w.rightX, fx(7));
    EXPECT_EQ(snapshot(s), expect);
}

TEST_P(PackedTest, LinesIncludeBothEndsAndXorTakesTheTie) {
    std::memset(s->surface, 0, size_t(s->mode.bytesPerLine) * H);
    setMode(0);
    s->v.tables[0].line(0, 0, fx(10), 0);
    int32_t drawn = 0;
    for (int32_t x = 0; x < W; ++x)
        drawn += peek(s, x, 0) != 0;
    EXPECT_EQ(drawn, 11);
    EXPECT_EQ(peek(s, 10, 0), color);
    s->v.tables[0].line(fx(20) + 0x3000, fx(5) + 0x2000, fx(20) + 0x5000, fx(5) + 0x1000);
    EXPECT_EQ(peek(s, 20, 5), color);
    EXPECT_EQ(peek(s, 21, 5), 0u);
    // From (0, 10) to (2, 11) the decision value is 0 at the first pixel.
    s->v.tables[0].line(0, fx(10), fx(2), fx(11));
    EXPECT_EQ(peek(s, 1, 10), color);
    EXPECT_EQ(peek(s, 1, 11), 0u);
    setMode(3);
    s->v.tables[1].line(fx(5), fx(10), fx(7), fx(11));
    EXPECT_EQ(peek(s, 6, 10), 0u);
    EXPECT_EQ(peek(s, 6, 11), color);
    // Replace-mode lines agree with the library's line walker.
    std::memset(s->surface, 0, size_t(s->mode.bytesPerLine) * H);
    setMode(0);
    const int32_t lines[][4] = {{fx(1), fx(2), fx(30) + 0x4000, fx(9) + 0x9000},
                                {fx(3), fx(20), fx(8), fx(1) + 0x7000},
                                {fx(12), fx(3), fx(12), fx(15)}};
    Image expect = snapshot(s);
    static Image* target;
    static uint32_t paint;
    target = &expect;
    paint = color;
    for (const auto& l : lines) {
        s->v.tables[0].line(l[0], l[1], l[2], l[3]);
        GDL_lineCoord(l[0], l[1], l[2], l[3],
                      [](int32_t x, int32_t y) { (*target)[size_t(y * W + x)] = paint; });
    }
    EXPECT_EQ(snapshot(s), expect);
}

// In a logical write mode only the solid one-pixel table and the
// colour-mapped one take the minor step on a tie of the decision value; the
// patterned and wide-pen tables keep the library's line, which takes it only
// past the tie, as every line in replace mode does.
TEST_P(PackedTest, OnlyTheSolidAndColourMappedLogicalLinesTakeTheTie) {
    for (int32_t op = 0; op < 4; ++op)
        for (int32_t table = op == 0 ? 0 : 1; table < 9; ++table) {
            // (The library takes table 0 only in replace mode.)
            SCOPED_TRACE(testing::Message() << "mode " << op << " table " << table);
            std::memset(s->surface, 0, size_t(s->mode.bytesPerLine) * H);
            setMode(op);
            if (op == 1) std::memset(s->surface, 0xFF, size_t(s->mode.bytesPerLine) * H);
            // From (0, 10) to (2, 11) the decision value is 0 at the first pixel.
            s->v.tables[table].line(0, fx(10), fx(2), fx(11));
            const uint32_t field = op == 1 ? mask : 0;
            const bool tie = op != 0 && (table == 1 || table == 8);
            EXPECT_NE(peek(s, 0, 10), field);
            EXPECT_EQ(peek(s, 1, 10) != field, !tie);
            EXPECT_EQ(peek(s, 1, 11) != field, tie);
            EXPECT_NE(peek(s, 2, 11), field);
        }
    setMode(0);
}

TEST_P(PackedTest, StyledLinesUseTheStyleFromThePhase) {
    scramble(s, 15);
    Image before = snapshot(s);
    s->attr.lineStyle = 0x5; // bits 0 and 2: draw, skip, draw, then from bit 0 again
    s->attr.lineStylePos = 0;
    setMode(3); // styled lines replace whatever the write mode
    s->v.styledLine(fx(2), fx(3), fx(9), fx(3));
    const bool drawn[8] = {true, false, true, true, false, true, true, false};
    for (int32_t i = 0; i < 8; ++i)
        EXPECT_EQ(peek(s, 2 + i, 3), drawn[i] ? color : before[size_t(3 * W + 2 + i)]) << i;
    EXPECT_EQ(s->attr.lineStylePos, 8u);
    s->attr.lineStylePos = 1; // starting on the clear bit
    s->v.styledLine(fx(2), fx(5), fx(4), fx(5));
    EXPECT_EQ(peek(s, 2, 5), before[size_t(5 * W + 2)]);
    EXPECT_EQ(peek(s, 3, 5), color);
    EXPECT_EQ(peek(s, 4, 5), color);
}

TEST_P(PackedTest, PatternSpansFollowDeviceColumns) {
    const uint8_t pattern[8] = {0x80, 0xFF, 0, 0, 0, 0, 0, 0};
    s->v.setMonoPattern(pattern);
    for (int32_t style : {1, 2}) {
        scramble(s, 21u + uint32_t(style));
        Image before = snapshot(s);
        s->v.setFillStyle(style);
        setMode(0);
        s->v.tables[2].span(0, 0, 16);
        for (int32_t x = 0; x < 20; ++x) {
            uint32_t want = before[size_t(x)];
            if (x < 16) want = (x % 8 == 0) ? color : (style == 1 ? back : want);
            EXPECT_EQ(peek(s, x, 0), want) << "style " << style << " x " << x;
        }
    }
    uint32_t colors[64];
    for (int32_t i = 0; i < 64; ++i)
        colors[i] = (0x01020304u * uint32_t(i + 1)) & mask;
    s->v.setColorPattern(colors);
    s->v.setFillStyle(3);
    setMode(3); // the colour pattern ignores the write mode
    s->v.tables[3].span(10, 14, 3);
    for (int32_t x = 3; x < 14; ++x)
        EXPECT_EQ(peek(s, x, 10), colors[(10 % 8) * 8 + x % 8]);
}

TEST_P(PackedTest, MonoImageClipsToTheDeviceClipRectangle) {
    const uint8_t bits[10] = {0xA5, 0xFF, 0x81, 0x3C, 0x00, 0x7E, 0xC3, 0x18, 0xF0, 0x0F};
    struct Case {
        GdlRect clip;
        int32_t x, y, op;
    };
    const Case cases[] = {
        {{0, 0, W, H}, 5, 3, 0},    // wholly inside
        {{0, 0, 21, 8}, 5, 3, 0},   // touching the right and bottom edges exactly
        {{4, 2, 14, 5}, 1, 1, 0},   // half outside on every side
        {{4, 2, 14, 5}, 1, 1, 3},   // the same in XOR
        {{30, 20, 40, 24}, 1, 1, 0} // wholly outside
    };
    for (const Case& c : cases) {
        scramble(s, 31);
        Image expect = snapshot(s);
        s->clipDevice = c.clip;
        setMode(c.op);
        s->v.putMonoImage(s, c.x, c.y, 2, 5, bits);
        for (int32_t r = 0; r < 5; ++r)
            for (int32_t i = 0; i < 16; ++i) {
                int32_t x = c.x + i, y = c.y + r;
                if (!(bits[r * 2 + i / 8] & (0x80 >> (i % 8)))) continue;
                if (x < c.clip.left || x >= c.clip.right || y < c.clip.top || y >= c.clip.bottom)
                    continue;
                uint32_t& e = expect[size_t(y * W + x)];
                e = combine(e, color, c.op) & mask;
            }
        EXPECT_EQ(snapshot(s), expect) << c.clip.right << " " << c.op;
    }
}

TEST_P(PackedTest, RowEntriesCombineAndKey) {
    const int32_t n = bytesOf(GetParam().bits);
    for (int32_t width : {0, 1, 7, 8, 9, 17}) {
        for (int32_t op = 0; op < 4; ++op) {
            scramble(s, 41u + uint32_t(width));
            Image before = snapshot(s);
            std::vector<uint8_t> buf(size_t(W * 4), 0x5A);
            std::vector<uint8_t> keep = buf;
            s->v.getRow(s, 2, 3, 3 + width, buf.data(), 0, op);
            for (int32_t i = 0; i < width; ++i) {
                uint32_t b = 0, k = 0;
                std::memcpy(&b, &buf[size_t(i * n)], size_t(n));
                std::memcpy(&k, &keep[size_t(i * n)], size_t(n));
                EXPECT_EQ(b, combine(k, before[size_t(2 * W + 3 + i)], op) & mask);
            }
            s->v.putRow(s, 4, 3, 3 + width, keep.data(), 0, op);
            Image expect = before;
            for (int32_t i = 0; i < width; ++i) {
                uint32_t k = 0;
                std::memcpy(&k, &keep[size_t(i * n)], size_t(n));
                uint32_t& e = expect[size_t(4 * W + 3 + i)];
                e = combine(e, k, op) & mask;
            }
            EXPECT_EQ(snapshot(s), expect) << width << " " << op;
        }
        // Key rows: every second source cell is the key.
        scramble(s, 51u + uint32_t(width));
        Image before = snapshot(s);
        const uint32_t key = before[size_t(6 * W + 4)];
        std::vector<uint8_t> src(size_t(W * 4));
        for (int32_t i = 0; i < width; ++i) {
            uint32_t v = (i % 2) ? key : ((0x00F1E2D3u + uint32_t(i)) & mask);
            std::memcpy(&src[size_t(i * n)], &v, size_t(n));
        }
        s->v.putRowSrcKey(s, 5, 2, 2 + width, src.data(), key);
        s->v.putRowDstKey(s, 6, 2, 2 + width, src.data(), key);
        Image expect = before;
        for (int32_t i = 0; i < width; ++i) {
            uint32_t v = 0;
            std::memcpy(&v, &src[size_t(i * n)], size_t(n));
            if (v != key) expect[size_t(5 * W + 2 + i)] = v;
            if (before[size_t(6 * W + 2 + i)] == key) expect[size_t(6 * W + 2 + i)] = v;
        }
        EXPECT_EQ(snapshot(s), expect) << "keys " << width;
    }
}

TEST_P(PackedTest, DoubledAndStretchedRows) {
    const int32_t n = bytesOf(GetParam().bits);
    std::vector<uint8_t> src(64);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = uint8_t(i * 37 + 1);
    auto cell = [&](int32_t i) {
        uint32_t v = 0;
        std::memcpy(&v, &src[size_t(i * n)], size_t(n));
        return v;
    };
    scramble(s, 61);
    s->v.putRowDoubled(s, 1, 3, 5, src.data());
    for (int32_t i = 0; i < 10; ++i)
        EXPECT_EQ(peek(s, 3 + i, 1), cell(i / 2));
    const uint32_t repeats[4] = {2, 0, 1, 3};
    s->v.putRowStretched(s, 2, 1, 4, src.data(), repeats);
    const int32_t want[6] = {0, 0, 2, 3, 3, 3};
    for (int32_t i = 0; i < 6; ++i)
        EXPECT_EQ(peek(s, 1 + i, 2), cell(want[i]));
}

TEST_P(PackedTest, SaveUnderWidensToWordsAndRestores) {
    const int32_t bits = GetParam().bits;
    auto widened = [&](int32_t l, int32_t r) {
        int32_t a = bits == 32 ? 1 : (bytesOf(bits) == 2 ? 2 : 4);
        return ((r + a - 1) / a * a - l / a * a) * bytesOf(bits);
    };
    EXPECT_EQ(s->v.saveRectSize(s, 1, 2, 4, 4), widened(1, 4) * 2 + 18);
    EXPECT_EQ(s->v.saveRectSize(s, 1, 0, 5, 1), widened(1, 5) + 18);
    if (bits == 32) {
        EXPECT_EQ(s->v.saveRectSize(s, 1, 2, 4, 4), 42);
    }
    if (bits == 24) {
        EXPECT_EQ(widened(1, 5), 24);
    }
    scramble(s, 71);
    Image before = snapshot(s);
    std::vector<uint8_t> buffer(size_t(s->v.saveRectSize(s, 1, 2, 6, 5)));
    s->v.saveRect(s, 1, 2, 6, 5, buffer.data());
    EXPECT_EQ(buffer[0] | buffer[1] << 8, widened(1, 6));
    EXPECT_EQ(buffer[2] | buffer[3] << 8, 3);
    scramble(s, 72);
    s->v.restoreRect(s, buffer.data());
    for (int32_t y = 2; y < 5; ++y)
        for (int32_t x = 1; x < 6; ++x)
            EXPECT_EQ(peek(s, x, y), before[size_t(y * W + x)]);
}

TEST_P(PackedTest, StretchBlitRepeatsAndDropsColumns) {
    for (int32_t x = 0; x < 8; ++x)
        for (int32_t y = 0; y < 2; ++y)
            poke(other_, x, y, (0x10203 * uint32_t(x + 1) + uint32_t(y)) & mask);
    auto src = [&](int32_t x, int32_t y) { return peek(other_, x, y); };
    std::memset(s->surface, 0, size_t(s->mode.bytesPerLine) * H);
    s->v.stretchBlit(s, other_, 0, 0, 8, 2, 0, 0, 0x20000, 0x10000, nullptr, 1, 0, 0);
    for (int32_t x = 0; x < 16; ++x)
        EXPECT_EQ(peek(s, x, 1), src(x / 2, 1));
    s->v.stretchBlit(s, other_, 0, 0, 8, 2, 0, 4, 0x8000, 0x8000, nullptr, 1, 0, 0);
    for (int32_t x = 0; x < 4; ++x)
        EXPECT_EQ(peek(s, x, 4), src(2 * x, 0));
    EXPECT_EQ(peek(s, 4, 4), 0u);
    EXPECT_EQ(peek(s, 0, 5), 0u);
    s->v.blitZoom2(s, other_, 0, 0, 8, 2, 0, 8, nullptr, 1);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 16; ++x)
            EXPECT_EQ(peek(s, x, 8 + y), src(x / 2, y / 2));
    s->v.blitRowDoubled(s, other_, 2, 0, 6, 2, 20, 14, nullptr, 1);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(peek(s, 20 + x, 14 + y), src(2 + x, y / 2));
}

TEST_P(PackedTest, TransparentBlitsTestEveryPixel) {
    scramble(other_, 81);
    scramble(s, 82);
    const uint32_t key = peek(other_, 3, 1);
    for (int32_t x = 0; x < W; x += 3)
        poke(other_, x, 1, key); // plenty of key pixels in the source row
    for (int32_t x = 0; x < W; x += 4)
        poke(s, x, 2, key);
    Image before = snapshot(s);
    s->v.srcTransparentBlt(s, other_, 1, 1, 30, 2, 2, 1, 0, key);
    s->v.dstTransparentBlt(s, other_, 1, 1, 30, 2, 2, 2, 0, key);
    Image expect = before;
    for (int32_t i = 0; i < 29; ++i) {
        uint32_t v = peek(other_, 1 + i, 1);
        if (v != key) expect[size_t(1 * W + 2 + i)] = v;
        if (before[size_t(2 * W + 2 + i)] == key) expect[size_t(2 * W + 2 + i)] = v;
    }
    EXPECT_EQ(snapshot(s), expect);
}

TEST_P(PackedTest, ScansStopAtTheRowEnds) {
    scramble(s, 91);
    const uint32_t c = 0x00123456u & mask;
    for (int32_t x = 0; x < W; ++x)
        poke(s, x, 3, c ^ 1);
    EXPECT_EQ(s->v.scanRightTo(5, 3, c), W);
    EXPECT_EQ(s->v.scanLeftTo(0, 3, c), -1);
    poke(s, 20, 3, c);
    EXPECT_EQ(s->v.scanRightTo(5, 3, c), 20);
    EXPECT_EQ(s->v.scanLeftTo(30, 3, c), 20);
    for (int32_t x = 10; x < 15; ++x)
        poke(s, x, 4, c);
    poke(s, 9, 4, c ^ 1);
    poke(s, 15, 4, c ^ 1);
    EXPECT_EQ(s->v.scanRightWhile(10, 4, c), 15);
    EXPECT_EQ(s->v.scanLeftWhile(14, 4, c), 9);
    EXPECT_EQ(s->v.scanRightWhile(9, 4, c), 9);
}

TEST_P(PackedTest, CopyWithinHandlesOverlap) {
    scramble(s, 101);
    Image before = snapshot(s);
    s->v.copyWithin(2, 2, 12, 8, 5, 4, 0, 0);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 10; ++x)
            EXPECT_EQ(peek(s, 5 + x, 4 + y), before[size_t((2 + y) * W + 2 + x)]);
    scramble(s, 102);
    before = snapshot(s);
    s->v.copyWithin(3, 1, 13, 2, 6, 1, 3, 1); // XOR along the same row, to the right
    for (int32_t x = 0; x < 10; ++x)
        EXPECT_EQ(peek(s, 6 + x, 1),
                  (before[size_t(W + 6 + x)] ^ before[size_t(W + 3 + x)]) & mask);
}

TEST_P(PackedTest, MemoryCopiesBothWays) {
    const int32_t n = bytesOf(GetParam().bits);
    scramble(s, 111);
    std::vector<uint8_t> mem(size_t(16 * n * 8), 0);
    s->v.copyToMemory(4, 2, 9, 5, 1, 1, 0, mem.data(), 16 * n);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) {
            uint32_t v = 0;
            std::memcpy(&v, &mem[size_t((1 + y) * 16 * n + (1 + x) * n)], size_t(n));
            EXPECT_EQ(v, peek(s, 4 + x, 2 + y));
        }
    Image before = snapshot(s);
    s->v.copyFromMemory(1, 1, 6, 4, 20, 10, 3, mem.data(), 16 * n, nullptr);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            EXPECT_EQ(peek(s, 20 + x, 10 + y),
                      before[size_t((10 + y) * W + 20 + x)] ^ before[size_t((2 + y) * W + 4 + x)]);
}

INSTANTIATE_TEST_SUITE_P(Depths, PackedTest, ::testing::ValuesIn(kDepths),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Depth-specific rules ------------------------------------------------------------

class PackedDriverTest : public ::testing::Test {
protected:
    void SetUp() override { PACK_registerDrivers(); }
    void TearDown() override {
        GDL_selectCurrentDC(nullptr);
        GDL_destroyAllMemoryDCs();
    }
};

TEST_F(PackedDriverTest, EightBitColourMapDithersToTheCube) {
    GdlDeviceContext* dc = GDL_createMemoryDC(16, 16, 8, nullptr);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GdlDeviceContext* s = &GDL_stateBlock;
    s->v.setColor(0x00FFFFFF);
    s->v.tables[8].span(0, 0, 16);
    s->v.setColor(0);
    s->v.tables[8].span(1, 16, 0);
    for (int32_t x = 0; x < 16; ++x) {
        EXPECT_EQ(s->surface[x], 235);
        EXPECT_EQ(s->surface[s->mode.bytesPerLine + uint32_t(x)], 20);
    }
    // 51 in every channel is level 1 everywhere; 50 in red is level 1 only
    // where the threshold is below 50.
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            s->v.setColor(0x00333333);
            s->v.putDitheredPixel(x, y);
            EXPECT_EQ(s->surface[y * int32_t(s->mode.bytesPerLine) + x], 20 + 1 + 6 + 36);
            s->v.setColor(0x00320000);
            s->v.putDitheredPixel(x + 8, y);
            int want = GDL_ditherMatrix[y][(x + 8) & 7] >= 50 ? 20 : 21;
            EXPECT_EQ(s->surface[y * int32_t(s->mode.bytesPerLine) + x + 8], want);
        }
    // The packed colour of an index fills all four bytes.
    s->v.setColor(0x7C);
    EXPECT_EQ(s->packedColor, 0x7C7C7C7Cu);
}

// Blits into 4-bit contexts arrive through their row entries, built on
// single pixels; rows are in the bitmap form (even pixel in the high four
// bits).
TEST_F(PackedDriverTest, FourBitContextsReceiveBitmapsThroughTheirRows) {
    GdlPaletteEntry grey[256] = {};
    for (int32_t i = 0; i < 256; ++i)
        grey[i] = {uint8_t(i * 17), uint8_t(i * 17), uint8_t(i * 17), 0};
    GdlDeviceContext* four = GDL_createMemoryDC(8, 2, 4, nullptr);
    ASSERT_NE(four, nullptr);
    GDL_setPalette(four, grey, 16, 0);
    uint8_t nibbles[8] = {0x12, 0x34, 0, 0, 0x56, 0x78, 0, 0};
    GdlBitmap bmp4{4, 2, 4, 4, nibbles, grey, nullptr};
    GDL_putBitmap(four, 2, 0, &bmp4, 0);
    GDL_selectCurrentDC(four);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            uint32_t want = (x >= 2 && x < 6) ? uint32_t(1 + 4 * y + (x - 2)) : 0u;
            EXPECT_EQ(GDL_getPixel(x, y), want) << x << "," << y;
        }
    // The context keeps its own layout: even x in the low four bits.
    EXPECT_EQ(four->surface[1], 0x21);
    GDL_selectCurrentDC(nullptr);
    // A move within the context goes out through the row read and back in.
    GDL_bitBlt(four, four, 2, 0, 6, 1, 1, 1, 0);
    GDL_selectCurrentDC(four);
    for (int32_t x = 0; x < 8; ++x)
        EXPECT_EQ(GDL_getPixel(x, 1), (x >= 1 && x < 5) ? uint32_t(x) : (x == 5 ? 8u : 0u)) << x;
}

TEST_F(PackedDriverTest, SixteenBitColourFillsBothHalves) {
    GdlDeviceContext* dc = GDL_createMemoryDC(8, 2, 16, &GDL_pixelFormat565);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GDL_stateBlock.v.setColor(0xF81F);
    EXPECT_EQ(GDL_stateBlock.packedColor, 0xF81FF81Fu);
}

TEST_F(PackedDriverTest, TwentyFourBitScansCompareAllThreeBytes) {
    GdlDeviceContext* dc = GDL_createMemoryDC(8, 2, 24, &GDL_pixelFormatRGB);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GdlDeviceContext* s = &GDL_stateBlock;
    for (int32_t x = 0; x < 8; ++x) {
        s->surface[3 * x + 0] = 0x00; // blue differs
        s->surface[3 * x + 1] = 0x11; // green differs
        s->surface[3 * x + 2] = 0xAB; // red matches
    }
    EXPECT_EQ(s->v.scanRightWhile(2, 0, 0xAB2233), 2);
    EXPECT_EQ(s->v.scanRightTo(2, 0, 0xAB2233), 8);
}

TEST_F(PackedDriverTest, FourBitPixelsSitEvenLow) {
    GdlDeviceContext* dc = GDL_createMemoryDC(8, 2, 4, nullptr);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GdlDeviceContext* s = &GDL_stateBlock;
    s->v.setWriteMode(0);
    s->v.setColor(0x3);
    s->v.putPixel(0, 0);
    s->v.setColor(0xC);
    s->v.putPixel(1, 0);
    EXPECT_EQ(s->surface[0], 0xC3);
    EXPECT_EQ(s->v.getPixel(0, 0), 3u);
    EXPECT_EQ(s->v.getPixel(1, 0), 12u);
    const uint8_t expect[4] = {0xC3 & 0x5F, 0xC3 | 0x50, 0xC3 ^ 0x50, 0xC3};
    for (int32_t op = 1; op < 4; ++op) {
        s->surface[0] = 0xC3;
        s->v.setWriteMode(op);
        s->v.setColor(0x5);
        s->v.putPixel(1, 0);
        EXPECT_EQ(s->surface[0], expect[op - 1]) << op;
    }
    EXPECT_EQ(s->v.saveRectSize(s, 1, 0, 6, 2), (5 / 2 - 1 / 2 + 1) * 2 + 18);
    // Fills go through the render core and the pixel writer.
    s->v.setWriteMode(0);
    s->v.setColor(0x7);
    s->v.tables[0].fillRect(1, 1, 4, 2);
    for (int32_t x = 0; x < 6; ++x)
        EXPECT_EQ(s->v.getPixel(x, 1), (x >= 1 && x < 4) ? 7u : 0u) << x;
}

TEST_F(PackedDriverTest, SubByteSaveUnderKeepsWholeBytes) {
    for (int32_t bits : {1, 4}) {
        GdlDeviceContext* dc = GDL_createMemoryDC(32, 4, bits, nullptr);
        ASSERT_NE(dc, nullptr);
        GDL_selectCurrentDC(dc);
        GdlDeviceContext* s = &GDL_stateBlock;
        for (uint32_t i = 0; i < s->mode.bytesPerLine * 4; ++i)
            s->surface[i] = uint8_t(i * 29 + 3);
        std::vector<uint8_t> before(s->surface, s->surface + s->mode.bytesPerLine * 4);
        const int32_t perByte = bits == 1 ? 8 : 2;
        const int32_t size = s->v.saveRectSize(s, 3, 1, 13, 3);
        EXPECT_EQ(size, ((13 - 1) / perByte - 3 / perByte + 1) * 2 + 18) << bits;
        std::vector<uint8_t> buffer(static_cast<size_t>(size));
        s->v.saveRect(s, 3, 1, 13, 3, buffer.data());
        std::memset(s->surface, 0, s->mode.bytesPerLine * 4);
        s->v.restoreRect(s, buffer.data());
        for (int32_t y = 1; y < 3; ++y)
            for (int32_t x = 3; x < 13; ++x) {
                const uint8_t b = before[size_t(y) * s->mode.bytesPerLine + size_t(x / perByte)];
                const uint32_t want = bits == 1 ? uint32_t((b >> (7 - x % 8)) & 1)
                                                : uint32_t((b >> (4 * (x % 2))) & 15);
                EXPECT_EQ(s->v.getPixel(x, y), want) << bits;
            }
        GDL_selectCurrentDC(nullptr);
    }
}

TEST_F(PackedDriverTest, OneBitPixelsAndSpans) {
    GdlDeviceContext* dc = GDL_createMemoryDC(40, 2, 1, nullptr);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GdlDeviceContext* s = &GDL_stateBlock;
    s->v.setWriteMode(0);
    s->v.setColor(1);
    s->v.putPixel(0, 0);
    EXPECT_EQ(s->surface[0], 0x80);
    EXPECT_EQ(s->v.getPixel(0, 0), 1u);
    EXPECT_EQ(s->v.getPixel(7, 0), 0u);
    // Spans in every write mode against a per-bit reference.
    auto bit = [&](int32_t x) { return (s->surface[x >> 3] >> (7 - (x & 7))) & 1; };
    for (int32_t op = 0; op < 4; ++op)
        for (uint32_t c : {0u, 1u})
            for (auto [a, b] : {std::pair{3, 29}, std::pair{9, 12}, std::pair{16, 8}}) {
                uint8_t seed[5] = {0x5A, 0xC3, 0x0F, 0xF0, 0x99};
                std::memcpy(s->surface, seed, 5);
                int want[40];
                for (int32_t x = 0; x < 40; ++x) {
                    int old = bit(x);
                    want[x] = (x >= std::min(a, b) && x < std::max(a, b))
                                  ? int(combine(uint32_t(old), c, op) & 1)
                                  : old;
                }
                s->v.setWriteMode(op);
                s->v.setColor(c);
                s->v.tables[op == 0 ? 0 : 1].span(0, a, b);
                for (int32_t x = 0; x < 40; ++x)
                    ASSERT_EQ(bit(x), want[x]) << op << " " << c << " " << a << " " << x;
            }
}

TEST_F(PackedDriverTest, LayoutsAreCheckedByDepth) {
    EXPECT_NE(GDL_createMemoryDC(4, 4, 32, &GDL_pixelFormatARGB), nullptr);
    EXPECT_NE(GDL_createMemoryDC(4, 4, 32, &GDL_pixelFormatBGRA), nullptr);
    EXPECT_NE(GDL_createMemoryDC(4, 4, 15, &GDL_pixelFormat555), nullptr);
    EXPECT_EQ(GDL_createMemoryDC(4, 4, 16, &GDL_pixelFormat555), nullptr);
    EXPECT_EQ(GDL_lastResult(), GDL_NO_MEMORY); // the library reports a failed init as -10
    EXPECT_EQ(GDL_createMemoryDC(4, 4, 24, &GDL_pixelFormat565), nullptr);
    GdlDeviceContext probe{};
    probe.mode.bitsPerPixel = 16;
    probe.format = GDL_pixelFormat555;
    EXPECT_EQ(PACK16_init(&probe), 0);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_PIXEL_FORMAT);
}

TEST_F(PackedDriverTest, SharedStateIsCountedAndCallerSurfacesKept) {
    GdlDeviceContext* a = GDL_createMemoryDC(4, 4, 24, nullptr);
    GdlDeviceContext* b = GDL_createMemoryDC(4, 4, 24, nullptr);
    ASSERT_TRUE(a && b);
    ASSERT_NE(PACK_driverState(24), nullptr);
    EXPECT_EQ(PACK_driverState(24)->refCount, 2);
    EXPECT_EQ(a->mode.bytesPerLine, 12u);
    EXPECT_EQ(a->mode.maxColor, 0xFFFFFFu);
    GDL_destroyDC(a);
    EXPECT_EQ(PACK_driverState(24)->refCount, 1);
    GDL_destroyDC(b);
    EXPECT_EQ(PACK_driverState(24), nullptr);
    std::vector<uint8_t> mine(64, 0xEE);
    GdlDeviceContext* c = GDL_createMemoryDCEx(4, 4, 8, nullptr, 16, mine.data(), nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(PACK_driverState(8)->refCount, 1);
    EXPECT_EQ(c->surface, mine.data());
    GDL_destroyDC(c);
    EXPECT_EQ(mine[0], 0xEE); // still ours, still readable
}

// A driver whose init attaches its shared state and then fails (its surface
// could not be made): the library runs the destroy entry, so the state does
// not keep the reference.
namespace failing {
GdlDriverState g_state{};
int g_destroys = 0;
void destroy(GdlDeviceContext* dc) {
    ++g_destroys;
    --dc->driverState->refCount;
    dc->driverState = nullptr;
}
int32_t init(GdlDeviceContext* dc, int32_t, int32_t, HWND, int32_t, int32_t, int32_t, int32_t,
             int32_t) {
    g_state.destroy = destroy;
    ++g_state.refCount;
    dc->driverState = &g_state;
    return 0;
}
} // namespace failing

TEST_F(PackedDriverTest, AFailedCreationRunsTheDestroyEntry) {
    GdlDriverHeader header = *GDL_driverHeader(GDL_PACK4);
    header.init = failing::init;
    ASSERT_EQ(GDL_registerDriver("PACK4.DRV", &header), GDL_OK);
    EXPECT_EQ(GDL_createMemoryDC(8, 8, 4, nullptr), nullptr);
    EXPECT_EQ(GDL_lastResult(), GDL_NO_MEMORY);
    EXPECT_EQ(failing::g_destroys, 1);
    EXPECT_EQ(failing::g_state.refCount, 0);
    PACK_registerDrivers();
}

// The real drivers, with the n-th allocation of a creation failing (the
// shared state, the surface, the palette, the record): no creation that
// fails leaves a reference in the shared state.
namespace allocfail {
int g_left = 0;
void* allocate(size_t size) {
    return g_left-- == 0 ? nullptr : std::malloc(size);
}
} // namespace allocfail

TEST_F(PackedDriverTest, FailedAllocationsLeaveNoDriverStateReference) {
    for (int32_t bits : {1, 4, 8, 16, 24, 32}) {
        for (int n = 0; n < 8; ++n) {
            ASSERT_EQ(PACK_driverState(bits), nullptr) << bits;
            allocfail::g_left = n;
            GDL_setMemoryFuncs(allocfail::allocate, nullptr);
            GdlDeviceContext* dc = GDL_createMemoryDC(8, 8, bits, nullptr);
            GDL_resetMemoryFuncs();
            if (dc) {
                EXPECT_EQ(PACK_driverState(bits)->refCount, 1) << bits << " after " << n;
                GDL_destroyDC(dc);
            }
            EXPECT_EQ(PACK_driverState(bits), nullptr) << bits << " after " << n;
        }
    }
}

TEST_F(PackedDriverTest, BytesPerLineFollowTheDepthRules) {
    struct Row {
        int32_t bits, width;
        uint32_t bytes;
    };
    const Row rows[] = {{1, 33, 8},  {4, 9, 8},   {8, 5, 8},  {15, 3, 8},
                        {16, 5, 12}, {24, 5, 16}, {32, 3, 12}};
    for (const Row& r : rows) {
        GdlDeviceContext* dc = GDL_createMemoryDC(r.width, 2, r.bits, nullptr);
        ASSERT_NE(dc, nullptr) << r.bits;
        EXPECT_EQ(dc->mode.bytesPerLine, r.bytes) << r.bits;
    }
}

} // namespace
