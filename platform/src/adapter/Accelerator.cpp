// The simulated VBE/AF accelerator: the entries its initialisation hands out,
// each logged with its arguments. Modes are set through the adapter's VESA
// BIOS (the accelerator sits on a VBE card); drawing is queued and done by
// the accelerator's own kernels at wait-idle, direct access, and whenever
// video memory is shown or read, so a renderer that touches memory without
// waiting sees the order it would on the card.
#include "AccelInternal.h"
#include "AdapterInternal.h"
#include "VbeInternal.h"
#include "VgaInternal.h"

#include "platform/ByteStream.h"
#include "platform/FsDirect.h"
#include "platform/Vbe.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform::adapter {

namespace vb = vbeaf;

namespace {

// A drawing call as queued: plain data, so queueing allocates nothing once
// the queue has grown to its working size.
struct Op {
    enum Kind : uint8_t { Solid, MonoPattern, ColourPattern, Blit, Line, MonoImage } kind = Solid;
    AccelSurface s;
    uint32_t origin = 0, colour = 0;
    int mix = 0, backMix = 4;
    int x = 0, y = 0, w = 0, h = 0;
    // Blits: the source, the key's mode and value.
    uint32_t srcOffset = 0, srcPitch = 0, key = 0;
    int sx = 0, sy = 0, keyMode = 0;
    // Lines: 16.16 end points and the stipple (of a stippled line).
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool stippled = false;
    AccelStipple stipple;
    // Patterns as they were at the call; a 1-bit image's rows from its
    // first bit column (`sx`), `stride` bytes apart.
    uint8_t mono[8]{};
    uint32_t pattern[64]{};
    std::vector<uint8_t> bits;
    int stride = 0;
};

// The log keeps the latest calls in a ring of fixed records: a long run
// neither grows it without bound nor allocates per call.
constexpr size_t kLogCapacity = 1u << 16;
constexpr size_t kMaxArgs = 10;
struct LogRecord {
    uint32_t slot = 0;
    uint32_t count = 0;
    int64_t args[kMaxArgs]{};
};

struct Accel {
    vb::ModeRecord mode{};
    bool modeSet = false;
    uint32_t pitch = 0;
    int bytes = 1;
    uint32_t active = 0; // offset of the drawing buffer
    uint32_t lines = 0;  // a buffer's: the virtual screen's height, else the mode's
    bool stereo = false; // buffers in pairs, the left eye's first
    int foreMix = 0, backMix = 4;
    uint8_t mono[8]{};
    uint32_t colour[8][64]{};
    int selected = 0;
    AccelStipple stipple; // its position moves on by each stippled line's pixels
    int clip[4]{0, 0, 0x7FFF, 0x7FFF};
    std::vector<Op> queue;
    size_t queued = 0;          // the queue's live records (it keeps its capacity)
    std::vector<LogRecord> log; // kLogCapacity once the first call came
    size_t logNext = 0, logHeld = 0;
    VbeafCursorState cursor;
    AfCursor shape{};
    bool overlay = true;
    bool direct = false;
    std::vector<uint8_t> registers;
};

Accel& A() {
    static Accel* a = new Accel;
    return *a;
}

uint32_t get32(const uint8_t* image, uint32_t at) {
    return uint32_t(image[at]) | uint32_t(image[at + 1]) << 8 | uint32_t(image[at + 2]) << 16 |
           uint32_t(image[at + 3]) << 24;
}
void put32(uint8_t* image, uint32_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        image[at + uint32_t(i)] = uint8_t(v >> (8 * i));
}

// The image's own mode records, read inside its bounds.
bool findMode(const uint8_t* image, size_t size, uint32_t number, vb::ModeRecord* out) {
    if (size < vb::kHeaderSize) return false;
    const uint32_t at = get32(image, vb::kModeTable), count = get32(image, vb::kModeTableCount);
    if (at > size || uint64_t(count) * vb::kModeRecordSize > size - at) return false;
    ByteReader r(image + at, size_t(count) * vb::kModeRecordSize);
    for (uint32_t i = 0; i < count; ++i) {
        vb::ModeRecord m;
        m.number = r.U16(), m.width = r.U16(), m.height = r.U16();
        m.bits = r.U8(), m.pages = r.U8(), m.attributes = r.U16();
        if (m.number == (number & 0x3FF)) return *out = m, true;
    }
    return false;
}

int bytesOf(int bits) {
    return (bits + 7) / 8;
}

// The card's VESA mode of the same size and depth.
const AdapterVbeMode* biosMode(const vb::ModeRecord& m) {
    const AdapterPersonality* p = Personality();
    if (!p) return nullptr;
    for (const AdapterVbeMode& b : p->vbe.modes) {
        const int bits = b.bits == 16 && b.fields[6] == 1 ? 15 : b.bits;
        if (b.width == m.width && b.height == m.height && bits == m.bits) return &b;
    }
    return nullptr;
}

RealModeRegs bios(uint32_t ax, uint32_t bx = 0, uint32_t cx = 0, uint32_t dx = 0) {
    RealModeRegs r{};
    r.eax = ax, r.ebx = bx, r.ecx = cx, r.edx = dx;
    RealModeInterrupt(0x10, &r);
    return r;
}

AccelSurface surface() {
    const Accel& a = A();
    AccelSurface s;
    const VideoMemoryView v = AdapterVideoMemory();
    s.base = v.base, s.size = v.size;
    s.pitch = a.pitch, s.bytes = a.bytes;
    std::copy(a.clip, a.clip + 4, s.clip);
    return s;
}

// The next record of the queue, reset, with the state every drawing takes.
Op& queued(Op::Kind kind) {
    // Taken first: reaching video memory draws what is queued.
    const AccelSurface s = surface();
    Accel& a = A();
    if (a.queued == a.queue.size()) a.queue.emplace_back();
    Op& op = a.queue[a.queued++];
    op.bits.clear();
    op.kind = kind;
    op.s = s;
    op.origin = a.active;
    op.mix = a.foreMix, op.backMix = a.backMix;
    return op;
}

// Pointers are logged as 0 or 1, so logs compare across runs.
constexpr uint32_t pointerArgs(uint32_t slot) {
    switch (slot) {
        case vb::kGetModeInfo: return 1u << 1;
        case vb::kSetMode: return 1u << 3 | 1u << 5;
        case vb::kSetPalette:
        case vb::kSetCursor:
        case vb::kSet8x8MonoPattern: return 1u;
        case vb::kSet8x8ColorPattern:
        case vb::kDrawTrap: return 1u << 1;
        case vb::kDrawScanList:
        case vb::kDrawPattScanList:
        case vb::kDrawColorPattScanList: return 1u << 3;
        case vb::kPutMonoImage: return 1u << 9;
        default: return 0;
    }
}

void logCall(uint32_t slot, const intptr_t* args, size_t count) {
    Accel& a = A();
    if (a.log.empty()) a.log.resize(kLogCapacity);
    LogRecord& r = a.log[a.logNext];
    a.logNext = (a.logNext + 1) % kLogCapacity;
    a.logHeld = std::min(a.logHeld + 1, kLogCapacity);
    r.slot = slot, r.count = uint32_t(std::min(count, kMaxArgs));
    const uint32_t pointers = pointerArgs(slot);
    for (size_t i = 0; i < r.count; ++i)
        r.args[i] = pointers >> i & 1 ? int64_t(args[i] != 0) : int64_t(args[i]);
}

// A rectangle of one of the three fill kinds, queued.
void fill(int kind, uint32_t colour, int x, int y, int w, int h) {
    const Accel& a = A();
    Op& op = queued(kind == 0 ? Op::Solid : kind == 1 ? Op::MonoPattern : Op::ColourPattern);
    op.colour = colour, op.x = x, op.y = y, op.w = w, op.h = h;
    if (kind == 1) std::copy(a.mono, a.mono + 8, op.mono);
    if (kind == 2) std::copy(a.colour[a.selected], a.colour[a.selected] + 64, op.pattern);
}

void scan(int kind, uint32_t colour, int y, int x1, int x2) {
    if (x1 > x2) std::swap(x1, x2);
    fill(kind, colour, x1, y, x2 - x1, 1);
}

// A list: `count` spans on the lines from y, each two 32-bit words x1, x2.
void scanList(int kind, uint32_t colour, int y, int count, const int32_t* spans) {
    for (int i = 0; spans && i < count && i < 0x10000; ++i)
        scan(kind, colour, y + i, spans[2 * i], spans[2 * i + 1]);
}

void monoImage(const intptr_t* a) {
    const uint32_t colour = uint32_t(a[0]), back = uint32_t(a[1]);
    const int x = int(a[2]), y = int(a[3]), stride = int(a[4]), sx = int(a[5]), sy = int(a[6]);
    const int w = int(a[7]), h = int(a[8]);
    const auto* bits = reinterpret_cast<const uint8_t*>(a[9]);
    if (!bits || w <= 0 || h <= 0 || stride <= 0 || sx < 0 || sy < 0 || (sx + w + 7) / 8 > stride ||
        w > 0x8000 || h > 0x8000)
        return;
    Op& op = queued(Op::MonoImage);
    op.colour = colour, op.key = back; // the background colour rides in the key
    op.x = x, op.y = y, op.w = w, op.h = h, op.sx = sx, op.stride = stride;
    // The caller's bits live for the call only.
    op.bits.assign(bits + size_t(sy) * size_t(stride), bits + size_t(sy + h) * size_t(stride));
}

void blit(const intptr_t* a, bool offscreen, int keyMode) {
    const Accel& acc = A();
    int i = 0;
    const uint32_t srcOffset = offscreen ? uint32_t(a[i++]) : acc.active;
    const uint32_t srcPitch = offscreen ? uint32_t(a[i++]) : acc.pitch;
    const int w = int(a[i + 2]), h = int(a[i + 3]);
    if (w <= 0 || h <= 0 || w > 0x8000 || h > 0x8000) return;
    Op& op = queued(Op::Blit);
    op.srcOffset = srcOffset, op.srcPitch = srcPitch;
    op.sx = int(a[i]), op.sy = int(a[i + 1]), op.w = w, op.h = h;
    op.x = int(a[i + 4]), op.y = int(a[i + 5]), op.mix = int(a[i + 6]);
    op.keyMode = keyMode, op.key = keyMode ? uint32_t(a[i + 7]) : 0;
}

int64_t solidOf(const void* data, int, int) {
    return *static_cast<const uint32_t*>(data);
}
int64_t monoOf(const void* data, int x, int y) {
    const auto* op = static_cast<const Op*>(data);
    return op->mono[y & 7] >> (7 - (x & 7)) & 1 ? int64_t(op->colour) : -1;
}
int64_t colourOf(const void* data, int x, int y) {
    return static_cast<const Op*>(data)->pattern[(y & 7) * 8 + (x & 7)];
}

void drawMonoImage(const Op& op) {
    for (int row = 0; row < op.h; ++row)
        for (int col = 0; col < op.w; ++col) {
            const int bit = op.sx + col;
            const bool on =
                op.bits[size_t(row) * size_t(op.stride) + size_t(bit / 8)] >> (7 - bit % 8) & 1;
            const uint32_t c = on ? op.colour : op.key;
            AccelFill(op.s, op.origin, op.x + col, op.y + row, 1, 1, solidOf, &c,
                      on ? op.mix : op.backMix);
        }
}

void draw(const Op& op) {
    switch (op.kind) {
        case Op::Solid:
            AccelFillSolid(op.s, op.origin, op.x, op.y, op.w, op.h, op.colour, op.mix);
            break;
        case Op::MonoPattern:
            AccelFill(op.s, op.origin, op.x, op.y, op.w, op.h, monoOf, &op, op.mix);
            break;
        case Op::ColourPattern:
            AccelFill(op.s, op.origin, op.x, op.y, op.w, op.h, colourOf, &op, op.mix);
            break;
        case Op::Blit:
            AccelBlit(op.s, op.srcOffset, op.srcPitch, op.sx, op.sy, op.w, op.h, op.origin, op.x,
                      op.y, op.mix, op.keyMode, op.key);
            break;
        case Op::Line:
            AccelLine(op.s, op.origin, op.colour, op.x1, op.y1, op.x2, op.y2, op.mix,
                      op.stippled ? &op.stipple : nullptr);
            break;
        case Op::MonoImage: drawMonoImage(op); break;
    }
}

// The memory the driver reports, as far as the card holds it (the card may
// hold more). The adapter's lock is held.
uint32_t memoryOf(const uint8_t* image) {
    return uint32_t(std::min<uint64_t>(VideoSize(), uint64_t(get32(image, vb::kMemoryKB)) * 1024));
}

// The buffer of a page (8000h: the right eye's, in stereo).
uint32_t bufferOf(intptr_t page) {
    const uint32_t index = uint32_t(page & 0x7FFF);
    return A().stereo ? 2 * index + ((page & 0x8000) ? 1 : 0) : index;
}

// The loader's interrupt service (when its callback is in the image), else
// the BIOS itself.
void realModeInt(const uint8_t* image, uint32_t ax) {
    DpmiRegs r{};
    r.eax = ax;
    if (!CallIntCallback(get32(image, vb::kIntCallback), 0x10, &r)) bios(ax);
}

// Mode set through the card's VESA BIOS: the linear framebuffer when the
// mode asks for it and the card has one, else the bank window.
int64_t setMode(uint8_t* image, size_t size, const intptr_t* a) {
    vb::ModeRecord m;
    if (!findMode(image, size, uint32_t(a[0]), &m)) return -1;
    const AdapterVbeMode* b = nullptr;
    bool linearCard = false;
    uint32_t memory = 0;
    {
        std::lock_guard g(Lock());
        b = biosMode(m);
        linearCard = Personality() && Personality()->vbe.linear;
        memory = memoryOf(image);
    }
    if (!b) return -1;
    const bool linear = (a[0] & 0x4000) && linearCard;
    if ((bios(0x4F02, b->number | (linear ? 0x4000u : 0)).eax & 0xFFFF) != 0x004F) return -1;
    if (a[1] > 0 && a[1] >= m.width) bios(0x4F06, 0, uint32_t(a[1]));
    std::lock_guard g(Lock());
    Accel& acc = A();
    VgaChip* v = Vga();
    acc.queued = 0;
    acc.mode = m, acc.modeSet = true;
    acc.bytes = bytesOf(m.bits);
    acc.pitch = v ? v->vbe.pitch : uint32_t(m.width) * uint32_t(acc.bytes);
    // A mode with the 8-bit DAC attribute takes the palette's 8-bit values
    // as they come: the driver widens the DAC itself.
    if (v) VbeSetDacWidth(*v, (m.attributes & 0x80) ? 8 : 6);
    acc.active = 0;
    acc.clip[0] = acc.clip[1] = 0, acc.clip[2] = acc.clip[3] = 0x7FFF;
    acc.foreMix = 0, acc.backMix = 4;
    if (auto* bpl = reinterpret_cast<int32_t*>(a[3])) *bpl = int32_t(acc.pitch);
    // Offscreen memory: the lines below the buffers asked for.
    const uint32_t buffers = uint32_t(std::clamp<intptr_t>(a[4], 1, 255));
    acc.lines = uint32_t(a[2] > m.height ? a[2] : m.height);
    acc.stereo = (a[0] & 0x400) != 0;
    const uint64_t top = uint64_t(acc.lines) * buffers * (acc.stereo ? 2 : 1);
    const uint32_t lines = acc.pitch ? memory / acc.pitch : 0;
    // Buffers the memory cannot hold are no mode: a drawing buffer past
    // its end would have the library draw outside video memory.
    if (top > lines) {
        acc.modeSet = false;
        return -1;
    }
    const bool room = lines > top;
    put32(image, vb::kOffscreenStart, room ? uint32_t(top) * acc.pitch : 0);
    put32(image, vb::kOffscreenWidth, room ? acc.pitch / uint32_t(acc.bytes) - 1 : 0);
    put32(image, vb::kOffscreenTop, room ? uint32_t(top) : 0);
    put32(image, vb::kOffscreenBottom, room ? lines - 1 : 0);
    put32(image, vb::kActiveOffset, 0);
    return 0;
}

void modeInfo(uint8_t* image, size_t size, const intptr_t* a, int64_t* result) {
    vb::ModeRecord m;
    auto* info = reinterpret_cast<AfModeInfo*>(a[1]);
    if (!info || !findMode(image, size, uint32_t(a[0]), &m)) return;
    *info = {};
    info->attributes = m.attributes;
    info->xResolution = m.width, info->yResolution = m.height;
    info->bitsPerPixel = m.bits;
    const uint32_t pitch = (uint32_t(m.width) * uint32_t(bytesOf(m.bits)) + 7) & ~7u;
    // The file's page count, as far as video memory holds the pages.
    const uint64_t fit = pitch && m.height ? memoryOf(image) / (uint64_t(pitch) * m.height) : 0;
    const uint64_t pages = std::min<uint64_t>(m.pages, fit);
    info->maxBuffers = uint16_t(pages ? pages - 1 : 0);
    info->bytesPerScanLine = info->linBytesPerScanLine = uint16_t(pitch);
    static const uint8_t k15[8] = {5, 10, 5, 5, 5, 0, 1, 15}, k16[8] = {5, 11, 6, 5, 5, 0, 0, 0},
                         k24[8] = {8, 16, 8, 8, 8, 0, 0, 0}, k32[8] = {8, 16, 8, 8, 8, 0, 8, 24};
    const uint8_t* f = m.bits == 15   ? k15
                       : m.bits == 16 ? k16
                       : m.bits == 24 ? k24
                       : m.bits == 32 ? k32
                                      : nullptr;
    if (f) {
        uint8_t* to[8] = {&info->redMaskSize,   &info->redFieldPosition,
                          &info->greenMaskSize, &info->greenFieldPosition,
                          &info->blueMaskSize,  &info->blueFieldPosition,
                          &info->rsvdMaskSize,  &info->rsvdFieldPosition};
        for (int i = 0; i < 8; ++i)
            *to[i] = f[i];
    }
    info->maxPixelClock = 250000000;
    *result = 0;
}

uint32_t closestClock(uint32_t clock) {
    const AdapterPersonality* p = Personality();
    if (!p || p->vbe.clocks.empty()) return clock;
    uint32_t best = p->vbe.clocks.front();
    for (uint32_t c : p->vbe.clocks)
        if ((c > clock ? c - clock : clock - c) < (best > clock ? best - clock : clock - best))
            best = c;
    return best;
}

// The entries that go to the BIOS, outside the adapter's lock (a retrace
// wait sleeps). True when `slot` was one of them.
bool biosEntry(uint32_t slot, uint8_t* image, size_t size, const intptr_t* a, int64_t* result) {
    switch (slot) {
        case vb::kSetMode: *result = setMode(image, size, a); return true;
        case vb::kRestoreTextMode:
            AccelFlush();
            realModeInt(image, 0x0003);
            {
                std::lock_guard g(Lock());
                A().modeSet = false;
            }
            return true;
        case vb::kSetDisplayStart:
            bios(0x4F07, a[2] ? 0x80 : 0, uint32_t(a[0]), uint32_t(a[1]));
            return true;
        case vb::kSetVisibleBuffer:
            bios(0x4F07, a[1] ? 0x80 : 0, 0, bufferOf(a[0] & 0x7FFF) * A().lines);
            return true;
        case vb::kSetPalette: {
            RealModeRegs r{};
            r.ebx = a[3] ? 0x80 : 0, r.ecx = uint32_t(a[1]), r.edx = uint32_t(a[2]);
            VbePmCall(3, &r, reinterpret_cast<const void*>(a[0]));
            return true;
        }
        case vb::kWaitIdle: AccelFlush(); return true;
        case vb::kEnableDirect:
            AccelFlush();
            A().direct = true;
            return true;
        default: return false;
    }
}

int64_t serviceEntry(uint32_t slot, uint8_t* image, const intptr_t* a) {
    Accel& acc = A();
    switch (slot) {
        case vb::kClosestClock: return closestClock(uint32_t(a[1]));
        case vb::kSetActiveBuffer: {
            const uint64_t size = uint64_t(acc.pitch) * acc.lines;
            const uint64_t offset = bufferOf(a[0]) * size;
            // A buffer past video memory is none: drawing stays where it was.
            if (offset + size > memoryOf(image)) return -1;
            acc.active = uint32_t(offset);
            put32(image, vb::kActiveOffset, acc.active);
            return 0;
        }
        case vb::kDisplayStartStatus: return 1;
        case vb::kEnableStereo: return 0;
        case vb::kSetBank:
            if (VgaChip* v = Vga())
                VbeSetWindow(*v, 0,
                             uint32_t(a[0]) * 64 / uint32_t(Personality()->vbe.granularityKB));
            return 0;
        case vb::kSetCursor:
            if (const auto* c = reinterpret_cast<const AfCursor*>(a[0]))
                acc.shape = *c, acc.cursor.shapeSet = true;
            return 0;
        case vb::kSetCursorPos: acc.cursor.x = int(a[0]), acc.cursor.y = int(a[1]); return 0;
        case vb::kSetCursorColor:
            acc.cursor.red = uint32_t(a[0]), acc.cursor.green = uint32_t(a[1]),
            acc.cursor.blue = uint32_t(a[2]);
            return 0;
        case vb::kShowCursor: acc.cursor.shown = a[0] != 0; return 0;
        case vb::kDisableDirect: acc.direct = false; return 0;
        case vb::kSetMix: acc.foreMix = int(a[0]), acc.backMix = int(a[1]); return 0;
        case vb::kSet8x8MonoPattern:
            if (const auto* p = reinterpret_cast<const uint8_t*>(a[0]))
                std::copy(p, p + 8, acc.mono);
            return 0;
        case vb::kSet8x8ColorPattern:
            if (const auto* p = reinterpret_cast<const uint32_t*>(a[1]))
                std::copy(p, p + 64, acc.colour[a[0] & 7]);
            return 0;
        case vb::kUse8x8ColorPattern: acc.selected = int(a[0] & 7); return 0;
        case vb::kSetLineStipple: acc.stipple.pattern = uint32_t(a[0]) & 0xFFFF; return 0;
        case vb::kSetLineStippleCount: acc.stipple.position = uint32_t(a[0]); return 0;
        case vb::kSetClipRect:
            for (int i = 0; i < 4; ++i)
                acc.clip[i] = int(a[i]);
            return 0;
        default: return -1;
    }
}

// The drawing entries; false when `slot` is none of them.
bool drawEntry(uint32_t slot, const intptr_t* a) {
    const uint32_t c = uint32_t(a[0]);
    switch (slot) {
        case vb::kDrawScan:
        case vb::kDrawPattScan:
        case vb::kDrawColorPattScan:
            scan(int(slot - vb::kDrawScan) / 4, c, int(a[1]), int(a[2]), int(a[3]));
            return true;
        case vb::kDrawScanList:
        case vb::kDrawPattScanList:
        case vb::kDrawColorPattScanList:
            scanList(int(slot - vb::kDrawScanList) / 4, c, int(a[1]), int(a[2]),
                     reinterpret_cast<const int32_t*>(a[3]));
            return true;
        case vb::kDrawRect:
        case vb::kDrawPattRect:
        case vb::kDrawColorPattRect:
            fill(int(slot - vb::kDrawRect) / 4, c, int(a[1]), int(a[2]), int(a[3]), int(a[4]));
            return true;
        case vb::kDrawLine:
        case vb::kDrawStippleLine: {
            Accel& acc = A();
            Op& op = queued(Op::Line);
            op.colour = c;
            op.x1 = int32_t(a[1]), op.y1 = int32_t(a[2]), op.x2 = int32_t(a[3]),
            op.y2 = int32_t(a[4]);
            op.stippled = slot == vb::kDrawStippleLine;
            op.stipple = acc.stipple;
            if (op.stippled)
                acc.stipple.position +=
                    uint32_t(AccelLinePixels(op.x1, op.y1, op.x2, op.y2) & 0xFFFFFFFF);
            return true;
        }
        case vb::kDrawTrap:
        case vb::kDrawExtra5:
        case vb::kDrawExtra6: return true; // recorded, not drawn
        case vb::kPutMonoImage: monoImage(a); return true;
        case vb::kBitBlt: blit(a, false, 0); return true;
        case vb::kSrcTransBlt: blit(a, false, 1); return true;
        case vb::kDstTransBlt: blit(a, false, 2); return true;
        case vb::kBitBltSys: blit(a, true, 0); return true;
        case vb::kSrcTransBltSys: blit(a, true, 1); return true;
        case vb::kDstTransBltSys: blit(a, true, 2); return true;
        default: return false;
    }
}

// Arguments each entry takes (the image not counted).
size_t argCount(uint32_t slot) {
    switch (slot) {
        case vb::kRestoreTextMode:
        case vb::kDisplayStartStatus:
        case vb::kWaitIdle:
        case vb::kEnableDirect:
        case vb::kDisableDirect: return 0;
        case vb::kSetMode: return 6;
        case vb::kSetDisplayStart:
        case vb::kSetCursorColor: return 3;
        case vb::kSetPalette:
        case vb::kSetClipRect:
        case vb::kDrawScan:
        case vb::kDrawPattScan:
        case vb::kDrawColorPattScan:
        case vb::kDrawScanList:
        case vb::kDrawPattScanList:
        case vb::kDrawColorPattScanList: return 4;
        case vb::kDrawRect:
        case vb::kDrawPattRect:
        case vb::kDrawColorPattRect:
        case vb::kDrawLine:
        case vb::kDrawStippleLine:
        case vb::kDrawExtra5: return 5;
        case vb::kDrawExtra6: return 6;
        case vb::kBitBlt: return 7;
        case vb::kSrcTransBlt:
        case vb::kDstTransBlt: return 8;
        case vb::kBitBltSys: return 9;
        case vb::kSrcTransBltSys:
        case vb::kDstTransBltSys:
        case vb::kPutMonoImage: return 10;
        case vb::kGetModeInfo:
        case vb::kClosestClock:
        case vb::kSetVisibleBuffer:
        case vb::kSetCursorPos:
        case vb::kSetMix:
        case vb::kSet8x8ColorPattern:
        case vb::kDrawTrap: return 2;
        default: return 1;
    }
}

} // namespace

