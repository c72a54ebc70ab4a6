// The VESA VBE driver support behind the banked (SVGA) and linear (LINEAR)
// drivers: detection and the list of usable VBE modes, mode records and their
// registration, the mode set inside FSDirect's full screen (linear
// framebuffer, the bank window or the support library's virtual linear
// framebuffer), refresh rates through GTF, pages, display start, palette,
// stereo and the way back to text mode; and the LINEAR drivers.
#pragma once

#include <cstdint>

#include "gdl/dc.h"
#include "gdl/driver.h"
#include "gdl/vesavbe.h"

// The VBE families' shared state.
struct VbeDriverState : GdlDriverState {
    int32_t savedMode;  // BIOS text mode before the graphics mode
    int32_t savedLines; // 1 when it had 43 or 50 lines
    int32_t stereoOn;
    int32_t refresh;
    void (*setDisplayStart)(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t wait);
    void (*startStereo)(GdlDeviceContext* dc);
    void (*stopStereo)(GdlDeviceContext* dc);
};

// Mode-flags word of a VBE mode record.
enum : uint32_t {
    VBE_FLAG_LINEAR = 0x001,
    VBE_FLAG_REFRESH = 0x002,
    VBE_FLAG_INTERLACE = 0x004,
    VBE_FLAG_DOUBLESCAN = 0x008,
    VBE_FLAG_TRIPLE = 0x010,
    VBE_FLAG_STEREO = 0x020,
    VBE_FLAG_DUALSTART = 0x040,
    VBE_FLAG_STEREO_EXT = 0x080,
    VBE_FLAG_STEREO_EVC = 0x100,
};

int32_t SVGA_detectVBE(int32_t* type);
bool VBE_fillModeRecord(GdlModeRecord* record, VbeModeInfo* info, bool linear, uint32_t* flags);
void SVGA_addBankedMode(GDLModeEntry* table, int32_t index, int32_t driver, GdlModeRecord* record);
void LINEAR_addMode(GDLModeEntry* table, int32_t index, int32_t driver, GdlModeRecord* record,
                    bool virtualAllowed);
bool VBE_setMode(GdlDeviceContext* dc, int32_t mode, int32_t* savedMode, int32_t* savedLines,
                 int32_t virtualWidth, int32_t virtualHeight, int32_t pages, int32_t stereo,
                 int32_t refresh);
bool VBE_restoreMode(GdlDeviceContext* dc);
void VBE_restoreTextMode(GdlDeviceContext* dc);
void SVGA_setActivePage(GdlDeviceContext* dc, int32_t page);
void LINEAR_setActivePage(GdlDeviceContext* dc, int32_t page);
void VBE_setVisualPage(GdlDeviceContext* dc, int32_t page, int32_t wait);
// The stereo glasses' sync lines on the last scan line of the two eyes'
// pages, which start at the byte offsets `eyePage` (left, right) of video
// memory; `memoryBytes` is how much of it there is.
void VBE_drawStereoSync(GdlDeviceContext* dc, const uint64_t eyePage[2], uint64_t memoryBytes);
void SVGA_setDisplayStart(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t wait);
void SVGA_setPalette(GdlDeviceContext* dc, const GdlPaletteEntry* entries, int32_t count,
                     int32_t first, int32_t wait);
bool VBE_useDoubleScan(const GdlDeviceContext* dc, int32_t refresh);
int32_t VBE_maxRefreshForClock(const GdlDeviceContext* dc, uint32_t pixelClock, bool interlaced);
typedef int64_t (*VbeClockQuery)(int32_t mode, uint32_t clock);
bool VBE_computeCRTCTimings(const GdlDeviceContext* dc, int32_t mode, int32_t refresh,
                            bool interlaced, VbeCrtcInfo* crtc, VbeClockQuery clockQuery);
bool VBE_set8BitDAC();
void SVGA_vSync(GdlDeviceContext* dc);
void VBE_startStereo(GdlDeviceContext* dc);
void VBE_stopStereo(GdlDeviceContext* dc);
// Video memory kept in a temporary file across the full-screen period in
// safe mode; the file's name while it exists (null: none).
void VBE_saveVideoMemory(int32_t mode);
void VBE_restoreVideoMemory();
const char* VBE_videoMemoryFile();
// Bank switches per frame of dispdemo and the like: the library's count.
uint32_t VBE_bankSwitches();
// The support back to untested (library reset).
void VBE_resetSupport();

// --- Drivers -----------------------------------------------------------------------
const GdlDriverHeader* LINEAR_header(int32_t bits);
// SVGA4.DRV (bits 4) to SVGA32.DRV.
const GdlDriverHeader* SVGA_header(int32_t bits);
void LINEAR16_setupVectors(GdlDeviceContext* dc);
void LINEAR24_setupVectors(GdlDeviceContext* dc);
void LINEAR32_setupVectors(GdlDeviceContext* dc);
// The banked render sets of the SVGA drivers (video memory through the 64 KB
// bank window; 16 serves 15 and 16 bits).
void SVGA8_setupVectors(GdlDeviceContext* dc);
void SVGA16_setupVectors(GdlDeviceContext* dc);
void SVGA24_setupVectors(GdlDeviceContext* dc);
void SVGA32_setupVectors(GdlDeviceContext* dc);
