// Mode timing by the VESA Generalized Timing Formula, the VBE bank-switching,
// display-start and palette calls, and quarter and half turns of 1-bit images.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// --- GTF ---------------------------------------------------------------------------

struct GtfParams {
    double margin;          // percent of the active size
    double cellGranularity; // pixels
    double minPorch;        // lines
    double vSyncLines;
    double hSyncPercent;
    double minVSyncBackPorch; // microseconds
    double m;
    double c;
    double k;
    double j;
};

struct GtfTimings {
    int32_t hTotal, hDisplayed, hSyncStart, hSyncEnd, hFrontPorch, hSyncWidth, hBackPorch;
    int32_t vTotal, vDisplayed, vSyncStart, vSyncEnd, vFrontPorch, vSyncWidth, vBackPorch;
    char hSyncPolarity; // '-'
    char vSyncPolarity; // '+'
    char interlace;     // 'N' or 'I'
    double vFrequency;  // Hz (frame rate)
    double hFrequency;  // kHz
    double pixelClock;  // MHz
};

enum GtfFrequencyKind : int32_t {
    GTF_VERTICAL_REFRESH = 1, // Hz
    GTF_HORIZONTAL_FREQ = 2,  // kHz
    GTF_PIXEL_CLOCK = 3,      // MHz
};

void Gtf_getParams(GtfParams* out);
int32_t Gtf_nearest(double v);
// Fills `out`; returns false (and leaves `out` zeroed) for sizes or a
// frequency that no timing can be computed from, or an unknown kind.
bool Gtf_computeTimings(int32_t hPixels, int32_t vLines, double frequency, int32_t kind,
                        int32_t margins, int32_t interlace, GtfTimings* out);

// --- VBE calls ---------------------------------------------------------------------

// Register block of a BIOS call.
struct VbeRegs {
    uint32_t eax, ebx, ecx, edx, esi, edi;
    uint16_t es;
};

// The services the calls go through: the real-mode interrupt 10h service, the
// VBE 2.0 protected-mode entries (null when the BIOS has none) and the VGA
// input-status port. The simulated adapter supplies them; tests record them.
struct VbeServices {
    void (*int10)(VbeRegs* regs);
    void (*pmSetWindow)(VbeRegs* regs);
    void (*pmSetDisplayStart)(VbeRegs* regs);
    void (*pmSetPalette)(VbeRegs* regs, const void* entries);
    uint8_t (*inPort)(uint16_t port);
};

typedef void (*VbeBankFunc)(int32_t bank);

// The variables a banked mode set fills.
struct VbeState {
    uint8_t currentBank;
    VbeBankFunc bankRoutine; // one of the four below
    int32_t granularityShift;
    int32_t version; // BCD, 0x0200 for VBE 2.0
    uint16_t videoSelector;
    VbeServices services;
};

VbeState& Vbe_state();

// Bank routines: window A, or windows A and B, through function 4F05h
// (interrupt service) or straight through the protected-mode bank entry.
void Vbe_bankWindowA(int32_t bank);
void Vbe_bankWindowsAB(int32_t bank);
void Vbe_bankPmWindowA(int32_t bank);
void Vbe_bankPmWindowsAB(int32_t bank);

void Vbe_switchBank(int32_t bank);
void Vbe_selectBank(int32_t bank);
void Vbe_setScanoutStart(uint32_t byteOffset, int32_t bitsPerPixel, int32_t bytesPerLine,
                         int32_t wait);
void Vbe_loadPalette(const void* entries, int32_t count, int32_t first, int32_t wait);

// --- Monochrome rotation --------------------------------------------------------------

// Entry b is b with its bit order reversed.
extern const std::array<uint8_t, 256> Mono_bitReverse;

void Mono_reverseCopy(uint8_t* dest, const uint8_t* src, int32_t bytesPerRow, int32_t rows);
// Mode 0 half turn, 1 a quarter counter-clockwise, 3 a quarter clockwise;
// modes 1 and 3 leave bytes per row = (rows + 7) / 8 and rows = the former
// bytes per row x 8. `dest` holds at least ((rows + 7) / 8) x bytes per row x 8 bytes.
void Mono_rotateQuarter(uint8_t* dest, const uint8_t* src, int32_t* bytesPerRow, int32_t* rows,
                        int32_t mode);
