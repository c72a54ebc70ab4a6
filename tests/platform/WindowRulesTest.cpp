// Window, focus, queue and cursor rules a Windows program relies on: the
// parameters of the messages sent from inside the calls, what the calls
// return, the default procedure's answers, the queue's filters and the
// cursor display counter.
#include "MessageRecorder.h"

using namespace testing_user;
using platform::KeyCode;
using platform::MouseButton;

namespace {

class WindowRules : public UserTest {
protected:
    // The log entries of one message.
    std::vector<Seen> Of(UINT msg) {
        std::vector<Seen> out;
        for (const Seen& s : Log())
            if (s.msg == msg) out.push_back(s);
        return out;
    }
};

TEST_F(WindowRules, ShowingAWindowSendsItsParameters) {
    HWND w = Make(WS_OVERLAPPEDWINDOW);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(ShowWindow(w, SW_SHOWNORMAL), FALSE); // it was hidden
    ASSERT_EQ(Of(WM_SHOWWINDOW).size(), 1u);
    EXPECT_EQ(Of(WM_SHOWWINDOW)[0].wParam, static_cast<WPARAM>(TRUE));
    ASSERT_FALSE(Of(WM_ACTIVATEAPP).empty());
    EXPECT_EQ(Of(WM_ACTIVATEAPP)[0].wParam, static_cast<WPARAM>(TRUE));
    ASSERT_EQ(Of(WM_ACTIVATE).size(), 1u);
    EXPECT_EQ(Of(WM_ACTIVATE)[0].wParam, static_cast<WPARAM>(WA_ACTIVE));
    ASSERT_EQ(Of(WM_SETFOCUS).size(), 1u);
    EXPECT_EQ(Of(WM_SETFOCUS)[0].wParam, 0u);
    for (const Seen& s : Of(WM_SIZE))
        EXPECT_EQ(s.wParam, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_NE(ShowWindow(w, SW_SHOW), FALSE); // it was visible
    EXPECT_NE(ShowWindow(w, SW_HIDE), FALSE);
    EXPECT_FALSE(IsWindowVisible(w));
}

TEST_F(WindowRules, CreatedMaximisedReportsAMaximisedSize) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_MAXIMIZE | WS_VISIBLE);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsZoomed(w));
    ASSERT_FALSE(Of(WM_SIZE).empty());
    const Seen last = Of(WM_SIZE).back();
    EXPECT_EQ(last.wParam, static_cast<WPARAM>(SIZE_MAXIMIZED));
    RECT c;
    GetClientRect(w, &c);
    EXPECT_EQ(LOWORD(last.lParam), c.right);
    EXPECT_EQ(HIWORD(last.lParam), c.bottom);
}

