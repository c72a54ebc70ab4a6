// A non-visual component that turns the engine's tick events into firings at
// its own interval: while enabled it adds each tick's elapsed milliseconds and
// fires once for every interval that has passed, catching up after a late
// tick. A firing whose handlers take the timer out of use (disable it,
// detach it, queue it for deletion) is its last in that tick; a disabled
// timer keeps the count it has left.
#pragma once

#include "foundation/TComp.h"

class TTimer : public TComp {
public:
    TTimer() = default;

    bool HandleEvent(TObject* sender, TEvent* event) override;
    // Called at each firing with the tick event; then the timer's own
    // handlers for ticks run.
    virtual void OnTimer(TEvent* event);

    // A changed interval restarts the count; the same one changes nothing.
    void SetInterval(float ms);
    float GetInterval() const { return interval_; }
    float GetElapsed() const { return elapsed_; }

private:
    void CatchUp(TEvent* event, float step, bool attached);
    // One firing; false when its handlers took the timer out of use.
    bool Fire(TEvent* event, bool attached);
    // Enabled, still attached when it was (`attached`), not waiting for
    // deletion.
    bool InUse(bool attached) const;

    float interval_ = 1000.0f;
    float elapsed_ = 0.0f;
};
