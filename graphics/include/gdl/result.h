// The library's one result code: 0 success, negative codes for failures. Every
// failing operation stores its code and returns false or null; most operations
// clear it on entry. Callers read it with GDL_lastResult, which also clears it.
#pragma once

#include <cstdint>

enum GdlResultCode : int32_t {
    GDL_OK = 0,
    GDL_NOT_INSTALLED = -1,
    GDL_NOT_DETECTED = -2,
    GDL_DRIVER_NOT_FOUND = -3,
    GDL_DRIVER_CORRUPTED = -4,
    GDL_NO_DRIVER_MEMORY = -5,
    GDL_INVALID_MODE = -6,
    GDL_INVALID_DRIVER = -7,
    GDL_GENERAL_ERROR = -8,
    GDL_INVALID_DRIVER_NAME = -9,
    GDL_NO_MEMORY = -10,
    GDL_MODE_NOT_SUPPORTED = -11,
    GDL_INVALID_FONT = -12,
    GDL_FONT_CORRUPTED = -13,
    GDL_FONT_NOT_FOUND = -14,
    GDL_INVALID_VERSION = -15,
    GDL_INVALID_DEVICE_TYPE = -16,
    GDL_INVALID_DC = -17,
    GDL_INVALID_CURSOR = -18,
    GDL_CURSOR_NOT_FOUND = -19,
    GDL_INVALID_ICON = -20,
    GDL_ICON_NOT_FOUND = -21,
    GDL_INVALID_BITMAP = -22,
    GDL_BITMAP_NOT_FOUND = -23,
    GDL_INVALID_ERROR = -24,
    GDL_ZBUFFER_TOO_LARGE = -25,
    GDL_WIN2X_FONTS_ONLY = -26,
    GDL_NO_END_REGION = -27,
    GDL_NO_DOUBLE_BUFFER = -28,
    GDL_NO_HW_BITBLT = -29,
    GDL_NO_OFFSCREEN_MEMORY = -30,
    GDL_INVALID_PIXEL_FORMAT = -31,
};

// Returns the current result code and clears it.
int32_t GDL_lastResult();
// Reads the code without clearing it (for the library's own checks and tests).
int32_t GDL_peekResult();
// Stores a code; readers and drivers report through it.
void GDL_setResult(int32_t code);
// Text of a code; "NONE" for any code above 0 or below -31.
const char* GDL_errorText(int32_t code);
