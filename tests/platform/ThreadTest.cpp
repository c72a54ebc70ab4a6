// The services a multimedia-timer callback may use, used from the timer
// thread on real time while the main thread uses them too: posting to the
// main thread's queue, the cursor and key state, global memory, the registry
// and the clock. Built for the thread sanitizer; bounds are generous and no
// timing is asserted.
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "platform/MMSystem.h"
#include "platform/Module.h"
#include "platform/Registry.h"
#include "platform/User.h"

#include "HeadlessWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr UINT kTick = WM_USER + 1;
constexpr int kPosts = 100;

struct Shared {
    HWND window = nullptr;
    std::atomic<int> posted{0};
    std::atomic<bool> failed{false};
};

void CALLBACK Worker(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* shared = reinterpret_cast<Shared*>(user);
    int n = shared->posted.load();
    if (n >= kPosts) return;
    POINT p;
    if (!GetCursorPos(&p) || p.x != p.y) shared->failed = true; // every move sets y == x
    GetAsyncKeyState('A');
    timeGetTime();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 64);
    if (auto* bytes = static_cast<unsigned char*>(GlobalLock(block))) {
        bytes[63] = static_cast<unsigned char>(n);
        GlobalUnlock(block);
    }
    GlobalFree(block);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\ThreadTest", 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        DWORD value = static_cast<DWORD>(n);
        RegSetValueExA(key, "Timer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
        RegCloseKey(key);
    }
    if (PostMessageA(shared->window, kTick, static_cast<WPARAM>(n), 0)) shared->posted = n + 1;
}

TEST(PlatformThreads, TimerCallbacksShareTheLayerWithTheMainThread) {
    std::random_device random;
    fs::path folder = fs::temp_directory_path() / ("thread-test-" + std::to_string(random()));
    fs::create_directories(folder);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    Shared shared;
    shared.window = testsupport::OpenHeadlessWindow(
        {.className = "ThreadTest", .width = 200, .height = 200, .classStyle = 0});
    ASSERT_NE(shared.window, nullptr);
    SetCursorPos(5, 5);
    UINT id = timeSetEvent(1, 0, &Worker, reinterpret_cast<DWORD_PTR>(&shared), TIME_PERIODIC);
    ASSERT_NE(id, 0u);

    int received = 0, expected = 0, step = 0;
    bool inOrder = true;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (received < kPosts && std::chrono::steady_clock::now() < deadline) {
        ++step;
        SetCursorPos(step % 150, step % 150);
        platform::InjectKey(platform::KeyCode::A, step % 2 == 0);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 32);
        GlobalFree(block);
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ThreadTest", 0, KEY_ALL_ACCESS, &key) ==
            ERROR_SUCCESS) {
            DWORD value = 0, size = sizeof value;
            RegQueryValueExA(key, "Timer", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                             &size);
            RegCloseKey(key);
        }
        MSG m;
        bool any = false;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            if (m.message == kTick) {
                if (static_cast<int>(m.wParam) != expected) inOrder = false;
                expected = static_cast<int>(m.wParam) + 1;
                ++received;
            }
            DispatchMessageA(&m);
        }
        if (!any) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(received, kPosts);
    EXPECT_TRUE(inOrder);
    EXPECT_FALSE(shared.failed);

    // A callback taken just before the kill may still be on its way. Callbacks
    // run one after another on the timer thread, so once a one-shot timer set
    // now has run, none of the killed timer's calls is left.
    static std::atomic<bool> drained;
    drained = false;
    ASSERT_NE(timeSetEvent(
                  1, 0, [](UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) { drained = true; }, 0,
                  TIME_ONESHOT),
              0u);
    auto drainDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!drained && std::chrono::steady_clock::now() < drainDeadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(drained);
    DestroyWindow(shared.window);
    unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(folder);
}

} // namespace
