// The ACCEL drivers' mode set through the loaded VBE/AF driver, and the
// device entries that go to it: pages, display start, palette, stereo and
// the hardware cursor.
#include <algorithm>
#include <cstring>

#include "gdl/vbe.h"
#include "gdl/fsdirect.h"
#include "gdl/pixelformat.h"
#include "gdl/vbeaf.h"
#include "gdl/vga.h"
#include "gdl/windows.h"
#include "platform/ByteStream.h"
#include "platform/Gdi.h"

namespace {

namespace vb = platform::vbeaf;

VbeDriverState* stateOf(GdlDeviceContext* dc) {
    return dc ? static_cast<VbeDriverState*>(dc->driverState) : nullptr;
}

uint32_t stereoFlagsFor(uint32_t modeFlags) {
    uint32_t flags = 1;
    if (modeFlags & ACCEL_FLAG_STEREO) flags = modeFlags & ACCEL_FLAG_DUALSTART ? 6 : 2;
    if (modeFlags & ACCEL_FLAG_STEREO_EXT) flags |= 8;
    return flags;
}

int64_t closestClock(int32_t mode, uint32_t clock) {
    const int64_t got = ACCEL_call(vb::kClosestClock, {mode, intptr_t(clock)});
    return got > 0 ? got : -1;
}

// The refresh asked for, as a CRTC block; false when none is found.
bool refreshTimings(GdlDeviceContext* dc, int32_t mode, const platform::AfModeInfo& info,
                    int32_t* refresh, VbeCrtcInfo* crtc) {
    if (*refresh <= 0 || ACCEL_field(vb::kVersion) < 0x200) return false;
    if (info.maxPixelClock)
        *refresh = std::min(*refresh, VBE_maxRefreshForClock(dc, info.maxPixelClock, false));
    *refresh = std::max(*refresh, 60);
    return VBE_computeCRTCTimings(dc, mode, *refresh, false, crtc, closestClock);
}

// The mode's memory: the driver's mapped linear framebuffer, or the
// support library's virtual one over its bank window.
void takeSurface(GdlDeviceContext* dc, bool linear) {
    dc->flags &= ~GDL_ACCESS_MASK;
    if (linear) {
        dc->frameBase =
            static_cast<uint8_t*>(platform::VbeafAddressOf(ACCEL_field(vb::kMappedLinear)));
        if (!dc->frameBase) GDL_fatalError("Unable to obtain pointer to linear framebuffer!");
    } else {
        const GdlFsDirect* f = GDL_fsDirect();
        int32_t size = 0;
        const uint8_t* code = nullptr;
        dc->frameBase = nullptr;
        if (f && AF_getBankFunc32(ACCEL_driver(), &size, &code)) {
            f->vlfExit();
            dc->frameBase = static_cast<uint8_t*>(f->vlfInit(ACCEL_field(vb::kBankAddress),
                                                             ACCEL_field(vb::kBankSizeKB) * 1024,
                                                             uint32_t(size), code));
        }
        if (!dc->frameBase) GDL_fatalError("Unable to initialise virtual linear framebuffer!");
    }
    // The virtual framebuffer reads and writes as linear memory does.
    dc->flags |= 2;
    dc->surface = dc->frameBase;
}

void takeCursor(GdlDeviceContext* dc, uint32_t attributes) {
    GdlDriverState* s = dc->driverState;
    s->hardwareCursor = (attributes & 0x40) && ACCEL_hasEntry(vb::kSetCursor) ? 1 : 0;
    if (!s->hardwareCursor) return;
    s->setCursorImage = ACCEL_setCursor;
    s->moveCursor = ACCEL_setCursorPos;
    s->showCursor = ACCEL_showCursor;
    s->setCursorColor = ACCEL_setCursorColor;
    // The library's cursor colour until it sets one: colour 15, white.
    ACCEL_setCursorColor(
        dc, dc->mode.bitsPerPixel <= 8 ? 15u : GDL_packColor(&dc->format, 255, 255, 255));
}

void installEntries(GdlDeviceContext* dc) {
    VbeDriverState* st = stateOf(dc);
    st->setActivePage = ACCEL_setActivePage;
    st->setVisualPage = ACCEL_setVisualPage;
    st->setDisplayStart = ACCEL_setDisplayStart;
    st->waitRetrace = ACCEL_vSync;
    st->startStereo = ACCEL_startStereo;
    st->stopStereo = ACCEL_stopStereo;
    dc->v.realizePalette = ACCEL_setPalette;
}

// The hardware cursor's masks from the library's record: the second image
// (bytes 128 to 255) is drawn black and the first exclusive-or'd with the
// colour, so the card shows the colour where both are set, black where only
// the second is, and the screen where neither is.
platform::AfCursor cursorOf(const uint8_t* record) {
    platform::AfCursor c{};
    platform::ByteReader r(record, 264);
    for (uint32_t& row : c.xorMask)
        row = r.U32BE();
    for (uint32_t& row : c.andMask)
        row = ~r.U32BE();
    c.hotX = r.U32();
    c.hotY = r.U32();
    return c;
}

// The stereo sync lines of `page`: each eye's page where the driver puts
// it, the accelerator finished first; the driver's drawing buffer restored.
void drawStereoSync(GdlDeviceContext* dc, int32_t page) {
    const VbeDriverState* st = stateOf(dc);
    uint64_t eyes[2]{};
    for (int eye = 0; eye < 2; ++eye) {
        ACCEL_call(vb::kSetActiveBuffer, {page | (eye ? 0x8000 : 0)});
        eyes[eye] = ACCEL_field(vb::kActiveOffset);
    }
    ACCEL_call(vb::kSetActiveBuffer, {st->activePage});
    // No further than the driver's memory, nor than its mapped framebuffer.
    uint64_t memory = uint64_t(ACCEL_field(vb::kMemoryKB)) * 1024;
    if (dc->mode.modeNumber & 0x4000)
        memory = std::min(memory, uint64_t(ACCEL_field(vb::kLinearSizeKB)) * 1024);
    ACCEL_beginAccess();
    VBE_drawStereoSync(dc, eyes, memory);
    ACCEL_endAccess();
}

} // namespace

