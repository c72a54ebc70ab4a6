// The VGA drivers on the simulated adapter: the library's scene on the
// screen context against a memory context of the same format, read back
// through the adapter's packed view (pixels gathered from the planes) and
// through the scan-out (each doubled line once) with the DAC's colours.
#include "GdlScene.h"
#include "MemoryDesktop.h"
#include "TempDir.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/vga.h"
#include "platform/Adapter.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

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
        GDL_unregisterAllDrivers();
        PACK_registerDrivers();
        int32_t count = 0;
        const GdlLinkedDriver* linked = GDL_linkedDrivers(&count);
        for (int32_t i = 0; i < count; ++i)
            GDL_registerDriver(linked[i].fileName, linked[i].header);
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

// The packed view equals the memory context row by row, and every shown
// line equals its row through the DAC.
::testing::AssertionResult matches(const GdlDeviceContext* memory, int perRow) {
    const int width = int(memory->mode.maxX) + 1, height = int(memory->mode.maxY) + 1;
    const platform::VgaPackedView packed = platform::VgaPacked();
    if (packed.width != width || packed.height < height)
        return ::testing::AssertionFailure()
               << "packed view " << packed.width << " x " << packed.height;
    for (int y = 0; y < height; ++y)
        if (std::memcmp(&packed.pixels[size_t(y) * width],
                        memory->surface + size_t(y) * memory->mode.bytesPerLine, size_t(width)))
            return ::testing::AssertionFailure() << "video memory differs in row " << y;
    const platform::Frame frame = platform::VgaFrame();
    if (frame.height != height * perRow) return ::testing::AssertionFailure() << frame.height;
    for (int line = 0; line < frame.height; ++line)
        for (int x = 0; x < width; ++x) {
            const uint8_t p =
                memory->surface[size_t(line / perRow) * memory->mode.bytesPerLine + x];
            if (frame.pixels[size_t(line) * width + x] != dacColour(p))
                return ::testing::AssertionFailure() << "scan-out differs at line " << line;
        }
    return ::testing::AssertionSuccess();
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
