#include "MessageRecorder.h"
#include "platform/Kernel.h"
#include "platform/Session.h"

#include <cstdlib>
#include <string>

using namespace testing_user;

namespace {

class Window : public UserTest {};

TEST_F(Window, CreationSendsItsMessagesInOrder) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Messages({WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_ACTIVATEAPP,
                        WM_ACTIVATE, WM_SETFOCUS}),
              (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW,
                                 WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS}));
    // The size message carries the client size.
    for (const Seen& s : Log())
        if (s.msg == WM_SIZE) {
            EXPECT_EQ(LOWORD(s.lParam), 320);
            EXPECT_EQ(HIWORD(s.lParam), 240);
        }
    EXPECT_EQ(GetFocus(), w);
    EXPECT_EQ(GetActiveWindow(), w);
}

TEST_F(Window, CreateFailsForUnknownClassAndWhenWmCreateRefuses) {
    EXPECT_EQ(
        CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    Override() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
        if (m != WM_CREATE) return false;
        *r = -1;
        return true;
    };
    EXPECT_EQ(Make(), nullptr);
    EXPECT_EQ(Messages({WM_DESTROY}).size(), 1u);
}

TEST_F(Window, RegisteringTwiceIsRefused) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "RECORDER"; // class names ignore case
    EXPECT_EQ(RegisterClassA(&wc), 0);
    WNDCLASSA info{};
    EXPECT_TRUE(GetClassInfoA(nullptr, "recorder", &info));
    EXPECT_EQ(info.style, static_cast<UINT>(CS_DBLCLKS));
}

// A class's atom is free again once it is unregistered (or the state is
// reset), so a program may register and unregister for as long as it runs.
TEST_F(Window, UnregisteredClassesGiveTheirAtomsBack) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "Cycled";
    const ATOM first = RegisterClassA(&wc);
    ASSERT_NE(first, 0);
    wc.lpszClassName = "Other";
    const ATOM other = RegisterClassA(&wc);
    EXPECT_NE(other, 0);
    EXPECT_NE(other, first);
    wc.lpszClassName = "Cycled";
    ASSERT_TRUE(UnregisterClassA("Cycled", nullptr));
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(RegisterClassA(&wc), first) << "registration " << i;
        ASSERT_TRUE(UnregisterClassA("Cycled", nullptr));
    }
    // Class atoms are the string atoms, from 0xC000 up; a new session
    // forgets every class.
    { platform::Session next; }
    EXPECT_EQ(platform::RegisteredClassCount(), 0);
    EXPECT_EQ(RegisterClassA(&wc), 0xC000);
}

TEST_F(Window, GeometryFollowsTheStyle) {
    RECT r{0, 0, 800, 600};
    ASSERT_TRUE(AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE));
    EXPECT_EQ(r.left, -4);
    EXPECT_EQ(r.top, -23);
    EXPECT_EQ(r.right, 804);
    EXPECT_EQ(r.bottom, 604);
    RECT popup{0, 0, 640, 480};
    AdjustWindowRect(&popup, WS_POPUP, FALSE);
    EXPECT_EQ(popup.right - popup.left, 640);

    HWND w = CreateWindowExA(0, "Recorder", "g", WS_OVERLAPPEDWINDOW, 10, 20, 808, 627, nullptr,
                             nullptr, nullptr, nullptr);
    RECT client, window;
    GetClientRect(w, &client);
    GetWindowRect(w, &window);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
    EXPECT_EQ(window.left, 10);
    POINT p{0, 0};
    ClientToScreen(w, &p);
    EXPECT_EQ(p.x, 14);
    EXPECT_EQ(p.y, 43);
    ScreenToClient(w, &p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);

    Log().clear();
    MoveWindow(w, 0, 0, 408, 327, TRUE);
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(Messages({WM_SIZE, WM_MOVE}), (std::vector<UINT>{WM_SIZE, WM_MOVE}));
    EXPECT_FALSE(GetClientRect(reinterpret_cast<HWND>(0x1234), &client));
}

