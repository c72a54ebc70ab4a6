// Reading and writing rows of pixels in every DIB layout, as 0x00RRGGBB.
#include "GdiInternal.h"

#include "../window/WindowSurface.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace platform::gdi {

namespace {

struct Channel {
    uint32_t mask;
    int shift;
    int width;
};

Channel ChannelOf(uint32_t mask) {
    Channel c{mask, 0, 0};
    if (!mask) return c;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++c.shift;
    }
    while (mask & 1u) {
        mask >>= 1;
        ++c.width;
    }
    return c;
}

// A channel of any width to 8 bits; narrow channels repeat their high bits so
// that full intensity stays 255.
uint32_t Expand(uint32_t v, int width) {
    if (width >= 8) return v >> (width - 8);
    if (width <= 0) return 0;
    uint32_t out = v << (8 - width);
    for (int filled = width; filled < 8; filled += width)
        out |= out >> width;
    return out & 0xFF;
}

uint32_t Narrow(uint32_t v8, int width) {
    if (width >= 8) return v8 << (width - 8);
    return v8 >> (8 - width);
}

struct Packer {
    Channel r, g, b;
    // 8-bit levels of every value of a narrow channel, so reading a pixel
    // is three lookups.
    uint8_t up[3][256];
    explicit Packer(const uint32_t masks[3])
        : r(ChannelOf(masks[0])), g(ChannelOf(masks[1])), b(ChannelOf(masks[2])) {
        const Channel* ch[3] = {&r, &g, &b};
        for (int c = 0; c < 3; ++c)
            for (uint32_t v = 0; v < 256; ++v)
                up[c][v] = static_cast<uint8_t>(Expand(v, std::min(ch[c]->width, 8)));
    }
    uint32_t Level(const Channel& c, int index, uint32_t p) const {
        const uint32_t v = (p & c.mask) >> c.shift;
        return c.width <= 8 ? up[index][v] : Expand(v, c.width);
    }
    // Every 16-bit pixel already converted, built on first use.
    const uint32_t* Wide() {
        if (wide.empty()) {
            wide.resize(65536);
            for (uint32_t v = 0; v < 65536; ++v)
                wide[v] = ToRgb(v);
        }
        return wide.data();
    }
    std::vector<uint32_t> wide;
    uint32_t ToRgb(uint32_t p) const {
        return (Level(r, 0, p) << 16) | (Level(g, 1, p) << 8) | Level(b, 2, p);
    }
    uint32_t FromRgb(uint32_t rgb) const {
        return ((Narrow((rgb >> 16) & 0xFF, r.width) << r.shift) & r.mask) |
               ((Narrow((rgb >> 8) & 0xFF, g.width) << g.shift) & g.mask) |
               ((Narrow(rgb & 0xFF, b.width) << b.shift) & b.mask);
    }
};

// Packers of the masks last seen on this thread: a blit reads and writes
// row after row in the same two layouts.
Packer& PackerFor(const uint32_t masks[3]) {
    struct Slot {
        uint32_t masks[3];
        std::unique_ptr<Packer> packer;
    };
    thread_local Slot slots[2];
    thread_local int next = 0;
    for (Slot& slot : slots)
        if (slot.packer && std::memcmp(slot.masks, masks, sizeof slot.masks) == 0)
            return *slot.packer;
    Slot& slot = slots[next];
    next = 1 - next;
    std::memcpy(slot.masks, masks, sizeof slot.masks);
    slot.packer = std::make_unique<Packer>(masks);
    return *slot.packer;
}

bool IsXrgb(const Surface& s) {
    return s.masks[0] == 0xFF0000 && s.masks[1] == 0x00FF00 && s.masks[2] == 0x0000FF;
}

uint32_t TableColor(const Surface& s, uint32_t index) {
    if (static_cast<int>(index) >= s.colorCount || !s.colors) return 0;
    const RGBQUAD& q = s.colors[index];
    return (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
}

// Index of an indexed pixel (1, 4 or 8 bits).
uint32_t GetIndex(const uint8_t* row, int x, int bpp) {
    switch (bpp) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
        case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu;
        default: return row[x];
    }
}

void SetIndex(uint8_t* row, int x, int bpp, uint32_t index) {
    switch (bpp) {
        case 1: {
            uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
            row[x >> 3] = static_cast<uint8_t>(index & 1 ? row[x >> 3] | bit : row[x >> 3] & ~bit);
            break;
        }
        case 4: {
            uint8_t& b = row[x >> 1];
            b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0xF))
                        : static_cast<uint8_t>((b & 0x0F) | ((index & 0xF) << 4));
            break;
        }
        default: row[x] = static_cast<uint8_t>(index); break;
    }
}

