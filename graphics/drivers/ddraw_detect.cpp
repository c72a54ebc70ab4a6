// The DirectDraw family's headers, detection (the DirectDraw test, the one
// enumeration of display modes a run, the grade) and add-mode, and the init
// and destroy entries every hardware driver has.
#include <cstring>

#include "ddraw_state.h"
#include "gdl/ddraw.h"
#include "gdl/memory.h"
#include "gdl/packed.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/windc.h"
#include "gdl/windows.h"

using gdl_internal::ddraw;

namespace {

enum Format { kIndexed, k555, k565, kRGB, kBGR, kARGB, kABGR, kRGBA, kBGRA };

// Field sizes and positions of each class: red, green, blue, reserved.
struct Layout {
    uint32_t sizes[4];
    uint32_t positions[4];
};
constexpr Layout kLayouts[] = {
    {{0, 0, 0, 0}, {0, 0, 0, 0}},   {{5, 5, 5, 1}, {10, 5, 0, 15}}, {{5, 6, 5, 0}, {11, 5, 0, 0}},
    {{8, 8, 8, 0}, {16, 8, 0, 0}},  {{8, 8, 8, 0}, {0, 8, 16, 0}},  {{8, 8, 8, 8}, {16, 8, 0, 24}},
    {{8, 8, 8, 8}, {0, 8, 16, 24}}, {{8, 8, 8, 8}, {24, 16, 8, 0}}, {{8, 8, 8, 8}, {8, 16, 24, 0}},
};

struct Run {
    int32_t first, last;
};
// The modes of each driver: 8, 15 and 16, 24, 32 bits.
constexpr Run kRuns[4] = {{11, 25}, {26, 55}, {56, 70}, {71, 85}};

GdlDriverHeader makeHeader(int32_t family) {
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    static const char* const kNames[4] = {"DDRAW8.DRV", "DDRAW16.DRV", "DDRAW24.DRV",
                                          "DDRAW32.DRV"};
    std::strncpy(h.fileName, kNames[family], sizeof(h.fileName) - 1);
    std::strncpy(h.driverName, kNames[family], sizeof(h.driverName) - 1);
    std::strncpy(h.banner, "DirectDraw driver\r\nVersion 2.0", sizeof(h.banner) - 1);
    h.majorVersion = 2;
    h.driverType = GDL_TYPE_DDRAW;
    h.detect = DDRAW_detect;
    h.init = DDRAW_init;
    h.modes = DRV_modeRecord(kRuns[family].first);
    h.modeCount = kRuns[family].last - kRuns[family].first + 1;
    return h;
}

// The type byte is rewritten by detection: the headers are the program's
// own, not constants.
GdlDriverHeader g_headers[4] = {makeHeader(0), makeHeader(1), makeHeader(2), makeHeader(3)};

int32_t familyOfBits(int32_t bits) {
    return DRV_familyOfBits(bits);
}

HRESULT CALLBACK storeMode(LPDDSURFACEDESC d, LPVOID) {
    gdl_internal::DirectDrawState& dd = ddraw();
    if (dd.modeCount >= int32_t(std::size(dd.modes))) return DDENUMRET_CANCEL;
    if (d->ddsCaps.dwCaps & DDSCAPS_MODEX) return DDENUMRET_OK;
    const DDPIXELFORMAT& f = d->ddpfPixelFormat;
    int32_t bits = 0, format = kIndexed;
    if (f.dwFlags & DDPF_PALETTEINDEXED8) {
        bits = 8;
    } else if (f.dwFlags & DDPF_RGB) {
        switch (f.dwRGBBitCount) {
            case 16:
                bits = f.dwRBitMask == 0xF800 ? 16 : 15;
                format = bits == 16 ? k565 : k555;
                dd.depth16 = bits;
                break;
            case 24:
                bits = 24;
                format = f.dwRBitMask == 0xFF ? kBGR : kRGB;
                break;
            case 32:
                bits = 32;
                format = f.dwRBitMask == 0xFF         ? kABGR
                         : f.dwRBitMask == 0xFF000000 ? kRGBA
                         : f.dwRBitMask == 0xFF00     ? kBGRA
                                                      : kARGB;
                break;
            default: return DDENUMRET_OK;
        }
    } else {
        return DDENUMRET_OK;
    }
    // A pitch below a row's bytes is taken as a unit of it.
    const int32_t rowBytes = int32_t(d->dwWidth) * ((bits + 7) / 8);
    int32_t pitch = d->lPitch > 0 ? d->lPitch : rowBytes;
    while (pitch < rowBytes)
        pitch += d->lPitch > 0 ? d->lPitch : rowBytes;
    dd.modes[dd.modeCount++] = {int32_t(d->dwWidth), int32_t(d->dwHeight), pitch, bits, format,
                                d->ddsCaps.dwCaps};
    return DDENUMRET_OK;
}

} // namespace

