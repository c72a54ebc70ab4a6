// The monochrome image, the software cursor, stroke lists and bitmap-font
// strings in the four directions; placements are worked out from the rules
// (the base line row lands on y, glyphs turned about it).
#include <vector>

#include "DrawTestRows.h"
#include "TextTestFonts.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/text.h"

namespace {

class Glyph : public LitCanvasTest<48, 40> {
protected:
    Pixels pixelsOf(GdlDeviceContext* c, uint32_t v, int w = kW, int h = kH) {
        Pixels out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(c, x, y) == v) out.insert({x, y});
        return out;
    }
};

const uint8_t kArrow[3] = {0xC0, 0x81, 0x3C}; // one byte a row, three rows

TEST_F(Glyph, MonoImageDrawsSetBitsClippedToTheContext) {
    GDL_setClipRectCurrent(2, 2, 20, 20);
    DRV_putMonoImage(dc, 5, 5, 1, 3, kArrow);
    Pixels expect = {{5, 5}, {6, 5}, {5, 6}, {12, 6}, {7, 7}, {8, 7}, {9, 7}, {10, 7}};
    EXPECT_EQ(pixelsOf(dc, 1), expect);
    // Partly outside: only the pixels inside the clip (rows above it, columns
    // past its right edge dropped); wholly outside: nothing.
    DRV_putMonoImage(dc, 14, 0, 1, 3, kArrow);
    DRV_putMonoImage(dc, 16, 10, 1, 3, kArrow);
    for (Pixels::value_type p : Pixels{
             {16, 2}, {17, 2}, {18, 2}, {19, 2}, {16, 10}, {17, 10}, {16, 11}, {18, 12}, {19, 12}})
        expect.insert(p);
    EXPECT_EQ(pixelsOf(dc, 1), expect);
    DRV_putMonoImage(dc, 30, 30, 1, 3, kArrow);
    DRV_putMonoImage(dc, -8, 5, 1, 3, kArrow);
    EXPECT_EQ(pixelsOf(dc, 1), expect);
}

TEST_F(Glyph, MonoImageOnAnotherContextTakesTheCallersModeAndColour) {
    GdlDeviceContext* other = make(16, 8, 8);
    set(other, 0, 0, 0x0F);
    GDL_setColor(0x3C);
    GDL_setWriteMode(3);
    DRV_putMonoImage(other, 0, 0, 1, 1, kArrow);
    EXPECT_EQ(at(other, 0, 0), 0x0Fu ^ 0x3C);
    EXPECT_EQ(at(other, 1, 0), 0x3Cu);
    EXPECT_EQ(GDL_currentDC(), dc);
    EXPECT_EQ(other->attr.writeMode, 0);
    EXPECT_EQ(GDL_stateBlock.attr.writeMode, 3);
}

TEST_F(Glyph, CursorClearsThroughTheAndMaskThenXorsTheColour) {
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            set(dc, x, y, 0x55);
    GDL_setClipRectCurrent(4, 4, 10, 10); // the cursor ignores the clip
    GDL_setColor(9);
    const uint8_t andMask[2] = {0xF0, 0x0F};
    const uint8_t xorMask[2] = {0x3C, 0x3C};
    DRV_drawCursor(dc, 0, 0, 1, 2, andMask, xorMask, 0x22);
    const uint32_t row0[8] = {0, 0, 0x22, 0x22, 0x77, 0x77, 0x55, 0x55};
    const uint32_t row1[8] = {0x55, 0x55, 0x77, 0x77, 0x22, 0x22, 0, 0};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(at(dc, x, 0), row0[x]) << x;
        EXPECT_EQ(at(dc, x, 1), row1[x]) << x;
    }
    EXPECT_EQ(GDL_stateBlock.attr.writeMode, 0);
    EXPECT_EQ(GDL_getColor(), 9u);
    EXPECT_EQ(GDL_stateBlock.clipDevice.left, 4);
    EXPECT_EQ(GDL_stateBlock.clipDevice.right, 10);
}

