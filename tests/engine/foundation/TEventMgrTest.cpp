// The event manager on virtual time and the memory host: from window
// messages to engine events.
#include "foundation/TEventMgr.h"

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

class TEventMgrTest : public ::testing::Test {
protected:
    void SetUp() override {
        // At the desktop's origin: client and screen points agree.
        window = testsupport::OpenHeadlessWindow("MgrTest", 1000, 0, 0, 640, 480);
        platform::SetSimulatedVersion(platform::kVersionWindows95);
        ASSERT_NE(window, nullptr);
        mgr = std::make_unique<TEventMgr>();
        mgr->InitQueue(window);
        Drain(); // the window's own start-up
    }
    void TearDown() override {
        mgr.reset();
        GDL_setTimerTick(0);
        platform::ClockUseVirtual(false);
    }
    // Every event Translate delivers until it has none.
    std::vector<TEvent> Drain() {
        std::vector<TEvent> out;
        for (int guard = 0; guard < 5000; ++guard) {
            TEvent e;
            EXPECT_EQ(mgr->Translate(&e), 1);
            if (e.type == 0 && mgr->Count() == 0 && mgr->ObjectEvents() == 0) break;
            if (e.type) out.push_back(e);
        }
        return out;
    }
    std::vector<int32_t> Types(const std::vector<TEvent>& events) {
        std::vector<int32_t> out;
        for (const TEvent& e : events)
            out.push_back(e.type);
        return out;
    }
    // Puts the pointer there first, so that a click makes no move of its own.
    void MoveTo(int x, int y) {
        platform::InjectMouseMove(window, x, y);
        Drain();
    }
    HWND window = nullptr;
    std::unique_ptr<TEventMgr> mgr;
};

TEST_F(TEventMgrTest, FullQueueDropsTheNewest) {
    for (int i = 0; i < 513; ++i) { // 1026 records
        platform::InjectKey(KeyCode::D, true);
        platform::InjectKey(KeyCode::D, false);
    }
    GDLEvent none;
    EXPECT_EQ(mgr->Fetch(&none, 0), 0); // pumps, takes nothing
    EXPECT_EQ(mgr->Count(), TEventMgr::kSlots);
    TEvent post;
    post.SetType(evCommand);
    EXPECT_EQ(mgr->Post(&post), 0);
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(got.size(), 1024u);
    EXPECT_EQ(got.back().type, evKeyUp); // the 513th press was dropped, down and up
}

TEST_F(TEventMgrTest, MovesCoalesceInPlaceOfTheFirst) {
    platform::InjectMouseMove(window, 10, 10);
    uint32_t first = platform::ClockNow();
    platform::ClockAdvance(5);
    platform::InjectMouseMove(window, 20, 20);
    platform::ClockAdvance(5);
    platform::InjectMouseMove(window, 30, 40);
    platform::InjectKey(KeyCode::E, true);
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(Types(got), (std::vector<int32_t>{evMouseMove, evKeyDown}));
    EXPECT_EQ(got[0].record.x, 30);
    EXPECT_EQ(got[0].record.y, 40);
    EXPECT_EQ(got[0].record.when, first);
    EXPECT_EQ(got[0].data[0], 30); // from the last position (0, 0)
    EXPECT_EQ(got[0].data[1], 40);
}

TEST_F(TEventMgrTest, KeyCodesAndRepeatCounts) {
    platform::InjectKey(KeyCode::A, true);
    platform::InjectKey(KeyCode::A, true, true);
    platform::InjectKey(KeyCode::A, true, true);
    platform::InjectKey(KeyCode::A, false);
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(Types(got), (std::vector<int32_t>{evKeyDown, evKeyDown, evKeyUp}));
    const uint16_t code = 0x1E * 256 + 'a';
    EXPECT_EQ(got[0].KeyCode(), code);
    EXPECT_EQ(got[0].KeyChar(), 'a');
    EXPECT_EQ(got[0].KeyScan(), 0x1E);
    EXPECT_EQ(got[0].data[1], 1);
    EXPECT_GE(got[1].data[1], 2); // an auto-repeat counts at least 2
    EXPECT_EQ(got[2].KeyCode(), code);
    EXPECT_EQ(got[2].data[1], 0);
    for (const TEvent& e : got)
        EXPECT_EQ(e.passState, 1);
}

TEST_F(TEventMgrTest, ButtonsAreDiffedAgainstTheLastState) {
    platform::InjectMouseMove(window, 50, 60);
    platform::InjectMouseButton(window, MouseButton::Left, true, 50, 60);
    platform::InjectMouseButton(window, MouseButton::Right, true, 50, 60);
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(Types(got), (std::vector<int32_t>{evMouseMove, evLeftDown, evRightDown}));
    EXPECT_EQ(got[1].record.x, 50);
    EXPECT_EQ(got[2].record.y, 60);
    platform::InjectMouseButton(window, MouseButton::Right, false, 50, 60);
    EXPECT_EQ(Types(Drain()), (std::vector<int32_t>{evRightUp}));
    // The left button came up outside the window: the next move, without
    // buttons, reports the release first.
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(55, 66));
    got = Drain();
    ASSERT_EQ(Types(got), (std::vector<int32_t>{evLeftUp, evMouseMove}));
    EXPECT_EQ(got[1].data[0], got[1].record.x - 50);
}