void DDRAW_enumerateModes() {
    gdl_internal::DirectDrawState& dd = ddraw();
    if (dd.enumerated || !dd.dd) return;
    dd.enumerated = true;
    dd.modeCount = 0;
    dd.dd->EnumDisplayModes(0, nullptr, nullptr, storeMode);
}

namespace {

const gdl_internal::DirectDrawMode* findMode(int32_t width, int32_t height, int32_t bits) {
    gdl_internal::DirectDrawState& dd = ddraw();
    for (int32_t i = 0; i < dd.modeCount; ++i)
        if (dd.modes[i].width == width && dd.modes[i].height == height && dd.modes[i].bits == bits)
            return &dd.modes[i];
    return nullptr;
}

void destroy(GdlDeviceContext* dc) {
    if (!(dc->flags & GDL_FLAG_NOT_OWNED)) {
        GDL_free(dc->driverData);
        dc->driverData = nullptr;
    }
    if (dc->shadowDC) DeleteDC(dc->shadowDC);
    dc->shadowDC = nullptr;
    // The shadow's bitmap (a display context has no other).
    if (dc->bitmap) DeleteObject(dc->bitmap);
    dc->bitmap = nullptr;
    gdl_internal::DirectDrawState& dd = ddraw();
    // The off-screen surface goes with its context, so another can be made.
    if (dc->type == GDL_DC_OFFSCREEN && dd.offscreen) {
        dd.offscreen->Release();
        dd.offscreen = nullptr;
    }
    const int32_t family = familyOfBits(int32_t(dc->mode.bitsPerPixel));
    // A context of another family's state is not this driver's to release.
    if (family >= 0) DRV_detachState(dc, &dd.states[family]);
}

void setupVectors(GdlDeviceContext* dc) {
    // The mode set chose banked or linear access; the packed set-up marks
    // its own memory linear, which a bank-switched card's surface is not.
    const uint32_t access = dc->flags & GDL_ACCESS_MASK;
    DRV_derivePixelFormat(dc);
    switch (dc->mode.bitsPerPixel) {
        case 8:
            dc->driverState->paletteEntriesPerCall = 256;
            PACK8_setupVectors(dc);
            break;
        case 24: PACK24_setupVectors(dc); break;
        case 32: PACK32_setupVectors(dc); break;
        default: PACK16_setupVectors(dc); break;
    }
    if (access) dc->flags = (dc->flags & ~GDL_ACCESS_MASK) | access;
    dc->packedDriver = 1;
}

} // namespace

const GdlDriverHeader* DDRAW_header(int32_t bits) {
    const int32_t family = familyOfBits(bits);
    return family >= 0 ? &g_headers[family] : nullptr;
}

