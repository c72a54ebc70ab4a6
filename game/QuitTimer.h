// The timer that ends the program a while after a script asked for it
// (Engine.QuitGame, Engine.QuitApp): disabled until armed, and its firing
// taken once per arming, since a late tick fires a timer several times in a
// row.
#pragma once

#include "foundation/TTimer.h"

class QuitTimer : public TTimer {
public:
    // The interval, disabled, attached under `parent`.
    void SetUp(float ms, TComp* parent);
    void Arm();
    // True for the first firing after Arm; the timer is disabled again.
    bool Take();
    void Stop();

private:
    bool armed_ = false;
};
