// Rules of the windowed display that guard presentation: the dirty store's
// walk and pages, the effective flags of a windowed start, an empty client
// area, the brightness level's bookkeeping, canvas contexts, the stretched
// paint, the brightness copy at 15 and 24 bits, the library mouse's counts
// and edges, and the full-screen mouse scaling.
#include "WindowedLibrary.h"
#include "MemoryDesktop.h"
#include "FakeFullScreen.h"
#include "TempDir.h"

#include "drawing/TCanvas.h"
#include "foundation/TError.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/mouse.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/windows.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/devices/TImgAdj.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Registry.h"
#include "platform/User.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace fakefs = testsupport::fakefs;

namespace {

std::vector<TRectArea> walk(const TRectArea& clip) {
    std::vector<TRectArea> out;
    TDirtyRects::BeginDirtyRects(clip);
    TRectArea r{};
    while (TDirtyRects::NextDirtyRect(&r) && out.size() < 16)
        out.push_back(r);
    return out;
}

bool same(const TRectArea& a, const TRectArea& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class DirtyStore : public ::testing::Test {
protected:
    void TearDown() override {
        TDirtyRects::SetTwoPages(0);
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
    }
};

TEST_F(DirtyStore, WithoutTrackingTheClipComesOnceAndAnEmptyClipNever) {
    TDirtyRects::ClearTracking();
    TDirtyRects::SetChanged(0);
    EXPECT_TRUE(TDirtyRects::IsChanged());
    auto rects = walk({0, 0, 30, 20});
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_TRUE(same(rects[0], {0, 0, 30, 20}));
    EXPECT_TRUE(walk({5, 5, 5, 9}).empty());
}

TEST_F(DirtyStore, EmptyAreasAreIgnoredAndRectanglesCutToTheClip) {
    TDirtyRects::SetTracking(true);
    TDirtyRects::SetChanged(0);
    TDirtyRects::AddDirtyArea(10, 10, -5, 4); // (10, 10, 10, 14): empty
    TDirtyRects::AddDirtyArea(10, 10, 4, 0);
    EXPECT_FALSE(TDirtyRects::IsChanged());
    TDirtyRects::AddDirtyArea(-6, 90, 20, 30);
    TDirtyRects::AddDirtyArea(200, 0, 5, 5); // outside the clip
    EXPECT_TRUE(TDirtyRects::IsChanged());
    auto rects = walk({0, 0, 100, 100});
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_TRUE(same(rects[0], {0, 90, 14, 100}));
}

TEST_F(DirtyStore, TwoPagesPresentARectangleOnceFromEachList) {
    TDirtyRects::SetTracking(true);
    TDirtyRects::SetTwoPages(1);
    TDirtyRects::SetChanged(0);
    const int32_t first = TDirtyRects::CurrentPage();
    TDirtyRects::AddDirtyRect({1, 2, 3, 4});
    EXPECT_EQ(walk({0, 0, 10, 10}).size(), 1u);
    TDirtyRects::SetChanged(0);
    EXPECT_EQ(TDirtyRects::CurrentPage(), 1 - first);
    EXPECT_EQ(walk({0, 0, 10, 10}).size(), 1u);
    TDirtyRects::SetChanged(0);
    EXPECT_EQ(TDirtyRects::CurrentPage(), first);
    EXPECT_TRUE(walk({0, 0, 10, 10}).empty());
    // With one page the store stays on page 0.
    TDirtyRects::SetTwoPages(0);
    TDirtyRects::SetChanged(0);
    TDirtyRects::SetChanged(0);
    EXPECT_EQ(TDirtyRects::CurrentPage(), 0);
}

// --- The display in a window -------------------------------------------------------------

class WindowedRules : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktop();
        DisplayHooks() = TDispHooks{};
        display.SetClassName("RulesTest");
        display.SetTitle("Rules");
        display.SetMode(800, 600, 16);
    }
    void TearDown() override {
        display.Close();
        display.ReleaseLibrary();
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
    }
    void Resize(int32_t w, int32_t h) {
        RECT r{0, 0, w, h};
        AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
        SetWindowPos(display.GetWindow(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER);
    }
    TDispDev display;
};

TEST_F(WindowedRules, DefaultsAndModeNumbers) {
    TDispDev fresh;
    EXPECT_EQ(fresh.GetDriverFlags(), 0x700u);
    int32_t w = 0, h = 0, d = 0;
    EXPECT_EQ(fresh.GetMode(&w, &h, &d), -1);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(d, 8);
    EXPECT_EQ(fresh.GetAdjustLevel(), 256);
    EXPECT_EQ(fresh.GetDriver(), -1);
    const struct {
        int32_t w, h, bits, mode;
    } modes[] = {{320, 200, 8, 6},     {640, 480, 8, 19}, {800, 600, 16, 50}, {800, 600, 15, 35},
                 {1600, 1200, 32, 85}, {640, 480, 4, 4},  {800, 600, 4, 5},   {801, 600, 16, -1}};
    for (const auto& m : modes)
        EXPECT_EQ(TDispDev::FindMode(m.w, m.h, m.bits), m.mode)
            << m.w << "x" << m.h << "x" << m.bits;
}

// The flags of a windowed start: without the full-screen bits, with 0x200,
// 0x100 only with two pages; the failed full-screen attempt's reports go.
TEST_F(WindowedRules, EffectiveFlagsOfAWindowedStart) {
    const struct {
        uint32_t flags, effective;
    } cases[] = {{0x200, 0x200}, {0x600, 0x600}, {0x7FF, 0x680}, {0x0E40, 0x0E00}};
    for (const auto& c : cases) {
        TError::ClearLists();
        display.SetDriverFlags(c.flags);
        ASSERT_TRUE(display.Open()) << std::hex << c.flags;
        EXPECT_EQ(display.GetFlags(), c.effective) << std::hex << c.flags;
        EXPECT_EQ(TError::NextPending(1), nullptr) << std::hex << c.flags;
        display.Close();
        display.ReleaseLibrary();
    }
}

TEST_F(WindowedRules, EmptyClientAreaClipsToNothingWithAOneByOneDrawingContext) {
    display.SetDriverFlags(0x600);
    ASSERT_TRUE(display.Open());
    display.SetAdjustLevel(100);
    Resize(0, 0);
    const GdlDeviceContext* s = GDL_liveDC(display.GetScreenContext());
    EXPECT_EQ(int32_t(s->mode.maxX), -1);
    EXPECT_EQ(int32_t(s->mode.maxY), -1);
    EXPECT_EQ(s->bounds.right, 0);
    EXPECT_EQ(s->bounds.bottom, 0);
    const GdlDeviceContext* d = GDL_liveDC(display.GetDrawContext());
    EXPECT_EQ(d->mode.maxX, 0u);
    EXPECT_EQ(d->mode.maxY, 0u);
    TDirtyRects::AddDirtyRect({0, 0, 5, 5});
    display.Present();
    UpdateWindow(display.GetWindow());
    Resize(1, 1);
    TDirtyRects::AddDirtyRect({0, 0, 1, 1});
    display.Present();
    UpdateWindow(display.GetWindow());
    EXPECT_TRUE(display.IsOpen());
}

TEST_F(WindowedRules, ALevelChangeDirtiesTheWholeAreaAndTheSameLevelNothing) {
    display.SetDriverFlags(0x600);
    ASSERT_TRUE(display.Open());
    TDirtyRects::SetChanged(0);
    display.SetAdjustLevel(256);
    EXPECT_FALSE(TDirtyRects::IsChanged());
    display.SetAdjustLevel(200);
    auto rects = walk({0, 0, 800, 600});
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_TRUE(same(rects[0], {0, 0, 800, 600}));
}

TEST_F(WindowedRules, CanvasContextsFollowTheDrawingContext) {
    display.SetDriverFlags(0x600);
    ASSERT_TRUE(display.Open());
    EXPECT_EQ(display.CreateCanvasContext({5, 5, 5, 9}), nullptr);
    GdlDeviceContext* dc = display.CreateCanvasContext({0, 0, 30, 20});
    ASSERT_NE(dc, nullptr);
    const GdlDeviceContext* c = GDL_liveDC(dc);
    const GdlDeviceContext* d = GDL_liveDC(display.GetDrawContext());
    EXPECT_EQ(c->mode.bitsPerPixel, d->mode.bitsPerPixel);
    EXPECT_EQ(std::memcmp(&c->format, &d->format, sizeof(GdlPixelFormat)), 0);
    EXPECT_EQ(display.ResizeCanvasContext({0, 0, 30, 10}, dc), dc); // still covers it
    GdlDeviceContext* bigger = display.ResizeCanvasContext({0, 0, 31, 10}, dc);
    ASSERT_NE(bigger, nullptr);
    EXPECT_EQ(GDL_liveDC(bigger)->mode.maxX, 30u);
    display.DestroyCanvasContext(bigger);
}

// With the stretch option the frame of the requested size fills the view.
TEST_F(WindowedRules, StretchedPaintFillsTheView) {
    display.SetDriverFlags(0x600);
    display.SetMode(40, 30, 16);
    display.SetPaintFlags(1);
    ASSERT_TRUE(display.Open());
    Resize(80, 60);
    // Red in the requested 40 x 30 only; the rest of the 80 x 60 stays black.
    GdlDeviceContext* d = GDL_liveDC(display.GetDrawContext());
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const uint16_t red = 0xF800;
            std::memcpy(d->surface + y * d->mode.bytesPerLine + x * 2, &red, 2);
        }
    InvalidateRect(display.GetWindow(), nullptr, FALSE);
    UpdateWindow(display.GetWindow());
    platform::Frame f = platform::PresentedFrame(display.GetWindow());
    ASSERT_EQ(f.width, 80);
    EXPECT_EQ(f.pixels[size_t(59 * f.width + 79)] & 0xFF0000u, 0xFF0000u);
    EXPECT_EQ(f.pixels[0] & 0xFF0000u, 0xFF0000u);
}

