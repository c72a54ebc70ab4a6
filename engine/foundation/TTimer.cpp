#include "foundation/TTimer.h"

bool TTimer::HandleEvent(TObject* sender, TEvent* event) {
    if (!event) return TComp::HandleEvent(sender, event);
    if (event->type != evTick) return DefaultHandler(sender, event);
    if (!(flags_ & kEnabled)) return false;
    elapsed_ += static_cast<float>(event->data[0]);
    const float step = interval_ <= 1.0f ? 1.0f : interval_;
    while (elapsed_ > interval_) {
        const float next = elapsed_ - step;
        if (next == elapsed_) {
            // A float this large no longer moves by the step (a tick of hours
            // with a small interval): the rest is counted in double.
            CatchUp(event, step);
            break;
        }
        elapsed_ = next;
        Fire(event);
    }
    return false;
}

void TTimer::CatchUp(TEvent* event, float step) {
    double elapsed = elapsed_;
    while (elapsed > interval_) {
        elapsed -= step;
        Fire(event);
    }
    elapsed_ = static_cast<float>(elapsed);
}

void TTimer::Fire(TEvent* event) {
    OnTimer(event);
    Dispatch(this, event);
}

void TTimer::OnTimer(TEvent*) {}

void TTimer::SetInterval(float ms) {
    if (ms == interval_) return;
    interval_ = ms;
    elapsed_ = 0.0f;
}
