// A small per-pixel driver for tests: memory surfaces at 4 to 32 bits with the
// four write modes, the render core's generic routines in every table, and a
// display flavour that detects two modes. Counters let tests see which
// entries ran. Pixels are read back straight from the surface, independently
// of the library's own get-pixel path.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/memory.h"
#include "gdl/render.h"
#include "gdl/result.h"

namespace testdrv {

struct Counters {
    int spans = 0;
    int trapezoids = 0;
    int destroys = 0;
    int restores = 0;
    int detects = 0;
};
inline Counters& counters() {
    static Counters c;
    return c;
}

inline int32_t storedBits(int32_t bits) {
    return bits == 15 ? 16 : bits;
}

// Pixel x of a row takes `bits` bits from bit x * bits on: below 8 bits
// counted from the most significant bit of each byte (the leftmost pixel
// high), from 8 bits up whole little-endian bytes (15-bit pixels in 16-bit
// cells).
inline uint32_t readPixel(const GdlDeviceContext* dc, int32_t x, int32_t y) {
    const uint8_t* row = dc->surface + int64_t(y) * dc->mode.bytesPerLine;
    const int32_t bits = storedBits(int32_t(dc->mode.bitsPerPixel));
    const int64_t first = int64_t(x) * bits;
    if (bits < 8) return (row[first / 8] >> (8 - bits - first % 8)) & ((1u << bits) - 1);
    uint32_t v = 0;
    for (int32_t k = bits / 8 - 1; k >= 0; --k)
        v = v << 8 | row[first / 8 + k];
    return v;
}

inline void writePixel(GdlDeviceContext* dc, int32_t x, int32_t y, uint32_t v) {
    uint8_t* row = dc->surface + int64_t(y) * dc->mode.bytesPerLine;
    const int32_t bits = storedBits(int32_t(dc->mode.bitsPerPixel));
    const int64_t first = int64_t(x) * bits;
    if (bits < 8) {
        const int32_t shift = int32_t(8 - bits - first % 8);
        const uint32_t mask = ((1u << bits) - 1) << shift;
        row[first / 8] = uint8_t((row[first / 8] & ~mask) | ((v << shift) & mask));
        return;
    }
    for (int32_t k = 0; k < bits / 8; ++k)
        row[first / 8 + k] = uint8_t(v >> (8 * k));
}

inline uint32_t combine(uint32_t old, uint32_t v, int32_t mode) {
    switch (mode) {
        case 1: return old & v;
        case 2: return old | v;
        case 3: return old ^ v;
        default: return v;
    }
}

// Writes out of the surface are a driver fault the tests must see.
inline int& offSurfaceWrites() {
    static int n = 0;
    return n;
}

inline void putPixel(int32_t x, int32_t y) {
    GdlDeviceContext* dc = &GDL_stateBlock;
    if (x < 0 || y < 0 || x > int32_t(dc->mode.maxX) || y > int32_t(dc->mode.maxY)) {
        ++offSurfaceWrites();
        return;
    }
    writePixel(dc, x, y, combine(readPixel(dc, x, y), dc->packedColor, dc->attr.writeMode));
}

inline uint32_t getPixel(int32_t x, int32_t y) {
    return readPixel(&GDL_stateBlock, x, y);
}

// Colour-map mode: the packed colour is 0x00RRGGBB, written as its halftone index.
inline void putDithered(int32_t x, int32_t y) {
    GdlDeviceContext* dc = &GDL_stateBlock;
    uint32_t c = dc->packedColor;
    uint32_t saved = c;
    dc->packedColor = GDL_halftoneIndex((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, x, y);
    putPixel(x, y);
    dc->packedColor = saved;
}

inline void countingSpan(int32_t y, int32_t x1, int32_t x2) {
    ++counters().spans;
    DRV_scanLine(y, x1, x2);
}

inline void countingTrapezoid(GdlEdgeWalker* w) {
    ++counters().trapezoids;
    DRV_trapezoid(w);
}

inline void putRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, const void* src,
                   int32_t srcX, int32_t op) {
    GdlDeviceContext tmp = *dc;
    tmp.surface = const_cast<uint8_t*>(static_cast<const uint8_t*>(src));
    tmp.mode.bytesPerLine = 0;
    for (int32_t x = x1; x < x2; ++x) {
        if (x < 0 || y < 0 || x > int32_t(dc->mode.maxX) || y > int32_t(dc->mode.maxY)) {
            ++offSurfaceWrites();
            continue;
        }
        uint32_t v = readPixel(&tmp, srcX + (x - x1), 0);
        writePixel(dc, x, y, combine(readPixel(dc, x, y), v, op));
    }
}

struct State : GdlDriverState {};

inline State*& familyState() {
    static State* s = nullptr;
    return s;
}

inline void destroy(GdlDeviceContext* dc) {
    ++counters().destroys;
    GDL_destroyDIBSurface(dc);
    GdlDriverState* st = dc->driverState;
    if (st && --st->refCount == 0) {
        if (st == familyState()) familyState() = nullptr;
        GDL_free(st);
    }
    dc->driverState = nullptr;
}

inline void restoreDesktop() {
    ++counters().restores;
}

inline void installVectors(GdlDeviceContext* dc) {
    DRV_setGenericRenderers(dc);
    dc->v.getPixel = getPixel;
    dc->v.putPixel = putPixel;
    dc->v.putDitheredPixel = putDithered;
    dc->v.putRow = putRow;
    DRV_setRenderSlot1(dc, countingSpan);
    DRV_setRenderSlot4(dc, countingTrapezoid);
    dc->v.tables[8].span = DRV_scanLine;
}

inline uint32_t maxColorOf(int32_t bits) {
    return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
}

// Memory contexts keep the size the library stored; display contexts copy the
// mode's record.
inline GdlModeRecord displayRecord(int32_t mode) {
    GdlModeRecord r{};
    int32_t w = 0, h = 0, bits = 0;
    GDL_modeResolution(mode, &w, &h, &bits);
    r.maxX = uint32_t(w - 1);
    r.maxY = uint32_t(h - 1);
    r.bitsPerPixel = uint32_t(bits);
    r.planes = 1;
    r.maxColor = maxColorOf(bits);
    r.aspectRatio = 1000;
    if (bits == 32) {
        r.redSize = r.greenSize = r.blueSize = 8;
        r.redPosition = 16;
        r.greenPosition = 8;
    }
    return r;
}

inline int32_t init(GdlDeviceContext* dc, int32_t, int32_t mode, HWND, int32_t, int32_t, int32_t,
                    int32_t, int32_t) {
    if (dc->type != GDL_DC_MEMORY) {
        dc->mode = displayRecord(mode);
        dc->type = GDL_DC_FULLSCREEN;
        if (dc->mode.bitsPerPixel == 32) DRV_derivePixelFormat(dc);
    } else {
        int32_t bits = int32_t(dc->mode.bitsPerPixel);
        dc->mode.maxColor = maxColorOf(bits);
        if (bits > 8 && dc->format.redMask == 0) {
            const GdlPixelFormat* f = bits == 15   ? &GDL_pixelFormat555
                                      : bits == 16 ? &GDL_pixelFormat565
                                      : bits == 24 ? &GDL_pixelFormatRGB
                                                   : &GDL_pixelFormatARGB;
            dc->format = *f;
        }
    }
    if (!dc->surface && !GDL_createDIBSurface(dc)) return 0;
    if (dc->surface && dc->mode.bytesPerLine == 0) {
        int64_t bits = storedBits(int32_t(dc->mode.bitsPerPixel));
        dc->mode.bytesPerLine = uint32_t(((int64_t(dc->mode.maxX) + 1) * bits + 31) / 32 * 4);
    }
    if (!familyState()) {
        familyState() = static_cast<State*>(GDL_calloc(1, sizeof(State)));
        if (!familyState()) return 0;
        familyState()->destroy = destroy;
        familyState()->restore = restoreDesktop;
    }
    dc->driverState = familyState();
    familyState()->refCount++;
    dc->flags |= 2; // linear access
    dc->packedDriver = 1;
    installVectors(dc);
    return 1;
}

inline int32_t detect(int32_t index, int32_t wanted, int32_t* driver, int32_t* suggested,
                      GDLModeEntry* table) {
    ++counters().detects;
    if (wanted < 1) return 0;
    for (int32_t mode : {11, 71})
        table[mode] = {uint8_t(index), 1, 0};
    if (*driver < 1) *driver = 1;
    if (*suggested == -1) *suggested = 71;
    return 1;
}

inline GdlDriverHeader makeHeader(const char* file, uint8_t type, bool detects) {
    GdlDriverHeader h{};
    std::memcpy(h.signature, "RedeDuduv Driver:", 18);
    std::strncpy(h.fileName, file, sizeof(h.fileName) - 1);
    std::strncpy(h.driverName, file, sizeof(h.driverName) - 1);
    std::strncpy(h.banner, "Test driver\r\n", sizeof(h.banner) - 1);
    h.majorVersion = 2;
    h.minorVersion = 0;
    h.driverType = type;
    h.detect = detects ? detect : nullptr;
    h.init = init;
    return h;
}

// Registers the test driver as every memory driver.
inline void registerMemoryDrivers() {
    static GdlDriverHeader headers[6] = {
        makeHeader("PACK1.DRV", 0, false),  makeHeader("PACK4.DRV", 0, false),
        makeHeader("PACK8.DRV", 0, false),  makeHeader("PACK16.DRV", 0, false),
        makeHeader("PACK24.DRV", 0, false), makeHeader("PACK32.DRV", 0, false),
    };
    static const int32_t bits[6] = {1, 4, 8, 16, 24, 32};
    for (int i = 0; i < 6; ++i)
        GDL_setMemoryDriverHeader(bits[i], &headers[i]);
    GDL_registerAllMemDrivers();
}

// A library started afresh, with the test driver as every memory driver and
// the counters cleared.
inline void restartWithMemoryDrivers() {
    GDL_exit();
    GDL_unregisterAllDrivers();
    registerMemoryDrivers();
    offSurfaceWrites() = 0;
    counters() = {};
}

// The display flavour, registered as the VGA8 driver (type 1).
inline const GdlDriverHeader& displayHeader() {
    static GdlDriverHeader h = makeHeader("VGA8.DRV", 1, true);
    return h;
}

} // namespace testdrv
