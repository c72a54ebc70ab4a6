#include "media/devices/TImgAdj.h"

#include "foundation/TError.h"
#include "gdl/blit.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr const char* kSource = "Source\\TImgAdj";

uint8_t clampByte(int32_t v) {
    return uint8_t(std::clamp(v, 0, 255));
}

// Channel value of one 8-bit level: brighten towards white above 256, scale
// towards black below.
uint8_t adjusted(int32_t level, int32_t c) {
    if (level >= 256) return clampByte(c + (((level - 256) * (255 - c)) >> 8));
    return clampByte((level * c) >> 8);
}

uint16_t mapPixel(uint32_t v, const GdlPixelFormat& f, const uint8_t* t) {
    const uint32_t masks[3] = {f.redMask, f.greenMask, f.blueMask};
    const int32_t pos[3] = {f.redPosition, f.greenPosition, f.bluePosition};
    const int32_t adj[3] = {f.redAdjust, f.greenAdjust, f.blueAdjust};
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) {
        const uint32_t c = (((v >> pos[i]) & masks[i]) << adj[i]) & 255;
        out |= ((uint32_t(t[c]) >> adj[i]) & masks[i]) << pos[i];
    }
    return uint16_t(out);
}

int32_t bytesOf(int32_t depth) {
    return depth == 15 ? 2 : depth / 8;
}

// Whether every channel of a 2-byte layout widens to eight bits by its
// adjustment alone, so that its level is plain arithmetic on the field.
bool fieldsWiden(const GdlPixelFormat& f) {
    const uint32_t masks[3] = {f.redMask, f.greenMask, f.blueMask};
    const int32_t pos[3] = {f.redPosition, f.greenPosition, f.bluePosition};
    const int32_t adj[3] = {f.redAdjust, f.greenAdjust, f.blueAdjust};
    for (int i = 0; i < 3; ++i)
        if (adj[i] < 0 || adj[i] > 8 || masks[i] != (0xFFu >> adj[i]) || pos[i] < 0 ||
            pos[i] + 8 - adj[i] > 16)
            return false;
    return true;
}

// Eight 15/16-bit pixels at a time in 16-bit lanes, the channel table's rule
// worked out per field: below 256 the field scales by level / 256, above it
// moves towards white by (level - 256) / 256 of the distance, which at most
// reaches 255, so a level up to 512 keeps every product within its lane. The
// pixels are those of the 64 K-entry table; the compiler maps the lanes onto
// the vector unit.
typedef uint16_t Lanes __attribute__((vector_size(16)));

struct FieldLanes {
    int32_t pos, adj;
    uint16_t mask;
    Lanes operator()(Lanes p, Lanes level, bool brighter) const {
        const Lanes x = (p >> pos) & mask;
        if (!brighter) return ((x * level) >> 8) << pos;
        const Lanes c = x << adj;
        return ((c + (((255 - c) * level) >> 8)) >> adj) << pos;
    }
};

void adjustRow16(const uint8_t* in, uint8_t* out, int32_t w, const GdlPixelFormat& f, int32_t level,
                 const uint16_t* table) {
    const FieldLanes r{f.redPosition, f.redAdjust, uint16_t(f.redMask)};
    const FieldLanes g{f.greenPosition, f.greenAdjust, uint16_t(f.greenMask)};
    const FieldLanes b{f.bluePosition, f.blueAdjust, uint16_t(f.blueMask)};
    const bool brighter = level > 256;
    const auto l = uint16_t(brighter ? level - 256 : level);
    const Lanes by = {l, l, l, l, l, l, l, l};
    int32_t i = 0;
    for (; i + 8 <= w; i += 8) {
        Lanes p;
        std::memcpy(&p, in + 2 * i, sizeof p);
        const Lanes v = r(p, by, brighter) | g(p, by, brighter) | b(p, by, brighter);
        std::memcpy(out + 2 * i, &v, sizeof v);
    }
    for (; i < w; ++i) {
        uint16_t v;
        std::memcpy(&v, in + 2 * i, 2);
        v = table[v];
        std::memcpy(out + 2 * i, &v, 2);
    }
}

} // namespace

TImgAdj::TImgAdj() = default;

TImgAdj::~TImgAdj() {
    delete[] pixelTable_;
    delete[] channelTable_;
}

void TImgAdj::Refresh(int32_t depth, const GdlPixelFormat& format) {
    if (builtLevel_ != level_) {
        builtLevel_ = level_;
        Invalidate(true);
    }
    if (builtDepth_ != depth) {
        builtDepth_ = depth;
        Invalidate(true);
    }
    if (std::memcmp(&builtFormat_, &format, sizeof(format)) != 0) {
        builtFormat_ = format;
        Invalidate(true);
    }
    Rebuild();
}

