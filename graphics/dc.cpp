// Device contexts: creation, destruction, their four lists, and the current
// context with its state block.
#include <cstring>

#include "gdl/dc.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/memory.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/support.h"
#include "platform/Gdi.h"
#include "library_state.h"
#include "startup_internal.h"

namespace {

enum Kind { kDisplay = 0, kOffscreen = 1, kWindowed = 2, kMemory = 3, kKinds = 4 };

gdl_internal::ContextState& contexts() {
    return gdl_internal::state().contexts;
}

int kindOfType(int32_t type) {
    switch (type) {
        case GDL_DC_FULLSCREEN:
        case GDL_DC_FULLSCREEN_DIB:
        case GDL_DC_OPENGL:
        case GDL_DC_OPENGL_DRIVER: return kDisplay;
        case GDL_DC_OFFSCREEN:
        case GDL_DC_OFFSCREEN_ACCEL: return kOffscreen;
        case GDL_DC_WINDOWED: return kWindowed;
        case GDL_DC_MEMORY: return kMemory;
        default: return -1;
    }
}

GdlDeviceContext* newRecord() {
    return static_cast<GdlDeviceContext*>(GDL_listNewNode(sizeof(GdlDeviceContext)));
}

bool ensureList(int kind) {
    if (!contexts().lists[kind]) contexts().lists[kind] = GDL_listCreate();
    return contexts().lists[kind] != nullptr;
}

void freeListIfEmpty(int kind) {
    if (contexts().lists[kind] && contexts().lists[kind]->count == 0) {
        GDL_listDestroy(contexts().lists[kind], nullptr);
        contexts().lists[kind] = nullptr;
    }
}

void append(int kind, GdlDeviceContext* dc) {
    GdlList* list = contexts().lists[kind];
    void* last = list->head;
    for (void* n = GDL_listFirst(list); n; n = GDL_listNext(list, n))
        last = n;
    GDL_listInsertAfter(list, dc, last);
}

void releaseDriver(GdlDeviceContext* dc) {
    if (dc->driverState && dc->driverState->destroy) dc->driverState->destroy(dc);
}

bool destroyOfKind(GdlDeviceContext* dc, int kind) {
    if (!dc) return true;
    if (dc == contexts().current) GDL_selectCurrentDC(nullptr);
    GdlList* list = contexts().lists[kind];
    void* previous = list ? GDL_listFindPrevious(list, dc) : nullptr;
    if (!previous) {
        GDL_setResult(GDL_INVALID_DC);
        return false;
    }
    bool lastDisplay = (kind == kDisplay && list->count == 1);
    GDL_listDeleteNext(list, previous);
    GDL_free(dc->palette);
    dc->palette = nullptr;
    if (lastDisplay && dc->driverState && dc->driverState->restore) dc->driverState->restore();
    releaseDriver(dc);
    // A Windows DC the library made for a caller's bitmap goes with the context.
    if ((dc->winFlags & GDL_WIN_OWN_DC) && !(dc->winFlags & GDL_WIN_OWN_BITMAP) && dc->winDC)
        DeleteDC(dc->winDC);
    GDL_listFreeNode(dc);
    freeListIfEmpty(kind);
    return true;
}

void destroyAll(int kind) {
    while (contexts().lists[kind]) {
        auto* dc = static_cast<GdlDeviceContext*>(GDL_listFirst(contexts().lists[kind]));
        if (!dc) {
            freeListIfEmpty(kind);
            break;
        }
        destroyOfKind(dc, kind);
    }
}

} // namespace

// --- Current context ---------------------------------------------------------

GdlDeviceContext* GDL_selectCurrentDC(GdlDeviceContext* dc) {
    GDL_checkThread("GDL_selectCurrentDC");
    GdlDeviceContext* previous = contexts().current;
    if (dc == contexts().current || dc == &gdl_internal::block()) return previous;
    if (contexts().current) {
        *contexts().current = gdl_internal::block();
        contexts().current = nullptr;
    }
    if (!dc) return previous;
    contexts().current = dc;
    gdl_internal::block() = *dc;
    GdlDeviceContext& s = gdl_internal::block();
    s.v.setWriteMode(s.attr.writeMode);
    s.v.setFillStyle(s.attr.fillStyle);
    uint8_t mono[8];
    std::memcpy(mono, s.attr.monoPattern, sizeof(mono));
    s.v.setMonoPattern(mono);
    uint32_t colors[64];
    std::memcpy(colors, s.attr.colorPattern, sizeof(colors));
    s.v.setColorPattern(colors);
    GdlRect clip = s.attr.clipRect;
    GDL_setClipRectCurrent(clip.left, clip.top, clip.right, clip.bottom);
    return previous;
}

