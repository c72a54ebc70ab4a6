// The simulated adapter: the chosen personality, video memory in one
// page-aligned mapping with a first-fit allocator and optional write
// protection, the beam, and the scan-out that shows a part of video memory in
// the full-screen window.
#include "AccelInternal.h"
#include "AdapterInternal.h"
#include "Personalities.h"
#include "VgaInternal.h"

#include "../gdi/BlitRows.h"
#include "../window/WindowSurface.h"
#include "platform/Clock.h"
#include "platform/Kernel.h"
#include "platform/User.h"
#include "../host/SessionParts.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

namespace platform::adapter {

namespace {

struct AdapterState {
    bool envRead = false;
    std::optional<AdapterPersonality> personality;
    uint8_t* memory = nullptr;
    size_t size = 0;
    std::map<uint32_t, uint32_t> used; // offset -> bytes
    bool protect = false;
    bool readOnly = false; // as the memory is mapped now
    int openWriters = 0;
    ScanOut scan;
    uint32_t retraces = 0;
    int64_t escapeOffset = -1;
};

AdapterState& St() {
    static AdapterState* s = new AdapterState; // usable from any static's lifetime
    return *s;
}

void applyProtection() {
    AdapterState& s = St();
    if (!s.memory) return;
    const bool readOnly = s.protect && s.openWriters == 0;
    // Every write-back opens and closes the memory: a call that changes
    // nothing would still walk the page tables of megabytes.
    if (readOnly == s.readOnly) return;
    mprotect(s.memory, s.size, readOnly ? PROT_READ : PROT_READ | PROT_WRITE);
    s.readOnly = readOnly;
}

void unmap() {
    AdapterState& s = St();
    if (s.memory) munmap(s.memory, s.size);
    s.memory = nullptr;
    s.size = 0;
    s.used.clear();
    s.openWriters = 0;
    s.readOnly = false; // a new mapping starts writable
    s.scan = ScanOut{};
}

void choose(std::optional<AdapterPersonality> p) {
    AdapterState& s = St();
    DirectDrawReset();
    FsDirectReset();
    AccelReset();
    unmap();
    VgaDestroy();
    s.personality = std::move(p);
    s.envRead = true;
    if (s.personality) VgaCreate(s.personality->vga);
    if (!s.personality || s.personality->videoMemory == 0) return;
    const size_t page = 4096;
    const size_t size = (size_t(s.personality->videoMemory) + page - 1) / page * page;
    void* m = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) {
        s.personality.reset(); // no memory, no adapter
        return;
    }
    s.memory = static_cast<uint8_t*>(m);
    s.size = size;
    applyProtection();
}

const AdapterPersonality* findBuiltin(const char* name) {
    for (const AdapterPersonality& p : BuiltinPersonalities())
        if (p.name == name) return &p;
    return nullptr;
}

void readEnvironmentOnce() {
    AdapterState& s = St();
    if (s.envRead) return;
    s.envRead = true;
    const char* name = std::getenv("ADV_ADAPTER");
    if (!name || !*name) return;
    if (const AdapterPersonality* p = findBuiltin(name)) choose(*p);
}

// A channel of `mask` widened to 8 bits by repeating its high bits, as the
// paint path widens 5- and 6-bit channels.
uint32_t widen(uint32_t value, uint32_t mask) {
    if (!mask) return 0;
    const int shift = __builtin_ctz(mask);
    const int width = 32 - __builtin_clz(mask >> shift);
    const uint32_t v = (value & mask) >> shift;
    if (width >= 8) return (v >> (width - 8)) & 0xFF;
    uint32_t out = 0;
    for (int at = 8 - width; at > -width; at -= width)
        out |= at >= 0 ? v << at : v >> -at;
    return out & 0xFF;
}

void convertRow(const ScanOut& r, const uint8_t* in, uint32_t* out, int count) {
    const int bytes = r.bits / 8;
    for (int i = 0; i < count; ++i, in += bytes) {
        uint32_t v = 0;
        std::memcpy(&v, in, size_t(bytes));
        if (r.bits == 8) {
            const PALETTEENTRY& e = r.palette[v & 0xFF];
            out[i] = (uint32_t(e.peRed) << 16) | (uint32_t(e.peGreen) << 8) | e.peBlue;
        } else {
            out[i] = widen(v, r.masks[0]) << 16 | widen(v, r.masks[1]) << 8 | widen(v, r.masks[2]);
        }
    }
}

// Rows of the scan-out that lie within video memory.
int visibleRows(const ScanOut& r) {
    const AdapterState& s = St();
    if (!r.enabled || !s.memory || r.pitch <= 0 || r.start >= s.size) return 0;
    const size_t rows = (s.size - r.start) / size_t(r.pitch);
    return int(std::min<size_t>(rows, size_t(std::max(r.height, 0))));
}

} // namespace

