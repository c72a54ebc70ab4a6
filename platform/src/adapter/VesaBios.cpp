// The VESA BIOS Extensions of interrupt 10h: controller and mode information
// by the personality's version, mode set (linear framebuffer, kept memory, a
// CRTC block from 3.0 on), the window, scan-line length, display start with
// scheduling and stereo, DAC width, palette, the protected-mode table and
// pixel clocks. Blocks go through ES:DI in real-mode memory, bounded by it.
#include "AdapterInternal.h"
#include "VgaInternal.h"

#include "platform/FsDirect.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform::adapter {

namespace {

constexpr uint32_t kOk = 0x004F, kFailed = 0x014F, kNotInHardware = 0x024F, kInvalidNow = 0x034F;

// `n` bytes at seg:off of real-mode memory, or null when they leave it.
uint8_t* realAt(VgaChip& v, uint32_t segment, uint32_t offset, size_t n) {
    const uint64_t at = (uint64_t(segment & 0xFFFF) << 4) + (offset & 0xFFFF);
    return at + n <= v.real.size() ? v.real.data() + at : nullptr;
}

void put16(uint8_t* p, uint32_t value) {
    p[0] = uint8_t(value), p[1] = uint8_t(value >> 8);
}
void put32(uint8_t* p, uint32_t value) {
    put16(p, value), put16(p + 2, value >> 16);
}
uint16_t get16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t get32(const uint8_t* p) {
    return uint32_t(get16(p)) | uint32_t(get16(p + 2)) << 16;
}
uint32_t farPointer(uint16_t offset) {
    return uint32_t(kVbeRomSegment) << 16 | offset;
}

void setAx(RealModeRegs* r, uint32_t ax) {
    r->eax = (r->eax & 0xFFFF0000u) | ax;
}

int bytesPerPixel(const AdapterVbeMode& m) {
    return m.bits == 4 ? 0 : (m.bits == 15 ? 16 : m.bits) / 8;
}

uint32_t pitchOf(const AdapterVbeMode& m) {
    if (m.bits == 4) return uint32_t(m.width) / 8;
    return (uint32_t(m.width) * uint32_t(bytesPerPixel(m)) + 7) & ~7u;
}

// Pages of the mode that video memory holds (planar modes: one plane of 64 KB).
uint32_t pagesOf(const AdapterVbeMode& m) {
    const uint64_t page = uint64_t(pitchOf(m)) * uint64_t(m.height);
    const uint64_t memory = m.bits == 4 ? kVgaPlaneSize : VideoSize();
    return page ? uint32_t(std::min<uint64_t>(memory / page, 256)) : 0;
}

const AdapterVbeMode* findMode(const AdapterVbe& b, uint32_t number) {
    number &= 0x1FF;
    for (const AdapterVbeMode& m : b.modes)
        if (m.number == number) return &m;
    return nullptr;
}

// The strings and the mode list in the ROM, the block pointing at them.
void controllerInfo(VgaChip& v, const AdapterVbe& b, RealModeRegs* r) {
    uint8_t* block = realAt(v, r->es, r->edi, 512);
    if (!block) return setAx(r, kFailed);
    const bool wide = std::memcmp(block, "VBE2", 4) == 0 && b.version >= 0x0200;
    std::memset(block, 0, wide ? 512 : 256);
    std::memcpy(block, "VESA", 4);
    put16(block + 4, b.version);
    uint16_t at = kVbeStringsOffset;
    auto string = [&](const std::string& s) {
        const uint16_t start = at;
        uint8_t* p = realAt(v, kVbeRomSegment, at, s.size() + 1);
        std::memcpy(p, s.c_str(), s.size() + 1);
        at = uint16_t(at + s.size() + 1);
        return farPointer(start);
    };
    put32(block + 6, string(b.oem));
    put32(block + 10, b.capabilities);
    put32(block + 14, farPointer(at));
    for (const AdapterVbeMode& m : b.modes)
        if (pagesOf(m) > 0) put16(realAt(v, kVbeRomSegment, at, 2), m.number), at += 2;
    put16(realAt(v, kVbeRomSegment, at, 2), 0xFFFF), at += 2;
    put16(block + 18, uint32_t(VideoSize() >> 16));
    if (b.version < 0x0200) return setAx(r, kOk);
    put16(block + 20, 0x0100);
    const uint32_t vendor = string(b.vendor);
    put32(block + 22, b.vendorPointer ? vendor : 0);
    put32(block + 26, string(b.product));
    put32(block + 30, string(b.revision));
    setAx(r, kOk);
}

uint16_t attributesOf(const AdapterVbe& b, const AdapterVbeMode& m) {
    uint16_t a = 0x001B; // supported, extended information, colour, graphics
    if (m.bits > 8) a |= 0x0020;
    if (b.linear && b.version >= 0x0200 && m.bits != 4) a |= 0x0080;
    return uint16_t(a | m.attributes);
}

void modeInfo(VgaChip& v, const AdapterVbe& b, RealModeRegs* r) {
    const AdapterVbeMode* m = findMode(b, r->ecx);
    uint8_t* block = realAt(v, r->es, r->edi, 256);
    if (!m || !block || (r->ecx & 0xFFFF) < 0x100 || pagesOf(*m) == 0) return setAx(r, kFailed);
    std::memset(block, 0, 256);
    const uint32_t pages = pagesOf(*m);
    put16(block + 0, attributesOf(b, *m));
    block[2] = b.windowPair ? 0x03 : 0x07;
    block[3] = b.windowPair ? 0x05 : 0x00;
    put16(block + 4, uint32_t(b.granularityKB));
    put16(block + 6, 64);
    put16(block + 8, 0xA000);
    put16(block + 10, b.windowPair ? 0xA000 : 0);
    put16(block + 16, pitchOf(*m));
    put16(block + 18, uint32_t(m->width));
    put16(block + 20, uint32_t(m->height));
    block[22] = 8, block[23] = 16;
    block[24] = m->bits == 4 ? 4 : 1;
    block[25] = uint8_t(m->bits);
    block[26] = 1;
    block[27] = m->model;
    block[29] = uint8_t(pages - 1);
    block[30] = 1;
    std::memcpy(block + 31, m->fields, 8);
    if (b.version < 0x0200) return setAx(r, kOk);
    if (block[0] & 0x80) put32(block + 40, kLinearFrameBuffer);
    if (b.version < 0x0300) return setAx(r, kOk);
    put16(block + 50, pitchOf(*m));
    block[52] = block[53] = uint8_t(pages - 1);
    std::memcpy(block + 54, m->fields, 8);
    put32(block + 62, b.clocks.empty() ? 0 : b.clocks.back());
    setAx(r, kOk);
}

// An 800 x 600 planar mode: mode 12h's registers with 100 columns of 600 lines.
bool setPlanar(VgaChip& v, bool keep) {
    if (!BiosSetMode(v, 0x12, keep)) return false;
    v.crtc[0x01] = 0x63;
    v.crtc[0x07] = uint8_t((v.crtc[0x07] & ~0x02) | 0x40); // display end 599: bit 9, not 8
    v.crtc[0x12] = 0x57;
    v.crtc[0x13] = 0x32;
    return true;
}

void setMode(VgaChip& v, const AdapterVbe& b, RealModeRegs* r) {
    const uint32_t bx = r->ebx & 0xFFFF;
    const bool linear = bx & 0x4000, keep = bx & 0x8000, crtc = bx & 0x0800;
    if ((bx & 0x1FF) < 0x100) {
        const bool ok = !crtc && BiosSetMode(v, uint8_t(bx), keep);
        return setAx(r, ok ? kOk : kFailed);
    }
    const AdapterVbeMode* m = findMode(b, bx);
    if (!m || pagesOf(*m) == 0 || (crtc && b.version < 0x0300)) return setAx(r, kFailed);
    if (linear && !(attributesOf(b, *m) & 0x80)) return setAx(r, kFailed);
    const uint8_t* block = crtc ? realAt(v, r->es, r->edi, 19) : nullptr;
    if (crtc && !block) return setAx(r, kFailed);
    if (m->bits == 4) {
        if (!setPlanar(v, keep)) return setAx(r, kFailed);
    } else {
        BiosSetMode(v, 0x03, true); // ends any mode first, the DAC at 6 bits
        VbeBeginMode(v);
        if (!keep) ClearVideo();
    }
    VbeChip& s = v.vbe;
    s.number = uint16_t(m->number);
    s.mode = m->bits == 4 ? nullptr : m;
    s.linear = linear;
    s.pitch = pitchOf(*m);
    s.start = 0;
    s.position[0] = s.position[1] = 0;
    s.crtcUsed = crtc;
    if (crtc)
        s.crtc = {get16(block),     get16(block + 2),  get16(block + 4),
                  get16(block + 6), get16(block + 8),  get16(block + 10),
                  block[12],        get32(block + 13), get16(block + 17)};
    if (s.mode && !linear) VbeLoadWindow(v);
    setAx(r, kOk);
}

void window(VgaChip& v, RealModeRegs* r) {
    VbeChip& s = v.vbe;
    const int which = r->ebx & 0xFF;
    if (!s.number || s.linear || which > 1) return setAx(r, s.number ? kInvalidNow : kFailed);
    if (((r->ebx >> 8) & 0xFF) == 1) {
        r->edx = (r->edx & 0xFFFF0000u) | (s.position[which] & 0xFFFF);
        return setAx(r, kOk);
    }
    // A 16-colour mode's window shows the planes whole: bank 0 is all it has.
    const uint32_t position = r->edx & 0xFFFF;
    if (!s.mode && position != 0) return setAx(r, kFailed);
    setAx(r, VbeSetWindow(v, which, position) ? kOk : kFailed);
}

void scanLine(VgaChip& v, RealModeRegs* r) {
    VbeChip& s = v.vbe;
    if (!s.mode) return setAx(r, kInvalidNow);
    const uint32_t bpp = uint32_t(bytesPerPixel(*s.mode));
    const uint32_t least = pitchOf(*s.mode), height = uint32_t(s.mode->height);
    const uint32_t most = uint32_t(std::min<size_t>(VideoSize() / height, 0xFFF8)) & ~7u;
    const uint32_t cx = r->ecx & 0xFFFF;
    uint32_t bytes = s.pitch;
    switch (r->ebx & 0xFF) {
        case 0: bytes = (cx * bpp + 7) & ~7u; break;
        case 2: bytes = (cx + 7) & ~7u; break;
        case 1: break;
        case 3: bytes = most; break;
        default: return setAx(r, kFailed);
    }
    bytes = std::max(bytes, least);
    if (bytes > most) return setAx(r, kNotInHardware);
    if ((r->ebx & 0xFF) != 3) s.pitch = bytes;
    r->ebx = (r->ebx & 0xFFFF0000u) | bytes;
    r->ecx = (r->ecx & 0xFFFF0000u) | (bytes / bpp);
    r->edx = (r->edx & 0xFFFF0000u) | uint32_t(std::min<size_t>(VideoSize() / bytes, 0xFFFF));
    setAx(r, kOk);
}

// A scheduled start takes effect at the retrace after the next status poll,
// so that a caller polling for it on virtual time never waits for ever.
void applyPending(VbeChip& s) {
    if (s.pending) s.start = s.pendingStart;
    s.pending = false;
}

bool displayStart(VgaChip& v, const AdapterVbe& b, RealModeRegs* r) {
    VbeChip& s = v.vbe;
    const uint8_t bl = uint8_t(r->ebx);
    if (!s.mode) {
        setAx(r, kInvalidNow);
        return false;
    }
    const uint32_t bpp = uint32_t(bytesPerPixel(*s.mode));
    const bool three = bl != 0x00 && bl != 0x80 && bl != 0x01;
    if (three && b.version < 0x0300) {
        setAx(r, kFailed);
        return false;
    }
    auto startAt = [&](uint32_t address) {
        if (address >= VideoSize()) return false;
        applyPending(s);
        s.start = address;
        return true;
    };
    bool ok = true, wait = bl & 0x80;
    switch (bl) {
        case 0x00:
        case 0x80: ok = startAt((r->edx & 0xFFFF) * s.pitch + (r->ecx & 0xFFFF) * bpp); break;
        case 0x01:
            r->ebx &= 0xFFFF00FFu;
            r->ecx = (r->ecx & 0xFFFF0000u) | ((s.start % s.pitch) / bpp);
            r->edx = (r->edx & 0xFFFF0000u) | (s.start / s.pitch);
            break;
        case 0x02:
            ok = r->ecx < VideoSize();
            if (ok) {
                applyPending(s);
                s.pending = true;
                s.pendingStart = r->ecx;
                s.pendingPolls = 1;
            }
            break;
        case 0x82: ok = startAt(r->ecx); break;
        case 0x03:
        case 0x83:
            ok = r->edx < VideoSize() && startAt(r->ecx);
            if (ok) s.rightStart = r->edx;
            break;
        case 0x04:
            if (s.pending && s.pendingPolls-- <= 0) applyPending(s);
            r->ecx = (r->ecx & 0xFFFF0000u) | (s.pending ? 0 : 1);
            break;
        case 0x05: ok = (s.mode->attributes & 0x0800) != 0, s.stereo = s.stereo || ok; break;
        case 0x06: s.stereo = false; break;
        default: ok = false; break;
    }
    setAx(r, ok ? kOk : kFailed);
    return ok && wait;
}

} // namespace

