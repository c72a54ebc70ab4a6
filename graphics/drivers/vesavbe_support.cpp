// The VBE driver support: detection with the list of usable modes, mode
// records, and the mode set with its surface, bank routine, pages, display
// start, palette and the way back to text mode.
#include <algorithm>
#include <cstring>
#include <vector>

#include "gdl/fsdirect.h"
#include "gdl/modetiming.h"
#include "gdl/pixelformat.h"
#include "gdl/result.h"
#include "gdl/vbe.h"
#include "gdl/vga.h"
#include "gdl/windows.h"
#include "platform/Gdi.h"
#include "platform/Vbe.h"

namespace {

struct ListEntry {
    int32_t mode, maxX, maxY;
    uint8_t bits;
};

struct Support {
    int32_t detected = -1; // untested
    int32_t version = 0, memoryKB = 0;
    uint32_t capabilities = 0;
    char oem[41]{};
    std::vector<ListEntry> modes;
    bool virtualFb = false;
    int32_t bankShift = 0;
    bool dualWindow = false, vgaIncompatible = false;
    uint8_t* window = nullptr;
    GdlDeviceContext* current = nullptr;
    int32_t pmBank = 0; // 0: none; 1 SetWindow stub recognised
    uint32_t switches = 0;
};

Support& sup() {
    static Support s;
    return s;
}

VbeDriverState* stateOf(GdlDeviceContext* dc) {
    return static_cast<VbeDriverState*>(dc->driverState);
}

// The BIOS whose protected-mode routines and bank routine the drivers use.
bool pmServicesTrusted() {
    return std::strncmp(sup().oem, "Quorvanta VESA VBE", 18) == 0;
}

int bytesOfPixel(uint32_t bits) {
    return bits == 4 ? 0 : int((bits == 15 ? 16 : bits) / 8);
}

// --- The services under the library's bank, start and palette calls ------------------

void int10(VbeRegs* r) {
    platform::FsdRegs386 in{r->eax, r->ebx, r->ecx, r->edx, r->esi, r->edi, 0}, out{};
    FSD_int386(0x10, &in, &out);
    r->eax = out.eax, r->ebx = out.ebx, r->ecx = out.ecx, r->edx = out.edx;
}

platform::RealModeRegs real(const VbeRegs* r) {
    platform::RealModeRegs out{};
    out.eax = r->eax, out.ebx = r->ebx, out.ecx = r->ecx, out.edx = r->edx;
    out.es = r->es;
    return out;
}

void pmWindow(VbeRegs* r) {
    platform::RealModeRegs x = real(r);
    platform::VbePmCall(1, &x, nullptr);
}
void pmStart(VbeRegs* r) {
    platform::RealModeRegs x = real(r);
    platform::VbePmCall(2, &x, nullptr);
}
void pmPalette(VbeRegs* r, const void* entries) {
    platform::RealModeRegs x = real(r);
    platform::VbePmCall(3, &x, entries);
}

// A protected-mode entry the adapter answers for, by the stub at its place.
bool recognised(const uint8_t* entry, int kind) {
    uint32_t length = 0;
    const uint8_t* table = VBE_pmTable(&length);
    return entry && table && platform::VbePmStubKind(entry, size_t(table + length - entry)) == kind;
}

void countingBank(int32_t bank);
VbeBankFunc g_innerBank = nullptr;
void countingBank(int32_t bank) {
    ++sup().switches;
    if (g_innerBank) g_innerBank(bank);
}

// The six bank routines: one window or the pair, through interrupt 10h, the
// protected-mode entry, or the entry with the memory selector in ES.
void bankPmSelA(int32_t bank) {
    VbeRegs r{0x4F05,
              0,
              0,
              uint32_t(bank) << Vbe_state().granularityShift,
              0,
              0,
              Vbe_state().videoSelector};
    pmWindow(&r);
}
void bankPmSelAB(int32_t bank) {
    bankPmSelA(bank);
    VbeRegs r{0x4F05,
              1,
              0,
              uint32_t(bank) << Vbe_state().granularityShift,
              0,
              0,
              Vbe_state().videoSelector};
    pmWindow(&r);
}

void installServices(const VbeModeInfo& info) {
    Support& s = sup();
    VbeState& v = Vbe_state();
    v.currentBank = 255;
    v.version = s.version;
    v.services = {};
    v.services.int10 = int10;
    v.services.inPort = VGA_inpb;
    v.videoSelector = VBE_memorySelector();
    if (recognised(VBE_getSetBank(), 1)) v.services.pmSetWindow = pmWindow;
    if (recognised(VBE_getSetDisplayStart(), 2)) v.services.pmSetDisplayStart = pmStart;
    if (recognised(VBE_getSetPalette(), 3)) v.services.pmSetPalette = pmPalette;
    int shift = 0;
    for (uint32_t g = info.winGranularity ? info.winGranularity : 64; g < 64; g <<= 1)
        ++shift;
    s.bankShift = v.granularityShift = shift;
    s.dualWindow = info.winAAttributes != 7;
    const bool pm = v.services.pmSetWindow != nullptr, selector = v.videoSelector != 0;
    g_innerBank = !pm        ? (s.dualWindow ? Vbe_bankWindowsAB : Vbe_bankWindowA)
                  : selector ? (s.dualWindow ? bankPmSelAB : bankPmSelA)
                             : (s.dualWindow ? Vbe_bankPmWindowsAB : Vbe_bankPmWindowA);
    v.bankRoutine = countingBank;
}

// --- Mode set steps --------------------------------------------------------------------

uint32_t stereoFlagsFor(uint32_t modeFlags) {
    uint32_t flags = 1;
    if (modeFlags & VBE_FLAG_STEREO) flags = modeFlags & VBE_FLAG_DUALSTART ? 6 : 2;
    if (modeFlags & VBE_FLAG_STEREO_EXT) flags |= 8;
    return flags;
}

// The surface of the mode: the linear framebuffer, the window or the support
// library's virtual linear framebuffer.
void takeSurface(GdlDeviceContext* dc, const VbeModeInfo& info, bool linear, bool virtualFb) {
    Support& s = sup();
    const GdlFsDirect* f = GDL_fsDirect();
    dc->flags &= ~GDL_ACCESS_MASK;
    if (linear) {
        dc->frameBase = static_cast<uint8_t*>(VBE_getLinearPointer(&info));
        if (!dc->frameBase) GDL_fatalError("Unable to obtain pointer to linear framebuffer!");
        dc->flags |= 2;
        stateOf(dc)->setActivePage = LINEAR_setActivePage;
    } else if (virtualFb) {
        int32_t size = 0;
        const uint8_t* code = nullptr;
        if (VBE_getBankFunc32(&size, &code, s.bankShift)) {
            f->vlfExit();
            dc->frameBase = static_cast<uint8_t*>(
                f->vlfInit(uint32_t(info.winASegment) * 16, info.winSize, uint32_t(size), code));
        }
        if (!dc->frameBase) GDL_fatalError("Unable to initialise virtual linear framebuffer!");
        dc->flags |= 2;
        stateOf(dc)->setActivePage = LINEAR_setActivePage;
    } else {
        if (!s.window) s.window = static_cast<uint8_t*>(PMI_mapPhysicalAddr(0xA0000, 0xFFFF));
        if (!s.window) {
            GDL_restoreFSDirect();
            GDL_fatalError("Unable to obtain video memory pointer!\n");
        }
        dc->frameBase = s.window;
        dc->flags |= 1;
        stateOf(dc)->setActivePage = SVGA_setActivePage;
    }
    dc->surface = dc->frameBase;
}

// The largest page count a banked mode offers: its pages must end below the
// 16 MB that an 8-bit bank number reaches.
uint32_t bankedMaxPage(uint32_t maxPage, uint32_t pageSize) {
    if (pageSize == 0) return 0;
    const uint32_t fit = uint32_t((uint64_t(16) << 20) / pageSize);
    return fit == 0 ? 0 : std::min(maxPage, fit - 1);
}

bool virtualScreen(GdlDeviceContext* dc, int32_t width, int32_t height) {
    int32_t bytes = 0, pixels = 0, lines = 0;
    if (!VBE_setPixelsPerLine(width, &bytes, &pixels, &lines) || height <= 0) return false;
    // Lines / height pages fit whole; the last one counted so would end past
    // video memory, so the highest page is one less.
    const int32_t fit = lines / height;
    if (fit < 1 || pixels < width) return false;
    dc->mode.maxX = uint32_t(pixels - 1);
    dc->mode.maxY = uint32_t(height - 1);
    dc->mode.bytesPerLine = uint32_t(bytes);
    dc->mode.pageSize = uint32_t(bytes) * uint32_t(height);
    dc->mode.maxPage = uint32_t(fit - 1);
    if ((dc->flags & GDL_ACCESS_MASK) == 1)
        dc->mode.maxPage = bankedMaxPage(dc->mode.maxPage, dc->mode.pageSize);
    dc->virtualWidth = width;
    dc->virtualHeight = height;
    dc->scrollX = dc->scrollY = 0;
    dc->bounds = {0, 0, int32_t(dc->mode.maxX) + 1, height};
    return true;
}

} // namespace

