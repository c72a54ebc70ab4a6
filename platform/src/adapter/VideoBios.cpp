// The video BIOS in real-mode memory: its data area, interrupt 10h's mode set
// with the published register tables, cursor shape, mode query, fonts and
// display combination.
#include "AdapterInternal.h"
#include "VgaInternal.h"

#include <cstring>
#include <mutex>

namespace platform::adapter {

namespace {

// One mode's register set as the BIOS's parameter table holds it.
struct ModeTable {
    uint8_t mode;
    uint8_t columns, rows, charHeight;
    uint16_t pageBytes;
    uint8_t misc;
    uint8_t seq[5];
    uint8_t crtc[25];
    uint8_t attr[21];
    uint8_t gc[9];
};

constexpr uint8_t kEgaAttr[16] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x14, 0x07,
                                  0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F};

// clang-format off
constexpr ModeTable kModes[] = {
    {0x03, 80, 25, 16, 0x1000, 0x67, {0x03, 0x00, 0x03, 0x00, 0x02},
     {0x5F, 0x4F, 0x50, 0x82, 0x55, 0x81, 0xBF, 0x1F, 0x00, 0x4F, 0x0D, 0x0E, 0x00, 0x00, 0x00,
      0x00, 0x9C, 0x8E, 0x8F, 0x28, 0x1F, 0x96, 0xB9, 0xA3, 0xFF},
     {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x14, 0x07, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E,
      0x3F, 0x0C, 0x00, 0x0F, 0x08, 0x00},
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x0E, 0x00, 0xFF}},
    {0x07, 80, 25, 16, 0x1000, 0x66, {0x03, 0x00, 0x03, 0x00, 0x02},
     {0x5F, 0x4F, 0x50, 0x82, 0x55, 0x81, 0xBF, 0x1F, 0x00, 0x4F, 0x0D, 0x0E, 0x00, 0x00, 0x00,
      0x00, 0x9C, 0x8E, 0x8F, 0x28, 0x0F, 0x96, 0xB9, 0xA3, 0xFF},
     {0x00, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x10, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18,
      0x18, 0x0E, 0x00, 0x0F, 0x08, 0x00},
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x0A, 0x00, 0xFF}},
    {0x0D, 40, 25, 8, 0x2000, 0x63, {0x03, 0x09, 0x0F, 0x00, 0x06},
     {0x2D, 0x27, 0x28, 0x90, 0x2B, 0x80, 0xBF, 0x1F, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x9C, 0x8E, 0x8F, 0x14, 0x00, 0x96, 0xB9, 0xE3, 0xFF},
     {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16,
      0x17, 0x01, 0x00, 0x0F, 0x00, 0x00},
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x0F, 0xFF}},
    {0x0E, 80, 25, 8, 0x4000, 0x63, {0x03, 0x01, 0x0F, 0x00, 0x06},
     {0x5F, 0x4F, 0x50, 0x82, 0x54, 0x80, 0xBF, 0x1F, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x9C, 0x8E, 0x8F, 0x28, 0x00, 0x96, 0xB9, 0xE3, 0xFF},
     {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16,
      0x17, 0x01, 0x00, 0x0F, 0x00, 0x00},
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x0F, 0xFF}},
    {0x10, 80, 25, 14, 0x8000, 0xA3, {0x03, 0x01, 0x0F, 0x00, 0x06},
     {0x5F, 0x4F, 0x50, 0x82, 0x54, 0x80, 0xBF, 0x1F, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x83, 0x85, 0x5D, 0x28, 0x0F, 0x63, 0xBA, 0xE3, 0xFF},
     {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x14, 0x07, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E,
      0x3F, 0x01, 0x00, 0x0F, 0x00, 0x00},
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x0F, 0xFF}},
    {0x12, 80, 30, 16, 0xA000, 0xE3, {0x03, 0x01, 0x0F, 0x00, 0x06},
     {0x5F, 0x4F, 0x50, 0x82, 0x54, 0x80, 0x0B, 0x3E, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0xEA, 0x8C, 0xDF, 0x28, 0x00, 0xE7, 0x04, 0xE3, 0xFF},
     {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x14, 0x07, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E,
      0x3F, 0x01, 0x00, 0x0F, 0x00, 0x00},
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x0F, 0xFF}},
    {0x13, 40, 25, 8, 0x2000, 0x63, {0x03, 0x01, 0x0F, 0x00, 0x0E},
     {0x5F, 0x4F, 0x50, 0x82, 0x54, 0x80, 0xBF, 0x1F, 0x00, 0x41, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x9C, 0x8E, 0x8F, 0x28, 0x40, 0x96, 0xB9, 0xA3, 0xFF},
     {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E,
      0x0F, 0x41, 0x00, 0x0F, 0x00, 0x00},
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x05, 0x0F, 0xFF}},
};
// clang-format on

