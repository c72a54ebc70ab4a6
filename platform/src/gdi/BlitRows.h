// Row kernels for the copies a window's paint path makes every frame: a
// 16-bit (5:6:5 or 5:5:5), 32-bit or 8-bit indexed surface into a 32-bit
// 0x00RRGGBB one.
#pragma once

#include "GdiInternal.h"

namespace platform::gdi {

// Copies the w x h pixels at (sx, sy) of `s` to (dx, dy) of `d`, converting
// the colours exactly as ReadRow and WriteRow would. False, with nothing
// written, when the pair is not one of these layouts or the rectangle is not
// wholly inside both surfaces.
bool CopyRowsToXrgb(const Surface& s, int sx, int sy, const Surface& d, int dx, int dy, int w,
                    int h);

} // namespace platform::gdi
