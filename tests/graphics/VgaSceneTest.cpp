// The VGA drivers on the simulated adapter: the library's scene on the
// screen context against a memory context of the same format, read back
// through the adapter's packed view (pixels gathered from the planes) and
// through the scan-out (each doubled line once) with the DAC's colours.
#include "LinkedDrivers.h"
#include "GdlScene.h"
#include "MemoryDesktop.h"
#include "TempDir.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/render.h"
#include "gdl/shading.h"
#include "gdl/vga.h"
#include "gdl/windc.h"
#include "platform/Adapter.h"
#include "platform/FsDirect.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class VgaScene : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    GdlDeviceContext* Open(int32_t mode, int32_t pages) {
        if (!platform::UseAdapter("vga")) return nullptr;
        testsupport::RegisterLinkedDrivers();
        int32_t driver = -1;
        if (!GDL_init(&driver, &mode, ".")) return nullptr;
        return GDL_createDisplayDCPages(pages);
    }
    testsupport::TempDir folder_;
};

uint32_t dacColour(int index) {
    uint8_t e[3];
    platform::VgaDacEntry(index, e);
    auto w = [](uint8_t v) { return uint32_t((v << 2) | (v >> 4)); };
    return w(e[0]) << 16 | w(e[1]) << 8 | w(e[2]);
}

// A memory context's pixel: a byte, or at 4 bits a nibble (even x low).
uint8_t pixelOf(const GdlDeviceContext* memory, int x, int y) {
    const uint8_t* row = memory->surface + size_t(y) * memory->mode.bytesPerLine;
    if (memory->mode.bitsPerPixel == 4) return uint8_t((row[x / 2] >> (4 * (x & 1))) & 0x0F);
    return row[x];
}

// The packed view equals the memory context row by row, and every shown
// line equals its row through the DAC (the 16-colour modes' attribute
// palette is the identity).
::testing::AssertionResult matches(const GdlDeviceContext* memory, int perRow) {
    const int width = int(memory->mode.maxX) + 1, height = int(memory->mode.maxY) + 1;
    const platform::VgaPackedView packed = platform::VgaPacked();
    if (packed.width != width || packed.height < height)
        return ::testing::AssertionFailure()
               << "packed view " << packed.width << " x " << packed.height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t got = packed.pixels[size_t(y) * width + x];
            const uint8_t want = pixelOf(memory, x, y);
            if (got != want)
                return ::testing::AssertionFailure()
                       << "video memory differs at (" << x << ", " << y << "): " << int(got)
                       << " for " << int(want);
        }
    const platform::Frame frame = platform::VgaFrame();
    if (frame.height != height * perRow) return ::testing::AssertionFailure() << frame.height;
    for (int line = 0; line < frame.height; ++line)
        for (int x = 0; x < width; ++x) {
            const uint8_t p = pixelOf(memory, x, line / perRow);
            if (frame.pixels[size_t(line) * width + x] != dacColour(p))
                return ::testing::AssertionFailure() << "scan-out differs at line " << line;
        }
    return ::testing::AssertionSuccess();
}

// Mode X hands colour-pattern spans to the library's generic span, which
// combines them by the write mode; the packed renderer stores them as they
// are. The reference context takes the generic span for them too.
GdlDeviceContext* modeXReference(int32_t width, int32_t height) {
    GdlDeviceContext* memory = GDL_createMemoryDC(width, height, 8, nullptr);
    if (memory)
        for (int t : {3, 7})
            GDL_liveDC(memory)->v.tables[t].span = DRV_scanLine;
    return memory;
}

TEST_F(VgaScene, ModeThirteenMatchesAPackedContext) {
    GdlDeviceContext* screen = Open(6, 1);
    ASSERT_NE(screen, nullptr);
    EXPECT_STREQ(GDL_modeDriverName(6), "VGA8.DRV");
    EXPECT_EQ(platform::VgaSequencer(4) & 0x08, 0x08); // chain-4
    GdlDeviceContext* memory = GDL_createMemoryDC(320, 200, 8, nullptr);
    ASSERT_NE(memory, nullptr);
    for (int32_t frame = 0; frame < 2; ++frame) {
        tools::DrawGdlScene(screen, frame);
        tools::DrawGdlScene(memory, frame);
        EXPECT_TRUE(matches(GDL_liveDC(memory), 2)) << frame;
    }
}