const ModeTable* tableOf(uint8_t mode) {
    for (const ModeTable& t : kModes)
        if (t.mode == mode) return &t;
    return nullptr;
}

// Data area offsets.
enum : uint32_t {
    kEquipment = 0x410,
    kMode = 0x449,
    kColumns = 0x44A,
    kPageBytes = 0x44C,
    kPageStart = 0x44E,
    kCursorShape = 0x460,
    kActivePage = 0x462,
    kCrtcPort = 0x463,
    kRows = 0x484,
    kCharHeight = 0x485,
    kEgaInfo = 0x487,
    kEgaSwitches = 0x488,
    kVgaFlags = 0x489,
};
// The fonts' place in the BIOS's ROM, as the font query hands it out.
constexpr uint16_t kRomSegment = 0xC000;
constexpr uint16_t kFont8x8 = 0x1000, kFont8x14 = 0x1800, kFont8x16 = 0x2600;

void put16(std::vector<uint8_t>& m, uint32_t at, uint16_t v) {
    m[at] = uint8_t(v);
    m[at + 1] = uint8_t(v >> 8);
}

uint16_t get16(const std::vector<uint8_t>& m, uint32_t at) {
    return uint16_t(m[at] | m[at + 1] << 8);
}

// The EGA's 64 colours (rgbRGB bits) as 6-bit DAC values.
void egaDac(VgaChip& v) {
    for (int i = 0; i < 256; ++i) {
        const int c = i & 0x3F;
        v.dac[i][0] = uint8_t(((c >> 2) & 1) * 0x2A + ((c >> 5) & 1) * 0x15);
        v.dac[i][1] = uint8_t(((c >> 1) & 1) * 0x2A + ((c >> 4) & 1) * 0x15);
        v.dac[i][2] = uint8_t((c & 1) * 0x2A + ((c >> 3) & 1) * 0x15);
    }
}

// Mode 13h's default colours: the sixteen of the text modes, sixteen greys,
// then a spread of hues at three intensities.
void defaultDac256(VgaChip& v) {
    egaDac(v);
    uint8_t first[16][3];
    for (int i = 0; i < 16; ++i)
        std::memcpy(first[i], v.dac[kEgaAttr[i]], 3);
    std::memcpy(v.dac[0], first, sizeof(first));
    constexpr uint8_t kGreys[16] = {0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};
    for (int i = 0; i < 16; ++i)
        v.dac[16 + i][0] = v.dac[16 + i][1] = v.dac[16 + i][2] = kGreys[i];
    for (int i = 32; i < 256; ++i) {
        const int hue = (i - 32) % 24, level = (i - 32) / 72;
        const int hi = 63 >> level, lo = hi / 2;
        const int ramp = lo + (hi - lo) * (hue % 4) / 4;
        const int part = hue / 4;
        const int rgb[6][3] = {{hi, ramp, lo}, {hi - ramp + lo, hi, lo},
                               {lo, hi, ramp}, {lo, hi - ramp + lo, hi},
                               {ramp, lo, hi}, {hi, lo, hi - ramp + lo}};
        for (int c = 0; c < 3; ++c)
            v.dac[i][c] = uint8_t(rgb[part][c] & 0x3F);
    }
}

