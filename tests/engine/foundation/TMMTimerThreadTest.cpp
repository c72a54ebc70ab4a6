// The multimedia timer on real time: a timer destroyed while its handler
// runs on the timer thread waits for it, so the handler's target can go right
// after. Built for the thread and address sanitizers; bounds are generous and
// no timing is asserted.
#include "foundation/TMMTimer.h"

#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct Target {
    std::atomic<int> calls{0};
    int written = 0; // plain on purpose: only the timer's lock orders it
};

void Count(void* target, uintptr_t userWord) {
    auto* t = static_cast<Target*>(target);
    t->written += static_cast<int>(userWord);
    ++t->calls;
    std::this_thread::sleep_for(std::chrono::microseconds(300)); // widen the window
}

TEST(MMTimerThreads, DestroyingATimerWaitsForItsRunningHandler) {
    platform::ClockUseVirtual(false);
    for (int round = 0; round < 30; ++round) {
        auto* target = new Target;
        auto* timer = new TMMTimer;
        ASSERT_EQ(timer->Start(1, 0, 1, target, &Count), 1);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (target->calls < 2 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        ASSERT_GE(target->calls.load(), 2);
        // Restarting from this thread meets the handler too.
        ASSERT_EQ(timer->Start(1, 0, 1, target, &Count), 1);
        delete timer;
        int calls = target->calls;
        EXPECT_EQ(target->written, calls); // every handler finished before the delete returned
        delete target;
    }
}

} // namespace
