// Text settings, measuring, metrics, underline and drawing with stroked and
// bitmap fonts in the four directions.
#include <vector>

#include "DrawTestRows.h"
#include "TextTestFonts.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/result.h"
#include "gdl/text.h"

namespace {

// A stroked font: 'T' draws a bar from (0, 0) to (3, 0) and a stem from
// (0, 0) up to (0, 2), advancing 5; character 0 is a lone dot.
void makeStrokeFont(TestFont& f) {
    f.font.fontType = GDL_FONT_STROKED;
    f.font.fontHeight = 9;
    f.font.ascent = 6;
    f.font.descent = -2;
    f.font.leading = 1;
    f.font.maxWidth = 10;
    f.font.lastMetric = 1;
    f.addStrokes('T', 5,
                 {DRV_makeStroke(0, 0, true), DRV_makeStroke(3, 0, false),
                  DRV_makeStroke(0, 0, true), DRV_makeStroke(0, 2, false)});
    f.addStrokes(0, 3, {DRV_makeStroke(1, 1, true), DRV_makeStroke(1, 1, false)});
}

class Text : public LitCanvasTest<60, 50> {
protected:
    void settings(const GdlFont* f, int dir, int horiz = 0, int vert = 3, int xm = 1, int ym = 1,
                  int xd = 1, int yd = 1, int spacing = 0) {
        GdlTextSettings t = {horiz, vert, dir, xm, ym, xd, yd, spacing, f};
        GDL_setTextSettings(&t);
    }
};

TEST_F(Text, FontSelectionAndDirection) {
    TestFont a, b;
    makeBitmapFont(a, GDL_FONT_PROPORTIONAL);
    makeBitmapFont(b, GDL_FONT_FIXED);
    settings(&a.font, 0);
    EXPECT_EQ(GDL_stateBlock.attr.text.direction, 0); // the record's, after the font
    EXPECT_TRUE(GDL_useFont(nullptr));
    EXPECT_EQ(GDL_getFont(), &a.font);
    EXPECT_EQ(GDL_stateBlock.attr.text.direction, 0);
    EXPECT_TRUE(GDL_useFont(&b.font));
    EXPECT_EQ(GDL_getFont(), &b.font);
    EXPECT_EQ(GDL_stateBlock.attr.text.direction, 2);
    GDL_setTextDirection(1);
    b.font.fontType = 4;
    EXPECT_FALSE(GDL_useFont(&b.font));
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_FONT);
    EXPECT_EQ(GDL_stateBlock.attr.text.direction, 1);
    b.font.fontType = 0; // accepted, measures and draws nothing
    EXPECT_TRUE(GDL_useFont(&b.font));
    EXPECT_EQ(GDL_lastResult(), GDL_OK);
    EXPECT_EQ(GDL_textHeight(), 0);
    EXPECT_EQ(GDL_textWidth("LL"), 0);
    GDL_drawStrAt(10, 10, "LL");
    EXPECT_TRUE(lit().empty());
}

TEST_F(Text, MeasuresBySortOfFont) {
    TestFont fixed, prop, stroke;
    makeBitmapFont(fixed, GDL_FONT_FIXED);
    makeBitmapFont(prop, GDL_FONT_PROPORTIONAL);
    makeStrokeFont(stroke);
    struct Case {
        const GdlFont* f;
        int xm, ym, xd, yd;
        int widthL, widthQ, text, height; // 'L', a missing 'Q', "LQL", height
    } cases[] = {
        // Fixed width: the cell, without the spacing of 2.
        {&fixed.font, 1, 1, 1, 1, 7, 7, 21, 7},
        // Proportional: the character's width (character 0's when missing) + 2.
        {&prop.font, 1, 1, 1, 1, 8, 5, 21, 7},
        // Stroked, x by 3/2 and y by 2/1: 'L' is missing there (width 3).
        {&stroke.font, 3, 2, 2, 1, 6, 6, 18, 2 * (6 + 2 + 1 + 1)},
    };
    for (const Case& c : cases) {
        settings(c.f, 2, 0, 3, c.xm, c.ym, c.xd, c.yd, 2);
        EXPECT_EQ(GDL_charWidth('L'), c.widthL) << c.f->fontType;
        EXPECT_EQ(GDL_charWidth('Q'), c.widthQ) << c.f->fontType;
        EXPECT_EQ(GDL_textWidth("LQL"), c.text) << c.f->fontType;
        EXPECT_EQ(GDL_textHeight(), c.height) << c.f->fontType;
        EXPECT_EQ(GDL_textWidth(nullptr), 0);
    }
    settings(&stroke.font, 2, 0, 3, 3, 2, 2, 1, 0);
    EXPECT_EQ(GDL_charWidth('T'), 7); // 5 x 3 / 2
    // A zero divisor scales by the multiplier alone rather than trapping.
    settings(&stroke.font, 2, 0, 3, 3, 2, 0, 0, 0);
    EXPECT_EQ(GDL_charWidth('T'), 15);
    GDL_stateBlock.attr.text.font = nullptr;
    EXPECT_EQ(GDL_charWidth('T'), 0);
    EXPECT_EQ(GDL_textHeight(), 0);
}

