// A periodic multimedia timer calling a handler on a target object, the
// Windows-family test that picks it or a window timer, and the engine clock.
#pragma once

#include "foundation/TNamedObj.h"
#include "foundation/TObject.h"
#include "platform/Kernel.h"
#include "platform/MMSystem.h"

#include <concepts>
#include <cstdint>
#include <set>

// The timers that may still be called. A callback looks its timer up here
// under this lock, so a timer being destroyed is either waited for or never
// called: killing a timer does not wait for a callback already on its way.
// The engine (ui/TEngine.h) keeps it, and stops the timer thread before it
// lets it go.
struct TTimerRegistry {
    TTimerRegistry() { InitializeCriticalSection(&lock); }
    ~TTimerRegistry() { DeleteCriticalSection(&lock); }
    TTimerRegistry(const TTimerRegistry&) = delete;
    TTimerRegistry& operator=(const TTimerRegistry&) = delete;

    CRITICAL_SECTION lock;
    std::set<const void*> live;
};

class TMMTimer : public TObject {
public:
    using Handler = void (*)(void* target, uintptr_t userWord);

    TMMTimer();
    ~TMMTimer() override;
    TMMTimer(const TMMTimer&) = delete;
    TMMTimer& operator=(const TMMTimer&) = delete;

    // Stops a running timer; an interval of 0 leaves it stopped (result 0).
    // 1 when the new timer runs.
    // The target is called as given: it must outlive the timer or stop it.
    int Start(uint32_t interval, uint32_t resolution, uintptr_t userWord, void* target,
              Handler handler) {
        return StartChecked(interval, resolution, userWord, target, 0, handler);
    }
    // A named target is checked at every tick: once it is gone the timer
    // calls nothing.
    template <class T>
    requires std::derived_from<T, TNamedObj>
    int Start(uint32_t interval, uint32_t resolution, uintptr_t userWord, T* target,
              Handler handler) {
        return StartChecked(interval, resolution, userWord, target, target ? target->Serial() : 0,
                            handler);
    }
    bool Running() const { return core_ && core_->timerId != 0; }
    uint32_t Interval() const { return interval_; }

private:
    // What a callback touches. It lives apart from the timer, so a timer
    // destroyed from its own handler can go at once: the callback still on
    // the stack frees this record when the handler returns.
    struct Core {
        CRITICAL_SECTION lock; // guards the timer id and the handler
        Handler handler = nullptr;
        void* target = nullptr;
        uint64_t targetSerial = 0; // 0: the target is not checked
        uintptr_t userWord = 0;
        UINT timerId = 0;
        // Callbacks past the registry check, not yet done; under the registry lock.
        int32_t inFlight = 0;
        bool orphaned = false; // the timer went from inside its handler
    };

    int StartChecked(uint32_t interval, uint32_t resolution, uintptr_t userWord, void* target,
                     uint64_t targetSerial, Handler handler);
    static void CALLBACK OnTimer(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR, DWORD_PTR);
    static void Kill(Core& core);
    static void OutOfMemory(); // error 9

    Core* core_;
    uint32_t interval_ = 0;
    uint32_t resolution_ = 0;
};

// 3 on the NT family, 2 on Windows 95 and later, 1 on 16-bit Windows with
// the 32-bit extension; from GetVersion, or from a given version word.
int GetWindowsKind();
int WindowsKindOf(DWORD version);

// The engine clock: a millisecond stopwatch on timeGetTime.
void HiTimer_init();
uint32_t HiTimer_start();
uint32_t HiTimer_lap();
uint32_t HiTimer_stop();
double HiTimer_resolution();