GdlDeviceContext* GDL_currentDC() {
    GDL_checkThread(__func__);
    return contexts().current;
}

bool GDL_isCurrentDC(const GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    return dc && dc == contexts().current;
}

GdlDeviceContext* GDL_liveDC(GdlDeviceContext* dc, const char* entry) {
    GDL_checkThread(entry);
    return (dc && dc == contexts().current) ? &gdl_internal::block() : dc;
}

// --- Common start --------------------------------------------------------------

void GDL_setDefaultPalette(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    dc = GDL_liveDC(dc);
    if (!dc->palette) return;
    const GdlPaletteEntry* source = dc->v.defaultPalette ? dc->v.defaultPalette() : nullptr;
    if (!source) source = GDL_defaultPalette();
    std::memcpy(dc->palette, source, 256 * sizeof(GdlPaletteEntry));
}

bool GDL_initDC(GdlDeviceContext* dc, const GdlDriverHeader* header, HWND window,
                int32_t virtualWidth, int32_t virtualHeight, int32_t pages, int32_t flag,
                int32_t refresh) {
    GDL_checkThread(__func__);
    GDL_setResult(GDL_OK);
    if (!header || !header->init) {
        GDL_setResult(GDL_DRIVER_NOT_FOUND);
        return false;
    }
    dc->ownedMemory = nullptr;
    dc->flags = 0;
    DRV_setDefaultVectors(dc);
    if (!header->init(dc, GDL_selectedDriverType(), GDL_currentMode(), window, virtualWidth,
                      virtualHeight, pages, flag, refresh)) {
        // An init that attached its shared state before failing (no surface
        // to be had) leaves it to the destroy entry, like any context.
        releaseDriver(dc);
        GDL_setResult(dc->type <= GDL_DC_OPENGL_DRIVER ? GDL_MODE_NOT_SUPPORTED : GDL_NO_MEMORY);
        return false;
    }
    dc->bounds = {0, 0, int32_t(dc->mode.maxX) + 1, int32_t(dc->mode.maxY) + 1};
    dc->palette = static_cast<GdlPaletteEntry*>(GDL_calloc(256, sizeof(GdlPaletteEntry)));
    if (!dc->palette) {
        releaseDriver(dc);
        GDL_setResult(GDL_NO_MEMORY);
        return false;
    }
    if (dc->type != GDL_DC_MEMORY) {
        GDL_setDefaultPalette(dc);
        dc->v.realizePalette(dc, dc->palette, 256, 0, 0);
    }
    GDL_setDefaultAttributes(dc);
    dc->v.current = dc->v.tables[0];
    dc->renderTable = 0;
    return true;
}

// --- Display contexts ------------------------------------------------------------

