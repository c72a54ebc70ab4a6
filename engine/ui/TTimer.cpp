#include "ui/TTimer.h"

bool TTimer::HandleEvent(TObject* sender, TEvent* event) {
    if (!event) return TComp::HandleEvent(sender, event);
    if (event->type != evTick) return DefaultHandler(sender, event);
    if (!(flags_ & kEnabled)) return false;
    elapsed_ += static_cast<float>(event->data[0]);
    while (elapsed_ > interval_) {
        elapsed_ -= interval_ <= 1.0f ? 1.0f : interval_;
        OnTimer(event);
        Dispatch(this, event);
    }
    return false;
}

void TTimer::OnTimer(TEvent*) {}

void TTimer::SetInterval(float ms) {
    if (ms == interval_) return;
    interval_ = ms;
    elapsed_ = 0.0f;
}