// Mode X in its four sizes: the planes gathered per pixel equal a packed
// context, and the two doubled sizes show each row twice.
TEST_F(VgaScene, ModeXMatchesAPackedContext) {
    struct Case {
        int32_t mode, height, perRow;
    };
    const Case cases[] = {{7, 200, 2}, {8, 240, 2}, {9, 400, 1}, {10, 480, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        GdlDeviceContext* screen = Open(c.mode, 1);
        ASSERT_NE(screen, nullptr);
        EXPECT_STREQ(GDL_modeDriverName(c.mode), "VGAX.DRV");
        EXPECT_EQ(platform::VgaSequencer(4) & 0x08, 0); // chain-4 off
        GdlDeviceContext* memory = modeXReference(320, c.height);
        ASSERT_NE(memory, nullptr);
        tools::DrawGdlScene(screen, 0);
        tools::DrawGdlScene(memory, 0);
        EXPECT_TRUE(matches(GDL_liveDC(memory), c.perRow));
        GDL_exit();
    }
}

// Drawing through the access calls equals a packed context for each write
// mode and fill style: the plane masks of span ends, gathered line pixels,
// patterns, logical modes in the graphics controller and image puts that
// are or are not aligned to the planes.
TEST_F(VgaScene, ModeXRenderSetEqualsPackedPixels) {
    GdlDeviceContext* screen = Open(8, 1);
    ASSERT_NE(screen, nullptr);
    GdlDeviceContext* memory = modeXReference(320, 240);
    ASSERT_NE(memory, nullptr);
    GdlDeviceContext* image = GDL_createMemoryDC(64, 16, 8, nullptr);
    ASSERT_NE(image, nullptr);
    // One palette for all three, so the copies move indexes as they are.
    for (GdlDeviceContext* dc : {memory, image})
        std::memcpy(GDL_liveDC(dc)->palette, GDL_liveDC(screen)->palette,
                    256 * sizeof(GdlPaletteEntry));
    GDL_selectCurrentDC(image);
    for (int32_t i = 0; i < 64; ++i) {
        GDL_setColor(uint32_t(i * 3 + 1));
        GDL_line(i, 0, 63 - i, 15);
    }
    const uint8_t pattern[8] = {0xAA, 0x55, 0xF0, 0x0F, 0x81, 0x42, 0x24, 0x18};
    uint32_t colours[64];
    for (int32_t i = 0; i < 64; ++i)
        colours[i] = uint32_t(i * 5 + 7);
    auto draw = [&](GdlDeviceContext* dc) {
        GDL_selectCurrentDC(dc);
        for (int32_t op = 0; op < 4; ++op) {
            GDL_setWriteMode(op);
            const int32_t y = 10 + op * 50;
            for (int32_t style = 0; style < 4; ++style) {
                GDL_setFillStyle(style);
                GDL_setMonoPattern(pattern);
                GDL_setColorPattern(colours);
                GDL_setColor(uint32_t(0x30 + op * 16 + style));
                GDL_setBackColor(uint32_t(0x90 + style));
                GDL_fillRect(5 + style * 3, y + style * 9, 7 + style * 61, y + style * 9 + 8);
                GDL_fillRect(200 + style, y + style * 3, 319 - style, y + style * 3 + 2);
            }
            GDL_setFillStyle(0);
            // Logical-mode lines step the minor axis by another rule than the
            // packed renderer's: lines are compared in replace mode.
            GDL_setWriteMode(0);
            GDL_lineFX(0, (y + 30) << 16, (10 << 16) + 0x8000, (y + 30) << 16);
            GDL_line(20, y + 28, 180, y + 45);
            GDL_line(30, y + 45, 34, y + 20);
            GDL_line(40, y + 20, 40, y + 45);
            GDL_setWriteMode(op);
            GDL_bitBlt(dc, image, 0, 0, 64, 16, 60 + op * 3, y + 30, op);
            GDL_bitBlt(dc, image, 4, 0, 36, 16, 140 + op * 4, y + 30, op);
        }
        GDL_setWriteMode(0);
    };
    draw(screen);
    draw(memory);
    EXPECT_TRUE(matches(GDL_liveDC(memory), 2));
    // A span from x 5 to 7 (right exclusive) writes only planes 1 and 2 of
    // address 1.
    GDL_selectCurrentDC(screen);
    GDL_setColor(0);
    GDL_fillRect(0, 0, 320, 1);
    GDL_setColor(9);
    GDL_fillRect(5, 0, 7, 1);
    for (int plane = 0; plane < 4; ++plane)
        EXPECT_EQ(platform::VgaPlaneByte(plane, 1), plane == 1 || plane == 2 ? 9 : 0) << plane;
}

// The mode X image put at the edges of its block path: aligned widths that
// are not whole 16-pixel blocks, source rows of another pitch, rectangles cut
// by the screen's edges and unaligned ones give the generic put's pixels.
TEST_F(VgaScene, ModeXImagePutBlockPathEdges) {
    GdlDeviceContext* screen = Open(8, 1);
    ASSERT_NE(screen, nullptr);
    GdlDeviceContext* memory = modeXReference(320, 240);
    GdlDeviceContext* image = GDL_createMemoryDC(100, 24, 8, nullptr);
    ASSERT_TRUE(memory && image);
    for (GdlDeviceContext* dc : {memory, image})
        std::memcpy(GDL_liveDC(dc)->palette, GDL_liveDC(screen)->palette,
                    256 * sizeof(GdlPaletteEntry));
    GdlDeviceContext* live = GDL_liveDC(image);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 100; ++x)
            live->surface[size_t(y) * live->mode.bytesPerLine + x] = uint8_t(x * 7 + y * 13 + 1);
    struct Put {
        int32_t left, top, right, bottom, x, y;
    };
    const Put puts[] = {
        {0, 0, 20, 24, 8, 4},     // one block and four pixels
        {4, 2, 40, 20, 40, 4},    // two blocks and four, from inside the row
        {0, 0, 16, 24, 300, 40},  // cut by the right edge
        {8, 0, 100, 24, 280, 60}, // cut by the right edge mid-block
        {0, 0, 48, 24, -8, 80},   // cut by the left edge
        {0, 0, 32, 24, 100, 228}, // cut by the bottom
        {0, 0, 32, 24, 160, -10}, // cut by the top
        {2, 0, 34, 24, 200, 120}, // unaligned source
        {0, 0, 32, 24, 202, 150}, // unaligned destination
        {0, 0, 100, 24, 0, 200},  // whole rows of the image
    };
    for (GdlDeviceContext* dc : {screen, memory}) {
        GDL_selectCurrentDC(dc);
        GDL_setColor(0);
        GDL_fillRect(0, 0, 320, 240);
        for (const Put& p : puts)
            GDL_bitBlt(dc, image, p.left, p.top, p.right, p.bottom, p.x, p.y, 0);
    }
    EXPECT_TRUE(matches(GDL_liveDC(memory), 2));
}