GdlDeviceContext* GDL_createDisplayDC(int32_t virtualWidth, int32_t virtualHeight, int32_t pages,
                                      int32_t flag, int32_t refresh) {
    GDL_checkThread(__func__);
    GdlDeviceContext* dc = newRecord();
    if (!dc) return nullptr;
    if (contexts().lists[kDisplay] && contexts().lists[kDisplay]->count > 0) {
        // A further display context copies the first and shares its driver state.
        auto* first = static_cast<GdlDeviceContext*>(GDL_listFirst(contexts().lists[kDisplay]));
        *dc = *GDL_liveDC(first);
        dc->palette = static_cast<GdlPaletteEntry*>(GDL_calloc(256, sizeof(GdlPaletteEntry)));
        if (!dc->palette) {
            GDL_listFreeNode(dc);
            GDL_setResult(GDL_NO_MEMORY);
            return nullptr;
        }
        if (dc->driverState) dc->driverState->refCount++;
        // The copy shares the first context's surface; only the first frees
        // it. A z-buffer is each context's own, made when asked for.
        dc->flags |= GDL_FLAG_NOT_OWNED;
        dc->ownedMemory = nullptr;
        dc->winFlags &= ~uint32_t(GDL_WIN_OWN_DC | GDL_WIN_OWN_BITMAP);
        dc->flags &= ~GDL_FLAG_ZBUFFER;
        dc->zBuffer = nullptr;
        dc->zSlope = nullptr;
        dc->zDepth = dc->zWidth = 0;
        dc->bounds = {0, 0, int32_t(dc->mode.maxX) + 1, int32_t(dc->mode.maxY) + 1};
        GDL_setDefaultAttributes(dc);
        GDL_setDefaultPalette(dc);
        gdl_internal::restoreFpuState();
        append(kDisplay, dc);
        return dc;
    }
    if (!ensureList(kDisplay)) {
        GDL_listFreeNode(dc);
        return nullptr;
    }
    int32_t mode = GDL_currentMode();
    const GdlDriverHeader* header = nullptr;
    if (mode >= 0 && mode < GDL_MODE_COUNT) header = GDL_driverHeader(GDL_modeTable()[mode].driver);
    bool ok = false;
    if (!header) {
        // The mode table names no driver for the current mode: refused as a missing driver.
        GDL_setResult(GDL_DRIVER_NOT_FOUND);
    } else {
        gdl_internal::setSelectedDriverType(header->driverType);
        ok = GDL_initDC(dc, header, nullptr, virtualWidth, virtualHeight, pages, flag, refresh);
    }
    if (!ok) {
        freeListIfEmpty(kDisplay);
        GDL_listFreeNode(dc);
        return nullptr;
    }
    GDL_selectCurrentDC(dc);
    GDL_clearDevice();
    gdl_internal::restoreFpuState();
    append(kDisplay, dc);
    return dc;
}

GdlDeviceContext* GDL_createOffscreenDC(GdlDeviceContext* display) {
    GDL_checkThread(__func__);
    GdlDeviceContext* live = display ? GDL_liveDC(display) : nullptr;
    if (!live || kindOfType(live->type) != kDisplay || !live->driverState ||
        !live->driverState->createOffscreen) {
        GDL_setResult(GDL_INVALID_DEVICE_TYPE);
        return nullptr;
    }
    GdlDeviceContext* dc = newRecord();
    if (!dc) return nullptr;
    if (!ensureList(kOffscreen)) {
        GDL_listFreeNode(dc);
        return nullptr;
    }
    *dc = *live;
    dc->flags |= GDL_FLAG_NOT_OWNED; // the display's private memory is not the clone's
    dc->ownedMemory = nullptr;
    dc->winFlags &= ~uint32_t(GDL_WIN_OWN_DC | GDL_WIN_OWN_BITMAP);
    dc->shadowDC = nullptr;
    dc->flags &= ~GDL_FLAG_ZBUFFER;
    dc->zBuffer = dc->zSlope = nullptr;
    dc->zDepth = dc->zWidth = 0;
    dc->palette = static_cast<GdlPaletteEntry*>(GDL_calloc(256, sizeof(GdlPaletteEntry)));
    if (!dc->palette || !live->driverState->createOffscreen(dc)) {
        GDL_free(dc->palette);
        GDL_listFreeNode(dc);
        freeListIfEmpty(kOffscreen);
        return nullptr;
    }
    std::memcpy(dc->palette, live->palette, 256 * sizeof(GdlPaletteEntry));
    dc->driverState->refCount++;
    GDL_setDefaultAttributes(dc);
    dc->v.current = dc->v.tables[dc->renderTable];
    gdl_internal::restoreFpuState();
    append(kOffscreen, dc);
    return dc;
}

GdlDeviceContext* GDL_createDisplayDCPages(int32_t pages) {
    GDL_checkThread(__func__);
    return GDL_createDisplayDC(-1, -1, pages, 0, -1);
}

// --- Memory contexts ---------------------------------------------------------------