TEST_F(Window, MaximisedPopupFillsTheScreen) {
    platform::SetMemoryDesktop(1024, 768, 32);
    HWND w = Make(WS_POPUP);
    ShowWindow(w, SW_SHOWMAXIMIZED);
    RECT c;
    GetClientRect(w, &c);
    EXPECT_EQ(c.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(c.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(IsZoomed(w));
    bool sawMaximized = false;
    for (const Seen& s : Log())
        sawMaximized = sawMaximized || (s.msg == WM_SIZE && s.wParam == SIZE_MAXIMIZED);
    EXPECT_TRUE(sawMaximized);
}

TEST_F(Window, AbsurdSizesAreClampedNotFatal) {
    HWND w = CreateWindowExA(0, "Recorder", "big", WS_POPUP, 0, 0, 1000000, 100, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    RECT c;
    GetClientRect(w, &c);
    EXPECT_EQ(c.right, 32767);
    HWND none = CreateWindowExA(0, "Recorder", "empty", WS_POPUP, 0, 0, -5, -5, nullptr, nullptr,
                                nullptr, nullptr);
    GetClientRect(none, &c);
    EXPECT_EQ(c.right, 0);
    EXPECT_EQ(c.bottom, 0);
}

// A window squeezed to no width keeps its height: its pixels are made anew
// with no rows to keep, and grow back when it does.
TEST_F(Window, ShrinkingToNoWidthAndBackKeepsThePixelsSound) {
    HWND w = CreateWindowExA(0, "Recorder", "thin", WS_POPUP, 0, 0, 40, 30, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    for (const SIZE s : {SIZE{0, 30}, SIZE{0, 0}, SIZE{40, 0}, SIZE{50, 20}}) {
        SetWindowPos(w, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT c;
        GetClientRect(w, &c);
        EXPECT_EQ(c.right, s.cx);
        EXPECT_EQ(c.bottom, s.cy);
    }
}

TEST_F(Window, SubclassingChainsThroughCallWindowProc) {
    static WNDPROC previous = nullptr;
    static int filtered = 0;
    struct Filter {
        static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
            if (m == WM_USER + 1) {
                ++filtered;
                return 7;
            }
            return CallWindowProcA(previous, h, m, w, l);
        }
    };
    HWND w = Make();
    previous = reinterpret_cast<WNDPROC>(
        SetWindowLongA(w, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&Filter::Proc)));
    EXPECT_EQ(previous, &RecordingProc);
    EXPECT_EQ(SendMessageA(w, WM_USER + 1, 0, 0), 7);
    Log().clear();
    SendMessageA(w, WM_USER + 2, 0, 0);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_USER + 2}));
    SetWindowLongA(w, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    EXPECT_EQ(GetWindowLongA(w, GWL_WNDPROC), reinterpret_cast<LONG_PTR>(&RecordingProc));
    EXPECT_EQ(filtered, 1);

    SetWindowLongA(w, GWL_USERDATA, 0x12345678);
    EXPECT_EQ(GetWindowLongA(w, GWL_USERDATA), 0x12345678);
    SetWindowLongA(w, GWL_STYLE, static_cast<LONG_PTR>(WS_POPUP | WS_SYSMENU));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)) & WS_CAPTION, 0u);
}

TEST_F(Window, MinimiseAndRestoreMoveFocusAndActivation) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Log().clear();
    ShowWindow(w, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(w));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(Messages({WM_SIZE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS}),
              (std::vector<UINT>{WM_SIZE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS}));
    EXPECT_EQ(Log().front().wParam, static_cast<WPARAM>(SIZE_MINIMIZED));
    Log().clear();
    ShowWindow(w, SW_RESTORE);
    EXPECT_FALSE(IsIconic(w));
    EXPECT_EQ(GetFocus(), w);
    EXPECT_EQ(Messages({WM_SIZE, WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS}),
              (std::vector<UINT>{WM_SIZE, WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS}));
}

TEST_F(Window, FocusMovesBetweenWindowsWithKillBeforeSet) {
    HWND a = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, "a");
    HWND b = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, "b");
    EXPECT_EQ(GetFocus(), b);
    Log().clear();
    SetFocus(a);
    std::vector<std::pair<HWND, UINT>> got;
    for (const Seen& s : Log())
        if (s.msg == WM_KILLFOCUS || s.msg == WM_SETFOCUS) got.push_back({s.hwnd, s.msg});
    EXPECT_EQ(got, (std::vector<std::pair<HWND, UINT>>{{b, WM_KILLFOCUS}, {a, WM_SETFOCUS}}));
    EXPECT_EQ(GetActiveWindow(), a);
}