// --- Detection and records ---------------------------------------------------------------

int32_t SVGA_detectVBE(int32_t* type) {
    Support& s = sup();
    auto raise = [&] {
        if (type && *type < GDL_TYPE_VBE) *type = GDL_TYPE_VBE;
    };
    if (s.detected >= 0) {
        raise();
        return s.detected;
    }
    s.detected = 0;
    GDL_initWindows();
    if (!GDL_fsDirectAvailable() || !VBE_ready()) return 0;
    VbeControllerInfo info{};
    if (!VBE_getInfo(&info)) return 0;
    s.version = info.version;
    s.memoryKB = int32_t(info.totalMemory) * 64;
    s.capabilities = info.capabilities;
    std::strncpy(s.oem, info.oemString ? info.oemString : "", 40);
    s.oem[40] = 0;
    std::vector<uint16_t> numbers;
    for (const uint16_t* m = info.modes; m && *m != 0xFFFF; ++m)
        if (*m >= 0x100) numbers.push_back(*m);
    s.modes.clear();
    for (uint16_t n : numbers) {
        VbeModeInfo mi{};
        if (VBE_getModeInfo(n, &mi) && (mi.modeAttributes & 0x10) && mi.xResolution &&
            mi.yResolution)
            s.modes.push_back({n, mi.xResolution - 1, mi.yResolution - 1, mi.bitsPerPixel});
    }
    const GdlFsDirect* f = GDL_fsDirect();
    s.virtualFb = false;
    if (f->vlfAvailable() && pmServicesTrusted())
        s.virtualFb = VBE_getBankFunc32(nullptr, nullptr, 0) != 0;
    raise();
    s.detected = 1;
    return 1;
}

