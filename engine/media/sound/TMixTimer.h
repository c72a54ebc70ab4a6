// The mixer's periodic timer. It runs on the engine's multimedia timer, whose
// registry makes destroying it safe against a tick already on its way; its
// own lock is held for the whole tick and orders every sound command that
// touches the voices against it (timer lock, then a processor's lock, then
// the mixer lock).
#pragma once

#include "platform/Kernel.h"

#include <atomic>
#include <cstdint>

class TMMTimer;

class TMixTimer {
public:
    using Callback = int (*)(uintptr_t argument);

    TMixTimer();
    ~TMixTimer();
    TMixTimer(const TMixTimer&) = delete;
    TMixTimer& operator=(const TMixTimer&) = delete;

    // False for period 0, no callback or a resolution above the period.
    bool Start(uint32_t period, uint32_t resolution, uintptr_t argument, Callback callback);
    void SetEnabled(bool on);
    bool IsEnabled() const { return enabled_.load(); }
    bool IsRunning() const;

    void Lock() { EnterCriticalSection(&lock_); }
    void Unlock() { LeaveCriticalSection(&lock_); }

private:
    static void Proc(void* target, uintptr_t);

    CRITICAL_SECTION lock_;
    Callback callback_ = nullptr;
    uintptr_t argument_ = 0;
    uint32_t period_ = 0;
    uint32_t resolution_ = 0;
    TMMTimer* timer_ = nullptr;
    std::atomic<bool> enabled_{false};
    std::atomic<bool> busy_{false};
};

// Holds a timer's lock for a scope; a null timer holds nothing.
class TMixTimerLock {
public:
    explicit TMixTimerLock(TMixTimer* timer) : timer_(timer) {
        if (timer_) timer_->Lock();
    }
    ~TMixTimerLock() {
        if (timer_) timer_->Unlock();
    }
    TMixTimerLock(const TMixTimerLock&) = delete;
    TMixTimerLock& operator=(const TMixTimerLock&) = delete;

private:
    TMixTimer* timer_;
};
