// The services under the VGA drivers: the VGA test, the mode record's format,
// the BIOS mode set inside FSDirect's full screen and the way back to text,
// pages through the CRT controller's start address, the DAC in chunks per
// retrace, the retrace wait, ports, indexed registers and the CMOS.
#include <algorithm>
#include <cstring>

#include "gdl/fsdirect.h"
#include "gdl/vga.h"
#include "gdl/windows.h"
#include "platform/Gdi.h"
#include "platform/Vga.h"

namespace {

uint8_t* g_video = nullptr; // the mapping of A0000h

void emptyAccess() {}

platform::PmiRegs bios(uint32_t ax, uint32_t bx = 0, uint32_t cx = 0, uint32_t dx = 0) {
    platform::PmiRegs in{ax, bx, cx, dx, 0, 0, 0}, out{};
    PMI_int86(0x10, &in, &out);
    return out;
}

uint8_t biosByte(uint32_t offset) {
    return PMI_getByte(GDL_biosSelector(), offset);
}

void setBiosByte(uint32_t offset, uint8_t value) {
    if (const GdlFsDirect* f = GDL_fsDirect()) f->setByte(GDL_biosSelector(), offset, value);
}

// Port 3DAh bit 0: display disabled; bit 3: vertical retrace. The simulated
// beam moves with each read, so every loop ends.
void waitWhile(uint8_t bit) {
    while (VGA_inpb(0x3DA) & bit) {
    }
}
void waitUntil(uint8_t bit) {
    while (!(VGA_inpb(0x3DA) & bit)) {
    }
}

} // namespace

int32_t VGA_detect(int32_t* driver) {
    GDL_initWindows();
    if (!GDL_fsDirectAvailable()) return 0;
    const platform::PmiRegs r = bios(0x1A00);
    const uint8_t al = uint8_t(r.ax), bl = uint8_t(r.bx), bh = uint8_t(r.bx >> 8);
    if (al != 0x1A || !(bl == 7 || bl == 8 || bh == 8)) return 0;
    if (driver && *driver < 1) *driver = 1;
    return 1;
}

void VGA_addMode(GDLModeEntry* table, int32_t entry, int32_t driverNumber, GdlModeRecord* record) {
    record->redSize = record->greenSize = record->blueSize = 8;
    record->redPosition = 16;
    record->greenPosition = 8;
    record->bluePosition = 0;
    record->alphaSize = record->alphaPosition = 0;
    table[entry] = {uint8_t(driverNumber), uint8_t(record->maxPage + 1), 0};
}

int32_t VGA_setMode(GdlDeviceContext* dc, int32_t modeWord, int32_t secondWord,
                    int32_t* previousMode, int32_t* previousLines, VgaModeCallback callback) {
    GDL_initWindows();
    if (dc) GDL_startFSDirect(int32_t(dc->mode.maxX) + 1, int32_t(dc->mode.maxY) + 1);
    int32_t mode = bios(0x0F00).ax & 0x7F, lines = 0;
    if (mode == 3) {
        const uint8_t dl = uint8_t(bios(0x1130, 0).dx);
        lines = dl == 0x2A || dl == 0x31 ? 1 : 0;
    }
    if (previousMode) *previousMode = mode;
    if (previousLines) *previousLines = lines;
    bios(0x0083);
    setBiosByte(0x10, uint8_t((biosByte(0x10) & ~0x10) | 0x20));
    if (callback) callback(secondWord);
    setBiosByte(0x49, 0x10);
    bios(uint32_t(modeWord) & 0xFFFF, uint32_t(secondWord) & 0xFFFF);
    // Mapped again at every mode set: a new adapter brings a new window.
    g_video = static_cast<uint8_t*>(PMI_mapPhysicalAddr(0xA0000, 0xFFFF));
    if (!g_video) {
        GDL_restoreDesktopMode();
        GDL_fatalError("Unable to obtain video memory pointer!\n");
    }
    if (!dc) return 1;
    GdlDriverState* s = dc->driverState;
    if (s) {
        s->stereoFlags = 0;
        s->setActivePage = VGA_setActivePage;
        s->setVisualPage = VGA_setVisualPage;
        s->waitRetrace = [](GdlDeviceContext*) { VGA_waitVRT(); };
    }
    dc->frameBase = dc->surface = g_video;
    dc->v.realizePalette = VGA_realizePalette;
    dc->v.beginDirectAccess = dc->v.endDirectAccess = emptyAccess;
    return 1;
}

void VGA_restoreTextMode(int32_t previousMode, int32_t lines, VgaModeCallback callback) {
    VGA_setDisplayStart(0, 0, 0);
    if (callback) callback(0);
    if (previousMode == 7) setBiosByte(0x10, uint8_t(biosByte(0x10) | 0x30));
    bios(0x0003);
    if (lines) {
        bios(0x1112, 0);
        const uint8_t dl = uint8_t(bios(0x1130, 0).dx);
        if (dl == 0x2A) {
            setBiosByte(0x87, uint8_t(biosByte(0x87) | 1));
            bios(0x0100, 0, 0x0607);
        }
    }
    GDL_restoreFSDirect();
}

