// How the display reaches the parts built above it: the running application,
// the sound device and the cursor device fill this one table when they
// exist. Every entry may be null; an empty table means no application runs.
#pragma once

#include "foundation/TEvent.h"

#include <cstdint>

class TDispDev;
struct GdlDeviceContext;

struct TDispHooks {
    // True while an application object exists and is enabled.
    bool (*appRunning)() = nullptr;
    // Hands an activation event (19 or 20) to the application's handler.
    void (*appActivation)(TEvent* event) = nullptr;
    // The sound device's focus state: 1 lost, 2 gained.
    void (*soundFocus)(int32_t state) = nullptr;
    // The cursor device: set the Windows cursor; draw the software cursor into
    // a context about to be shown (taking its lock) and restore what was
    // under it (releasing it).
    void (*cursorSetWinCursor)() = nullptr;
    void (*cursorDrawDIB)(GdlDeviceContext* dc) = nullptr;
    void (*cursorRestore)(GdlDeviceContext* dc) = nullptr;
    // The cursor lock, held while the display rebuilds its contexts, so the
    // cursor thread never draws into one being freed.
    void (*cursorLock)() = nullptr;
    void (*cursorUnlock)() = nullptr;
    // The display's contexts changed: the cursor device copies what its
    // thread needs of them (called with the cursor lock held).
    void (*cursorDisplayChanged)(TDispDev* display) = nullptr;
};

TDispHooks& DisplayHooks();

// Holds the cursor lock for a scope of the display's; on leaving, hands the
// cursor device the display's contexts as they are now, then lets go.
class TCursorHold {
public:
    explicit TCursorHold(TDispDev* display);
    ~TCursorHold();
    TCursorHold(const TCursorHold&) = delete;
    TCursorHold& operator=(const TCursorHold&) = delete;

private:
    TDispDev* display_;
};