void loadRegisters(VgaChip& v, const ModeTable& t) {
    v.misc = t.misc;
    std::memcpy(v.seq, t.seq, sizeof(v.seq));
    v.crtc[0x11] &= 0x7F;
    std::memcpy(v.crtc, t.crtc, sizeof(v.crtc));
    std::memcpy(v.attr, t.attr, sizeof(v.attr));
    std::memcpy(v.gc, t.gc, sizeof(v.gc));
    v.attrData = false;
    v.attrIndex = 0x20;
    v.dacMask = 0xFF;
    v.seqIndex = v.crtcIndex = v.gcIndex = 0;
    VgaSyncChain(v);
}

void setMode(VgaChip& v, RealModeRegs* r) {
    const uint8_t al = uint8_t(r->eax);
    BiosSetMode(v, al & 0x7F, (al & 0x80) != 0);
}

void cursorShape(VgaChip& v, RealModeRegs* r) {
    const uint8_t start = uint8_t(r->ecx >> 8), end = uint8_t(r->ecx);
    v.crtc[0x0A] = start & 0x3F;
    v.crtc[0x0B] = end & 0x1F;
    put16(v.real, kCursorShape, uint16_t(r->ecx));
}

void getMode(VgaChip& v, RealModeRegs* r) {
    const uint8_t mode = uint8_t(v.real[kMode] | (v.real[kEgaInfo] & 0x80));
    r->eax = (r->eax & 0xFFFF0000u) | uint32_t(v.real[kColumns]) << 8 | mode;
    r->ebx = (r->ebx & 0xFFFF00FFu) | uint32_t(v.real[kActivePage]) << 8;
}

// Text-mode fonts change the rows a screen holds: 400 scan lines of 8 make
// 50 rows, 350 of them 43.
void loadTextFont(VgaChip& v, int height) {
    const int lines = v.real[kMode] == 0x07 || v.real[kMode] == 0x03 ? 400 : 350;
    v.crtc[9] = uint8_t((v.crtc[9] & 0xE0) | (height - 1));
    v.real[kCharHeight] = uint8_t(height);
    v.real[kRows] = uint8_t(lines / height - 1);
}

void graphicsFont(VgaChip& v, RealModeRegs* r, int height) {
    static const uint8_t kRowCounts[] = {0, 14, 25, 43};
    const uint8_t bl = uint8_t(r->ebx);
    const int rows = bl == 0 ? uint8_t(r->edx) : bl < 4 ? kRowCounts[bl] : 25;
    v.real[kCharHeight] = uint8_t(height);
    v.real[kRows] = uint8_t(rows > 0 ? rows - 1 : 0);
}

void fontInfo(VgaChip& v, RealModeRegs* r) {
    static const uint16_t kPointers[8] = {
        0, 0, kFont8x14, kFont8x8, kFont8x8 + 0x400, kFont8x14, kFont8x16, kFont8x16};
    const uint8_t bh = uint8_t(r->ebx >> 8);
    r->ecx = (r->ecx & 0xFFFF0000u) | v.real[kCharHeight];
    r->edx = (r->edx & 0xFFFFFF00u) | v.real[kRows];
    if (bh < 2) {
        // The interrupt vectors 1Fh and 43h.
        const uint32_t vector = bh == 0 ? 0x1F * 4 : 0x43 * 4;
        r->ebp = get16(v.real, vector);
        r->es = get16(v.real, vector + 2);
    } else {
        r->es = kRomSegment;
        r->ebp = bh < 8 ? kPointers[bh] : 0;
    }
}

