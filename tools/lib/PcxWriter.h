// Writes ZSoft PCX files: the 128-byte header, run-length coded scan lines
// (plane after plane within a line) and, when given, the 256-colour tail.
#pragma once

#include "ImageColor.h"

#include <cstdint>
#include <vector>

namespace tools {

struct PcxImage {
    int width = 0;
    int height = 0;
    int bitsPerPlane = 8;
    int planes = 1;
    int bytesPerPlaneLine = 0; // 0: (width * bitsPerPlane + 7) / 8 rounded up to even
    // height scan lines of planes * bytesPerPlaneLine bytes, top line first.
    std::vector<uint8_t> scanlines;
    std::vector<Rgb> headerPalette; // up to 16 entries
    std::vector<Rgb> tailPalette;   // empty: no tail; else 256 entries after a marker
    uint8_t tailMarker = 12;
    uint8_t version = 5;
    uint16_t xMin = 0;
    uint16_t yMin = 0;
    // Let runs continue from one scan line into the next (old encoders did).
    bool runsAcrossLines = false;
};

int PcxBytesPerPlaneLine(const PcxImage& image);

std::vector<uint8_t> WritePcx(const PcxImage& image);

} // namespace tools
