// The VBE protected-mode interface: a table of three routines and a port and
// memory list. The routines are small tagged stubs ending in a return (C3h)
// that nothing runs; the library names them by their place in the table and
// the adapter answers for them with host entries.
#include "AdapterInternal.h"
#include "VgaInternal.h"

#include "platform/FsDirect.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace platform::adapter {

namespace {

// A stub: jmp short over the tag ('Q' 'V' kind), then ret. With the table's
// marker the SetWindow stub jumps one byte further, over a data byte C3h, so
// that only the marker's length covers its whole body.
std::vector<uint8_t> stub(int kind, bool marker) {
    if (marker && kind == 1) return {0xEB, 0x04, 'Q', 'V', uint8_t(kind), 0xC3, 0xC3};
    return {0xEB, 0x03, 'Q', 'V', uint8_t(kind), 0xC3};
}

size_t bodyLength(const uint8_t* code, size_t size) {
    if (size < 6 || code[0] != 0xEB || code[2] != 'Q' || code[3] != 'V') return 0;
    if (code[4] < 1 || code[4] > 3) return 0;
    if (code[1] == 0x03 && code[5] == 0xC3) return 5;
    if (code[1] == 0x04 && size >= 7 && code[5] == 0xC3 && code[6] == 0xC3) return 6;
    return 0;
}

void put16(std::vector<uint8_t>& t, size_t at, uint32_t v) {
    if (t.size() < at + 2) t.resize(at + 2);
    t[at] = uint8_t(v), t[at + 1] = uint8_t(v >> 8);
}
void put32(std::vector<uint8_t>& t, size_t at, uint32_t v) {
    put16(t, at, v), put16(t, at + 2, v >> 16);
}

std::vector<uint8_t> buildTable(const AdapterVbe& b) {
    std::vector<uint8_t> t(b.pmMarker ? 16 : 8, 0);
    // Ports the routines touch, then the memory areas (base, length).
    put16(t, 6, uint32_t(t.size()));
    for (uint32_t port : {0x3CEu, 0x3CFu, 0x3D4u, 0x3D5u, 0xFFFFu})
        put16(t, t.size(), port);
    if (b.pmMemoryList) {
        put32(t, t.size(), kLinearFrameBuffer);
        put16(t, t.size(), 0x1000);
    }
    put16(t, t.size(), 0xFFFF);
    for (int kind = 1; kind <= 3; ++kind) {
        put16(t, size_t(kind - 1) * 2, uint32_t(t.size()));
        const std::vector<uint8_t> s = stub(kind, b.pmMarker);
        if (kind == 1 && b.pmMarker) {
            put32(t, 8, 0xFBADFBADu);
            put32(t, 12, uint32_t(s.size())); // the body and its return
        }
        t.insert(t.end(), s.begin(), s.end());
    }
    return t;
}

} // namespace

uint16_t VbeWritePmTable(VgaChip& v, const AdapterVbe& b) {
    const std::vector<uint8_t> t = buildTable(b);
    const size_t at = (size_t(kVbeRomSegment) << 4) + kVbePmTableOffset;
    std::memcpy(v.real.data() + at, t.data(), t.size());
    return uint16_t(t.size());
}

} // namespace platform::adapter

namespace platform {

using namespace adapter;

int VbePmStubKind(const uint8_t* code, size_t size) {
    return code && bodyLength(code, size) ? code[4] : 0;
}

void VbePmCall(int kind, RealModeRegs* regs, const void* data) {
    if (!regs) return;
    bool wait = false;
    {
        std::lock_guard g(Lock());
        Personality();
        VgaChip* v = Vga();
        if (!v) return;
        RealModeRegs r = *regs;
        switch (kind) {
            case 1: VbeSetWindow(*v, int(r.ebx & 0xFF), r.edx & 0xFFFF); break;
            case 2: {
                // The start comes in double words (bytes at 4 bits).
                const uint32_t units = (r.edx & 0xFFFF) << 16 | (r.ecx & 0xFFFF);
                const bool planar = !v->vbe.mode;
                const uint64_t start = planar ? units : uint64_t(units) * 4;
                if (v->vbe.mode && start < VideoSize()) v->vbe.start = uint32_t(start);
                wait = (r.ebx & 0x80) != 0;
                break;
            }
            case 3: {
                const uint32_t count = r.ecx & 0xFFFF, first = r.edx & 0xFFFF;
                const auto* e = static_cast<const uint8_t*>(data);
                const uint8_t mask = v->vbe.dacWidth == 8 ? 0xFF : 0x3F;
                for (uint32_t i = 0; e && i < count && first + i < 256; ++i, e += 4) {
                    uint8_t* d = v->dac[first + i];
                    d[0] = e[2] & mask, d[1] = e[1] & mask, d[2] = e[0] & mask;
                }
                wait = (r.ebx & 0x80) != 0;
                break;
            }
            default: return;
        }
    }
    if (wait) WaitRetrace();
    if (kind != 1) ShowScanOut(); // a window move shows nothing new
}

bool VbeIsBankRoutine(const uint8_t* code, size_t size) {
    static const uint8_t kPrologue[10] = {0x53, 0x51, 0x89, 0xC2, 0x31,
                                          0xDB, 0xB1, 0x00, 0xD2, 0xE2};
    if (!code || size < 10 + 5 + 2) return false;
    for (size_t i = 0; i < 10; ++i)
        if (i != 7 && code[i] != kPrologue[i]) return false;
    // The stub's body without its return: the return is the epilogue's.
    const uint8_t* b = code + 10;
    if (b[0] != 0xEB || b[2] != 'Q' || b[3] != 'V' || b[4] != 1) return false;
    const size_t body = b[1] == 0x03 ? 5 : b[1] == 0x04 && b[5] == 0xC3 ? 6 : 0;
    if (!body || size != 10 + body + 2) return false;
    return code[10 + body] == 0x59 && code[10 + body + 1] == 0x5B;
}

} // namespace platform