// An application switch leaves the mode for text; coming back sets the mode,
// its registers, the palette and the pages again, in every VGA driver.
TEST_F(VgaScene, ASwitchBackRestoresModePagesAndPalette) {
    struct Case {
        int32_t mode;
        uint8_t seq4, crtc12; // chain-4 off for mode X and 16 colours, the display end
    };
    const Case cases[] = {{6, 0x0E, 0x8F}, {8, 0x06, 0xDF}, {4, 0x06, 0xDF}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        GdlDeviceContext* screen = Open(c.mode, 2);
        ASSERT_NE(screen, nullptr);
        GdlDeviceContext* live = GDL_liveDC(screen);
        const int32_t page = live->mode.maxPage >= 1 ? 1 : 0;
        GDL_setVisualPage(screen, page, 0);
        GDL_setPaletteEntry(screen, 9, 0x40, 0x80, 0xFC);
        GDL_realizePalette(screen, 256, 0, 0);
        ASSERT_TRUE(platform::FsDirectSwitchAway());
        EXPECT_EQ(platform::RealModeMemory()[0x449], 0x03);
        platform::FsDirectSwitchBack();
        EXPECT_EQ(platform::VgaSequencer(4), c.seq4);
        EXPECT_EQ(platform::VgaCrtc(0x12), c.crtc12);
        const uint32_t start = uint32_t(platform::VgaCrtc(0x0C)) << 8 | platform::VgaCrtc(0x0D);
        EXPECT_EQ(start, uint32_t(page) * live->mode.pageSize);
        uint8_t e[3];
        platform::VgaDacEntry(9, e);
        EXPECT_EQ(e[0], 0x10);
        EXPECT_EQ(e[1], 0x20);
        EXPECT_EQ(e[2], 0x3F);
        GDL_exit();
    }
}

// Corners given the other way round name the same box, as on every other
// driver: the planar sets draw the same outline for them.
TEST_F(VgaScene, PlanarEllipsesTakeCornersInEitherOrder) {
    for (int32_t mode : {8, 4}) {
        SCOPED_TRACE(mode);
        GdlDeviceContext* screen = Open(mode, 1);
        ASSERT_NE(screen, nullptr);
        GDL_selectCurrentDC(screen);
        auto drawn = [](int32_t l, int32_t t, int32_t r, int32_t b) {
            GDL_setColor(0);
            GDL_fillRect(0, 0, 320, 240);
            GDL_setColor(5);
            GDL_ellipse(l, t, r, b);
            return platform::VgaPacked().pixels;
        };
        const std::vector<uint8_t> ordered = drawn(20, 30, 81, 70);
        EXPECT_EQ(drawn(81, 70, 20, 30), ordered);
        EXPECT_EQ(drawn(81, 30, 20, 70), ordered);
        GDL_exit();
    }
}

// Ellipses follow the planar set's own midpoint rule; a box of width 0 (which
// would never leave the second region) is drawn as the library's outline.
TEST_F(VgaScene, ModeXEllipsesStayInTheirBoxAndEnd) {
    GdlDeviceContext* screen = Open(8, 1);
    ASSERT_NE(screen, nullptr);
    GDL_selectCurrentDC(screen);
    struct Box {
        int32_t left, top, right, bottom;
    };
    const Box boxes[] = {{10, 10, 60, 40},
                         {100, 20, 101, 90},
                         {150, 30, 150, 80},
                         {200, 50, 263, 50},
                         {300, 200, 340, 260}};
    for (const Box& b : boxes) {
        SCOPED_TRACE(b.left);
        GDL_setColor(0);
        GDL_fillRect(0, 0, 320, 240);
        GDL_setColor(5);
        GDL_ellipse(b.left, b.top, b.right, b.bottom);
        const platform::VgaPackedView packed = platform::VgaPacked();
        int lit = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                if (packed.pixels[size_t(y) * 320 + x]) {
                    ++lit;
                    EXPECT_TRUE(x >= b.left && x <= b.right && y >= b.top && y <= b.bottom)
                        << x << "," << y;
                }
        EXPECT_GT(lit, 0);
        // The top and bottom of the box are reached at its middle column.
        if (b.right < 320 && b.bottom < 240 && b.right > b.left) {
            EXPECT_EQ(packed.pixels[size_t(b.top) * 320 + (b.left + b.right) / 2], 5);
            EXPECT_EQ(packed.pixels[size_t(b.bottom) * 320 + (b.left + b.right) / 2], 5);
        }
    }
}

