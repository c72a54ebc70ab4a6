// A tick that falls due while another timer's handler runs is skipped, not
// queued: callbacks are serialised, so only a handler that lets virtual time
// move on (Sleep on the clock's owner thread) can make one fall due.
#include "foundation/TMMTimer.h"

#include "platform/Clock.h"
#include "platform/Kernel.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Log {
    std::vector<uint32_t> slow, fast;
};

void Slow(void* target, uintptr_t) {
    auto* log = static_cast<Log*>(target);
    log->slow.push_back(platform::ClockNow());
    Sleep(15); // the other timer falls due meanwhile
}

void Fast(void* target, uintptr_t) {
    static_cast<Log*>(target)->fast.push_back(platform::ClockNow());
}

TEST(TMMTimerSkip, TicksDueWhileAnotherHandlerRunsAreDropped) {
    platform::ClockUseVirtual(true, 1000);
    Log log;
    {
        TMMTimer slow, fast;
        ASSERT_EQ(slow.Start(100, 0, 0, &log, &Slow), 1);
        ASSERT_EQ(fast.Start(10, 0, 0, &log, &Fast), 1);
        platform::ClockAdvance(99);
        ASSERT_EQ(log.fast.size(), 9u);
        platform::ClockAdvance(30);
        ASSERT_EQ(log.slow, (std::vector<uint32_t>{1100}));
        // The slow timer was started first and runs first at 1100; the fast
        // ticks of 1100 and 1110 fall inside its handler and are dropped.
        EXPECT_EQ(log.fast, (std::vector<uint32_t>{1010, 1020, 1030, 1040, 1050, 1060, 1070, 1080,
                                                   1090, 1120}));
    }
    platform::ClockUseVirtual(false);
}

} // namespace
