// Saved video memory as pictures: every row checked against the file first.
#include "VideoMemoryPage.h"

#include <sstream>

namespace tools {

namespace {

int bytesOf(int32_t bits) {
    switch (bits) {
        case 8: return 1;
        case 15:
        case 16: return 2;
        case 24: return 3;
        case 32: return 4;
        default: return 0;
    }
}

uint8_t widen(uint32_t value, int size) {
    value &= (1u << size) - 1;
    return uint8_t(size == 5 ? (value << 3 | value >> 2) : (value << 2 | value >> 4));
}

Rgba pixelAt(const uint8_t* p, int32_t bits, const std::vector<GdlPaletteEntry>& palette) {
    switch (bits) {
        case 8: return PaletteColor(palette, p[0], 8);
        case 15: {
            const uint32_t v = uint32_t(p[0] | p[1] << 8);
            return {widen(v >> 10, 5), widen(v >> 5, 5), widen(v, 5), 255};
        }
        case 16: {
            const uint32_t v = uint32_t(p[0] | p[1] << 8);
            return {widen(v >> 11, 5), widen(v >> 5, 6), widen(v, 5), 255};
        }
        default: return {p[2], p[1], p[0], 255};
    }
}

} // namespace

bool VideoMemoryPage(const std::vector<uint8_t>& memory, const VideoPageLayout& l,
                     const std::vector<GdlPaletteEntry>& palette, RgbPicture* out,
                     std::string* error) {
    const int bytes = bytesOf(l.bits);
    if (!bytes) return *error = "bits must be 8, 15, 16, 24 or 32", false;
    if (l.width <= 0 || l.height <= 0 || l.width > 16384 || l.height > 16384)
        return *error = "a page of 1 to 16384 pixels each way", false;
    const int64_t row = int64_t(l.width) * bytes;
    const int64_t pitch = l.pitch ? l.pitch : row;
    if (pitch < row) return *error = "the pitch is shorter than a row", false;
    if (l.offset < 0) return *error = "a negative offset", false;
    const int64_t end = l.offset + pitch * (l.height - 1) + row;
    if (end > int64_t(memory.size())) {
        *error = "the page ends at byte " + std::to_string(end) + ", the file holds " +
                 std::to_string(memory.size());
        return false;
    }
    out->width = l.width;
    out->height = l.height;
    out->hasAlpha = false;
    out->pixels.assign(size_t(l.width) * size_t(l.height), Rgba{});
    for (int32_t y = 0; y < l.height; ++y) {
        const uint8_t* src = memory.data() + l.offset + pitch * y;
        for (int32_t x = 0; x < l.width; ++x)
            out->pixels[size_t(y) * size_t(l.width) + size_t(x)] =
                pixelAt(src + size_t(x) * size_t(bytes), l.bits, palette);
    }
    return true;
}

bool ReadPaletteText(const std::string& text, std::vector<GdlPaletteEntry>* out,
                     std::string* error) {
    out->assign(256, GdlPaletteEntry{});
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        std::istringstream fields(line);
        long index = -1, r = -1, g = -1, b = -1;
        std::string rest;
        if (!(fields >> index >> r >> g >> b) || (fields >> rest) || index < 0 || index > 255 ||
            r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) {
            *error = "palette line " + std::to_string(number) + " is not \"index red green blue\"";
            return false;
        }
        (*out)[size_t(index)] = {uint8_t(b), uint8_t(g), uint8_t(r), 0};
    }
    return true;
}

} // namespace tools
