// What the VGA shows, from its registers alone: the CRT controller's display
// end, scan lines per row and double scan, row offset, start address and
// addressing unit fetch pixels from the planes; the 256-colour shift decides
// four 8-bit pixels or eight 4-bit pixels a character; the attribute
// controller's palette and the DAC turn them into colours.
#include "../window/WindowSurface.h"
#include "AdapterInternal.h"
#include "VgaInternal.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace platform::adapter {

namespace {

struct Geometry {
    int width = 0;     // pixels a line
    int lines = 0;     // scan lines shown
    int perRow = 1;    // scan lines a row of pixels takes
    int chars = 0;     // character clocks a line
    bool wide = false; // 256-colour shift: four 8-bit pixels a character
    uint32_t start = 0, offset = 0;
    int unit = 1; // 1 byte, 2 word, 4 double-word addressing
    bool graphics = false, on = false;
};

Geometry geometryOf(const VgaChip& v) {
    Geometry g;
    g.wide = (v.gc[5] & 0x40) != 0;
    g.chars = v.crtc[1] + 1;
    g.width = g.chars * (g.wide ? 4 : 8);
    const int end = v.crtc[0x12] | ((v.crtc[7] & 0x02) << 7) | ((v.crtc[7] & 0x40) << 3);
    g.lines = end + 1;
    g.perRow = ((v.crtc[9] & 0x1F) + 1) * ((v.crtc[9] & 0x80) ? 2 : 1);
    g.start = uint32_t(v.crtc[0x0C]) << 8 | v.crtc[0x0D];
    g.offset = uint32_t(v.crtc[0x13]) * 2;
    g.unit = (v.crtc[0x14] & 0x40) ? 4 : (v.crtc[0x17] & 0x40) ? 1 : 2;
    g.graphics = (v.attr[0x10] & 0x01) != 0;
    g.on = (v.attrIndex & 0x20) && !(v.seq[1] & 0x20);
    return g;
}

// The memory address of a character counter value: word mode moves bit 13
// (or 15) of the counter into bit 0, as the CRT controller wires it.
uint32_t addressOf(const Geometry& g, const VgaChip& v, uint32_t counter) {
    if (g.unit == 4) return (counter << 2) & 0xFFFF;
    if (g.unit == 1) return counter & 0xFFFF;
    const int high = (v.crtc[0x17] & 0x20) ? 15 : 13;
    return ((counter << 1) | ((counter >> high) & 1)) & 0xFFFF;
}

// Eight 4-bit pixels of a character: byte k of entry b holds bit 7 - k of b,
// so the four plane bytes' entries shifted by their plane and ORed give the
// eight pixel values, leftmost in the low byte.
struct Spread {
    uint64_t bytes[256];
    Spread() {
        for (int b = 0; b < 256; ++b) {
            uint64_t v = 0;
            for (int k = 0; k < 8; ++k)
                v |= uint64_t((b >> (7 - k)) & 1) << (8 * k);
            bytes[b] = v;
        }
    }
};
const Spread kSpread;

uint64_t eightPixels(const uint8_t* planes, uint32_t a) {
    return kSpread.bytes[planes[a]] | kSpread.bytes[planes[kVgaPlaneSize + a]] << 1 |
           kSpread.bytes[planes[2 * kVgaPlaneSize + a]] << 2 |
           kSpread.bytes[planes[3 * kVgaPlaneSize + a]] << 3;
}

// One row of characters handed to `put(value)` pixel by pixel, left first.
template <class Put>
void walkRow(const VgaChip& v, const Geometry& g, uint32_t counter, Put&& put) {
    const uint8_t* planes = v.planes.data();
    for (int c = 0; c < g.chars; ++c) {
        const uint32_t a = addressOf(g, v, counter + uint32_t(c));
        if (g.wide) {
            for (int p = 0; p < 4; ++p)
                put(planes[size_t(p) * kVgaPlaneSize + a]);
            continue;
        }
        const uint64_t eight = eightPixels(planes, a);
        for (int k = 0; k < 8; ++k)
            put(uint8_t(eight >> (8 * k)));
    }
}

// The pixel values of one row of characters.
void fetchRow(const VgaChip& v, const Geometry& g, uint32_t counter, uint8_t* out) {
    walkRow(v, g, counter, [&out](uint8_t p) { *out++ = p; });
}

uint32_t widen6(uint8_t v) {
    v &= 0x3F;
    return uint32_t((v << 2) | (v >> 4));
}

// Each pixel value's colour through the attribute controller and the DAC.
void colourTable(const VgaChip& v, bool wide, uint32_t table[256]) {
    auto dacIndex = [&](int c) {
        c &= v.attr[0x12] & 0x0F;
        int index = v.attr[c] & 0x3F;
        if (v.attr[0x10] & 0x80) index = (index & 0x0F) | ((v.attr[0x14] & 0x03) << 4);
        return index | ((v.attr[0x14] & 0x0C) << 4);
    };
    for (int p = 0; p < 256; ++p) {
        int index =
            wide ? ((v.attr[p >> 4] & 0x0F) << 4) | (v.attr[p & 0x0F] & 0x0F) : dacIndex(p & 0x0F);
        index &= v.dacMask;
        const uint8_t* e = v.dac[index];
        table[p] = widen6(e[0]) << 16 | widen6(e[1]) << 8 | widen6(e[2]);
    }
}

// Row r's character counter: rows step by the offset from the start address.
uint32_t rowCounter(const Geometry& g, int row) {
    return g.start + uint32_t(row) * g.offset;
}

} // namespace