void TImgAdj::Rebuild() {
    if (!IsDirty()) return;
    Invalidate(false);
    delete[] pixelTable_;
    delete[] channelTable_;
    pixelTable_ = nullptr;
    channelTable_ = nullptr;
    valid_ = 0;
    lanes_ = false;
    if (builtLevel_ == 256 || builtDepth_ < 15) return;
    channelTable_ = new (std::nothrow) uint8_t[256];
    if (!channelTable_) {
        TError::Raise(9, nullptr, nullptr, kSource, 140);
        return;
    }
    for (int32_t c = 0; c < 256; ++c)
        channelTable_[c] = adjusted(builtLevel_, c);
    if (builtDepth_ != 15 && builtDepth_ != 16) {
        valid_ = 1;
        return;
    }
    pixelTable_ = new (std::nothrow) uint16_t[65536];
    if (!pixelTable_) {
        TError::Raise(9, nullptr, nullptr, kSource, 155);
        return;
    }
    for (uint32_t v = 0; v < 65536; ++v)
        pixelTable_[v] = mapPixel(v, builtFormat_, channelTable_);
    valid_ = 1;
    lanes_ = builtLevel_ >= 0 && builtLevel_ <= 512 && fieldsWiden(builtFormat_);
}

void TImgAdj::Blit(GdlDeviceContext* dest, GdlDeviceContext* source, int32_t left, int32_t top,
                   int32_t right, int32_t bottom, int32_t x, int32_t y) {
    if (!dest || !source) return;
    GdlDeviceContext* d = GDL_liveDC(dest);
    GdlDeviceContext* s = GDL_liveDC(source);
    const int32_t depth = int32_t(s->mode.bitsPerPixel);
    if (level_ == 256 || depth < 15 || int32_t(d->mode.bitsPerPixel) < 15 ||
        int32_t(d->mode.bitsPerPixel) != depth ||
        std::memcmp(&d->format, &s->format, sizeof(GdlPixelFormat)) != 0 || !d->surface ||
        !s->surface) {
        GDL_bitBlt(dest, source, left, top, right, bottom, x, y, 0);
        return;
    }
    Refresh(depth, d->format);
    if (!valid_ || depth > 32) return;
    Copy(d, s, left, top, right, bottom, x, y, depth);
}

void TImgAdj::Copy(GdlDeviceContext* d, GdlDeviceContext* s, int32_t left, int32_t top,
                   int32_t right, int32_t bottom, int32_t x, int32_t y, int32_t depth) {
    // Clipped to both surfaces: a rectangle widened past either edge reads
    // and writes nothing outside them.
    auto clipTo = [&](const GdlRect& b, int32_t& l, int32_t& t, int32_t& r, int32_t& bt,
                      int32_t& px, int32_t& py) {
        if (l < b.left) px += b.left - l, l = b.left;
        if (t < b.top) py += b.top - t, t = b.top;
        r = std::min(r, b.right);
        bt = std::min(bt, b.bottom);
    };
    clipTo(s->bounds, left, top, right, bottom, x, y);
    int32_t dl = x, dt = y, dr = x + (right - left), db = y + (bottom - top), sx = left, sy = top;
    clipTo(d->bounds, dl, dt, dr, db, sx, sy);
    const int32_t w = dr - dl, h = db - dt;
    if (w <= 0 || h <= 0) return;
    const int32_t n = bytesOf(depth);
    for (int32_t row = 0; row < h; ++row) {
        const uint8_t* in = s->surface + int64_t(sy + row) * s->mode.bytesPerLine + int64_t(sx) * n;
        uint8_t* out = d->surface + int64_t(dt + row) * d->mode.bytesPerLine + int64_t(dl) * n;
        if (n == 2 && lanes_) {
            adjustRow16(in, out, w, builtFormat_, builtLevel_, pixelTable_);
            continue;
        }
        if (n == 2) {
            const uint16_t* t = pixelTable_;
            for (int32_t i = 0; i < w; ++i) {
                uint16_t v;
                std::memcpy(&v, in + 2 * i, 2);
                v = t[v];
                std::memcpy(out + 2 * i, &v, 2);
            }
            continue;
        }
        const uint8_t* t = channelTable_;
        for (int32_t i = 0; i < w; ++i)
            for (int32_t k = 0; k < 3; ++k)
                out[i * n + k] = t[in[i * n + k]];
    }
}
