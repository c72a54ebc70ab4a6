// The library's mode numbering: sizes, depths and display names of modes 0..85.
#include <cstdio>

#include "gdl/driver.h"
#include "library_state.h"

namespace {

struct Size {
    int16_t width, height;
};

const Size kSizes16[6] = {{320, 200}, {640, 200}, {640, 350}, {640, 400}, {640, 480}, {800, 600}};
const Size kSizesVgaX[5] = {{320, 200}, {320, 240}, {320, 400}, {320, 480}, {320, 200}};
const Size kSizesRun[15] = {{320, 200},  {320, 240},  {320, 400},  {320, 480},   {400, 300},
                            {512, 384},  {640, 350},  {640, 400},  {640, 480},   {800, 600},
                            {1024, 768}, {1152, 864}, {1280, 960}, {1280, 1024}, {1600, 1200}};
const int32_t kRunBits[5] = {8, 15, 16, 24, 32};
const char* const kRunNames[5] = {"SVGA 256 color", "SVGA 32k color", "SVGA 64k color",
                                  "SVGA 16m color", "SVGA 4G color"};

} // namespace

bool GDL_modeResolution(int32_t mode, int32_t* width, int32_t* height, int32_t* bits) {
    Size s;
    int32_t b;
    if (mode < 0 || mode > 85) return false;
    if (mode <= 5) {
        s = kSizes16[mode];
        b = 4;
    } else if (mode <= 10) {
        s = kSizesVgaX[mode - 6];
        b = 8;
    } else {
        s = kSizesRun[(mode - 11) % 15];
        b = kRunBits[(mode - 11) / 15];
    }
    if (width) *width = s.width;
    if (height) *height = s.height;
    if (bits) *bits = b;
    return true;
}

const char* GDL_modeName(int32_t mode) {
    char(&name)[64] = gdl_internal::state().startup.modeName;
    int32_t w, h, bits;
    if (!GDL_modeResolution(mode, &w, &h, &bits)) return "Invalid graphics mode";
    const char* family;
    if (mode <= 4)
        family = "VGA 16 color";
    else if (mode == 5)
        family = "SVGA 16 color";
    else if (mode <= 9)
        family = "VGAX 256 color";
    else if (mode == 10)
        family = "VGA 256 color";
    else
        family = kRunNames[(mode - 11) / 15];
    std::snprintf(name, sizeof(name), "%d x %d %s", int(w), int(h), family);
    return name;
}

const char* GDL_driverTypeName(int32_t type) {
    static const char* const kNames[12] = {"NONE",
                                           "VGA",
                                           "Fullscreen DIBSection",
                                           "VESA VBE SuperVGA",
                                           "Unaccelerated SuperVGA",
                                           "Accelerated SuperVGA",
                                           "Unaccelerated DirectDraw",
                                           "Accelerated DirectDraw",
                                           "3D Accelerated DirectDraw",
                                           "Hardware OpenGL (Microsoft ICD/MCD)",
                                           "GDL hardware OpenGL mini-driver",
                                           "GDL hardware OpenGL driver"};
    if (type < 0 || type > 11) return "NONE";
    return kNames[type];
}