uint32_t SwapRedBlue(uint32_t v) {
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

// The value stored for one colour, for the direct layouts.
uint32_t Encode(const Surface& s, uint32_t rgb) {
    if (s.bpp == 24) return RedFirst24(s) ? SwapRedBlue(rgb) : rgb;
    return PackerFor(s.masks).FromRgb(rgb);
}

} // namespace

void DefaultMasks(int bpp, uint32_t masks[3]) {
    if (bpp == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else {
        masks[0] = 0xFF0000;
        masks[1] = 0x00FF00;
        masks[2] = 0x0000FF;
    }
}

Surface SurfaceOf(const Bitmap& b) {
    Surface s;
    s.bits = b.pixels.get();
    s.width = b.width;
    s.height = b.height;
    s.stride = b.stride;
    s.bpp = b.bpp;
    s.topDown = b.topDown;
    std::memcpy(s.masks, b.masks, sizeof s.masks);
    s.colors = b.colors;
    s.colorCount = b.colorCount;
    return s;
}

uint8_t NearestCache::Index(const Surface& s, uint32_t rgb) {
    auto it = memo_.find(rgb);
    if (it != memo_.end()) return it->second;
    int best = 0;
    long bestDistance = -1;
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    for (int i = 0; i < s.colorCount && s.colors; ++i) {
        const RGBQUAD& q = s.colors[i];
        const long dr = q.rgbRed - r, dg = q.rgbGreen - g, db = q.rgbBlue - b;
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0) break;
        }
    }
    const uint8_t index = static_cast<uint8_t>(best);
    memo_.emplace(rgb, index);
    return index;
}

void ReadRow(const Surface& s, int y, int x, int count, uint32_t* out) {
    const uint8_t* row = s.Row(y);
    switch (s.bpp) {
        case 1:
        case 4:
        case 8:
            for (int i = 0; i < count; ++i)
                out[i] = TableColor(s, GetIndex(row, x + i, s.bpp));
            break;
        case 16: {
            const uint32_t* wide = PackerFor(s.masks).Wide();
            const uint8_t* at = row + 2 * x;
            for (int i = 0; i < count; ++i, at += 2)
                out[i] = wide[uint32_t(at[0]) | (uint32_t(at[1]) << 8)];
            break;
        }
        case 24: {
            const uint8_t* at = row + 3 * x;
            const int red = RedFirst24(s) ? 0 : 2;
            for (int i = 0; i < count; ++i, at += 3)
                out[i] = (uint32_t(at[red]) << 16) | (uint32_t(at[1]) << 8) | at[2 - red];
            break;
        }
        case 32: {
            const uint8_t* at = row + 4 * x;
            if (IsXrgb(s)) {
                // The window and desktop layout: the colour as it is stored.
                for (int i = 0; i < count; ++i, at += 4)
                    out[i] = uint32_t(at[0]) | (uint32_t(at[1]) << 8) | (uint32_t(at[2]) << 16);
                break;
            }
            const Packer& p = PackerFor(s.masks);
            for (int i = 0; i < count; ++i, at += 4) {
                const uint32_t v = uint32_t(at[0]) | (uint32_t(at[1]) << 8) |
                                   (uint32_t(at[2]) << 16) | (uint32_t(at[3]) << 24);
                out[i] = p.ToRgb(v);
            }
            break;
        }
        default: std::fill(out, out + count, 0u); break;
    }
}

void WriteRow(const Surface& s, int y, int x, int count, const uint32_t* in, NearestCache& cache) {
    uint8_t* row = s.Row(y);
    switch (s.bpp) {
        case 1:
        case 4:
        case 8:
            for (int i = 0; i < count; ++i)
                SetIndex(row, x + i, s.bpp, cache.Index(s, in[i]));
            break;
        case 16: {
            const Packer& p = PackerFor(s.masks);
            uint8_t* at = row + 2 * x;
            for (int i = 0; i < count; ++i, at += 2) {
                const uint32_t v = p.FromRgb(in[i]);
                at[0] = static_cast<uint8_t>(v);
                at[1] = static_cast<uint8_t>(v >> 8);
            }
            break;
        }
        case 24: {
            uint8_t* at = row + 3 * x;
            const int red = RedFirst24(s) ? 0 : 2;
            for (int i = 0; i < count; ++i, at += 3) {
                at[2 - red] = static_cast<uint8_t>(in[i]);
                at[1] = static_cast<uint8_t>(in[i] >> 8);
                at[red] = static_cast<uint8_t>(in[i] >> 16);
            }
            break;
        }
        case 32: {
            uint8_t* at = row + 4 * x;
            const bool xrgb = IsXrgb(s);
            const Packer& p = PackerFor(s.masks);
            for (int i = 0; i < count; ++i, at += 4) {
                const uint32_t v = xrgb ? in[i] & 0xFFFFFF : p.FromRgb(in[i]);
                at[0] = static_cast<uint8_t>(v);
                at[1] = static_cast<uint8_t>(v >> 8);
                at[2] = static_cast<uint8_t>(v >> 16);
                at[3] = static_cast<uint8_t>(v >> 24);
            }
            break;
        }
        default: break;
    }
}

