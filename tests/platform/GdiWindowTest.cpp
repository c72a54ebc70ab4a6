// Window and screen DCs: blits and text reach the window's presented frame.
#include "platform/Gdi.h"

#include "HeadlessWindow.h"
#include "platform/Host.h"
#include "platform/User.h"

#include <gtest/gtest.h>

namespace {

class GdiWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = testsupport::OpenHeadlessWindow(
            {.className = "GdiWindowTest", .height = 32, .style = WS_POPUP, .classStyle = 0});
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOW);
    }

    // A 16-bit 5:6:5 DIB with a red left half and a blue right half.
    HBITMAP Picture(int width, int height) {
        struct {
            BITMAPINFOHEADER h;
            DWORD masks[3];
        } info = {{40, width, height, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0}, {0xF800, 0x07E0, 0x1F}};
        void* bits = nullptr;
        HBITMAP bm = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
        auto* p = static_cast<uint16_t*>(bits);
        const int stride = ((width * 16 + 31) / 32) * 2;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                p[y * stride + x] = x < width / 2 ? 0xF800 : 0x001F;
        return bm;
    }

    HWND window_ = nullptr;
};

TEST_F(GdiWindow, BlitsAndTextReachThePresentedFrame) {
    HDC wdc = GetDC(window_);
    ASSERT_NE(wdc, nullptr);
    EXPECT_EQ(WindowFromDC(wdc), window_);
    EXPECT_EQ(GetObjectType(wdc), DWORD(OBJ_DC));
    HDC mem = CreateCompatibleDC(wdc);
    HBITMAP pic = Picture(8, 4);
    HGDIOBJ old = SelectObject(mem, pic);
    ASSERT_TRUE(BitBlt(wdc, 2, 3, 8, 4, mem, 0, 0, SRCCOPY));
    // Doubled in both directions, as the windowed driver's stretch entries do.
    ASSERT_TRUE(StretchBlt(wdc, 20, 0, 16, 8, mem, 0, 0, 8, 4, SRCCOPY));
    SetBkMode(wdc, TRANSPARENT);
    SetTextColor(wdc, RGB(0, 255, 0));
    ASSERT_TRUE(TextOutA(wdc, 40, 2, "Hi", 2));

    const platform::Frame frame = platform::PresentedFrame(window_);
    ASSERT_EQ(frame.width, 64);
    ASSERT_EQ(frame.height, 32);
    auto at = [&](int x, int y) { return frame.pixels[size_t(y) * frame.width + x] & 0xFFFFFF; };
    EXPECT_EQ(at(2, 3), 0xFF0000u);
    EXPECT_EQ(at(9, 6), 0x0000FFu);
    EXPECT_EQ(at(10, 6), 0x000000u); // outside the blit
    EXPECT_EQ(at(27, 7), 0xFF0000u);
    EXPECT_EQ(at(28, 7), 0x0000FFu);
    int ink = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 40; x < 64; ++x)
            ink += at(x, y) == 0x00FF00u;
    EXPECT_GT(ink, 10);

    // And back: a window DC is a source as well (the blue half, copied out
    // and in again below the picture).
    ASSERT_TRUE(BitBlt(mem, 0, 0, 8, 4, wdc, 28, 0, SRCCOPY));
    ASSERT_TRUE(BitBlt(wdc, 0, 20, 8, 4, mem, 0, 0, SRCCOPY));
    const platform::Frame again = platform::PresentedFrame(window_);
    EXPECT_EQ(again.pixels[20 * 64 + 0] & 0xFFFFFF, 0x0000FFu);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(pic);
    EXPECT_EQ(ReleaseDC(window_, wdc), 1);
}

TEST_F(GdiWindow, DestroyedWindowsAndTheScreen) {
    HDC wdc = GetDC(window_);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP pic = Picture(4, 4);
    HGDIOBJ old = SelectObject(mem, pic);
    // The screen has no pixels of ours: drawing succeeds and shows nothing.
    EXPECT_TRUE(BitBlt(screen, 0, 0, 4, 4, mem, 0, 0, SRCCOPY));
    POINT origin = {5, 5};
    EXPECT_TRUE(GetDCOrgEx(screen, &origin));
    EXPECT_EQ(origin.x, 0);
    EXPECT_TRUE(GetDCOrgEx(wdc, &origin));
    DestroyWindow(window_);
    EXPECT_FALSE(BitBlt(wdc, 0, 0, 4, 4, mem, 0, 0, SRCCOPY));
    EXPECT_FALSE(TextOutA(wdc, 0, 0, "x", 1));
    EXPECT_EQ(GetDC(window_), nullptr);
    EXPECT_EQ(ReleaseDC(window_, wdc), 1);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(ReleaseDC(nullptr, mem), 0); // memory DCs are deleted, not released
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(pic);
}

} // namespace
