#include "BmpWriter.h"

#include "platform/ByteStream.h"

namespace tools {

size_t BmpRowBytes(int32_t width, int bitCount) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bitCount) + 7) / 8;
}

std::vector<uint8_t> WriteBmp(const BmpImage& image, const BmpOptions& options) {
    const size_t rowBytes = BmpRowBytes(image.width, image.bitCount);
    const size_t stride = (rowBytes + 3) & ~size_t{3};
    const size_t paletteBytes = image.palette.size() * 4;
    const size_t maskBytes = options.bitFields ? 12 : 0;
    const size_t dataOffset = 14 + 40 + paletteBytes + maskBytes + options.gapAfterPalette;
    const size_t dataBytes = stride * static_cast<size_t>(image.height);

    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.Text("BM");
    w.U32(static_cast<uint32_t>(dataOffset + dataBytes));
    w.U32(0);
    w.U32(static_cast<uint32_t>(dataOffset));

    w.U32(40);
    w.S32(image.width);
    w.S32(options.topDown ? -image.height : image.height);
    w.U16(1);
    w.U16(static_cast<uint16_t>(image.bitCount));
    w.U32(options.bitFields ? 3 : options.compression);
    w.U32(static_cast<uint32_t>(dataBytes));
    w.U32(2835); // 72 dpi
    w.U32(2835);
    w.U32(options.colorsUsed < 0 ? static_cast<uint32_t>(image.palette.size())
                                 : static_cast<uint32_t>(options.colorsUsed));
    w.U32(0);

    for (const Rgb& c : image.palette) {
        w.U8(c.b);
        w.U8(c.g);
        w.U8(c.r);
        w.U8(0);
    }
    if (options.bitFields)
        for (uint32_t mask : options.masks)
            w.U32(mask);
    w.Zeros(options.gapAfterPalette);

    for (int32_t i = 0; i < image.height; ++i) {
        const int32_t row = options.topDown ? i : image.height - 1 - i;
        const size_t at = static_cast<size_t>(row) * rowBytes;
        const size_t have = at < image.pixels.size() ? image.pixels.size() - at : 0;
        const size_t take = have < rowBytes ? have : rowBytes;
        if (take) w.Bytes(image.pixels.data() + at, take);
        w.Zeros(stride - take);
    }
    return out;
}

} // namespace tools