// The cursor's two passes through one canvas: each monochrome image takes the
// write mode and colours set just before it. The keyed copy's colour is green.
TEST_F(WindowedRules, MonoImagesTakeTheWriteModeAndColoursOfTheirCall) {
    TDispDev& global = TDispDev::Global();
    global.SetClassName("RulesCanvas");
    global.SetDriverFlags(0x600);
    global.SetMode(64, 48, 16);
    ASSERT_TRUE(global.Open());
    {
        TCanvas canvas;
        EXPECT_EQ(canvas.GetColor3().GetPixel(global.GetDrawContext()), 0x07E0u);
        ASSERT_TRUE(canvas.CreateDevice({0, 0, 8, 1}));
        canvas.SetBackColor(TColor(0, 0, 0));
        canvas.Clear();
        const uint8_t bits[1] = {0xF0};
        canvas.SetForeColor(TColor(255, 0, 0));
        canvas.SetWriteMode(0);
        canvas.PutMonoImage(0, 0, 1, 1, bits);
        canvas.SetForeColor(TColor(255, 255, 255));
        canvas.SetWriteMode(3); // XOR: red becomes cyan
        canvas.PutMonoImage(0, 0, 1, 1, bits);
        canvas.PutMonoImage(0, 0, 0, 1, bits); // nothing
        const GdlDeviceContext* d = GDL_liveDC(canvas.GetDevice());
        uint16_t first = 0;
        std::memcpy(&first, d->surface, 2);
        EXPECT_EQ(first, 0x07FFu);
    }
    global.Close();
    global.ReleaseLibrary();
}

