// The ACCEL drivers at work on the simulated accelerator, from its call
// log: the mode set, pages and palette through the driver, fills, lines,
// blits and patterns handed to it with the library's arguments, the wrappers
// around the software renderers, the hardware cursor and the off-screen
// contexts over the driver's offscreen memory.
#include "AccelStart.h"
#include "DriverFolder.h"
#include "LinkedDrivers.h"
#include "SeededFont.h"
#include "VbeafCalls.h"
#include "VbeafWriter.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/defaultdraw.h"
#include "gdl/draw.h"
#include "gdl/mouse.h"
#include "gdl/result.h"
#include "gdl/text.h"
#include "gdl/vbeaf.h"
#include "platform/Adapter.h"
#include "platform/Vbe.h"
#include "platform/Vbeaf.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

namespace vb = platform::vbeaf;
using Args = std::vector<int64_t>;

class AccelDriver : public testsupport::DriverFolderTest {
protected:
    // The library started on `card` with a driver of `options`, in the mode
    // of `bits` at 640 x 480; the display context of `pages`.
    GdlDeviceContext* Start(int32_t bits, const tools::VbeafOptions& options = {},
                            int32_t pages = 1, const char* card = "accel") {
        if (!testsupport::StartAccelLibrary(dir_, bits, options, card)) return nullptr;
        GdlDeviceContext* dc = GDL_createDisplayDCPages(pages);
        platform::VbeafClearCallLog();
        return dc;
    }
    static std::vector<Args> Calls(uint32_t slot) { return testsupport::VbeafCalls(slot); }
    static size_t Count(uint32_t slot) { return testsupport::VbeafCallCount(slot); }
};

TEST_F(AccelDriver, ModeSetThroughTheDriver) {
    GdlDeviceContext* dc = Start(16, {}, 2);
    ASSERT_NE(dc, nullptr);
    const GdlDeviceContext* live = GDL_liveDC(dc);
    EXPECT_EQ(live->mode.maxPage, 1u);
    EXPECT_EQ(live->flags & GDL_ACCESS_MASK, 2u);
    EXPECT_EQ(live->flags & 0x4790u, 0x4790u) << "lines, fills, blits, clipping";
    EXPECT_TRUE(live->driverState->hardwareCursor);
    EXPECT_EQ(platform::VbeCurrentMode() & 0x4000, 0x4000);
    GDL_setActivePage(dc, 1);
    EXPECT_EQ(Calls(vb::kSetActiveBuffer), (std::vector<Args>{{1}}));
    EXPECT_EQ(GDL_liveDC(dc)->surface, live->frameBase + live->mode.pageSize);
    GDL_destroyDisplayDC(dc);
    EXPECT_EQ(Count(vb::kRestoreTextMode), 1u);
    EXPECT_EQ(platform::VbeCurrentMode(), 0);
}

// The switch back sets the mode again on the same context: its wrappers
// are not wrapped again (a wrapper calling itself would never return).
TEST_F(AccelDriver, ModeSetAgainKeepsTheVector) {
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(ACCEL_restoreMode(GDL_liveDC(dc)));
    EXPECT_EQ(Count(vb::kSetMode), 1u);
    platform::VbeafClearCallLog();
    GDL_putPixel(1, 1);
    GDL_fillRect(0, 0, 4, 4);
    EXPECT_EQ(Count(vb::kEnableDirect), 1u);
    EXPECT_EQ(Count(vb::kDrawRect), 1u);
}

TEST_F(AccelDriver, FillsReachTheDriverAsPositionAndSize) {
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    GDL_setColor(0x1234);
    platform::VbeafClearCallLog();
    GDL_fillRect(10, 20, 30, 25);
    EXPECT_EQ(Calls(vb::kDrawRect), (std::vector<Args>{{0x1234, 10, 20, 20, 5}}));
}

