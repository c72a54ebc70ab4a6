// Black-box rules of the event manager: window messages injected the way a
// real window receives them, on virtual time and the memory host.
#include "foundation/TEventMgr.h"

#include "foundation/TKeys.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Module.h"
#include "platform/User.h"

#include "HeadlessWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using platform::KeyCode;
using platform::MouseButton;

class EventMgrRules : public ::testing::Test {
protected:
    void SetUp() override {
        // Away from the desktop's origin, so that screen and client differ.
        window = testsupport::OpenHeadlessWindow("MgrRules", 5000, 100, 50, 640, 480);
        platform::SetSimulatedVersion(platform::kVersionWindows95);
        GDL_initEvents(nullptr);
        ASSERT_NE(window, nullptr);
        mgr = std::make_unique<TEventMgr>();
        mgr->InitQueue(window);
        Drain();
    }
    void TearDown() override {
        mgr.reset();
        GDL_setTimerTick(0);
        GDL_resetEvents();
        platform::ClockUseVirtual(false);
    }
    std::vector<TEvent> Drain(TEventMgr* m = nullptr) {
        if (!m) m = mgr.get();
        std::vector<TEvent> out;
        for (int guard = 0; guard < 5000; ++guard) {
            TEvent e;
            EXPECT_EQ(m->Translate(&e), 1);
            if (e.type) {
                out.push_back(e);
                continue;
            }
            if (m->Count() == 0 && m->ObjectEvents() == 0 && GDL_eventCount() == 0) break;
        }
        return out;
    }
    static std::vector<int32_t> Types(const std::vector<TEvent>& events) {
        std::vector<int32_t> out;
        for (const TEvent& e : events)
            out.push_back(e.type);
        return out;
    }
    HWND window = nullptr;
    std::unique_ptr<TEventMgr> mgr;
};

using TypeList = std::vector<int32_t>;

TEST_F(EventMgrRules, KeyWordsAndModifiers) {
    struct Case {
        std::vector<KeyCode> held; // pressed before, released after
        KeyCode key;
        uint16_t code; // scan code * 256 + character
        uint32_t modifiers;
    } cases[] = {
        {{}, KeyCode::A, 0x1E00 + 'a', 0},
        {{KeyCode::LeftShift}, KeyCode::A, 0x1E00 + 'A', GDL_SHIFT},
        {{}, KeyCode::Return, kKeyEnter, 0},
        {{}, KeyCode::F1, kKeyF1, 0},
        {{KeyCode::LeftCtrl}, KeyCode::F2, kKeyF2, GDL_CTRL},
        {{KeyCode::LeftAlt}, KeyCode::F12, kKeyF12, GDL_ALT},
    };
    for (const Case& c : cases) {
        for (KeyCode k : c.held)
            platform::InjectKey(k, true);
        Drain(); // the modifier keys' own records
        platform::InjectKey(c.key, true);
        platform::InjectKey(c.key, false);
        platform::InjectKey(c.key, false); // a stray release: the key table is clear
        std::vector<TEvent> got = Drain();
        ASSERT_EQ(Types(got), (TypeList{evKeyDown, evKeyUp, evKeyUp})) << c.code;
        EXPECT_EQ(got[0].KeyCode(), c.code);
        EXPECT_EQ(got[0].KeyChar(), c.code & 0xFF);
        EXPECT_EQ(got[0].KeyScan(), c.code >> 8);
        EXPECT_EQ(got[0].record.modifiers, c.modifiers) << c.code;
        EXPECT_EQ(got[1].KeyCode(), c.code) << "the release repeats the key-down's code";
        EXPECT_EQ(got[1].record.modifiers, c.modifiers) << c.code;
        EXPECT_EQ(got[2].KeyCode(), 0);
        for (KeyCode k : c.held)
            platform::InjectKey(k, false);
        Drain();
    }
}

TEST_F(EventMgrRules, MouseRecordsInClientPixelsWithButtonsAndKeys) {
    platform::InjectMouseMove(window, 10, 20);
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(Types(got), (TypeList{evMouseMove}));
    EXPECT_EQ(got[0].record.x, 10);
    EXPECT_EQ(got[0].record.y, 20);
    EXPECT_EQ(mgr->LastPos().x, 10);
    platform::InjectKey(KeyCode::LeftShift, true);
    platform::InjectKey(KeyCode::LeftCtrl, true);
    Drain();
    platform::InjectMouseButton(window, MouseButton::Left, true, 10, 20);
    got = Drain();
    ASSERT_EQ(Types(got), (TypeList{evLeftDown}));
    EXPECT_EQ(got[0].record.modifiers, GDL_LEFTBUT | GDL_SHIFT | GDL_CTRL);
    EXPECT_EQ(got[0].record.message, 1u);
    platform::InjectMouseButton(window, MouseButton::Left, false, 10, 20);
    platform::InjectKey(KeyCode::LeftShift, false);
    platform::InjectKey(KeyCode::LeftCtrl, false);
    EXPECT_EQ(Types(Drain()), (TypeList{evLeftUp, evKeyUp, evKeyUp}));
}

