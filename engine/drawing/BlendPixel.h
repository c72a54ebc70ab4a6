// The blend of one image pixel over one background pixel with the alpha
// tables' rows of one alpha. 24- and 32-bit outputs mix all channels at 8
// bits; 15- and 16-bit outputs mix red and green at 8 bits and blue at its
// own 5 bits, and 16 over 16 mixes red at 5 bits as well.
#pragma once

#include "drawing/PixelFormats.h"

namespace pixfmt {

template <class S, class D>
inline uint32_t BlendPixel(const uint8_t* first, const uint8_t* second, uint32_t s, uint32_t d) {
    if (S::IsKey(s)) return d;
    const uint32_t g = first[S::G8(s)] + second[D::G8(d)];
    const uint32_t b5 = first[S::B5(s)] + second[D::B5(d)];
    if constexpr (!D::kShort) {
        const uint32_t r = first[S::R8(s)] + second[D::R8(d)];
        const uint32_t b = first[S::B8(s)] + second[D::B8(d)];
        return r << 16 | g << 8 | b;
    } else if constexpr (S::kDepth == 16 && D::kDepth == 16) {
        const uint32_t r5 = first[S::R5(s)] + second[D::R5(d)];
        return r5 << 11 | ((g << 3) & 0xFFE0) | b5;
    } else {
        const uint32_t r = first[S::R8(s)] + second[D::R8(d)];
        if constexpr (D::kDepth == 16)
            return ((r << 8) & 0xF800) | (g >> 2) << 5 | b5;
        else
            return ((r << 7) & 0x7C00) | (g >> 3) << 5 | b5;
    }
}

} // namespace pixfmt
