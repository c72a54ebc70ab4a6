// The palette table of a context: 256 words, each blue, green, red, 0 below
// 256 colours and the packed pixel of the colour above; its realisation and
// the remapping of an 8-bit surface to a new palette.
#include <algorithm>
#include <cstring>

#include "gdl/blit.h"
#include "gdl/driver.h"
#include "gdl/pixelformat.h"
#include "library_state.h"

namespace {

bool indexed(const GdlDeviceContext* d) {
    return d->mode.maxColor < 256;
}

// The entry of `index` for the context: the colour itself or its pixel.
GdlPaletteEntry tableWord(const GdlDeviceContext* d, uint8_t red, uint8_t green, uint8_t blue) {
    if (indexed(d)) return {blue, green, red, 0};
    uint32_t pixel = GDL_packColor(&d->format, red, green, blue);
    GdlPaletteEntry e;
    std::memcpy(&e, &pixel, 4);
    return e;
}

// Clamps (count, first) to the 256 table words.
bool range(int32_t& count, int32_t& first) {
    if (first < 0) count += first, first = 0;
    count = std::min(count, 256 - first);
    return count > 0;
}

} // namespace

void GDL_setPaletteEntry(GdlDeviceContext* dc, int32_t index, uint8_t red, uint8_t green,
                         uint8_t blue) {
    GDL_checkThread(__func__);
    if (!dc || index < 0 || index > 255) return;
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (d->palette) d->palette[index] = tableWord(d, red, green, blue);
}

void GDL_setPalette(GdlDeviceContext* dc, const GdlPaletteEntry* entries, int32_t count,
                    int32_t first) {
    GDL_checkThread(__func__);
    if (!dc || !entries || !range(count, first)) return;
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (!d->palette) return;
    for (int32_t i = first; i < first + count; ++i)
        d->palette[i] = tableWord(d, entries[i].red, entries[i].green, entries[i].blue);
}

void GDL_getPalette(GdlDeviceContext* dc, GdlPaletteEntry* entries, int32_t count, int32_t first) {
    GDL_checkThread(__func__);
    if (!dc || !entries || !range(count, first)) return;
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (!d->palette) return;
    for (int32_t i = first; i < first + count; ++i) {
        if (indexed(d)) {
            entries[i] = d->palette[i];
            continue;
        }
        uint32_t pixel;
        std::memcpy(&pixel, &d->palette[i], 4);
        GdlPaletteEntry e{0, 0, 0, 0};
        GDL_unpackColor(&d->format, pixel, &e.red, &e.green, &e.blue);
        entries[i] = e;
    }
}

int32_t GDL_getPaletteSize(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    if (!dc) return 0;
    return int32_t(std::min<uint32_t>(GDL_liveDC(dc)->mode.maxColor, 255) + 1);
}

void GDL_getDefaultPalette(GdlDeviceContext* dc, GdlPaletteEntry* entries) {
    GDL_checkThread(__func__);
    if (!dc || !entries) return;
    GdlDeviceContext* d = GDL_liveDC(dc);
    const GdlPaletteEntry* table = d->v.defaultPalette();
    if (table) std::memcpy(entries, table, size_t(GDL_getPaletteSize(dc)) * 4);
}

void GDL_realizePalette(GdlDeviceContext* dc, int32_t count, int32_t first, int32_t wait) {
    GDL_checkThread(__func__);
    if (!dc) return;
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (!indexed(d) || !d->palette || !range(count, first)) return;
    d->v.realizePalette(d, d->palette, count, first, wait);
}

void GDL_mapToPalette(GdlDeviceContext* dc, const GdlPaletteEntry* entries) {
    GDL_checkThread(__func__);
    if (!dc || !entries) return;
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (!(d->flags & 3) || d->mode.bitsPerPixel != 8 || !d->palette)
        GDL_fatalError("GDL_mapToPalette() only works on 8 bit linear access DC's");
    GdlPaletteEntry old[256];
    std::memcpy(old, d->palette, sizeof(old));
    for (int32_t i = 0; i < 256; ++i)
        d->palette[i] = {entries[i].blue, entries[i].green, entries[i].red, 0};
    d->v.realizePalette(d, d->palette, 256, 0, 0);
    // Every pixel keeps its colour as nearly as the new palette allows.
    uint8_t map[256];
    for (int32_t i = 0; i < 256; ++i)
        map[i] = uint8_t(
            GDL_nearestPaletteIndex(d->palette, 256, old[i].red, old[i].green, old[i].blue));
    const int32_t width = d->bounds.right, height = d->bounds.bottom;
    d->v.beginAccess();
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = d->surface + int64_t(y) * int32_t(d->mode.bytesPerLine);
        for (int32_t x = 0; x < width; ++x)
            row[x] = map[row[x]];
    }
    d->v.endAccess();
}
