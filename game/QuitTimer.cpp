#include "QuitTimer.h"

void QuitTimer::SetUp(float ms, TComp* parent) {
    SetInterval(ms);
    SetFlags(kEnabled, false);
    SetParent(parent);
}

void QuitTimer::Arm() {
    armed_ = true;
    SetFlags(kEnabled, true);
}

bool QuitTimer::Take() {
    const bool armed = armed_;
    Stop();
    return armed;
}

void QuitTimer::Stop() {
    armed_ = false;
    SetFlags(kEnabled, false);
}
