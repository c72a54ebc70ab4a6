// Windows-side entries of memory surfaces: their Windows device context and
// the palette realisation of surfaces of 8 bits and fewer.
#include <cstring>
#include <initializer_list>

#include "gdl/dc.h"
#include "gdl/render.h"
#include "library_state.h"
#include "platform/Gdi.h"

void GDL_setNoStaticColors(bool on) {
    gdl_internal::state().noStaticColors = on;
}

// The section made with the surface carries its own memory DC; a surface of
// plain memory has none, and GDI cannot reach it.
HDC DRV_getMemDC(GdlDeviceContext* dc) {
    return dc ? dc->winDC : nullptr;
}

void DRV_deleteMemDC(GdlDeviceContext* dc) {
    if (!dc || !dc->winDC || !(dc->winFlags & GDL_WIN_OWN_DC)) return;
    if (dc->winFlags & GDL_WIN_OWN_BITMAP) return; // it goes with the surface
    DeleteDC(dc->winDC);
    dc->winDC = nullptr;
    dc->winFlags &= ~uint32_t(GDL_WIN_OWN_DC);
}

void DRV_realizePalette(GdlDeviceContext* dc, const GdlPaletteEntry* palette, int32_t count,
                        int32_t first, int32_t) {
    if (!dc || !palette || !dc->palette || first < 0 || count <= 0 || first >= 256) return;
    if (count > 256 - first) count = 256 - first;
    // The whole palette comes in: entries first.. of it go to the same places.
    if (palette != dc->palette)
        std::memmove(dc->palette + first, palette + first, size_t(count) * sizeof(GdlPaletteEntry));
    RGBQUAD colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = {dc->palette[i].blue, dc->palette[i].green, dc->palette[i].red, 0};
    // On a palette screen Windows keeps its static colours at both ends.
    HDC screen = GetDC(nullptr);
    if (screen) {
        if (GetDeviceCaps(screen, BITSPIXEL) <= 8) {
            if (gdl_internal::state().noStaticColors ||
                GetSystemPaletteUse(screen) != SYSPAL_STATIC) {
                colors[0] = {0, 0, 0, 0};
                colors[255] = {255, 255, 255, 0};
            } else {
                PALETTEENTRY system[256];
                if (GetSystemPaletteEntries(screen, 0, 256, system) == 256) {
                    for (int i : {0,   1,   2,   3,   4,   5,   6,   7,   8,   9,
                                  246, 247, 248, 249, 250, 251, 252, 253, 254, 255})
                        colors[i] = {system[i].peBlue, system[i].peGreen, system[i].peRed, 0};
                }
            }
        }
        ReleaseDC(nullptr, screen);
    }
    if (dc->winDC && dc->bitmap && dc->mode.bitsPerPixel <= 8) {
        uint32_t entries = 1u << dc->mode.bitsPerPixel;
        SetDIBColorTable(dc->winDC, 0, entries, colors);
    }
}