// The 16-colour modes: the planes gathered per pixel equal a 4-bit packed
// context, the attribute registers hold the identity palette, and the shown
// lines equal the rows through it.
TEST_F(VgaScene, SixteenColourModesMatchAPackedContext) {
    struct Case {
        int32_t mode, width, height, perRow;
    };
    const Case cases[] = {
        {0, 320, 200, 2}, {1, 640, 200, 2}, {2, 640, 350, 1}, {3, 640, 400, 1}, {4, 640, 480, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        GdlDeviceContext* screen = Open(c.mode, 1);
        ASSERT_NE(screen, nullptr);
        EXPECT_STREQ(GDL_modeDriverName(c.mode), "VGA4.DRV");
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(platform::VgaAttribute(i), i);
        EXPECT_EQ(platform::VgaInPort(0x3C0) & 0x20, 0x20); // video on
        GdlDeviceContext* memory = GDL_createMemoryDC(c.width, c.height, 4, nullptr);
        ASSERT_NE(memory, nullptr);
        std::memcpy(GDL_liveDC(memory)->palette, GDL_liveDC(screen)->palette,
                    16 * sizeof(GdlPaletteEntry));
        tools::DrawGdlScene(screen, 1);
        tools::DrawGdlScene(memory, 1);
        EXPECT_TRUE(matches(GDL_liveDC(memory), c.perRow));
        const platform::VgaPackedView packed = platform::VgaPacked();
        int colours[16] = {};
        for (uint8_t p : packed.pixels)
            ++colours[p & 15];
        EXPECT_GT(c.width * c.height - colours[0], 2000); // a scene, not a blank screen
        for (int i : {0, 1, 3, 5, 7, 8})
            EXPECT_EQ(platform::VgaGraphics(i), i == 7 ? 0x0F : i == 8 ? 0xFF : 0) << i;
        GDL_exit();
    }
}

// The 16-colour set through each write mode and fill style, with lines,
// 4-bit image puts at every alignment, copies within the screen (aligned
// ones through the latches, overlapping both ways) and a saved and restored
// rectangle, against a 4-bit packed context.
TEST_F(VgaScene, SixteenColourRenderSetEqualsPackedPixels) {
    GdlDeviceContext* screen = Open(4, 1);
    ASSERT_NE(screen, nullptr);
    GdlDeviceContext* memory = GDL_createMemoryDC(640, 480, 4, nullptr);
    GdlDeviceContext* image = GDL_createMemoryDC(40, 12, 4, nullptr);
    ASSERT_NE(memory, nullptr);
    ASSERT_NE(image, nullptr);
    for (GdlDeviceContext* dc : {memory, image})
        std::memcpy(GDL_liveDC(dc)->palette, GDL_liveDC(screen)->palette,
                    16 * sizeof(GdlPaletteEntry));
    GDL_selectCurrentDC(image);
    for (int32_t i = 0; i < 40; ++i) {
        GDL_setColor(uint32_t(i % 15 + 1));
        GDL_line(i, 0, 39 - i, 11);
    }
    const uint8_t pattern[8] = {0xAA, 0x55, 0xF0, 0x0F, 0x81, 0x42, 0x24, 0x18};
    auto draw = [&](GdlDeviceContext* dc) {
        GDL_selectCurrentDC(dc);
        GDL_setColor(3);
        GDL_fillRect(0, 0, 640, 480);
        for (int32_t op = 0; op < 4; ++op) {
            GDL_setWriteMode(op);
            const int32_t y = 10 + op * 60;
            for (int32_t style = 0; style < 3; ++style) {
                GDL_setFillStyle(style);
                GDL_setMonoPattern(pattern);
                GDL_setColor(uint32_t(5 + op * 2 + style));
                GDL_setBackColor(uint32_t(9 + style));
                GDL_fillRect(3 + style * 5, y + style * 9, 9 + style * 83, y + style * 9 + 8);
                GDL_fillRect(300 + style, y + style * 3, 301 + style * 2, y + style * 3 + 2);
            }
            GDL_setFillStyle(0);
            GDL_setColor(uint32_t(12 - op));
            GDL_line(20, y + 28, 180, y + 45);
            GDL_line(30, y + 45, 34, y + 20);
            GDL_line(41, y + 20, 41, y + 45);
            GDL_putPixel(200 + op, y + 30);
            for (int32_t shift = 0; shift < 3; ++shift)
                GDL_bitBlt(dc, image, shift, 0, 40 - shift, 12, 220 + op * 50 + shift * 3,
                           y + 30 + shift * 13, op);
        }
        GDL_setWriteMode(0);
        // Within the screen: aligned (latch copies, both directions), and not.
        GDL_bitBlt(dc, dc, 16, 10, 200, 100, 24, 14, 0);
        GDL_bitBlt(dc, dc, 27, 60, 180, 150, 19, 52, 0);
        GDL_bitBlt(dc, dc, 10, 100, 90, 160, 13, 300, 0);
        GDL_bitBlt(dc, dc, 10, 100, 90, 160, 400, 300, 2);
    };
    draw(screen);
    draw(memory);
    EXPECT_TRUE(matches(GDL_liveDC(memory), 1));
    // A saved rectangle comes back whole after the screen under it changed.
    GdlDeviceContext* live = GDL_liveDC(screen);
    GDL_selectCurrentDC(screen);
    const int32_t size = live->v.saveRectSize(live, 13, 20, 50, 31);
    EXPECT_EQ(size, (49 / 8 - 13 / 8 + 1) * 11 * 4 + 18);
    std::vector<uint8_t> buffer(static_cast<size_t>(size));
    live->v.saveRect(live, 13, 20, 50, 31, buffer.data());
    GDL_setColor(0);
    GDL_fillRect(0, 0, 640, 480);
    live->v.restoreRect(live, buffer.data());
    // Whole bytes come back: columns 8 to 55 of rows 20 to 30.
    const platform::VgaPackedView packed = platform::VgaPacked();
    int wrong = 0;
    for (int32_t y = 16; y < 36; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            const bool inside = x >= 8 && x < 56 && y >= 20 && y < 31;
            const uint8_t want = inside ? pixelOf(GDL_liveDC(memory), x, y) : 0;
            wrong += packed.pixels[size_t(y) * 640 + x] != want;
        }
    EXPECT_EQ(wrong, 0);
    for (int i : {0, 1, 3, 5, 7, 8})
        EXPECT_EQ(platform::VgaGraphics(i), i == 7 ? 0x0F : i == 8 ? 0xFF : 0) << i;
}

// Copies within the 16-colour screen through the band pair (positions in a
// byte that differ, logical modes, the edge columns of aligned copies, rows
// taller than one band) and 1-bit images through write mode 3 at every
// alignment, clipped on each side, against a 4-bit packed context.
TEST_F(VgaScene, SixteenColourBandsAndMonoImagesEqualPackedPixels) {
    GdlDeviceContext* screen = Open(4, 1);
    ASSERT_NE(screen, nullptr);
    GdlDeviceContext* memory = GDL_createMemoryDC(640, 480, 4, nullptr);
    ASSERT_NE(memory, nullptr);
    std::memcpy(GDL_liveDC(memory)->palette, GDL_liveDC(screen)->palette,
                16 * sizeof(GdlPaletteEntry));
    struct Copy {
        int32_t left, top, right, bottom, x, y, op;
    };
    const Copy copies[] = {
        {3, 5, 100, 60, 10, 9, 0},      {50, 40, 200, 120, 45, 33, 0},
        {0, 0, 37, 20, 5, 200, 0},      {601, 100, 640, 150, 598, 110, 0},
        {17, 300, 21, 310, 30, 300, 1}, {17, 300, 21, 310, 31, 302, 2},
        {17, 300, 21, 310, 29, 304, 3}, {5, 200, 123, 260, 13, 204, 0},
        {13, 200, 131, 260, 5, 196, 0}, {5, 300, 123, 340, 21, 310, 1},
        {5, 300, 123, 340, 21, 310, 3}, {0, 10, 640, 310, 3, 20, 0},
        {1, 100, 640, 400, 0, 90, 0},   {9, 400, 15, 470, 1, 402, 0},
    };
    uint8_t bits[3 * 10];
    for (int i = 0; i < 30; ++i)
        bits[i] = uint8_t(0x9D * (i + 1) ^ (i << 3));
    struct Mono {
        int32_t x, y, op;
    };
    const Mono monos[] = {{0, 0, 0},     {5, 3, 1},    {-3, 20, 2},  {630, 30, 3},
                          {100, 475, 0}, {101, -4, 3}, {258, 64, 2}, {263, 90, 0}};
    auto draw = [&](GdlDeviceContext* dc) {
        GDL_selectCurrentDC(dc);
        tools::DrawGdlScene(dc, 1);
        for (const Copy& c : copies)
            GDL_bitBlt(dc, dc, c.left, c.top, c.right, c.bottom, c.x, c.y, c.op);
        GDL_setColor(13);
        for (const Mono& m : monos) {
            GDL_setWriteMode(m.op);
            GDL_drawMonoImage(dc, m.x, m.y, 3, 10, bits);
        }
        // Inside a clip rectangle (the whole-byte path) and across it.
        GDL_setClipRectCurrent(300, 200, 340, 220);
        for (const Mono& m : {Mono{302, 205, 3}, Mono{295, 195, 0}, Mono{330, 214, 0}}) {
            GDL_setWriteMode(m.op);
            GDL_drawMonoImage(dc, m.x, m.y, 3, 10, bits);
        }
        GDL_setClipRectCurrent(0, 0, 640, 480);
        GDL_setWriteMode(0);
    };
    draw(screen);
    draw(memory);
    EXPECT_TRUE(matches(GDL_liveDC(memory), 1));
    for (int i : {0, 1, 3, 4, 5, 7, 8})
        EXPECT_EQ(platform::VgaGraphics(i), i == 7 ? 0x0F : i == 8 ? 0xFF : 0) << i;
    EXPECT_EQ(platform::VgaSequencer(2), 0x0F);
}

// The planar sets' ellipse against the midpoint recurrences written out
// here on their own: four points from the top and bottom of the box, the
// right ones a pixel further when the width is odd, region 1 while T < S,
// region 2 until S < 0; points off the screen are skipped.
std::vector<uint8_t> referenceEllipse(int width, int height, int left, int top, int right,
                                      int bottom) {
    std::vector<uint8_t> lit(size_t(width) * size_t(height), 0);
    const int64_t w = right - left, h = bottom - top, A = w * w, B = h * h;
    const bool odd = w & 1;
    int64_t lx = left + w / 2, rx = lx + (odd ? 1 : 0), ty = top, by = top + h;
    int64_t S = 4 * A * h, T = odd ? 4 * B : 0, d = (odd ? 9 * B : 4 * B) + A - 2 * h * A;
    bool stepX = false, stepY = false;
    auto plot = [&] {
        if (stepX) --lx, ++rx;
        if (stepY) ++ty, --by;
        for (int64_t x : {lx, rx})
            for (int64_t y : {ty, by})
                if (x >= 0 && x < width && y >= 0 && y < height) lit[size_t(y * width + x)] = 1;
    };
    while (T < S) {
        plot();
        stepX = true, stepY = false;
        if (d >= 0) {
            stepY = true;
            S -= 8 * A;
            d -= S;
        }
        T += 8 * B;
        d += T + 4 * B;
    }
    d += 3 * (A - B) - ((S + T) >> 1);
    do {
        plot();
        stepX = false, stepY = true;
        if (d < 0) {
            stepX = true;
            T += 8 * B;
            d += T;
        }
        S -= 8 * A;
        d -= S - 4 * A;
    } while (S >= 0);
    return lit;
}

TEST_F(VgaScene, PlanarEllipsesFollowTheMidpointRecurrences) {
    struct Case {
        int32_t mode, width, height;
    };
    struct Box {
        int32_t left, top, right, bottom;
    };
    const Box boxes[] = {{10, 10, 60, 40},    {100, 20, 131, 91},   {200, 50, 207, 53},
                         {-20, 100, 41, 160}, {250, 150, 333, 260}, {5, 5, 6, 9}};
    for (const Case& c : {Case{4, 640, 480}, Case{0, 320, 200}, Case{8, 320, 240}}) {
        GdlDeviceContext* screen = Open(c.mode, 1);
        ASSERT_NE(screen, nullptr);
        GDL_selectCurrentDC(screen);
        for (const Box& b : boxes) {
            SCOPED_TRACE(testing::Message() << "mode " << c.mode << " box " << b.left << ","
                                            << b.top << "," << b.right << "," << b.bottom);
            GDL_setColor(0);
            GDL_fillRect(0, 0, c.width, c.height);
            GDL_setColor(5);
            GDL_ellipse(b.left, b.top, b.right, b.bottom);
            const platform::VgaPackedView packed = platform::VgaPacked();
            const std::vector<uint8_t> want =
                referenceEllipse(c.width, c.height, b.left, b.top, b.right, b.bottom);
            int wrong = 0;
            for (size_t i = 0; i < want.size(); ++i)
                wrong += (packed.pixels[i] == 5) != (want[i] == 1);
            EXPECT_EQ(wrong, 0);
        }
        GDL_exit();
    }
}

// The 16-colour drivers' own palette: the sixteen standard colours, in the
// DAC as 6-bit values, the other entries black.
TEST_F(VgaScene, SixteenColourDefaultPalette) {
    GdlDeviceContext* screen = Open(4, 1);
    ASSERT_NE(screen, nullptr);
    const GdlPaletteEntry* table = GDL_liveDC(screen)->palette;
    const GdlPaletteEntry* library = GDL_defaultPalette();
    for (int i = 0; i < 256; ++i) {
        const GdlPaletteEntry want = i < 16 ? library[i] : GdlPaletteEntry{0, 0, 0, 0};
        EXPECT_EQ(std::memcmp(&table[i], &want, sizeof(want)), 0) << i;
    }
    const uint8_t levels[16][3] = {{0, 0, 0},    {0, 0, 42},   {0, 42, 0},   {0, 42, 42},
                                   {42, 0, 0},   {42, 0, 42},  {42, 21, 0},  {42, 42, 42},
                                   {21, 21, 21}, {21, 21, 63}, {21, 63, 21}, {21, 63, 63},
                                   {63, 21, 21}, {63, 21, 63}, {63, 63, 21}, {63, 63, 63}};
    for (int i = 0; i < 16; ++i) {
        uint8_t e[3];
        platform::VgaDacEntry(i, e);
        EXPECT_EQ(std::memcmp(e, levels[i], 3), 0) << i;
    }
}

// Single bytes of the 16-colour planes: a span's edge masks, a pixel in
// replace and XOR, the opaque pattern, and the flood-fill scans.
TEST_F(VgaScene, SixteenColourBytesAndScans) {
    GdlDeviceContext* screen = Open(4, 1);
    ASSERT_NE(screen, nullptr);
    GDL_selectCurrentDC(screen);
    GDL_setColor(0);
    GDL_fillRect(0, 0, 640, 480);
    GDL_setColor(15);
    GDL_fillRect(3, 0, 6, 1); // pixels 3 to 5: mask 1Fh AND FCh
    for (int plane = 0; plane < 4; ++plane)
        EXPECT_EQ(platform::VgaPlaneByte(plane, 0), 0x1C) << plane;
    GDL_setColor(9);
    GDL_putPixel(100, 5);
    EXPECT_EQ(GDL_getPixel(100, 5), 9u);
    GDL_setWriteMode(3);
    GDL_setColor(1);
    GDL_putPixel(100, 5);
    GDL_setWriteMode(0);
    EXPECT_EQ(GDL_getPixel(100, 5), 8u);
    // Fill style 1 with the pattern row F0h: four background pixels and four
    // of the colour in every group of eight.
    uint8_t pattern[8];
    std::memset(pattern, 0xF0, sizeof(pattern));
    GDL_setMonoPattern(pattern);
    GDL_setFillStyle(1);
    GDL_setColor(6);
    GDL_setBackColor(2);
    GDL_fillRect(16, 10, 40, 11);
    GDL_setFillStyle(0);
    for (int32_t x = 16; x < 40; ++x)
        EXPECT_EQ(GDL_getPixel(x, 10), (x & 7) < 4 ? 6u : 2u) << x;
    // Row 20 holds colour 7 at x = 2 only, colour 4 from 300 to 309.
    GDL_setColor(7);
    GDL_putPixel(2, 20);
    GDL_setColor(4);
    GDL_fillRect(300, 20, 310, 21);
    GdlRenderVector& v = GDL_liveDC(screen)->v;
    struct Scan {
        GdlScanFunc scan;
        int32_t x;
        uint32_t colour;
        int32_t want;
    };
    const Scan scans[] = {
        {v.scanRightTo, 5, 7, 640},     {v.scanLeftTo, 5, 7, 2},
        {v.scanLeftTo, 1, 7, -1},       {v.scanRightTo, 2, 7, 2},
        {v.scanRightTo, 0, 4, 300},     {v.scanRightWhile, 300, 4, 310},
        {v.scanLeftWhile, 309, 4, 299}, {v.scanRightWhile, 0, 0, 2},
        {v.scanLeftWhile, 639, 0, 309}, {v.scanRightTo, 700, 4, 640},
        {v.scanLeftTo, -3, 4, -1},
    };
    for (const Scan& c : scans)
        EXPECT_EQ(c.scan(c.x, 20, c.colour), c.want) << c.x << " " << c.colour;
    EXPECT_EQ(v.scanRightTo(0, 480, 4), 640);
    // Whole bytes of four planes: (4 / 8 - 0 + 1) x 2 rows x 4 + 18.
    EXPECT_EQ(v.saveRectSize(GDL_liveDC(screen), 1, 0, 5, 2), 26);
    for (int i : {2, 5, 7})
        EXPECT_EQ(platform::VgaGraphics(i), i == 7 ? 0x0F : 0) << i;
}

// Mode 3 is mode 12h with 400 lines and the 8 x 16 font; the other modes
// keep the BIOS's CRT controller.
TEST_F(VgaScene, SixteenColourFourHundredLines) {
    ASSERT_NE(Open(3, 1), nullptr);
    const uint8_t want[][2] = {
        {0x10, 0x9C}, {0x11, 0x8E}, {0x12, 0x8F}, {0x15, 0x96}, {0x16, 0xB9}};
    for (const auto& w : want)
        EXPECT_EQ(platform::VgaCrtc(w[0]), w[1]) << int(w[0]);
    EXPECT_EQ(platform::VgaInPort(0x3CC) & 0xC0, 0x40);
    EXPECT_EQ(platform::VgaFrame().height, 400);
    GDL_exit();
    ASSERT_NE(Open(4, 1), nullptr);
    EXPECT_EQ(platform::VgaCrtc(0x12), 0xDF);
    EXPECT_EQ(platform::VgaFrame().height, 480);
}

// The drivers' dithered pixel against its model: threshold t from row x mod
// 8 and column y mod 8 of the matrix, each byte v of the colour at level
// v / 51 plus 1 when t < v mod 51, index 20 + 36 low + 6 middle + high.
TEST_F(VgaScene, ModeXDitheredPixelFollowsItsModel) {
    static const uint8_t kMatrix[8][8] = {
        {0, 38, 9, 47, 2, 40, 11, 50},  {25, 12, 35, 22, 27, 15, 37, 24},
        {6, 44, 3, 41, 8, 47, 5, 43},   {31, 19, 28, 15, 34, 21, 31, 18},
        {1, 39, 11, 49, 0, 39, 10, 48}, {27, 14, 36, 23, 26, 13, 35, 23},
        {7, 46, 4, 43, 7, 45, 3, 42},   {33, 20, 30, 17, 32, 19, 29, 16}};
    auto model = [](uint32_t c, int x, int y) {
        const uint32_t t = kMatrix[x & 7][y & 7];
        auto d = [t](uint32_t v) { return v / 51 + (t < v % 51 ? 1 : 0); };
        return 20 + 36 * d(c & 0xFF) + 6 * d((c >> 8) & 0xFF) + d(c >> 16 & 0xFF);
    };
    GdlDeviceContext* screen = Open(8, 1);
    ASSERT_NE(screen, nullptr);
    GDL_selectCurrentDC(screen);
    for (uint32_t colour : {0x000000u, 0xFFFFFFu, 0x10A0F0u, 0x336699u, 0x0180FEu}) {
        GDL_setColor(colour);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x)
                GDL_putDitheredPixelDevice(x + 50, y + 60);
        const platform::VgaPackedView packed = platform::VgaPacked();
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(packed.pixels[size_t(y + 60) * 320 + size_t(x + 50)],
                          model(colour, x + 50, y + 60))
                    << std::hex << colour << std::dec << " at " << x << "," << y;
    }
    EXPECT_EQ(DRV_ditherIndex(0, 3, 5), 20);
    EXPECT_EQ(DRV_ditherIndex(0xFFFFFF, 6, 1), 235);
    EXPECT_EQ(GDL_liveDC(screen)->packedColor, 0x0180FEu); // the colour is put back
}

