#include "foundation/TMMTimer.h"

#include "foundation/TError.h"
#include "foundation/TObjectRegistry.h"
#include "foundation/TServices.h"
#include "platform/Module.h"

#include <atomic>
#include <new>

namespace {

// Set while any timer's handler runs; a tick arriving meanwhile (a handler
// that waits on the clock lets the next one fire on the same thread) is
// skipped, not queued. Callbacks are serialised by the timer layer, but on
// virtual time they may come from whichever thread advances the clock.
std::atomic<uint32_t> callbackRunning{0};

TTimerRegistry& Timers() {
    return RequireService(Services().timers, "timers' registry");
}

struct Held {
    explicit Held(CRITICAL_SECTION& l) : lock(l) { EnterCriticalSection(&lock); }
    ~Held() { LeaveCriticalSection(&lock); }
    CRITICAL_SECTION& lock;
};

// The timer whose handler runs on this thread, so that its destructor knows
// it is called from inside and must not wait for itself.
thread_local const void* handlerOf = nullptr;

std::atomic<uint32_t> hiStart{0}, hiStop{0};
std::atomic<bool> hiReady{false};

} // namespace

TMMTimer::TMMTimer() : core_(new (std::nothrow) Core) {
    if (core_) {
        InitializeCriticalSection(&core_->lock);
        Held registry(Timers().lock);
        try {
            Timers().live.insert(core_);
            return;
        } catch (const std::bad_alloc&) {
            DeleteCriticalSection(&core_->lock);
            delete core_;
            core_ = nullptr;
        }
    }
    // A timer without its record never runs: Start reports the shortage.
}

TMMTimer::~TMMTimer() {
    Core* core = core_;
    if (!core) return;
    {
        Held registry(Timers().lock);
        Timers().live.erase(core);
        if (handlerOf == core) {
            // From inside its own handler: the callback below on this stack
            // holds the lock and frees the record once the handler is back.
            Kill(*core);
            core->orphaned = true;
            return;
        }
    }
    {
        Held own(core->lock); // waits for a handler that is running
        Kill(*core);
    }
    // A call that passed the registry before the erase finds the timer
    // killed and leaves at once; it must be gone before the record is.
    for (;;) {
        {
            Held registry(Timers().lock);
            if (core->inFlight == 0) break;
        }
        Sleep(0);
    }
    DeleteCriticalSection(&core->lock);
    delete core;
}

void TMMTimer::OutOfMemory() {
    TError::Raise(9, nullptr, nullptr, "Source\\TMMTimer", 0);
}

void TMMTimer::Kill(Core& core) {
    if (core.timerId) timeKillEvent(core.timerId);
    core.timerId = 0;
}

int TMMTimer::StartChecked(uint32_t interval, uint32_t resolution, uintptr_t userWord, void* target,
                           uint64_t targetSerial, Handler handler) {
    if (!core_) {
        if (interval != 0) OutOfMemory();
        return 0;
    }
    Core& core = *core_;
    {
        Held own(core.lock);
        Kill(core);
    }
    if (interval == 0) return 0;
    Held own(core.lock);
    interval_ = interval;
    resolution_ = resolution;
    core.userWord = userWord;
    core.target = target;
    core.targetSerial = targetSerial;
    core.handler = handler;
    SetLastError(0);
    core.timerId = timeSetEvent(interval, resolution, &OnTimer, reinterpret_cast<DWORD_PTR>(&core),
                                TIME_PERIODIC);
    if (!core.timerId && GetLastError() == ERROR_NOT_ENOUGH_MEMORY) OutOfMemory();
    return core.timerId != 0;
}

void CALLBACK TMMTimer::OnTimer(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* core = reinterpret_cast<Core*>(user);
    {
        // Only marks the call as on its way: no other lock is taken under the
        // registry lock, which a window procedure inside the pump (holding
        // the event queue lock) takes to make or drop a timer, while the
        // handler below takes that queue lock.
        Held registry(Timers().lock);
        if (!Timers().live.count(core)) return;
        ++core->inFlight;
    }
    EnterCriticalSection(&core->lock);
    if (core->timerId == id && !callbackRunning) {
        callbackRunning = 1;
        const void* outer = handlerOf;
        handlerOf = core;
        const bool targetLives =
            core->target && (!core->targetSerial || TObjectRegistry::IsLive(core->targetSerial));
        if (core->handler && targetLives) core->handler(core->target, core->userWord);
        handlerOf = outer;
        callbackRunning = 0;
    }
    LeaveCriticalSection(&core->lock);
    bool orphaned;
    {
        Held registry(Timers().lock);
        --core->inFlight; // the last touch unless orphaned: the destructor may go on
        orphaned = core->orphaned && core->inFlight == 0;
    }
    if (orphaned) {
        DeleteCriticalSection(&core->lock);
        delete core;
    }
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