void FillSpan(const Surface& s, int y, int x, int count, uint32_t rgb, NearestCache& cache) {
    if (count <= 0) return;
    uint8_t* row = s.Row(y);
    if (s.bpp <= 8) {
        const uint8_t index = cache.Index(s, rgb);
        for (int i = 0; i < count; ++i)
            SetIndex(row, x + i, s.bpp, index);
        return;
    }
    const int bytes = s.bpp / 8;
    const uint32_t v = Encode(s, rgb);
    uint8_t* at = row + bytes * x;
    for (int i = 0; i < count; ++i, at += bytes)
        for (int k = 0; k < bytes; ++k)
            at[k] = static_cast<uint8_t>(v >> (8 * k));
}

void ReadIndexRow(const Surface& s, int y, int x, int count, uint32_t* out) {
    const uint8_t* row = s.Row(y);
    for (int i = 0; i < count; ++i)
        out[i] = GetIndex(row, x + i, s.bpp);
}

void WriteIndexRow(const Surface& s, int y, int x, int count, const uint32_t* in) {
    uint8_t* row = s.Row(y);
    for (int i = 0; i < count; ++i)
        SetIndex(row, x + i, s.bpp, in[i]);
}

bool SameLayout(const Surface& a, const Surface& b) {
    if (a.bpp != b.bpp) return false;
    if (a.bpp == 16 || a.bpp == 32) return std::memcmp(a.masks, b.masks, sizeof a.masks) == 0;
    if (a.bpp == 24) return RedFirst24(a) == RedFirst24(b);
    if (a.bpp <= 8)
        return a.colorCount == b.colorCount &&
               (a.colorCount == 0 ||
                std::memcmp(a.colors, b.colors, sizeof(RGBQUAD) * a.colorCount) == 0);
    return true;
}

DcPixels::DcPixels(Dc* dc) : dc_(dc) {
    if (!dc) return;
    if (dc->dcKind == DcKind::Memory) {
        if (dc->bitmap && dc->bitmap->pixels) {
            surface_ = SurfaceOf(*dc->bitmap);
            ok_ = true;
        }
        return;
    }
    if (dc->dcKind != DcKind::Window) return;
    WindowPixels wp{};
    if (!LockWindowPixels(dc->window, &wp)) return;
    locked_ = true;
    if (!wp.pixels || wp.width <= 0 || wp.height <= 0) return;
    surface_.bits = reinterpret_cast<uint8_t*>(wp.pixels);
    surface_.width = wp.width;
    surface_.height = wp.height;
    surface_.stride = wp.pitchPixels * 4;
    surface_.bpp = 32;
    surface_.topDown = true;
    DefaultMasks(32, surface_.masks);
    ok_ = true;
}

void DcPixels::Touch(int left, int top, int right, int bottom) {
    if (left >= right || top >= bottom) return;
    if (touched_.left >= touched_.right) {
        touched_ = {left, top, right, bottom};
        return;
    }
    touched_.left = std::min<LONG>(touched_.left, left);
    touched_.top = std::min<LONG>(touched_.top, top);
    touched_.right = std::max<LONG>(touched_.right, right);
    touched_.bottom = std::max<LONG>(touched_.bottom, bottom);
}

DcPixels::~DcPixels() {
    if (!locked_) return;
    if (touched_.left < touched_.right && touched_.top < touched_.bottom)
        UnlockWindowPixels(dc_->window, &touched_);
    else {
        // Nothing drawn: an empty rectangle asks for no presentation.
        RECT none = {0, 0, 0, 0};
        UnlockWindowPixels(dc_->window, &none);
    }
}

} // namespace platform::gdi