// Mode X saves what lies under the cursor through its row reader and puts
// it back; a header for a rectangle outside the screen changes nothing.
TEST_F(VgaScene, ModeXSavedImageComesBack) {
    GdlDeviceContext* screen = Open(8, 1);
    ASSERT_NE(screen, nullptr);
    tools::DrawGdlScene(screen, 0);
    const platform::VgaPackedView before = platform::VgaPacked();
    GdlDeviceContext* live = GDL_liveDC(screen);
    const int32_t size = live->v.saveRectSize(live, 5, 7, 38, 40);
    EXPECT_EQ(size, 33 * 33 + 18);
    std::vector<uint8_t> buffer(static_cast<size_t>(size));
    live->v.saveRect(live, 5, 7, 38, 40, buffer.data());
    GDL_selectCurrentDC(screen);
    GDL_setColor(0);
    GDL_fillRect(0, 0, 320, 240);
    live->v.restoreRect(live, buffer.data());
    const platform::VgaPackedView after = platform::VgaPacked();
    int wrong = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) {
            const bool inside = x >= 5 && x < 38 && y >= 7 && y < 40;
            const size_t i = size_t(y) * 320 + size_t(x);
            wrong += after.pixels[i] != (inside ? before.pixels[i] : 0);
        }
    EXPECT_EQ(wrong, 0);
    std::vector<uint8_t> hostile(buffer);
    hostile[8] = 0xFF; // right far beyond the screen
    hostile[9] = 0x7F;
    GDL_setColor(0);
    GDL_fillRect(0, 0, 320, 240);
    live->v.restoreRect(live, hostile.data());
    EXPECT_EQ(platform::VgaPacked().pixels, std::vector<uint8_t>(320 * 240, 0));
}