TEST_F(EventMgrRules, ButtonRecordsAreDiffedRightBeforeLeft) {
    platform::InjectMouseMove(window, 7, 8);
    Drain();
    struct Step {
        UINT message;
        WPARAM keys;
        TypeList want;
    } steps[] = {
        // One down record showing both buttons: right first, then left.
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, {evRightDown, evLeftDown}},
        // Both already down: a further down yields nothing.
        {WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, {}},
        // An up record showing both released: right first, then left.
        {WM_LBUTTONUP, 0, {evRightUp, evLeftUp}},
        // An up record reports releases only, never a press.
        {WM_RBUTTONUP, MK_LBUTTON, {}},
        {WM_LBUTTONUP, 0, {evLeftUp}},
        // Double clicks are downs with the flag.
        {WM_RBUTTONDBLCLK, MK_RBUTTON, {evRightDown}},
        {WM_RBUTTONUP, 0, {evRightUp}},
    };
    for (const Step& s : steps) {
        PostMessageA(window, s.message, s.keys, MAKELPARAM(300, 300));
        std::vector<TEvent> got = Drain();
        ASSERT_EQ(Types(got), s.want) << std::hex << s.message;
        for (const TEvent& e : got) {
            // Button events stand where the last move left the pointer.
            EXPECT_EQ(e.record.x, 7);
            EXPECT_EQ(e.record.y, 8);
            EXPECT_EQ(e.data[2], s.message == WM_RBUTTONDBLCLK ? 1 : 0);
            EXPECT_EQ(e.data[3], 0);
        }
    }
}

TEST_F(EventMgrRules, MovesCoalesceOnlyWhileTheMoveWaits) {
    // Any other mouse record or a key ends the coalescing; so does taking it.
    platform::InjectMouseMove(window, 1, 1);
    platform::InjectMouseMove(window, 2, 2);
    platform::InjectMouseButton(window, MouseButton::Right, true, 2, 2);
    platform::InjectMouseMove(window, 3, 3);
    platform::InjectMouseMove(window, 4, 4);
    platform::InjectKey(KeyCode::Q, true);
    platform::InjectMouseMove(window, 5, 5);
    platform::InjectMouseMove(window, 6, 6);
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(Types(got),
              (TypeList{evMouseMove, evRightDown, evMouseMove, evKeyDown, evMouseMove}));
    EXPECT_EQ(got[0].record.x, 2);
    EXPECT_EQ(got[2].record.x, 4);
    EXPECT_EQ(got[2].data[0], 2); // dx from (2, 2)
    EXPECT_EQ(got[4].record.y, 6);
    platform::InjectMouseMove(window, 9, 9);
    TEvent e;
    mgr->Translate(&e);
    EXPECT_EQ(e.type, evMouseMove);
    platform::InjectMouseMove(window, 11, 12);
    got = Drain();
    ASSERT_EQ(Types(got), (TypeList{evMouseMove})) << "a taken move is not updated again";
    EXPECT_EQ(got[0].record.x, 11);
    EXPECT_EQ(got[0].data[1], 3);
}

TEST_F(EventMgrRules, HeldButtonRepeatsWaitForAnEmptyQueueOrATick) {
    platform::InjectMouseMove(window, 4, 4);
    platform::InjectMouseButton(window, MouseButton::Right, true, 4, 4);
    ASSERT_EQ(Types(Drain()), (TypeList{evMouseMove, evRightDown}));
    mgr->SetTimer(20);
    platform::ClockAdvance(20); // a tick, long past the first repeat
    platform::InjectKey(KeyCode::W, true);
    TEvent e;
    mgr->Translate(&e);
    ASSERT_EQ(e.type, evTick);
    // The tick makes the next step check the held button before the queue.
    mgr->Translate(&e);
    EXPECT_EQ(e.type, evRightDown);
    EXPECT_EQ(e.data[3], 1);
    EXPECT_EQ(e.record.x, 4);
    mgr->Translate(&e);
    EXPECT_EQ(e.type, evKeyDown);
    // A queued record comes before a due repeat when no tick came.
    platform::ClockAdvance(5);
    platform::InjectKey(KeyCode::W, false);
    mgr->Translate(&e);
    EXPECT_EQ(e.type, evKeyUp);
    mgr->Translate(&e);
    EXPECT_EQ(e.type, evRightDown);
    EXPECT_EQ(e.data[3], 1);
    mgr->SetTimer(0);
}