void DDRAW_addMode(GDLModeEntry* table, int32_t mode, int32_t driverIndex, GdlModeRecord* record,
                   bool pageFlag) {
    const gdl_internal::DirectDrawState& dd = ddraw();
    const gdl_internal::DirectDrawMode* m = findMode(
        int32_t(record->maxX) + 1, int32_t(record->maxY) + 1, int32_t(record->bitsPerPixel));
    if (!m) return;
    record->bytesPerLine = uint32_t(m->pitch);
    // A page is the whole height of rows (not maxY of them), in 64 KB units.
    const uint64_t page = (uint64_t(m->height) * uint64_t(m->pitch) + 0xFFFF) & ~uint64_t(0xFFFF);
    if (page == 0 || page > 0xFFFFFFFFu) return;
    record->pageSize = uint32_t(page);
    int64_t maxPage = (m->caps & 0x10) ? 0 : int64_t(dd.videoMemory / page) - 1;
    if (maxPage < 0) return;
    maxPage = pageFlag ? (maxPage < 7 ? maxPage : 7) : 0;
    record->maxPage = uint32_t(maxPage);
    const Layout& l = kLayouts[m->format];
    uint32_t* fields = &record->redSize;
    for (int i = 0; i < 4; ++i) {
        fields[2 * i] = l.sizes[i];
        fields[2 * i + 1] = l.positions[i];
    }
    uint32_t flags = 0x800;
    if (pageFlag)
        flags = ((dd.caps.dwCaps & DDCAPS_BANKSWITCHED) ? 0 : 1) |
                ((dd.caps.dwCaps & DDCAPS_BLT) ? 0x400 : 0);
    table[mode] = {uint8_t(driverIndex), uint8_t(maxPage + 1), flags};
}

int32_t DDRAW_detect(int32_t driverIndex, int32_t wantedType, int32_t* driver,
                     int32_t* suggestedMode, GDLModeEntry* modeTable) {
    (void)suggestedMode;
    if (wantedType < GDL_TYPE_DDRAW) return 0;
    const char* name = GDL_driverTableName(driverIndex);
    int32_t family = -1;
    for (int32_t f = 0; f < 4; ++f)
        if (name && std::strcmp(name, g_headers[f].fileName) == 0) family = f;
    if (family < 0) return 0;
    GDL_initWindows();
    gdl_internal::DirectDrawState& dd = ddraw();
    if (!dd.dd || (dd.caps.dwCaps & DDCAPS_NOHARDWARE)) return 0;
    DDRAW_enumerateModes();
    const int32_t type = (dd.caps.dwCaps & DDCAPS_3D)    ? GDL_TYPE_3D_DDRAW
                         : (dd.caps.dwCaps & DDCAPS_BLT) ? GDL_TYPE_ACCEL_DDRAW
                                                         : GDL_TYPE_DDRAW;
    g_headers[family].driverType = uint8_t(type);
    if (*driver < type) *driver = type;
    for (int32_t m = kRuns[family].first; m <= kRuns[family].last; ++m) {
        dd.records[m] = *DRV_modeRecord(m);
        DDRAW_addMode(modeTable, m, driverIndex, &dd.records[m], true);
    }
    return 1;
}

int32_t DDRAW_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t x,
                   int32_t y, int32_t pages, int32_t reserved, int32_t refresh) {
    if (mode < 11 || mode > 85) return 0;
    gdl_internal::DirectDrawState& dd = ddraw();
    dc->mode = dd.records[mode].bitsPerPixel ? dd.records[mode] : *DRV_modeRecord(mode);
    const int32_t family = familyOfBits(int32_t(dc->mode.bitsPerPixel));
    if (!DRV_attachDisplay(dc, &dd.states[family], destroy,
                           {window, driverNumber, mode, GDL_DC_FULLSCREEN, DDRAW_releaseSurfaces}))
        return 0;
    if (!DDRAW_setMode(dc, x, y, pages, reserved, refresh)) return 0;
    setupVectors(dc);
    DDRAW_installHooks(dc);
    return 1;
}