bool VBE_fillModeRecord(GdlModeRecord* record, VbeModeInfo* info, bool linear, uint32_t* flags) {
    Support& s = sup();
    const ListEntry* found = nullptr;
    for (const ListEntry& e : s.modes)
        if (uint32_t(e.maxX) == record->maxX && uint32_t(e.maxY) == record->maxY &&
            e.bits == record->bitsPerPixel)
            found = &e;
    if (!found || !VBE_getModeInfo(found->mode, info)) return false;
    const bool hasLinear = info->modeAttributes & 0x80;
    if (linear && !hasLinear && !s.virtualFb) return false;
    const bool banked = !linear || !hasLinear;
    if (banked && (info->modeAttributes & 0x40)) return false;
    const bool v3 = s.version >= 0x0300, realLinear = linear && hasLinear;
    record->modeNumber = uint32_t(found->mode);
    record->bytesPerLine = v3 && realLinear ? info->linBytesPerScanLine : info->bytesPerScanLine;
    if (record->bitsPerPixel <= 8) {
        record->redSize = record->greenSize = record->blueSize = 8;
        record->redPosition = 16, record->greenPosition = 8, record->bluePosition = 0;
        record->alphaSize = record->alphaPosition = 0;
    } else {
        const uint8_t* f = v3 && realLinear ? &info->linRedMaskSize : &info->redMaskSize;
        record->redSize = f[0], record->redPosition = f[1];
        record->greenSize = f[2], record->greenPosition = f[3];
        record->blueSize = f[4], record->bluePosition = f[5];
        record->alphaSize = f[6], record->alphaPosition = f[7];
    }
    record->maxPage = v3 ? (realLinear ? info->linNumberOfImagePages : info->bnkNumberOfImagePages)
                         : info->numberOfImagePages;
    record->pageSize = VBE_getPageSize(info);
    if (banked) record->maxPage = bankedMaxPage(record->maxPage, record->pageSize);
    uint32_t f = linear ? uint32_t(VBE_FLAG_LINEAR) : 0u;
    if (v3) {
        const uint16_t a = info->modeAttributes;
        f |= VBE_FLAG_REFRESH;
        if (a & 0x0200) f |= VBE_FLAG_INTERLACE;
        if (a & 0x0100) f |= VBE_FLAG_DOUBLESCAN;
        if (a & 0x0400) f |= VBE_FLAG_TRIPLE;
        if (a & 0x0800) f |= VBE_FLAG_STEREO;
        if (a & 0x1000) f |= VBE_FLAG_DUALSTART;
        if (s.capabilities & 0x08) f |= VBE_FLAG_STEREO_EXT;
        if (s.capabilities & 0x10) f |= VBE_FLAG_STEREO_EVC;
    }
    record->modeFlags = f;
    if (flags) *flags = f;
    return true;
}

