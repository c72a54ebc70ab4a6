// A periodic multimedia timer calling a handler on a target object, the
// Windows-family test that picks it or a window timer, and the engine clock.
#pragma once

#include "foundation/TObject.h"
#include "platform/Kernel.h"
#include "platform/MMSystem.h"

#include <cstdint>

class TMMTimer : public TObject {
public:
    using Handler = void (*)(void* target, uintptr_t userWord);

    TMMTimer();
    ~TMMTimer() override;
    TMMTimer(const TMMTimer&) = delete;
    TMMTimer& operator=(const TMMTimer&) = delete;

    // Stops a running timer; an interval of 0 leaves it stopped (result 0).
    // 1 when the new timer runs.
    int Start(uint32_t interval, uint32_t resolution, uintptr_t userWord, void* target,
              Handler handler);
    bool Running() const { return timerId_ != 0; }
    uint32_t Interval() const { return interval_; }

private:
    static void CALLBACK OnTimer(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR, DWORD_PTR);
    void Kill();

    CRITICAL_SECTION lock_;
    Handler handler_ = nullptr;
    void* target_ = nullptr;
    uintptr_t userWord_ = 0;
    uint32_t interval_ = 0;
    uint32_t resolution_ = 0;
    UINT timerId_ = 0;
    // Callbacks past the registry check, not yet done; under the registry lock.
    int32_t inFlight_ = 0;
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
