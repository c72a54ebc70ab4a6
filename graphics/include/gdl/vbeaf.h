// The VBE/AF accelerator driver behind the ACCEL drivers: finding and loading
// "VBEAF.DRV" (or taking the one the \\.\GDLHELP device holds), checking
// every field and offset of it, its physical mappings and real-mode
// callbacks, and the ACCEL drivers' shared detection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "gdl/dc.h"
#include "gdl/driver.h"
#include "platform/Vbeaf.h"

// A loaded driver: its image (the loader's own copy, or the device's) and
// whether its entries are called directly.
struct GdlVbeafDriver {
    uint8_t* image;
    size_t size;
    bool direct;
};

// Statuses of the last load (AF_getStatus).
enum : int32_t {
    AF_STATUS_OK = 0,
    AF_STATUS_REFUSED = 1, // the driver's initialisation refused
    AF_STATUS_NOT_FOUND = 2,
    AF_STATUS_CORRUPT = 3, // signature, an offset or a length does not hold
    AF_STATUS_NO_MEMORY = 4,
    AF_STATUS_NO_MAPPING = 6,
};

// The device.
uint32_t AF_openHelper();
uint8_t* AF_getHelperDriver(int32_t index, size_t* size);
int32_t AF_callDriver(GdlVbeafDriver* driver, int32_t mode, int32_t virtualWidth,
                      int32_t virtualHeight, int32_t* bytesPerLine, int32_t buffers, void* crtc);
void AF_exitDriver(GdlVbeafDriver* driver);

// The loader.
GdlVbeafDriver* AF_loadDriver(const char* directory);
int32_t AF_initDriver(uint8_t* image, size_t size);
int32_t AF_getStatus();
// The bank routine wrapped for the support library's virtual framebuffer:
// 1 with its size and code, 0 without a routine or when it does not fit.
int32_t AF_getBankFunc32(const GdlVbeafDriver* driver, int32_t* size, const uint8_t** code);
void AF_int86Callback(uint32_t interrupt, platform::DpmiRegs* regs);
void AF_callRealModeCallback(platform::DpmiRegs* regs);
FILE* AF_openDriverFile(const char* path);
int64_t AF_driverFileSize(FILE* file);
size_t AF_readDriverFile(void* buffer, size_t size, FILE* file);
void AF_closeDriverFile(FILE* file);
// Physical mappings made so far (each once per process).
int32_t AF_mappingsMade();
// The loader back to its start (library reset, the support library gone).
void AF_resetLoader();

// "\" appended to a path that does not end in one.
void GDL_ensureBackslash(char* path, size_t room);

// The ACCEL drivers' detection.
int32_t ACCEL_loadVBEAF(int32_t* type, int32_t* driverType);
void ACCEL_setDriverType(int32_t* type, int32_t* driverType);
// The driver loaded by detection (null: none), and the virtual-framebuffer flag.
GdlVbeafDriver* ACCEL_driver();
bool ACCEL_virtualFramebuffer();

// Registers the driver's mode of the record's size and depth: the record
// filled from the driver's mode information, the table entry with the page
// count and the mode's flags (nothing when the driver has no such mode, or
// only a banked one while no virtual framebuffer is there).
void ACCEL_addMode(GDLModeEntry* table, int32_t index, int32_t driver, GdlModeRecord* record);

// Mode-flags word of an ACCEL mode record.
enum : uint32_t {
    ACCEL_FLAG_LINEAR = 0x0001,
    ACCEL_FLAG_VERSION2 = 0x0002,
    ACCEL_FLAG_CURSOR = 0x0200,
    ACCEL_FLAG_ACCELERATED = 0x0400,

    ACCEL_FLAG_TRIPLE = 0x0004,
    ACCEL_FLAG_INTERLACE = 0x0008,
    ACCEL_FLAG_STEREO = 0x0010,
    ACCEL_FLAG_DUALSTART = 0x0020,
    ACCEL_FLAG_STEREO_EXT = 0x0080,
    ACCEL_FLAG_MULTIBUFFER = 0x2000,
};

