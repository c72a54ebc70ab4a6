#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint32_t>* seenTargets = nullptr;

void RecordTarget(uint32_t target) {
    seenTargets->push_back(target);
    platform::ClockSetVirtualNow(target);
}

TEST(Clock, VirtualTimeMovesOnlyWhenAdvanced) {
    platform::ClockUseVirtual(true, 1000);
    EXPECT_EQ(platform::ClockNow(), 1000u);
    EXPECT_EQ(platform::ClockNow(), 1000u);
    platform::ClockAdvance(25);
    EXPECT_EQ(platform::ClockNow(), 1025u);
    platform::ClockUseVirtual(false);
    EXPECT_FALSE(platform::ClockIsVirtual());
}

TEST(Clock, AdvanceHandsTheTargetToTheTimerHook) {
    std::vector<uint32_t> targets;
    seenTargets = &targets;
    platform::ClockUseVirtual(true, 0);
    platform::ClockSetAdvanceHook(RecordTarget);
    platform::ClockAdvance(10);
    platform::ClockAdvance(5);
    platform::ClockSetAdvanceHook(nullptr);
    platform::ClockUseVirtual(false);
    EXPECT_EQ(targets, (std::vector<uint32_t>{10, 15}));
}

TEST(Clock, AdvanceIsIgnoredOnRealTime) {
    platform::ClockUseVirtual(false);
    uint32_t before = platform::ClockNow();
    platform::ClockAdvance(100000);
    EXPECT_LT(platform::ClockNow() - before, 100000u);
}

} // namespace