TEST_F(Text, MetricsScaleOnlyStrokedFonts) {
    TestFont prop, stroke;
    makeBitmapFont(prop, GDL_FONT_PROPORTIONAL);
    makeStrokeFont(stroke);
    GdlFontMetrics m{};
    settings(&prop.font, 2, 0, 3, 3, 2, 1, 1);
    GDL_fontMetrics(&m);
    EXPECT_EQ(m.maxWidth, 6);
    EXPECT_EQ(m.cellWidth, 7);
    EXPECT_EQ(m.fontHeight, 5);
    EXPECT_EQ(m.ascent, 4);
    EXPECT_EQ(m.descent, -1);
    EXPECT_EQ(m.leading, 1);
    EXPECT_EQ(m.lastMetric, 0);
    settings(&stroke.font, 2, 0, 3, 3, 2, 1, 1);
    GDL_fontMetrics(&m);
    EXPECT_EQ(m.maxWidth, 30);
    EXPECT_EQ(m.cellWidth, 30);
    EXPECT_EQ(m.fontHeight, 18);
    EXPECT_EQ(m.ascent, 12);
    EXPECT_EQ(m.descent, -4);
    EXPECT_EQ(m.leading, 2);
    EXPECT_EQ(m.lastMetric, 3);
}

TEST_F(Text, UnderlineLocationByJustificationAndDirection) {
    TestFont prop;
    makeBitmapFont(prop, GDL_FONT_PROPORTIONAL);
    // "LL" is 12 wide; ascent 4, descent -1, height 5 (so the gap is 1).
    struct Case {
        int dir, horiz, vert, dx, dy;
    } cases[] = {
        {2, 0, 0, 0, 6},    // v = A + 1 = 5, u = 6
        {2, 2, 3, -12, 2},  // other: v = 1
        {2, 1, 1, -6, 4},   // centre: v = (4 - 1 + 1) / 2 + 1 = 3, u = 4
        {0, 2, 2, 12, -1},  // bottom: v = D + 1 = 0, u = 1
        {1, 1, 0, 6, 6},    // up: x += u, y += h
        {3, 2, 0, -6, -12}, // down: x -= u, y -= h
    };
    for (const Case& c : cases) {
        settings(&prop.font, c.dir, c.horiz, c.vert);
        int32_t x = 100, y = 100;
        GDL_underlineLocation(&x, &y, "LL");
        EXPECT_EQ(x - 100, c.dx) << c.dir << c.horiz << c.vert;
        EXPECT_EQ(y - 100, c.dy) << c.dir << c.horiz << c.vert;
    }
    GDL_stateBlock.attr.text.font = nullptr;
    int32_t x = 5, y = 5;
    GDL_underlineLocation(&x, &y, "LL");
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 5);
}

// Glyph point (gx, gy), y up, turned for the direction and placed at (x, y).
std::pair<int, int> turned(int dir, int x, int y, int gx, int gy) {
    switch (dir) {
        case 2: return {x + gx, y - gy};
        case 0: return {x - gx, y + gy};
        case 1: return {x - gy, y - gx};
        default: return {x + gy, y + gx};
    }
}