TEST_F(EventMgrRules, EveryPressWaitsTheFirstDelayAgain) {
    platform::InjectMouseMove(window, 2, 3);
    Drain();
    struct Step {
        uint32_t advance;
        int32_t want; // what one Translate delivers
    } steps[] = {
        {0, 0}, {6, 0}, {1, evLeftDown}, {0, 0}, {1, evLeftDown}, {3, evLeftDown}, {0, 0},
    };
    for (int press = 0; press < 2; ++press) {
        platform::InjectMouseButton(window, MouseButton::Left, true, 2, 3);
        TEvent e;
        mgr->Translate(&e);
        ASSERT_EQ(e.type, evLeftDown);
        EXPECT_EQ(e.data[3], 0);
        int i = 0;
        for (const Step& s : steps) {
            platform::ClockAdvance(s.advance);
            mgr->Translate(&e);
            EXPECT_EQ(e.type, s.want) << "press " << press << " step " << i++;
            if (s.want) {
                EXPECT_EQ(e.data[3], 1);
            }
        }
        platform::InjectMouseButton(window, MouseButton::Left, false, 2, 3);
        mgr->Translate(&e);
        EXPECT_EQ(e.type, evLeftUp);
    }
}

TEST_F(EventMgrRules, TickIntervalsFollowTheRecordTimes) {
    mgr->SetTimer(25);
    platform::ClockAdvance(75); // the period holds however the clock is advanced
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(Types(got), (TypeList{evTick, evTick, evTick}));
    EXPECT_EQ(got[0].data[0], 25); // the interval on the first tick
    EXPECT_EQ(got[0].record.when, 5025u);
    EXPECT_EQ(got[1].data[0], 25);
    EXPECT_EQ(got[2].data[0], 25);
    EXPECT_EQ(got[2].data[1], 2);
    mgr->SetTimer(0);
    platform::ClockAdvance(40);
    PostMessageA(window, WM_TIMER, 1, 0); // a window timer's record is a tick too
    got = Drain();
    ASSERT_EQ(Types(got), (TypeList{evTick}));
    EXPECT_EQ(got[0].data[0], 40); // the time since the previous tick
    EXPECT_EQ(got[0].data[1], 3);
}

TEST_F(EventMgrRules, QuitAndEndSessionMessages) {
    PostMessageA(window, WM_PAINT, 0, 0); // not an input: nothing queued
    PostMessageA(window, WM_QUERYENDSESSION, 0, 0);
    PostQuitMessage(0);
    EXPECT_EQ(Types(Drain()), (TypeList{evQueryEnd, evQuit}));
}

TEST_F(EventMgrRules, PostedTypesCarryTheirWords) {
    struct Case {
        int32_t type;
        bool targetIsMessage;
        bool data0IsModifiers;
    } cases[] = {
        {evCommand, true, false},      {evPaint, true, false}, {evQuit, false, false},
        {evQueryEnd, false, false},    {evRadio, true, true},  {evTargeted, true, true},
        {evCloseRequest, true, false}, {evShown, true, false},
    };
    for (const Case& c : cases) {
        TEvent post;
        post.SetType(c.type);
        post.target = 0x1234;
        post.record.which = 7;
        post.record.modifiers = 9;
        post.data[0] = 11;
        platform::ClockAdvance(3);
        ASSERT_EQ(mgr->Post(&post), 1);
        std::vector<TEvent> got = Drain();
        ASSERT_EQ(Types(got), (TypeList{c.type}));
        const TEvent& e = got[0];
        EXPECT_EQ(e.target, c.targetIsMessage ? 0x1234u : 0u) << c.type;
        EXPECT_EQ(e.record.message, 0x1234u) << c.type;
        EXPECT_EQ(e.record.which, 7u) << c.type;
        EXPECT_EQ(e.record.modifiers, c.data0IsModifiers ? 11u : 9u) << c.type;
        EXPECT_EQ(e.record.when, platform::ClockNow()) << c.type;
        EXPECT_EQ(e.data[0], c.data0IsModifiers ? 11 : 0) << c.type;
    }
}

TEST_F(EventMgrRules, TypesWithoutAMaskAreRefused) {
    // Such a record would match no fetch and hold its slot for good.
    for (int32_t type : {0, 16, 23, 26, 29, 31, 36}) {
        TEvent post;
        post.SetType(type);
        EXPECT_EQ(mgr->Post(&post), 0) << type;
    }
    EXPECT_EQ(mgr->Count(), 0);
    TEventMgr ring;
    ring.InitQueue(nullptr);
    TEvent region;
    region.SetType(evRegion);
    EXPECT_EQ(ring.Post(&region), 0);
    EXPECT_EQ(GDL_eventCount(), 0);
}

