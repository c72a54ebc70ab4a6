// What the VGA shows, from its registers alone: the CRT controller's display
// end, scan lines per row and double scan, row offset, start address and
// addressing unit fetch pixels from the planes; the 256-colour shift decides
// four 8-bit pixels or eight 4-bit pixels a character; the attribute
// controller's palette and the DAC turn them into colours.
#include "../window/WindowSurface.h"
#include "AdapterInternal.h"
#include "ColourRun.h"
#include "VgaInternal.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The most character clocks a line can have (horizontal display end + 1).
constexpr int kMaxChars = 256;

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

// Eight 4-bit pixels of a character as nibbles, pixel k in nibble k: entry b
// puts bit 7 - k of a plane byte b into bit 4k, so the four planes' entries
// shifted by their plane and ORed give the eight values.
struct Nibbles {
    uint32_t of[256];
    Nibbles() {
        for (int b = 0; b < 256; ++b) {
            uint32_t v = 0;
            for (int k = 0; k < 8; ++k)
                v |= uint32_t((b >> (7 - k)) & 1) << (4 * k);
            of[b] = v;
        }
    }
};
const Nibbles kNibbles;

uint32_t eightPixels(const uint8_t* planes, uint32_t a) {
    return kNibbles.of[planes[a]] | kNibbles.of[planes[kVgaPlaneSize + a]] << 1 |
           kNibbles.of[planes[2 * kVgaPlaneSize + a]] << 2 |
           kNibbles.of[planes[3 * kVgaPlaneSize + a]] << 3;
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
        const uint32_t eight = eightPixels(planes, a);
        for (int k = 0; k < 8; ++k)
            put(uint8_t((eight >> (4 * k)) & 0x0F));
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

// What the scan-out turns pixel values into: each value's colour, and for
// the 4-bit modes each pair of pixels (the left one in the low nibble of
// the index) as two colours, so a character of eight pixels takes four
// lookups.
struct Colours {
    ColourRunTable single; // the colours of the 256-colour modes
    struct Pair {
        uint32_t left, right;
    } pairs[256];
};

// Each pixel value's colour through the attribute controller and the DAC.
void colourTable(const VgaChip& v, bool wide, Colours& c) {
    auto dacIndex = [&](int p) {
        p &= v.attr[0x12] & 0x0F;
        int index = v.attr[p] & 0x3F;
        if (v.attr[0x10] & 0x80) index = (index & 0x0F) | ((v.attr[0x14] & 0x03) << 4);
        return index | ((v.attr[0x14] & 0x0C) << 4);
    };
    for (int p = 0; p < 256; ++p) {
        int index =
            wide ? ((v.attr[p >> 4] & 0x0F) << 4) | (v.attr[p & 0x0F] & 0x0F) : dacIndex(p & 0x0F);
        index &= v.dacMask;
        const uint8_t* e = v.dac[index];
        c.single.colour[p] = widen6(e[0]) << 16 | widen6(e[1]) << 8 | widen6(e[2]);
    }
    if (wide) {
        c.single.Prepare();
        return;
    }
    for (int p = 0; p < 256; ++p)
        c.pairs[p] = {c.single.colour[p & 0x0F], c.single.colour[p >> 4]};
}

// The colours of one row of characters, from the memory address of each
// character `address(c)`.
template <class Address>
void colourRow(const VgaChip& v, const Geometry& g, const Colours& c, Address&& address,
               uint32_t* out) {
    const uint8_t* p0 = v.planes.data();
    const uint8_t *p1 = p0 + kVgaPlaneSize, *p2 = p1 + kVgaPlaneSize, *p3 = p2 + kVgaPlaneSize;
    if (g.wide) {
        const uint32_t* colour = c.single.colour;
        for (int k = 0; k < g.chars; ++k, out += 4) {
            const uint32_t a = address(k);
            out[0] = colour[p0[a]];
            out[1] = colour[p1[a]];
            out[2] = colour[p2[a]];
            out[3] = colour[p3[a]];
        }
        return;
    }
    for (int k = 0; k < g.chars; ++k, out += 8) {
        const uint32_t a = address(k);
        const uint32_t n = kNibbles.of[p0[a]] | kNibbles.of[p1[a]] << 1 | kNibbles.of[p2[a]] << 2 |
                           kNibbles.of[p3[a]] << 3;
        std::memcpy(out, &c.pairs[n & 0xFF], 8);
        std::memcpy(out + 2, &c.pairs[(n >> 8) & 0xFF], 8);
        std::memcpy(out + 4, &c.pairs[(n >> 16) & 0xFF], 8);
        std::memcpy(out + 6, &c.pairs[n >> 24], 8);
    }
}

// Row r's character counter: rows step by the offset from the start address.
uint32_t rowCounter(const Geometry& g, int row) {
    return g.start + uint32_t(row) * g.offset;
}

bool readsWindow(const VgaChip& v, const Geometry& g) {
    return v.chained && g.wide && g.unit == 4;
}

// The pixel values of `chars` 256-colour characters from consecutive plane
// addresses: plane 0's byte, then planes 1, 2 and 3, character by character.
// Sixteen characters a step with SSE2, where the processor has it.
void interleavePlanes(const uint8_t* p0, uint32_t base, int chars, uint8_t* out) {
    const uint8_t* p1 = p0 + kVgaPlaneSize;
    const uint8_t *p2 = p1 + kVgaPlaneSize, *p3 = p2 + kVgaPlaneSize;
    int k = 0;
#if defined(__SSE2__)
    auto load = [base](const uint8_t* plane, int at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(plane + base + uint32_t(at)));
    };
    for (; k + 16 <= chars; k += 16, out += 64) {
        const __m128i a = load(p0, k), b = load(p1, k), c = load(p2, k), d = load(p3, k);
        const __m128i abLow = _mm_unpacklo_epi8(a, b), abHigh = _mm_unpackhi_epi8(a, b);
        const __m128i cdLow = _mm_unpacklo_epi8(c, d), cdHigh = _mm_unpackhi_epi8(c, d);
        auto* to = reinterpret_cast<__m128i*>(out);
        _mm_storeu_si128(to, _mm_unpacklo_epi16(abLow, cdLow));
        _mm_storeu_si128(to + 1, _mm_unpackhi_epi16(abLow, cdLow));
        _mm_storeu_si128(to + 2, _mm_unpacklo_epi16(abHigh, cdHigh));
        _mm_storeu_si128(to + 3, _mm_unpackhi_epi16(abHigh, cdHigh));
    }
#endif
    for (; k < chars; ++k, out += 4) {
        const uint32_t a = base + uint32_t(k);
        out[0] = p0[a];
        out[1] = p1[a];
        out[2] = p2[a];
        out[3] = p3[a];
    }
}