TEST_F(Glyph, StrokeListsDrawFromThePreviousPoint) {
    // Move to (2, 0), draw to (2, 3) and on to (-1, 3); y points up.
    const uint16_t list[] = {DRV_makeStroke(2, 0, true), DRV_makeStroke(2, 3, false),
                             DRV_makeStroke(-1, 3, false), 0, DRV_makeStroke(9, 9, false)};
    const uint16_t* end = DRV_strokeGlyph(10, 20, list, 1, 1, 1, 1);
    EXPECT_EQ(end, list + 3);
    Pixels expect = {{12, 20}, {12, 19}, {12, 18}, {12, 17}, {11, 17}, {10, 17}, {9, 17}};
    EXPECT_EQ(pixelsOf(dc, 1), expect);
    // Scaled by 3/2 in x and 2/1 in y: (2, 3) -> (3, 6).
    const uint16_t one[] = {DRV_makeStroke(2, 3, false), 0};
    DRV_strokeGlyph(30, 30, one, 3, 2, 2, 1);
    EXPECT_EQ(at(dc, 30, 30), 1u);
    EXPECT_EQ(at(dc, 33, 24), 1u);
    // A zero-length stroke draws its one pixel; a list ended at once draws nothing.
    const uint16_t dot[] = {0x0001, 0};
    DRV_strokeGlyph(40, 5, dot, 1, 1, 1, 1);
    EXPECT_EQ(at(dc, 40, 5), 1u);
    const uint16_t empty[] = {0x0002, DRV_makeStroke(5, 5, false), 0};
    size_t before = pixelsOf(dc, 1).size();
    EXPECT_EQ(DRV_strokeGlyph(40, 30, empty, 1, 1, 1, 1), empty);
    EXPECT_EQ(pixelsOf(dc, 1).size(), before);
}

// Raw stroke words decoded by hand, not through the library's encoder: bits
// 1-7 a signed x, bit 8 move only, bits 9-15 a signed y (y up).
TEST_F(Glyph, RawStrokeWordsDecodeTheirFields) {
    struct Case {
        std::vector<uint16_t> words; // ended by a word with bit 0 clear
        int32_t xm, ym, xd, yd;
        Pixels expect;
    } cases[] = {
        // 0x0003: x 1, y 0: a line from the origin one pixel right.
        {{0x0003, 0}, 1, 1, 1, 1, {{20, 20}, {21, 20}}},
        // 0x00FF: x -1 (0x7F); 0xFE01: y -1 (0x7F), so one row below the origin.
        {{0x00FF, 0}, 1, 1, 1, 1, {{19, 20}, {20, 20}}},
        {{0xFE01, 0}, 1, 1, 1, 1, {{20, 20}, {20, 21}}},
        // 0x0D07: move to (3, 6); 0x0CFF: draw to (-1, 6); 0x0081: move to (-64, 0).
        {{0x0D07, 0x0CFF, 0x0081 | 0x0100, 0},
         1,
         1,
         1,
         1,
         {{19, 14}, {20, 14}, {21, 14}, {22, 14}, {23, 14}}},
        // Scaled 5/2: x 1 -> 2, x -1 -> -2 (the quotient truncated).
        {{0x0003, 0}, 5, 1, 2, 1, {{20, 20}, {21, 20}, {22, 20}}},
        {{0x00FF, 0}, 5, 1, 2, 1, {{18, 20}, {19, 20}, {20, 20}}},
    };
    for (const Case& c : cases) {
        clear();
        const uint16_t* end = DRV_strokeGlyph(20, 20, c.words.data(), c.xm, c.ym, c.xd, c.yd);
        EXPECT_EQ(end, c.words.data() + c.words.size() - 1);
        EXPECT_EQ(pixelsOf(dc, 1), c.expect) << std::hex << c.words[0];
    }
}

// Where glyph pixel (column, row) lands for a glyph drawn at (x, y) with its
// reference row d on the line through (x, y).
std::pair<int, int> placed(int dir, int x, int y, int d, int col, int row) {
    switch (dir) {
        case 2: return {x + col, y - d + row};
        case 0: return {x - col, y + d - row};
        case 1: return {x - d + row, y - col};
        default: return {x + d - row, y + col};
    }
}

TEST_F(Glyph, BitmapStringsInFourDirections) {
    TestFont f;
    makeBitmapFont(f, GDL_FONT_PROPORTIONAL);
    const Pixels L = glyphBits(f, 'L');
    // The row that lands on the line through (x, y), by vertical justification:
    // with b = descent + height - 1 = 3 (the last row above the base line),
    // top b - ascent = -1 (the glyph starts just below y), centre
    // (ascent - descent) / 2 - ascent + b = 1, bottom height - 1 = 4, base line b.
    struct Case {
        int vert;
        int d;
    } justs[] = {{0, -1}, {1, 1}, {2, 4}, {3, 3}};
    for (int dir = 0; dir < 4; ++dir)
        for (const Case& j : justs) {
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    set(dc, x, y, 0);
            GdlTextSettings t = {0, j.vert, dir, 1, 1, 1, 1, 0, &f.font};
            GDL_setTextSettings(&t);
            DRV_drawString(24, 20, "LL");
            Pixels expect;
            for (int n = 0; n < 2; ++n) {
                int step = 6 * n;
                int x = 24 + (dir == 2 ? step : dir == 0 ? -step : 0);
                int y = 20 + (dir == 3 ? step : dir == 1 ? -step : 0);
                for (auto [c, r] : L)
                    expect.insert(placed(dir, x, y, j.d, c, r));
            }
            EXPECT_EQ(pixelsOf(dc, 1), expect) << "direction " << dir << " vert " << j.vert;
        }
}