TEST_F(EventMgrRules, ObjectEventsAreFinishedWhenTaken) {
    platform::InjectMouseMove(window, 12, 13);
    Drain();
    TEvent focus;
    focus.SetType(evFocus);
    focus.data[0] = 9;
    focus.data[1] = 1;
    focus.data[3] = 0;
    TEvent property;
    property.SetType(evProperty);
    property.data[0] = 2;
    TEvent down;
    down.SetType(evLeftDown);
    for (TEvent* e : {&focus, &property, &down})
        ASSERT_EQ(mgr->QueueCopy(e), 1);
    platform::InjectKey(KeyCode::Z, true); // queued records wait for the object events
    TEvent e;
    mgr->Translate(&e);
    ASSERT_EQ(e.type, evFocus);
    EXPECT_EQ(e.data[0], 0);
    EXPECT_EQ(e.data[3], 1); // mode 1
    mgr->Translate(&e);
    ASSERT_EQ(e.type, evMouseMove);
    EXPECT_EQ(e.record.x, 12);
    EXPECT_EQ(e.record.y, 13);
    EXPECT_EQ(e.data[5], 1);
    mgr->Translate(&e);
    ASSERT_EQ(e.type, evLeftDown); // a down taken from the object events is held
    mgr->Translate(&e);
    ASSERT_EQ(e.type, evKeyDown);
    platform::ClockAdvance(7);
    mgr->Translate(&e);
    EXPECT_EQ(e.type, evLeftDown);
    EXPECT_EQ(e.data[3], 1);
}

// Window procedures post while the pump holds the queue lock; what they
// post follows the record of the message that made them post.
TEventMgr* postingManager = nullptr;
LRESULT CALLBACK PostingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN && postingManager) {
        TEvent command;
        command.SetType(evCommand);
        command.target = 42;
        postingManager->Post(&command);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(EventMgrRules, WindowProceduresPostAfterTheirMessage) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PostingProc;
    wc.lpszClassName = "MgrPosting";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND posting = CreateWindowExA(0, "MgrPosting", "posting", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(posting, nullptr);
    SetFocus(posting);
    TEventMgr own;
    own.InitQueue(posting);
    postingManager = &own;
    Drain(&own);
    platform::InjectKey(KeyCode::X, true);
    platform::InjectKey(KeyCode::X, false);
    std::vector<TEvent> got = Drain(&own);
    postingManager = nullptr;
    ASSERT_EQ(Types(got), (TypeList{evKeyDown, evCommand, evKeyUp}));
    EXPECT_EQ(got[1].target, 42u);
}

TEST_F(EventMgrRules, FlushByTypeUsesTheOverlappingMasks) {
    for (int32_t type : {evQuit, evCloseRequest, evFocus, evCommand, evShown}) {
        TEvent post;
        post.SetType(type);
        ASSERT_EQ(mgr->Post(&post), 1);
    }
    TEvent enter;
    enter.SetType(evMouseEnter);
    mgr->QueueCopy(&enter);
    mgr->FlushType(evFocus); // 0x3000 also matches 0x1000 and 0x7000, not 0x4000
    EXPECT_EQ(Types(Drain()), (TypeList{evMouseEnter, evCloseRequest, evCommand}));
}

TEST_F(EventMgrRules, WithoutAWindowTheLibraryRingServes) {
    TEventMgr ring;
    ring.InitQueue(nullptr);
    // Posting, fetching and flushing go to the ring of 100 records.
    TEvent post;
    post.SetType(evCommand);
    for (int i = 0; i < GDL_EVENT_SLOTS; ++i) {
        post.target = static_cast<uintptr_t>(i);
        ASSERT_EQ(ring.Post(&post), 1) << i;
    }
    EXPECT_EQ(ring.Post(&post), 0);
    EXPECT_EQ(ring.Count(), 0);
    TEvent e;
    ASSERT_EQ(ring.Translate(&e), 1);
    EXPECT_EQ(e.type, evCommand);
    EXPECT_EQ(e.target, 0u);
    ring.FlushType(evCommand);
    EXPECT_EQ(GDL_eventCount(), 0);
    // The tick runs through the ring's timer, and stops when set to 0.
    ring.SetTimer(110); // two library ticks: a 109 ms timer
    platform::ClockAdvance(109);
    std::vector<TEvent> got = Drain(&ring);
    ASSERT_EQ(Types(got), (TypeList{evTick}));
    EXPECT_EQ(got[0].data[0], 110);
    ring.SetTimer(200); // replaces the timer, never adds a second one
    for (int i = 0; i < 2; ++i) {
        platform::ClockAdvance(164); // three library ticks
        EXPECT_EQ(Types(Drain(&ring)), (TypeList{evTick}));
    }
    ring.SetTimer(0);
    EXPECT_EQ(ring.TimerMs(), 0);
    platform::ClockAdvance(1000);
    EXPECT_TRUE(Drain(&ring).empty());
}

} // namespace
