// The real host, run under SDL's dummy video driver in CI (and visibly under
// a real display).
#include "platform/Host.h"
#include "platform/User.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>

#include "../../platform/src/window/UserState.h"
#include "../../platform/src/window/WindowSurface.h"

#include <SDL.h>

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

// What SDL's surface of the window shows at (x, y), as 0xRRGGBB.
uint32_t Shown(HWND w, int x, int y) {
    auto* win = static_cast<SDL_Window*>(platform::user::Find(w)->hostData);
    SDL_Surface* s = SDL_GetWindowSurface(win);
    uint32_t p;
    std::memcpy(&p, static_cast<uint8_t*>(s->pixels) + y * s->pitch + 4 * x, 4);
    uint8_t r, g, b;
    SDL_GetRGB(p, s->format, &r, &g, &b);
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

void Fill(HWND w, uint32_t pixel, const RECT* changed) {
    platform::WindowPixels px;
    ASSERT_TRUE(platform::LockWindowPixels(w, &px));
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x)
            px.pixels[y * px.pitchPixels + x] = pixel;
    platform::UnlockWindowPixels(w, changed);
}

void Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&m);
}

// A changed part reaches the window alone: what SDL shows elsewhere is left
// as it was (here scribbled on behind the host's back) until the window is
// uncovered, which shows the whole last frame again.
TEST(SdlHost, ShowsOnlyTheChangedPartsUntilUncovered) {
    if (!platform::UseHost(platform::HostKind::Sdl)) GTEST_SKIP() << "SDL video cannot start here";
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "SdlHostParts";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND w = CreateWindowExA(0, "SdlHostParts", "parts", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48,
                             nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    Fill(w, 0x102030, nullptr);
    Pump();
    ASSERT_EQ(Shown(w, 40, 40), 0x102030u);
    auto* win = static_cast<SDL_Window*>(platform::user::Find(w)->hostData);
    SDL_Surface* s = SDL_GetWindowSurface(win);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 0x55, 0x66, 0x77));
    const RECT corner{0, 0, 8, 8};
    Fill(w, 0xA0B0C0, &corner);
    Pump();
    EXPECT_EQ(Shown(w, 2, 2), 0xA0B0C0u);
    EXPECT_EQ(Shown(w, 40, 40), 0x556677u);
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_EXPOSED;
    e.window.windowID = SDL_GetWindowID(win);
    SDL_PushEvent(&e);
    Pump();
    EXPECT_EQ(Shown(w, 2, 2), 0xA0B0C0u);
    EXPECT_EQ(Shown(w, 40, 40), 0x102030u); // the presented frame kept the rest
    // On a real display too: the window surface stays the system's
    // framebuffer, not a renderer texture redrawn whole on every present.
    const char* acceleration = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    if (!std::getenv("SDL_FRAMEBUFFER_ACCELERATION")) {
        EXPECT_STREQ(acceleration, "0");
    }
    DestroyWindow(w);
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

// Sets environment variables for one test and puts them back after it.
class Environment {
public:
    ~Environment() {
        for (const auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    void Set(const char* name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        value ? setenv(name, value, 1) : unsetenv(name);
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// Without a display SDL would settle on its invisible offscreen driver: the
// SDL host refuses that and says why, unless SDL_VIDEODRIVER names a
// screenless driver (as the tests do).
TEST(SdlHost, NoDisplayIsNoDesktop) {
    Environment env;
    env.Set("SDL_VIDEODRIVER", nullptr);
    env.Set("WAYLAND_DISPLAY", nullptr);
    env.Set("DISPLAY", nullptr);
    EXPECT_FALSE(platform::UseHost(platform::HostKind::Sdl));
    EXPECT_EQ(platform::NoDesktopReason(), "no display (DISPLAY and WAYLAND_DISPLAY are not set)");
    if (!std::filesystem::exists("/dev/dri")) {
        // A display that does not answer leaves SDL only the offscreen driver.
        env.Set("DISPLAY", ":987");
        env.Set("XDG_RUNTIME_DIR", nullptr);
        EXPECT_FALSE(platform::UseHost(platform::HostKind::Sdl));
        EXPECT_EQ(platform::NoDesktopReason().rfind("no display (", 0), 0u)
            << platform::NoDesktopReason();
    }
    env.Set("SDL_VIDEODRIVER", "dummy");
    EXPECT_TRUE(platform::UseHost(platform::HostKind::Sdl));
    EXPECT_EQ(platform::NoDesktopReason(), "");
    EXPECT_TRUE(platform::UseHost(platform::HostKind::Memory));
}

// A box the SDL host cannot show (here: asked from a thread that does not
// own the windows) is written to stderr and answered so that nothing ends:
// Ignore where the box has it, else its default button, never Abort.
TEST(SdlHost, ABoxThatCannotBeShownNeverAnswersAbort) {
    if (!platform::UseHost(platform::HostKind::Sdl)) GTEST_SKIP() << "SDL video cannot start here";
    const struct {
        UINT type;
        int answer;
    } cases[] = {
        {MB_ABORTRETRYIGNORE, IDIGNORE},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDIGNORE},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO, IDYES},
        {MB_OK, IDOK},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        int answer = 0;
        std::thread other(
            [&] { answer = MessageBoxA(nullptr, "The disk is full", "Game", c.type); });
        other.join();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(answer, c.answer) << c.type;
        EXPECT_NE(said.find("Game: The disk is full [no box could be shown; answered "),
                  std::string::npos)
            << said;
    }
    // The policy still answers boxes on the memory host, where tests script them.
    EXPECT_TRUE(platform::UseHost(platform::HostKind::Memory));
    std::thread other(
        [] { EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_ABORTRETRYIGNORE), IDABORT); });
    other.join();
    platform::ClearMessageBoxLog();
}

} // namespace
