// The display device in a window on the memory host: opening, presenting the
// dirty rectangles, the brightness level, rebuilding on resize and the
// window's messages.
#include "MemoryDesktop.h"
#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/result.h"
#include "gdl/windows.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/devices/TImgAdj.h"
#include "platform/Clock.h"
#include "platform/Gdi.h"
#include "platform/Host.h"
#include "platform/User.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

bool g_running = false;
int g_activations = 0;

class Display : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktop();
        DisplayHooks() = TDispHooks{};
        g_running = false;
        g_activations = 0;
        display.SetClassName("DisplayTest");
        display.SetTitle("Display Test");
        display.SetDriverFlags(0x600);
        display.SetMode(800, 600, 16);
    }
    void TearDown() override {
        display.Close();
        display.ReleaseLibrary();
        DisplayHooks() = TDispHooks{};
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
    }

    // One frame: present, let the window paint, end the frame.
    void Frame() {
        display.Present();
        UpdateWindow(display.GetWindow());
        TDirtyRects::SetChanged(0);
    }

    void FillDrawContext(uint32_t pixel) {
        GdlDeviceContext* previous = GDL_selectCurrentDC(display.GetDrawContext());
        GDL_setBackColor(pixel);
        GDL_clearDevice();
        GDL_selectCurrentDC(previous);
    }

    TDispDev display;
};

TEST_F(Display, OpensTheWindowWithItsContexts) {
    ASSERT_TRUE(display.Open());
    HWND w = display.GetWindow();
    ASSERT_NE(w, nullptr);
    char text[64] = {};
    GetWindowTextA(w, text, sizeof(text));
    EXPECT_STREQ(text, "Display Test");
    EXPECT_EQ(FindWindowA("DisplayTest", "Display Test"), w);
    RECT client{};
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
    EXPECT_EQ(display.GetFlags(), 0x600u);
    EXPECT_EQ(display.GetDriver(), TDispDev::kWindowDriver);
    EXPECT_EQ(GDL_liveDC(display.GetScreenContext())->type, GDL_DC_WINDOWED);
    GdlDeviceContext* draw = GDL_liveDC(display.GetDrawContext());
    EXPECT_EQ(draw->mode.bitsPerPixel, 16u);
    EXPECT_EQ(draw->format.redPosition, 11);
    EXPECT_EQ(draw->format.greenMask, 0x3Fu);
    EXPECT_EQ(draw->mode.maxX, 799u);
    // The library knows it as the main window (hidden in full screen) till it goes.
    EXPECT_EQ(GDL_getMainWindow(), w);
    display.Close();
    EXPECT_EQ(GDL_getMainWindow(), nullptr);
}

TEST_F(Display, PresentsOnlyTheWidenedDirtyRectangles) {
    ASSERT_TRUE(display.Open());
    Frame(); // the whole black area
    FillDrawContext(0xFFFF);
    TDirtyRects::AddDirtyRect({5, 10, 9, 20});
    Frame();
    platform::Frame f = platform::PresentedFrame(display.GetWindow());
    ASSERT_EQ(f.width, 800);
    for (int y = 8; y < 22; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 10 && y < 20;
            EXPECT_EQ(f.pixels[size_t(y * f.width + x)], inside ? 0xFFFFFFu : 0u) << x << "," << y;
        }
}

// Two boxes in opposite corners repaint as two boxes: a change between them
// that no dirty rectangle names is not shown, and the frame they leave is the
// one a full present of the same pixels gives.
TEST_F(Display, TwoDirtyBoxesRepaintOnlyThemselves) {
    ASSERT_TRUE(display.Open());
    Frame();
    GdlDeviceContext* draw = GDL_liveDC(display.GetDrawContext());
    auto fill = [&](int32_t left, int32_t top, uint16_t pixel) {
        for (int32_t y = top; y < top + 64; ++y)
            for (int32_t x = left; x < left + 64; ++x)
                std::memcpy(draw->surface + y * int32_t(draw->mode.bytesPerLine) + 2 * x, &pixel,
                            2);
    };
    fill(0, 0, 0xF800);
    fill(736, 536, 0x07FF);
    fill(368, 268, 0xFFFF); // not marked dirty
    TDirtyRects::AddDirtyRect({0, 0, 64, 64});
    TDirtyRects::AddDirtyRect({736, 536, 800, 600});
    Frame();
    const platform::Frame boxes = platform::PresentedFrame(display.GetWindow());
    ASSERT_EQ(boxes.width, 800);
    auto at = [&](const platform::Frame& f, int x, int y) {
        return f.pixels[size_t(y * f.width + x)];
    };
    EXPECT_EQ(at(boxes, 0, 0), 0xFF0000u);
    EXPECT_EQ(at(boxes, 799, 599), 0x00FFFFu);
    EXPECT_EQ(at(boxes, 400, 300), 0u);
    fill(368, 268, 0x0000);
    TDirtyRects::AddDirtyRect({0, 0, 800, 600});
    Frame();
    const platform::Frame full = platform::PresentedFrame(display.GetWindow());
    EXPECT_EQ(full.pixels, boxes.pixels);
}