// --- The loaded driver's entries ------------------------------------------------------
// A 32-bit field of the loaded image (0 without a driver).
uint32_t ACCEL_field(uint32_t at);
// Whether the loaded driver offers the entry at `slot`.
bool ACCEL_hasEntry(uint32_t slot);
// Calls the entry at `slot`; -1 without a driver or entry.
int64_t ACCEL_call(uint32_t slot, std::initializer_list<intptr_t> args);

// --- Mode set -------------------------------------------------------------------------
bool ACCEL_initVBEAF(GdlDeviceContext* dc, int32_t mode, int32_t* savedMode, int32_t* saved43,
                     int32_t virtualWidth, int32_t virtualHeight, int32_t pages, int32_t stereo,
                     int32_t refresh);
bool ACCEL_restoreMode(GdlDeviceContext* dc);
void ACCEL_restoreTextMode(GdlDeviceContext* dc);
bool ACCEL_setVideoMode(int32_t mode, int32_t width, int32_t height, int32_t* bytesPerLine,
                        int32_t pages, void* crtc);
void ACCEL_saveVideoMemory(int32_t mode);
void ACCEL_restoreVideoMemory();
void ACCEL_setActivePage(GdlDeviceContext* dc, int32_t page);
void ACCEL_setVisualPage(GdlDeviceContext* dc, int32_t page, int32_t wait);
void ACCEL_setDisplayStart(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t wait);
void ACCEL_vSync(GdlDeviceContext* dc);
void ACCEL_setPalette(GdlDeviceContext* dc, const GdlPaletteEntry* entries, int32_t count,
                      int32_t first, int32_t wait);
void ACCEL_startStereo(GdlDeviceContext* dc);
void ACCEL_stopStereo(GdlDeviceContext* dc);
// The hardware cursor: the library's 264-byte record, position, show, colour.
void ACCEL_setCursor(const void* record);
void ACCEL_setCursorPos(int32_t x, int32_t y);
void ACCEL_showCursor(int32_t show);
void ACCEL_setCursorColor(GdlDeviceContext* dc, uint32_t pixel);

// --- Accelerated rendering --------------------------------------------------------------
// Saves the vector, wraps every member that writes video memory and hands
// the members the driver offers to it (once per shared state).
void ACCEL_installRendering(GdlDeviceContext* dc);
// The wrappers: plain ones wait until the accelerator is idle; locked ones
// enable direct access around the outermost call.
void ACCEL_installLockedCalls(GdlDeviceContext* dc, bool locked);
// Off-screen contexts over the driver's offscreen memory (kinds 4 and 5):
// 1, or 0 with -29 (no hardware blit) or -30 (no offscreen memory).
int32_t ACCEL_makeOffscreenDC(GdlDeviceContext* dc);
int32_t ACCEL_makeOffscreenDC2(GdlDeviceContext* dc);
void ACCEL_beginAccess();
void ACCEL_endAccess();
void ACCEL_waitIdle();
// The write mode, fill style and patterns of `dc` told to the accelerator
// again (a mode set starts it afresh), when `dc` is the one drawn on.
void ACCEL_sendAttributes(GdlDeviceContext* dc);
// What the accelerator holds (the clip, the line stipple) sent again before
// the next accelerated call.
void ACCEL_forgetClip();
// The driver's two further colour primitives (flag 40h), handed the
// current colour and the caller's arguments as they are: 1 when the driver
// took the call, 0 when it has no such entry.
int32_t ACCEL_drawExtra5(int32_t a, int32_t b, int32_t c, int32_t d);
int32_t ACCEL_drawExtra6(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e);

// --- Drivers -----------------------------------------------------------------------
const GdlDriverHeader* ACCEL_header(int32_t bits);
