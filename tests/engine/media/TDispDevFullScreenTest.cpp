// The display device's full-screen paths over the fake full-screen driver:
// falling back to the window, the depth fallback, one or two pages, page
// flips and presenting the dirty rectangles to the page.
#include "MemoryDesktop.h"
#include "FakeFullScreen.h"

#include "foundation/TError.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/windows.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Registry.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace fakefs = testsupport::fakefs;

namespace {

const TLinkedDriver kLinked[4] = {{fakefs::kFiles[0], fakefs::headerOf(0)},
                                  {fakefs::kFiles[1], fakefs::headerOf(1)},
                                  {fakefs::kFiles[2], fakefs::headerOf(2)},
                                  {fakefs::kFiles[3], fakefs::headerOf(3)}};

class FullScreen : public ::testing::Test {
protected:
    void SetUp() override {
        // Full screen sets the AutoRun policy bit: keep it in a folder of ours.
        testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path());
        DisplayHooks() = TDispHooks{};
        TDispDev::SetLinkedDrivers(kLinked, 4);
        fakefs::reset({});
        display.SetClassName("FullScreenTest");
        display.SetTitle("Full Screen Test");
        display.SetMode(800, 600, 16);
    }
    void TearDown() override {
        struct Restore {
            ~Restore() { unsetenv("XDG_CONFIG_HOME"); }
        } restore;
        display.Close();
        display.ReleaseLibrary();
        TDispDev::SetLinkedDrivers(nullptr, 0);
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
    }

    bool Open(uint32_t flags, fakefs::Config c) {
        fakefs::reset(c);
        display.SetDriverFlags(flags);
        return display.Open();
    }

    TDispDev display;
    testsupport::TempDir folder_;
};

TEST_F(FullScreen, OpensThroughTheLinkedDriver) {
    ASSERT_TRUE(Open(0x640, {{16}, 1, false}));
    EXPECT_EQ(display.GetDriver(), GDL_TYPE_FDIB);
    EXPECT_EQ(display.GetFlags() & 0x2FF, 0x40u); // the family's bit, no window
    EXPECT_TRUE(GDL_isFullScreenActive());
    HWND w = display.GetWindow();
    ASSERT_NE(w, nullptr);
    char text[64] = {};
    GetWindowTextA(w, text, sizeof(text));
    EXPECT_STREQ(text, "Full Screen Test");
    EXPECT_EQ(GDL_getBitsPerPixel(display.GetScreenContext()), 16);
    EXPECT_NE(display.GetDrawContext(), display.GetScreenContext());
    display.Close();
    EXPECT_FALSE(GDL_isFullScreenActive());
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(FullScreen, FailingFallsBackToTheWindowAndDiscardsTheReports) {
    ASSERT_TRUE(Open(0x640, {{}, 1, false}));
    EXPECT_EQ(display.GetDriver(), TDispDev::kWindowDriver);
    EXPECT_EQ(display.GetFlags(), 0x600u);
    EXPECT_FALSE(GDL_isFullScreenActive());
    EXPECT_EQ(TError::NextPending(1), nullptr);
}

TEST_F(FullScreen, BothFailingCommitTheReports) {
    EXPECT_FALSE(Open(0x440, {{}, 1, false}));
    EXPECT_EQ(display.GetFlags(), 0u);
    EXPECT_EQ(display.GetDriver(), -1);
    TErrorRec* r = TError::NextPending(1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->code, 22);
}

TEST_F(FullScreen, SixteenBitsTriesFifteenTwentyFourThirtyTwoThenEight) {
    struct Case {
        std::vector<int32_t> offered;
        int32_t opened;
    };
    const Case cases[] = {
        {{16, 8}, 16}, {{8, 15, 24}, 15}, {{8, 32, 24}, 24}, {{8, 32}, 32}, {{8}, 8},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Open(0x440, {c.offered, 1, false})) << c.opened;
        EXPECT_EQ(GDL_getBitsPerPixel(display.GetScreenContext()), c.opened);
        display.Close();
        display.ReleaseLibrary();
    }
}

TEST_F(FullScreen, TwoPagesAskedOfOneGiveOne) {
    ASSERT_TRUE(Open(0x140, {{16}, 1, false}));
    EXPECT_EQ(display.TwoPages(), 0);
    EXPECT_EQ(display.GetFlags() & TDispDev::fDblBuf, 0u);
    const int32_t flips = fakefs::record().flips;
    display.FlipPage(); // nothing to flip
    EXPECT_EQ(fakefs::record().flips, flips);
}

TEST_F(FullScreen, FlipPageSwapsThePages) {
    ASSERT_TRUE(Open(0x140, {{16}, 2, false}));
    EXPECT_EQ(display.TwoPages(), 1);
    EXPECT_NE(display.GetFlags() & TDispDev::fDblBuf, 0u);
    // Two pages with direct access and no dirty rectangles: drawn in place.
    GdlDeviceContext* screen = display.GetScreenContext();
    EXPECT_EQ(display.GetDrawContext(), screen);
    const int32_t visual = GDL_getVisualPage(screen), active = GDL_getActivePage(screen);
    EXPECT_NE(visual, active);
    display.FlipPage();
    EXPECT_EQ(GDL_getVisualPage(screen), active);
    EXPECT_EQ(GDL_getActivePage(screen), visual);
    display.FlipPage();
    EXPECT_EQ(GDL_getVisualPage(screen), visual);
}

TEST_F(FullScreen, PresentWritesTheWidenedDirtyRectanglesToThePage) {
    ASSERT_TRUE(Open(0x440, {{16}, 1, false}));
    display.Present();
    TDirtyRects::SetChanged(0);
    GdlDeviceContext* previous = GDL_selectCurrentDC(display.GetDrawContext());
    GDL_setBackColor(0xFFFF);
    GDL_clearDevice();
    GDL_selectCurrentDC(previous);
    TDirtyRects::AddDirtyRect({5, 10, 9, 20});
    display.Present();
    GdlDeviceContext* s = GDL_liveDC(display.GetScreenContext());
    for (int32_t y = 8; y < 22; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 10 && y < 20;
            EXPECT_EQ(fakefs::pixelOf(0, x, y, 16, int32_t(s->mode.bytesPerLine)),
                      inside ? 0xFFFFu : 0u)
                << x << "," << y;
        }
}

} // namespace
