// The library's mouse cursor in full screen over the fake full-screen driver:
// show counts, the pixels under the software cursor across moves and page
// flips, save buffers that cannot be allocated, and the hardware cursor.
#include "LinkedDrivers.h"
#include "MemoryDesktop.h"
#include "FakeFullScreen.h"

#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/memory.h"
#include "gdl/mouse.h"
#include "gdl/result.h"
#include "gdl/windows.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Registry.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <cstdlib>
#include <vector>

namespace fakefs = testsupport::fakefs;

namespace {

constexpr int32_t kWidth = 640, kHeight = 480;

class Mouse : public ::testing::Test {
protected:
    void SetUp() override {
        // Full screen sets the AutoRun policy bit: keep it in a folder of ours.
        testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path());
    }
    void TearDown() override {
        struct Restore {
            ~Restore() { unsetenv("XDG_CONFIG_HOME"); }
        } restore;
        GDL_setMouseDC(nullptr);
        GDL_exit();
        GDL_resetMemoryFuncs();
    }

    // A 640 x 480 x 16 screen of `pages` pages, every pixel of each page
    // different, with the mouse attached and a cursor that draws.
    GdlDeviceContext* Start(int32_t pages, bool hardware = false) {
        fakefs::reset({{16}, pages, hardware});
        GDL_unregisterAllDrivers();
        for (int32_t i = 0; i < 4; ++i)
            GDL_registerDriver(fakefs::kFiles[i], fakefs::headerOf(i));
        int32_t driver = -1, mode = testsupport::ModeOf(kWidth, kHeight, 16);
        if (!GDL_init(&driver, &mode, ".")) return nullptr;
        GdlDeviceContext* dc = GDL_createDisplayDCPages(pages);
        if (!dc) return nullptr;
        for (int32_t page = 0; page < pages; ++page) {
            auto* p = reinterpret_cast<uint16_t*>(fakefs::state()->memory +
                                                  int64_t(page) * fakefs::state()->pageSize);
            for (int32_t i = 0; i < kWidth * kHeight; ++i)
                p[i] = uint16_t(i * 7 + page * 1001 + 1);
        }
        GDL_setMouseDC(dc);
        uint8_t record[GDL_CURSOR_RECORD_SIZE] = {};
        for (int32_t i = 128; i < 256; ++i)
            record[i] = 0xFF; // every pixel of the box drawn in the cursor colour
        GDL_setMouseCursor(record);
        return dc;
    }

    std::vector<uint16_t> Page(int32_t page) {
        const auto* p = reinterpret_cast<const uint16_t*>(
            fakefs::state()->memory + int64_t(page) * fakefs::state()->pageSize);
        return {p, p + kWidth * kHeight};
    }
    testsupport::TempDir folder_;
};

TEST_F(Mouse, ShowCountsNest) {
    GdlDeviceContext* dc = Start(1);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GDL_mouseShowCount(), -1);
    GDL_showMouse();
    EXPECT_EQ(GDL_mouseShowCount(), 0);
    GDL_showMouse(); // shown already: nothing
    EXPECT_EQ(GDL_mouseShowCount(), 0);
    GDL_hideMouse();
    GDL_hideMouse();
    GDL_showMouse();
    EXPECT_EQ(GDL_mouseShowCount(), -1); // two hides, one show: still hidden
    GDL_mouseMoved(-5, -7);
    int32_t x = 1, y = 1;
    GDL_getMousePos(&x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST_F(Mouse, PixelsUnderTheCursorComeBackExactlyAcrossMoves) {
    GdlDeviceContext* dc = Start(1);
    ASSERT_NE(dc, nullptr);
    const std::vector<uint16_t> before = Page(0);
    GDL_mouseMoved(100, 100);
    GDL_showMouse();
    const std::vector<uint16_t> shown = Page(0);
    EXPECT_NE(shown, before);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            if (x >= 100 && x < 132 && y >= 100 && y < 132) continue;
            ASSERT_EQ(shown[size_t(y * kWidth + x)], before[size_t(y * kWidth + x)])
                << x << "," << y;
        }
    // Across the edges (clipped boxes) and back, then hidden: nothing left.
    for (auto [x, y] : {std::pair{620, 470}, {639, 479}, {0, 0}, {-3, 5}, {300, 200}, {300, 200}})
        GDL_mouseMoved(x, y);
    GDL_hideMouse();
    EXPECT_EQ(Page(0), before);
}