void GDL_setMemoryDriverHeader(int32_t bits, const GdlDriverHeader* header) {
    GDL_checkThread(__func__);
    static const int32_t kBits[6] = {1, 4, 8, 16, 24, 32};
    for (int i = 0; i < 6; ++i)
        if (kBits[i] == bits || (bits == 15 && i == 3)) contexts().memoryHeaders[i] = header;
}

void GDL_registerAllMemDrivers() {
    GDL_checkThread(__func__);
    static const char* const kNames[6] = {"PACK1.DRV",  "PACK4.DRV",  "PACK8.DRV",
                                          "PACK16.DRV", "PACK24.DRV", "PACK32.DRV"};
    for (int i = 0; i < 6; ++i)
        if (contexts().memoryHeaders[i]) GDL_registerDriver(kNames[i], contexts().memoryHeaders[i]);
}

namespace {

// The DIB layout of a context: depth, compression and masks; false for
// depths a DIB section cannot hold.
struct DibLayout {
    BITMAPINFOHEADER header;
    uint32_t masks[3];
    RGBQUAD colors[256];
};

bool dibLayoutOf(const GdlDeviceContext* dc, DibLayout* out) {
    std::memset(out, 0, sizeof(*out));
    uint32_t bits = dc->mode.bitsPerPixel == 15 ? 16 : dc->mode.bitsPerPixel;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    BITMAPINFOHEADER& h = out->header;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = LONG(dc->mode.maxX + 1);
    h.biHeight = -LONG(dc->mode.maxY + 1); // rows top first
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biCompression = BI_RGB;
    const GdlPixelFormat& f = dc->format;
    // 24 bits name their order only when red comes first (the layer's own
    // extension); the usual blue-first order is a plain DIB's.
    const bool redFirst24 = bits == 24 && f.redMask && f.redPosition == 0;
    if (((bits == 16 || bits == 32) && f.redMask) || redFirst24) {
        h.biCompression = BI_BITFIELDS;
        out->masks[0] = f.redMask << f.redPosition;
        out->masks[1] = f.greenMask << f.greenPosition;
        out->masks[2] = f.blueMask << f.bluePosition;
    } else if (bits <= 8) {
        const GdlPaletteEntry* p = GDL_defaultPalette();
        for (int i = 0; i < 256; ++i)
            out->colors[i] = {p[i].blue, p[i].green, p[i].red, 0};
    }
    return true;
}

uint32_t dibStride(const GdlDeviceContext* dc) {
    uint64_t bits = dc->mode.bitsPerPixel == 15 ? 16 : dc->mode.bitsPerPixel;
    return uint32_t(((uint64_t(dc->mode.maxX) + 1) * bits + 31) / 32 * 4);
}

bool makeDibSection(GdlDeviceContext* dc) {
    HBITMAP bitmap = nullptr;
    void* bits = nullptr;
    HDC winDC = GDL_makeDIBSectionDC(dc, &bitmap, &bits);
    if (!winDC) return false;
    dc->winDC = winDC;
    dc->bitmap = bitmap;
    dc->winFlags |= GDL_WIN_OWN_DC | GDL_WIN_OWN_BITMAP;
    dc->surface = static_cast<uint8_t*>(bits);
    dc->ownedMemory = nullptr;
    return true;
}

} // namespace

HDC GDL_makeDIBSectionDC(const GdlDeviceContext* dc, HBITMAP* bitmapOut, void** bitsOut) {
    DibLayout layout;
    if (!dibLayoutOf(dc, &layout)) return nullptr;
    // The masks or the colour table follow the header, as a BITMAPINFO has them.
    uint8_t info[sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)] = {};
    std::memcpy(info, &layout.header, sizeof(layout.header));
    if (layout.header.biCompression == BI_BITFIELDS)
        std::memcpy(info + sizeof(layout.header), layout.masks, sizeof(layout.masks));
    else
        std::memcpy(info + sizeof(layout.header), layout.colors, sizeof(layout.colors));
    HDC winDC = CreateCompatibleDC(nullptr);
    if (!winDC) return nullptr;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(winDC, reinterpret_cast<const BITMAPINFO*>(info),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits || !SelectObject(winDC, bitmap)) {
        if (bitmap) DeleteObject(bitmap);
        DeleteDC(winDC);
        return nullptr;
    }
    *bitmapOut = bitmap;
    if (bitsOut) *bitsOut = bits;
    return winDC;
}