TEST_F(AccelDriver, SpansListsAndLinesWithTheCurrentColour) {
    GdlDeviceContext* dc = Start(8);
    ASSERT_NE(dc, nullptr);
    GDL_setColor(7);
    platform::VbeafClearCallLog();
    GDL_line(5, 6, 40, 9);
    const std::vector<Args> lines = Calls(vb::kDrawLine);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], (Args{7, 5 << 16, 6 << 16, 40 << 16, 9 << 16}));
    // A filled polygon is spans, one call a row or a list.
    const int32_t points[] = {100 << 16, 100 << 16, 140 << 16, 100 << 16, 120 << 16, 130 << 16};
    GDL_fillPolygon(3, points, 8);
    EXPECT_GT(Count(vb::kDrawScan) + Count(vb::kDrawScanList), 0u);
    // A vector glyph's strokes are the driver's lines, outside any bracket.
    const uint16_t strokes[] = {DRV_makeStroke(0, 0, true), DRV_makeStroke(6, 4, false),
                                DRV_makeStroke(6, 0, false), 0};
    platform::VbeafClearCallLog();
    GDL_liveDC(dc)->v.strokeGlyph(200, 200, strokes, 1, 1, 1, 1);
    EXPECT_EQ(Count(vb::kDrawLine), 2u);
    EXPECT_EQ(Count(vb::kEnableDirect), 0u);
}

TEST_F(AccelDriver, MonoImagesCutByTheClip) {
    GdlDeviceContext* dc = Start(8);
    ASSERT_NE(dc, nullptr);
    const uint8_t bits[16] = {0xFF, 0x81};
    GDL_setColor(9);
    GDL_setBackColor(2);
    GDL_setClipRect(dc, 0, 0, 100, 100);
    platform::VbeafClearCallLog();
    GDL_drawMonoImage(dc, 96, 98, 2, 8, bits);
    GDL_drawMonoImage(dc, 100, 0, 2, 8, bits); // wholly outside
    EXPECT_EQ(Calls(vb::kPutMonoImage), (std::vector<Args>{{9, 2, 96, 98, 2, 0, 0, 4, 2, 1}}));
}

// The line style and its position go to the driver's stipple entries as
// they are set; a styled line goes to its stippled line with the position
// moved on by the line's pixels on both sides, and is sent again only after
// something else moved it (the software line of another write mode).
TEST_F(AccelDriver, StyledLinesThroughTheStippleEntries) {
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(GDL_liveDC(dc)->flags & 0x20);
    GDL_setColor(0x4321);
    GDL_setPenStyle(1);
    platform::VbeafClearCallLog();
    GDL_setLineStyle(0x0F0F);
    GDL_setLineStylePos(5);
    EXPECT_EQ(Calls(vb::kSetLineStipple), (std::vector<Args>{{0x0F0F}}));
    EXPECT_EQ(Calls(vb::kSetLineStippleCount), (std::vector<Args>{{5}}));
    platform::VbeafClearCallLog();
    GDL_line(10, 12, 20, 12);
    GDL_line(20, 12, 20, 40);
    EXPECT_EQ(Calls(vb::kDrawStippleLine),
              (std::vector<Args>{{0x4321, 10 << 16, 12 << 16, 20 << 16, 12 << 16},
                                 {0x4321, 20 << 16, 12 << 16, 20 << 16, 40 << 16}}));
    EXPECT_EQ(Count(vb::kSetLineStippleCount) + Count(vb::kSetLineStipple), 0u);
    EXPECT_EQ(GDL_liveDC(dc)->attr.lineStylePos, 5u + 11 + 29);
    GDL_setWriteMode(3);
    platform::VbeafClearCallLog();
    GDL_line(0, 0, 9, 0);
    EXPECT_EQ(Count(vb::kDrawStippleLine), 0u) << "the dotted line replaces: in software";
    EXPECT_EQ(Count(vb::kEnableDirect), 1u);
    GDL_setWriteMode(0);
    platform::VbeafClearCallLog();
    GDL_line(0, 0, 9, 0);
    EXPECT_EQ(Calls(vb::kSetLineStippleCount), (std::vector<Args>{{5 + 11 + 29 + 10}}));
    EXPECT_EQ(Count(vb::kDrawStippleLine), 1u);
    // On an off-screen context the rows are the offscreen memory's.
    GdlDeviceContext* off = GDL_createOffscreenDC(dc);
    ASSERT_NE(off, nullptr);
    GDL_selectCurrentDC(off);
    GDL_setPenStyle(1);
    platform::VbeafClearCallLog();
    GDL_line(1, 2, 7, 2);
    const int64_t top = int64_t(ACCEL_field(vb::kOffscreenTop)) << 16;
    ASSERT_EQ(Count(vb::kDrawStippleLine), 1u);
    EXPECT_EQ(Calls(vb::kDrawStippleLine)[0][2], (2 << 16) + top);
}

