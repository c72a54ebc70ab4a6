// Multimedia timers. Every callback runs with the callback lock held, on the
// one timer thread (real time) or on the thread advancing the clock (virtual
// time), so callbacks never overlap. The timer list has its own lock, which is
// never held during a callback: killing a timer never waits for one.
#include "../host/SessionParts.h"
#include "../kernel/OutOfMemory.h"
#include "platform/Session.h"
#include "platform/Clock.h"
#include "platform/MMSystem.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct MMTimer {
    UINT id;
    UINT period;
    bool periodic;
    LPTIMECALLBACK callback;
    DWORD_PTR user;
    uint32_t due;
};

class TimerService {
public:
    static TimerService& Get() {
        static TimerService service;
        return service;
    }

    ~TimerService() { StopThread(); }

    // Joins the thread; a callback on its way finishes first. The thread
    // that calls it must not hold the callback lock on the timer thread's
    // behalf (a callback never stops the thread).
    void StopThread() {
        std::thread running;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++generation_; // the running loop ends; a new one starts afresh
            running = std::move(thread_);
        }
        wake_.notify_all();
        if (running.joinable()) running.join();
    }

    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        timers_.clear();
    }

    UINT Add(UINT delay, LPTIMECALLBACK callback, DWORD_PTR user, bool periodic) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!thread_.joinable()) {
            platform::ClockSetAdvanceHook(&TimerService::AdvanceHook);
            thread_ = std::thread([this, g = generation_] { Run(g); });
        }
        UINT id = nextId_++;
        if (nextId_ == 0) nextId_ = 1;
        timers_.push_back(
            MMTimer{id, delay, periodic, callback, user, platform::ClockNow() + delay});
        wake_.notify_all();
        return id;
    }

    bool Kill(UINT id) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = timers_.begin(); it != timers_.end(); ++it)
            if (it->id == id) {
                timers_.erase(it);
                return true;
            }
        return false;
    }

private:
    // Takes the earliest timer due at or before `limit` and schedules its
    // next firing. Call with the list lock held.
    bool TakeDue(uint32_t limit, MMTimer* out, bool realTime) {
        MMTimer* best = nullptr;
        for (MMTimer& t : timers_)
            if (!best || static_cast<int32_t>(t.due - best->due) < 0) best = &t;
        if (!best || static_cast<int32_t>(best->due - limit) > 0) return false;
        *out = *best;
        if (!best->periodic) {
            timers_.erase(timers_.begin() + (best - timers_.data()));
            return true;
        }
        best->due += best->period;
        // A real timer that fell far behind skips the lost periods instead of
        // firing them in a burst.
        if (realTime &&
            static_cast<int32_t>(limit - best->due) > static_cast<int32_t>(best->period))
            best->due = limit + best->period;
        return true;
    }

    void Fire(const MMTimer& t) {
        std::lock_guard<std::recursive_mutex> lock(callbackMutex_);
        t.callback(t.id, 0, t.user, 0, 0);
    }

    void Run(uint64_t generation) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (generation_ == generation) {
            if (platform::ClockIsVirtual()) {
                // Virtual time fires on the advancing thread; look again later
                // in case the clock goes back to real time.
                wake_.wait_for(lock, std::chrono::milliseconds(20));
                continue;
            }
            if (timers_.empty()) {
                wake_.wait_for(lock, std::chrono::milliseconds(100));
                continue;
            }
            uint32_t now = platform::ClockNow();
            MMTimer t;
            if (!TakeDue(now, &t, true)) {
                uint32_t next = timers_.front().due;
                for (const MMTimer& x : timers_)
                    if (static_cast<int32_t>(x.due - next) < 0) next = x.due;
                int32_t wait = static_cast<int32_t>(next - now);
                wake_.wait_for(lock, std::chrono::milliseconds(wait > 0 ? wait : 1));
                continue;
            }
            lock.unlock();
            Fire(t);
            lock.lock();
        }
    }

    static void AdvanceHook(uint32_t target) {
        TimerService& s = Get();
        for (;;) {
            MMTimer t;
            {
                std::lock_guard<std::mutex> lock(s.mutex_);
                if (!s.TakeDue(target, &t, false)) break;
            }
            if (static_cast<int32_t>(t.due - platform::ClockNow()) > 0)
                platform::ClockSetVirtualNow(t.due);
            s.Fire(t);
        }
        platform::ClockSetVirtualNow(target);
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<MMTimer> timers_;
    UINT nextId_ = 1;
    uint64_t generation_ = 0;
    std::thread thread_;
    std::recursive_mutex callbackMutex_; // a callback may advance the clock itself
};

} // namespace

MMRESULT timeSetEvent(UINT delay, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    return platform::OrOutOfMemory<MMRESULT>(0, [&]() -> MMRESULT {
        if (!callback || delay == 0) return 0;
        return TimerService::Get().Add(delay, callback, user, (flags & TIME_PERIODIC) != 0);
    });
}

MMRESULT timeKillEvent(UINT timerId) {
    return TimerService::Get().Kill(timerId) ? TIMERR_NOERROR : MMSYSERR_INVALPARAM;
}

namespace platform {

void StopTimerThread() {
    TimerService::Get().StopThread();
}

void ResetTimers() {
    TimerService::Get().Clear();
    TimerService::Get().StopThread();
}

} // namespace platform