bool GDL_createDIBSurface(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    uint32_t stride = dibStride(dc);
    if (dc->mode.bytesPerLine == 0) dc->mode.bytesPerLine = stride;
    if (dc->mode.bytesPerLine == stride && makeDibSection(dc)) return true;
    // Rows laid out otherwise, or no section to be had: plain memory.
    uint64_t size = uint64_t(dc->mode.bytesPerLine) * (uint64_t(dc->mode.maxY) + 1);
    void* memory = size <= 0x7FFFFFFF ? GDL_calloc(1, size_t(size)) : nullptr;
    if (!memory) {
        GDL_setResult(GDL_NO_MEMORY);
        return false;
    }
    dc->ownedMemory = memory;
    dc->surface = static_cast<uint8_t*>(memory);
    dc->flags &= ~GDL_FLAG_NOT_OWNED;
    return true;
}

void GDL_destroyDIBSurface(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    if (dc->winFlags & GDL_WIN_OWN_BITMAP) {
        // The DC goes first, so the section is no longer selected anywhere.
        if (dc->winDC && (dc->winFlags & GDL_WIN_OWN_DC)) DeleteDC(dc->winDC);
        DeleteObject(dc->bitmap);
        dc->winDC = nullptr;
        dc->bitmap = nullptr;
        dc->winFlags &= ~uint32_t(GDL_WIN_OWN_DC | GDL_WIN_OWN_BITMAP);
    } else {
        // ownedMemory is only ever what the context made (a shared or a
        // caller's surface leaves it null), so the not-owned flag, which a
        // z-buffer made later clears, does not decide here.
        GDL_free(dc->ownedMemory);
    }
    dc->ownedMemory = nullptr;
    dc->surface = nullptr;
}

GdlDeviceContext* GDL_createMemoryDCEx(int32_t width, int32_t height, int32_t bits,
                                       const GdlPixelFormat* format, int32_t bytesPerLine,
                                       void* surface, HBITMAP bitmap) {
    GDL_checkThread("GDL_createMemoryDCEx");
    GDL_setResult(GDL_OK);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 15 && bits != 16 && bits != 24 &&
        bits != 32) {
        GDL_setResult(GDL_INVALID_MODE);
        return nullptr;
    }
    // Sizes beyond what 16-bit span lists and 32-bit offsets can address are refused.
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767 || bytesPerLine < 0) {
        GDL_setResult(GDL_INVALID_MODE);
        return nullptr;
    }
    GdlDeviceContext* dc = newRecord();
    if (!dc) return nullptr;
    if (!ensureList(kMemory)) {
        GDL_listFreeNode(dc);
        return nullptr;
    }
    dc->type = GDL_DC_MEMORY;
    dc->mode.maxX = uint32_t(width - 1);
    dc->mode.maxY = uint32_t(height - 1);
    dc->mode.bitsPerPixel = uint32_t(bits);
    dc->mode.planes = 1;
    dc->mode.bytesPerLine = uint32_t(bytesPerLine);
    dc->bounds = {0, 0, width, height};
    dc->surface = static_cast<uint8_t*>(surface);
    if (format) dc->format = *format;
    if (!GDL_initDC(dc, gdl_internal::memoryDriverHeader(bits), nullptr, -1, -1, 1, 0, -1)) {
        freeListIfEmpty(kMemory);
        GDL_listFreeNode(dc);
        return nullptr;
    }
    if (bitmap) {
        // The caller's bitmap gets a memory Windows DC of its own, so GDI
        // can draw on the context; the bitmap stays the caller's.
        GdlDeviceContext* live = GDL_liveDC(dc);
        if (!live->winDC) {
            HDC winDC = CreateCompatibleDC(nullptr);
            if (winDC && SelectObject(winDC, bitmap)) {
                live->winDC = winDC;
                live->winFlags |= GDL_WIN_OWN_DC;
            } else if (winDC) {
                DeleteDC(winDC);
            }
        }
        live->bitmap = bitmap;
    }
    gdl_internal::restoreFpuState();
    append(kMemory, dc);
    return dc;
}

