// Drawing state: the render-table choice, viewport and clipping, clip mode,
// default attributes and restoring a saved block.
#include "Canvas.h"

namespace {

using DrawStateTest = CanvasTest;

TEST_F(DrawStateTest, RenderTableFollowsTheAttributes) {
    struct Case {
        int fill, write, penH, penW, mapMode, table;
    } cases[] = {
        {0, 0, 1, 1, 0, 0}, {0, 3, 1, 1, 0, 1}, {0, 3, 2, 1, 0, 5}, {0, 0, 1, 2, 0, 4},
        {1, 0, 1, 1, 0, 2}, {2, 3, 1, 1, 0, 2}, {1, 0, 3, 3, 0, 6}, {3, 0, 1, 1, 0, 3},
        {3, 1, 2, 2, 0, 7}, {0, 0, 1, 1, 1, 8}, {3, 2, 5, 5, 1, 8},
    };
    for (const Case& c : cases) {
        GDL_setColorMapMode(0);
        GDL_setPenSize(c.penH, c.penW);
        GDL_setWriteMode(c.write);
        GDL_setFillStyle(c.fill);
        GDL_setColorMapMode(c.mapMode);
        EXPECT_EQ(GDL_currentRenderTable(), c.table)
            << c.fill << " " << c.write << " " << c.penH << "x" << c.penW << " " << c.mapMode;
        EXPECT_EQ(GDL_stateBlock.v.current.span, GDL_stateBlock.v.tables[c.table].span);
    }
    // A fill style above 3 keeps the table.
    GDL_setColorMapMode(0);
    GDL_setPenSize(1, 1);
    GDL_setWriteMode(0);
    GDL_setFillStyle(0);
    GDL_setFillStyle(4);
    EXPECT_EQ(GDL_currentRenderTable(), 0);
}

TEST_F(DrawStateTest, Defaults) {
    const GdlAttributes& a = GDL_stateBlock.attr;
    EXPECT_EQ(a.color, 1u); // set by the fixture
    EXPECT_EQ(a.backColor, 0u);
    EXPECT_EQ(a.bevelLight, 15u); // fewer than 256 colours: the index itself
    EXPECT_EQ(a.bevelDark, 8u);
    EXPECT_EQ(a.penHeight, 0);
    EXPECT_EQ(a.lineStyle, 0xFFFFu);
    EXPECT_EQ(a.text.direction, 2);
    EXPECT_EQ(a.unusedWord1, 3);
    EXPECT_EQ(a.unusedWord3, 2);
    GdlRect clip;
    GDL_getClipRectCurrent(&clip);
    EXPECT_EQ(clip.right, kW);
    EXPECT_EQ(clip.bottom, kH);
    EXPECT_EQ(GDL_colorToPixel(dc, 15), 15u);
    GDL_setColorMapMode(1); // colour-mapped: the palette word
    GDL_stateBlock.palette[15] = {1, 2, 3, 0};
    EXPECT_EQ(GDL_colorToPixel(dc, 15), 0x030201u);
}

TEST_F(DrawStateTest, ClipRectangleIsCutToTheViewport) {
    GDL_setViewportCurrent(5, 4, 25, 14); // 20 x 10
    GDL_setClipRectCurrent(-3, -2, 100, 100);
    GdlRect clip;
    GDL_getClipRectCurrent(&clip);
    EXPECT_EQ(clip.left, 0);
    EXPECT_EQ(clip.top, 0);
    EXPECT_EQ(clip.right, 20);
    EXPECT_EQ(clip.bottom, 10);
    const GdlRect& dev = GDL_stateBlock.clipDevice;
    EXPECT_EQ(dev.left, 5);
    EXPECT_EQ(dev.bottom, 14);
    EXPECT_EQ(GDL_stateBlock.clipFixed.right, 20 << 16);
    // A viewport reaching off the surface is clipped by the bounds.
    GDL_setViewportCurrent(30, 20, 60, 50);
    EXPECT_EQ(GDL_stateBlock.clipDevice.right, kW);
    EXPECT_EQ(GDL_stateBlock.attr.clipRect.right, kW - 30);
    GDL_fillRect(0, 0, 100, 100);
    EXPECT_EQ(count(1), (kW - 30) * (kH - 20));
}

TEST_F(DrawStateTest, ViewportResetsClipAndPosition) {
    GDL_stateBlock.attr.cpX = 7;
    GDL_setClipRectCurrent(1, 1, 3, 3);
    GDL_setViewportCurrent(10, 10, 20, 15);
    GdlRect clip;
    GDL_getClipRectCurrent(&clip);
    EXPECT_EQ(clip.left, 0);
    EXPECT_EQ(clip.right, 10);
    EXPECT_EQ(clip.bottom, 5);
    EXPECT_EQ(GDL_stateBlock.attr.cpX, 0);
    GDL_fillRect(0, 0, 2, 2);
    EXPECT_EQ(at(10, 10), 1u);
    EXPECT_EQ(at(11, 11), 1u);
    EXPECT_EQ(count(1), 4);
}

TEST_F(DrawStateTest, ViewportOfAnotherContextStaysInItsRecord) {
    GdlDeviceContext* other = GDL_createMemoryDC(10, 10, 8, nullptr);
    ASSERT_NE(other, nullptr);
    GDL_setViewport(other, 2, 2, 6, 6);
    EXPECT_EQ(other->attr.viewport.left, 2);
    EXPECT_EQ(other->attr.clipRect.right, 4);
    EXPECT_EQ(GDL_stateBlock.attr.viewport.left, 0); // the current context is untouched
    // For the current context the record follows at once.
    GDL_setViewport(dc, 1, 1, 5, 5);
    EXPECT_EQ(dc->attr.viewport.left, 1);
    EXPECT_EQ(GDL_stateBlock.attr.viewport.left, 1);
    GDL_setClipRect(other, 1, 1, 2, 2);
    GdlRect clip;
    GDL_getClipRect(other, &clip);
    EXPECT_EQ(clip.left, 1);
    EXPECT_EQ(clip.right, 2);
}

TEST_F(DrawStateTest, ClipModeOffAndOnKeepsTheWholeArea) {
    GDL_setClipRectCurrent(2, 2, 5, 5);
    GDL_setClipMode(dc, 0);
    EXPECT_EQ(GDL_getClipMode(dc), 0);
    GdlRect clip;
    GDL_getClipRectCurrent(&clip);
    EXPECT_EQ(clip.right, kW);
    GDL_setClipMode(dc, 1);
    GDL_getClipRectCurrent(&clip);
    EXPECT_EQ(clip.left, 0);
    EXPECT_EQ(clip.right, kW);
    EXPECT_EQ(clip.bottom, kH);
}

TEST_F(DrawStateTest, ClearDeviceUsesTheBackgroundAndKeepsTheState) {
    GDL_setBackColor(9);
    GDL_setWriteMode(3);
    GDL_setClipRectCurrent(1, 1, 2, 2);
    GDL_clearDevice();
    EXPECT_EQ(count(9), kW * kH); // the bounds, not the clip
    EXPECT_EQ(GDL_stateBlock.attr.writeMode, 3);
    EXPECT_EQ(GDL_stateBlock.packedColor, 1u);
    EXPECT_EQ(GDL_currentRenderTable(), 1);
}

TEST_F(DrawStateTest, SaveAndRestoreAttributes) {
    GdlAttributes saved;
    GDL_setPenSize(3, 2);
    GDL_setColor(4);
    GDL_setFillStyle(1);
    uint8_t pattern[8] = {0xAA, 0x55, 1, 2, 3, 4, 5, 6};
    GDL_setMonoPattern(pattern);
    GDL_setViewportCurrent(3, 3, 13, 13);
    GDL_setClipRectCurrent(1, 1, 5, 5);
    GDL_getAttributes(&saved);
    EXPECT_EQ(saved.penHeight, 3); // counts in a saved block
    EXPECT_EQ(saved.penWidth, 2);

    GDL_setPenSize(1, 1);
    GDL_setColor(7);
    GDL_setFillStyle(0);
    GDL_setViewportCurrent(0, 0, kW, kH);
    uint8_t zero[8] = {};
    GDL_setMonoPattern(zero);

    GDL_restoreAttributes(&saved);
    const GdlAttributes& a = GDL_stateBlock.attr;
    EXPECT_EQ(a.penHeight, 2);
    EXPECT_EQ(a.penWidth, 1);
    EXPECT_EQ(a.color, 4u);
    EXPECT_EQ(GDL_stateBlock.packedColor, 4u);
    EXPECT_EQ(a.monoPattern[1], 0x55);
    EXPECT_EQ(a.viewport.left, 3);
    EXPECT_EQ(a.clipRect.left, 1);
    EXPECT_EQ(a.clipRect.right, 5);
    EXPECT_EQ(GDL_stateBlock.clipDevice.left, 4);
    EXPECT_EQ(GDL_currentRenderTable(), 6);
}

} // namespace
