// Writes RLA picture containers of run-length sprites from RGBA images.
//
// Pixels with alpha below 128 are transparent; the others become 5:6:5 by
// the top bits of each channel. An opaque pixel that is, or would become on a
// 5:5:5 display, the transparent key (0x07E0, 0x07C0) gets blue 1 so that it
// stays visible; such pixels are counted.
#pragma once

#include <cstdint>
#include <vector>

namespace tools {

struct RgbaImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba; // width x height x 4, rows top to bottom
};

// The 5:6:5 pixel of an opaque colour; *nudged tells whether it was moved off the key.
uint16_t RlaPixel565(uint8_t r, uint8_t g, uint8_t b, bool* nudged);

// The sprite record that follows the frame tag: 24-byte header and data.
std::vector<uint8_t> EncodeRleSprite(const RgbaImage& image, int32_t x, int32_t y,
                                     uint32_t reserved, uint32_t* nudgedPixels);

class RlaWriter {
public:
    static constexpr uint32_t kSpriteTag = 0x00010001;

    void AddSprite(uint32_t group, const RgbaImage& image, int32_t x = 0, int32_t y = 0,
                   uint32_t reserved = 0);
    // A frame of any type: the tag, then `record` as it stands.
    void AddRecord(uint32_t group, uint32_t tag, const std::vector<uint8_t>& record);
    // A directory entry without a record (offset -1).
    void AddEmpty(uint32_t group);
    // The whole file: the frame records, the directory, its length.
    std::vector<uint8_t> Finish() const;
    uint32_t NudgedPixels() const { return nudged_; }

private:
    std::vector<int32_t>& Group(uint32_t group);

    std::vector<uint8_t> records_;
    std::vector<std::vector<int32_t>> groups_;
    uint32_t nudged_ = 0;
};

} // namespace tools