uint32_t AccelRunStub(int kind, uint32_t accelerator, uint8_t* image, size_t size) {
    std::lock_guard g(Lock());
    const AdapterPersonality* p = Personality();
    if (!p || !p->accel.id || p->accel.id != accelerator || size < vb::kHeaderSize) return 1;
    if (kind == vb::kStubInit)
        for (uint32_t slot = vb::kEntries; slot < vb::kEntriesEnd; slot += 4)
            if (get32(image, slot) == vb::kEntryWanted && vb::EntryName(slot))
                put32(image, slot, kEntryBase + slot);
    return 0;
}

int64_t AccelEntry(uint32_t slot, uint8_t* image, size_t size, const intptr_t* args, size_t count) {
    // Missing arguments are zeros: a short call never reads past its list.
    intptr_t a[10]{};
    std::copy(args, args + std::min(count, argCount(slot)), a);
    {
        std::lock_guard g(Lock());
        logCall(slot, a, argCount(slot));
        if (!A().modeSet && slot >= vb::kDrawScan) return -1; // nothing to draw on
    }
    int64_t result = 0;
    if (biosEntry(slot, image, size, a, &result)) return result;
    std::lock_guard g(Lock());
    if (slot == vb::kGetModeInfo) {
        result = -1;
        modeInfo(image, size, a, &result);
        return result;
    }
    if (drawEntry(slot, a)) return 0;
    return serviceEntry(slot, image, a);
}

