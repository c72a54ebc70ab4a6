#include "MessageRecorder.h"

#include <atomic>
#include <thread>

using namespace testing_user;

namespace {

class Cursor : public UserTest {};

TEST_F(Cursor, ProgramCursorsAndIconAreSharedAndNamedWithoutCase) {
    HINSTANCE self = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    const char* names[] = {"CURARROW", "CURHAND",    "CUREXIT",
                           "CURCLOCK", "CURNOENTRY", "CUREXITARROW"};
    std::vector<HCURSOR> handles;
    for (const char* name : names) {
        HCURSOR h = LoadCursorA(self, name);
        ASSERT_NE(h, nullptr) << name;
        for (HCURSOR other : handles)
            EXPECT_NE(h, other) << name;
        handles.push_back(h);
    }
    EXPECT_EQ(LoadCursorA(self, "curArrow"), handles[0]);
    EXPECT_EQ(LoadCursorA(self, "CURMISSING"), nullptr);
    EXPECT_EQ(LoadCursorA(self, "ICOAPPLIC"), nullptr); // an icon is no cursor
    HICON icon = LoadIconA(self, "ICOAPPLIC");
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(self, MAKEINTRESOURCEA(1)), nullptr); // no numbered icons
    // Shared images survive DestroyCursor, as resource cursors do.
    EXPECT_TRUE(DestroyCursor(handles[1]));
    EXPECT_EQ(SetCursor(handles[1]), nullptr);
    EXPECT_EQ(GetCursor(), handles[1]);
    EXPECT_FALSE(DestroyCursor(reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x99))));
}

TEST_F(Cursor, SystemCursorsNeedNoInstance) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_NE(arrow, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
    EXPECT_NE(LoadCursorA(nullptr, IDC_WAIT), arrow);
    EXPECT_EQ(LoadCursorA(reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000)), IDC_ARROW),
              nullptr);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
}

TEST_F(Cursor, ShowCursorIsACounter) {
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1); // two hides and one show: still hidden
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(ShowCursor(TRUE), 1);
}

TEST_F(Cursor, SetCursorPosMovesThePointerAndTellsTheWindowBelow) {
    HWND w = Make(WS_POPUP | WS_VISIBLE);
    Pump();
    Log().clear();
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    EXPECT_TRUE(SetCursorPos(origin.x + 30, origin.y + 40));
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ(p.x, origin.x + 30);
    EXPECT_EQ(p.y, origin.y + 40);
    std::vector<MSG> got = Pump();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(GET_X_LPARAM(got[0].lParam), 30);
    SetCursorPos(-50, 100000); // kept on the screen
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, GetSystemMetrics(SM_CYSCREEN) - 1);
}

TEST_F(Cursor, GetCursorPosFromAnotherThreadNeverSeesAHalfMove) {
    HWND w = Make(WS_POPUP | WS_VISIBLE);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    platform::InjectMouseMove(w, 0, 0);
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!stop) {
            POINT p;
            GetCursorPos(&p);
            // Every position the main thread makes has y == x.
            if (p.x - origin.x != p.y - origin.y) ++torn;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        platform::InjectMouseMove(w, i % 200, i % 200);
        if (i % 100 == 0) Pump();
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}

TEST_F(Cursor, WmSetCursorOverTheClientUsesTheClassCursor) {
    HWND w = Make(WS_POPUP | WS_VISIBLE);
    SetCursor(nullptr);
    EXPECT_TRUE(SendMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

class MessageBox : public UserTest {};

TEST_F(MessageBox, AnswersByPolicyAndLogsEveryBox) {
    struct Case {
        platform::BoxPolicy policy;
        std::vector<int> script;
        UINT type;
        int expected;
    } cases[] = {
        {platform::BoxPolicy::FirstButton, {}, MB_OK, IDOK},
        {platform::BoxPolicy::FirstButton, {}, MB_ABORTRETRYIGNORE | MB_ICONHAND, IDABORT},
        {platform::BoxPolicy::DefaultButton, {}, MB_YESNOCANCEL | MB_DEFBUTTON2, IDNO},
        {platform::BoxPolicy::DefaultButton, {}, MB_OK | MB_DEFBUTTON3, IDOK},
        {platform::BoxPolicy::Scripted, {IDIGNORE}, 0x12, IDIGNORE},
        {platform::BoxPolicy::Scripted, {IDYES}, MB_RETRYCANCEL, IDRETRY}, // not a button here
    };
    for (const Case& c : cases) {
        platform::SetMessageBoxPolicy(c.policy);
        platform::ScriptMessageBoxAnswers(c.script);
        EXPECT_EQ(MessageBoxA(nullptr, "text", "Script Error!", c.type), c.expected) << c.type;
    }
    std::vector<platform::BoxRecord> log = platform::MessageBoxLog();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[1].text, "text");
    EXPECT_EQ(log[1].caption, "Script Error!");
    EXPECT_EQ(log[1].type, static_cast<UINT>(MB_ABORTRETRYIGNORE | MB_ICONHAND));
    EXPECT_EQ(log[4].answer, IDIGNORE);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    EXPECT_EQ(platform::MessageBoxLog().back().caption, "Error");
}

TEST_F(MessageBox, BeepsAreCounted) {
    EXPECT_TRUE(MessageBeep(MB_SIMPLEBEEP));
    EXPECT_TRUE(MessageBeep(MB_ICONHAND));
    EXPECT_EQ(platform::MessageBeepCount(), 2);
}

} // namespace
