#include "foundation/TTimer.h"

#include "foundation/TDeleteQueue.h"

bool TTimer::HandleEvent(TObject* sender, TEvent* event) {
    if (!event) return TComp::HandleEvent(sender, event);
    if (event->type != evTick) return DefaultHandler(sender, event);
    if (!(flags_ & kEnabled)) return false;
    // A handler may run a loop of its own whose steps drain the deletion
    // queue: what it queues (this timer, its owner) outlives this call.
    TDeleteLaterHold hold;
    const bool attached = GetParent() != nullptr;
    elapsed_ += static_cast<float>(event->data[0]);
    const float step = interval_ <= 1.0f ? 1.0f : interval_;
    while (elapsed_ > interval_) {
        const float next = elapsed_ - step;
        if (next == elapsed_) {
            // A float this large no longer moves by the step (a tick of hours
            // with a small interval): the rest is counted in double.
            CatchUp(event, step, attached);
            break;
        }
        elapsed_ = next;
        if (!Fire(event, attached)) break;
    }
    return false;
}

void TTimer::CatchUp(TEvent* event, float step, bool attached) {
    double elapsed = elapsed_;
    bool inUse = true;
    while (inUse && elapsed > interval_) {
        elapsed -= step;
        inUse = Fire(event, attached);
    }
    elapsed_ = static_cast<float>(elapsed);
}

bool TTimer::Fire(TEvent* event, bool attached) {
    OnTimer(event);
    Dispatch(this, event);
    return InUse(attached);
}

bool TTimer::InUse(bool attached) const {
    return (flags_ & kEnabled) && (!attached || GetParent()) && !IsQueuedForDeletion(this);
}

void TTimer::OnTimer(TEvent*) {}

void TTimer::SetInterval(float ms) {
    if (ms == interval_) return;
    interval_ = ms;
    elapsed_ = 0.0f;
}