TEST_F(Text, StrokedStringsInFourDirections) {
    TestFont f;
    makeStrokeFont(f);
    const std::vector<uint8_t> stored = f.data;
    GDL_setViewportCurrent(4, 3, kW, kH);
    for (int dir = 0; dir < 4; ++dir) {
        clear();
        settings(&f.font, dir);
        GDL_drawStrAt(26, 22, "TT"); // device (30, 25)
        Pixels expect;
        for (int n = 0; n < 2; ++n) {
            auto [x, y] = turned(dir, 30, 25, 5 * n, 0);
            for (int g = 0; g <= 3; ++g)
                expect.insert(turned(dir, x, y, g, 0));
            for (int g = 0; g <= 2; ++g)
                expect.insert(turned(dir, x, y, 0, g));
        }
        EXPECT_EQ(lit(), expect) << "direction " << dir;
        // The font's stroke lists are never turned in place.
        EXPECT_EQ(f.data, stored);
    }
}

// Justification moves the start of a stroked string across the writing
// direction by A (top), (D + A + 1) / 2 (centre), D (bottom) or 0, and back
// along it by the width (right) or half of it (centre), for all four
// directions.
TEST_F(Text, StrokedJustificationInEveryDirection) {
    TestFont f;
    makeStrokeFont(f); // ascent 6, descent -2; "TTT" is 15 wide
    const int A = 6, D = -2, width = 15;
    for (int dir = 0; dir < 4; ++dir)
        for (int horiz = 0; horiz < 3; ++horiz)
            for (int vert = 0; vert < 4; ++vert) {
                clear();
                settings(&f.font, dir, horiz, vert);
                GDL_drawStrAt(30, 25, "TTT");
                int d = vert == 0 ? A : vert == 1 ? (D + A + 1) / 2 : vert == 2 ? D : 0;
                int back = horiz == 2 ? width : horiz == 1 ? width / 2 : 0;
                int x = 30, y = 25;
                // Across: down for left to right, up for right to left,
                // right for upwards, left for downwards; then back along.
                switch (dir) {
                    case 2: y += d, x -= back; break;
                    case 0: y -= d, x += back; break;
                    case 1: x += d, y += back; break;
                    case 3: x -= d, y -= back; break;
                }
                Pixels expect;
                for (int n = 0; n < 3; ++n) {
                    auto [gx, gy] = turned(dir, x, y, 5 * n, 0);
                    for (int g = 0; g <= 3; ++g)
                        expect.insert(turned(dir, gx, gy, g, 0));
                    for (int g = 0; g <= 2; ++g)
                        expect.insert(turned(dir, gx, gy, 0, g));
                }
                EXPECT_EQ(lit(), expect) << dir << " " << horiz << " " << vert;
            }
}

TEST_F(Text, StrokedJustificationAndScale) {
    TestFont f;
    makeStrokeFont(f);
    // Right-justified and top-justified, left to right, x doubled: "T" is 10
    // wide, so it starts 10 left of x; the base line drops by the ascent 6.
    settings(&f.font, 2, 2, 0, 2, 1, 1, 1);
    GDL_drawStrAt(30, 10, "T");
    Pixels expect;
    for (int g = 0; g <= 6; ++g)
        expect.insert({20 + g, 16});
    for (int g = 0; g <= 2; ++g)
        expect.insert({20, 16 - g});
    EXPECT_EQ(lit(), expect);
}

TEST_F(Text, WidePenAndClippingTakeTheClippedDrawer) {
    TestFont f;
    makeStrokeFont(f);
    settings(&f.font, 2);
    GDL_drawStrAt(10, 10, "T");
    EXPECT_EQ(testdrv::counters().spans, 0); // unclipped strokes, no spans
    clear();
    GDL_setPenSize(2, 2);
    GDL_drawStrAt(10, 10, "T");
    EXPECT_GT(testdrv::counters().spans, 0);
    EXPECT_EQ(at(dc, 11, 11), 1u); // the bar, two rows and a column longer
    EXPECT_EQ(at(dc, 14, 11), 1u);
    GDL_setPenSize(1, 1);
    // A glyph across the clip edge keeps to the clip; one outside draws nothing.
    clear();
    GDL_setClipRectCurrent(0, 0, 12, 40);
    GDL_drawStrAt(10, 10, "T");
    Pixels expect = {{10, 10}, {11, 10}, {10, 9}, {10, 8}};
    EXPECT_EQ(lit(), expect);
    GDL_drawStrAt(30, 10, "T");
    EXPECT_EQ(lit(), expect);
}