std::recursive_mutex& Lock() {
    static std::recursive_mutex* m = new std::recursive_mutex;
    return *m;
}

const AdapterPersonality* Personality() {
    readEnvironmentOnce();
    return St().personality ? &*St().personality : nullptr;
}

bool AllocateVideo(uint32_t bytes, uint32_t* offset) {
    AdapterState& s = St();
    if (!s.memory || bytes == 0) return false;
    const uint64_t want = (uint64_t(bytes) + 63) / 64 * 64;
    uint64_t at = 0;
    for (const auto& [o, n] : s.used) {
        if (o >= at + want) break;
        at = std::max<uint64_t>(at, uint64_t(o) + n);
    }
    if (at + want > s.size) return false;
    s.used[uint32_t(at)] = uint32_t(want);
    *offset = uint32_t(at);
    return true;
}

void FreeVideo(uint32_t offset) {
    St().used.erase(offset);
}

uint8_t* VideoAt(uint32_t offset) {
    AdapterState& s = St();
    return s.memory && offset < s.size ? s.memory + offset : nullptr;
}

void ClearVideo() {
    AdapterState& s = St();
    // Untouched pages of the private mapping read as zeros again, without
    // writing megabytes of them.
    if (s.memory && madvise(s.memory, s.size, MADV_DONTNEED) != 0) {
        OpenForWriting();
        std::memset(s.memory, 0, s.size);
        CloseForWriting();
    }
}

size_t VideoSize() {
    return St().memory ? St().size : 0;
}

uint32_t VideoFree() {
    uint64_t used = 0;
    for (const auto& [o, n] : St().used)
        used += n;
    return uint32_t(St().size - std::min<uint64_t>(used, St().size));
}

void OpenForWriting() {
    if (St().openWriters++ == 0) applyProtection();
}

void CloseForWriting() {
    if (St().openWriters > 0 && --St().openWriters == 0) applyProtection();
}

void WaitRetrace() {
    {
        std::lock_guard g(Lock());
        ++St().retraces;
    }
    const uint32_t now = ClockNow();
    const uint64_t tick = uint64_t(now) * 60 / 1000 + 1;
    const uint32_t due = uint32_t((tick * 1000 + 59) / 60);
    if (due > now) Sleep(due - now);
}

void SetScanOut(const ScanOut& registers) {
    {
        std::lock_guard g(Lock());
        St().scan = registers;
        St().scan.enabled = true;
    }
    ShowScanOut();
}

void SetScanOutStart(uint32_t start) {
    {
        std::lock_guard g(Lock());
        St().scan.start = start;
    }
    ShowScanOut();
}

void SetScanOutPalette(int first, int count, const PALETTEENTRY* entries) {
    {
        std::lock_guard g(Lock());
        first = std::clamp(first, 0, 256);
        count = std::clamp(count, 0, 256 - first);
        std::copy(entries, entries + count, St().scan.palette + first);
    }
    ShowScanOut();
}

void DisableScanOut() {
    std::lock_guard g(Lock());
    St().scan.enabled = false;
}

namespace {
// A VBE mode's registers are the scan-out's while it is set.
void takeVbeScanOut() {
    ScanOut vbe;
    if (VgaChip* v = Vga(); v && VbeScanOutRegisters(*v, &vbe)) St().scan = vbe;
}
} // namespace

ScanOut CurrentScanOut() {
    std::lock_guard g(Lock());
    AccelFlush();
    takeVbeScanOut();
    return St().scan;
}

void ShowScanOut() {
    std::lock_guard g(Lock());
    if (VgaShowFrame()) return;
    AccelFlush();
    takeVbeScanOut();
    const ScanOut& r = St().scan;
    const int rows = visibleRows(r);
    if (rows <= 0 || !r.window) return;
    WindowPixels px{};
    if (!LockWindowPixels(r.window, &px)) return;
    const int w = std::min(r.width, px.width), h = std::min(rows, px.height);
    if (px.pixels && w > 0 && h > 0) {
        gdi::Surface src;
        src.bits = St().memory + r.start;
        src.width = r.width;
        src.height = rows;
        src.stride = r.pitch;
        src.bpp = r.bits;
        std::copy(r.masks, r.masks + 3, src.masks);
        RGBQUAD colours[256];
        if (r.bits == 8) { // indexes go through the scan-out's palette
            for (int i = 0; i < 256; ++i)
                colours[i] = {r.palette[i].peBlue, r.palette[i].peGreen, r.palette[i].peRed, 0};
            src.colors = colours;
            src.colorCount = 256;
        }
        gdi::Surface dst;
        dst.bits = reinterpret_cast<uint8_t*>(px.pixels);
        dst.width = px.width;
        dst.height = px.height;
        dst.stride = px.pitchPixels * 4;
        dst.bpp = 32;
        dst.masks[0] = 0xFF0000;
        dst.masks[1] = 0x00FF00;
        dst.masks[2] = 0x0000FF;
        if (!gdi::CopyRowsToXrgb(src, 0, 0, dst, 0, 0, w, h))
            for (int y = 0; y < h; ++y)
                convertRow(r, src.Row(y), px.pixels + size_t(y) * size_t(px.pitchPixels), w);
        AccelOverlayCursor(px.pixels, px.pitchPixels, w, h, r.palette);
    }
    UnlockWindowPixels(r.window, nullptr);
}

