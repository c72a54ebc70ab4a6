// The library's scene on the LINEAR drivers at every depth, on a linear
// framebuffer (VBE 2.0 and 3.0) and on the support library's virtual one,
// with one and three pages: video memory equals a memory context of the same
// format row by row, and the scan-out equals it through the same palette.
#include "LinkedDrivers.h"
#include "GdlScene.h"
#include "MemoryDesktop.h"
#include "PixelCheck.h"
#include "TempDir.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/vbe.h"
#include "platform/Adapter.h"
#include "platform/Vbe.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct Case {
    const char* adapter;
    int32_t bits;
    int32_t pages;
    uint16_t vbeMode; // with 4000h on a linear framebuffer; 0: an OEM number
};

class LinearScene : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    testsupport::TempDir folder_;
};

TEST_P(LinearScene, EveryPageMatchesAMemoryContext) {
    const Case c = GetParam();
    ASSERT_TRUE(platform::UseAdapter(c.adapter));
    testsupport::RegisterLinkedDrivers();
    int32_t driver = -1, mode = testsupport::ModeOf(640, 480, c.bits);
    ASSERT_TRUE(GDL_init(&driver, &mode, "."));
    ASSERT_STREQ(GDL_modeDriverName(mode), LINEAR_header(c.bits)->driverName);
    GdlDeviceContext* screen = GDL_createDisplayDCPages(c.pages);
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(GDL_maxPage(screen), c.pages - 1);
    if (c.vbeMode) {
        EXPECT_EQ(platform::VbeCurrentMode(), c.vbeMode);
    } else {
        EXPECT_GE(platform::VbeCurrentMode(), 0x4120); // no published number at 32 bits
    }
    EXPECT_EQ(GDL_liveDC(screen)->flags & GDL_ACCESS_MASK, 2u);
    GdlPixelFormat format = GDL_liveDC(screen)->format;
    GdlDeviceContext* memory = GDL_createMemoryDC(640, 480, c.bits, c.bits > 8 ? &format : nullptr);
    ASSERT_NE(memory, nullptr);
    const std::string stem = ::testing::TempDir() + "linear-" + c.adapter + "-" +
                             std::to_string(c.bits) + "-" + std::to_string(c.pages);
    for (int32_t page = 0; page < c.pages; ++page) {
        SCOPED_TRACE(page);
        GDL_setActivePage(screen, page);
        tools::DrawGdlScene(screen, page);
        tools::DrawGdlScene(memory, page);
        EXPECT_TRUE(testsupport::ActivePageMatches(screen, GDL_liveDC(memory), stem));
        const GdlDeviceContext* live = GDL_liveDC(screen);
        GDL_setVisualPage(screen, page, 1);
        EXPECT_EQ(platform::VbeDisplayStart(), uint32_t(live->frameStart));
        EXPECT_TRUE(testsupport::ScanOutMatches(GDL_liveDC(memory), stem));
    }
    GDL_destroyDisplayDC(screen);
    EXPECT_EQ(platform::VbeCurrentMode(), 0) << "text mode back";
}

INSTANTIATE_TEST_SUITE_P(Depths, LinearScene,
                         ::testing::Values(Case{"vbe20", 8, 1, 0x4101}, Case{"vbe20", 8, 3, 0x4101},
                                           Case{"vbe20", 15, 3, 0x4110},
                                           Case{"vbe20", 16, 3, 0x4111},
                                           Case{"vbe20", 24, 2, 0x4112}, Case{"vbe20", 32, 2, 0},
                                           Case{"vbe30", 16, 3, 0x4111}, Case{"vbe30", 32, 1, 0},
                                           Case{"vbe20-vlf", 8, 3, 0x0101},
                                           Case{"vbe20-vlf", 16, 2, 0x0111}));

} // namespace
