#include "PcxWriter.h"

#include "platform/ByteStream.h"

#include <cstddef>

namespace tools {
namespace {

// Runs of up to 63 equal bytes become a count byte 0xC0 | n and the value; a
// single byte below 0xC0 stands for itself.
void Encode(platform::ByteWriter& w, const uint8_t* data, size_t count) {
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < 63 && data[i + run] == data[i])
            ++run;
        if (run > 1 || data[i] >= 0xC0) w.U8(static_cast<uint8_t>(0xC0 | run));
        w.U8(data[i]);
        i += run;
    }
}

} // namespace

int PcxBytesPerPlaneLine(const PcxImage& image) {
    if (image.bytesPerPlaneLine > 0) return image.bytesPerPlaneLine;
    int bytes = (image.width * image.bitsPerPlane + 7) / 8;
    return bytes + (bytes & 1);
}

std::vector<uint8_t> WritePcx(const PcxImage& image) {
    const size_t lineBytes =
        static_cast<size_t>(PcxBytesPerPlaneLine(image)) * static_cast<size_t>(image.planes);
    std::vector<uint8_t> lines = image.scanlines;
    lines.resize(lineBytes * static_cast<size_t>(image.height), 0);

    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.U8(10);
    w.U8(image.version);
    w.U8(1);
    w.U8(static_cast<uint8_t>(image.bitsPerPlane));
    w.U16(image.xMin);
    w.U16(image.yMin);
    w.U16(static_cast<uint16_t>(image.xMin + image.width - 1));
    w.U16(static_cast<uint16_t>(image.yMin + image.height - 1));
    w.U16(72);
    w.U16(72);
    for (size_t i = 0; i < 16; ++i) {
        Rgb c = i < image.headerPalette.size() ? image.headerPalette[i] : Rgb{};
        w.U8(c.r);
        w.U8(c.g);
        w.U8(c.b);
    }
    w.U8(0);
    w.U8(static_cast<uint8_t>(image.planes));
    w.U16(static_cast<uint16_t>(PcxBytesPerPlaneLine(image)));
    w.U16(1); // colour palette
    w.Zeros(128 - out.size());

    if (image.runsAcrossLines) {
        Encode(w, lines.data(), lines.size());
    } else {
        for (int y = 0; y < image.height; ++y)
            Encode(w, lines.data() + static_cast<size_t>(y) * lineBytes, lineBytes);
    }

    if (!image.tailPalette.empty()) {
        w.U8(image.tailMarker);
        for (size_t i = 0; i < 256; ++i) {
            Rgb c = i < image.tailPalette.size() ? image.tailPalette[i] : Rgb{};
            w.U8(c.r);
            w.U8(c.g);
            w.U8(c.b);
        }
    }
    return out;
}

} // namespace tools
