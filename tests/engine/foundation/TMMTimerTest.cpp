// The periodic timer and the engine clock on virtual time.
#include "foundation/TMMTimer.h"

#include "platform/Clock.h"
#include "platform/Module.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Counter {
    std::vector<uint32_t> at;
    TMMTimer* other = nullptr; // started from inside the handler
    TMMTimer* self = nullptr;
};

void Count(void* target, uintptr_t userWord) {
    auto* c = static_cast<Counter*>(target);
    c->at.push_back(platform::ClockNow() + static_cast<uint32_t>(userWord));
    if (c->self) c->self->Start(0, 0, 0, nullptr, nullptr); // stops itself
}

class TMMTimerTest : public ::testing::Test {
protected:
    void SetUp() override { platform::ClockUseVirtual(true, 5000); }
    void TearDown() override { platform::ClockUseVirtual(false); }
};

TEST_F(TMMTimerTest, PeriodicUntilStoppedWithIntervalZero) {
    Counter c;
    TMMTimer timer;
    ASSERT_EQ(timer.Start(10, 0, 0, &c, &Count), 1);
    platform::ClockAdvance(35);
    EXPECT_EQ(c.at, (std::vector<uint32_t>{5010, 5020, 5030}));
    EXPECT_EQ(timer.Start(0, 0, 0, &c, &Count), 0);
    EXPECT_FALSE(timer.Running());
    platform::ClockAdvance(50);
    EXPECT_EQ(c.at.size(), 3u);
}

TEST_F(TMMTimerTest, RestartReplacesTheOldPeriod) {
    Counter c;
    TMMTimer timer;
    timer.Start(10, 0, 0, &c, &Count);
    timer.Start(25, 0, 1000, &c, &Count); // the user word reaches the handler
    platform::ClockAdvance(50);
    EXPECT_EQ(c.at, (std::vector<uint32_t>{6025, 6050}));
}

TEST_F(TMMTimerTest, StoppingFromItsOwnHandlerDoesNotDeadlock) {
    Counter c;
    TMMTimer timer;
    c.self = &timer;
    timer.Start(5, 0, 0, &c, &Count);
    platform::ClockAdvance(20);
    EXPECT_EQ(c.at.size(), 1u);
}

// The owner of a timer may drop it from the timer's own handler (a sound that
// ends itself): the call returns, and nothing of the timer is touched after.
struct SelfDeleting {
    TMMTimer* timer = new TMMTimer;
    int calls = 0;
};

void DeleteOwnTimer(void* target, uintptr_t) {
    auto* s = static_cast<SelfDeleting*>(target);
    ++s->calls;
    delete s->timer;
    s->timer = nullptr;
}

TEST_F(TMMTimerTest, DestroyingFromItsOwnHandlerReturns) {
    SelfDeleting s;
    ASSERT_EQ(s.timer->Start(5, 0, 0, &s, &DeleteOwnTimer), 1);
    TMMTimer other; // a neighbour keeps running
    Counter c;
    ASSERT_EQ(other.Start(7, 0, 0, &c, &Count), 1);
    platform::ClockAdvance(30);
    EXPECT_EQ(s.calls, 1);
    EXPECT_EQ(s.timer, nullptr);
    EXPECT_EQ(c.at.size(), 4u);
}

TEST_F(TMMTimerTest, DestroyedTimerIsNeverCalled) {
    Counter c;
    {
        TMMTimer timer;
        timer.Start(5, 0, 0, &c, &Count);
    }
    platform::ClockAdvance(20);
    EXPECT_TRUE(c.at.empty());
}

TEST_F(TMMTimerTest, WindowsKinds) {
    EXPECT_EQ(WindowsKindOf(platform::kVersionWin32s), 1); // 3.10
    EXPECT_EQ(WindowsKindOf(0x80005F03u), 2);              // 3.95
    EXPECT_EQ(WindowsKindOf(platform::kVersionWindows95), 2);
    EXPECT_EQ(WindowsKindOf(platform::kVersionWindowsNT4), 3);
    EXPECT_EQ(WindowsKindOf(0x00000003u), 3); // any NT
}

TEST_F(TMMTimerTest, EngineClockCountsMilliseconds) {
    HiTimer_init();
    HiTimer_init();
    EXPECT_EQ(HiTimer_start(), 5000u);
    platform::ClockAdvance(1234);
    EXPECT_EQ(HiTimer_lap(), 1234u);
    EXPECT_EQ(HiTimer_stop(), 6234u);
    EXPECT_DOUBLE_EQ(HiTimer_resolution(), 0.001);
}

} // namespace