void VbeSetDacWidth(VgaChip& v, uint8_t width) {
    if (width == v.vbe.dacWidth) return;
    for (auto& e : v.dac)
        for (uint8_t& c : e)
            c = width == 8 ? uint8_t(c << 2) : uint8_t(c >> 2);
    v.vbe.dacWidth = width;
}

namespace {

void dacWidth(VgaChip& v, const AdapterVbe& b, RealModeRegs* r) {
    VbeChip& s = v.vbe;
    const uint8_t bl = uint8_t(r->ebx);
    if (bl == 0) {
        if (!(b.capabilities & 1)) return setAx(r, kFailed);
        VbeSetDacWidth(v, uint8_t(r->ebx >> 8) >= 8 ? 8 : 6);
    } else if (bl != 1) {
        return setAx(r, kFailed);
    }
    r->ebx = (r->ebx & 0xFFFF00FFu) | uint32_t(s.dacWidth) << 8;
    setAx(r, kOk);
}

bool palette(VgaChip& v, RealModeRegs* r) {
    const uint8_t bl = uint8_t(r->ebx);
    const uint32_t count = r->ecx & 0xFFFF, first = r->edx & 0xFFFF;
    uint8_t* table = realAt(v, r->es, r->edi, size_t(count) * 4);
    if ((bl != 0 && bl != 1 && bl != 0x80) || first + count > 256 || !table) {
        setAx(r, kFailed);
        return false;
    }
    const uint8_t mask = v.vbe.dacWidth == 8 ? 0xFF : 0x3F;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* e = table + 4 * i;
        uint8_t* d = v.dac[first + i];
        if (bl == 1) {
            e[0] = d[2], e[1] = d[1], e[2] = d[0], e[3] = 0;
        } else {
            d[0] = e[2] & mask, d[1] = e[1] & mask, d[2] = e[0] & mask;
        }
    }
    setAx(r, kOk);
    return bl == 0x80;
}

