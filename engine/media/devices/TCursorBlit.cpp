#include "media/devices/TCursorBlit.h"

#include <cstring>

namespace {

struct Rgb {
    uint8_t r, g, b;
};

template <int Depth> struct Layout;

template <> struct Layout<15> {
    static constexpr int kBytes = 2;
    static Rgb Read(const uint8_t* p) {
        uint32_t v = p[0] | p[1] << 8;
        return {static_cast<uint8_t>((v & 0x7C00) >> 7), static_cast<uint8_t>((v & 0x3E0) >> 2),
                static_cast<uint8_t>((v & 0x1F) << 3)};
    }
    static void Write(uint8_t* p, Rgb c) {
        uint32_t v = ((c.r & 0xF8) << 7) | ((c.g & 0xF8) << 2) | (c.b >> 3);
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
    }
};

template <> struct Layout<16> {
    static constexpr int kBytes = 2;
    static Rgb Read(const uint8_t* p) {
        uint32_t v = p[0] | p[1] << 8;
        return {static_cast<uint8_t>((v & 0xF800) >> 8), static_cast<uint8_t>((v & 0x7E0) >> 3),
                static_cast<uint8_t>((v & 0x1F) << 3)};
    }
    static void Write(uint8_t* p, Rgb c) {
        uint32_t v = ((c.r & 0xF8) << 8) | ((c.g & 0xFC) << 3) | (c.b >> 3);
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
    }
};

template <> struct Layout<24> {
    static constexpr int kBytes = 3;
    static Rgb Read(const uint8_t* p) { return {p[2], p[1], p[0]}; }
    static void Write(uint8_t* p, Rgb c) {
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }
};

// The fourth byte carries no colour and is left as it is.
template <> struct Layout<32> {
    static constexpr int kBytes = 4;
    static Rgb Read(const uint8_t* p) { return {p[2], p[1], p[0]}; }
    static void Write(uint8_t* p, Rgb c) { Layout<24>::Write(p, c); }
};

struct Span {
    int32_t width, height; // the copy after cutting
    int32_t skipX, skipY;  // copy columns and rows cut at the left and top
    int32_t x, y;          // destination start
    float stepX, stepY;    // source pixels per copy pixel
};

template <int From, int To>
void CopyRows(const TBlitSurface& d, const TBlitSurface& s, const Span& span, bool keyed) {
    const bool resample = span.stepX != 1.0f || span.stepY != 1.0f;
    for (int32_t row = 0; row < span.height; ++row) {
        int32_t cy = row + span.skipY;
        int32_t sy = resample ? static_cast<int32_t>(cy * span.stepY + 0.5f) : cy;
        if (sy >= s.height) break;
        const uint8_t* in = s.base + static_cast<int64_t>(sy) * s.bytesPerRow;
        uint8_t* out = d.base + static_cast<int64_t>(span.y + row) * d.bytesPerRow;
        for (int32_t col = 0; col < span.width; ++col) {
            int32_t cx = col + span.skipX;
            int32_t sx = resample ? static_cast<int32_t>(cx * span.stepX + 0.5f) : cx;
            if (sx >= s.width) break;
            const uint8_t* p = in + sx * Layout<From>::kBytes;
            if (From == 24 && keyed && std::memcmp(p, kCursorKey, 3) == 0) continue;
            uint8_t* q = out + (span.x + col) * Layout<To>::kBytes;
            if constexpr (From == To)
                std::memcpy(q, p, Layout<From>::kBytes);
            else
                Layout<To>::Write(q, Layout<From>::Read(p));
        }
    }
}

template <int From>
void ToAny(const TBlitSurface& d, const TBlitSurface& s, const Span& span, bool keyed) {
    switch (d.depth) {
        case 15: CopyRows<From, 15>(d, s, span, keyed); break;
        case 16: CopyRows<From, 16>(d, s, span, keyed); break;
        case 24: CopyRows<From, 24>(d, s, span, keyed); break;
        case 32: CopyRows<From, 32>(d, s, span, keyed); break;
        default: break;
    }
}

} // namespace

void ConvertBlit(const TBlitSurface& dest, const TBlitSurface& source, int32_t width,
                 int32_t height, int32_t x, int32_t y, bool keyed) {
    if (!dest.base || !source.base || width <= 0 || height <= 0) return;
    Span span{width, height, 0, 0, x, y, 1.0f, 1.0f};
    if (source.width != width || source.height != height) {
        span.stepX = static_cast<float>(source.width) / static_cast<float>(width);
        span.stepY = static_cast<float>(source.height) / static_cast<float>(height);
    }
    if (x < 0) {
        span.skipX = -x;
        span.width += x;
        span.x = 0;
    }
    if (y < 0) {
        span.skipY = -y;
        span.height += y;
        span.y = 0;
    }
    if (span.x + span.width > dest.width) span.width = dest.width - span.x;
    if (span.y + span.height > dest.height) span.height = dest.height - span.y;
    if (span.width <= 0 || span.height <= 0) return;
    switch (source.depth) {
        case 15: ToAny<15>(dest, source, span, keyed); break;
        case 16: ToAny<16>(dest, source, span, keyed); break;
        case 24: ToAny<24>(dest, source, span, keyed); break;
        case 32: ToAny<32>(dest, source, span, keyed); break;
        default: break;
    }
}

void ExpandMonoCursor(uint8_t* target, const uint8_t* bits, const uint8_t key[3],
                      const uint8_t first[3], const uint8_t second[3]) {
    for (int row = 0; row < 32; ++row)
        for (int col = 0; col < 32; ++col) {
            int byte = row * 4 + col / 8, bit = 0x80 >> (col % 8);
            bool drawn = (bits[128 + byte] & bit) != 0, white = (bits[byte] & bit) != 0;
            const uint8_t* c = !drawn ? key : white ? first : second;
            std::memcpy(target + (row * 32 + col) * 3, c, 3);
        }
}

bool ExpandIndexedImage(uint8_t* target, const uint8_t* bits, int32_t bytesPerRow, int32_t width,
                        int32_t height, int32_t depth, const uint8_t* palette) {
    if (depth != 1 && depth != 4 && depth != 8) return false;
    const int32_t perByte = 8 / depth, top = (1 << depth) - 1;
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* in = bits + static_cast<int64_t>(row) * bytesPerRow;
        uint8_t* out = target + static_cast<int64_t>(row) * width * 3;
        for (int32_t col = 0; col < width; ++col, out += 3) {
            const int32_t shift = 8 - depth * (col % perByte + 1);
            const int32_t index = (in[col / perByte] >> shift) & top;
            if (palette) {
                std::memcpy(out, palette + 4 * index, 3);
            } else {
                const auto grey = static_cast<uint8_t>(index * 255 / top);
                out[0] = out[1] = out[2] = grey;
            }
        }
    }
    return true;
}