void SVGA_addBankedMode(GDLModeEntry* table, int32_t index, int32_t driver, GdlModeRecord* record) {
    VbeModeInfo info{};
    uint32_t flags = 0;
    if (!VBE_fillModeRecord(record, &info, false, &flags)) return;
    table[index] = {uint8_t(driver), uint8_t(record->maxPage + 1), flags};
}

void LINEAR_addMode(GDLModeEntry* table, int32_t index, int32_t driver, GdlModeRecord* record,
                    bool virtualAllowed) {
    VbeModeInfo info{};
    uint32_t flags = 0;
    if (!VBE_fillModeRecord(record, &info, true, &flags)) return;
    if (info.modeAttributes & 0x80)
        record->modeNumber |= 0x4000;
    else if (virtualAllowed && sup().virtualFb)
        record->modeNumber |= 0x0800;
    else
        return;
    table[index] = {uint8_t(driver), uint8_t(record->maxPage + 1), flags};
}

// --- Mode set --------------------------------------------------------------------------------

bool VBE_setMode(GdlDeviceContext* dc, int32_t mode, int32_t* savedMode, int32_t* savedLines,
                 int32_t virtualWidth, int32_t virtualHeight, int32_t pages, int32_t stereo,
                 int32_t refresh) {
    Support& s = sup();
    VbeDriverState* st = stateOf(dc);
    const uint32_t modeFlags = dc->mode.modeFlags;
    const bool virtualFb = dc->mode.modeNumber & 0x0800;
    const bool linear = (mode & 0x4000) != 0;
    mode &= ~0x0800;
    uint32_t stereoFlags = 0;
    if (stereo) {
        stereoFlags = stereoFlagsFor(modeFlags);
        pages *= 2;
    }
    if ((stereoFlags & 1) || pages <= 0) return false;
    const int32_t width = int32_t(dc->mode.maxX) + 1, height = int32_t(dc->mode.maxY) + 1;
    const bool wantsVirtual = virtualWidth != -1 && virtualHeight != -1;
    if (wantsVirtual && (virtualWidth <= width || virtualHeight <= height)) return false;
    const uint32_t offered = dc->mode.maxPage + 1;
    dc->mode.maxPage = offered < uint32_t(pages) || offered == 1
                           ? 0
                           : uint32_t(stereo ? pages / 2 - 1 : pages - 1);
    GDL_startFSDirect(width, height);
    VGA_leaveTextMode(savedMode, savedLines);
    VbeCrtcInfo crtc{};
    if (refresh > 0 && s.version >= 0x0300) {
        VbeModeInfo info{};
        if (VBE_getModeInfo(mode & 0x1FF, &info) && info.maxPixelClock)
            refresh = std::min(refresh, VBE_maxRefreshForClock(dc, info.maxPixelClock, false));
        refresh = std::max(refresh, 60);
        if (VBE_computeCRTCTimings(dc, mode, refresh, false, &crtc, VBE_getClosestClock))
            mode |= 0x0800;
    }
    VGA_setBiosByte(0x10, uint8_t((VGA_biosByte(0x10) & ~0x10) | 0x20));
    VBE_saveVideoMemory(mode);
    VGA_setBiosByte(0x49, 0x10);
    if (!VBE_setVideoMode(mode, (mode & 0x0800) ? &crtc : nullptr)) return false;
    VbeModeInfo info{};
    VBE_getModeInfo(mode & 0x1FF, &info);
    st->dac8Bit = 0;
    if (dc->mode.bitsPerPixel <= 8 && !stereo) st->dac8Bit = VBE_set8BitDAC() ? 1 : 0;
    st->stereoFlags = int32_t(stereoFlags);
    st->refresh = refresh;
    st->stereoOn = 0;
    st->setVisualPage = VBE_setVisualPage;
    st->waitRetrace = SVGA_vSync;
    st->setDisplayStart = SVGA_setDisplayStart;
    st->startStereo = VBE_startStereo;
    st->stopStereo = VBE_stopStereo;
    dc->v.realizePalette = SVGA_setPalette;
    s.vgaIncompatible = info.modeAttributes & 0x20;
    // The protected-mode routines only of the BIOS known to run them right;
    // the others are reached through interrupt 10h.
    VBE_freePMInfo();
    if (pmServicesTrusted()) VBE_getPMInfo();
    installServices(info);
    takeSurface(dc, info, linear, virtualFb);
    if (wantsVirtual && !virtualScreen(dc, virtualWidth, virtualHeight)) {
        VBE_restoreTextMode(dc);
        return false;
    }
    s.current = dc;
    st->setActivePage(dc, 0);
    VBE_setVisualPage(dc, 0, 0);
    return true;
}

