// How the display reaches the parts built above it: the running application,
// the sound device and the cursor device fill this one table when they
// exist. Every entry may be null; an empty table means no application runs.
#pragma once

#include "foundation/TEvent.h"

#include <cstdint>

struct TDispHooks {
    // True while an application object exists and is enabled.
    bool (*appRunning)() = nullptr;
    // Hands an activation event (19 or 20) to the application's handler.
    void (*appActivation)(TEvent* event) = nullptr;
    // The sound device's focus state: 1 lost, 2 gained.
    void (*soundFocus)(int32_t state) = nullptr;
    // The cursor device: set the Windows cursor; draw the software cursor into
    // the frame (taking its lock) and restore what was under it (releasing it).
    void (*cursorSetWinCursor)() = nullptr;
    void (*cursorDrawDIB)() = nullptr;
    void (*cursorRestore)() = nullptr;
};

TDispHooks& DisplayHooks();