bool VgaShowFrame() {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    if (!v || !v->showing || !v->screen || v->vbe.mode) return false;
    const Frame f = VgaFrame();
    WindowPixels px{};
    if (f.width <= 0 || !LockWindowPixels(v->screen, &px)) return true;
    // A window of the mode's size shows each doubled line once.
    const int w = std::min(f.width, px.width), h = std::min(f.height, px.height);
    const int step = px.height > 0 && f.height >= 2 * px.height ? f.height / px.height : 1;
    for (int y = 0; y < h && y * step < f.height; ++y)
        std::memcpy(px.pixels + size_t(y) * size_t(px.pitchPixels),
                    &f.pixels[size_t(y) * size_t(step) * size_t(f.width)], size_t(w) * 4);
    UnlockWindowPixels(v->screen, nullptr);
    return true;
}

} // namespace platform::adapter

namespace platform {

using namespace adapter;

Frame VgaFrame() {
    std::lock_guard lock(Lock());
    Frame f;
    VgaChip* v = Vga();
    if (!v) return f;
    const Geometry g = geometryOf(*v);
    if (g.width <= 0 || g.lines <= 0) return f;
    f.width = g.width;
    f.height = g.lines;
    f.pixels.assign(size_t(f.width) * size_t(f.height), 0);
    if (!g.graphics || !g.on) return f;
    uint32_t table[256];
    colourTable(*v, g.wide, table);
    // Chain-4 with double-word addressing reads the window as it stands:
    // pixel A of a row is byte A, so nothing needs folding first.
    const bool direct = v->chained && g.wide && g.unit == 4;
    if (!direct) VgaFoldWindow(*v);
    uint32_t* previous = nullptr;
    int fetched = -1;
    for (int line = 0; line < g.lines; ++line) {
        uint32_t* out = &f.pixels[size_t(line) * size_t(f.width)];
        const int r = line / g.perRow;
        if (r == fetched) { // a repeated scan line of the same row
            std::memcpy(out, previous, size_t(f.width) * 4);
            continue;
        }
        fetched = r;
        previous = out;
        if (direct) {
            const uint32_t at = rowCounter(g, r) << 2;
            for (int x = 0; x < f.width; ++x)
                out[x] = table[v->window[(at + uint32_t(x)) & 0xFFFF]];
            continue;
        }
        uint32_t* to = out;
        walkRow(*v, g, rowCounter(g, r), [&to, &table](uint8_t p) { *to++ = table[p]; });
    }
    return f;
}

VgaPackedView VgaPacked() {
    std::lock_guard lock(Lock());
    VgaPackedView view;
    VgaChip* v = Vga();
    if (!v) return view;
    VgaFoldWindow(*v);
    const Geometry g = geometryOf(*v);
    if (g.width <= 0 || g.lines <= 0 || g.perRow <= 0) return view;
    view.width = g.width;
    view.height = g.lines / g.perRow;
    view.pixels.resize(size_t(g.chars) * 8 * size_t(view.height));
    for (int r = 0; r < view.height; ++r)
        fetchRow(*v, g, rowCounter(g, r), &view.pixels[size_t(r) * size_t(view.width)]);
    view.pixels.resize(size_t(view.width) * size_t(view.height));
    return view;
}

} // namespace platform