void pmInterface(VgaChip& v, const AdapterVbe& b, RealModeRegs* r) {
    if ((r->ebx & 0xFF) != 0) return setAx(r, kFailed);
    r->es = kVbeRomSegment;
    r->edi = (r->edi & 0xFFFF0000u) | kVbePmTableOffset;
    r->ecx = (r->ecx & 0xFFFF0000u) | VbeWritePmTable(v, b);
    setAx(r, kOk);
}

void pixelClock(const AdapterVbe& b, RealModeRegs* r) {
    if ((r->ebx & 0xFF) != 0 || b.clocks.empty()) return setAx(r, kFailed);
    const uint32_t want = r->ecx;
    uint32_t best = b.clocks.front();
    for (uint32_t c : b.clocks)
        if (std::llabs(int64_t(c) - want) < std::llabs(int64_t(best) - want)) best = c;
    r->ecx = best;
    setAx(r, kOk);
}

VbeBiosHook& hook() {
    static VbeBiosHook h = nullptr;
    return h;
}

} // namespace

bool VesaBiosCall(VgaChip& v, RealModeRegs* r) {
    if (VbeBiosHook h = hook()) {
        h(r, v.real.data());
        return false;
    }
    const AdapterPersonality* p = Personality();
    if (!p || !p->vbe.version) return false;
    const AdapterVbe& b = p->vbe;
    const uint8_t function = uint8_t(r->eax);
    const uint16_t needs = function <= 0x08 ? 0 : function <= 0x0A ? 0x0200 : 0x0300;
    if (function > 0x0B || b.version < needs) return false; // unknown: AX stays
    switch (function) {
        case 0x00: controllerInfo(v, b, r); break;
        case 0x01: modeInfo(v, b, r); break;
        case 0x02: setMode(v, b, r); break;
        case 0x03:
            r->ebx = (r->ebx & 0xFFFF0000u) | (v.vbe.number ? v.vbe.number : v.real[0x449]) |
                     (v.vbe.linear ? 0x4000 : 0);
            setAx(r, kOk);
            break;
        case 0x05: window(v, r); break;
        case 0x06: scanLine(v, r); break;
        case 0x07: return displayStart(v, b, r);
        case 0x08: dacWidth(v, b, r); break;
        case 0x09: return palette(v, r);
        case 0x0A: pmInterface(v, b, r); break;
        case 0x0B: pixelClock(b, r); break;
        default: setAx(r, kFailed); break; // 4F04h: no state to save
    }
    return false;
}

} // namespace platform::adapter

namespace platform {

void SetVbeBiosHook(VbeBiosHook h) {
    std::lock_guard g(adapter::Lock());
    adapter::hook() = h;
}

} // namespace platform