void VGA_setActivePage(GdlDeviceContext* dc, int32_t page) {
    if (!dc || page < 0 || uint32_t(page) > dc->mode.maxPage) return;
    if (dc->driverState) dc->driverState->activePage = page;
    dc->frameStart = int32_t(uint32_t(page) * dc->mode.pageSize);
    dc->surface = dc->frameBase + dc->frameStart;
    if (dc->winDC) {
        uint32_t address = uint32_t(dc->frameStart);
        Escape(dc->winDC, 42, 4, reinterpret_cast<LPCSTR>(&address), nullptr);
    }
}

void VGA_setVisualPage(GdlDeviceContext* dc, int32_t page, int32_t wait) {
    if (!dc || page < 0 || uint32_t(page) > dc->mode.maxPage) return;
    if (dc->driverState) dc->driverState->visualPage = page;
    VGA_setDisplayStart(uint32_t(page) * dc->mode.pageSize, page, wait == 0 ? 1 : wait);
}

void VGA_setDisplayStart(uint32_t address, int32_t, int32_t wait) {
    if (wait & 1) waitWhile(0x01);
    VGA_outpw(0x3D4, uint16_t(0x0D | (address & 0xFF) << 8));
    VGA_outpw(0x3D4, uint16_t(0x0C | (address & 0xFF00)));
    if (wait & 1) waitUntil(0x08);
}

void VGA_realizePalette(GdlDeviceContext* dc, const GdlPaletteEntry* palette, int32_t count,
                        int32_t first, int32_t wait) {
    // Entries past the 256 the DAC holds are not read (nor written to the table).
    first = std::clamp(first, 0, 256);
    count = std::min(count, 256 - first);
    if (!palette || count < 1) return;
    GdlPaletteEntry table[256];
    const GdlPaletteEntry* entries = palette + first;
    const int32_t perCall = dc && dc->driverState ? dc->driverState->paletteEntriesPerCall : 256;
    if (!(dc && dc->driverState && dc->driverState->dac8Bit)) {
        for (int32_t i = 0; i < count; ++i)
            table[i] = {uint8_t(entries[i].blue >> 2), uint8_t(entries[i].green >> 2),
                        uint8_t(entries[i].red >> 2), entries[i].reserved};
        entries = table;
    }
    VGA_setPaletteDAC(entries, count, first, perCall, wait);
    if (dc && dc->winDC && dc->palette)
        Escape(dc->winDC, 43, 1024, reinterpret_cast<LPCSTR>(dc->palette), nullptr);
}

void VGA_setPaletteDAC(const GdlPaletteEntry* entries, int32_t count, int32_t first,
                       int32_t perRetrace, int32_t wait) {
    first = std::clamp(first, 0, 256);
    count = std::min(count, 256 - first);
    if (!entries || count < 1 || perRetrace < 1) return;
    VGA_outpb(0x3C8, uint8_t(first));
    const int32_t chunk = wait ? perRetrace : count;
    for (int32_t at = 0; at < count; at += chunk) {
        if (wait) {
            if (at == 0) waitWhile(0x08);
            waitUntil(0x08);
        }
        for (int32_t i = at; i < std::min(count, at + chunk); ++i) {
            VGA_outpb(0x3C9, entries[i].red);
            VGA_outpb(0x3C9, entries[i].green);
            VGA_outpb(0x3C9, entries[i].blue);
        }
    }
}

void VGA_waitVRT() {
    waitWhile(0x01);
    waitUntil(0x08);
}

uint8_t VGA_inpb(uint16_t port) {
    return platform::VgaInPort(port);
}
uint16_t VGA_inpw(uint16_t port) {
    return platform::VgaInPortWord(port);
}
uint32_t VGA_inpd(uint16_t port) {
    return platform::VgaInPortDword(port);
}
void VGA_outpb(uint16_t port, uint8_t value) {
    platform::VgaOutPort(port, value);
}
void VGA_outpw(uint16_t port, uint16_t value) {
    platform::VgaOutPortWord(port, value);
}
void VGA_outpd(uint16_t port, uint32_t value) {
    platform::VgaOutPortDword(port, value);
}

uint8_t VGA_rdinx(uint16_t port, uint8_t index) {
    if (port == 0x3C0) VGA_inpb(0x3DA);
    VGA_outpb(port, index);
    return VGA_inpb(uint16_t(port + 1));
}

void VGA_wrinx(uint16_t port, uint8_t index, uint8_t value) {
    VGA_outpb(port, index);
    VGA_outpb(uint16_t(port + 1), value);
}

void VGA_clrinx(uint16_t port, uint8_t index, uint8_t mask) {
    VGA_wrinx(port, index, uint8_t(VGA_rdinx(port, index) & ~mask));
}

uint8_t VGA_readCMOS(uint8_t reg) {
    VGA_outpb(0x70, uint8_t(reg | 0x80));
    const uint8_t value = VGA_inpb(0x71);
    VGA_outpb(0x70, 0);
    return value;
}

uint8_t* VGA_videoMemory() {
    return g_video;
}

void VGA_resetServices() {
    g_video = nullptr;
}

platform::PmiRegs VGA_int10(uint32_t ax, uint32_t bx, uint32_t cx, uint32_t dx) {
    return bios(ax, bx, cx, dx);
}
uint8_t VGA_biosByte(uint32_t offset) {
    return biosByte(offset);
}
void VGA_setBiosByte(uint32_t offset, uint8_t value) {
    setBiosByte(offset, value);
}