TEST_F(TEventMgrTest, DoubleClickIsADownWithTheFlag) {
    MoveTo(5, 5);
    platform::InjectMouseButton(window, MouseButton::Left, true, 5, 5);
    platform::InjectMouseButton(window, MouseButton::Left, false, 5, 5);
    platform::ClockAdvance(50);
    platform::InjectMouseButton(window, MouseButton::Left, true, 5, 5);
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(Types(got), (std::vector<int32_t>{evLeftDown, evLeftUp, evLeftDown}));
    EXPECT_EQ(got[0].data[2], 0);
    EXPECT_EQ(got[2].data[2], 1);
}

TEST_F(TEventMgrTest, SecondDownOfAHeldButtonYieldsNothing) {
    MoveTo(1, 1);
    TEvent e;
    // Two down records for the same button, as a lost up would leave them.
    platform::InjectMouseButton(window, MouseButton::Left, true, 1, 1);
    ASSERT_EQ(mgr->Translate(&e), 1);
    EXPECT_EQ(e.type, evLeftDown);
    platform::InjectMouseButton(window, MouseButton::Left, true, 1, 1);
    ASSERT_EQ(mgr->Translate(&e), 1);
    EXPECT_EQ(e.type, 0);
}

TEST_F(TEventMgrTest, HeldButtonRepeatsAfterTheFirstDelay) {
    MoveTo(8, 9);
    platform::InjectMouseButton(window, MouseButton::Left, true, 8, 9);
    TEvent e;
    ASSERT_EQ(mgr->Translate(&e), 1);
    ASSERT_EQ(e.type, evLeftDown);
    platform::ClockAdvance(6);
    mgr->Translate(&e);
    EXPECT_EQ(e.type, 0); // the first repeat waits 1 + 6 ms
    platform::ClockAdvance(1);
    mgr->Translate(&e);
    EXPECT_EQ(e.type, evLeftDown);
    EXPECT_EQ(e.data[3], 1);
    EXPECT_EQ(e.data[2], 0);
    EXPECT_EQ(e.record.when, platform::ClockNow());
    mgr->Translate(&e);
    EXPECT_EQ(e.type, 0);
    platform::ClockAdvance(1);
    mgr->Translate(&e);
    EXPECT_EQ(e.type, evLeftDown); // later repeats every 1 ms
    platform::InjectMouseButton(window, MouseButton::Left, false, 8, 9);
    mgr->Translate(&e);
    EXPECT_EQ(e.type, evLeftUp);
    platform::ClockAdvance(50);
    mgr->Translate(&e);
    EXPECT_EQ(e.type, 0);
}

TEST_F(TEventMgrTest, TicksFromTheMultimediaTimer) {
    mgr->SetTimer(20);
    EXPECT_TRUE(mgr->TickTimer().Running());
    platform::ClockAdvance(20);
    platform::ClockAdvance(20);
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(Types(got), (std::vector<int32_t>{evTick, evTick}));
    EXPECT_EQ(got[0].data[0], 20); // the interval on the first tick
    EXPECT_EQ(got[0].data[1], 0);
    EXPECT_EQ(got[1].data[0], 20);
    EXPECT_EQ(got[1].data[1], 1);
    mgr->SetTimer(0);
    EXPECT_FALSE(mgr->TickTimer().Running());
    platform::ClockAdvance(100);
    EXPECT_TRUE(Drain().empty());
}

// The millisecond clock wraps after 49.7 days: the tick after the wrap
// still counts the 20 ms since the one before it.
TEST_F(TEventMgrTest, TicksAcrossTheClocksWrap) {
    platform::ClockSetVirtualNow(0xFFFFFFE0u);
    mgr->SetTimer(20);
    platform::ClockAdvance(20);
    platform::ClockAdvance(20);
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(Types(got), (std::vector<int32_t>{evTick, evTick}));
    EXPECT_EQ(got[1].data[0], 20);
    mgr->SetTimer(0);
}

