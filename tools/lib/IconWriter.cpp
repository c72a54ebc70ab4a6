#include "IconWriter.h"

#include "platform/ByteStream.h"

#include <cstddef>

namespace tools {
namespace {

size_t Stride(size_t rowBytes) {
    return (rowBytes + 3) & ~size_t{3};
}

size_t ColorRowBytes(const IconImage& im) {
    return (static_cast<size_t>(im.width) * static_cast<size_t>(im.bitCount) + 7) / 8;
}

size_t MaskRowBytes(const IconImage& im) {
    return (static_cast<size_t>(im.width) + 7) / 8;
}

size_t ImageBytes(const IconImage& im) {
    return 40 + im.palette.size() * 4 +
           (Stride(ColorRowBytes(im)) + Stride(MaskRowBytes(im))) * static_cast<size_t>(im.height);
}

// Rows bottom-up, each padded with zeros to four bytes; missing source bytes
// are written as zeros.
void WriteRows(platform::ByteWriter& w, const std::vector<uint8_t>& rows, size_t rowBytes,
               int height) {
    for (int i = height - 1; i >= 0; --i) {
        const size_t at = static_cast<size_t>(i) * rowBytes;
        for (size_t x = 0; x < rowBytes; ++x)
            w.U8(at + x < rows.size() ? rows[at + x] : 0);
        w.Zeros(Stride(rowBytes) - rowBytes);
    }
}

// Icons and cursors share one container; the type word and the meaning of the
// entry's two 16-bit fields (planes and bit count, or the hot spot) differ.
std::vector<uint8_t> WriteContainer(const std::vector<IconImage>& images, uint16_t type) {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.U16(0);
    w.U16(type);
    w.U16(static_cast<uint16_t>(images.size()));

    size_t offset = 6 + 16 * images.size();
    for (const IconImage& im : images) {
        int colors = im.entryColorCount;
        if (colors < 0) colors = im.palette.size() >= 256 ? 0 : static_cast<int>(im.palette.size());
        w.U8(static_cast<uint8_t>(im.width));
        w.U8(static_cast<uint8_t>(im.height));
        w.U8(static_cast<uint8_t>(colors));
        w.U8(0);
        if (type == 2) {
            w.U16(im.hotX);
            w.U16(im.hotY);
        } else {
            w.U16(1);
            w.U16(static_cast<uint16_t>(im.bitCount));
        }
        w.U32(static_cast<uint32_t>(ImageBytes(im)));
        w.U32(static_cast<uint32_t>(offset));
        offset += ImageBytes(im);
    }

    for (const IconImage& im : images) {
        const size_t colorRow = ColorRowBytes(im);
        const size_t maskRow = MaskRowBytes(im);
        w.U32(40);
        w.S32(im.width);
        w.S32(im.height * 2); // colour image and mask stacked
        w.U16(1);
        w.U16(static_cast<uint16_t>(im.bitCount));
        w.U32(0);
        w.U32(static_cast<uint32_t>((Stride(colorRow) + Stride(maskRow)) *
                                    static_cast<size_t>(im.height)));
        w.U32(0);
        w.U32(0);
        w.U32(0);
        w.U32(0);
        for (const Rgb& c : im.palette) {
            w.U8(c.b);
            w.U8(c.g);
            w.U8(c.r);
            w.U8(0);
        }
        WriteRows(w, im.pixels, colorRow, im.height);
        WriteRows(w, im.andMask, maskRow, im.height);
    }
    return out;
}

} // namespace

std::vector<uint8_t> WriteIco(const std::vector<IconImage>& images) {
    return WriteContainer(images, 1);
}

std::vector<uint8_t> WriteCur(const std::vector<IconImage>& images) {
    return WriteContainer(images, 2);
}

} // namespace tools