TEST_F(Text, StrokesBeyondTheFontsMetricsAreStillClipped) {
    TestFont f;
    makeStrokeFont(f);
    // The metrics claim a glyph a pixel wide; the stroke runs 60 right and up.
    f.font.maxWidth = 1;
    f.font.fontHeight = 1;
    f.font.ascent = 1;
    f.font.descent = 0;
    f.addStrokes('X', 2, {DRV_makeStroke(60, 60, false)});
    settings(&f.font, 2);
    GDL_drawStrAt(kW - 4, 3, "X"); // TearDown checks that nothing left the surface
    EXPECT_EQ(at(dc, kW - 4, 3), 1u);
    EXPECT_EQ(at(dc, kW - 2, 1), 1u);
    EXPECT_EQ(lit().size(), 4u);
}

TEST_F(Text, RefusedFontInSettingsKeepsThePreviousFont) {
    TestFont good, bad;
    makeBitmapFont(good, GDL_FONT_PROPORTIONAL);
    makeBitmapFont(bad, GDL_FONT_PROPORTIONAL);
    bad.font.fontType = 9;
    settings(&good.font, 2);
    settings(&bad.font, 3);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_FONT);
    EXPECT_EQ(GDL_getFont(), &good.font);
    EXPECT_EQ(GDL_stateBlock.attr.text.direction, 3);
}

TEST_F(Text, BitmapStringsGoThroughTheViewport) {
    TestFont f;
    makeBitmapFont(f, GDL_FONT_FIXED);
    GDL_setViewportCurrent(5, 6, kW, kH);
    settings(&f.font, 2, 0, 3);
    GDL_drawStrAt(1, 10, "L");
    Pixels expect;
    for (auto [c, r] : glyphBits(f, 'L'))
        expect.insert({6 + c, 16 - 3 + r}); // base line row 3 on y
    EXPECT_EQ(lit(), expect);
}

} // namespace

namespace {

// The same text on the library's own 16-bit packed driver, whose image entry
// reads the live attributes of the record it is given.
TEST(TextOnPackedDrivers, BitmapAndStrokedText) {
    GDL_exit();
    GDL_unregisterAllDrivers();
    PACK_registerDrivers();
    GdlDeviceContext* dc = GDL_createMemoryDC(40, 30, 16, &GDL_pixelFormat565);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GDL_setColor(0xF800);
    auto lit = [] {
        Pixels out;
        const GdlDeviceContext& s = GDL_stateBlock;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const uint8_t* p = s.surface + y * int32_t(s.mode.bytesPerLine) + 2 * x;
                if (p[0] | p[1]) {
                    EXPECT_EQ(p[0] | p[1] << 8, 0xF800);
                    out.insert({x, y});
                }
            }
        return out;
    };
    TestFont bitmap, stroke;
    makeBitmapFont(bitmap, GDL_FONT_PROPORTIONAL);
    makeStrokeFont(stroke);
    GdlTextSettings t = {0, 3, 1, 1, 1, 1, 1, 0, &bitmap.font};
    GDL_setTextSettings(&t);
    GDL_drawStrAt(10, 20, "L"); // upwards, base line row 3 on x
    Pixels expect;
    for (auto [c, r] : glyphBits(bitmap, 'L'))
        expect.insert({10 - 3 + r, 20 - c});
    t = {0, 3, 3, 1, 1, 1, 1, 0, &stroke.font};
    GDL_setTextSettings(&t);
    GDL_drawStrAt(25, 5, "T"); // downwards: bar down from (25, 5), stem to the right
    for (int g = 0; g <= 3; ++g)
        expect.insert({25, 5 + g});
    for (int g = 0; g <= 2; ++g)
        expect.insert({25 + g, 5});
    EXPECT_EQ(lit(), expect);
    GDL_selectCurrentDC(nullptr);
    GDL_exit();
}

} // namespace
