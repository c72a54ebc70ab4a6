#include "platform/Clock.h"
#include "platform/MMSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Fired {
    DWORD_PTR user;
    uint32_t at;
    std::thread::id thread;
};
std::vector<Fired> fired;

void CALLBACK Record(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    fired.push_back(Fired{user, platform::ClockNow(), std::this_thread::get_id()});
}

class VirtualTimers : public ::testing::Test {
protected:
    void SetUp() override {
        fired.clear();
        platform::ClockUseVirtual(true, 0);
    }
    void TearDown() override { platform::ClockUseVirtual(false); }
};

TEST_F(VirtualTimers, FireInDueOrderOnTheAdvancingThread) {
    UINT a = timeSetEvent(10, 0, Record, 1, TIME_PERIODIC);
    UINT b = timeSetEvent(25, 0, Record, 2, TIME_ONESHOT);
    UINT c = timeSetEvent(15, 1, Record, 3, TIME_PERIODIC);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    ASSERT_NE(c, 0u);
    platform::ClockAdvance(50);
    std::vector<std::pair<DWORD_PTR, uint32_t>> got;
    for (const Fired& f : fired) {
        got.push_back({f.user, f.at});
        EXPECT_EQ(f.thread, std::this_thread::get_id());
    }
    using P = std::pair<DWORD_PTR, uint32_t>;
    EXPECT_EQ(got, (std::vector<P>{P{1, 10}, P{3, 15}, P{1, 20}, P{2, 25}, P{1, 30}, P{3, 30},
                                   P{1, 40}, P{3, 45}, P{1, 50}}));
    EXPECT_EQ(platform::ClockNow(), 50u);
    EXPECT_EQ(timeKillEvent(a), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeKillEvent(b), static_cast<MMRESULT>(MMSYSERR_INVALPARAM)); // one-shot is gone
    EXPECT_EQ(timeKillEvent(c), static_cast<MMRESULT>(TIMERR_NOERROR));
    fired.clear();
    platform::ClockAdvance(100);
    EXPECT_TRUE(fired.empty());
}

UINT selfId = 0;
int selfCalls = 0;
void CALLBACK KillsItself(UINT id, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (++selfCalls == 3) {
        EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
    }
}

TEST_F(VirtualTimers, KillFromInsideItsOwnCallback) {
    selfCalls = 0;
    selfId = timeSetEvent(7, 0, KillsItself, 0, TIME_PERIODIC);
    platform::ClockAdvance(100);
    EXPECT_EQ(selfCalls, 3);
    EXPECT_EQ(timeKillEvent(selfId), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
}

TEST_F(VirtualTimers, RefusesANullCallbackOrNoDelay) {
    EXPECT_EQ(timeSetEvent(10, 0, nullptr, 0, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(0, 0, Record, 0, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeKillEvent(0), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
}

// --- real time: generous bounds, never exact timings -------------------------
// Each check holds however slow the machine is: waits run to a 20-second
// deadline, and "no more calls" is checked against a marker timer, not a pause.

std::atomic<int> realCalls{0};
std::atomic<int> inside{0};
std::atomic<bool> overlapped{false};
void CALLBACK Count(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (inside.fetch_add(1) != 0) overlapped = true;
    ++realCalls;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    inside.fetch_sub(1);
}

bool WaitFor(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

// Waits until a one-shot timer set now has run. The timer thread runs the
// earliest due callback first, so by then a shorter periodic timer still
// alive would have run again: its silence up to here means it is gone.
std::atomic<bool> markerRan{false};
bool PassMarker(UINT delay) {
    markerRan = false;
    UINT id = timeSetEvent(
        delay, 0, [](UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) { markerRan = true; }, 0,
        TIME_ONESHOT);
    return id != 0 && WaitFor([] { return markerRan.load(); });
}

TEST(RealTimers, PeriodicTimersRunSerialisedOnTheTimerThread) {
    platform::ClockUseVirtual(false);
    realCalls = 0;
    UINT a = timeSetEvent(5, 0, Count, 0, TIME_PERIODIC);
    UINT b = timeSetEvent(3, 0, Count, 0, TIME_PERIODIC);
    ASSERT_TRUE(WaitFor([] { return realCalls >= 10; }));
    timeKillEvent(a);
    timeKillEvent(b);
    int after = realCalls;
    ASSERT_TRUE(PassMarker(20));
    EXPECT_LE(realCalls - after, 1); // at most the one already running
    EXPECT_FALSE(overlapped);
}

std::mutex callerLock;
std::atomic<bool> entered{false};
std::atomic<bool> finished{false};
void CALLBACK WaitsForCaller(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    entered = true;
    std::lock_guard<std::mutex> lock(callerLock);
    finished = true;
}

TEST(RealTimers, KillWhileTheCallbackWaitsOnTheCallersLockDoesNotDeadlock) {
    platform::ClockUseVirtual(false);
    entered = finished = false;
    UINT id;
    {
        std::lock_guard<std::mutex> lock(callerLock);
        id = timeSetEvent(2, 0, WaitsForCaller, 0, TIME_PERIODIC);
        ASSERT_TRUE(WaitFor([] { return entered.load(); }));
        EXPECT_EQ(timeKillEvent(id), static_cast<MMRESULT>(TIMERR_NOERROR));
    }
    ASSERT_TRUE(WaitFor([] { return finished.load(); }));
    entered = false;
    ASSERT_TRUE(PassMarker(10));
    EXPECT_FALSE(entered); // killed: no further callback
}

} // namespace
