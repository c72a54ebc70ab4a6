// The library-wide result code and its texts.
#include "gdl/thread.h"
#include "gdl/result.h"

namespace {

int32_t g_result = GDL_OK;

// Indexed by -code.
const char* const kResultTexts[] = {
    "No error",
    "Graphics driver has not been installed",
    "Graphics hardware not detected",
    "Couldn't find graphics driver",
    "Graphics driver file corrupted",
    "Not enough memory to load graphics driver",
    "Invalid mode for selected driver",
    "Invalid driver number",
    "General graphics error",
    "Invalid graphics driver name",
    "Not enough memory to perform operation",
    "Selected graphics mode not supported",
    "Invalid font data",
    "Font file corrupted",
    "Couldn't find font file",
    "Incorrect version for driver file",
    "Invalid device type for operation",
    "Invalid device context",
    "Invalid cursor file",
    "Cursor file was not found",
    "Invalid icon file",
    "Icon file was not found",
    "Invalid bitmap file",
    "Bitmap file was not found",
    "Invalid error number",
    "Zbuffer allocation is too large",
    "Only Windows 2.x font files supported",
    "GDL_endRegion() was not called",
    "Double buffering is not available",
    "OffscreenDC's require hardware bitBlt support",
    "No available Offscreen display memory",
    "Invalid pixel format for memory DC",
};
static_assert(sizeof(kResultTexts) / sizeof(kResultTexts[0]) == 32, "codes 0..-31");

} // namespace

int32_t GDL_lastResult() {
    GDL_checkThread("GDL_lastResult");
    int32_t code = g_result;
    g_result = GDL_OK;
    return code;
}

int32_t GDL_peekResult() {
    return g_result;
}

void GDL_setResult(int32_t code) {
    g_result = code;
}

const char* GDL_errorText(int32_t code) {
    if (code > 0 || code < GDL_INVALID_PIXEL_FORMAT) return "NONE";
    return kResultTexts[-code];
}