// --- The brightness copy --------------------------------------------------------------

class Brightness : public testsupport::WindowedLibraryTest {
protected:
    static uint32_t At(GdlDeviceContext* dc, int32_t x, int32_t y) {
        GdlDeviceContext* d = GDL_liveDC(dc);
        const int32_t bits = int32_t(d->mode.bitsPerPixel), n = bits == 15 ? 2 : bits / 8;
        uint32_t v = 0;
        std::memcpy(&v, d->surface + int64_t(y) * d->mode.bytesPerLine + x * n, size_t(n));
        return v;
    }
    static void Set(GdlDeviceContext* dc, uint32_t v) {
        GdlDeviceContext* d = GDL_liveDC(dc);
        const int32_t bits = int32_t(d->mode.bitsPerPixel), n = bits == 15 ? 2 : bits / 8;
        for (uint32_t y = 0; y <= d->mode.maxY; ++y)
            for (uint32_t x = 0; x <= d->mode.maxX; ++x)
                std::memcpy(d->surface + int64_t(y) * d->mode.bytesPerLine + x * n, &v, size_t(n));
    }
    TImgAdj adjust;
};

// Pixel table at 15 bits: each channel through the level, the bit outside
// the channels cleared; 24 bits: each byte through the channel table.
TEST_F(Brightness, FifteenAndTwentyFourBitPixels) {
    const struct {
        int32_t bits, level;
        uint32_t in, out;
    } cases[] = {
        {15, 128, 0xFFFF, 0x3DEF}, {15, 128, 0x7FFF, 0x3DEF},     {15, 0, 0x7FFF, 0x0000},
        {15, 512, 0x0000, 0x7FFF}, {24, 128, 0xC8FF10, 0x647F08}, {24, 384, 0x00FF00, 0x7FFF7F},
    };
    for (const auto& c : cases) {
        GdlDeviceContext* source = GDL_createMemoryDC(3, 2, c.bits, nullptr);
        GdlDeviceContext* dest = GDL_createMemoryDC(3, 2, c.bits, nullptr);
        ASSERT_TRUE(source && dest);
        Set(source, c.in);
        adjust.SetLevel(c.level);
        adjust.Blit(dest, source, 0, 0, 3, 2, 0, 0);
        EXPECT_EQ(At(dest, 2, 1), c.out) << c.bits << " " << c.level << " " << std::hex << c.in;
        GDL_destroyDC(source);
        GDL_destroyDC(dest);
    }
}