TEST_F(Glyph, BitmapStringJustificationMissingAndEmptyGlyphs) {
    TestFont f;
    makeBitmapFont(f, GDL_FONT_PROPORTIONAL);
    // Right-justified, left to right: "L L" is 6 + 4 + 6 wide and ends at x;
    // top-justified, so the glyphs start a row below y.
    GdlTextSettings t = {2, 0, 2, 1, 1, 1, 1, 0, &f.font};
    GDL_setTextSettings(&t);
    DRV_drawString(30, 4, "L L");
    Pixels expect;
    for (auto [c, r] : glyphBits(f, 'L')) {
        expect.insert({14 + c, 5 + r});
        expect.insert({24 + c, 5 + r});
    }
    EXPECT_EQ(pixelsOf(dc, 1), expect);
    // Centred upwards: 'Q' is missing and drawn as character 0 (one dot, 3
    // wide), starting 3 / 2 below y; top-justified, row 0 lies at x + 1.
    t = {1, 0, 1, 1, 1, 1, 1, 0, &f.font};
    GDL_setTextSettings(&t);
    DRV_drawString(40, 30, "Q");
    EXPECT_EQ(at(dc, 41, 31), 1u);
    EXPECT_EQ(pixelsOf(dc, 1).size(), expect.size() + 1);
}

TEST_F(Glyph, CorruptGlyphOffsetsDrawNothingButAdvance) {
    TestFont f;
    makeBitmapFont(f, GDL_FONT_PROPORTIONAL);
    f.font.glyphOffset[uint8_t('B')] = uint16_t(f.data.size() - 2); // runs past the data
    f.font.bitWidth[uint8_t('B')] = 16;
    f.font.charWidth[uint8_t('B')] = 5;
    GdlTextSettings t = {0, 0, 2, 1, 1, 1, 1, 0, &f.font};
    GDL_setTextSettings(&t);
    DRV_drawString(0, 0, "BL");
    Pixels expect;
    for (auto [c, r] : glyphBits(f, 'L'))
        expect.insert({5 + c, 1 + r});
    EXPECT_EQ(pixelsOf(dc, 1), expect);
}

} // namespace

namespace {

// The cursor on the library's own 16-bit packed driver.
TEST(GlyphOnPackedDrivers, CursorThroughThePackedImageEntry) {
    GDL_exit();
    GDL_unregisterAllDrivers();
    PACK_registerDrivers();
    GdlDeviceContext* dc = GDL_createMemoryDC(16, 4, 16, &GDL_pixelFormat565);
    GdlDeviceContext* other = GDL_createMemoryDC(8, 8, 16, &GDL_pixelFormat565);
    ASSERT_NE(dc, nullptr);
    ASSERT_NE(other, nullptr);
    GDL_selectCurrentDC(other); // the cursor goes to a context that is not current
    GDL_setColor(0x1234);
    const GdlDeviceContext* d = dc;
    for (int x = 0; x < 8; ++x) {
        uint8_t* p = d->surface + 2 * x;
        p[0] = 0x55;
        p[1] = 0x05;
    }
    const uint8_t andMask[1] = {0xF0}, xorMask[1] = {0x3C};
    DRV_drawCursor(dc, 0, 0, 1, 1, andMask, xorMask, 0x0F0F);
    const uint32_t expect[8] = {0,      0,     0x0F0F, 0x0F0F, 0x0555 ^ 0x0F0F, 0x0555 ^ 0x0F0F,
                                0x0555, 0x0555};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(uint32_t(d->surface[2 * x] | d->surface[2 * x + 1] << 8), expect[x]) << x;
    EXPECT_EQ(GDL_currentDC(), other);
    EXPECT_EQ(GDL_getColor(), 0x1234u);
    EXPECT_EQ(dc->attr.writeMode, 0);
    GDL_selectCurrentDC(nullptr);
    GDL_exit();
}

} // namespace
