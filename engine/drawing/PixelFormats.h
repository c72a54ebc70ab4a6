// The four pixel layouts the software blitters write, as traits: loading and
// storing a pixel, its key colour, its channels in 8-bit scale (low bits
// clear, as the blends and the smoothing filter sum them) and the
// key-preserving widening and narrowing between layouts.
#pragma once

#include <cstdint>
#include <cstring>

namespace pixfmt {

// 5:5:5, red in bits 10-14.
struct Px15 {
    static constexpr int kDepth = 15;
    static constexpr int kBytes = 2;
    static constexpr bool kShort = true;
    static constexpr uint32_t kKey = 0x03E0;
    static constexpr int kRedAt = 10;    // red's lowest bit
    static constexpr int kGreenDrop = 3; // 8-bit green to the field
    static uint32_t Load(const uint8_t* p) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    static void Store(uint8_t* p, uint32_t v) {
        const uint16_t w = static_cast<uint16_t>(v);
        std::memcpy(p, &w, 2);
    }
    static bool IsKey(uint32_t v) { return v == kKey; }
    static uint32_t R8(uint32_t p) { return (p >> 7) & 0xF8; }
    static uint32_t G8(uint32_t p) { return (p >> 2) & 0xF8; }
    static uint32_t B8(uint32_t p) { return (p & 0x1F) << 3; }
    static uint32_t R5(uint32_t p) { return (p >> 10) & 0x1F; }
    static uint32_t B5(uint32_t p) { return p & 0x1F; }
    // Green's three low bits are filled so the key widens to (0, 255, 0).
    static uint32_t ToRGB(uint32_t p) { return R8(p) << 16 | (G8(p) | 7) << 8 | B8(p); }
    static uint32_t FromRGB(uint32_t rgb) {
        return ((rgb >> 9) & 0x7C00) | ((rgb >> 6) & 0x03E0) | ((rgb >> 3) & 0x1F);
    }
    static uint32_t Pack8(uint32_t r, uint32_t g, uint32_t b) {
        return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    }
};

// 5:6:5, red in bits 11-15.
struct Px16 {
    static constexpr int kDepth = 16;
    static constexpr int kBytes = 2;
    static constexpr bool kShort = true;
    static constexpr uint32_t kKey = 0x07E0;
    static constexpr int kRedAt = 11;
    static constexpr int kGreenDrop = 2;
    static uint32_t Load(const uint8_t* p) { return Px15::Load(p); }
    static void Store(uint8_t* p, uint32_t v) { Px15::Store(p, v); }
    static bool IsKey(uint32_t v) { return v == kKey; }
    static uint32_t R8(uint32_t p) { return (p >> 8) & 0xF8; }
    static uint32_t G8(uint32_t p) { return (p >> 3) & 0xFC; }
    static uint32_t B8(uint32_t p) { return (p & 0x1F) << 3; }
    static uint32_t R5(uint32_t p) { return (p >> 11) & 0x1F; }
    static uint32_t B5(uint32_t p) { return p & 0x1F; }
    // Green's two low bits are filled so the key widens to (0, 255, 0).
    static uint32_t ToRGB(uint32_t p) { return R8(p) << 16 | (G8(p) | 3) << 8 | B8(p); }
    static uint32_t FromRGB(uint32_t rgb) {
        return ((rgb >> 8) & 0xF800) | ((rgb >> 5) & 0x07E0) | ((rgb >> 3) & 0x1F);
    }
    static uint32_t Pack8(uint32_t r, uint32_t g, uint32_t b) {
        return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    }
};

// Channels of the 8:8:8 layouts, as 0x00RRGGBB.
struct Rgb888 {
    static constexpr bool kShort = false;
    static constexpr uint32_t kKey = 0x00FF00;
    static bool IsKey(uint32_t v) { return v == kKey; }
    static uint32_t R8(uint32_t p) { return (p >> 16) & 0xFF; }
    static uint32_t G8(uint32_t p) { return (p >> 8) & 0xFF; }
    static uint32_t B8(uint32_t p) { return p & 0xFF; }
    static uint32_t R5(uint32_t p) { return R8(p) >> 3; }
    static uint32_t B5(uint32_t p) { return B8(p) >> 3; }
    static uint32_t ToRGB(uint32_t p) { return p & 0xFFFFFF; }
    static uint32_t FromRGB(uint32_t rgb) { return rgb & 0xFFFFFF; }
    static uint32_t Pack8(uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; }
};

// Bytes blue, green, red; loaded with a zero top byte, so the key compares
// bytewise.
struct Px24 : Rgb888 {
    static constexpr int kDepth = 24;
    static constexpr int kBytes = 3;
    static uint32_t Load(const uint8_t* p) {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    }
    static void Store(uint8_t* p, uint32_t v) {
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
    }
};

// 0x00RRGGBB; the key is the whole word, so a non-zero top byte is never one.
struct Px32 : Rgb888 {
    static constexpr int kDepth = 32;
    static constexpr int kBytes = 4;
    static uint32_t Load(const uint8_t* p) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    static void Store(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
};

// A pixel of layout From in layout To: unchanged within one layout, else
// through 0x00RRGGBB (widening fills green's low bits, narrowing keeps the
// top bits, 32 to 24 drops the top byte), so a key stays a key.
template <class From, class To> inline uint32_t Convert(uint32_t p) {
    if constexpr (From::kDepth == To::kDepth)
        return p;
    else
        return To::FromRGB(From::ToRGB(p));
}

// Calls f.template operator()<Px..>() for a depth; false for any other depth.
template <class F> inline bool WithFormat(int32_t depth, F&& f) {
    switch (depth) {
        case 15: f.template operator()<Px15>(); return true;
        case 16: f.template operator()<Px16>(); return true;
        case 24: f.template operator()<Px24>(); return true;
        case 32: f.template operator()<Px32>(); return true;
        default: return false;
    }
}

} // namespace pixfmt