uint32_t ACCEL_field(uint32_t at) {
    const GdlVbeafDriver* d = ACCEL_driver();
    if (!d || uint64_t(at) + 4 > d->size) return 0;
    platform::ByteReader r(d->image + at, 4);
    return r.U32();
}

bool ACCEL_hasEntry(uint32_t slot) {
    return slot >= vb::kEntries && slot < vb::kEntriesEnd && ACCEL_field(slot) != 0;
}

int64_t ACCEL_call(uint32_t slot, std::initializer_list<intptr_t> args) {
    GdlVbeafDriver* d = ACCEL_driver();
    if (!d || !ACCEL_hasEntry(slot)) return -1;
    return platform::VbeafCallEntry(d->image, d->size, slot, args);
}

bool ACCEL_setVideoMode(int32_t mode, int32_t width, int32_t height, int32_t* bytesPerLine,
                        int32_t pages, void* crtc) {
    return AF_callDriver(ACCEL_driver(), mode, width, height, bytesPerLine, pages, crtc) == 0;
}

// Video memory across the full-screen period goes through the card's VESA
// BIOS, which the accelerator sits on.
void ACCEL_saveVideoMemory(int32_t mode) {
    if (VBE_ready()) VBE_saveVideoMemory(mode);
}

void ACCEL_restoreVideoMemory() {
    if (VBE_ready()) VBE_restoreVideoMemory();
}

