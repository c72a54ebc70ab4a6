#include "MessageRecorder.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace testing_user;
using platform::KeyCode;
using platform::MouseButton;

namespace {

class Queue : public UserTest {
protected:
    HWND w = nullptr;
    void SetUp() override {
        UserTest::SetUp();
        w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        ASSERT_NE(w, nullptr);
        Pump(); // the first paint
        Log().clear();
    }
    // The messages a pump dispatched, without the paint and activation noise.
    std::vector<UINT> Input() {
        return Messages({WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                         WM_RBUTTONDOWN, WM_RBUTTONUP, WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN,
                         WM_SYSKEYUP, WM_SYSCHAR});
    }
};

TEST_F(Queue, ClickSetsTheCursorFirstAndDoubleClicksOnDblclkClasses) {
    platform::InjectMouseMove(w, 10, 20);
    platform::InjectMouseButton(w, MouseButton::Left, true, 10, 20);
    platform::ClockAdvance(100);
    platform::InjectMouseButton(w, MouseButton::Left, false, 10, 20);
    platform::ClockAdvance(100);
    platform::InjectMouseButton(w, MouseButton::Left, true, 11, 21);
    platform::InjectMouseButton(w, MouseButton::Left, false, 11, 21);
    Pump();
    EXPECT_EQ(Input(),
              (std::vector<UINT>{WM_SETCURSOR, WM_MOUSEMOVE, WM_SETCURSOR, WM_LBUTTONDOWN,
                                 WM_SETCURSOR, WM_LBUTTONUP, WM_SETCURSOR, WM_MOUSEMOVE,
                                 WM_SETCURSOR, WM_LBUTTONDBLCLK, WM_SETCURSOR, WM_LBUTTONUP}));
    const Seen* down = nullptr;
    const Seen* setCursor = nullptr;
    for (const Seen& s : Log()) {
        if (s.msg == WM_LBUTTONDOWN) down = &s;
        if (s.msg == WM_SETCURSOR && !setCursor) setCursor = &s;
    }
    ASSERT_TRUE(down && setCursor);
    EXPECT_EQ(down->wParam, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(GET_X_LPARAM(down->lParam), 10);
    EXPECT_EQ(GET_Y_LPARAM(down->lParam), 20);
    EXPECT_EQ(LOWORD(setCursor->lParam), HTCLIENT);
    EXPECT_EQ(HIWORD(setCursor->lParam), WM_MOUSEMOVE);
    // The class cursor was set by the default answer to WM_SETCURSOR.
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST_F(Queue, SlowOrDistantSecondClickIsNoDoubleClick) {
    struct Case {
        uint32_t wait;
        int dx;
    } cases[] = {{501, 0}, {100, 3}};
    for (const Case& c : cases) {
        Log().clear();
        platform::InjectMouseButton(w, MouseButton::Left, true, 50, 50);
        platform::InjectMouseButton(w, MouseButton::Left, false, 50, 50);
        platform::ClockAdvance(c.wait);
        platform::InjectMouseButton(w, MouseButton::Left, true, 50 + c.dx, 50);
        platform::InjectMouseButton(w, MouseButton::Left, false, 50 + c.dx, 50);
        Pump();
        EXPECT_EQ(Messages({WM_LBUTTONDBLCLK}).size(), 0u) << c.wait << " " << c.dx;
        platform::ClockAdvance(1000);
    }
}

TEST_F(Queue, MessagesCarryTimeAndScreenPointOfTheirMaking) {
    platform::InjectMouseMove(w, 5, 6);
    platform::ClockAdvance(40);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, w, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    EXPECT_EQ(m.time, 1000u); // made before the clock moved on
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    EXPECT_EQ(m.pt.x, origin.x + 5);
    EXPECT_EQ(m.pt.y, origin.y + 6);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, origin.x + 5);
    EXPECT_EQ(GetMessageTime(), static_cast<LONG>(m.time));
}

TEST_F(Queue, KeyWithAutoRepeatAndItsCharacter) {
    platform::InjectKey(KeyCode::A, true);
    std::vector<MSG> first = Pump();
    platform::InjectKey(KeyCode::A, true, true);
    platform::InjectKey(KeyCode::A, true, true); // not read in between: one message, count 2
    std::vector<MSG> repeats = Pump();
    platform::InjectKey(KeyCode::A, false);
    std::vector<MSG> up = Pump();

    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(first[0].wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(first[0].lParam, 0x001E0001);
    EXPECT_EQ(first[1].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(first[1].wParam, static_cast<WPARAM>('a'));
    ASSERT_EQ(repeats.size(), 2u);
    EXPECT_EQ(repeats[0].lParam, 0x401E0002); // previous state set, repeat count 2
    EXPECT_EQ(repeats[1].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(repeats[1].lParam & 0xffff, 2);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(static_cast<DWORD>(up[0].lParam), 0xC01E0001u);
}

TEST_F(Queue, CharacterComesRightBehindItsKeyDown) {
    platform::InjectKey(KeyCode::B, true);
    platform::InjectKey(KeyCode::B, false);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    TranslateMessage(&m);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_CHAR)); // ahead of the key-up already queued
}

TEST_F(Queue, ShiftAndHostTextDecideTheCharacter) {
    struct Case {
        KeyCode key;
        bool shift;
        const char* text;
        int expected;
    } cases[] = {
        {KeyCode::A, true, nullptr, 'A'},          {KeyCode::Digit1, true, nullptr, '!'},
        {KeyCode::Return, false, nullptr, 13},     {KeyCode::Escape, false, nullptr, 27},
        {KeyCode::F1, false, nullptr, -1},         {KeyCode::Semicolon, false, "\xc3\xb6", 0xF6},
        {KeyCode::E, false, "\xe2\x82\xac", 0x80}, // the euro sign in cp1252
    };
    for (const Case& c : cases) {
        if (c.shift) platform::InjectKey(KeyCode::LeftShift, true);
        platform::InjectKey(c.key, true);
        if (c.text) platform::InjectText(c.text);
        platform::InjectKey(c.key, false);
        if (c.shift) platform::InjectKey(KeyCode::LeftShift, false);
        int got = -1;
        for (const MSG& m : Pump())
            if (m.message == WM_CHAR) got = static_cast<int>(m.wParam);
        EXPECT_EQ(got, c.expected) << static_cast<int>(c.key);
    }
}

TEST_F(Queue, HostKeysMapToVirtualKeysAndSetOneScanCodes) {
    struct Case {
        KeyCode key;
        WPARAM vk;
        int scan;
        bool extended;
    } cases[] = {
        {KeyCode::Escape, VK_ESCAPE, 0x01, false},
        {KeyCode::Digit0, '0', 0x0B, false},
        {KeyCode::F1, VK_F1, 0x3B, false},
        {KeyCode::F12, VK_F12, 0x58, false},
        {KeyCode::Space, VK_SPACE, 0x39, false},
        {KeyCode::KpEnter, VK_RETURN, 0x1C, true},
        {KeyCode::Kp7, VK_NUMPAD7, 0x47, false},
        {KeyCode::Delete, VK_DELETE, 0x53, true},
        {KeyCode::RightCtrl, VK_CONTROL, 0x1D, true},
        {KeyCode::RightShift, VK_SHIFT, 0x36, false},
        {KeyCode::Slash, VK_OEM_2, 0x35, false},
        {KeyCode::KpDivide, VK_DIVIDE, 0x35, true},
    };
    for (const Case& c : cases) {
        platform::InjectKey(c.key, true);
        platform::InjectKey(c.key, false);
        std::vector<MSG> got = Pump();
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.front().wParam, c.vk) << static_cast<int>(c.key);
        EXPECT_EQ((got.front().lParam >> 16) & 0xff, c.scan) << static_cast<int>(c.key);
        EXPECT_EQ((got.front().lParam >> 24) & 1, c.extended ? 1 : 0) << static_cast<int>(c.key);
    }
    // Unknown host keys make nothing.
    platform::InjectKey(static_cast<KeyCode>(200), true);
    EXPECT_TRUE(Pump().empty());
}

TEST_F(Queue, MouseMessagesCarryTheModifierKeys) {
    platform::InjectKey(KeyCode::LeftCtrl, true);
    platform::InjectMouseButton(w, MouseButton::Right, true, 3, 4);
    platform::InjectMouseMove(w, 5, 4);
    WPARAM moveKeys = 0;
    for (const MSG& m : Pump())
        if (m.message == WM_MOUSEMOVE && GET_X_LPARAM(m.lParam) == 5) moveKeys = m.wParam;
    EXPECT_EQ(moveKeys, static_cast<WPARAM>(MK_RBUTTON | MK_CONTROL));
}

TEST_F(Queue, AltCombinationsArriveAsSystemKeys) {
    platform::InjectKey(KeyCode::LeftAlt, true);
    platform::InjectKey(KeyCode::X, true);
    platform::InjectKey(KeyCode::X, false);
    platform::InjectKey(KeyCode::LeftAlt, false);
    std::vector<MSG> got = Pump();
    std::vector<UINT> kinds;
    for (const MSG& m : got)
        kinds.push_back(m.message);
    // Alt released after a combination is an ordinary key-up.
    EXPECT_EQ(kinds,
              (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP, WM_KEYUP}));
    EXPECT_EQ(got[0].wParam, static_cast<WPARAM>(VK_MENU));
    EXPECT_EQ(got[1].lParam & (1 << 29), 1 << 29); // context code: Alt held
    EXPECT_EQ(got[2].wParam, static_cast<WPARAM>('x'));
    // The engine's key word: scan code x 256 + character.
    EXPECT_EQ(((got[1].lParam >> 16) & 0xff) * 256 + static_cast<LPARAM>(got[2].wParam), 0x2D78);
}

TEST_F(Queue, AltF4AsksTheWindowToClose) {
    platform::InjectKey(KeyCode::RightAlt, true);
    platform::InjectKey(KeyCode::F4, true);
    Pump();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(Messages({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
              (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
}

TEST_F(Queue, KeyStateFollowsTheMessagesRead) {
    platform::InjectKey(KeyCode::LeftShift, true);
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);      // not read yet
    EXPECT_NE(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0); // but down now
    Pump();
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    EXPECT_LT(GetKeyState(VK_LSHIFT), 0);
    EXPECT_EQ(GetKeyState(VK_RSHIFT) & 0x8000, 0);
    platform::InjectKey(KeyCode::LeftShift, false);
    Pump();
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
    platform::InjectKey(KeyCode::CapsLock, true);
    platform::InjectKey(KeyCode::CapsLock, false);
    Pump();
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
    // Extended keys carry bit 24, Alt-less keys no context bit.
    platform::InjectKey(KeyCode::Left, true);
    std::vector<MSG> got = Pump();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0].wParam, static_cast<WPARAM>(VK_LEFT));
    EXPECT_EQ(got[0].lParam, (1 << 24) | (0x4B << 16) | 1);
}

TEST_F(Queue, FocusLossAndRegainOnAnApplicationSwitch) {
    platform::InjectAppSwitch(true);
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    platform::InjectAppSwitch(false);
    EXPECT_EQ(GetFocus(), w);
    std::vector<std::pair<UINT, WPARAM>> got;
    for (const Seen& s : Log())
        if (s.msg == WM_ACTIVATEAPP || s.msg == WM_KILLFOCUS || s.msg == WM_SETFOCUS ||
            s.msg == WM_ACTIVATE)
            got.push_back({s.msg, s.msg == WM_ACTIVATE ? LOWORD(s.wParam) : s.wParam});
    using P = std::pair<UINT, WPARAM>;
    EXPECT_EQ(got, (std::vector<P>{P{WM_ACTIVATE, WA_INACTIVE}, P{WM_ACTIVATEAPP, FALSE},
                                   P{WM_KILLFOCUS, 0}, P{WM_ACTIVATEAPP, TRUE},
                                   P{WM_ACTIVATE, WA_ACTIVE}, P{WM_SETFOCUS, 0}}));
    // Keys while away reach nobody.
    platform::InjectAppSwitch(true);
    platform::InjectKey(KeyCode::A, true);
    EXPECT_TRUE(Pump().empty());
}

TEST_F(Queue, SwitchingBackToAMinimisedWindowRestoresIt) {
    // The full-screen protocol: minimised when the focus goes, restored (a
    // WM_SIZE that is not SIZE_MINIMIZED) when the player comes back.
    Override() = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
        if (m == WM_KILLFOCUS) ShowWindow(h, SW_MINIMIZE);
        return false;
    };
    platform::InjectAppSwitch(true);
    EXPECT_TRUE(IsIconic(w));
    Log().clear();
    platform::InjectAppSwitch(false);
    EXPECT_FALSE(IsIconic(w));
    EXPECT_EQ(GetFocus(), w);
    ASSERT_FALSE(Log().empty());
    EXPECT_EQ(Log().front().msg, static_cast<UINT>(WM_SIZE));
    EXPECT_EQ(Log().front().wParam, static_cast<WPARAM>(SIZE_RESTORED));
}

TEST_F(Queue, CloseButtonGoesThroughTheSystemCommand) {
    Override() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
        *r = 0;
        return m == WM_CLOSE; // the application keeps its window
    };
    platform::InjectCloseButton(w);
    Pump();
    EXPECT_TRUE(IsWindow(w));
    EXPECT_EQ(Messages({WM_SYSCOMMAND, WM_CLOSE}), (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE}));
    Override() = nullptr;
    platform::InjectCloseButton(w);
    Pump();
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(Queue, PaintAndTimerOnlyWhenNothingElseWaits) {
    ASSERT_EQ(SetTimer(w, 5, 50, nullptr), 5u);
    platform::ClockAdvance(60);
    InvalidateRect(w, nullptr, FALSE);
    PostMessageA(w, WM_USER, 1, 2);
    PostMessageA(w, WM_USER + 1, 0, 0);
    std::vector<UINT> kinds;
    for (const MSG& m : Pump())
        kinds.push_back(m.message);
    EXPECT_EQ(kinds, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_PAINT, WM_TIMER}));
    // A paint left unvalidated comes back; the timer waits for its period.
    Override() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
        *r = 0;
        return m == WM_PAINT;
    };
    InvalidateRect(w, nullptr, FALSE);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&m);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    ValidateRect(w, nullptr);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    platform::ClockAdvance(50);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(m.wParam, 5u);
    EXPECT_TRUE(KillTimer(w, 5));
    platform::ClockAdvance(500);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(KillTimer(w, 5));
}

