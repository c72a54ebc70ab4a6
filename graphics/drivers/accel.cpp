// ACCEL8.DRV to ACCEL32.DRV: VBE modes set and drawn through the loaded
// VBE/AF driver. Detection and the mode records.
#include <array>
#include <cstring>

#include "gdl/ddraw.h"
#include "gdl/vbe.h"
#include "gdl/vbeaf.h"
#include "gdl/vga.h"
#include "gdl/windc.h"
#include "platform/ByteStream.h"

namespace {

namespace vb = platform::vbeaf;

constexpr const char* kNames[4] = {"ACCEL8.DRV", "ACCEL16.DRV", "ACCEL24.DRV", "ACCEL32.DRV"};
// The library's modes of each family: 8 bits; 15 and 16; 24; 32.
struct Run {
    int32_t first, last;
};
constexpr Run kRuns[4] = {{11, 25}, {26, 55}, {56, 70}, {71, 85}};

std::array<GdlModeRecord, 86> g_records{};
bool g_registered[86]{};
GdlDriverState* g_state = nullptr;
GdlDeviceContext* g_current = nullptr;
void (*const kSetups[4])(GdlDeviceContext*) = {LINEAR8_setupVectors, LINEAR16_setupVectors,
                                               LINEAR24_setupVectors, LINEAR32_setupVectors};

uint32_t field(const GdlVbeafDriver* d, uint32_t at) {
    platform::ByteReader r(d->image + at, 4);
    return r.U32();
}

// Flags from the mode's attributes and the driver's, as pairs of bits.
uint32_t flagsOf(uint32_t mode, uint32_t driver, bool version2) {
    struct Pair {
        uint32_t attribute, flag;
    };
    static const Pair kMode[] = {{0x008, 0x001}, {0x400, 0x004},  {0x200, 0x008},
                                 {0x800, 0x010}, {0x1000, 0x020}, {0x040, 0x200},
                                 {0x010, 0x400}, {0x001, 0x2000}, {0x002, 0x4000}};
    static const Pair kDriver[] = {{0x4000, 0x080}, {0x8000, 0x100}};
    uint32_t flags = version2 ? uint32_t(ACCEL_FLAG_VERSION2) : 0u;
    for (const Pair& p : kMode)
        if (mode & p.attribute) flags |= p.flag;
    for (const Pair& p : kDriver)
        if (driver & p.attribute) flags |= p.flag;
    return flags;
}

// The driver's mode of a size and depth: its number and information.
bool findMode(GdlVbeafDriver* d, const GdlModeRecord& r, uint16_t* number,
              platform::AfModeInfo* info) {
    // The loader checked that the list ends inside the image.
    const uint32_t list = field(d, vb::kModeList);
    platform::ByteReader modes(d->image + list, d->size - list);
    for (uint16_t n = modes.U16(); modes.Ok() && n != 0xFFFF; n = modes.U16()) {
        *info = {};
        if (platform::VbeafCallEntry(d->image, d->size, vb::kGetModeInfo,
                                     {n, reinterpret_cast<intptr_t>(info)}) != 0)
            continue;
        if (info->xResolution == r.maxX + 1 && info->yResolution == r.maxY + 1 &&
            info->bitsPerPixel == r.bitsPerPixel)
            return *number = n, true;
    }
    return false;
}

void setHeaderType(int32_t family, int32_t type);

int32_t detect(int32_t family, int32_t index, int32_t wanted, int32_t* driver, int32_t*,
               GDLModeEntry* table) {
    int32_t type = driver ? *driver : 0, mine = 0;
    if (wanted < GDL_TYPE_SVGA || !ACCEL_loadVBEAF(&type, &mine) || mine > wanted) return 0;
    // The driver's own type byte says what the loaded driver is: a display
    // context of a driver that does not accelerate is no accelerated one.
    setHeaderType(family, mine);
    if (driver) *driver = type;
    for (int32_t m = kRuns[family].first; m <= kRuns[family].last; ++m) {
        g_records[size_t(m)] = *DRV_modeRecord(m);
        g_records[size_t(m)].modeNumber = 0;
        ACCEL_addMode(table, m, index, &g_records[size_t(m)]);
        g_registered[size_t(m)] = table[m].driver == uint8_t(index);
    }
    return 1;
}

int32_t init(int32_t family, GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window,
             int32_t x, int32_t y, int32_t pages, int32_t stereo, int32_t refresh) {
    if (mode < kRuns[family].first || mode > kRuns[family].last || !g_registered[size_t(mode)])
        return 0;
    dc->mode = g_records[size_t(mode)];
    if (!DRV_attachState(dc, &g_state, sizeof(VbeDriverState),
                         [](GdlDeviceContext* d) { DRV_detachState(d, &g_state); }))
        return 0;
    GdlDriverState* s = dc->driverState;
    s->window = window;
    s->driverNumber = driverNumber;
    s->mode = mode;
    dc->type = GDL_DC_FULLSCREEN;
    kSetups[family](dc);
    dc->v.beginDirectAccess = dc->v.endDirectAccess = [] {};
    s->restore = [] { ACCEL_restoreTextMode(g_current); };
    s->reset = [] {
        if (g_current) ACCEL_restoreMode(g_current);
    };
    auto* v = static_cast<VbeDriverState*>(s);
    if (!ACCEL_initVBEAF(dc, int32_t(dc->mode.modeNumber), &v->savedMode, &v->savedLines, x, y,
                         pages, stereo, refresh))
        return 0;
    g_current = dc;
    return 1;
}

template <int F> GdlDriverHeader makeHeader() {
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    std::memcpy(h.fileName, kNames[F], std::strlen(kNames[F]));
    std::memcpy(h.driverName, kNames[F], std::strlen(kNames[F]));
    std::strncpy(h.banner, "VBE/AF accelerated driver\r\nVersion 2.0", sizeof(h.banner) - 1);
    h.majorVersion = 2;
    h.driverType = GDL_TYPE_ACCEL_SVGA;
    h.detect = [](int32_t index, int32_t wanted, int32_t* driver, int32_t* suggested,
                  GDLModeEntry* table) {
        return detect(F, index, wanted, driver, suggested, table);
    };
    h.init = [](GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t x,
                int32_t y, int32_t pages, int32_t stereo, int32_t refresh) {
        return init(F, dc, driverNumber, mode, window, x, y, pages, stereo, refresh);
    };
    h.modes = DRV_modeRecord(kRuns[F].first);
    h.modeCount = kRuns[F].last - kRuns[F].first + 1;
    return h;
}

GdlDriverHeader g_headers[4] = {makeHeader<0>(), makeHeader<1>(), makeHeader<2>(), makeHeader<3>()};

void setHeaderType(int32_t family, int32_t type) {
    g_headers[family].driverType = uint8_t(type);
}

} // namespace

