// Reads the PNG files the programs write headless (image data in deflate
// blocks of type 0), for tests that check a program's frame pixel by pixel.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct PngImage {
    uint32_t width = 0, height = 0, channels = 0;
    std::vector<uint8_t> rows; // each row: filter byte, then the pixels
    const uint8_t* Pixel(uint32_t x, uint32_t y) const {
        return rows.data() + size_t(y) * (1 + width * channels) + 1 + size_t(x) * channels;
    }
    // 0xRRGGBB of a pixel.
    uint32_t Rgb(uint32_t x, uint32_t y) const {
        const uint8_t* p = Pixel(x, y);
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
};

inline uint32_t PngBe32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// False for anything but a stored PNG of 3 or 4 channels.
inline bool ReadStoredPng(const std::vector<uint8_t>& file, PngImage* out) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    if (file.size() < 33 || !std::equal(kSignature, kSignature + 8, file.begin())) return false;
    std::vector<uint8_t> z;
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = PngBe32(file, at);
        const std::string type(file.begin() + long(at + 4), file.begin() + long(at + 8));
        if (at + 12 + length > file.size()) return false;
        if (type == "IHDR") {
            out->width = PngBe32(file, at + 8);
            out->height = PngBe32(file, at + 12);
            const uint8_t colourType = file[at + 17];
            out->channels = colourType == 6 ? 4 : colourType == 2 ? 3 : 0;
        } else if (type == "IDAT") {
            z.insert(z.end(), file.begin() + long(at + 8), file.begin() + long(at + 8 + length));
        }
        at += 12 + length;
    }
    for (size_t at = 2; at + 5 <= z.size();) {
        const bool last = z[at] & 1;
        if ((z[at] >> 1) & 3) return false;
        const size_t n = size_t(z[at + 1]) | size_t(z[at + 2]) << 8;
        at += 5;
        if (at + n > z.size()) return false;
        out->rows.insert(out->rows.end(), z.begin() + long(at), z.begin() + long(at + n));
        at += n;
        if (last) break;
    }
    return out->channels &&
           out->rows.size() == size_t(out->height) * (1 + out->width * out->channels);
}

} // namespace testsupport
