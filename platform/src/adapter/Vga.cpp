// The VGA chip: its registers behind the published ports, the four planes
// with their latches, write modes 0 to 3 and read modes 0 and 1, the DAC with
// auto-increment, the CMOS memory, and the A0000h window that is plain memory
// under chain-4 and a guard region otherwise.
#include "AdapterInternal.h"
#include "VgaInternal.h"

#include "platform/Kernel.h"

#include <sys/mman.h>

#include <cstring>
#include <mutex>

namespace platform::adapter {

namespace {

std::unique_ptr<VgaChip>& Chip() {
    static auto* chip = new std::unique_ptr<VgaChip>; // usable from any static's lifetime
    return *chip;
}

// The memory of the chip last destroyed, for the next one: a program that
// changes adapters often (every test, every fuzz input) zeroes pages it
// already has instead of faulting in 1.25 MB of fresh ones each time.
struct SpareMemory {
    std::vector<uint8_t> planes, real;
};
SpareMemory& Spare() {
    static auto* spare = new SpareMemory;
    return *spare;
}

// CRTC indexes 0 to 7 are read-only while bit 7 of 11h is set, but for the
// line-compare bit (4) of 07h.
void writeCrtc(VgaChip& v, uint8_t value) {
    const uint8_t i = v.crtcIndex;
    if (i >= sizeof(v.crtc)) return;
    if ((v.crtc[0x11] & 0x80) && i <= 7) {
        if (i == 7) v.crtc[7] = uint8_t((v.crtc[7] & ~0x10) | (value & 0x10));
        return;
    }
    v.crtc[i] = value;
}

void writeSequencer(VgaChip& v, uint8_t value) {
    if (v.seqIndex >= sizeof(v.seq)) return;
    v.seq[v.seqIndex] = value;
    if (v.seqIndex == 4) VgaSyncChain(v);
}

void writeAttribute(VgaChip& v, uint8_t value) {
    if (!v.attrData) {
        v.attrIndex = value & 0x3F;
    } else if ((v.attrIndex & 0x1F) < sizeof(v.attr)) {
        v.attr[v.attrIndex & 0x1F] = value;
    }
    v.attrData = !v.attrData;
}

uint8_t dacBits(const VgaChip& v) {
    return v.vbe.dacWidth == 8 ? 0xFF : 0x3F;
}

void writeDac(VgaChip& v, uint8_t value) {
    v.dac[v.dacWrite][v.dacPart] = value & dacBits(v);
    if (++v.dacPart == 3) {
        v.dacPart = 0;
        ++v.dacWrite; // wraps at 256
    }
}

uint8_t readDac(VgaChip& v) {
    const uint8_t out = v.dac[v.dacRead][v.dacReadPart];
    if (++v.dacReadPart == 3) {
        v.dacReadPart = 0;
        ++v.dacRead;
    }
    return out;
}

// The beam moves one step a read: 16 steps a frame, the last three in the
// vertical retrace, odd steps in the horizontal blank. So a wait for either
// edge ends within a frame of reads whatever the clock does.
constexpr uint32_t kFrameSteps = 16, kRetraceFrom = 13;

uint8_t inputStatus1(VgaChip& v, bool* retraceStarts) {
    const uint32_t step = v.beam++ % kFrameSteps;
    v.attrData = false;
    const bool retrace = step >= kRetraceFrom;
    *retraceStarts = step == kRetraceFrom;
    return uint8_t((retrace ? 0x08 : 0) | ((retrace || (step & 1)) ? 0x01 : 0));
}

bool colourPorts(const VgaChip& v) {
    return v.misc & 1;
}

uint8_t in(VgaChip& v, uint16_t port, bool* retraceStarts) {
    const bool colour = colourPorts(v);
    if ((port == 0x3DA && colour) || (port == 0x3BA && !colour))
        return inputStatus1(v, retraceStarts);
    if ((port == 0x3D4 && colour) || (port == 0x3B4 && !colour)) return v.crtcIndex;
    if ((port == 0x3D5 && colour) || (port == 0x3B5 && !colour))
        return v.crtcIndex < sizeof(v.crtc) ? v.crtc[v.crtcIndex] : 0;
    switch (port) {
        case 0x3C0: return uint8_t(v.attrIndex);
        case 0x3C1: return (v.attrIndex & 0x1F) < sizeof(v.attr) ? v.attr[v.attrIndex & 0x1F] : 0;
        case 0x3C2: return 0x10; // input status 0: switch sense
        case 0x3C4: return v.seqIndex;
        case 0x3C5: return v.seqIndex < sizeof(v.seq) ? v.seq[v.seqIndex] : 0;
        case 0x3C6: return v.dacMask;
        case 0x3C7: return v.dacReading ? 0x03 : 0x00;
        case 0x3C8: return v.dacWrite;
        case 0x3C9: return readDac(v);
        case 0x3CC: return v.misc;
        case 0x3CE: return v.gcIndex;
        case 0x3CF: return v.gcIndex < sizeof(v.gc) ? v.gc[v.gcIndex] : 0;
        case 0x70: return v.cmosIndex;
        case 0x71: return v.cmos[v.cmosIndex & 0x7F];
        default: return 0xFF;
    }
}

void out(VgaChip& v, uint16_t port, uint8_t value) {
    const bool colour = colourPorts(v);
    if ((port == 0x3D4 && colour) || (port == 0x3B4 && !colour)) {
        v.crtcIndex = value;
        return;
    }
    if ((port == 0x3D5 && colour) || (port == 0x3B5 && !colour)) {
        writeCrtc(v, value);
        return;
    }
    switch (port) {
        case 0x3C0: writeAttribute(v, value); break;
        case 0x3C2: v.misc = value; break;
        case 0x3C4: v.seqIndex = value; break;
        case 0x3C5: writeSequencer(v, value); break;
        case 0x3C6: v.dacMask = value; break;
        case 0x3C7:
            v.dacRead = value;
            v.dacReadPart = 0;
            v.dacReading = true;
            break;
        case 0x3C8:
            v.dacWrite = value;
            v.dacPart = 0;
            v.dacReading = false;
            break;
        case 0x3C9: writeDac(v, value); break;
        case 0x3CE: v.gcIndex = value; break;
        case 0x3CF:
            if (v.gcIndex < sizeof(v.gc)) v.gc[v.gcIndex] = value;
            break;
        case 0x70: v.cmosIndex = value; break;
        case 0x71: v.cmos[v.cmosIndex & 0x7F] = value; break;
        default: break;
    }
}

// Odd/even addressing, each by its own register: writes pick the even or odd
// planes by address bit 0 while sequencer 04h bit 2 is clear, reads pick
// them while graphics 05h bit 4 is set, and graphics 06h bit 1 replaces
// address bit 0 in the planes (by the page bit, miscellaneous output bit 5,
// for the 64 KB and 32 KB maps; by address bit 16 for the 128 KB map, which
// the A0000h window's offsets never reach).
bool oddEvenWrites(const VgaChip& v) {
    return !(v.seq[4] & 0x04);
}
bool oddEvenReads(const VgaChip& v) {
    return (v.gc[5] & 0x10) != 0;
}
uint32_t planeOffset(const VgaChip& v, uint32_t offset) {
    if (!(v.gc[6] & 0x02)) return offset;
    const uint32_t replacement = (v.gc[6] & 0x0C) == 0 ? 0 : (v.misc >> 5) & 1;
    return (offset & ~1u) | replacement;
}

// The memory map (graphics 06h bits 2-3) decodes the A0000h window only when
// it is the 128 KB map at A0000h or the 64 KB one; the B0000h and B8000h
// maps leave it unanswered.
bool windowDecoded(const VgaChip& v) {
    return (v.gc[6] & 0x0C) <= 0x04;
}

uint8_t rotate(uint8_t value, int by) {
    by &= 7;
    return uint8_t((value >> by) | (value << ((8 - by) & 7)));
}

uint8_t logical(uint8_t value, uint8_t latch, int function) {
    switch (function) {
        case 1: return value & latch;
        case 2: return value | latch;
        case 3: return value ^ latch;
        default: return value;
    }
}

// The byte of plane p at a plane offset, under chain-4 as well (the window
// then holds plane p's byte at offset o at window offset o + p).
uint8_t& planeByte(VgaChip& v, int p, uint32_t offset) {
    if (v.chained) return v.window[(offset & ~3u) | uint32_t(p)];
    return v.planes[size_t(p) * kVgaPlaneSize + offset];
}

void loadLatches(VgaChip& v, uint32_t offset) {
    for (int p = 0; p < 4; ++p)
        v.latch[p] = planeByte(v, p, offset);
}

// The byte a read returns from the latches: the plane of read map select
// (or the one the address picks), or in read mode 1 the colour compare.
uint8_t readResult(const VgaChip& v, int plane) {
    if (!(v.gc[5] & 0x08)) return v.latch[plane];
    // Read mode 1: a bit is set where every plane that counts matches the compare colour.
    uint8_t match = 0xFF;
    for (int p = 0; p < 4; ++p) {
        if (!(v.gc[7] & (1 << p))) continue;
        const uint8_t want = (v.gc[2] & (1 << p)) ? 0xFF : 0x00;
        match &= uint8_t(~(v.latch[p] ^ want));
    }
    return match;
}

uint8_t readPlanes(VgaChip& v, uint32_t offset) {
    if (v.chained) {
        loadLatches(v, offset);
        return readResult(v, int(offset & 3));
    }
    int plane = v.gc[4] & 3;
    if (oddEvenReads(v)) plane = (plane & 2) | int(offset & 1);
    loadLatches(v, planeOffset(v, offset));
    return readResult(v, plane);
}

// The four planes' values of a write of `data` through the write mode, the
// logical function and the bit mask, against the latches.
void writeValues(const VgaChip& v, uint8_t data, uint8_t values[4]) {
    const int mode = v.gc[5] & 3, function = (v.gc[3] >> 3) & 3;
    uint8_t mask = v.gc[8];
    const uint8_t rotated = rotate(data, v.gc[3] & 7);
    if (mode == 3) mask &= rotated;
    for (int p = 0; p < 4; ++p) {
        const uint8_t setReset = (v.gc[0] & (1 << p)) ? 0xFF : 0x00;
        uint8_t value = 0;
        switch (mode) {
            case 0: value = (v.gc[1] & (1 << p)) ? setReset : rotated; break;
            case 1: values[p] = v.latch[p]; continue;
            case 2: value = (data & (1 << p)) ? 0xFF : 0x00; break;
            default: value = setReset; break;
        }
        value = logical(value, v.latch[p], function);
        values[p] = uint8_t((value & mask) | (v.latch[p] & ~mask));
    }
}

void writePlanes(VgaChip& v, uint32_t offset, uint8_t data) {
    uint8_t planeMask = v.seq[2] & 0x0F;
    if (v.chained)
        planeMask &= uint8_t(1u << (offset & 3));
    else if (oddEvenWrites(v))
        planeMask &= (offset & 1) ? 0x0A : 0x05;
    if (!v.chained) offset = planeOffset(v, offset);
    uint8_t values[4];
    writeValues(v, data, values);
    for (int p = 0; p < 4; ++p)
        if (planeMask & (1 << p)) planeByte(v, p, offset) = values[p];
}

// The window offset of an address, or -1 (outside: the access is dropped).
int64_t windowOffset(const VgaChip& v, const uint8_t* address) {
    if (!v.window || address < v.window || address >= v.window + kVgaWindowSize) return -1;
    return address - v.window;
}

void protectWindow(VgaChip& v) {
    if (v.window)
        mprotect(v.window, kVgaWindowSize, v.chained ? PROT_READ | PROT_WRITE : PROT_NONE);
}

void onRetrace() {
    WaitRetrace();
    ShowScanOut();
}

} // namespace

VgaChip* Vga() {
    return Chip().get();
}

void VgaCreate(AdapterVga kind) {
    VgaDestroy();
    if (kind == AdapterVga::None) return;
    auto v = std::make_unique<VgaChip>();
    v->kind = kind;
    v->planes = std::move(Spare().planes);
    v->real = std::move(Spare().real);
    v->planes.assign(4 * size_t(kVgaPlaneSize), 0);
    v->real.assign(kRealModeSize, 0);
    void* m = mmap(nullptr, kVgaWindowSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return; // no window, no VGA
    v->window = static_cast<uint8_t*>(m);
    // The clock's memory: a date in binary-coded decimal, status B 24-hour.
    const uint8_t clock[] = {0x00, 0, 0x30, 0, 0x12, 0, 0x04, 0x10, 0x12, 0x26, 0x26, 0x02};
    std::memcpy(v->cmos, clock, sizeof(clock));
    v->cmos[0x0D] = 0x80; // battery good
    BiosReset(*v);
    Chip() = std::move(v);
    BiosSetMode(*Chip(), kind == AdapterVga::Mono ? 0x07 : 0x03, false);
}

void VgaDestroy() {
    auto& chip = Chip();
    if (!chip) return;
    if (chip->window) munmap(chip->window, kVgaWindowSize);
    Spare().planes = std::move(chip->planes);
    Spare().real = std::move(chip->real);
    chip.reset();
}

void VgaSyncChain(VgaChip& v) {
    const bool chained = (v.seq[4] & 0x08) != 0;
    if (chained == v.chained) return;
    if (chained) {
        v.chained = true;
        protectWindow(v);
        for (uint32_t a = 0; a < kVgaWindowSize; ++a)
            v.window[a] = v.planes[size_t(a & 3) * kVgaPlaneSize + (a & ~3u)];
    } else {
        VgaFoldWindow(v);
        v.chained = false;
        protectWindow(v);
    }
}

void VgaFoldWindow(VgaChip& v) {
    if (!v.chained) return;
    for (uint32_t a = 0; a < kVgaWindowSize; ++a)
        v.planes[size_t(a & 3) * kVgaPlaneSize + (a & ~3u)] = v.window[a];
}

} // namespace platform::adapter

namespace platform {

using namespace adapter;

uint8_t VgaInPort(uint16_t port) {
    bool retrace = false;
    uint8_t value = 0xFF;
    {
        std::lock_guard g(Lock());
        Personality();
        if (VgaChip* v = Vga()) value = in(*v, port, &retrace);
    }
    if (retrace) onRetrace();
    return value;
}

uint16_t VgaInPortWord(uint16_t port) {
    return uint16_t(VgaInPort(port) | VgaInPort(uint16_t(port + 1)) << 8);
}

uint32_t VgaInPortDword(uint16_t port) {
    return uint32_t(VgaInPortWord(port)) | uint32_t(VgaInPortWord(uint16_t(port + 2))) << 16;
}

void VgaOutPort(uint16_t port, uint8_t value) {
    std::lock_guard g(Lock());
    Personality();
    if (VgaChip* v = Vga()) out(*v, port, value);
}

void VgaOutPortWord(uint16_t port, uint16_t value) {
    VgaOutPort(port, uint8_t(value));
    VgaOutPort(uint16_t(port + 1), uint8_t(value >> 8));
}

void VgaOutPortDword(uint16_t port, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        VgaOutPort(uint16_t(port + i), uint8_t(value >> (8 * i)));
}

uint8_t* VgaWindow() {
    std::lock_guard g(Lock());
    Personality();
    VgaChip* v = Vga();
    return v ? v->window : nullptr;
}

uint8_t VgaRead(const uint8_t* address) {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    if (!v) return 0xFF;
    const int64_t at = windowOffset(*v, address);
    if (at < 0 || !windowDecoded(*v)) return 0xFF;
    return readPlanes(*v, uint32_t(at));
}

void VgaWrite(uint8_t* address, uint8_t value) {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    if (!v) return;
    const int64_t at = windowOffset(*v, address);
    if (at < 0 || !windowDecoded(*v)) return;
    writePlanes(*v, uint32_t(at), value);
}

void VgaWriteWord(uint8_t* address, uint16_t value) {
    VgaWrite(address, uint8_t(value));
    VgaWrite(address + 1, uint8_t(value >> 8));
}

void VgaWriteDword(uint8_t* address, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        VgaWrite(address + i, uint8_t(value >> (8 * i)));
}

void VgaLatchWrite(uint8_t* address, uint8_t value) {
    std::lock_guard g(Lock());
    VgaRead(address);
    VgaWrite(address, value);
}

uint8_t VgaPlaneByte(int plane, uint32_t offset) {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    if (!v || plane < 0 || plane > 3 || offset >= kVgaPlaneSize) return 0;
    VgaFoldWindow(*v);
    return v->planes[size_t(plane) * kVgaPlaneSize + offset];
}

uint32_t VgaLatches() {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    if (!v) return 0;
    return uint32_t(v->latch[0]) | uint32_t(v->latch[1]) << 8 | uint32_t(v->latch[2]) << 16 |
           uint32_t(v->latch[3]) << 24;
}

namespace {
template <size_t N> uint8_t registerOf(uint8_t (VgaChip::*file)[N], int index) {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    return v && index >= 0 && size_t(index) < N ? (v->*file)[index] : 0;
}
} // namespace

uint8_t VgaSequencer(int index) {
    return registerOf(&VgaChip::seq, index);
}
uint8_t VgaCrtc(int index) {
    return registerOf(&VgaChip::crtc, index);
}
uint8_t VgaGraphics(int index) {
    return registerOf(&VgaChip::gc, index);
}
uint8_t VgaAttribute(int index) {
    return registerOf(&VgaChip::attr, index);
}

void VgaDacEntry(int index, uint8_t rgb[3]) {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    for (int i = 0; i < 3; ++i)
        rgb[i] = v && index >= 0 && index < 256 ? v->dac[index][i] : 0;
}

bool VgaShowing() {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    return v && v->showing && !v->vbe.mode;
}

void SetVgaWindow(HWND window) {
    std::lock_guard g(Lock());
    if (VgaChip* v = Vga()) {
        v->screen = window;
        v->showing = window != nullptr;
    }
}

uint8_t* RealModeMemory() {
    std::lock_guard g(Lock());
    Personality();
    VgaChip* v = Vga();
    return v ? v->real.data() : nullptr;
}

} // namespace platform
