// Library state shared between start-up, contexts and the drawing code.
#pragma once

#include "gdl/dc.h"
#include "gdl/driver.h"

namespace gdl_internal {

// Restores the floating-point environment saved at start-up (after every
// context creation).
void restoreFpuState();
// Display-context bookkeeping that start-up and mode changes rely on.
void destroyAllContexts();
// The first display context of a mode runs its driver's init with the type
// of the driver that serves the mode, which may differ from the highest type
// detection found.
void setSelectedDriverType(int32_t type);
// Driver header of the memory contexts of a depth (table entries 0..5).
const GdlDriverHeader* memoryDriverHeader(int32_t bits);
// The common start-up (once until GDL_exit), for the windowed start-up.
bool runCommonStartup(const char* directory);
// The Windows layer's part of GDL_exit: leave full screen, forget callbacks.
void windowsLayerExit();
// DirectDraw's part of it: the surfaces, the object and the module go.
void directDrawExit();
// The full-screen support library bound, its handler installed; and let go.
void startFsDirectPart();
void fsDirectExit();

} // namespace gdl_internal
