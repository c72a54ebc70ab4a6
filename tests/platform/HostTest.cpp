#include "MessageRecorder.h"
#include "platform/Kernel.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "../../platform/src/window/WindowSurface.h"

using namespace testing_user;

namespace {

class Host : public UserTest {
protected:
    // Paints a 2 x 2 block of `colour` at (x, y) and marks it changed.
    void Draw(HWND w, int x, int y, uint32_t colour) {
        platform::WindowPixels px;
        ASSERT_TRUE(platform::LockWindowPixels(w, &px));
        for (int j = y; j < y + 2; ++j)
            for (int i = x; i < x + 2; ++i)
                px.pixels[j * px.pitchPixels + i] = colour;
        RECT r{x, y, x + 2, y + 2};
        platform::UnlockWindowPixels(w, &r);
    }
    std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
};

TEST_F(Host, PresentedFrameHoldsWhatWasUnlocked) {
    HWND w = Make(WS_POPUP | WS_VISIBLE);
    EXPECT_TRUE(platform::PresentedFrame(w).pixels.empty());
    Draw(w, 4, 6, 0x00FF8000);
    platform::Frame f = platform::PresentedFrame(w);
    ASSERT_EQ(f.width, 328);
    ASSERT_EQ(f.height, 267);
    EXPECT_EQ(f.pixels[6 * f.width + 4], 0x00FF8000u);
    EXPECT_EQ(f.pixels[0], 0u);
    // Pixels changed outside the marked rectangle wait for their own unlock.
    platform::WindowPixels px;
    ASSERT_TRUE(platform::LockWindowPixels(w, &px));
    px.pixels[0] = 0x00123456;
    RECT elsewhere{100, 100, 101, 101};
    platform::UnlockWindowPixels(w, &elsewhere);
    EXPECT_EQ(platform::PresentedFrame(w).pixels[0], 0u);
    EXPECT_FALSE(platform::LockWindowPixels(reinterpret_cast<HWND>(0x5), &px));
    EXPECT_EQ(px.pixels, nullptr);
}

TEST_F(Host, ResizingKeepsTheOverlapAndPresentsTheNewSize) {
    HWND w = Make(WS_POPUP | WS_VISIBLE);
    Draw(w, 0, 0, 0x00ABCDEF);
    SetWindowPos(w, nullptr, 0, 0, 100, 50, SWP_NOMOVE | SWP_NOZORDER);
    platform::WindowPixels px;
    ASSERT_TRUE(platform::LockWindowPixels(w, &px));
    EXPECT_EQ(px.width, 100);
    EXPECT_EQ(px.height, 50);
    EXPECT_EQ(px.pixels[0], 0x00ABCDEFu);
    platform::UnlockWindowPixels(w, nullptr);
    EXPECT_EQ(platform::PresentedFrame(w).width, 100);
}

TEST_F(Host, BeginPaintHandsOutTheUpdateRectangleAndValidatesIt) {
    HWND w = Make(WS_POPUP | WS_VISIBLE);
    Pump();
    static RECT painted;
    static bool gotDc;
    Override() = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT* r) {
        if (m != WM_PAINT) return false;
        PAINTSTRUCT ps;
        gotDc = BeginPaint(h, &ps) != nullptr;
        painted = ps.rcPaint;
        EndPaint(h, &ps);
        *r = 0;
        return true;
    };
    RECT a{10, 10, 20, 20}, b{30, 5, 40, 15};
    InvalidateRect(w, &a, TRUE);
    InvalidateRect(w, &b, FALSE);
    Log().clear();
    Pump();
    EXPECT_TRUE(gotDc);
    EXPECT_EQ(painted.left, 10);
    EXPECT_EQ(painted.top, 5);
    EXPECT_EQ(painted.right, 40);
    EXPECT_EQ(painted.bottom, 20);
    EXPECT_EQ(Messages({WM_PAINT, WM_ERASEBKGND}), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    RECT u;
    EXPECT_FALSE(GetUpdateRect(w, &u, FALSE));
}

TEST_F(Host, FramesAreWrittenAsBmpAndPng) {
    platform::Frame f;
    f.width = 3;
    f.height = 2;
    f.pixels = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF, 0x00000000, 0x00808080};
    std::string base =
        ::testing::TempDir() + "platui-frame-" + std::to_string(reinterpret_cast<uintptr_t>(&f));
    ASSERT_TRUE(platform::WriteFrameBmp(f, (base + ".bmp").c_str()));
    ASSERT_TRUE(platform::WriteFramePng(f, (base + ".png").c_str()));
    std::string bmp = Read(base + ".bmp"), png = Read(base + ".png");
    ASSERT_EQ(bmp.size(), 14u + 40u + 2u * 12u); // rows padded to 12 bytes
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    // Bottom-up: the first row stored is the picture's last, blue-green-red.
    EXPECT_EQ(static_cast<unsigned char>(bmp[54]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bmp[54 + 12 + 2]), 0xFF); // red of pixel (0,0)
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
    std::remove((base + ".bmp").c_str());
    std::remove((base + ".png").c_str());
    EXPECT_FALSE(platform::WriteFrameBmp(platform::Frame{}, (base + ".bmp").c_str()));
    EXPECT_FALSE(platform::WriteFramePng(f, "/nonexistent-folder/x.png"));
}

TEST_F(Host, LogOffQueryAsksEveryWindowAndHonoursARefusal) {
    Make(WS_POPUP | WS_VISIBLE);
    EXPECT_TRUE(platform::InjectQueryEndSession()); // the default procedure agrees
    EXPECT_EQ(Messages({WM_QUERYENDSESSION, WM_ENDSESSION}),
              (std::vector<UINT>{WM_QUERYENDSESSION, WM_ENDSESSION}));
    EXPECT_EQ(Log().back().wParam, static_cast<WPARAM>(TRUE));
    Override() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
        *r = 0;
        return m == WM_QUERYENDSESSION;
    };
    Log().clear();
    EXPECT_FALSE(platform::InjectQueryEndSession());
    EXPECT_EQ(Log().back().msg, static_cast<UINT>(WM_ENDSESSION));
    EXPECT_EQ(Log().back().wParam, static_cast<WPARAM>(FALSE));
}

TEST_F(Host, ScreenSaverStartsOnlyWhenTheWindowLetsIt) {
    Make(WS_POPUP | WS_VISIBLE);
    platform::InjectSystemCommand(SC_SCREENSAVE);
    platform::InjectSystemCommand(SC_MONITORPOWER + 2, 2);
    EXPECT_EQ(platform::ScreenSaverStarts(), 1);
    EXPECT_EQ(platform::MonitorPowerChanges(), 1);
    Override() = [](HWND, UINT m, WPARAM w, LPARAM, LRESULT* r) {
        *r = 0;
        return m == WM_SYSCOMMAND && (w & 0xFFF0) == SC_SCREENSAVE; // refused
    };
    platform::InjectSystemCommand(SC_SCREENSAVE);
    EXPECT_EQ(platform::ScreenSaverStarts(), 1);
}

TEST_F(Host, DisplayModesComeFromTheHost) {
    platform::SetMemoryDesktop(1280, 1024, 32);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_GT(platform::DisplayModeCount(), 0);
    EXPECT_TRUE(platform::SetDisplayMode(platform::DisplayMode{800, 600, 16, 0}));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    EXPECT_FALSE(platform::SetDisplayMode(platform::DisplayMode{801, 600, 16, 0}));
    platform::RestoreDisplayMode();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    platform::SetMemoryDesktop(1024, 768, 32);
}

} // namespace