GdlDeviceContext* GDL_createMemoryDC(int32_t width, int32_t height, int32_t bits,
                                     const GdlPixelFormat* format) {
    GDL_checkThread(__func__);
    return GDL_createMemoryDCEx(width, height, bits, format, 0, nullptr, nullptr);
}

// --- Windowed contexts -----------------------------------------------------------

void GDL_setWindowedDriverHeader(const GdlDriverHeader* header) {
    GDL_checkThread(__func__);
    contexts().windowedHeader = header;
}

GdlDeviceContext* GDL_createWindowedDC(HWND window) {
    GDL_checkThread(__func__);
    GdlDeviceContext* dc = newRecord();
    if (!dc) return nullptr;
    if (!ensureList(kWindowed)) {
        GDL_listFreeNode(dc);
        return nullptr;
    }
    dc->type = GDL_DC_WINDOWED;
    if (!GDL_initDC(dc, contexts().windowedHeader, window, -1, -1, 1, 0, -1)) {
        freeListIfEmpty(kWindowed);
        GDL_listFreeNode(dc);
        return nullptr;
    }
    gdl_internal::restoreFpuState();
    append(kWindowed, dc);
    return dc;
}

// --- Destruction -------------------------------------------------------------------

bool GDL_destroyDC(GdlDeviceContext* dc) {
    GDL_checkThread("GDL_destroyDC");
    if (!dc) return true;
    int kind = kindOfType(GDL_liveDC(dc)->type);
    if (kind < 0) {
        GDL_setResult(GDL_INVALID_DC);
        return false;
    }
    return destroyOfKind(dc, kind);
}

bool GDL_destroyDisplayDC(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    return destroyOfKind(dc, kDisplay);
}
bool GDL_destroyOffscreenDC(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    return destroyOfKind(dc, kOffscreen);
}
bool GDL_destroyWindowedDC(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    return destroyOfKind(dc, kWindowed);
}
bool GDL_destroyMemoryDC(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    return destroyOfKind(dc, kMemory);
}

void GDL_destroyAllDisplayDCs() {
    GDL_checkThread(__func__);
    destroyAll(kDisplay);
}
void GDL_destroyAllOffscreenDCs() {
    GDL_checkThread(__func__);
    destroyAll(kOffscreen);
}
void GDL_destroyAllWindowedDCs() {
    GDL_checkThread(__func__);
    destroyAll(kWindowed);
}
void GDL_destroyAllMemoryDCs() {
    GDL_checkThread(__func__);
    destroyAll(kMemory);
}

int32_t GDL_contextCount(int32_t kind) {
    GDL_checkThread(__func__);
    if (kind < 0 || kind >= kKinds || !contexts().lists[kind]) return 0;
    return contexts().lists[kind]->count;
}

// --- Queries ---------------------------------------------------------------------

bool GDL_isWindowBackedDC(const GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    return dc && (dc->type == GDL_DC_WINDOWED || dc->type == GDL_DC_OPENGL ||
                  dc->type == GDL_DC_OPENGL_DRIVER);
}

bool GDL_isDeviceKind3(const GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    return dc && dc->type == GDL_DC_OPENGL_DRIVER;
}

bool GDL_isWindowedDC(const GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    return dc && (dc->type == GDL_DC_WINDOWED || dc->type == GDL_DC_FULLSCREEN_DIB);
}

int32_t GDL_surfaceAccess(const GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    if (!dc) return 0;
    if (dc == contexts().current) dc = &gdl_internal::block();
    return int32_t(dc->flags & GDL_ACCESS_MASK);
}

HDC GDL_getWinDC(GdlDeviceContext* dc) {
    GDL_checkThread(__func__);
    if (!dc) return nullptr;
    GdlDeviceContext* live = GDL_liveDC(dc);
    return live->v.getWinDC(live);
}

void GDL_getPixelFormat(const GdlDeviceContext* dc, GdlPixelFormat* out) {
    GDL_checkThread(__func__);
    if (!dc || !out) return;
    if (dc == contexts().current) dc = &gdl_internal::block();
    *out = dc->format;
}
