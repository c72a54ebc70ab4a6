// The library's scene on the ACCEL drivers at every depth, with the
// accelerator drawing what it offers and the software renderers the rest:
// after the accelerator is idle, video memory equals a memory context of the
// same format row by row, and the scan-out (without the cursor overlay)
// equals it through the same palette. With and without the direct-access
// pair and the hardware clip, with one and two pages.
#include "GdlScene.h"
#include "LinkedDrivers.h"
#include "MemoryDesktop.h"
#include "PixelCheck.h"
#include "TempDir.h"
#include "VbeafWriter.h"

#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/vbeaf.h"
#include "platform/Adapter.h"
#include "platform/Vbeaf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace vb = platform::vbeaf;

struct Case {
    int32_t bits;
    int32_t pages;
    bool direct; // the enable and disable direct-access entries
    bool clip;   // the hardware clip entry
};

class AccelScene : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32);
        was_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_.Path());
    }
    void TearDown() override {
        GDL_exit();
        platform::VbeafShowCursorOverlay(true);
        std::filesystem::current_path(was_);
    }
    testsupport::TempDir folder_;
    std::filesystem::path was_;
};

TEST_P(AccelScene, EveryPageMatchesAMemoryContext) {
    const Case c = GetParam();
    ASSERT_TRUE(platform::UseAdapter("accel"));
    tools::VbeafOptions o;
    if (!c.direct) o.absent = {vb::kEnableDirect, vb::kDisableDirect};
    if (!c.clip) o.absent.push_back(vb::kSetClipRect);
    folder_.Write("VBEAF.DRV", tools::WriteVbeaf(o));
    testsupport::RegisterLinkedDrivers({"ACCEL"});
    int32_t driver = GDL_TYPE_ACCEL_SVGA, mode = testsupport::ModeOf(640, 480, c.bits);
    ASSERT_TRUE(GDL_init(&driver, &mode, "."));
    ASSERT_STREQ(GDL_modeDriverName(mode), ACCEL_header(c.bits)->driverName);
    GdlDeviceContext* screen = GDL_createDisplayDCPages(c.pages);
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(GDL_liveDC(screen)->flags & 0x80) << "accelerated";
    platform::VbeafShowCursorOverlay(false);
    GdlPixelFormat format = GDL_liveDC(screen)->format;
    GdlDeviceContext* memory = GDL_createMemoryDC(640, 480, c.bits, c.bits > 8 ? &format : nullptr);
    ASSERT_NE(memory, nullptr);
    const std::string stem = ::testing::TempDir() + "accel-" + std::to_string(c.bits) + "-" +
                             std::to_string(c.direct) + std::to_string(c.clip);
    for (int32_t page = 0; page < c.pages; ++page) {
        SCOPED_TRACE(page);
        GDL_setActivePage(screen, page);
        platform::VbeafClearCallLog();
        tools::DrawGdlScene(screen, page);
        tools::DrawGdlScene(memory, page);
        size_t drawn = 0;
        for (const platform::VbeafCall& call : platform::VbeafCallLog())
            drawn += call.slot >= vb::kDrawScan ? 1 : 0;
        EXPECT_GT(drawn, 20u) << "the accelerator drew its part";
        ACCEL_waitIdle();
        EXPECT_EQ(platform::VbeafQueuedOperations(), 0u);
        EXPECT_TRUE(testsupport::ActivePageMatches(screen, GDL_liveDC(memory), stem));
        GDL_setVisualPage(screen, page, 1);
        EXPECT_TRUE(testsupport::ScanOutMatches(GDL_liveDC(memory), stem));
    }
    GDL_destroyDisplayDC(screen);
}

INSTANTIATE_TEST_SUITE_P(Depths, AccelScene,
                         ::testing::Values(Case{8, 1, true, true}, Case{8, 2, false, false},
                                           Case{15, 1, true, false}, Case{16, 2, true, true},
                                           Case{16, 1, false, true}, Case{24, 1, true, true},
                                           Case{32, 2, false, true}, Case{32, 1, true, false}));

} // namespace
