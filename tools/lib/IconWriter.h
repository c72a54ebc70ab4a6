// Writes Windows icon (ICO) and cursor (CUR) files: a directory of entries and,
// for each, a 40-byte BITMAPINFOHEADER of doubled height, the palette, the
// colour rows and the AND mask, both bottom-up and padded to four bytes.
#pragma once

#include "ImageColor.h"

#include <cstdint>
#include <vector>

namespace tools {

struct IconImage {
    int width = 32;
    int height = 32;
    int bitCount = 4;
    std::vector<Rgb> palette; // written as blue, green, red, 0
    // Colour rows top row first, (width * bitCount + 7) / 8 bytes each, no padding.
    std::vector<uint8_t> pixels;
    // AND mask top row first, (width + 7) / 8 bytes each; bit 1 = transparent.
    std::vector<uint8_t> andMask;
    int entryColorCount = -1; // directory colour-count byte; -1: palette size (0 for 256)
    uint16_t hotX = 0;        // cursors only
    uint16_t hotY = 0;
};

std::vector<uint8_t> WriteIco(const std::vector<IconImage>& images);
std::vector<uint8_t> WriteCur(const std::vector<IconImage>& images);

} // namespace tools
