#include "drawing/TConvBmp.h"

#include "foundation/TError.h"
#include "foundation/TObject.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

TConvBmp::CacheSource cacheSource = nullptr;

struct Rgb {
    int32_t r, g, b;
};

// Reads the colour of source pixel (x, y).
using Reader = Rgb (*)(const GdlBitmap* src, int32_t x, int32_t y);

const uint8_t* RowOf(const GdlBitmap* b, int32_t y) {
    return b->surface + static_cast<intptr_t>(y) * b->bytesPerLine;
}

Rgb FromPalette(const GdlBitmap* src, uint32_t index) {
    const GdlPaletteEntry& e = src->palette[index];
    return {e.red, e.green, e.blue};
}

// The library's 4-bit rows hold the first pixel of a byte in its high nibble.
Rgb Read4(const GdlBitmap* src, int32_t x, int32_t y) {
    const uint8_t byte = RowOf(src, y)[x / 2];
    return FromPalette(src, (x & 1) ? byte & 0x0F : byte >> 4);
}

Rgb Read8(const GdlBitmap* src, int32_t x, int32_t y) {
    return FromPalette(src, RowOf(src, y)[x]);
}

// Each channel by the source's own format, low bits left clear.
Rgb Read16(const GdlBitmap* src, int32_t x, int32_t y) {
    const uint8_t* p = RowOf(src, y) + 2 * x;
    const uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8;
    const GdlPixelFormat& f = *src->pixelFormat;
    auto channel = [v](uint32_t mask, int32_t pos, int32_t adj) {
        return static_cast<int32_t>(((v >> pos) & mask) << adj);
    };
    return {channel(f.redMask, f.redPosition, f.redAdjust),
            channel(f.greenMask, f.greenPosition, f.greenAdjust),
            channel(f.blueMask, f.bluePosition, f.blueAdjust)};
}

Rgb Read24(const GdlBitmap* src, int32_t x, int32_t y) {
    const uint8_t* p = RowOf(src, y) + 3 * x;
    return {p[2], p[1], p[0]};
}

Rgb Read32(const GdlBitmap* src, int32_t x, int32_t y) {
    const uint8_t* p = RowOf(src, y) + 4 * x;
    return {p[2], p[1], p[0]};
}

struct Source {
    int32_t depths[2]; // accepted source depths
    Reader read;
    bool palette; // the source must carry a palette
    bool format;  // the source must carry a pixel format
};

constexpr Source k4 = {{4, 4}, &Read4, true, false};
constexpr Source k8 = {{8, 8}, &Read8, true, false};
constexpr Source k16 = {{15, 16}, &Read16, false, true};
constexpr Source k24 = {{24, 24}, &Read24, false, false};
constexpr Source k32 = {{32, 32}, &Read32, false, false};

bool Usable(const GdlBitmap* dst, const GdlBitmap* src, const Source& s, int32_t dstDepth) {
    if (!dst || !src || !dst->surface || !src->surface || dst->bitsPerPixel != dstDepth)
        return false;
    if (src->bitsPerPixel != s.depths[0] && src->bitsPerPixel != s.depths[1]) return false;
    if (s.palette && !src->palette) return false;
    return !s.format || src->pixelFormat;
}

uint8_t* DstRow(GdlBitmap* dst, int32_t y) {
    return dst->surface + static_cast<intptr_t>(y) * dst->bytesPerLine;
}

void Nearest(GdlBitmap* dst, const GdlBitmap* src, const Source& s) {
    TPalCache* cache = TConvBmp::Cache();
    if (!cache || !Usable(dst, src, s, 8)) return;
    const int32_t w = std::min(dst->width, src->width), h = std::min(dst->height, src->height);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const Rgb c = s.read(src, x, y);
            DstRow(dst, y)[x] =
                TConvBmp::MapTable(cache, uint32_t(c.r), uint32_t(c.g), uint32_t(c.b));
        }
}

// Floyd-Steinberg in sixteenths: 7 to the next pixel of the row, 3, 5 and 1
// into the next row behind, under and ahead of the pixel. Two rows of sums
// per channel: the one carried from the row above and the one being filled.
class TDiffusion {
public:
    TDiffusion(int32_t width, int32_t* block) : width_(width), block_(block) {}
    int32_t* Carried(int c) { return block_ + (c * 2 + carried_) * (width_ + 2) + 1; }
    int32_t* Next(int c) { return block_ + (c * 2 + 1 - carried_) * (width_ + 2) + 1; }
    void NextRow() {
        carried_ = 1 - carried_;
        for (int c = 0; c < 3; ++c)
            std::fill(Next(c) - 1, Next(c) + width_ + 1, 0);
    }

private:
    int32_t width_;
    int32_t* block_;
    int carried_ = 0;
};