void AccelFlush() {
    std::lock_guard g(Lock());
    Accel& acc = A();
    if (acc.queued == 0) return;
    OpenForWriting();
    for (size_t i = 0; i < acc.queued; ++i)
        draw(acc.queue[i]);
    acc.queued = 0;
    CloseForWriting();
}

void AccelOverlayCursor(uint32_t* pixels, int pitchPixels, int width, int height,
                        const PALETTEENTRY* palette) {
    std::lock_guard g(Lock());
    const Accel& acc = A();
    if (!acc.overlay || !acc.cursor.shown || !acc.cursor.shapeSet || !acc.modeSet) return;
    const bool indexed = acc.mode.bits == 8;
    const PALETTEENTRY& e = palette[acc.cursor.red & 0xFF];
    const uint32_t colour = indexed ? uint32_t(e.peRed) << 16 | uint32_t(e.peGreen) << 8 | e.peBlue
                                    : (acc.cursor.red & 0xFF) << 16 |
                                          (acc.cursor.green & 0xFF) << 8 | (acc.cursor.blue & 0xFF);
    for (int row = 0; row < 32; ++row)
        for (int col = 0; col < 32; ++col) {
            const int x = acc.cursor.x - int(acc.shape.hotX) + col;
            const int y = acc.cursor.y - int(acc.shape.hotY) + row;
            if (x < 0 || y < 0 || x >= width || y >= height) continue;
            const bool andBit = acc.shape.andMask[row] >> (31 - col) & 1;
            const bool xorBit = acc.shape.xorMask[row] >> (31 - col) & 1;
            uint32_t& p = pixels[size_t(y) * size_t(pitchPixels) + size_t(x)];
            if (!andBit && xorBit)
                p = colour;
            else if (!andBit)
                p = 0;
            else if (xorBit)
                p ^= 0xFFFFFF;
        }
}

