// The VBE bank window: the A0000h window's host buffer holds one bank of video
// memory. A move of the writable window writes back what changed and loads
// the new bank; the scan-out and every linear read write it back first.
#include "AdapterInternal.h"
#include "VgaInternal.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace platform::adapter {

namespace {

const AdapterVbe* bios() {
    const AdapterPersonality* p = Personality();
    return p && p->vbe.version ? &p->vbe : nullptr;
}

int writableWindow() {
    const AdapterVbe* b = bios();
    return b && b->windowPair ? 1 : 0;
}

uint32_t granularity() {
    const AdapterVbe* b = bios();
    return uint32_t(b ? b->granularityKB : 64) * 1024u;
}

// A channel's mask from its size and position.
uint32_t maskOf(uint8_t size, uint8_t position) {
    if (size == 0 || size > 32 || position >= 32) return 0;
    const uint64_t bits = (uint64_t(1) << size) - 1;
    return uint32_t(bits << position);
}

uint8_t widenDac(uint8_t value, int width) {
    return width == 8 ? value : uint8_t((value & 0x3F) << 2 | (value & 0x3F) >> 4);
}

// 0xFF in every byte of a word where `diff` has a bit set, 0 elsewhere.
uint64_t changedBytes(uint64_t diff) {
    diff |= diff >> 4;
    diff |= diff >> 2;
    diff |= diff >> 1;
    return (diff & 0x0101010101010101ull) * 0xFF;
}

// The bytes of `window` that differ from `shadow` go into `memory` and the
// shadow; the others leave memory as it is. Blocks of 1 KB that did not change are
// passed over whole, the rest merged a word at a time without branches.
void mergeChanged(uint8_t* memory, uint8_t* shadow, const uint8_t* window, size_t n) {
    constexpr size_t kBlock = 1024;
    for (size_t at = 0; at < n; at += kBlock) {
        const size_t len = std::min(kBlock, n - at);
        if (std::memcmp(window + at, shadow + at, len) == 0) continue;
        size_t i = at;
        for (; i + 8 <= at + len; i += 8) {
            uint64_t w, s, m;
            std::memcpy(&w, window + i, 8);
            std::memcpy(&s, shadow + i, 8);
            std::memcpy(&m, memory + i, 8);
            const uint64_t mask = changedBytes(w ^ s);
            m = (m & ~mask) | (w & mask);
            std::memcpy(memory + i, &m, 8);
            std::memcpy(shadow + i, &w, 8);
        }
        for (; i < at + len; ++i)
            if (window[i] != shadow[i]) memory[i] = shadow[i] = window[i];
    }
}

} // namespace

bool VbeSetWindow(VgaChip& v, int window, uint32_t position) {
    const AdapterVbe* b = bios();
    if (!b || window < 0 || window > 1 || (window == 1 && !b->windowPair)) return false;
    if (uint64_t(position) * granularity() >= VideoSize()) return false;
    VbeChip& s = v.vbe;
    const bool writable = window == writableWindow();
    if (s.position[window] == position && (!writable || s.holding)) return true;
    s.position[window] = position;
    // A planar mode's window is the VGA's own (its planes, its guard): there
    // is no packed bank to load into it.
    if (!writable || !s.mode) return true;
    VbeWriteBack(v, true);
    VbeLoadWindow(v);
    ++s.switches;
    return true;
}

void VbeLoadWindow(VgaChip& v) {
    VbeChip& s = v.vbe;
    if (!v.window) return;
    const uint64_t offset = uint64_t(s.position[writableWindow()]) * granularity();
    const size_t size = VideoSize();
    const size_t n = offset < size ? std::min<size_t>(kVgaWindowSize, size - offset) : 0;
    if (n) std::memcpy(v.window, VideoAt(uint32_t(offset)), n);
    std::memset(v.window + n, 0, kVgaWindowSize - n);
    s.shadow.resize(kVgaWindowSize);
    std::memcpy(s.shadow.data(), v.window, kVgaWindowSize);
    s.loaded = uint32_t(offset);
    s.holding = true;
}

void VbeWriteBack(VgaChip& v, bool drop) {
    VbeChip& s = v.vbe;
    if (!s.holding || !v.window || s.shadow.size() != kVgaWindowSize) {
        if (drop) s.holding = false;
        return;
    }
    const size_t size = VideoSize();
    const size_t n = s.loaded < size ? std::min<size_t>(kVgaWindowSize, size - s.loaded) : 0;
    uint8_t* memory = VideoAt(s.loaded);
    OpenForWriting();
    // Only what changed goes back, so that writes through the linear view
    // meanwhile survive a bank they did not touch.
    mergeChanged(memory, s.shadow.data(), v.window, n);
    CloseForWriting();
    if (drop) s.holding = false;
}

void VbeEndMode(VgaChip& v) {
    VbeChip& s = v.vbe;
    s.dacWidth = 6;
    s.number = 0;
    s.stereo = s.pending = false;
    if (!s.mode) return;
    VbeWriteBack(v, true);
    s.mode = nullptr;
    s.linear = false;
    if (v.window)
        mprotect(v.window, kVgaWindowSize, v.chained ? PROT_READ | PROT_WRITE : PROT_NONE);
    DisableScanOut();
}

void VbeBeginMode(VgaChip& v) {
    if (v.chained) {
        VgaFoldWindow(v);
        v.chained = false;
    }
    if (v.window) mprotect(v.window, kVgaWindowSize, PROT_READ | PROT_WRITE);
}

bool VbeScanOutRegisters(VgaChip& v, ScanOut* out) {
    const VbeChip& s = v.vbe;
    if (!s.mode) return false;
    VbeWriteBack(v, false);
    const AdapterVbeMode& m = *s.mode;
    ScanOut r;
    r.enabled = true;
    r.width = m.width;
    r.height = m.height;
    r.pitch = int(s.pitch);
    r.bits = m.bits == 15 ? 16 : m.bits;
    for (int c = 0; c < 3 && r.bits > 8; ++c)
        r.masks[c] = maskOf(m.fields[2 * c], m.fields[2 * c + 1]);
    r.start = s.start;
    for (int i = 0; i < 256; ++i) {
        const uint8_t entry = uint8_t(i & v.dacMask);
        r.palette[i] = {widenDac(v.dac[entry][0], s.dacWidth),
                        widenDac(v.dac[entry][1], s.dacWidth),
                        widenDac(v.dac[entry][2], s.dacWidth), 0};
    }
    r.window = v.screen;
    *out = r;
    return true;
}

} // namespace platform::adapter

namespace platform {

using namespace adapter;

bool VbeLastCrtc(VbeCrtcBlock* out) {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    if (!v || !v->vbe.crtcUsed) return false;
    if (out) *out = v->vbe.crtc;
    return true;
}

uint32_t VbeBankSwitches() {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    return v ? v->vbe.switches : 0;
}

uint16_t VbeCurrentMode() {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    return v ? uint16_t(v->vbe.number | (v->vbe.linear ? 0x4000 : 0)) : 0;
}

uint32_t VbeDisplayStart() {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    return v ? v->vbe.start : 0;
}

bool VbeStereoOn() {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    return v && v->vbe.stereo;
}

void VbeFlushWindow() {
    std::lock_guard g(Lock());
    if (VgaChip* v = Vga()) VbeWriteBack(*v, false);
}

} // namespace platform
