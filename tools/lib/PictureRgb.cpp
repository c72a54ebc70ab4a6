#include "PictureRgb.h"

#include "platform/ByteStream.h"

#include <algorithm>
#include <string>

namespace tools {

namespace {

uint32_t Cell(const uint8_t* p, int32_t bytes) {
    uint32_t v = 0;
    for (int32_t i = 0; i < bytes; ++i)
        v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

const GdlPixelFormat* FormatFor(const GdlBitmap& bm) {
    if (bm.pixelFormat) return bm.pixelFormat;
    if (bm.bitsPerPixel == 15) return &GDL_pixelFormat555;
    if (bm.bitsPerPixel == 16) return &GDL_pixelFormat565;
    return &GDL_pixelFormatRGB;
}

} // namespace

uint32_t PackedIndex(const uint8_t* row, int32_t x, int32_t bits) {
    const int32_t bit = x * bits;
    const uint32_t byte = row[bit / 8];
    return (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

Rgba PaletteColor(const std::vector<GdlPaletteEntry>& palette, uint32_t index, int32_t bits) {
    if (palette.empty()) {
        const uint32_t top = (1u << std::clamp(bits, 1, 8)) - 1;
        const uint8_t v = static_cast<uint8_t>(std::min<uint32_t>(index * 255 / top, 255));
        return {v, v, v, 255};
    }
    if (index >= palette.size()) return {0, 0, 0, 255};
    const GdlPaletteEntry& e = palette[index];
    return {e.red, e.green, e.blue, 255};
}

void UnpackBitmap(const GdlBitmap& bm, RgbPicture* out) {
    out->width = bm.width;
    out->height = bm.height;
    out->palette.clear();
    if (bm.palette && bm.bitsPerPixel <= 8)
        out->palette.assign(bm.palette, bm.palette + (size_t{1} << bm.bitsPerPixel));
    out->pixels.assign(static_cast<size_t>(bm.width) * bm.height, Rgba{});
    const int32_t cellBytes = (bm.bitsPerPixel + 7) / 8;
    const GdlPixelFormat* format = FormatFor(bm);
    for (int32_t y = 0; y < bm.height; ++y) {
        const uint8_t* row = bm.surface + static_cast<size_t>(y) * bm.bytesPerLine;
        for (int32_t x = 0; x < bm.width; ++x) {
            Rgba& px = out->pixels[static_cast<size_t>(y) * bm.width + x];
            if (bm.bitsPerPixel <= 8) {
                px = PaletteColor(out->palette, PackedIndex(row, x, bm.bitsPerPixel),
                                  bm.bitsPerPixel);
            } else {
                GDL_unpackColor(format, Cell(row + x * cellBytes, cellBytes), &px.r, &px.g, &px.b);
            }
        }
    }
}

std::vector<uint8_t> WritePam(const RgbPicture& pic) {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.Text("P7\nWIDTH " + std::to_string(pic.width) + "\nHEIGHT " + std::to_string(pic.height) +
           "\nDEPTH " + (pic.hasAlpha ? "4" : "3") + "\nMAXVAL 255\nTUPLTYPE " +
           (pic.hasAlpha ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n");
    for (const Rgba& px : pic.pixels) {
        w.U8(px.r);
        w.U8(px.g);
        w.U8(px.b);
        if (pic.hasAlpha) w.U8(px.a);
    }
    return out;
}

} // namespace tools