bool VBE_restoreMode(GdlDeviceContext* dc) {
    VbeDriverState* st = stateOf(dc);
    if (!st) return false;
    const int32_t savedMode = st->savedMode, savedLines = st->savedLines;
    const bool stereo = st->stereoFlags != 0;
    GdlModeRecord record = dc->mode;
    record.maxPage = uint32_t(stereo ? (dc->mode.maxPage + 1) * 2 - 1 : dc->mode.maxPage);
    // A virtual screen left its own size in the record: the mode set again
    // needs the mode's, else the screen seems no larger than the mode.
    VbeModeInfo info{};
    if (dc->virtualWidth > 0 && VBE_getModeInfo(int32_t(record.modeNumber & 0x1FF), &info) &&
        info.xResolution && info.yResolution) {
        record.maxX = info.xResolution - 1u;
        record.maxY = info.yResolution - 1u;
    }
    dc->mode = record;
    const bool ok = VBE_setMode(dc, int32_t(dc->mode.modeNumber & ~0x0800u), nullptr, nullptr,
                                dc->virtualWidth ? dc->virtualWidth : -1,
                                dc->virtualHeight ? dc->virtualHeight : -1,
                                int32_t(dc->mode.maxPage) + 1, stereo, st->refresh);
    st->savedMode = savedMode;
    st->savedLines = savedLines;
    if (ok && stereo) VBE_startStereo(dc);
    return ok;
}

void VBE_restoreTextMode(GdlDeviceContext* dc) {
    Support& s = sup();
    VbeDriverState* st = dc ? stateOf(dc) : nullptr;
    if (s.version >= 0x0300)
        VBE_setDisplayStart(0, false);
    else
        Vbe_setScanoutStart(0, 8, 1, 0);
    VBE_restoreVideoMemory();
    VGA_backToTextMode(st ? st->savedMode : 0, st ? st->savedLines : 0, [] { VGA_int10(0x0003); });
    GDL_restoreFSDirect();
    if (const GdlFsDirect* f = GDL_fsDirect()) f->vlfExit();
    VBE_freePMInfo();
    s.current = nullptr;
}

// --- Pages, display start, palette ---------------------------------------------------------

namespace {

// The byte offset of a drawing page (bit 8000h: the right eye's); false for a
// page past the highest.
bool pageOffset(GdlDeviceContext* dc, int32_t page, uint32_t* offset) {
    const int32_t index = page & 0x7FFF;
    if (!dc || index > int32_t(dc->mode.maxPage)) return false;
    VbeDriverState* st = stateOf(dc);
    const int32_t slot = st && st->stereoOn ? 2 * index + ((page & 0x8000) ? 1 : 0) : index;
    *offset = dc->mode.pageSize * uint32_t(slot);
    if (st) st->activePage = page;
    dc->frameStart = int32_t(*offset);
    return true;
}

} // namespace

