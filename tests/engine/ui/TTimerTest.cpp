// The timer component's counting of tick events.
#include "ui/TTimer.h"

#include <gtest/gtest.h>

namespace {

struct Counting : TTimer {
    int fired = 0;
    void OnTimer(TEvent*) override { ++fired; }
};

void Tick(TTimer& t, int ms) {
    TEvent e;
    e.SetType(evTick);
    e.data[0] = ms;
    EXPECT_FALSE(t.HandleEvent(nullptr, &e));
}

TEST(Timer, FiresWhenTheSumPassesTheInterval) {
    Counting t;
    for (int i = 0; i < 18; ++i)
        Tick(t, 55);
    EXPECT_EQ(t.fired, 0);
    Tick(t, 55);
    EXPECT_EQ(t.fired, 1);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 45.0f);
}

TEST(Timer, EqualityWaitsAndLateTicksCatchUp) {
    Counting t;
    Tick(t, 1000);
    EXPECT_EQ(t.fired, 0);
    Tick(t, 2500);
    EXPECT_EQ(t.fired, 3);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 500.0f);
    t.SetInterval(1000.0f); // unchanged: keeps the count
    EXPECT_FLOAT_EQ(t.GetElapsed(), 500.0f);
    t.SetInterval(0.0f);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 0.0f);
    Tick(t, 5);
    EXPECT_EQ(t.fired, 8);
}

TEST(Timer, DisabledTimersStandStill) {
    Counting t;
    t.SetFlags(TComp::kEnabled, false);
    Tick(t, 5000);
    EXPECT_EQ(t.fired, 0);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 0.0f);
}

} // namespace
