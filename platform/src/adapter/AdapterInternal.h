// What the faces of the simulated adapter (DirectDraw today; VGA, VBE and
// VBE/AF later) share: the chosen personality, video memory with its
// allocator and write protection, the beam and the scan-out registers.
#pragma once

#include "../window/WindowSurface.h"
#include "platform/Adapter.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace platform::adapter {

// The one lock of the adapter's state; faces take it around their own state too.
std::recursive_mutex& Lock();

// The chosen personality (null: none). The pointer stays valid until the
// next choice or the end of the session.
const AdapterPersonality* Personality();

// Video memory: blocks of `bytes` (rounded to 64) at an offset; false when
// no free run is long enough. Blocks are freed by offset.
bool AllocateVideo(uint32_t bytes, uint32_t* offset);
void FreeVideo(uint32_t offset);
uint8_t* VideoAt(uint32_t offset);
size_t VideoSize();
// Video memory back to zeros (a mode set that does not keep it).
void ClearVideo();
uint32_t VideoFree();

// Write access for the duration of a surface lock (nests across surfaces).
void OpenForWriting();
void CloseForWriting();

// Blocks until the clock's next 60 Hz tick (on virtual time the owner's
// Sleep moves the clock there).
void WaitRetrace();

// The scan-out registers. Setting them shows the result in the window.
void SetScanOut(const ScanOut& registers);
void SetScanOutStart(uint32_t start);
void SetScanOutPalette(int first, int count, const PALETTEENTRY* entries);
void DisableScanOut();
ScanOut CurrentScanOut();
// Writes the scan-out into its window (after an unlock, a flip or a
// register change), on the calling thread.
void ShowScanOut();

// Shows the scan-out again when `window` is where a VBE mode is shown.
void RefreshScanOutWindow(HWND window);

void RecordEscapeOffset(int64_t offset);

// The application was switched away: the DirectDraw face loses its surfaces
// and its exclusive window is minimised.
void NoteAppSwitchedAway();

// Face hooks, called under Lock(): a session's end, and an app switch (the
// result is the exclusive window to minimise once the lock is let go).
void DirectDrawReset();
// The full-screen support library's state: its window, selectors, callbacks.
void FsDirectReset();
HWND DirectDrawAppSwitchedAway();

} // namespace platform::adapter

namespace platform {
// The host's display settings are the adapter's while one is chosen (false:
// none chosen, `modes` untouched).
bool AdapterDisplayModes(std::vector<DisplayMode>* modes);
} // namespace platform