// Destinations before the origin: the copy starts inside both contexts at
// the matching source pixel.
TEST_F(Brightness, NegativeDestinationsShiftTheSource) {
    GdlDeviceContext* source = GDL_createMemoryDC(8, 8, 16, nullptr);
    GdlDeviceContext* dest = GDL_createMemoryDC(8, 8, 16, nullptr);
    ASSERT_TRUE(source && dest);
    GdlDeviceContext* s = GDL_liveDC(source);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const uint16_t v = uint16_t((x << 11) | (y << 6));
            std::memcpy(s->surface + y * s->mode.bytesPerLine + x * 2, &v, 2);
        }
    Set(dest, 0x001F);
    adjust.SetLevel(512); // white whatever the source, so only placement shows
    adjust.SetLevel(256);
    adjust.Blit(dest, source, 0, 0, 8, 8, -3, -2);
    EXPECT_EQ(At(dest, 0, 0), uint32_t((3 << 11) | (2 << 6)));
    adjust.SetLevel(255);
    Set(dest, 0x001F);
    adjust.Blit(dest, source, 0, 0, 8, 8, -3, -2);
    EXPECT_EQ(At(dest, 0, 0) & 0xF800u, uint32_t(2 << 11)); // 3 at level 255 is 2
    EXPECT_EQ(At(dest, 5, 6), 0x001Fu);                     // past the copied area
    GDL_destroyDC(source);
    GDL_destroyDC(dest);
}