uint8_t* AccelRegisterArea(uint64_t physical) {
    const AdapterPersonality* p = Personality();
    if (!p || !p->accel.id || physical < p->accel.registerAddress) return nullptr;
    const uint64_t at = physical - p->accel.registerAddress;
    if (at >= p->accel.registerLength) return nullptr;
    std::vector<uint8_t>& r = A().registers;
    if (r.size() != p->accel.registerLength) r.assign(p->accel.registerLength, 0);
    return r.data() + at;
}

void AccelReset() {
    Accel& acc = A();
    acc = Accel{};
}

} // namespace platform::adapter

namespace platform {

using namespace adapter;

std::vector<VbeafCall> VbeafCallLog() {
    std::lock_guard g(Lock());
    const Accel& a = A();
    std::vector<VbeafCall> out;
    out.reserve(a.logHeld);
    for (size_t i = 0; i < a.logHeld; ++i) {
        const LogRecord& r = a.log[(a.logNext + kLogCapacity - a.logHeld + i) % kLogCapacity];
        out.push_back({r.slot, std::vector<int64_t>(r.args, r.args + r.count)});
    }
    return out;
}

void VbeafClearCallLog() {
    std::lock_guard g(Lock());
    A().logNext = A().logHeld = 0;
}

size_t VbeafQueuedOperations() {
    std::lock_guard g(Lock());
    return A().queued;
}

VbeafCursorState VbeafCursor() {
    std::lock_guard g(Lock());
    return A().cursor;
}

void VbeafShowCursorOverlay(bool on) {
    std::lock_guard g(Lock());
    A().overlay = on;
}

} // namespace platform