// The stereo glasses' sync code on the last scan line of each eye's page:
// blue on the first quarter of the left eye's line, on three quarters of the
// right eye's, black on the rest. Drawn straight into a linear view, or
// through the window bank by bank (then back to the active page's first
// bank); palette index 255 is the blue at 8 bits, set in the context's
// palette and realised through its own palette entry. An eye whose line
// would end past video memory is left.
void VBE_drawStereoSync(GdlDeviceContext* dc, const uint64_t eyePage[2], uint64_t memoryBytes) {
    const uint32_t access = dc->flags & GDL_ACCESS_MASK;
    if (!dc->frameBase || (access != 1 && access != 2)) return;
    const uint32_t bits = dc->mode.bitsPerPixel;
    const int bytes = bytesOfPixel(bits);
    if (bytes == 0) return;
    uint32_t blue = 255;
    if (bits == 8) {
        // The realise entry takes the whole palette and the first index.
        GdlPaletteEntry own[256]{};
        GdlPaletteEntry* palette = dc->palette ? dc->palette : own;
        palette[255] = {255, 0, 0, 0};
        if (dc->v.realizePalette) dc->v.realizePalette(dc, palette, 1, 255, 0);
    } else {
        blue = GDL_packColor(&dc->format, 0, 0, 255);
    }
    const uint32_t width = dc->mode.maxX + 1, lastRow = dc->mode.maxY;
    auto put = [&](uint64_t offset, uint8_t value) {
        if (access == 2) {
            dc->frameBase[offset] = value;
            return;
        }
        if (Vbe_state().currentBank != uint8_t(offset >> 16)) Vbe_switchBank(int32_t(offset >> 16));
        dc->frameBase[offset & 0xFFFF] = value;
    };
    for (int eye = 0; eye < 2; ++eye) {
        const uint64_t row = eyePage[eye] + uint64_t(lastRow) * dc->mode.bytesPerLine;
        if (row + uint64_t(width) * uint64_t(bytes) > memoryBytes) continue;
        const uint32_t lit = eye == 0 ? width / 4 : width * 3 / 4;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t v = x < lit ? blue : 0;
            for (int b = 0; b < bytes; ++b)
                put(row + uint64_t(x) * uint64_t(bytes) + uint64_t(b), uint8_t(v >> (8 * b)));
        }
    }
    if (access == 1) Vbe_switchBank(dc->firstBank);
}

void SVGA_setActivePage(GdlDeviceContext* dc, int32_t page) {
    uint32_t offset = 0;
    if (!pageOffset(dc, page, &offset)) return;
    dc->surface = dc->frameBase + (offset & 0xFFFF);
    dc->firstBank = int32_t(offset >> 16);
    Vbe_switchBank(int32_t(offset >> 16));
}

void LINEAR_setActivePage(GdlDeviceContext* dc, int32_t page) {
    uint32_t offset = 0;
    if (!pageOffset(dc, page, &offset)) return;
    dc->surface = dc->frameBase + offset;
    if (dc->winDC) Escape(dc->winDC, 42, 4, reinterpret_cast<LPCSTR>(&offset), nullptr);
}

