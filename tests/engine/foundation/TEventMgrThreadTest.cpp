// The event manager on real time: the tick timer's thread fills the queue
// while the main thread posts, counts and takes events. Built to give the
// thread sanitizer something to see; the bounds are generous and nothing
// asserts a timing.
#include "foundation/TEventMgr.h"

#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Module.h"
#include "platform/User.h"

#include "HeadlessWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

TEST(EventMgrThreads, TicksFromTheTimerThreadMeetTheMainThreadsReadsAndPosts) {
    HWND window = testsupport::OpenHeadlessWindow(
        {.className = "MgrThreadTest", .proc = DefWindowProcA, .classStyle = 0});
    platform::SetSimulatedVersion(platform::kVersionWindows95); // ticks from a multimedia timer
    ASSERT_NE(window, nullptr);
    auto mgr = std::make_unique<TEventMgr>();
    mgr->InitQueue(window);
    mgr->SetTimer(1);
    ASSERT_TRUE(mgr->TickTimer().Running());

    int ticks = 0, commands = 0, posted = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((ticks < 20 || commands < posted || posted < 200) &&
           std::chrono::steady_clock::now() < deadline) {
        if (posted < 200) {
            TEvent command;
            command.type = evCommand;
            if (mgr->Post(&command)) ++posted;
        }
        EXPECT_LE(mgr->Count(), TEventMgr::kSlots);
        TEvent e;
        ASSERT_EQ(mgr->Translate(&e), 1);
        if (e.type == evTick) ++ticks;
        if (e.type == evCommand) ++commands;
        if (e.type == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    mgr->SetTimer(0);
    EXPECT_FALSE(mgr->TickTimer().Running());
    EXPECT_GE(ticks, 20);
    EXPECT_EQ(posted, 200);
    EXPECT_EQ(commands, posted); // no record lost or doubled between the threads

    mgr.reset();
    DestroyWindow(window);
}

// A window procedure runs inside the pump, with the queue lock held; one
// that makes and drops a timer of its own there must not meet the tick
// callback, which holds its timer and then wants the queue, in the opposite
// order.
constexpr UINT kMakeTimer = WM_USER + 7;
std::atomic<int> timersMade{0};

void Nothing(void*, uintptr_t) {}

LRESULT CALLBACK MakesTimers(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == kMakeTimer) {
        TMMTimer timer;
        int dummy = 0;
        timer.Start(1000, 0, 0, &dummy, &Nothing);
        ++timersMade;
        return 0;
    }
    return DefWindowProcA(h, m, w, l);
}

TEST(EventMgrThreads, WindowProceduresMayMakeTimersWhileTheTickRuns) {
    HWND window = testsupport::OpenHeadlessWindow(
        {.className = "MgrMakesTimers", .proc = MakesTimers, .classStyle = 0});
    platform::SetSimulatedVersion(platform::kVersionWindows95); // ticks from a multimedia timer
    ASSERT_NE(window, nullptr);
    auto mgr = std::make_unique<TEventMgr>();
    mgr->InitQueue(window);
    mgr->SetTimer(1);

    timersMade = 0;
    int ticks = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((ticks < 20 || timersMade < 50) && std::chrono::steady_clock::now() < deadline) {
        PostMessageA(window, kMakeTimer, 0, 0);
        TEvent e;
        ASSERT_EQ(mgr->Translate(&e), 1);
        if (e.type == evTick) ++ticks;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    mgr->SetTimer(0);
    EXPECT_GE(ticks, 20);
    EXPECT_GE(timersMade.load(), 50);

    mgr.reset();
    DestroyWindow(window);
}

} // namespace