// Shaded primitives walked through mode X's pixels: a triangle covers rows
// up to the one before its bottom and stops short of each row's right end
// (so its apex row, one pixel wide, is empty); a flat one draws nothing; a
// line shades both its ends.
TEST_F(VgaScene, ModeXShadedPrimitivesThroughThePixels) {
    GdlDeviceContext* screen = Open(8, 1);
    ASSERT_NE(screen, nullptr);
    GDL_selectCurrentDC(screen);
    GDL_setColor(0);
    GDL_fillRect(0, 0, 320, 240);
    GdlRenderVector& v = GDL_liveDC(screen)->v;
    auto fx = [](int32_t n) { return n << 16; };
    const int32_t a[3] = {fx(9), fx(20), fx(0)}, b[3] = {fx(9), fx(40), fx(5)},
                  c[3] = {fx(9), fx(0), fx(10)};
    v.rampTriangle(a, b, c, fx(100), fx(50));
    const int32_t flat[3][3] = {
        {fx(3), fx(0), fx(0)}, {fx(3), fx(9), fx(0)}, {fx(3), fx(5), fx(0)}};
    v.rampTriangle(flat[0], flat[1], flat[2], fx(10), fx(10));
    const platform::VgaPackedView packed = platform::VgaPacked();
    auto at = [&](int x, int y) { return packed.pixels[size_t(y) * 320 + size_t(x)]; };
    int rows = 0, lit = 0;
    for (int y = 0; y < 240; ++y) {
        bool any = false;
        for (int x = 0; x < 320; ++x)
            if (at(x, y)) {
                any = true;
                ++lit;
                EXPECT_EQ(at(x, y), 9);
            }
        if (any) {
            EXPECT_TRUE(y >= 50 && y < 60) << y;
            ++rows;
        }
    }
    EXPECT_EQ(rows, 9); // the apex row has no width; row 10 (y 60) is the bottom
    EXPECT_EQ(at(105, 59), 9);
    EXPECT_EQ(at(140, 55), 0); // the right end (x 40 at row 5) is not drawn
    EXPECT_EQ(at(139, 55), 9);
    EXPECT_EQ(at(13, 10), 0);
    // An index line from (0, 0) to (10.0, 0) shades 0 to 10 over 11 pixels.
    Shade_indexLine(fx(0), fx(200), fx(0), fx(10), fx(200), fx(10));
    const platform::VgaPackedView line = platform::VgaPacked();
    for (int x = 0; x <= 11; ++x)
        EXPECT_EQ(line.pixels[200 * 320 + size_t(x)], x <= 10 ? x : 0) << x;
    EXPECT_EQ(v.rgbLine, Shade_rgbLine);
}

