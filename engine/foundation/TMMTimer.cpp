#include "foundation/TMMTimer.h"

#include "platform/Module.h"

#include <atomic>
#include <set>

namespace {

// Set while any timer's handler runs; a tick arriving meanwhile (a handler
// that waits on the clock lets the next one fire on the same thread) is
// skipped, not queued. Callbacks are serialised by the timer layer, but on
// virtual time they may come from whichever thread advances the clock.
std::atomic<uint32_t> callbackRunning{0};

// The timers that may still be called. A callback looks its timer up here
// under this lock, so a timer being destroyed is either waited for or never
// called: killing a timer does not wait for a callback already on its way.
struct Registry {
    Registry() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    std::set<const void*> live;
};

Registry& Timers() {
    static Registry* registry = new Registry; // outlives every timer
    return *registry;
}

struct Held {
    explicit Held(CRITICAL_SECTION& l) : lock(l) { EnterCriticalSection(&lock); }
    ~Held() { LeaveCriticalSection(&lock); }
    CRITICAL_SECTION& lock;
};

std::atomic<uint32_t> hiStart{0}, hiStop{0};
std::atomic<bool> hiReady{false};

} // namespace

TMMTimer::TMMTimer() {
    InitializeCriticalSection(&lock_);
    Held registry(Timers().lock);
    Timers().live.insert(this);
}

TMMTimer::~TMMTimer() {
    {
        Held registry(Timers().lock);
        Timers().live.erase(this);
    }
    {
        Held own(lock_); // waits for a handler that is running
        Kill();
    }
    // A call that passed the registry before the erase finds the timer
    // killed and leaves at once; it must be gone before the memory is.
    for (;;) {
        {
            Held registry(Timers().lock);
            if (inFlight_ == 0) break;
        }
        Sleep(0);
    }
    DeleteCriticalSection(&lock_);
}

void TMMTimer::Kill() {
    if (timerId_) timeKillEvent(timerId_);
    timerId_ = 0;
}

int TMMTimer::Start(uint32_t interval, uint32_t resolution, uintptr_t userWord, void* target,
                    Handler handler) {
    {
        Held own(lock_);
        Kill();
    }
    if (interval == 0) return 0;
    Held own(lock_);
    interval_ = interval;
    resolution_ = resolution;
    userWord_ = userWord;
    target_ = target;
    handler_ = handler;
    timerId_ = timeSetEvent(interval, resolution, &OnTimer, reinterpret_cast<DWORD_PTR>(this),
                            TIME_PERIODIC);
    return timerId_ != 0;
}

void CALLBACK TMMTimer::OnTimer(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* self = reinterpret_cast<TMMTimer*>(user);
    {
        // Only marks the call as on its way: no other lock is taken under the
        // registry lock, which a window procedure inside the pump (holding
        // the event queue lock) takes to make or drop a timer, while the
        // handler below takes that queue lock.
        Held registry(Timers().lock);
        if (!Timers().live.count(self)) return;
        ++self->inFlight_;
    }
    {
        Held own(self->lock_);
        if (self->timerId_ == id && !callbackRunning) {
            callbackRunning = 1;
            if (self->handler_ && self->target_) self->handler_(self->target_, self->userWord_);
            callbackRunning = 0;
        }
    }
    Held registry(Timers().lock);
    --self->inFlight_; // the last touch: the destructor may go on from here
}

int WindowsKindOf(DWORD version) {
    if (!(version & 0x80000000u)) return 3;
    uint32_t major = version & 0xFF, minor = (version >> 8) & 0xFF;
    return major >= 4 || minor >= 95 ? 2 : 1;
}

int GetWindowsKind() {
    return WindowsKindOf(GetVersion());
}

void HiTimer_init() {
    // Nothing to prepare: timeGetTime already counts milliseconds.
    hiReady = true;
}

uint32_t HiTimer_start() {
    hiStart = timeGetTime();
    return hiStart;
}

uint32_t HiTimer_lap() {
    return timeGetTime() - hiStart.load();
}

uint32_t HiTimer_stop() {
    hiStop = timeGetTime();
    return hiStop;
}

double HiTimer_resolution() {
    return 0.001;
}
