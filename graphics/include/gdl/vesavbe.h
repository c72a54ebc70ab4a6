// VESAVBE: the VESA BIOS Extensions (1.2, 2.0, 3.0) for the full-screen back
// ends, every call a real-mode interrupt 10h through the full-screen support
// library: controller and mode information, mode set, banks, scan-line
// length, display start, stereo, pixel clocks, DAC width, palette, the linear
// framebuffer and the protected-mode interface with the bank routine built
// from it. The BIOS's blocks are read field by field; its far pointers are
// replaced by addresses into the module's own string area.
#pragma once

#include <cstddef>
#include <cstdint>

// The controller information (VbeInfoBlock, 512 bytes in the BIOS's form).
struct VbeControllerInfo {
    uint16_t version; // BCD, after the fix-up
    uint32_t capabilities;
    uint16_t totalMemory; // 64 KB units
    uint16_t oemSoftwareRev;
    // Into the module's string area (null: none).
    const char* oemString;
    const char* vendorName;
    const char* productName;
    const char* productRevision;
    const uint16_t* modes; // ended by 0FFFFh
};

// The mode information (ModeInfoBlock, 256 bytes).
struct VbeModeInfo {
    uint16_t modeAttributes;
    uint8_t winAAttributes, winBAttributes;
    uint16_t winGranularity, winSize, winASegment, winBSegment;
    uint32_t winFuncPtr;
    uint16_t bytesPerScanLine, xResolution, yResolution;
    uint8_t xCharSize, yCharSize, numberOfPlanes, bitsPerPixel, numberOfBanks, memoryModel,
        bankSize, numberOfImagePages;
    uint8_t redMaskSize, redFieldPosition, greenMaskSize, greenFieldPosition, blueMaskSize,
        blueFieldPosition, rsvdMaskSize, rsvdFieldPosition, directColorModeInfo;
    uint32_t physBasePtr, offScreenMemOffset;
    uint16_t offScreenMemSize;
    uint16_t linBytesPerScanLine;
    uint8_t bnkNumberOfImagePages, linNumberOfImagePages;
    uint8_t linRedMaskSize, linRedFieldPosition, linGreenMaskSize, linGreenFieldPosition,
        linBlueMaskSize, linBlueFieldPosition, linRsvdMaskSize, linRsvdFieldPosition;
    uint32_t maxPixelClock;
};

// The CRTC information block's first 19 bytes.
struct VbeCrtcInfo {
    uint16_t hTotal, hSyncStart, hSyncEnd, vTotal, vSyncStart, vSyncEnd;
    uint8_t flags;
    uint32_t pixelClock;  // Hz
    uint16_t refreshRate; // 0.01 Hz
};

// Registers of a real-mode call, 32-bit words in the order the support
// library takes them.
struct VbeCallRegs {
    uint32_t ax, bx, cx, dx, si, di, cflag;
};

void VBE_init();
// True once VBE_init has its transfer buffer.
bool VBE_ready();
VbeCallRegs VBE_callInt10(const VbeCallRegs& in, void* block, uint32_t length);
int32_t VBE_detect(VbeControllerInfo* info);
int32_t VBE_getInfo(VbeControllerInfo* info);
int32_t VBE_version();
int32_t VBE_videoMemoryKB();
bool VBE_getModeInfo(int32_t mode, VbeModeInfo* info);
uint32_t VBE_getPageSize(const VbeModeInfo* info);
bool VBE_setVideoMode(int32_t mode, const VbeCrtcInfo* crtc);
bool VBE_setBank(int32_t window, int32_t bank);
bool VBE_setPixelsPerLine(int32_t pixels, int32_t* bytes, int32_t* outPixels, int32_t* lines);
bool VBE_setDisplayStart(uint32_t address, bool wait);
int32_t VBE_getDisplayStartStatus();
bool VBE_enableStereo();
bool VBE_disableStereo();
bool VBE_setStereoDisplayStart(uint32_t left, uint32_t right, bool wait);
int64_t VBE_getClosestClock(int32_t mode, uint32_t clock);
bool VBE_setDACWidth(int32_t bits);
int32_t VBE_getDACWidth();
bool VBE_setPalette(int32_t first, int32_t count, const void* entries, bool wait);
void* VBE_getLinearPointer(const VbeModeInfo* info);
void VBE_getPMInfo();
// Addresses inside the module's copy of the protected-mode table (null: none).
const uint8_t* VBE_getSetBank();
const uint8_t* VBE_getSetDisplayStart();
const uint8_t* VBE_getSetPalette();
// The table copy and its length (null while none is held).
const uint8_t* VBE_pmTable(uint32_t* length);
uint16_t VBE_memorySelector();
void VBE_freePMInfo();
// The relocatable bank routine: 1 with its size and code, 0 when it cannot
// be built (before 2.0, no table, a memory selector, a body that is not in
// the table or does not fit).
int32_t VBE_getBankFunc32(int32_t* size, const uint8_t** code, int32_t shift);

// The module back to its start (library reset).
void VBE_resetModule();