void RefreshScanOutWindow(HWND window) {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    if (window && v && v->vbe.mode && v->screen == window) ShowScanOut();
}

void RecordEscapeOffset(int64_t offset) {
    std::lock_guard g(Lock());
    St().escapeOffset = offset;
}

void NoteAppSwitchedAway() {
    HWND window = nullptr;
    {
        std::lock_guard g(Lock());
        if (St().personality) window = DirectDrawAppSwitchedAway();
    }
    if (window) ShowWindow(window, SW_MINIMIZE);
}

} // namespace platform::adapter

namespace platform {

using namespace adapter;

bool UseAdapter(const char* name) {
    std::lock_guard g(Lock());
    if (!name || !*name) {
        choose(std::nullopt);
        return true;
    }
    const AdapterPersonality* p = findBuiltin(name);
    if (!p) return false;
    choose(*p);
    return true;
}

void UseAdapter(const AdapterPersonality& personality) {
    std::lock_guard g(Lock());
    choose(personality);
}

const AdapterPersonality* CurrentAdapter() {
    std::lock_guard g(Lock());
    return Personality();
}

std::vector<std::string> AdapterNames() {
    std::vector<std::string> out;
    for (const AdapterPersonality& p : BuiltinPersonalities())
        out.push_back(p.name);
    return out;
}

VideoMemoryView AdapterVideoMemory() {
    std::lock_guard g(Lock());
    Personality();
    if (VgaChip* v = Vga()) VbeWriteBack(*v, false);
    AccelFlush(); // whoever reads video memory sees the accelerator's work
    return {St().memory, St().size};
}

void SetAdapterWriteProtect(bool on) {
    std::lock_guard g(Lock());
    St().protect = on;
    applyProtection();
}

ScanOut AdapterScanOut() {
    return CurrentScanOut();
}

Frame AdapterScanOutFrame() {
    std::lock_guard g(Lock());
    if (VgaShowing()) return VgaFrame();
    AccelFlush();
    takeVbeScanOut();
    const ScanOut& r = St().scan;
    Frame f;
    const int rows = visibleRows(r);
    if (rows <= 0 || r.width <= 0) return f;
    f.width = r.width;
    f.height = rows;
    f.pixels.resize(size_t(r.width) * size_t(rows));
    for (int y = 0; y < rows; ++y)
        convertRow(r, St().memory + r.start + size_t(y) * size_t(r.pitch),
                   f.pixels.data() + size_t(y) * size_t(r.width), r.width);
    AccelOverlayCursor(f.pixels.data(), r.width, r.width, rows, r.palette);
    return f;
}

uint32_t AdapterRetraceWaits() {
    std::lock_guard g(Lock());
    return St().retraces;
}

int64_t AdapterEscapeOffset() {
    std::lock_guard g(Lock());
    return St().escapeOffset;
}

void ResetAdapter() {
    std::lock_guard g(Lock());
    choose(std::nullopt);
    St().envRead = false; // the next session reads the environment again
    St().protect = false;
    St().retraces = 0;
    St().escapeOffset = -1;
}

bool AdapterDisplayModes(std::vector<DisplayMode>* modes) {
    std::lock_guard g(Lock());
    const AdapterPersonality* p = Personality();
    if (!p) return false;
    if (modes) {
        modes->clear();
        const std::vector<AdapterMode>& list = p->settings.empty() ? p->modes : p->settings;
        for (const AdapterMode& m : list)
            if (!(m.surfaceCaps & 0x00200000)) // mode X is no display setting
                modes->push_back({m.width,
                                  m.height,
                                  m.bits,
                                  60,
                                  {m.red, m.green, m.blue},
                                  m.refused,
                                  m.failsWhenSet});
    }
    return true;
}

} // namespace platform