// An idle reader waits for window input no longer than the next tick or the
// held button's next repeat; the tick's post is window input.
TEST_F(TEventMgrTest, IdleWaitEndsAtTheTickOrTheNextRepeat) {
    EXPECT_EQ(mgr->IdleWaitMs(), TEventMgr::kIdleWaitMs);
    mgr->SetTimer(20);
    EXPECT_EQ(mgr->IdleWaitMs(), 20u);
    const uint32_t start = platform::ClockNow();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT), WAIT_OBJECT_0);
    EXPECT_EQ(platform::ClockNow() - start, 20u);
    Drain();
    MoveTo(8, 9);
    platform::InjectMouseButton(window, MouseButton::Left, true, 8, 9);
    TEvent e;
    mgr->Translate(&e);
    ASSERT_EQ(e.type, evLeftDown);
    platform::ClockAdvance(4);
    EXPECT_EQ(mgr->IdleWaitMs(), 3u); // the first repeat comes 7 ms after the press
    platform::ClockAdvance(5);
    EXPECT_EQ(mgr->IdleWaitMs(), 0u);
    mgr->SetTimer(0);
}

TEST_F(TEventMgrTest, OldWindowsTicksThroughAWindowTimer) {
    platform::SetSimulatedVersion(platform::kVersionWin32s);
    mgr->SetTimer(30);
    EXPECT_FALSE(mgr->TickTimer().Running());
    platform::ClockAdvance(30);
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(Types(got), (std::vector<int32_t>{evTick}));
    mgr->SetTimer(0);
    platform::SetSimulatedVersion(platform::kVersionWindows95);
}

TEST_F(TEventMgrTest, WithoutWindowTheLibraryTickIsUsed) {
    TEventMgr ring;
    ring.InitQueue(nullptr);
    ring.SetTimer(30); // below one library tick of 54.925 ms
    EXPECT_EQ(ring.TimerMs(), 55);
    EXPECT_EQ(GDL_setTimerTick(0), 1u);
    ring.SetTimer(120);
    EXPECT_EQ(GDL_setTimerTick(0), 2u);
    TEvent post;
    post.SetType(evCommand);
    post.target = 77;
    GDL_flushEvents(0xFFFF);
    EXPECT_EQ(ring.Post(&post), 1); // into the library ring
    TEvent e;
    ASSERT_EQ(ring.Translate(&e), 1);
    EXPECT_EQ(e.type, evCommand);
    EXPECT_EQ(e.target, 77u);
}

TEST_F(TEventMgrTest, PostedEventsCarryTheirWords) {
    int object = 0;
    uintptr_t pointer = reinterpret_cast<uintptr_t>(&object);
    TEvent focus;
    focus.SetType(evFocus);
    focus.target = pointer;
    focus.data[1] = 1;
    focus.data[2] = 4;
    TEvent targeted;
    targeted.SetType(evTargeted);
    targeted.target = pointer;
    targeted.data[0] = static_cast<intptr_t>(pointer);
    TEvent property;
    property.SetType(evProperty);
    property.data[0] = 2;
    TEvent shown;
    shown.SetType(evShown);
    shown.target = pointer;
    for (TEvent* e : {&focus, &targeted, &property, &shown})
        ASSERT_EQ(mgr->Post(e), 1);
    std::vector<TEvent> got = Drain();
    ASSERT_EQ(Types(got), (std::vector<int32_t>{evFocus, evTargeted, evMouseMove, evShown}));
    EXPECT_EQ(got[0].target, pointer); // nothing truncates a pointer
    EXPECT_EQ(got[0].data[1], 1);
    EXPECT_EQ(got[0].data[2], 4);
    EXPECT_EQ(got[0].data[3], 1);
    EXPECT_EQ(got[1].data[0], static_cast<intptr_t>(pointer));
    EXPECT_EQ(got[2].data[5], 1); // a move made from a property event
    EXPECT_EQ(got[2].record.x, mgr->LastPos().x);
    EXPECT_EQ(got[3].target, pointer);
}

TEST_F(TEventMgrTest, ObjectEventsComeFirstAndFlush) {
    platform::InjectKey(KeyCode::F, true);
    TEvent enter;
    enter.SetType(evMouseEnter);
    ASSERT_EQ(mgr->Post(&enter), 1); // types 9 and 10 go to the object events
    TEvent leave;
    leave.SetType(evMouseLeave);
    mgr->QueueCopy(&leave);
    mgr->QueueCopy(&enter);
    mgr->FlushType(evMouseEnter);
    std::vector<TEvent> got = Drain();
    EXPECT_EQ(Types(got), (std::vector<int32_t>{evMouseLeave, evKeyDown}));
    platform::InjectKey(KeyCode::F, false);
    platform::InjectMouseMove(window, 3, 3);
    mgr->FlushType(evKey);
    EXPECT_EQ(Types(Drain()), (std::vector<int32_t>{evMouseMove}));
}

TEST_F(TEventMgrTest, NotReadyRefuses) {
    TEventMgr fresh;
    TEvent e;
    EXPECT_EQ(fresh.Translate(&e), 0);
    EXPECT_EQ(fresh.Post(&e), 0);
    EXPECT_EQ(mgr->Translate(nullptr), 0);
}

} // namespace