void VBE_setVisualPage(GdlDeviceContext* dc, int32_t page, int32_t wait) {
    if (!dc || page < 0 || page > int32_t(dc->mode.maxPage)) return;
    Support& s = sup();
    VbeDriverState* st = stateOf(dc);
    if (st) st->visualPage = page;
    const bool stereoOn = st && st->stereoOn;
    if (stereoOn) {
        const uint64_t eyes[2] = {uint64_t(dc->mode.pageSize) * uint64_t(2 * page),
                                  uint64_t(dc->mode.pageSize) * uint64_t(2 * page + 1)};
        VBE_drawStereoSync(dc, eyes, uint64_t(s.memoryKB) * 1024);
    }
    // The sync lines go into the pages before the wait, as the next frame
    // shows them.
    if (dc->mode.maxPage == 1) wait = 1;
    if (st && (dc->mode.modeFlags & VBE_FLAG_TRIPLE) && !wait)
        for (int polls = 0; polls < 64 && VBE_getDisplayStartStatus() == 0; ++polls) {
        }
    const uint32_t slot = uint32_t(stereoOn ? 2 * page : page);
    const uint32_t start = slot * dc->mode.pageSize;
    if (dc->virtualWidth > 0) {
        dc->pageOffset = int32_t(start);
        SVGA_setDisplayStart(dc, dc->scrollX, dc->scrollY, wait);
        return;
    }
    if (s.version >= 0x0300) {
        if (stereoOn && st && (st->stereoFlags & 4))
            VBE_setStereoDisplayStart(start, start + dc->mode.pageSize, wait != 0);
        else
            VBE_setDisplayStart(start, wait != 0);
        return;
    }
    Vbe_setScanoutStart(start, int32_t(dc->mode.bitsPerPixel), int32_t(dc->mode.bytesPerLine),
                        wait);
}

void SVGA_setDisplayStart(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t wait) {
    if (!dc || dc->virtualWidth <= 0) return;
    dc->scrollX = x;
    dc->scrollY = y;
    if (wait == -1) return;
    const uint32_t bits = dc->mode.bitsPerPixel;
    const uint32_t column =
        bits == 4 ? uint32_t(x) / 8 : uint32_t(x) * uint32_t(bytesOfPixel(bits));
    const uint32_t address =
        uint32_t(y) * dc->mode.bytesPerLine + uint32_t(dc->pageOffset) + column;
    if (sup().version >= 0x0300)
        VBE_setDisplayStart(address, wait != 0);
    else
        Vbe_setScanoutStart(address, int32_t(bits), int32_t(dc->mode.bytesPerLine), wait);
}

void SVGA_setPalette(GdlDeviceContext* dc, const GdlPaletteEntry* entries, int32_t count,
                     int32_t first, int32_t wait) {
    // Never past the palette's 256 entries.
    if (!entries || first < 0 || first >= 256 || count <= 0) return;
    count = std::min(count, 256 - first);
    VbeDriverState* st = dc ? stateOf(dc) : nullptr;
    if (!sup().vgaIncompatible) {
        VGA_realizePalette(dc, entries, count, first, wait);
        return;
    }
    // Hardware entry i takes the palette's entry i.
    GdlPaletteEntry copy[256];
    std::memcpy(copy, entries + first, size_t(count) * sizeof(GdlPaletteEntry));
    if (!(st && st->dac8Bit))
        for (int32_t i = 0; i < count; ++i)
            copy[i] = {uint8_t(copy[i].blue >> 2), uint8_t(copy[i].green >> 2),
                       uint8_t(copy[i].red >> 2), copy[i].reserved};
    if (Vbe_state().services.pmSetPalette) {
        Vbe_loadPalette(copy, count, first, wait);
    } else {
        const int32_t chunk =
            wait && st && st->paletteEntriesPerCall > 0 ? st->paletteEntriesPerCall : count;
        for (int32_t at = 0; at < count; at += chunk)
            VBE_setPalette(first + at, std::min(chunk, count - at), copy + at, wait != 0);
    }
    if (dc && dc->winDC && dc->palette)
        Escape(dc->winDC, 43, 1024, reinterpret_cast<LPCSTR>(dc->palette), nullptr);
}

bool VBE_set8BitDAC() {
    return VBE_setDACWidth(8) && VBE_getDACWidth() == 8;
}

void SVGA_vSync(GdlDeviceContext* dc) {
    if (sup().version >= 0x0200 && dc && dc->driverState)
        VBE_setVisualPage(dc, dc->driverState->visualPage, 1);
    else
        VGA_waitVRT();
}

void VBE_startStereo(GdlDeviceContext* dc) {
    VbeDriverState* st = dc ? stateOf(dc) : nullptr;
    if (!st) return;
    // Without the external connector the sync code is drawn in blue, entry
    // 255 of an 8-bit palette: the whole table goes out with it.
    if (!(st->stereoFlags & 8) && dc->mode.bitsPerPixel == 8 && dc->palette &&
        dc->v.realizePalette) {
        dc->palette[255] = {255, 0, 0, 0};
        dc->v.realizePalette(dc, dc->palette, 256, 0, 0);
    }
    if (st->stereoFlags & 2) VBE_enableStereo();
    st->stereoOn = 1;
    VBE_setVisualPage(dc, st->visualPage, 0);
}

