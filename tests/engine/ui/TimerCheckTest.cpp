// The timer component checked for its handlers, its other events and ticks
// far beyond what a float counts in steps of its interval.
#include "foundation/TTimer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Recorder : TTimer {
    int fired = 0;
    std::vector<TObject*> senders;
    void OnTimer(TEvent*) override { ++fired; }
    static int OnTick(void* target, TObject* sender, TEvent*) {
        static_cast<Recorder*>(target)->senders.push_back(sender);
        return 1; // handled: the tick still goes on to other timers
    }
};

TEvent Tick(int32_t ms) {
    TEvent e;
    e.SetType(evTick);
    e.data[0] = ms;
    return e;
}

TEST(TimerCheck, EachFiringRunsTheTimersOwnHandlersWithTheTimerAsSender) {
    Recorder t;
    EXPECT_FLOAT_EQ(t.GetInterval(), 1000.0f);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 0.0f);
    t.Add(evTick, &t, &Recorder::OnTick, 0);
    t.SetInterval(100.0f);
    TEvent tick = Tick(350);
    EXPECT_FALSE(t.HandleEvent(nullptr, &tick)); // never consumed
    EXPECT_EQ(t.fired, 3);
    EXPECT_EQ(t.senders, (std::vector<TObject*>(3, &t)));
    EXPECT_FLOAT_EQ(t.GetElapsed(), 50.0f);
    TEvent other;
    other.SetType(evMouseMove);
    EXPECT_FALSE(t.HandleEvent(nullptr, &other));
    EXPECT_EQ(t.fired, 3);
    EXPECT_FALSE(t.HandleEvent(nullptr, nullptr));
    // Disabled, it keeps its count and resumes from it.
    t.SetFlags(TComp::kEnabled, false);
    tick = Tick(100);
    t.HandleEvent(nullptr, &tick);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 50.0f);
    t.SetFlags(TComp::kEnabled, true);
    tick = Tick(60);
    t.HandleEvent(nullptr, &tick);
    EXPECT_EQ(t.fired, 4);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 10.0f);
}

// Past 2^24 a float no longer moves by 1: a long tick (hours of a stalled
// clock) with a small interval once counted forever.
TEST(TimerCheck, ALongTickWithASmallIntervalFiresItsCountAndEnds) {
    struct Case {
        float interval;
        int32_t ms;
        int fired;
        float left;
    } cases[] = {
        {0.0f, 16777220, 16777220, 0.0f},
        {1.0f, 16777220, 16777219, 1.0f},
    };
    for (const Case& c : cases) {
        Recorder t;
        t.SetInterval(c.interval);
        TEvent tick = Tick(c.ms);
        t.HandleEvent(nullptr, &tick);
        EXPECT_EQ(t.fired, c.fired) << c.interval;
        EXPECT_FLOAT_EQ(t.GetElapsed(), c.left) << c.interval;
    }
}

} // namespace
