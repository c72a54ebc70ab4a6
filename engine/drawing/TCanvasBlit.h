// The canvas's software blitters: free operations that write straight into
// surface memory, mixing an image with the frame being composed (the
// background, read from the display's main context). `Blit` mixes with a
// uniform alpha, `BlitKeyed` smooths a colour-keyed picture into its
// background; both resample the image to the drawn size. The canvas class
// offers them as its own statics by deriving from this one (a second base
// without fields on the one engine root).
#pragma once

#include "drawing/PixelFormats.h"
#include "foundation/TObject.h"

#include <cstddef>
#include <cstdint>

struct GdlDeviceContext;

class TCanvasBlit : public virtual TObject {
public:
    static void Blit(uint8_t* dst, const uint8_t* src, int32_t srcPitch, int32_t srcWidth,
                     int32_t srcHeight, int32_t srcDepth, int32_t dstPitch, int32_t dstWidth,
                     int32_t dstHeight, int32_t width, int32_t height, int32_t dstDepth,
                     int32_t bgX, int32_t bgY, int32_t dstX, int32_t dstY, int32_t alpha);
    static void BlitKeyed(uint8_t* dst, const uint8_t* src, int32_t srcPitch, int32_t srcWidth,
                          int32_t srcHeight, int32_t srcDepth, int32_t dstPitch, int32_t dstWidth,
                          int32_t dstHeight, int32_t width, int32_t height, int32_t dstDepth,
                          int32_t x, int32_t y, int32_t dstX, int32_t dstY);

    // Where the background comes from: the display device installs its main
    // context getter; without one nothing is drawn.
    using ContextSource = GdlDeviceContext* (*)();
    static void SetContextSource(ContextSource source);
    static GdlDeviceContext* MainContext();

    // The heap of the resampling buffers; null restores the runtime heap.
    using BufferAlloc = void* (*)(size_t size);
    using BufferFree = void (*)(void* block);
    static void SetBufferHeap(BufferAlloc alloc, BufferFree release);
    static void* AllocBuffer(size_t size);
    static void FreeBuffer(void* block);

    // One pixel of an image over one background pixel, into `out` (the
    // background's layout).
    static void Blend565To555(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend555To565(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend565To24(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend555To32(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend565To32(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend555To24(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend565To565(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend32To32(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend555To555(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend24To565(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend32To555(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend24To32(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend24To555(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);
    static void Blend24To24(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a);

    // Pixel moves and conversions shared by the blitters. 24-bit pixels are
    // bytes blue, green, red; widening 5:6:5 fills green's two low bits and
    // 5:5:5 its three, so the key colour stays a key.
    static void Copy24(uint8_t* dst, const uint8_t* src) { pixfmt::Px24::Store(dst, Load24(src)); }
    static void Copy24Back(const uint8_t* src, uint8_t* dst) { Copy24(dst, src); }
    static void Copy16(uint8_t* dst, const uint8_t* src) {
        pixfmt::Px16::Store(dst, pixfmt::Px16::Load(src));
    }
    static uint32_t Load24(const uint8_t* p) { return pixfmt::Px24::Load(p); }
    static void PackRGB(uint8_t* dst32, const uint8_t* src24) {
        pixfmt::Px32::Store(dst32, Load24(src24));
    }
    static uint16_t Pack565(const uint8_t* src24) {
        return static_cast<uint16_t>(pixfmt::Px16::FromRGB(Load24(src24)));
    }
    static void Store565(uint8_t* dst, const uint8_t* src24) {
        pixfmt::Px16::Store(dst, Pack565(src24));
    }
    static uint16_t Pack555From32(uint32_t rgb) {
        return static_cast<uint16_t>(pixfmt::Px15::FromRGB(rgb));
    }
    static void Store555From32(uint8_t* dst, uint32_t rgb) {
        pixfmt::Px15::Store(dst, Pack555From32(rgb));
    }
    static uint16_t Pack555(const uint8_t* src24) { return Pack555From32(Load24(src24)); }
    static void Store555(uint8_t* dst, const uint8_t* src24) {
        pixfmt::Px15::Store(dst, Pack555(src24));
    }
    static uint32_t Unpack565(uint16_t p) { return pixfmt::Px16::ToRGB(p); }
    static void Unpack565To32(uint8_t* dst32, uint16_t p) {
        pixfmt::Px32::Store(dst32, Unpack565(p));
    }
    static void Unpack565To24(uint8_t* dst24, const uint8_t* src16) {
        pixfmt::Px24::Store(dst24, Unpack565(static_cast<uint16_t>(pixfmt::Px16::Load(src16))));
    }
    static void Unpack565To24Back(const uint8_t* src16, uint8_t* dst24) {
        Unpack565To24(dst24, src16);
    }
    static uint32_t Pixel555ToRGB(uint16_t p) { return pixfmt::Px15::ToRGB(p); }
    static void Pixel555ToRGBOut(uint8_t* dst32, uint16_t p) {
        pixfmt::Px32::Store(dst32, Pixel555ToRGB(p));
    }
    static void Pixel555ToBGRBytes(uint8_t* dst24, const uint8_t* src15) {
        pixfmt::Px24::Store(dst24, Pixel555ToRGB(static_cast<uint16_t>(pixfmt::Px15::Load(src15))));
    }
    static void Pixel555ToBGRBytes2(const uint8_t* src15, uint8_t* dst24) {
        Pixel555ToBGRBytes(dst24, src15);
    }
};