// Without the stipple entries the library's own dotted line draws and the
// driver hears nothing of the style.
TEST_F(AccelDriver, StyledLinesWithoutTheStippleEntriesStayInSoftware) {
    tools::VbeafOptions o;
    o.absent.assign(std::begin(tools::kStippleEntries), std::end(tools::kStippleEntries));
    GdlDeviceContext* dc = Start(8, o);
    ASSERT_NE(dc, nullptr);
    EXPECT_FALSE(GDL_liveDC(dc)->flags & 0x20);
    GDL_setColor(6);
    GDL_setLineStyle(0x0005);
    GDL_setLineStylePos(0);
    GDL_setPenStyle(1);
    GDL_line(0, 1, 5, 1);
    ACCEL_waitIdle();
    EXPECT_EQ(Count(vb::kSetLineStipple) + Count(vb::kSetLineStippleCount), 0u);
    EXPECT_EQ(Count(vb::kEnableDirect), 1u);
    const GdlDeviceContext* live = GDL_liveDC(dc);
    const uint8_t* row =
        platform::AdapterVideoMemory().base + live->frameStart + live->mode.bytesPerLine;
    EXPECT_EQ(std::vector<uint8_t>(row, row + 7), (std::vector<uint8_t>{6, 0, 6, 6, 0, 6, 0}));
}

// The two further primitives reach the driver with the current colour and
// their arguments as they are, only where the driver has them and only on
// its own screen; the accelerator records them and draws nothing.
TEST_F(AccelDriver, FurtherPrimitivesRecordedWithTheCurrentColour) {
    struct Case {
        std::vector<uint32_t> absent;
        bool flag;
        int32_t five, six; // what the two calls answer
    };
    const Case cases[] = {{{}, true, 1, 1},
                          {{vb::kDrawExtra6}, true, 1, 0},
                          {{vb::kDrawExtra5, vb::kDrawExtra6}, false, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.absent.size());
        tools::VbeafOptions o;
        o.absent = c.absent;
        GdlDeviceContext* dc = Start(16, o);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ((GDL_liveDC(dc)->flags & 0x40) != 0, c.flag);
        GDL_setColor(0x0A0B);
        ACCEL_waitIdle();
        const platform::VideoMemoryView video = platform::AdapterVideoMemory();
        const std::vector<uint8_t> before(video.base, video.base + video.size);
        platform::VbeafClearCallLog();
        EXPECT_EQ(ACCEL_drawExtra5(1, -2, 3 << 16, 400), c.five);
        EXPECT_EQ(ACCEL_drawExtra6(5, 6, 7, 8, -9), c.six);
        const std::vector<Args> five{{0x0A0B, 1, -2, 3 << 16, 400}}, six{{0x0A0B, 5, 6, 7, 8, -9}};
        EXPECT_EQ(Calls(vb::kDrawExtra5), c.five ? five : std::vector<Args>());
        EXPECT_EQ(Calls(vb::kDrawExtra6), c.six ? six : std::vector<Args>());
        ACCEL_waitIdle();
        EXPECT_TRUE(std::equal(before.begin(), before.end(), video.base)) << "nothing drawn";
        GdlDeviceContext* memory = GDL_createMemoryDC(8, 8, 16, nullptr);
        GDL_selectCurrentDC(memory);
        EXPECT_EQ(ACCEL_drawExtra5(1, 2, 3, 4), 0) << "not the driver's screen";
        GDL_resetLibrary();
    }
}