TEST_F(Queue, TimerProcedureRunsFromDispatch) {
    static int calls = 0;
    struct T {
        static void CALLBACK Proc(HWND, UINT msg, UINT_PTR, DWORD) {
            if (msg == WM_TIMER) ++calls;
        }
    };
    UINT_PTR id = SetTimer(nullptr, 0, 20, &T::Proc);
    ASSERT_NE(id, 0u);
    platform::ClockAdvance(20);
    Pump();
    platform::ClockAdvance(20);
    Pump();
    EXPECT_EQ(calls, 2);
    KillTimer(nullptr, id);
}

TEST_F(Queue, QuitIsSeenThroughAWindowFilterAndRangeFilters) {
    PostMessageA(w, WM_USER, 0, 0);
    PostQuitMessage(3);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
    EXPECT_FALSE(PeekMessageA(&m, w, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&m, w, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    ASSERT_TRUE(PeekMessageA(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, WindowFilterLeavesOtherWindowsMessagesQueued) {
    HWND other = Make(WS_OVERLAPPEDWINDOW, "other");
    PostMessageA(other, WM_USER, 0, 0);
    PostMessageA(w, WM_USER + 1, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_FALSE(PeekMessageA(&m, w, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, other);
    // A child's messages count as its parent's.
    HWND child =
        CreateWindowExA(0, "Recorder", "", WS_CHILD, 0, 0, 10, 10, w, nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    PostMessageA(child, WM_USER + 2, 0, 0);
    ASSERT_TRUE(PeekMessageA(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, child);
}

TEST_F(Queue, SendFromAnotherThreadRunsOnTheOwnerWhileItReads) {
    std::atomic<LRESULT> answer{0};
    Override() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
        if (m != WM_USER + 9) return false;
        *r = 42;
        return true;
    };
    std::thread sender([&] { answer = SendMessageA(w, WM_USER + 9, 0, 0); });
    MSG m;
    while (answer == 0) {
        PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);
        std::this_thread::yield();
    }
    sender.join();
    EXPECT_EQ(answer, 42);
}

// On real time a reader waiting in GetMessageA sleeps until something comes:
// a message posted or sent from another thread wakes it, and the wait costs a
// few rounds however long it lasts (a poll would count one per millisecond).
TEST_F(Queue, GetMessageSleepsUntilSomethingArrives) {
    platform::ClockUseVirtual(false);
    Override() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
        if (m != WM_USER + 9) return false;
        *r = 7;
        return true;
    };
    for (bool send : {false, true}) {
        uint64_t before = platform::MessageWaitRounds();
        std::atomic<LRESULT> answer{0};
        std::thread other([&] {
            while (platform::MessageWaitRounds() == before) // the reader waits
                std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (send) answer = SendMessageA(w, WM_USER + 9, 0, 0);
            PostMessageA(w, WM_USER + 1, 0, 0);
        });
        MSG m;
        ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
        other.join();
        EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
        EXPECT_EQ(answer, send ? 7 : 0);
        EXPECT_LE(platform::MessageWaitRounds() - before, 4u) << send;
    }
}

// On virtual time the reader owning the clock moves it while it waits, as
// Sleep does, so its timers come due.
TEST_F(Queue, GetMessageOnVirtualTimeMovesTheClockToTheTimer) {
    ASSERT_NE(SetTimer(w, 3, 50, nullptr), 0u);
    uint32_t start = platform::ClockNow();
    MSG m;
    ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(platform::ClockNow() - start, 50u);
    KillTimer(w, 3);
}

HWND mainWindow = nullptr;
LRESULT CALLBACK AsksBack(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER + 5) return SendMessageA(mainWindow, WM_USER + 6, 0, 0) + 1;
    return DefWindowProcA(h, m, w, l);
}

TEST_F(Queue, ThreadsSendingToEachOtherDoNotWaitForever) {
    mainWindow = w;
    Override() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
        if (m != WM_USER + 6) return false;
        *r = 10;
        return true;
    };
    WNDCLASSA wc{};
    wc.lpfnWndProc = AsksBack;
    wc.lpszClassName = "AsksBack";
    ASSERT_NE(RegisterClassA(&wc), 0);
    std::atomic<HWND> other{nullptr};
    std::atomic<bool> stop{false};
    std::thread owner([&] {
        HWND h = CreateWindowExA(0, "AsksBack", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
        other = h;
        MSG m;
        while (!stop)
            PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);
        DestroyWindow(h);
    });
    while (!other)
        std::this_thread::yield();
    EXPECT_EQ(SendMessageA(other, WM_USER + 5, 0, 0), 11);
    stop = true;
    owner.join();
}

TEST_F(Queue, MouseOutsideTheClientAreaReachesNobodyUnlessCaptured) {
    platform::InjectMouseMove(w, -5, 10);
    EXPECT_TRUE(Pump().empty());
    SetCapture(w);
    platform::InjectMouseButton(w, MouseButton::Left, false, -5, 10);
    std::vector<MSG> got = Pump();
    ReleaseCapture();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(GET_X_LPARAM(got[0].lParam), -5);
}

} // namespace

// The idle wait of a reader: on virtual time its owner thread moves the
// clock until something is there to read or the time is up.
TEST_F(Queue, MessageWaitOnVirtualTimeEndsAtWhatArrivesFirst) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        DWORD ms;
        DWORD result;
        uint32_t moved;
    };
    const Case cases[] = {
        {"nothing comes", [] {}, 10, WAIT_TIMEOUT, 10},
        {"no wait asked", [] {}, 0, WAIT_TIMEOUT, 0},
        {"input already waits", [&] { platform::InjectKey(KeyCode::A, true); }, 10, WAIT_OBJECT_0,
         0},
        {"posted message waits", [&] { PostMessageA(w, WM_NULL, 0, 0); }, 10, WAIT_OBJECT_0, 0},
        {"window timer falls due", [&] { SetTimer(w, 4, 25, nullptr); }, 50, WAIT_OBJECT_0, 25},
    };
    for (const Case& c : cases) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
        c.arrange();
        const uint32_t start = platform::ClockNow();
        EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, c.ms, QS_ALLINPUT), c.result)
            << c.name;
        EXPECT_EQ(platform::ClockNow() - start, c.moved) << c.name;
        KillTimer(w, 4);
    }
    HANDLE h = nullptr;
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &h, FALSE, 10, QS_ALLINPUT), WAIT_FAILED);
}

// On real time a post from another thread ends the wait long before its end.
TEST_F(Queue, MessageWaitOnRealTimeWakesOnAnotherThreadsPost) {
    platform::ClockUseVirtual(false);
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessageA(w, WM_NULL, 0, 0);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20000, QS_ALLINPUT), WAIT_OBJECT_0);
    other.join();
}
