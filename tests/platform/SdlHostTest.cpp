// The real host, run under SDL's dummy video driver in CI (and visibly under
// a real display).
#include "platform/Host.h"
#include "platform/User.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "../../platform/src/window/WindowSurface.h"

namespace {

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(h, m, w, l);
}

TEST(SdlHost, OpensAWindowPresentsAFrameAndCloses) {
    if (!platform::UseHost(platform::HostKind::Sdl)) GTEST_SKIP() << "SDL video cannot start here";
    EXPECT_EQ(platform::CurrentHost(), platform::HostKind::Sdl);
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);

    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Proc;
    wc.hIcon = LoadIconA(nullptr, "ICOAPPLIC");
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "SdlHostTest";
    ASSERT_NE(RegisterClassA(&wc), 0);
    RECT r{0, 0, 64, 48};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND w = CreateWindowExA(0, "SdlHostTest", "SDL host test \xe9",
                             WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, 0, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    SetCursor(LoadCursorA(nullptr, "CURHAND"));

    platform::WindowPixels px;
    ASSERT_TRUE(platform::LockWindowPixels(w, &px));
    ASSERT_EQ(px.width, 64);
    ASSERT_EQ(px.height, 48);
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x)
            px.pixels[y * px.pitchPixels + x] =
                static_cast<uint32_t>((x * 4) << 16 | (y * 5) << 8 | 0x40);
    platform::UnlockWindowPixels(w, nullptr);

    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) // presents, pumps SDL
        DispatchMessageA(&m);
    platform::Frame f = platform::PresentedFrame(w);
    ASSERT_EQ(f.width, 64);
    ASSERT_EQ(f.height, 48);
    EXPECT_EQ(f.pixels[10 * 64 + 3], static_cast<uint32_t>((3 * 4) << 16 | (10 * 5) << 8 | 0x40));
    EXPECT_NE(MessageBoxA(w, "The dummy driver shows no boxes", "SDL", MB_OK), 0);

    platform::InjectCloseButton(w);
    bool quit = false;
    for (int i = 0; i < 10 && !quit; ++i)
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) quit = true;
            DispatchMessageA(&m);
        }
    EXPECT_TRUE(quit);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_TRUE(platform::UseHost(platform::HostKind::Memory));
}

// The idle wait sleeps in SDL's own event wait; a post from another thread
// interrupts it long before its end.
TEST(SdlHost, MessageWaitWakesOnAnotherThreadsPost) {
    if (!platform::UseHost(platform::HostKind::Sdl)) GTEST_SKIP() << "SDL video cannot start here";
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "SdlHostWait";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND w = CreateWindowExA(0, "SdlHostWait", "wait", WS_POPUP | WS_VISIBLE, 0, 0, 32, 32, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessageA(w, WM_NULL, 0, 0);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20000, QS_ALLINPUT), WAIT_OBJECT_0);
    other.join();
    DestroyWindow(w);
    EXPECT_TRUE(platform::UseHost(platform::HostKind::Memory));
}

} // namespace