void Diffuse(GdlBitmap* dst, const GdlBitmap* src, const Source& s, bool serpentine, int32_t line) {
    TPalCache* cache = TConvBmp::Cache();
    if (!cache || !Usable(dst, src, s, 8)) return;
    const int32_t w = std::min(dst->width, src->width), h = std::min(dst->height, src->height);
    if (w <= 0 || h <= 0) return;
    const size_t words = size_t(6) * (size_t(w) + 2);
    auto* block = static_cast<int32_t*>(EngineAlloc(words * sizeof(int32_t)));
    if (!block) {
        TError::Raise(9, nullptr, nullptr, "Source\\TConvBmp", line);
        return;
    }
    std::fill(block, block + words, 0);
    TDiffusion sums(w, block);
    for (int32_t y = 0; y < h; ++y) {
        const int32_t dir = serpentine && (y & 1) ? -1 : 1;
        int32_t before[3] = {0, 0, 0}; // the previous pixel's error
        for (int32_t i = 0; i < w; ++i) {
            const int32_t x = dir > 0 ? i : w - 1 - i;
            const Rgb c = s.read(src, x, y);
            const int32_t source[3] = {c.r, c.g, c.b};
            int32_t wanted[3];
            for (int k = 0; k < 3; ++k)
                wanted[k] = source[k] + ((sums.Carried(k)[x] + 7 * before[k] + 8) >> 4);
            const uint8_t index = TConvBmp::MapTable(cache, uint32_t(std::clamp(wanted[0], 0, 255)),
                                                     uint32_t(std::clamp(wanted[1], 0, 255)),
                                                     uint32_t(std::clamp(wanted[2], 0, 255)));
            DstRow(dst, y)[x] = index;
            const GdlPaletteEntry& e = cache->entries[index];
            const int32_t chosen[3] = {e.red, e.green, e.blue};
            for (int k = 0; k < 3; ++k) {
                const int32_t err = wanted[k] - chosen[k];
                before[k] = err;
                sums.Next(k)[x - dir] += 3 * err;
                sums.Next(k)[x] += 5 * err;
                sums.Next(k)[x + dir] += err;
            }
        }
        sums.NextRow();
    }
    EngineFree(block);
}

void Widen(GdlBitmap* dst, const GdlBitmap* src, const Source& s) {
    if (!Usable(dst, src, s, 24)) return;
    const int32_t w = std::min(dst->width, src->width), h = std::min(dst->height, src->height);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const Rgb c = s.read(src, x, y);
            uint8_t* p = DstRow(dst, y) + 3 * x;
            p[0] = uint8_t(c.b);
            p[1] = uint8_t(c.g);
            p[2] = uint8_t(c.r);
        }
}

} // namespace

TConvBmp::CacheSource TConvBmp::SetCacheSource(CacheSource source) {
    return std::exchange(cacheSource, source);
}

TPalCache* TConvBmp::Cache() {
    return cacheSource ? cacheSource() : nullptr;
}

uint8_t TConvBmp::MapTable(TPalCache* cache, uint32_t red, uint32_t green, uint32_t blue) {
    uint8_t& cell = cache->cells[((red >> 3) * 32 + (green >> 3)) * 32 + (blue >> 3)];
    if (cell != 0) return cell;
    int32_t best = 0, bestDistance = 0x7FFFFFFF;
    const int32_t count = std::min(cache->count, 256);
    for (int32_t i = 0; i < count && bestDistance != 0; ++i) {
        const GdlPaletteEntry& e = cache->entries[i];
        const int32_t d = std::abs(int32_t(red) - e.red) + std::abs(int32_t(green) - e.green) +
                          std::abs(int32_t(blue) - e.blue);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    cell = static_cast<uint8_t>(best);
    return cell;
}

void TConvBmp_4to8(GdlBitmap* dst, const GdlBitmap* src) {
    Diffuse(dst, src, k4, false, 468);
}
void TConvBmp_8to8(GdlBitmap* dst, const GdlBitmap* src) {
    Diffuse(dst, src, k8, true, 619);
}
void TConvBmp_16to8(GdlBitmap* dst, const GdlBitmap* src) {
    Diffuse(dst, src, k16, true, 780);
}
void TConvBmp_24to8(GdlBitmap* dst, const GdlBitmap* src) {
    Diffuse(dst, src, k24, true, 932);
}
void TConvBmp_32to8(GdlBitmap* dst, const GdlBitmap* src) {
    Diffuse(dst, src, k32, true, 1086);
}
void TConvBmp_16to8Nearest(GdlBitmap* dst, const GdlBitmap* src) {
    Nearest(dst, src, k16);
}
void TConvBmp_24to8Nearest(GdlBitmap* dst, const GdlBitmap* src) {
    Nearest(dst, src, k24);
}
void TConvBmp_32to8Nearest(GdlBitmap* dst, const GdlBitmap* src) {
    Nearest(dst, src, k32);
}
void TConvBmp_32to24(GdlBitmap* dst, const GdlBitmap* src) {
    Widen(dst, src, k32);
}
void TConvBmp_16to24(GdlBitmap* dst, const GdlBitmap* src) {
    Widen(dst, src, k16);
}