// The 1-bit image vector needs the driver's entry; the entry or the image
// field gives the cursor through the saved software routine (the clip
// opened, then clip, colour and write mode as they were) and bitmap text
// through whatever draws the images.
TEST_F(AccelDriver, MonoImagesCursorAndTextByTheDriversEntries) {
    struct Case {
        bool entry;
        uint32_t field; // 0x224
        bool flag;
    };
    const Case cases[] = {
        {true, 0, true}, {false, 0, false}, {false, 0x1234, true}, {true, 0x1234, true}};
    const testsupport::SeededFont font;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry * 10 + (c.field != 0));
        tools::VbeafOptions o;
        if (!c.entry) o.absent = {vb::kPutMonoImage};
        o.monoImageField = c.field;
        GdlDeviceContext* dc = Start(8, o);
        ASSERT_NE(dc, nullptr);
        GdlDeviceContext* live = GDL_liveDC(dc);
        EXPECT_EQ((live->flags & 0x2000) != 0, c.flag);
        EXPECT_EQ(live->v.drawString == DRV_drawString, c.flag) << "unwrapped";
        const uint8_t bits[8] = {0xAA, 0x55};
        GDL_drawMonoImage(dc, 10, 10, 1, 8, bits);
        EXPECT_EQ(Count(vb::kPutMonoImage), c.entry ? 1u : 0u);
        ASSERT_TRUE(GDL_useFont(&font.font));
        platform::VbeafClearCallLog();
        GDL_drawStrAt(50, 50, "ABC");
        EXPECT_EQ(Count(vb::kPutMonoImage), c.entry ? 3u : 0u);

        GDL_setColor(7);
        GDL_fillRect(0, 0, 40, 40);
        GDL_setClipRect(dc, 100, 100, 200, 200);
        GDL_setWriteMode(2);
        GDL_setColor(9);
        const GdlRect clip = live->clipDevice;
        uint8_t andMask[128]{}, xorMask[128]{};
        andMask[0] = 0xC0; // (5, 5) and (6, 5) cleared, then (5, 5) given the colour
        xorMask[0] = 0x80;
        platform::VbeafClearCallLog();
        live->v.drawCursorImage(live, 5, 5, 4, 32, andMask, xorMask, 3);
        EXPECT_EQ(Count(vb::kPutMonoImage), 0u) << "the saved software routine";
        EXPECT_EQ(Count(vb::kEnableDirect), 1u);
        EXPECT_EQ(Count(vb::kDisableDirect), 1u);
        EXPECT_EQ(Count(vb::kSetClipRect), 0u);
        EXPECT_EQ(Calls(vb::kSetMix).back(), (Args{2, 4}));
        EXPECT_EQ(live->attr.writeMode, 2);
        EXPECT_EQ(live->attr.color, 9u);
        EXPECT_EQ(live->packedColor & 0xFF, 9u);
        EXPECT_EQ(std::vector<int32_t>({live->clipDevice.left, live->clipDevice.top,
                                        live->clipDevice.right, live->clipDevice.bottom}),
                  std::vector<int32_t>({clip.left, clip.top, clip.right, clip.bottom}));
        ACCEL_waitIdle();
        const uint8_t* row =
            platform::AdapterVideoMemory().base + live->frameStart + 5 * live->mode.bytesPerLine;
        EXPECT_EQ(std::vector<uint8_t>(row + 5, row + 8), (std::vector<uint8_t>{3, 0, 7}))
            << "drawn outside the clip";
        // Inside a caller's bracket: access enabled and disabled once.
        platform::VbeafClearCallLog();
        GDL_beginPixelAccess();
        live->v.drawCursorImage(live, 5, 5, 4, 32, andMask, xorMask, 3);
        GDL_drawStrAt(50, 50, "AB");
        GDL_endPixelAccess();
        EXPECT_EQ(Count(vb::kEnableDirect), 1u);
        EXPECT_EQ(Count(vb::kDisableDirect), 1u);
        GDL_resetLibrary();
    }
}

