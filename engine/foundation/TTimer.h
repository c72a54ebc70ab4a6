// A non-visual component that turns the engine's tick events into firings at
// its own interval: while enabled it adds each tick's elapsed milliseconds and
// fires once for every interval that has passed, catching up after a late
// tick.
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
    void CatchUp(TEvent* event, float step);
    void Fire(TEvent* event);

    float interval_ = 1000.0f;
    float elapsed_ = 0.0f;
};