bool ACCEL_initVBEAF(GdlDeviceContext* dc, int32_t mode, int32_t* savedMode, int32_t* saved43,
                     int32_t virtualWidth, int32_t virtualHeight, int32_t pages, int32_t stereo,
                     int32_t refresh) {
    VbeDriverState* st = stateOf(dc);
    if (!st || !ACCEL_driver()) return false;
    const uint32_t modeFlags = dc->mode.modeFlags;
    const uint32_t stereoFlags = stereo ? stereoFlagsFor(modeFlags) : 0;
    if ((stereoFlags & 1) || pages <= 0) return false;
    const int32_t width = int32_t(dc->mode.maxX) + 1, height = int32_t(dc->mode.maxY) + 1;
    const bool wantsVirtual = virtualWidth != -1 && virtualHeight != -1;
    if (wantsVirtual && (virtualWidth <= width || virtualHeight <= height)) return false;
    if (stereo) mode |= 0x400;
    const uint32_t offered = dc->mode.maxPage + 1;
    if (offered >= uint32_t(pages) && pages > 1) {
        dc->mode.maxPage = uint32_t(pages - 1);
        mode |= 0x2000;
    } else {
        dc->mode.maxPage = 0;
    }
    GDL_startFSDirect(width, height);
    VGA_leaveTextMode(savedMode, saved43);
    platform::AfModeInfo info{};
    ACCEL_call(vb::kGetModeInfo, {mode & ~0x4400, reinterpret_cast<intptr_t>(&info)});
    VbeCrtcInfo crtc{};
    if (refreshTimings(dc, mode, info, &refresh, &crtc)) mode |= 0x800;
    VGA_setBiosByte(0x10, uint8_t((VGA_biosByte(0x10) & ~0x10) | 0x20));
    ACCEL_saveVideoMemory(mode & ~0x800);
    VGA_setBiosByte(0x49, 0x10);
    int32_t bytesPerLine = 0;
    if (!ACCEL_setVideoMode(mode, wantsVirtual ? virtualWidth : -1,
                            wantsVirtual ? virtualHeight : -1, &bytesPerLine,
                            int32_t(dc->mode.maxPage) + 1, (mode & 0x800) ? &crtc : nullptr))
        return false;
    if (wantsVirtual) {
        dc->mode.bytesPerLine = uint32_t(bytesPerLine);
        dc->mode.maxX = uint32_t(virtualWidth - 1);
        dc->mode.maxY = uint32_t(virtualHeight - 1);
        dc->mode.pageSize = uint32_t(bytesPerLine) * uint32_t(virtualHeight);
        dc->virtualWidth = virtualWidth;
        dc->virtualHeight = virtualHeight;
        dc->scrollX = dc->scrollY = 0;
        dc->bounds = {0, 0, virtualWidth, virtualHeight};
    }
    takeSurface(dc, (mode & 0x4000) != 0);
    takeCursor(dc, info.attributes);
    st->dac8Bit = (info.attributes & 0x80) ? 1 : 0;
    st->stereoFlags = int32_t(stereoFlags);
    st->refresh = refresh;
    st->stereoOn = 0;
    installEntries(dc);
    // Once a context: a mode set again keeps what the first installed, and
    // the accelerator, which the mode set started afresh, is told the
    // drawing state again.
    if ((info.attributes & 0x10) && dc->v.beginAccess != ACCEL_beginAccess)
        ACCEL_installRendering(dc);
    else if (info.attributes & 0x10)
        ACCEL_sendAttributes(dc);
    ACCEL_setActivePage(dc, 0);
    ACCEL_setVisualPage(dc, 0, 0);
    return true;
}

bool ACCEL_restoreMode(GdlDeviceContext* dc) {
    VbeDriverState* st = stateOf(dc);
    if (!st) return false;
    const int32_t savedMode = st->savedMode, savedLines = st->savedLines;
    const bool stereo = st->stereoFlags != 0, stereoWasOn = st->stereoOn != 0;
    // A virtual screen left its own size in the record: the mode set again
    // needs the mode's, else the screen seems no larger than the mode.
    platform::AfModeInfo info{};
    if (dc->virtualWidth > 0 &&
        ACCEL_call(vb::kGetModeInfo, {int32_t(dc->mode.modeNumber & ~0x4400u),
                                      reinterpret_cast<intptr_t>(&info)}) == 0 &&
        info.xResolution && info.yResolution) {
        dc->mode.maxX = info.xResolution - 1u;
        dc->mode.maxY = info.yResolution - 1u;
    }
    const bool ok = ACCEL_initVBEAF(dc, int32_t(dc->mode.modeNumber), nullptr, nullptr,
                                    dc->virtualWidth ? dc->virtualWidth : -1,
                                    dc->virtualHeight ? dc->virtualHeight : -1,
                                    int32_t(dc->mode.maxPage) + 1, stereo, st->refresh);
    st->savedMode = savedMode;
    st->savedLines = savedLines;
    if (ok && stereoWasOn) ACCEL_startStereo(dc);
    return ok;
}

void ACCEL_restoreTextMode(GdlDeviceContext* dc) {
    VbeDriverState* st = stateOf(dc);
    ACCEL_waitIdle();
    ACCEL_restoreVideoMemory();
    VGA_backToTextMode(st ? st->savedMode : 0, st ? st->savedLines : 0,
                       [] { AF_exitDriver(ACCEL_driver()); });
    GDL_restoreFSDirect();
    if (const GdlFsDirect* f = GDL_fsDirect()) f->vlfExit();
}

// --- Pages, display start, palette, stereo ---------------------------------------------

void ACCEL_setActivePage(GdlDeviceContext* dc, int32_t page) {
    VbeDriverState* st = stateOf(dc);
    const int32_t index = page & 0x7FFF;
    // An off-screen context's memory is its area, whatever the page.
    if (!st || index > int32_t(dc->mode.maxPage) || page < 0 || dc->type != GDL_DC_FULLSCREEN)
        return;
    ACCEL_call(vb::kSetActiveBuffer, {page});
    st->activePage = page;
    const uint32_t offset = ACCEL_field(vb::kActiveOffset);
    dc->frameStart = int32_t(offset);
    dc->surface = dc->frameBase + offset;
    if (dc->winDC) Escape(dc->winDC, 42, 4, reinterpret_cast<LPCSTR>(&offset), nullptr);
    ACCEL_forgetClip();
}