void ACCEL_addMode(GDLModeEntry* table, int32_t index, int32_t driver, GdlModeRecord* record) {
    GdlVbeafDriver* d = ACCEL_driver();
    uint16_t number = 0;
    platform::AfModeInfo info{};
    if (!d || !table || !record || !findMode(d, *record, &number, &info)) return;
    const bool version2 = field(d, vb::kVersion) >= 0x200;
    const bool linear = info.attributes & 0x8;
    if (!linear && !ACCEL_virtualFramebuffer()) return;
    record->bytesPerLine = version2 && linear ? info.linBytesPerScanLine : info.bytesPerScanLine;
    if (record->bitsPerPixel <= 8) {
        record->redSize = record->greenSize = record->blueSize = 8;
        record->redPosition = 16, record->greenPosition = 8, record->bluePosition = 0;
        record->alphaSize = record->alphaPosition = 0;
    } else {
        record->redSize = info.redMaskSize, record->redPosition = info.redFieldPosition;
        record->greenSize = info.greenMaskSize, record->greenPosition = info.greenFieldPosition;
        record->blueSize = info.blueMaskSize, record->bluePosition = info.blueFieldPosition;
        record->alphaSize = info.rsvdMaskSize, record->alphaPosition = info.rsvdFieldPosition;
    }
    record->maxPage = (info.attributes & 0x1) ? info.maxBuffers : 0;
    record->pageSize = record->bytesPerLine * (record->maxY + 1);
    record->modeNumber = number | (linear ? 0x4000u : 0u);
    record->modeFlags = flagsOf(info.attributes, field(d, vb::kAttributes), version2);
    table[index] = {uint8_t(driver), uint8_t(record->maxPage + 1), record->modeFlags};
}

const GdlDriverHeader* ACCEL_header(int32_t bits) {
    const int32_t family = DRV_familyOfBits(bits);
    return family >= 0 ? &g_headers[family] : nullptr;
}