TEST_F(Window, DestroyTellsTheWindowAndForgetsIt) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    PostMessageA(w, WM_USER, 0, 0);
    Log().clear();
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_EQ(Messages({WM_DESTROY, WM_NCDESTROY}), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(DestroyWindow(w));
    EXPECT_EQ(GetFocus(), nullptr);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_USER, WM_USER, PM_REMOVE)); // its post is gone
}

TEST_F(Window, TitlesAndFindWindowInThisProcess) {
    HWND w = Make(WS_OVERLAPPEDWINDOW, "First");
    char buf[8];
    EXPECT_EQ(GetWindowTextA(w, buf, sizeof buf), 5);
    EXPECT_STREQ(buf, "First");
    SetWindowTextA(w, "A longer caption");
    EXPECT_EQ(GetWindowTextA(w, buf, sizeof buf), 7); // cut to fit, terminated
    EXPECT_STREQ(buf, "A longe");
    EXPECT_EQ(FindWindowA("recorder", "A longer caption"), w);
    EXPECT_EQ(FindWindowA(nullptr, "A longer caption"), w);
    EXPECT_EQ(FindWindowA("Recorder", "First"), nullptr);
    EXPECT_EQ(FindWindowA("GDLDirectDrawWindow", "A longer caption"), nullptr);
}

TEST(Desktop, FileTitleIsTheNamePartOfAPath) {
    struct Case {
        const char* path;
        WORD size;
        short result;
        const char* title;
    } cases[] = {
        {"C:\\Games\\Adventure.exe", 64, 0, "Adventure.exe"},
        {"/usr/games/adventure", 64, 0, "adventure"},
        {"E:name.ini", 64, 0, "name.ini"},
        {"C:\\Games\\Adventure.exe", 5, 14, nullptr}, // the size it needs
        {"C:\\Games\\", 64, -1, nullptr},
    };
    for (const Case& c : cases) {
        char buf[64] = "";
        EXPECT_EQ(GetFileTitleA(c.path, buf, c.size), c.result) << c.path;
        if (c.title) {
            EXPECT_STREQ(buf, c.title);
        }
    }
    EXPECT_EQ(GetFileTitleA(nullptr, nullptr, 0), -1);
}

TEST(Desktop, ScreenSaverRunningFlagHandsBackTheOldValue) {
    UINT old = 7;
    EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, &old, 0));
    EXPECT_EQ(old, 0u);
    EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, &old, 0));
    EXPECT_EQ(old, 1u);
    EXPECT_FALSE(SystemParametersInfoA(12345, 0, nullptr, 0));
}

// Run as a child process by the test below: succeeds when FindWindowA sees
// the window its parent made.
TEST(FindWindowChild, SeesTheParentsWindow) {
    const char* caption = std::getenv("ADV_FINDWINDOW_CAPTION");
    if (!caption) GTEST_SKIP() << "only run by FindWindowAcrossProcesses";
    HWND found = FindWindowA("CrossProcessClass", caption);
    EXPECT_NE(found, nullptr);
    EXPECT_FALSE(IsWindow(found)); // a foreign window takes no calls
}

TEST_F(Window, FindWindowAcrossProcesses) {
    char self[1024];
    ASSERT_GT(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "CrossProcessClass";
    ASSERT_NE(RegisterClassA(&wc), 0);
    std::string caption = "caption-" + std::to_string(reinterpret_cast<uintptr_t>(&wc));
    std::string command = "ADV_FINDWINDOW_CAPTION='" + caption + "' '" + self +
                          "' --gtest_filter=FindWindowChild.* > /dev/null 2>&1";
    HWND w = CreateWindowExA(0, "CrossProcessClass", caption.c_str(), WS_POPUP, 0, 0, 10, 10,
                             nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(std::system(command.c_str()), 0);
    DestroyWindow(w);
    EXPECT_NE(std::system(command.c_str()), 0); // gone with the window
}

} // namespace