TEST_F(VgaScene, PaletteGoesToTheDacAsSixBitsAndIsClamped) {
    GdlDeviceContext* screen = Open(6, 1);
    ASSERT_NE(screen, nullptr);
    GdlPaletteEntry entries[256];
    for (int i = 0; i < 256; ++i)
        entries[i] = {uint8_t(i), 0xFF, uint8_t(255 - i), 0};
    VGA_realizePalette(GDL_liveDC(screen), entries, 256, 0, 1);
    uint8_t e[3];
    platform::VgaDacEntry(7, e);
    EXPECT_EQ(e[0], (255 - 7) >> 2);
    EXPECT_EQ(e[1], 0x3F);
    EXPECT_EQ(e[2], 7 >> 2);
    // First plus count past 256: only the entries the DAC holds, read from
    // entries that exist; nothing for a count or chunk below 1.
    entries[255] = {0, 0, 0xFF, 0};
    VGA_realizePalette(GDL_liveDC(screen), entries, 100, 255, 0);
    platform::VgaDacEntry(255, e);
    EXPECT_EQ(e[0], 0x3F);
    platform::VgaDacEntry(0, e);
    EXPECT_EQ(e[0], (255 - 0) >> 2); // did not wrap round
    GdlPaletteEntry black{0, 0, 0, 0};
    VGA_setPaletteDAC(&black, 0, 7, 1, 0);
    VGA_setPaletteDAC(&black, 1, 7, 0, 1);
    VGA_setPaletteDAC(&black, 1, 300, 1, 0);
    platform::VgaDacEntry(7, e);
    EXPECT_EQ(e[1], 0x3F);
}

