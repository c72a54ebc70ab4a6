// The hardware drivers' side of the library: the mode records every hardware
// driver copies, the table of drivers linked into the program, and the
// DirectDraw family (DDRAW8.DRV to DDRAW32.DRV): detection through the
// enumerated modes, the exclusive full-screen mode with its flip chain, pages,
// palette, one off-screen surface, hardware fills and blits, and the
// wrappers that lock video memory around the software renderers.
#pragma once

#include <cstdint>

#include "gdl/dc.h"
#include "gdl/driver.h"
#include "platform/DirectDraw.h"

// --- Mode records and linked drivers ---------------------------------------------

// The record of mode 0..85 as the drivers' headers hold it (run-time words 0).
const GdlModeRecord* DRV_modeRecord(int32_t mode);
// The pixel aspect ratio x 1000 of a screen of that size (1000: square).
uint32_t DRV_aspectRatio(int32_t width, int32_t height);

// A driver linked into the program: its file name and header.
struct GdlLinkedDriver {
    const char* fileName;
    const GdlDriverHeader* header;
};
// The hardware drivers this program links: the display device registers
// those its flags ask for.
const GdlLinkedDriver* GDL_linkedDrivers(int32_t* count);

// --- DirectDraw family -------------------------------------------------------------

const GdlDriverHeader* DDRAW_header(int32_t bits); // 8, 16 (and 15), 24, 32
// The display modes DirectDraw lists, enumerated once a run.
void DDRAW_enumerateModes();
int32_t DDRAW_detect(int32_t driverIndex, int32_t wantedType, int32_t* driver,
                     int32_t* suggestedMode, GDLModeEntry* modeTable);
// Add-mode of one record: with the page flag the pages video memory holds
// (at most 8), without it one page only.
void DDRAW_addMode(GDLModeEntry* table, int32_t mode, int32_t driverIndex, GdlModeRecord* record,
                   bool pageFlag);
int32_t DDRAW_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t x,
                   int32_t y, int32_t pages, int32_t reserved, int32_t refresh);

int32_t DDRAW_setMode(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t pages, int32_t reserved,
                      int32_t refresh);
void DDRAW_installHooks(GdlDeviceContext* dc);
// Locks and unlocks every page of the chain once, recording its address.
bool DDRAW_lockSurfaces(GdlDeviceContext* dc);
void DDRAW_setActivePage(GdlDeviceContext* dc, int32_t page);
void DDRAW_setVisualPage(GdlDeviceContext* dc, int32_t page, int32_t wait);
void DDRAW_waitRetrace(GdlDeviceContext* dc);
int32_t DDRAW_createOffscreenDC(GdlDeviceContext* dc);
void DDRAW_releaseSurfaces();
void DDRAW_setPalette(GdlDeviceContext* dc, const GdlPaletteEntry* palette, int32_t count,
                      int32_t first, int32_t wait);
void DDRAW_beginAccess();
void DDRAW_endAccess();
void DDRAW_lockSurface();
void DDRAW_unlockSurface();
// The lock nesting count shared by the wrapper families (-1: not locked).
int32_t DDRAW_lockCount();
const char* DDRAW_errorName(HRESULT result);
HWND GDL_createFullscreenWindow();

// The DirectDraw surfaces of a DirectDraw display context (type 0, driver
// "DDRA..."): the primary and the one drawing locks; null otherwise.
LPDIRECTDRAWSURFACE GDL_getPrimarySurface(GdlDeviceContext* dc);
LPDIRECTDRAWSURFACE GDL_getDirectDrawSurface(GdlDeviceContext* dc);

// A new off-screen context cloned from a display context, through its
// driver's entry; null with the result code set (-16 without one).
GdlDeviceContext* GDL_createOffscreenDC(GdlDeviceContext* display);

// --- Surface-lock wrappers ------------------------------------------------------------

// Saves `dc`'s vector as the DirectDraw family's and replaces every
// rendering member by a wrapper that calls the saved routine between
// DDRAW_beginAccess and DDRAW_endAccess.
void DDRAW_installLockedCalls(GdlDeviceContext* dc);
// How many members the wrappers cover.
int32_t DRV_lockedCallCount();
// Adds 1 to members[n] for each wrapped member of n arguments (n < size).
void DRV_lockedCallWords(int32_t* members, int32_t size);