TEST_F(Mouse, PixelsUnderTheCursorComeBackExactlyAcrossFlips) {
    GdlDeviceContext* dc = Start(2);
    ASSERT_NE(dc, nullptr);
    const std::vector<uint16_t> page0 = Page(0), page1 = Page(1);
    GDL_mouseMoved(50, 60);
    GDL_showMouse();
    const int32_t shownOn = GDL_getVisualPage(dc);
    EXPECT_NE(Page(shownOn), shownOn ? page1 : page0);
    GDL_swapBuffers(dc, 0);
    // Drawn only on the page now shown; the other is clean.
    EXPECT_EQ(Page(shownOn), shownOn ? page1 : page0);
    EXPECT_NE(Page(1 - shownOn), shownOn ? page0 : page1);
    GDL_mouseMoved(400, 300);
    GDL_swapBuffers(dc, 0);
    GDL_hideMouse();
    EXPECT_EQ(Page(0), page0);
    EXPECT_EQ(Page(1), page1);
}

size_t g_failSize = 0;
void* failingAlloc(size_t size) {
    return size == g_failSize ? nullptr : std::malloc(size);
}

TEST_F(Mouse, SaveBuffersThatCannotBeAllocatedLeaveNoSoftwareCursor) {
    GdlDeviceContext* dc = Start(1);
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(GDL_mouseHasSoftwareCursor());
    const std::vector<uint16_t> before = Page(0);
    g_failSize = size_t(fakefs::saveSize(GDL_liveDC(dc), 1, 1, 33, 33));
    GDL_setMemoryFuncs(failingAlloc, std::free);
    GDL_setResult(GDL_OK);
    GDL_setMouseDC(dc);
    GDL_resetMemoryFuncs();
    EXPECT_EQ(GDL_lastResult(), GDL_NO_MEMORY);
    EXPECT_FALSE(GDL_mouseHasSoftwareCursor());
    GDL_showMouse();
    GDL_mouseMoved(10, 10);
    GDL_hideMouse();
    EXPECT_EQ(Page(0), before);
    // A later attach allocates again; detaching frees them.
    GDL_setMouseDC(dc);
    EXPECT_TRUE(GDL_mouseHasSoftwareCursor());
    GDL_setMouseDC(nullptr);
    EXPECT_FALSE(GDL_mouseHasSoftwareCursor());
}

TEST_F(Mouse, HardwareCursorIsDrivenNotDrawn) {
    GdlDeviceContext* dc = Start(1, true);
    ASSERT_NE(dc, nullptr);
    EXPECT_FALSE(GDL_mouseHasSoftwareCursor());
    const std::vector<uint16_t> before = Page(0);
    GDL_mouseMoved(20, 30);
    GDL_showMouse();
    EXPECT_EQ(fakefs::record().hwShows, 1);
    EXPECT_EQ(fakefs::record().hwX, 20);
    EXPECT_EQ(fakefs::record().hwY, 30);
    GDL_obscureMouse(); // a shown hardware cursor stays
    EXPECT_EQ(fakefs::record().hwHides, 0);
    GDL_mouseMoved(25, 35);
    EXPECT_EQ(fakefs::record().hwX, 25);
    GDL_hideMouse();
    EXPECT_EQ(fakefs::record().hwHides, 1);
    EXPECT_EQ(Page(0), before);
}

TEST_F(Mouse, InAWindowTheCursorIsLeftToWindows) {
    GdlDeviceContext* dc = Start(1);
    ASSERT_NE(dc, nullptr);
    GDL_restoreDesktopMode();
    ASSERT_FALSE(GDL_isFullScreenActive());
    const int32_t count = GDL_mouseShowCount();
    const std::vector<uint16_t> before = Page(0);
    uint8_t record[GDL_CURSOR_RECORD_SIZE] = {};
    GDL_setMouseCursor(record);
    GDL_showMouse();
    EXPECT_EQ(GDL_mouseShowCount(), count);
    EXPECT_EQ(Page(0), before);
    GDL_hideMouse();
}

} // namespace