TEST_F(VgaScene, PagesOutOfRangeAndWaitsForTheRetrace) {
    GdlDeviceContext* screen = Open(6, 1);
    ASSERT_NE(screen, nullptr);
    GdlDeviceContext* live = GDL_liveDC(screen);
    uint8_t* surface = live->surface;
    VGA_setActivePage(live, 2);
    VGA_setActivePage(live, -1);
    EXPECT_EQ(live->surface, surface);
    // Wait flag 0 is taken as 1 (waits); 2 does not wait.
    const uint32_t before = platform::AdapterRetraceWaits();
    VGA_setVisualPage(live, 0, 0);
    EXPECT_GT(platform::AdapterRetraceWaits(), before);
    const uint32_t after = platform::AdapterRetraceWaits();
    VGA_setVisualPage(live, 0, 2);
    EXPECT_EQ(platform::AdapterRetraceWaits(), after);
    EXPECT_EQ(VGA_readCMOS(0x0D), 0x80);
}

// Mode 13h turned into mode X: the listed timing, the sequencer left at the
// map mask, and pixels that land in plane x mod 4 at y x 80 + x / 4.
TEST_F(VgaScene, ModeXRegistersFromModeThirteen) {
    ASSERT_NE(Open(6, 1), nullptr);
    ASSERT_TRUE(VGAX_programRegisters(8));
    const uint8_t want[][2] = {{0x06, 0x0D}, {0x07, 0x3E}, {0x09, 0x41}, {0x10, 0xEA},
                               {0x11, 0xAC}, {0x12, 0xDF}, {0x14, 0x00}, {0x15, 0xE7},
                               {0x16, 0x06}, {0x17, 0xE3}};
    for (const auto& w : want)
        EXPECT_EQ(platform::VgaCrtc(w[0]), w[1]) << int(w[0]);
    EXPECT_EQ(platform::VgaInPort(0x3C4), 2);
    VGA_outpb(0x3C5, 0x04); // one data write: plane 2
    uint8_t* window = VGA_videoMemory();
    platform::VgaWrite(window + 80 * 3 + 5, 77); // pixel (22, 3)
    const platform::VgaPackedView packed = platform::VgaPacked();
    ASSERT_EQ(packed.width, 320);
    ASSERT_EQ(packed.height, 240);
    EXPECT_EQ(packed.pixels[3 * 320 + 22], 77);
    EXPECT_EQ(platform::VgaFrame().height, 480);
    EXPECT_FALSE(VGAX_programRegisters(6));
}

// Mode X's records carry the sizes the registers make and those sizes'
// pixel aspects (the library's size table names these modes by others);
// a context of each mode takes its record's.
TEST_F(VgaScene, ModeXRecordsCarryTheAspectOfTheirOwnSize) {
    const struct {
        int32_t mode, height;
        uint32_t aspect;
    } cases[] = {{7, 200, 1200}, {8, 240, 1000}, {9, 400, 600}, {10, 480, 500}};
    const GdlDriverHeader* header = VGAX_header();
    ASSERT_EQ(header->modeCount, 4);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const GdlModeRecord& r = header->modes[c.mode - 7];
        EXPECT_EQ(r.maxY + 1, uint32_t(c.height));
        EXPECT_EQ(r.aspectRatio, c.aspect);
        GdlDeviceContext* dc = Open(c.mode, 1);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(GDL_liveDC(dc)->mode.aspectRatio, c.aspect);
        GDL_exit();
    }
}

// Every driver of the program is named after its file.
TEST_F(VgaScene, DriverHeadersAreNamedAfterTheirFiles) {
    std::vector<const GdlDriverHeader*> headers = {WINDC_header()};
    int32_t count = 0;
    const GdlLinkedDriver* linked = GDL_linkedDrivers(&count);
    for (int32_t i = 0; i < count; ++i)
        headers.push_back(linked[i].header);
    for (const GdlDriverHeader* h : headers) {
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(std::string(h->driverName, strnlen(h->driverName, sizeof(h->driverName))),
                  std::string(h->fileName, strnlen(h->fileName, sizeof(h->fileName))));
    }
}

TEST_F(VgaScene, DetectionByPersonality) {
    struct Case {
        const char* adapter;
        int32_t found;
    };
    const Case cases[] = {{"vga", 1}, {"vga-mono", 1}, {"ega", 0}, {"no-vga", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.adapter);
        GDL_exit();
        ASSERT_TRUE(platform::UseAdapter(c.adapter));
        int32_t type = 0;
        EXPECT_EQ(VGA_detect(&type), c.found);
        EXPECT_EQ(type, c.found);
    }
}

} // namespace