// --- The library mouse in full screen -------------------------------------------------

class MouseRules : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path()); }
    void TearDown() override {
        GDL_setMouseDC(nullptr);
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    GdlDeviceContext* Start(int32_t pages) {
        fakefs::reset({{16}, pages, false});
        GDL_unregisterAllDrivers();
        for (int32_t i = 0; i < 4; ++i)
            GDL_registerDriver(fakefs::kFiles[i], fakefs::headerOf(i));
        int32_t driver = -1, mode = TDispDev::FindMode(320, 200, 16);
        if (!GDL_init(&driver, &mode, ".")) return nullptr;
        GdlDeviceContext* dc = GDL_createDisplayDCPages(pages);
        if (!dc) return nullptr;
        const size_t bytes = size_t(fakefs::state()->pageSize) * size_t(pages);
        for (size_t i = 0; i < bytes; ++i)
            fakefs::state()->memory[i] = uint8_t(i * 13 + 7);
        GDL_setMouseDC(dc);
        uint8_t record[GDL_CURSOR_RECORD_SIZE] = {};
        for (int32_t i = 128; i < 256; ++i)
            record[i] = 0xFF;
        GDL_setMouseCursor(record);
        return dc;
    }
    std::vector<uint8_t> Pages(int32_t pages) {
        const uint8_t* p = fakefs::state()->memory;
        return {p, p + size_t(fakefs::state()->pageSize) * size_t(pages)};
    }
    testsupport::TempDir folder_;
};

// Edges: the box clipped to the page on every side, positions clamped at 0;
// hiding always gives back the exact page.
TEST_F(MouseRules, SaveUnderIsExactAtEveryEdge) {
    ASSERT_NE(Start(1), nullptr);
    const std::vector<uint8_t> before = Pages(1);
    GDL_showMouse();
    const int32_t spots[][2] = {{-40, -40}, {0, 0},     {319, 199}, {300, 190}, {319, 0},
                                {0, 199},   {400, 300}, {2, 3},     {2, 3},     {-1, 100}};
    for (const auto& p : spots) {
        GDL_mouseMoved(p[0], p[1]);
        int32_t x = -1, y = -1;
        GDL_getMousePos(&x, &y);
        EXPECT_EQ(x, std::max(p[0], 0));
        EXPECT_EQ(y, std::max(p[1], 0));
    }
    GDL_hideMouse();
    EXPECT_TRUE(Pages(1) == before);
}

TEST_F(MouseRules, SuspendResumeAndSurfaceLossKeepTheCount) {
    ASSERT_NE(Start(2), nullptr);
    const std::vector<uint8_t> before = Pages(2);
    GDL_showMouse();
    GDL_mouseSuspend();
    EXPECT_EQ(GDL_mouseShowCount(), -1);
    EXPECT_TRUE(Pages(2) == before);
    GDL_mouseResume();
    EXPECT_EQ(GDL_mouseShowCount(), 0);
    GDL_mouseSurfaceLost();
    EXPECT_EQ(GDL_mouseShowCount(), -1);
    GDL_mouseSurfaceRestored();
    EXPECT_EQ(GDL_mouseShowCount(), 0);
    GDL_hideMouse();
    GDL_setMouseDC(nullptr);
    EXPECT_FALSE(GDL_mouseHasSoftwareCursor());
}

// The full-screen position goes to the desktop scaled and comes back scaled.
TEST_F(MouseRules, FullScreenPositionsScaleBetweenModeAndDesktop) {
    ASSERT_NE(Start(1), nullptr);
    GDL_setFullScreenState(GDL_FS_DIB, nullptr, 320, 200);
    GDL_setMousePos(100, 50);
    POINT p{};
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 320); // 100 x 1024 / 320
    EXPECT_EQ(p.y, 192); // 50 x 768 / 200
    int32_t x = 0, y = 0;
    GDL_getMousePos(&x, &y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 50);
}

} // namespace
