// Cursor and icon images, drawn by the program itself and compiled in.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct CursorImage {
    int width = 32;
    int height = 32;
    int hotX = 0;
    int hotY = 0;
    std::vector<uint32_t> argb; // 0xAARRGGBB, top row first; alpha 0 is transparent
    int systemId = 0;           // IDC_* number of a system cursor, 0 for the program's own
    std::string name;
};

// The program's named cursors (CURARROW, CURHAND, CUREXIT, CURCLOCK,
// CURNOENTRY, CUREXITARROW) and its icon ICOAPPLIC; false for another name.
// Names compare without regard to case.
bool DrawProgramImage(const std::string& upperName, CursorImage* out);
// A picture for a system cursor (IDC_* number) or icon (IDI_*).
bool DrawSystemCursor(int id, CursorImage* out);
bool DrawSystemIcon(int id, CursorImage* out);

// Applies the cursor shape and visibility to the host; on the host thread
// now, else at its next pump.
void ApplyCursorToHost();

// The image behind an icon or cursor handle; null for an unknown one.
const CursorImage* IconImage(HICON icon);

// No cursor set and none shown; the host is told at its next pump.
void ResetCursorState();

} // namespace platform
