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
// The process-wide mapping of A0000h (null until the first mode set).
uint8_t* VGA_videoMemory();
// Forgets the mapping (library reset).
void VGA_resetServices();

// Mode X (modes 7 to 10) from BIOS mode 13h; false for another mode.
bool VGAX_programRegisters(int32_t mode);

// --- Drivers -----------------------------------------------------------------------
const GdlDriverHeader* VGA8_header();
// The 8-bit linear set-up: VGA8's, and later the linear VBE drivers'.
void LINEAR8_setupVectors(GdlDeviceContext* dc);