void ACCEL_setVisualPage(GdlDeviceContext* dc, int32_t page, int32_t wait) {
    VbeDriverState* st = stateOf(dc);
    if (!st || page < 0 || page > int32_t(dc->mode.maxPage)) return;
    st->visualPage = page;
    if (st->stereoOn) drawStereoSync(dc, page);
    if (dc->mode.maxPage == 1) wait = 1;
    if ((dc->mode.modeFlags & ACCEL_FLAG_TRIPLE) && !wait)
        for (int polls = 0; polls < 64 && ACCEL_call(vb::kDisplayStartStatus, {}) == 0; ++polls) {
        }
    ACCEL_call(vb::kSetVisibleBuffer, {page, wait});
}

void ACCEL_setDisplayStart(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t wait) {
    if (!dc) return;
    dc->scrollX = x;
    dc->scrollY = y;
    ACCEL_call(vb::kSetDisplayStart, {x, y, wait ? wait : 1});
}

void ACCEL_vSync(GdlDeviceContext* dc) {
    if (VbeDriverState* st = stateOf(dc)) ACCEL_call(vb::kSetVisibleBuffer, {st->visualPage, 1});
}

void ACCEL_setPalette(GdlDeviceContext* dc, const GdlPaletteEntry* entries, int32_t count,
                      int32_t first, int32_t wait) {
    // Never past the palette's 256 entries.
    if (!entries || first < 0 || first >= 256 || count <= 0) return;
    count = std::min(count, 256 - first);
    VbeDriverState* st = stateOf(dc);
    // Hardware entry first + i takes the palette's entry first + i.
    platform::AfPalette copy[256];
    for (int32_t i = 0; i < count; ++i) {
        const GdlPaletteEntry& e = entries[first + i];
        copy[i] = {e.blue, e.green, e.red, 0};
        if (!(st && st->dac8Bit))
            copy[i] = {uint8_t(e.blue >> 2), uint8_t(e.green >> 2), uint8_t(e.red >> 2), 0};
    }
    const int32_t chunk =
        wait && st && st->paletteEntriesPerCall > 0 ? st->paletteEntriesPerCall : count;
    for (int32_t at = 0; at < count; at += chunk)
        ACCEL_call(vb::kSetPalette, {reinterpret_cast<intptr_t>(copy + at),
                                     std::min(chunk, count - at), first + at, wait});
    if (dc && dc->winDC && dc->palette)
        Escape(dc->winDC, 43, 1024, reinterpret_cast<LPCSTR>(dc->palette), nullptr);
}

void ACCEL_startStereo(GdlDeviceContext* dc) {
    VbeDriverState* st = stateOf(dc);
    if (!st) return;
    ACCEL_call(vb::kEnableStereo, {1});
    st->stereoOn = 1;
    ACCEL_setVisualPage(dc, st->visualPage, 0);
}

void ACCEL_stopStereo(GdlDeviceContext* dc) {
    VbeDriverState* st = stateOf(dc);
    if (!st) return;
    ACCEL_call(vb::kEnableStereo, {0});
    st->stereoOn = 0;
}

// --- Hardware cursor --------------------------------------------------------------------

void ACCEL_setCursor(const void* record) {
    if (!record) return;
    platform::AfCursor c = cursorOf(static_cast<const uint8_t*>(record));
    ACCEL_call(vb::kSetCursor, {reinterpret_cast<intptr_t>(&c)});
}

void ACCEL_setCursorPos(int32_t x, int32_t y) {
    ACCEL_call(vb::kSetCursorPos, {x, y});
}

void ACCEL_showCursor(int32_t show) {
    ACCEL_call(vb::kShowCursor, {show});
}

void ACCEL_setCursorColor(GdlDeviceContext* dc, uint32_t pixel) {
    if (!dc) return;
    if (dc->mode.bitsPerPixel <= 8) {
        ACCEL_call(vb::kSetCursorColor, {intptr_t(pixel & 0xFF), 0, 0});
        return;
    }
    uint8_t r = 0, g = 0, b = 0;
    GDL_unpackColor(&dc->format, pixel, &r, &g, &b);
    ACCEL_call(vb::kSetCursorColor, {r, g, b});
}
