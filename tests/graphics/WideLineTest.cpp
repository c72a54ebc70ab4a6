// Lines swept by a wide pen: the span list against the union of the pen
// rectangles placed at every pixel of the centre line, clipping, and the
// failed call of a list beyond the scratch buffer.
#include <cstdio>
#include <set>
#include <utility>

#include "FixedPoint.h"
#include "DrawTestRows.h"
#include "gdl/draw.h"
#include "gdl/driver.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels g_centre;
void collect(int32_t x, int32_t y) {
    g_centre.insert({x, y});
}

// The pen's top-left corner walks the centre line.
Pixels sweep(int x1, int y1, int x2, int y2, int h, int w) {
    g_centre.clear();
    GDL_lineCoord(fx(x1), fx(y1), fx(x2), fx(y2), collect);
    Pixels out;
    for (auto [x, y] : g_centre)
        for (int dy = 0; dy < h; ++dy)
            for (int dx = 0; dx < w; ++dx)
                out.insert({x + dx, y + dy});
    return out;
}

struct LineCase {
    int x1, y1, x2, y2, h, w;
};
const LineCase kLines[] = {
    {2, 3, 20, 9, 2, 3}, {15, 2, 4, 20, 4, 1}, {3, 5, 17, 5, 3, 2},
    {9, 9, 9, 9, 2, 2},  {20, 18, 2, 4, 3, 3}, {5, 20, 6, 2, 1, 5},
};

using WideLine = LitCanvasTest<40, 32>;

TEST_F(WideLine, OneSpanPerRowCoversTheSweep) {
    for (const LineCase& c : kLines) {
        GdlSpanListHead head{};
        int32_t left = GDL_scanWideLine(&head, fx(c.x1), fx(c.y1), fx(c.x2), fx(c.y2), c.h, c.w);
        Pixels got;
        int minX = 1 << 30;
        for (int i = 0; i < head.count; ++i) {
            ASSERT_LT(head.list[i].x1, head.list[i].x2) << "row " << i; // no empty rows
            for (int x = head.list[i].x1; x < head.list[i].x2; ++x)
                got.insert({x, head.firstRow + i});
            minX = std::min<int>(minX, head.list[i].x1);
        }
        EXPECT_EQ(got, sweep(c.x1, c.y1, c.x2, c.y2, c.h, c.w)) << c.x1 << "," << c.y1;
        EXPECT_EQ(left, minX);
        EXPECT_EQ(head.count, std::abs(c.y2 - c.y1) + c.h);
    }
}

TEST_F(WideLine, DrawnThroughTheWidePenTables) {
    for (const LineCase& c : kLines) {
        clear();
        GDL_setPenSize(c.h, c.w);
        GDL_line(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(lit(), sweep(c.x1, c.y1, c.x2, c.y2, c.h, c.w)) << c.x1 << "," << c.y1;
    }
}

TEST_F(WideLine, SweepsReachingOutOfTheClipAreClipped) {
    GDL_setClipRectCurrent(5, 4, 16, 14);
    GDL_setPenStyle(0);
    GDL_stateBlock.attr.penHeight = 2; // 3 x 4 pen, set directly as the renderer sees it
    GDL_stateBlock.attr.penWidth = 3;
    // Centre line inside the clip, the pen reaching past its right and bottom.
    DRV_wideLine(fx(8), fx(6), fx(14), fx(12));
    Pixels expect;
    for (auto p : sweep(8, 6, 14, 12, 3, 4))
        if (p.first >= 5 && p.first < 16 && p.second >= 4 && p.second < 14) expect.insert(p);
    EXPECT_EQ(lit(), expect);
    // Wholly inside: every pixel of the sweep.
    clear();
    DRV_wideLine(fx(6), fx(5), fx(9), fx(7));
    EXPECT_EQ(lit(), sweep(6, 5, 9, 7, 3, 4));
}

TEST_F(WideLine, ListBeyondTheScratchBufferFailsTheCall) {
    // 8192 rows of four bytes fill the buffer; one more row does not fit.
    GdlSpanListHead head{};
    GDL_scanWideLine(&head, 0, 0, 0, fx(8190), 2, 1);
    EXPECT_EQ(head.count, 8192);
    EXPECT_EQ(GDL_lastResult(), GDL_OK);
    GDL_scanWideLine(&head, 0, 0, fx(3), fx(8191), 2, 1);
    EXPECT_EQ(head.count, 0);
    EXPECT_EQ(GDL_lastResult(), GDL_GENERAL_ERROR);
    // Drawn through the wide-pen table, it draws nothing.
    clear();
    GDL_setPenSize(2, 1);
    DRV_wideLine(0, 0, fx(3), fx(8191));
    EXPECT_EQ(GDL_lastResult(), GDL_GENERAL_ERROR);
    EXPECT_EQ(lit(), Pixels{});
}

} // namespace