TEST_F(AccelDriver, MixPairsPerWriteModeAndFillStyle) {
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    struct Case {
        int32_t writeMode, fillStyle;
        Args mix;
    };
    const Case cases[] = {{0, 0, {0, 4}}, {3, 0, {3, 4}}, {2, 1, {2, 2}},
                          {1, 2, {1, 4}}, {0, 3, {0, 4}}, {3, 1, {3, 3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.writeMode * 10 + c.fillStyle);
        GDL_setFillStyle(c.fillStyle);
        platform::VbeafClearCallLog();
        GDL_setWriteMode(c.writeMode);
        EXPECT_EQ(Calls(vb::kSetMix).back(), c.mix);
    }
}

TEST_F(AccelDriver, PatternsGoToTheDriver) {
    GdlDeviceContext* dc = Start(32);
    ASSERT_NE(dc, nullptr);
    const uint8_t mono[8] = {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81};
    uint32_t colours[64];
    for (int i = 0; i < 64; ++i)
        colours[i] = uint32_t(i * 0x010203);
    GDL_setMonoPattern(mono);
    GDL_setColorPattern(colours);
    EXPECT_EQ(Calls(vb::kSet8x8MonoPattern).size(), 1u);
    EXPECT_EQ(Calls(vb::kSet8x8ColorPattern), (std::vector<Args>{{0, 1}})) << "as pattern 0";
    EXPECT_EQ(Calls(vb::kUse8x8ColorPattern), (std::vector<Args>{{0}}));
    GDL_setColor(0xFF0000);
    GDL_setFillStyle(2);
    platform::VbeafClearCallLog();
    GDL_fillRect(0, 0, 16, 8);
    EXPECT_EQ(Calls(vb::kDrawPattRect), (std::vector<Args>{{0xFF0000, 0, 0, 16, 8}}));
    GDL_setFillStyle(3);
    platform::VbeafClearCallLog();
    GDL_fillRect(0, 0, 16, 8);
    EXPECT_EQ(Calls(vb::kDrawColorPattRect).size(), 1u);
    // An opaque pattern has a back colour the driver is not told: drawn in
    // software after the accelerator finished.
    GDL_setFillStyle(1);
    platform::VbeafClearCallLog();
    GDL_fillRect(0, 0, 16, 8);
    EXPECT_EQ(Count(vb::kDrawPattRect), 0u);
    EXPECT_EQ(Count(vb::kEnableDirect), 1u);
}

// Wrapped software routines: a driver without direct access waits for the
// accelerator first; one with it enables access around the outermost call.
TEST_F(AccelDriver, WrappersAroundTheSoftwareRenderers) {
    tools::VbeafOptions plain;
    plain.absent = {vb::kEnableDirect, vb::kDisableDirect};
    GdlDeviceContext* dc = Start(16, plain);
    ASSERT_NE(dc, nullptr);
    GDL_putPixel(3, 4);
    EXPECT_GE(Count(vb::kWaitIdle), 1u);
    EXPECT_EQ(Count(vb::kEnableDirect), 0u);
    GDL_resetLibrary();

    dc = Start(16);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* live = GDL_liveDC(dc);
    live->v.beginDirectAccess();
    live->v.beginDirectAccess();
    GDL_putPixel(3, 4);
    GDL_putPixel(5, 4);
    live->v.endDirectAccess();
    live->v.endDirectAccess();
    EXPECT_EQ(Count(vb::kEnableDirect), 1u);
    EXPECT_EQ(Count(vb::kDisableDirect), 1u);
    EXPECT_EQ(DDRAW_lockCount(), -1);
    platform::VbeafClearCallLog();
    GDL_putPixel(3, 4);
    EXPECT_EQ(Count(vb::kEnableDirect), 1u) << "outside a bracket: one of its own";
    EXPECT_EQ(Count(vb::kDisableDirect), 1u);
}

// A software pixel over an accelerated fill lands on top, with and without
// direct access, inside a caller's bracket and outside it.
TEST_F(AccelDriver, SoftwareDrawingFollowsTheAcceleratorsWork) {
    for (bool direct : {false, true})
        for (bool bracket : {false, true}) {
            SCOPED_TRACE(direct * 10 + bracket);
            tools::VbeafOptions o;
            if (!direct) o.absent = {vb::kEnableDirect, vb::kDisableDirect};
            GdlDeviceContext* dc = Start(8, o);
            ASSERT_NE(dc, nullptr);
            if (bracket) GDL_beginPixelAccess();
            GDL_setColor(3);
            GDL_fillRect(0, 0, 10, 10);
            GDL_setColor(5);
            GDL_putPixel(4, 4);
            GDL_setColor(6);
            GDL_fillRect(6, 6, 8, 8);
            if (bracket) GDL_endPixelAccess();
            ACCEL_waitIdle();
            const GdlDeviceContext* live = GDL_liveDC(dc);
            const uint8_t* row = platform::AdapterVideoMemory().base + live->frameStart;
            const uint32_t pitch = live->mode.bytesPerLine;
            EXPECT_EQ(row[4 * pitch + 4], 5);
            EXPECT_EQ(row[4 * pitch + 5], 3);
            EXPECT_EQ(row[6 * pitch + 6], 6);
            GDL_resetLibrary();
        }
}

TEST_F(AccelDriver, ModeWithoutAccelerationKeepsTheSoftwareRenderers) {
    tools::VbeafOptions o;
    o.modes = {{0x101, 640, 480, 8, 2, 0x0049}}; // linear, buffers, cursor; not accelerated
    GdlDeviceContext* dc = Start(8, o, 2);
    ASSERT_NE(dc, nullptr);
    GDL_setVisualPage(dc, 1, 0);
    EXPECT_EQ(Count(vb::kSetVisibleBuffer), 1u);
    const GdlPaletteEntry grey[2] = {{9, 9, 9, 0}, {8, 8, 8, 0}};
    GDL_setPalette(dc, grey, 2, 0);
    GDL_realizePalette(dc, 2, 0, 0);
    EXPECT_EQ(Count(vb::kSetPalette), 1u);
    platform::VbeafClearCallLog();
    GDL_fillRect(0, 0, 10, 10);
    GDL_putPixel(1, 1);
    EXPECT_TRUE(platform::VbeafCallLog().empty()) << "drawn in software, unwrapped";
}

// The colours set are the colours shown: each hardware entry takes the
// palette entry of its own index, at the DAC width the mode's attributes
// give (80h: 8-bit values as they are, else their top six bits).
TEST_F(AccelDriver, PaletteEntriesShowAsSetInTheirOwnPlaces) {
    const struct {
        uint16_t attributes;
        int shift;
    } cases[] = {{0x00D9, 0}, {0x0059, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attributes);
        tools::VbeafOptions o;
        o.modes = {{0x101, 640, 480, 8, 2, c.attributes}};
        GdlDeviceContext* dc = Start(8, o);
        ASSERT_NE(dc, nullptr);
        uint8_t below[3];
        platform::VgaDacEntry(15, below);
        const uint8_t values[] = {12, 32, 200, 255, 0, 85, 170, 1};
        for (int32_t i = 16; i < 32; ++i)
            GDL_setPaletteEntry(dc, i, values[i % 8], values[(i + 1) % 8], uint8_t(i));
        GDL_realizePalette(dc, 16, 16, 0);
        for (int32_t i = 16; i < 32; ++i) {
            uint8_t rgb[3];
            platform::VgaDacEntry(i, rgb);
            EXPECT_EQ(rgb[0], values[i % 8] >> c.shift) << i;
            EXPECT_EQ(rgb[1], values[(i + 1) % 8] >> c.shift) << i;
            EXPECT_EQ(rgb[2], i >> c.shift) << i;
        }
        uint8_t after[3];
        platform::VgaDacEntry(15, after);
        EXPECT_EQ(std::vector<uint8_t>(after, after + 3), std::vector<uint8_t>(below, below + 3));
        GDL_resetLibrary();
    }
}

TEST_F(AccelDriver, PaletteLoadsStopAtTheLastEntry) {
    GdlDeviceContext* dc = Start(8);
    ASSERT_NE(dc, nullptr);
    GdlPaletteEntry entries[256]{};
    ACCEL_setPalette(GDL_liveDC(dc), entries, 200, 250, 0);
    EXPECT_EQ(Calls(vb::kSetPalette), (std::vector<Args>{{1, 6, 250, 0}}));
    platform::VbeafClearCallLog();
    ACCEL_setPalette(GDL_liveDC(dc), entries, 4, 256, 0);
    ACCEL_setPalette(GDL_liveDC(dc), entries, 0, 3, 0);
    EXPECT_EQ(Count(vb::kSetPalette), 0u);
}

TEST_F(AccelDriver, BlitsWithinTheScreen) {
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    GDL_bitBlt(dc, dc, 10, 20, 50, 40, 100, 200, 3);
    EXPECT_EQ(Calls(vb::kBitBlt), (std::vector<Args>{{10, 20, 40, 20, 100, 200, 3}}));
}

// Overlapping copies either way and cut by the clip equal the library's own
// copy on a memory context.
TEST_F(AccelDriver, OverlappingBlitsEqualTheSoftwareCopy) {
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    GdlPixelFormat format = GDL_liveDC(dc)->format;
    GdlDeviceContext* memory = GDL_createMemoryDC(640, 480, 16, &format);
    ASSERT_NE(memory, nullptr);
    for (GdlDeviceContext* target : {dc, memory}) {
        GDL_selectCurrentDC(target);
        for (int32_t i = 0; i < 40; ++i) {
            GDL_setColor(uint32_t(i * 1601));
            GDL_fillRect(i * 3, i * 2, i * 3 + 7, i * 2 + 5);
        }
        GDL_setClipRect(target, 0, 0, 600, 100);
        GDL_bitBlt(target, target, 0, 0, 100, 80, 3, 2, 0);     // down and right
        GDL_bitBlt(target, target, 10, 10, 120, 90, 5, 4, 0);   // up and left
        GDL_bitBlt(target, target, 20, 0, 140, 60, 550, 70, 0); // cut by the clip
    }
    GDL_selectCurrentDC(dc);
    ACCEL_waitIdle();
    EXPECT_GE(Count(vb::kBitBlt), 3u);
    const GdlDeviceContext* live = GDL_liveDC(dc);
    const GdlDeviceContext* mem = GDL_liveDC(memory);
    const uint8_t* video = platform::AdapterVideoMemory().base + live->frameStart;
    for (int32_t y = 0; y < 120; ++y)
        ASSERT_EQ(std::memcmp(video + size_t(y) * live->mode.bytesPerLine,
                              mem->surface + size_t(y) * mem->mode.bytesPerLine, 640 * 2),
                  0)
            << "row " << y;
}

TEST_F(AccelDriver, OffscreenContexts) {
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* off = GDL_createOffscreenDC(dc);
    ASSERT_NE(off, nullptr) << GDL_lastResult() << " " << std::hex << GDL_liveDC(dc)->flags;
    const GdlDeviceContext* o = GDL_liveDC(off);
    const uint32_t top = ACCEL_field(vb::kOffscreenTop);
    EXPECT_EQ(o->type, GDL_DC_OFFSCREEN);
    EXPECT_EQ(top, 480u);
    EXPECT_EQ(o->mode.maxY, ACCEL_field(vb::kOffscreenBottom) - top);
    EXPECT_EQ(o->surface, GDL_liveDC(dc)->frameBase + ACCEL_field(vb::kOffscreenStart));
    // Drawing on it goes below the screen; its copies to the screen come
    // from offscreen memory, cut by the screen's clip.
    GDL_fillRect(0, 0, 8, 8); // on the display, current
    GDL_selectCurrentDC(off);
    platform::VbeafClearCallLog();
    GDL_fillRect(1, 2, 5, 6);
    const std::vector<Args> rects = Calls(vb::kDrawRect);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(Args(rects[0].begin() + 1, rects[0].end()), (Args{1, 2 + int64_t(top), 4, 4}));
    GDL_selectCurrentDC(dc);
    GDL_setClipRect(dc, 100, 100, 200, 200);
    platform::VbeafClearCallLog();
    GDL_bitBlt(dc, off, 0, 0, 50, 50, 90, 120, 0);
    const int64_t start = ACCEL_field(vb::kOffscreenStart);
    EXPECT_EQ(Calls(vb::kBitBltSys),
              (std::vector<Args>{{start, 1280, 10, 0, 40, 50, 100, 120, 0}}));
    platform::VbeafClearCallLog();
    GDL_bitBlt(dc, off, 0, 0, 50, 50, 300, 300, 0);
    EXPECT_EQ(Count(vb::kBitBltSys), 0u) << "nothing for an empty clip";
    GdlDeviceContext copy = *GDL_liveDC(dc);
    EXPECT_EQ(ACCEL_makeOffscreenDC2(&copy), 1);
    EXPECT_EQ(copy.type, GDL_DC_OFFSCREEN_ACCEL);
}

// No hardware blit, no offscreen memory, and an area the driver reports
// that does not lie inside its memory.
TEST_F(AccelDriver, OffscreenRefusals) {
    struct Case {
        std::vector<uint32_t> absent;
        uint32_t memoryKB;
        uint32_t field, value; // written over the driver's report (field 0: none)
        int32_t result;
    };
    const Case cases[] = {
        {{vb::kBitBlt}, 4096, 0, 0, GDL_NO_HW_BITBLT},
        {{}, 600, 0, 0, GDL_NO_OFFSCREEN_MEMORY}, // one page fills it
        {{}, 4096, vb::kOffscreenBottom, 0x7FFFFFFF, GDL_NO_OFFSCREEN_MEMORY},
        {{}, 4096, vb::kOffscreenBottom, 480, GDL_NO_OFFSCREEN_MEMORY},
        {{}, 4096, vb::kOffscreenStart, 0xFFFFF000, GDL_NO_OFFSCREEN_MEMORY},
        {{}, 4096, vb::kOffscreenWidth, 5000, GDL_NO_OFFSCREEN_MEMORY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        tools::VbeafOptions o;
        o.absent = c.absent;
        o.memoryKB = c.memoryKB;
        GdlDeviceContext* dc = Start(16, o);
        ASSERT_NE(dc, nullptr);
        if (c.field) {
            uint8_t* at = ACCEL_driver()->image + c.field;
            for (int i = 0; i < 4; ++i)
                at[i] = uint8_t(c.value >> (8 * i));
        }
        GDL_lastResult();
        EXPECT_EQ(GDL_createOffscreenDC(dc), nullptr);
        EXPECT_EQ(GDL_lastResult(), c.result);
        GDL_resetLibrary();
    }
}

TEST_F(AccelDriver, HardwareCursorThroughTheLibraryCursor) {
    for (int32_t bits : {8, 16}) {
        SCOPED_TRACE(bits);
        GdlDeviceContext* dc = Start(bits);
        ASSERT_NE(dc, nullptr);
        uint8_t record[GDL_CURSOR_RECORD_SIZE]{};
        record[0] = 0x80;   // first image: the top left pixel exclusive-or'd
        record[128] = 0xC0; // second image: the two top left pixels black
        record[256] = 1;    // hot spot (1, 2)
        record[260] = 2;
        GDL_setMouseDC(dc);
        GDL_setMouseCursor(record);
        GDL_setMouseColor(bits == 8 ? 12 : 0xF800);
        GDL_mouseMoved(30, 40);
        GDL_showMouse();
        const platform::VbeafCursorState c = platform::VbeafCursor();
        EXPECT_TRUE(c.shapeSet);
        EXPECT_TRUE(c.shown);
        EXPECT_EQ(c.x, 30);
        EXPECT_EQ(c.y, 40);
        if (bits == 8)
            EXPECT_EQ(Calls(vb::kSetCursorColor).back(), (Args{12, 0, 0}));
        else
            EXPECT_EQ(Calls(vb::kSetCursorColor).back(), (Args{0xF8, 0, 0}));
        EXPECT_EQ(Count(vb::kWaitIdle), 0u) << "nothing drawn for the cursor";
        GDL_hideMouse();
        EXPECT_FALSE(platform::VbeafCursor().shown);
        GDL_setMouseDC(nullptr);
        GDL_resetLibrary();
    }
}

// The library started and left again and again on one card: what it takes
// from the support library at each start (the VESA buffer's selector) goes
// back at each exit, so the hundredth start works as the first.
TEST_F(AccelDriver, StartsAndExitsOnOneCardKeepTheSupportLibrarysSelectors) {
    ASSERT_TRUE(platform::UseAdapter("accel"));
    dir_.Write("VBEAF.DRV", tools::WriteVbeaf({}));
    for (int i = 0; i < 300; ++i) {
        testsupport::RegisterLinkedDrivers({"ACCEL"});
        int32_t driver = GDL_TYPE_ACCEL_SVGA, mode = testsupport::ModeOf(640, 480, 16);
        ASSERT_TRUE(GDL_init(&driver, &mode, ".")) << i;
        ASSERT_NE(GDL_createDisplayDCPages(1), nullptr) << i;
        GDL_exit();
    }
}

TEST(AccelWrappers, ArgumentCountsOfTheWrappedMembers) {
    int32_t members[16]{};
    DRV_lockedCallWords(members, 16);
    // The members' own argument lists (a rectangle passed as a pointer is
    // one argument here): 159 members in all.
    const int32_t expected[16] = {0, 19, 22, 32, 37, 7, 18, 9, 4, 1, 6, 0, 2, 0, 2, 0};
    int32_t total = 0;
    for (int32_t n : members)
        total += n;
    EXPECT_EQ(total, 159);
    EXPECT_EQ(std::vector<int32_t>(members, members + 16),
              std::vector<int32_t>(expected, expected + 16));
}

} // namespace