// One row's colours into `out` and, when not null, `twin` (the row's second
// scan line): chain-4 with double-word addressing reads the window as it
// stands (pixel A of a row is byte A); byte addressing that does not wrap
// reads the planes in a run; anything else address by address.
void rowColours(const VgaChip& v, const Geometry& g, const Colours& c, int row, uint32_t* out,
                uint32_t* twin) {
    const uint32_t counter = rowCounter(g, row);
    const size_t bytes = size_t(g.width) * 4;
    if (readsWindow(v, g)) {
        const uint32_t at = (counter << 2) & 0xFFFF;
        if (at + uint32_t(g.width) <= kVgaWindowSize) {
            ColourRun(c.single, v.window + at, g.width, out, twin);
            return;
        }
        for (int x = 0; x < g.width; ++x)
            out[x] = c.single.colour[v.window[(at + uint32_t(x)) & 0xFFFF]];
    } else {
        const uint32_t base = counter & 0xFFFF;
        const bool run = g.unit == 1 && base + uint32_t(g.chars) <= 0x10000;
        if (run && g.wide && g.chars <= kMaxChars) {
            uint8_t values[kMaxChars * 4];
            interleavePlanes(v.planes.data(), base, g.chars, values);
            ColourRun(c.single, values, g.width, out, twin);
            return;
        }
        if (run)
            colourRow(
                v, g, c, [base](int k) { return base + uint32_t(k); }, out);
        else
            colourRow(
                v, g, c, [&](int k) { return addressOf(g, v, counter + uint32_t(k)); }, out);
    }
    if (twin) std::memcpy(twin, out, bytes);
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
    const size_t count = size_t(f.width) * size_t(f.height);
    if (!g.graphics || !g.on) {
        f.pixels.assign(count, 0);
        return f;
    }
    Colours colours;
    colourTable(*v, g.wide, colours);
    if (!readsWindow(*v, g)) VgaFoldWindow(*v);
    // Each row of pixels is converted once, into its first scan line and
    // its second where it is repeated; further repeats are copies.
    f.pixels.resize(count);
    const size_t width = size_t(f.width);
    uint32_t* pixels = f.pixels.data();
    for (int y = 0, r = 0; y < g.lines; ++r) {
        const int lines = std::min(g.perRow, g.lines - y);
        uint32_t* first = pixels + size_t(y) * width;
        rowColours(*v, g, colours, r, first, lines > 1 ? first + width : nullptr);
        for (int k = 2; k < lines; ++k)
            std::memcpy(first + size_t(k) * width, first, width * 4);
        y += lines;
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
