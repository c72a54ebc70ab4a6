// The multimedia timer on real time: a timer destroyed while its handler
// runs on the timer thread waits for it, so the handler's target can go right
// after. Built for the thread and address sanitizers; bounds are generous and
// no timing is asserted.
#include "foundation/TMMTimer.h"
#include "foundation/TRef.h"

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

struct SelfDeleting {
    TMMTimer* timer = nullptr;
    std::atomic<int> calls{0};
    std::atomic<bool> deleted{false};
};

void DeleteOwnTimer(void* target, uintptr_t) {
    auto* s = static_cast<SelfDeleting*>(target);
    ++s->calls;
    delete s->timer;
    s->deleted = true;
}

// On the timer thread itself: the delete returns, the thread goes on firing
// other timers, and the freed timer is never called again.
TEST(MMTimerThreads, DestroyingFromItsOwnHandlerOnTheTimerThread) {
    platform::ClockUseVirtual(false);
    for (int round = 0; round < 10; ++round) {
        SelfDeleting s;
        s.timer = new TMMTimer;
        Target witness;
        TMMTimer after;
        ASSERT_EQ(s.timer->Start(1, 0, 0, &s, &DeleteOwnTimer), 1);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!s.deleted && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        ASSERT_TRUE(s.deleted);
        ASSERT_EQ(after.Start(1, 0, 1, &witness, &Count), 1);
        while (witness.calls < 2 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        EXPECT_GE(witness.calls.load(), 2); // the timer thread still runs
        after.Start(0, 0, 0, nullptr, nullptr);
        EXPECT_EQ(s.calls, 1);
    }
}

// A named target that, from one timer's handler, deletes that timer and then
// itself, while a second timer still aims at it: the second finds it gone and
// calls nothing.
struct Doomed : TNamedObj {
    TMMTimer* own = nullptr;
    std::atomic<int>* calls = nullptr;
    // Set once both timers aim at it: a handler that came earlier would
    // delete it under the test's hands.
    std::atomic<bool> armed{false};
};

void DeleteTimerAndSelf(void* target, uintptr_t) {
    auto* d = static_cast<Doomed*>(target);
    if (!d->armed) return;
    ++*d->calls;
    delete d->own;
    delete d;
}

TEST(MMTimerThreads, ATargetThatDeletesItsTimerAndItself) {
    platform::ClockUseVirtual(false);
    for (int round = 0; round < 10; ++round) {
        std::atomic<int> calls{0};
        auto* doomed = new Doomed;
        doomed->calls = &calls;
        doomed->own = new TMMTimer;
        const TRef<Doomed> ref(doomed);
        TMMTimer other;
        ASSERT_EQ(other.Start(1, 0, 0, doomed, &DeleteTimerAndSelf), 1);
        ASSERT_EQ(doomed->own->Start(1, 0, 0, doomed, &DeleteTimerAndSelf), 1);
        doomed->armed = true;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (ref.Get() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        ASSERT_EQ(ref.Get(), nullptr);
        // Several more periods of the surviving timer.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_TRUE(other.Running());
        EXPECT_EQ(calls.load(), 1);
    }
}

} // namespace