void characterGenerator(VgaChip& v, RealModeRegs* r) {
    switch (uint8_t(r->eax)) {
        case 0x11: loadTextFont(v, 14); break;
        case 0x12: loadTextFont(v, 8); break;
        case 0x14: loadTextFont(v, 16); break;
        case 0x22: graphicsFont(v, r, 14); break;
        case 0x23: graphicsFont(v, r, 8); break;
        case 0x24: graphicsFont(v, r, 16); break;
        case 0x30: fontInfo(v, r); break;
        default: break;
    }
}

// Display combination: an EGA has none (AL comes back as it went in).
void displayCombination(VgaChip& v, RealModeRegs* r) {
    if (uint8_t(r->eax) != 0x00 || v.kind == AdapterVga::Ega) return;
    const uint8_t code = v.kind == AdapterVga::Mono ? 0x07 : 0x08;
    r->eax = (r->eax & 0xFFFFFF00u) | 0x1A;
    r->ebx = (r->ebx & 0xFFFF0000u) | code;
}

} // namespace

void BiosReset(VgaChip& v) {
    std::fill(v.real.begin(), v.real.end(), 0);
    // Vectors 1Fh and 43h name the 8x8 font's upper half and the graphics font.
    put16(v.real, 0x1F * 4, kFont8x8 + 0x400);
    put16(v.real, 0x1F * 4 + 2, kRomSegment);
    put16(v.real, 0x43 * 4, kFont8x16);
    put16(v.real, 0x43 * 4 + 2, kRomSegment);
    put16(v.real, kEquipment, v.kind == AdapterVga::Mono ? 0x0030 : 0x0020);
    v.real[kEgaSwitches] = 0x09;
    v.real[kVgaFlags] = 0x11;
    v.real[0xC0000] = 0x55; // the ROM's signature
    v.real[0xC0001] = 0xAA;
}

bool BiosSetMode(VgaChip& v, uint8_t mode, bool keepMemory) {
    const ModeTable* t = tableOf(mode);
    if (!t) return false;
    VbeEndMode(v);
    loadRegisters(v, *t);
    if (mode == 0x13)
        defaultDac256(v);
    else
        egaDac(v);
    if (mode == 0x07) v.misc &= 0xFE;
    if (!keepMemory) {
        std::fill(v.planes.begin(), v.planes.end(), 0);
        if (v.chained) std::memset(v.window, 0, kVgaWindowSize);
    }
    v.real[kMode] = mode;
    put16(v.real, kColumns, t->columns);
    put16(v.real, kPageBytes, t->pageBytes);
    put16(v.real, kPageStart, 0);
    v.real[kActivePage] = 0;
    put16(v.real, kCrtcPort, (v.misc & 1) ? 0x3D4 : 0x3B4);
    v.real[kRows] = uint8_t(t->rows - 1);
    v.real[kCharHeight] = t->charHeight;
    v.real[kEgaInfo] = uint8_t((v.real[kEgaInfo] & 0x7F) | (keepMemory ? 0x80 : 0));
    put16(v.real, kCursorShape, 0x0607);
    return true;
}

} // namespace platform::adapter

namespace platform {

using namespace adapter;

void RealModeInterrupt(int number, RealModeRegs* regs) {
    if (!regs || number != 0x10) return;
    // A window move shows nothing new: no frame for it (a bank switch is
    // the banked drivers' most frequent call).
    const bool windowMove = (regs->eax & 0xFFFF) == 0x4F05;
    bool retrace = false;
    {
        std::lock_guard g(Lock());
        Personality();
        VgaChip* v = Vga();
        if (!v) return;
        switch (uint8_t(regs->eax >> 8)) {
            case 0x00: setMode(*v, regs); break;
            case 0x01: cursorShape(*v, regs); break;
            case 0x0F: getMode(*v, regs); break;
            case 0x11: characterGenerator(*v, regs); break;
            case 0x1A: displayCombination(*v, regs); break;
            case 0x4F: retrace = VesaBiosCall(*v, regs); break;
            default: break;
        }
    }
    if (retrace) WaitRetrace();
    if (!windowMove) ShowScanOut();
}

} // namespace platform
