#include "foundation/TMMTimer.h"

#include "platform/Module.h"

#include <atomic>
#include <set>

namespace {

// Set while any timer's handler runs; a tick arriving meanwhile (a handler
// that waits on the clock lets the next one fire on the same thread) is
// skipped, not queued.
uint32_t callbackRunning = 0;

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
        Held own(lock_);
        Kill();
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
    Held registry(Timers().lock);
    auto* self = reinterpret_cast<TMMTimer*>(user);
    if (!Timers().live.count(self)) return;
    Held own(self->lock_);
    if (self->timerId_ != id || callbackRunning) return;
    callbackRunning = 1;
    if (self->handler_ && self->target_) self->handler_(self->target_, self->userWord_);
    callbackRunning = 0;
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
