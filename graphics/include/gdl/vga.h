// The VGA back ends: the services under them (detection, BIOS mode set inside
// FSDirect's full screen, text mode back, pages, display start, the DAC, the
// retrace wait, ports and indexed registers, the CMOS) and the drivers'
// headers, detect and init entries.
#pragma once

#include <cstdint>

#include "gdl/dc.h"
#include "gdl/driver.h"
#include "platform/FsDirect.h"

// The VGA family's shared state: the text mode to go back to.
struct VgaDriverState : GdlDriverState {
    int32_t savedMode;  // BIOS mode before the graphics mode
    int32_t savedLines; // 1 when the text mode had 43 or 50 lines
};

// --- Services ----------------------------------------------------------------------
int32_t VGA_detect(int32_t* driver);
void VGA_addMode(GDLModeEntry* table, int32_t entry, int32_t driverNumber, GdlModeRecord* record);
typedef void (*VgaModeCallback)(int32_t secondWord);
int32_t VGA_setMode(GdlDeviceContext* dc, int32_t modeWord, int32_t secondWord,
                    int32_t* previousMode, int32_t* previousLines, VgaModeCallback callback);
void VGA_restoreTextMode(int32_t previousMode, int32_t lines, VgaModeCallback callback);
void VGA_setActivePage(GdlDeviceContext* dc, int32_t page);
void VGA_setVisualPage(GdlDeviceContext* dc, int32_t page, int32_t wait);
void VGA_realizePalette(GdlDeviceContext* dc, const GdlPaletteEntry* palette, int32_t count,
                        int32_t first, int32_t wait);
void VGA_setPaletteDAC(const GdlPaletteEntry* entries, int32_t count, int32_t first,
                       int32_t perRetrace, int32_t wait);
void VGA_setDisplayStart(uint32_t address, int32_t page, int32_t wait);
void VGA_waitVRT();
uint8_t VGA_inpb(uint16_t port);
uint16_t VGA_inpw(uint16_t port);
uint32_t VGA_inpd(uint16_t port);
void VGA_outpb(uint16_t port, uint8_t value);
void VGA_outpw(uint16_t port, uint16_t value);
void VGA_outpd(uint16_t port, uint32_t value);
uint8_t VGA_rdinx(uint16_t port, uint8_t index);
void VGA_wrinx(uint16_t port, uint8_t index, uint8_t value);
void VGA_clrinx(uint16_t port, uint8_t index, uint8_t mask);
uint8_t VGA_readCMOS(uint8_t reg);
// Interrupt 10h and the BIOS data area through FSDirect (the VESA support's too).
platform::PmiRegs VGA_int10(uint32_t ax, uint32_t bx = 0, uint32_t cx = 0, uint32_t dx = 0);
uint8_t VGA_biosByte(uint32_t offset);
void VGA_setBiosByte(uint32_t offset, uint8_t value);
// Notes the BIOS text mode and its 43/50 lines, then mode 3 keeping memory.
void VGA_leaveTextMode(int32_t* savedMode, int32_t* savedLines);
// Back to what VGA_leaveTextMode noted, `setMode3` setting mode 3.
void VGA_backToTextMode(int32_t savedMode, int32_t savedLines, void (*setMode3)());
// The process-wide mapping of A0000h (null until the first mode set).
uint8_t* VGA_videoMemory();
// Forgets the mapping (library reset).
void VGA_resetServices();

// Mode X (modes 7 to 10) from BIOS mode 13h; false for another mode.
bool VGAX_programRegisters(int32_t mode);

// Attaches the family's shared state to a context that opens `mode` with the
// record it was detected with and marks it full screen; the last context's
// destroy goes back to the saved text mode, `reset` sets the mode again after
// a switch back. Null when out of memory.
VgaDriverState* VGA_attachContext(GdlDeviceContext* dc, const GdlModeRecord& record,
                                  int32_t driverNumber, int32_t mode, HWND window,
                                  GdlDriverVoidFunc reset);
// The shared state while a context of the family exists, else null.
VgaDriverState* VGA_familyState();