TEST_F(Display, LevelDarkensThePresentedFrame) {
    ASSERT_TRUE(display.Open());
    FillDrawContext(0xFFFF);
    display.SetAdjustLevel(128);
    Frame();
    platform::Frame f = platform::PresentedFrame(display.GetWindow());
    const uint32_t p = f.pixels[size_t(300 * f.width + 400)];
    // 0xFFFF at level 128 is 0x7BEF: 15, 31, 15 of 31, 63, 31.
    for (int shift : {16, 8, 0}) {
        const uint32_t c = (p >> shift) & 0xFF;
        EXPECT_GE(c, 0x78u);
        EXPECT_LE(c, 0x7Fu);
    }
}

TEST_F(Display, WidthNoMultipleOfFourStaysInsideBothContexts) {
    display.SetMode(641, 481, 16);
    ASSERT_TRUE(display.Open());
    FillDrawContext(0xFFFF);
    display.SetAdjustLevel(128);
    TDirtyRects::AddDirtyRect({637, 0, 641, 481});
    Frame();
    platform::Frame f = platform::PresentedFrame(display.GetWindow());
    ASSERT_EQ(f.width, 641);
    EXPECT_NE(f.pixels[size_t(480 * f.width + 640)], 0u);
}

TEST_F(Display, ResizeAndMinimiseRebuildTheContexts) {
    ASSERT_TRUE(display.Open());
    HWND w = display.GetWindow();
    SetWindowPos(w, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    GetClientRect(w, &client);
    GdlDeviceContext* draw = GDL_liveDC(display.GetDrawContext());
    EXPECT_EQ(int32_t(draw->mode.maxX) + 1, client.right);
    ShowWindow(w, SW_MINIMIZE);
    ASSERT_NE(display.GetDrawContext(), nullptr);
    draw = GDL_liveDC(display.GetDrawContext());
    // An empty client area still has a 1 x 1 drawing context.
    EXPECT_GE(draw->mode.maxX + 1, 1u);
    EXPECT_TRUE(display.IsOpen());
}

TEST_F(Display, NoDriverBitIsCode25) {
    display.SetDriverFlags(0x400);
    EXPECT_FALSE(display.Open());
    EXPECT_EQ(display.GetFlags(), 0u);
    EXPECT_EQ(display.GetDriver(), -1);
    TErrorRec* r = TError::NextPending(1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->code, 25);
}

TEST_F(Display, CloseWhileRunningQueuesOneEventThenDestroys) {
    ASSERT_TRUE(display.Open());
    TEventMgr::Global().InitQueue(display.GetWindow());
    HWND w = display.GetWindow();
    DisplayHooks().appRunning = [] { return g_running; };
    g_running = true;
    const int before = TEventMgr::Global().Count();
    SendMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(w));
    EXPECT_EQ(TEventMgr::Global().Count(), before + 1);
    g_running = false;
    SendMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(w));
    MSG m{};
    bool quit = false;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        quit = quit || m.message == WM_QUIT;
    EXPECT_TRUE(quit);
}

