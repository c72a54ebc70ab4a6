// Writes Windows BMP files (BITMAPFILEHEADER + 40-byte BITMAPINFOHEADER) at any
// bit count, bottom-up or top-down, with or without bit-field masks. Used for
// test fixtures and the demo's pictures.
#pragma once

#include "ImageColor.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tools {

struct BmpImage {
    int32_t width = 0;
    int32_t height = 0; // rows, positive; the options choose the stored order
    int bitCount = 8;
    // Rows top row first, each BmpRowBytes(width, bitCount) long (no padding):
    // indexes with the leftmost pixel in the high bits, little-endian 16-bit
    // cells, 3- and 4-byte cells as they go into the file.
    std::vector<uint8_t> pixels;
    std::vector<Rgb> palette; // written as blue, green, red, 0
};

struct BmpOptions {
    bool topDown = false;            // store a negative height and the rows top to bottom
    int64_t colorsUsed = -1;         // the header's colours-used field; -1: the palette's size
    uint32_t compression = 0;        // written as given (3 with masks below)
    bool bitFields = false;          // write the three masks after the header, compression 3
    std::array<uint32_t, 3> masks{}; // red, green, blue
    uint32_t gapAfterPalette = 0;    // unused bytes before the pixel data
};

// Unpadded bytes of one row.
size_t BmpRowBytes(int32_t width, int bitCount);

std::vector<uint8_t> WriteBmp(const BmpImage& image, const BmpOptions& options = {});

} // namespace tools
