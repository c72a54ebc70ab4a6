// The library's scene on a DirectDraw context, with video memory
// write-protected outside locks, at every depth with one and three pages,
// against the same scene on a memory context of that format.
#include "LinkedDrivers.h"
#include "GdlScene.h"
#include "MemoryDesktop.h"
#include "PixelCheck.h"
#include "TempDir.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "platform/Adapter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct Case {
    const char* adapter;
    int32_t bits;
    int32_t pages;
};

class DirectDrawScene : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        platform::SetAdapterWriteProtect(false);
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    testsupport::TempDir folder_;
};

TEST_P(DirectDrawScene, EveryPageMatchesAMemoryContext) {
    const Case c = GetParam();
    ASSERT_TRUE(platform::UseAdapter(c.adapter));
    testsupport::RegisterLinkedDrivers();
    int32_t driver = -1, mode = testsupport::ModeOf(320, 240, c.bits);
    ASSERT_TRUE(GDL_init(&driver, &mode, "."));
    GdlDeviceContext* screen = GDL_createDisplayDCPages(c.pages);
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(GDL_maxPage(screen), c.pages - 1);
    GdlPixelFormat format = GDL_liveDC(screen)->format;
    GdlDeviceContext* memory = GDL_createMemoryDC(320, 240, c.bits, c.bits > 8 ? &format : nullptr);
    ASSERT_NE(memory, nullptr);
    platform::SetAdapterWriteProtect(true); // drawing outside a lock faults
    const std::string stem =
        ::testing::TempDir() + "scene-" + std::to_string(c.bits) + "-" + std::to_string(c.pages);
    for (int32_t page = 0; page < c.pages; ++page) {
        SCOPED_TRACE(page);
        GDL_setActivePage(screen, page);
        tools::DrawGdlScene(screen, page);
        tools::DrawGdlScene(memory, page);
        const GdlDeviceContext* live = GDL_liveDC(screen);
        EXPECT_TRUE(testsupport::PageMatches(live->surface, int(live->mode.bytesPerLine),
                                             GDL_liveDC(memory), platform::AdapterScanOut(), stem));
        GDL_setVisualPage(screen, page, 0);
        EXPECT_TRUE(testsupport::ScanOutMatches(GDL_liveDC(memory), stem));
    }
    EXPECT_EQ(DDRAW_lockCount(), -1);
}

INSTANTIATE_TEST_SUITE_P(Depths, DirectDrawScene,
                         ::testing::Values(Case{"ddraw-4mb", 8, 1}, Case{"ddraw-4mb", 8, 3},
                                           Case{"ddraw-2mb-555", 15, 1},
                                           Case{"ddraw-2mb-555", 15, 3}, Case{"ddraw-4mb", 16, 1},
                                           Case{"ddraw-4mb", 16, 3}, Case{"ddraw-8mb-3d", 24, 1},
                                           Case{"ddraw-8mb-3d", 24, 3}, Case{"ddraw-4mb", 32, 1},
                                           Case{"ddraw-4mb", 32, 3}));

} // namespace