// Destroying the active window: it loses the activation and the focus before
// it hears of its destruction.
TEST_F(WindowRules, DestroyingTheActiveWindowDeactivatesFirst) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Log().clear();
    DestroyWindow(w);
    EXPECT_EQ(
        Messages({WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS, WM_DESTROY, WM_NCDESTROY}),
        (std::vector<UINT>{WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS, WM_DESTROY, WM_NCDESTROY}));
    ASSERT_FALSE(Of(WM_ACTIVATE).empty());
    EXPECT_EQ(LOWORD(Of(WM_ACTIVATE)[0].wParam), WA_INACTIVE);
    EXPECT_EQ(Of(WM_ACTIVATEAPP)[0].wParam, static_cast<WPARAM>(FALSE));
    EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(WindowRules, SetFocusHandsBackThePreviousFocusAndNamesTheOtherWindow) {
    HWND a = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, "a");
    HWND b = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, "b");
    Log().clear();
    SetFocus(a);
    ASSERT_EQ(Of(WM_KILLFOCUS).size(), 1u);
    EXPECT_EQ(Of(WM_KILLFOCUS)[0].wParam, reinterpret_cast<WPARAM>(a));
    ASSERT_EQ(Of(WM_SETFOCUS).size(), 1u);
    EXPECT_EQ(Of(WM_SETFOCUS)[0].wParam, reinterpret_cast<WPARAM>(b));
    // The deactivated window learns who took over, and the activated one whom
    // it took over from.
    for (const Seen& s : Of(WM_ACTIVATE)) {
        HWND other = s.hwnd == a ? b : a;
        EXPECT_EQ(s.lParam, reinterpret_cast<LPARAM>(other));
    }
    Log().clear();
    EXPECT_EQ(SetFocus(nullptr), a);
    ASSERT_EQ(Of(WM_KILLFOCUS).size(), 1u);
    EXPECT_EQ(Of(WM_KILLFOCUS)[0].wParam, 0u);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowRules, DefaultProcedureAnswers) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    struct Case {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result;
    } cases[] = {
        {WM_QUERYENDSESSION, 0, 0, TRUE},
        {WM_NCACTIVATE, TRUE, 0, TRUE},
        {WM_MOUSEACTIVATE, 0, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN), MA_ACTIVATE},
        {WM_COMMAND, 1, 0, 0},
        {WM_USER + 7, 1, 2, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DefWindowProcA(w, c.msg, c.wParam, c.lParam), c.result) << c.msg;
    // The close command asks the window to close; unanswered, it goes.
    Log().clear();
    SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(Messages({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
              (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(WindowRules, PeekFiltersByRangeAndLeavesWhatItDoesNotRemove) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Pump();
    platform::InjectMouseMove(w, 5, 5);
    platform::InjectKey(KeyCode::A, true);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(m.wParam, 0u);
    EXPECT_EQ(m.lParam, MAKELPARAM(5, 5));
    // A paint stays until the window is validated.
    InvalidateRect(w, nullptr, FALSE);
    ASSERT_TRUE(PeekMessageA(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    ValidateRect(w, nullptr);
    EXPECT_FALSE(PeekMessageA(&m, w, 0, 0, PM_REMOVE));
}

// Posted messages are read before input that came earlier; WM_QUIT after the
// posted messages but ahead of input.
// The update region keeps boxes far apart as boxes: BeginPaint still gets
// the box around them all, but a painter can ask for the parts. Overlapping
// parts merge, a ninth part merges the two that waste least, and showing the
// window makes the whole client area one part again.
TEST_F(WindowRules, UpdateRegionKeepsItsPartsApart) {
    HWND w = Make(WS_POPUP);
    ASSERT_NE(w, nullptr);
    RECT parts[8];
    ASSERT_EQ(platform::UpdateRects(w, parts, 8), 0);
    auto same = [](const RECT& a, const RECT& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    const RECT corner{0, 0, 16, 16}, far{300, 200, 320, 240}, near1{8, 8, 24, 20};
    InvalidateRect(w, &corner, FALSE);
    InvalidateRect(w, &far, FALSE);
    InvalidateRect(w, &near1, FALSE);
    ASSERT_EQ(platform::UpdateRects(w, parts, 8), 2);
    EXPECT_TRUE(same(parts[0], far) || same(parts[1], far));
    EXPECT_TRUE(same(parts[0], RECT{0, 0, 24, 20}) || same(parts[1], RECT{0, 0, 24, 20}));
    EXPECT_EQ(platform::UpdateRects(w, parts, 1), 1); // too few places: the box around them
    EXPECT_TRUE(same(parts[0], RECT{0, 0, 320, 240}));
    for (int i = 0; i < 8; ++i) {
        const RECT cell{40 * i, 100, 40 * i + 4, 104};
        InvalidateRect(w, &cell, FALSE);
    }
    const int n = platform::UpdateRects(w, parts, 8);
    EXPECT_EQ(n, 8);
    int64_t covered = 0;
    for (int i = 0; i < n; ++i)
        covered += int64_t(parts[i].right - parts[i].left) * (parts[i].bottom - parts[i].top);
    EXPECT_LT(covered, 320 * 240 / 4); // nowhere near the box around them
    PAINTSTRUCT ps{};
    BeginPaint(w, &ps);
    EXPECT_TRUE(same(ps.rcPaint, RECT{0, 0, 320, 240}));
    EndPaint(w, &ps);
    EXPECT_EQ(platform::UpdateRects(w, parts, 8), 0);
    InvalidateRect(w, &far, FALSE);
    ShowWindow(w, SW_SHOW);
    RECT client{};
    GetClientRect(w, &client);
    ASSERT_EQ(platform::UpdateRects(w, parts, 8), 1);
    EXPECT_TRUE(same(parts[0], client));
}

TEST_F(WindowRules, PostedMessagesComeBeforeInputAndQuitBetween) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Pump();
    platform::InjectKey(KeyCode::B, true);
    EXPECT_TRUE(PostMessageA(w, WM_USER + 1, 0, 0));
    EXPECT_TRUE(PostMessageA(nullptr, WM_USER + 2, 0, 0)); // to the thread
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x4321), WM_USER, 0, 0));
    PostQuitMessage(3);
    MSG m;
    // Thread messages only: the window's message and the key stay queued.
    ASSERT_TRUE(PeekMessageA(&m, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
    EXPECT_EQ(m.hwnd, nullptr);
    std::vector<UINT> order;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(m.message);
        if (m.message == WM_QUIT) {
            EXPECT_EQ(m.wParam, 3u);
        }
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_QUIT, WM_KEYDOWN}));
    // A timer of no window is a thread message too; a window's is not.
    UINT_PTR id = SetTimer(nullptr, 0, 10, nullptr);
    SetTimer(w, 5, 10, nullptr);
    platform::ClockAdvance(10);
    ASSERT_TRUE(PeekMessageA(&m, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(m.wParam, id);
    EXPECT_FALSE(PeekMessageA(&m, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, w);
    EXPECT_EQ(m.wParam, 5u);
    KillTimer(nullptr, id);
    KillTimer(w, 5);
}

// GetKeyState of mouse buttons follows the button messages read.
TEST_F(WindowRules, ButtonStateFollowsTheMessagesRead) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Pump();
    platform::InjectMouseButton(w, MouseButton::Right, true, 4, 4);
    EXPECT_GE(GetKeyState(VK_RBUTTON), 0);
    Pump();
    EXPECT_LT(GetKeyState(VK_RBUTTON), 0);
    EXPECT_LT(GetAsyncKeyState(VK_RBUTTON), 0);
    platform::InjectMouseButton(w, MouseButton::Right, false, 4, 4);
    std::vector<MSG> got = Pump();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().message, static_cast<UINT>(WM_RBUTTONUP));
    EXPECT_EQ(got.back().wParam, 0u); // no button is down any more
    EXPECT_GE(GetKeyState(VK_RBUTTON), 0);
}

TEST_F(WindowRules, ShowCursorCountsFromZero) {
    const struct {
        BOOL show;
        int count;
    } steps[] = {{FALSE, -1}, {FALSE, -2}, {TRUE, -1}, {TRUE, 0}, {TRUE, 1}, {FALSE, 0}};
    for (const auto& s : steps)
        EXPECT_EQ(ShowCursor(s.show), s.count);
    ShowCursor(FALSE);
    ShowCursor(TRUE); // back to 0
}

TEST_F(WindowRules, MessageBoxesAnswerWithTheirOwnButtons) {
    const struct {
        UINT type;
        int first, byDefault;
    } cases[] = {
        {MB_OK | MB_ICONHAND, IDOK, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDOK, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_ICONEXCLAMATION | MB_DEFBUTTON3, IDABORT, IDIGNORE},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, IDYES, IDNO},
        {MB_YESNO | MB_ICONQUESTION, IDYES, IDYES},
        {MB_RETRYCANCEL | MB_DEFBUTTON2, IDRETRY, IDCANCEL},
    };
    for (const auto& c : cases) {
        platform::SetMessageBoxPolicy(platform::BoxPolicy::FirstButton);
        EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", c.type), c.first) << c.type;
        platform::SetMessageBoxPolicy(platform::BoxPolicy::DefaultButton);
        EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", c.type), c.byDefault) << c.type;
    }
}

} // namespace
