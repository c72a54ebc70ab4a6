#include "media/sound/TMixTimer.h"

#include "foundation/TMMTimer.h"

TMixTimer::TMixTimer() {
    InitializeCriticalSection(&lock_);
}

TMixTimer::~TMixTimer() {
    // The multimedia timer waits for a tick on its way before it goes, so no
    // tick can find the lock deleted below.
    delete timer_;
    timer_ = nullptr;
    DeleteCriticalSection(&lock_);
}

bool TMixTimer::Start(uint32_t period, uint32_t resolution, uintptr_t argument, Callback callback) {
    if (period == 0 || !callback || resolution > period) return false;
    if (!timer_) timer_ = new TMMTimer;
    if (!timer_) return false;
    Lock();
    period_ = period;
    resolution_ = resolution;
    callback_ = callback;
    argument_ = argument;
    Unlock();
    return timer_->Start(period, resolution, 0, this, &TMixTimer::Proc) != 0;
}

bool TMixTimer::IsRunning() const {
    return timer_ && timer_->Running();
}

void TMixTimer::Proc(void* target, uintptr_t) {
    auto* self = static_cast<TMixTimer*>(target);
    if (self->busy_.load()) return;
    self->Lock();
    self->busy_ = true;
    if (self->enabled_.load() && self->callback_) self->callback_(self->argument_);
    self->busy_ = false;
    self->Unlock();
}

void TMixTimer::SetEnabled(bool on) {
    if (enabled_.load() == on) return;
    Lock();
    enabled_ = on;
    Unlock();
}