TEST_F(Display, LogOffRefusedWhileRunningAndScreenSaverRefused) {
    ASSERT_TRUE(display.Open());
    HWND w = display.GetWindow();
    DisplayHooks().appRunning = [] { return g_running; };
    DisplayHooks().appActivation = [](TEvent* e) { g_activations += e->type == evQueryEnd; };
    g_running = true;
    EXPECT_EQ(SendMessageA(w, WM_QUERYENDSESSION, 0, 0), 0);
    EXPECT_EQ(g_activations, 1);
    EXPECT_EQ(SendMessageA(w, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(platform::ScreenSaverStarts(), 0);
    // Over the border the default cursor handling stays.
    static int setCursor = 0;
    DisplayHooks().cursorSetWinCursor = [] { ++setCursor; };
    SendMessageA(w, WM_SETCURSOR, WPARAM(w), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_EQ(setCursor, 0);
    EXPECT_EQ(SendMessageA(w, WM_SETCURSOR, WPARAM(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 0);
    EXPECT_EQ(setCursor, 1);
}

// View rectangles for client sizes, requested 800 x 600.
TEST_F(Display, ViewOptionsPlaceTheFrame) {
    struct Case {
        uint32_t options;
        int32_t width, height;
        TRectArea view;
    };
    const Case cases[] = {
        {0, 1000, 700, {0, 0, 800, 600}},    {1, 1000, 700, {0, 0, 1000, 700}},
        {3, 1000, 700, {0, 0, 933, 700}},    {7, 1000, 700, {33, 0, 966, 700}},
        {4, 1000, 700, {100, 50, 900, 650}}, {3, 400, 600, {0, 0, 400, 300}},
    };
    ASSERT_TRUE(display.Open());
    HWND w = display.GetWindow();
    for (const Case& c : cases) {
        display.SetPaintFlags(c.options);
        RECT r{0, 0, c.width, c.height};
        AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
        SetWindowPos(w, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        TRectArea v{};
        display.GetScreenRect(&v);
        EXPECT_EQ(v.left, c.view.left) << c.options << " " << c.width;
        EXPECT_EQ(v.top, c.view.top) << c.options << " " << c.width;
        EXPECT_EQ(v.right, c.view.right) << c.options << " " << c.width;
        EXPECT_EQ(v.bottom, c.view.bottom) << c.options << " " << c.width;
    }
}

// Another window realises a palette of its own over the whole system palette.
void realiseForeign(HWND other) {
    struct {
        WORD version, count;
        PALETTEENTRY entries[256];
    } log{0x300, 256, {}};
    for (PALETTEENTRY& e : log.entries)
        e = {200, 0, 0, PC_NOCOLLAPSE};
    HPALETTE p = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
    HDC dc = GetDC(other);
    SelectPalette(dc, p, FALSE);
    RealizePalette(dc);
    ReleaseDC(other, dc);
}

PALETTEENTRY systemEntry(int i) {
    PALETTEENTRY e{};
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, UINT(i), 1, &e);
    ReleaseDC(nullptr, screen);
    return e;
}

TEST_F(Display, PaletteMessagesOnAnEightBitDesktopRealiseAgain) {
    platform::SetMemoryDesktop(1024, 768, 8);
    display.SetMode(640, 480, 8);
    GdlPaletteEntry ramp[256];
    for (int i = 0; i < 256; ++i)
        ramp[i] = {uint8_t(i), uint8_t(i / 2), uint8_t(255 - i), 0};
    display.SetPalette(ramp);
    ASSERT_TRUE(display.Open());
    HWND w = display.GetWindow();
    const PALETTEENTRY static1 = systemEntry(1), static254 = systemEntry(254);
    // Activated, the window realises its palette.
    SetActiveWindow(w);
    EXPECT_EQ(SendMessageA(w, WM_QUERYNEWPALETTE, 0, 0), 1);
    EXPECT_EQ(systemEntry(100).peRed, 155);
    HWND other = CreateWindowExA(0, "DisplayTest", "other", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                                 nullptr, nullptr);
    realiseForeign(other);
    ASSERT_EQ(systemEntry(100).peRed, 200);
    // Its own change is not answered; another window's is.
    SendMessageA(w, WM_PALETTECHANGED, WPARAM(w), 0);
    EXPECT_EQ(systemEntry(100).peRed, 200);
    EXPECT_EQ(SendMessageA(w, WM_PALETTECHANGED, WPARAM(other), 0), 1);
    const PALETTEENTRY e100 = systemEntry(100), e0 = systemEntry(0), e255 = systemEntry(255);
    EXPECT_EQ(e100.peRed, 155);
    EXPECT_EQ(e100.peBlue, 100);
    EXPECT_EQ(e0.peRed | e0.peGreen | e0.peBlue, 0);
    EXPECT_EQ(e255.peRed & e255.peGreen & e255.peBlue, 255);
    EXPECT_EQ(systemEntry(1).peRed, static1.peRed);
    EXPECT_EQ(systemEntry(254).peGreen, static254.peGreen);
    realiseForeign(other);
    EXPECT_EQ(SendMessageA(w, WM_QUERYNEWPALETTE, 0, 0), 1);
    EXPECT_EQ(systemEntry(100).peRed, 155);
}

} // namespace
