// The save-under routines of a DirectDraw screen context: the library's
// software cursor saves and restores the rectangle under it through them,
// straight on the locked DirectDraw surface.
#pragma once

#include "gdl/dc.h"

#include <cstdint>

// Bytes a rectangle's save takes: the 20-byte header (left, top, right,
// bottom, row bytes) and the rows.
int32_t SaveSurfaceSize(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                        int32_t bottom);
// Below 8 bits: the depth, nothing saved; without a DirectDraw surface 0;
// else the result of the unlock (a failed lock: its result).
int32_t SaveSurfaceRect(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                        int32_t bottom, void* buffer);
int32_t RestoreSurfaceRect(GdlDeviceContext* dc, const void* buffer);
// Installs the three on a screen context.
void InstallSurfaceSaveHooks(GdlDeviceContext* dc);