void VBE_stopStereo(GdlDeviceContext* dc) {
    VbeDriverState* st = dc ? stateOf(dc) : nullptr;
    if (!st) return;
    if (st->stereoFlags & 2) VBE_disableStereo();
    st->stereoOn = 0;
}

// --- Timing ----------------------------------------------------------------------------------

bool VBE_useDoubleScan(const GdlDeviceContext* dc, int32_t refresh) {
    const uint32_t w = dc->mode.maxX + 1, h = dc->mode.maxY + 1;
    if (!(dc->mode.modeFlags & VBE_FLAG_DOUBLESCAN) || w >= 640 || h > 384) return false;
    return !(w == 512 && h == 384 && refresh > 80);
}

int32_t VBE_maxRefreshForClock(const GdlDeviceContext* dc, uint32_t pixelClock, bool interlaced) {
    GtfTimings t{};
    if (!Gtf_computeTimings(int32_t(dc->mode.maxX) + 1, int32_t(dc->mode.maxY) + 1,
                            pixelClock / 1e6, GTF_PIXEL_CLOCK, 0, interlaced, &t))
        return 0;
    return int32_t(t.vFrequency);
}

bool VBE_computeCRTCTimings(const GdlDeviceContext* dc, int32_t mode, int32_t refresh,
                            bool interlaced, VbeCrtcInfo* crtc, VbeClockQuery clockQuery) {
    if (!clockQuery || refresh <= 1) return false;
    const bool doubleScan = VBE_useDoubleScan(dc, refresh);
    const int32_t w = int32_t(dc->mode.maxX) + 1, h = int32_t(dc->mode.maxY) + 1;
    const int32_t lines = doubleScan ? 2 * h : h;
    double best = 1e9;
    bool found = false;
    // Whole tenths of a hertz: a floating step would drift off the grid.
    for (int32_t tenths = (refresh - 1) * 10; tenths < (refresh + 5) * 10; ++tenths) {
        GtfTimings t{}, actual{};
        if (!Gtf_computeTimings(w, lines, tenths / 10.0, GTF_VERTICAL_REFRESH, 0, interlaced, &t))
            continue;
        const int64_t clock = clockQuery(mode, uint32_t(t.pixelClock * 1e6 + 0.5));
        if (clock <= 0 || !Gtf_computeTimings(w, lines, double(clock) / 1e6, GTF_PIXEL_CLOCK, 0,
                                              interlaced, &actual))
            continue;
        const double miss =
            actual.vFrequency > refresh ? actual.vFrequency - refresh : refresh - actual.vFrequency;
        if (found && miss >= best) continue;
        found = true;
        best = miss;
        crtc->hTotal = uint16_t(t.hTotal), crtc->hSyncStart = uint16_t(t.hSyncStart);
        crtc->hSyncEnd = uint16_t(t.hSyncEnd), crtc->vTotal = uint16_t(t.vTotal);
        crtc->vSyncStart = uint16_t(t.vSyncStart), crtc->vSyncEnd = uint16_t(t.vSyncEnd);
        crtc->pixelClock = uint32_t(clock);
        crtc->refreshRate = uint16_t(actual.vFrequency * 100.0 + 0.5);
        uint8_t flags = uint8_t((interlaced ? 2 : 0) | (doubleScan ? 1 : 0));
        if (w <= 640 && h <= 400)
            flags |= h == 350 ? 8 : (h == 200 || h == 384 || h == 400) ? 4 : 12;
        else
            flags |= uint8_t((t.hSyncPolarity == '-' ? 4 : 0) | (t.vSyncPolarity == '-' ? 8 : 0));
        crtc->flags = flags;
    }
    return found;
}

uint32_t VBE_bankSwitches() {
    return sup().switches;
}

void VBE_resetSupport() {
    sup() = Support{};
    g_innerBank = nullptr;
}