// A family member: the modes it serves, the records it registers for them,
// its render set and its mode set (null context: again after a switch back).
struct VgaModeRange {
    int32_t first, last, suggested;
    GdlModeRecord* records; // last - first + 1, filled by detection
    GdlModeRecord (*recordOf)(int32_t mode);
    void (*setupVectors)(GdlDeviceContext* dc);
    bool (*setMode)(GdlDeviceContext* dc, VgaDriverState* state, int32_t mode);
    GdlDriverVoidFunc reset; // the mode set again, for the family state's mode
};
// Detect entry: a VGA registers the range's modes with their records.
int32_t VGA_detectModes(const VgaModeRange& range, int32_t index, int32_t wanted, int32_t* driver,
                        int32_t* suggested, GDLModeEntry* table);
// Init entry: the family's checks (a mode of the range, no explicit
// position, reserved 0), the record, the shared state, the pixel format, the
// render set and the mode set. 1 on success.
int32_t VGA_initContext(const VgaModeRange& range, GdlDeviceContext* dc, int32_t driverNumber,
                        int32_t mode, HWND window, int32_t x, int32_t y, int32_t reserved);

// A family member's header (version 2, type VGA).
GdlDriverHeader VGA_makeHeader(const char* name, const char* banner, const GdlModeRecord* modes,
                               int32_t modeCount, GdlDetectFunc detect, GdlInitFunc init);
// The header of the member `R`, its detect and init entries over the range.
template <const VgaModeRange& R>
GdlDriverHeader VGA_rangeHeader(const char* name, const char* banner, const GdlModeRecord* modes) {
    return VGA_makeHeader(
        name, banner, modes, R.last - R.first + 1,
        [](int32_t index, int32_t wanted, int32_t* driver, int32_t* suggested,
           GDLModeEntry* table) {
            return VGA_detectModes(R, index, wanted, driver, suggested, table);
        },
        [](GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t x,
           int32_t y, int32_t, int32_t reserved,
           int32_t) { return VGA_initContext(R, dc, driverNumber, mode, window, x, y, reserved); });
}

// The routines of a planar render set (mode X, 16 colours) and their
// installation over the generic renderers and default blits.
struct VgaPlanarSet {
    GdlGetPixelFunc getPixel;
    GdlPutPixelFunc putPixel;
    GdlGetRowFunc getRow;
    GdlPutRowFunc putRow;
    GdlLineFunc line;
    GdlSpanFunc span;
    GdlFillRectFunc fillRect;
    GdlSpanListFunc spanList;
    GdlEllipseFunc ellipse;
};
void VGA_installPlanarSet(GdlDeviceContext* dc, const VgaPlanarSet& set);

// The 16-colour modes' attribute controller: identity palette, video on;
// mode 3 (640 x 400) first reprograms mode 12h for 400 lines.
void VGA4_resetAttributes(int32_t mode);

// The 8-bit drivers' dithered pixel: the current true colour (three bytes,
// the low one weighing 36) as an index of the colour cube at 20, dithered by
// position, written through the context's pixel entry.
uint8_t DRV_ditherIndex(uint32_t color, int32_t x, int32_t y);
void DRV_putDitheredPixel(int32_t x, int32_t y);

// The generic saved image (mode X's): its size, the save through the row
// reader and the restore through the row writer.
int32_t DRV_getImageSize(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                         int32_t bottom);
void DRV_saveImage(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   void* buffer);
void DRV_restoreImage(GdlDeviceContext* dc, const void* buffer);

// --- Drivers -----------------------------------------------------------------------
const GdlDriverHeader* VGA8_header();
const GdlDriverHeader* VGAX_header();
const GdlDriverHeader* VGA4_header();
// The 16-colour planar render set (through the adapter's access calls), for
// VGA4.DRV and the banked 16-colour VBE driver.
void VGA4_setupVectors(GdlDeviceContext* dc);
// The mode X render set (planar 256 colours through the adapter's access calls).
void VGAX_setupVectors(GdlDeviceContext* dc);
// The 8-bit linear set-up: VGA8's, and later the linear VBE drivers'.
void LINEAR8_setupVectors(GdlDeviceContext* dc);
