// Writer of picture albums (ALB) and pixel fonts (PXF, an album followed by
// one glyph table per sub-font) in every packing and depth the engine reads.
// Frames are given unpacked: rows top first, each width x bytes-per-pixel
// long (8 bits: palette indexes; 16 bits: 5:6:5 words; 24 bits: blue, green,
// red). Widths must be multiples of 4: the reader's row length takes the
// width down to such a multiple.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tools {

enum AlbumPacking : uint8_t {
    kAlbumStored = 0,
    kAlbumLzw = 1,
    kAlbumSkipFill = 2, // 8 and 16 bits only
    kAlbumRunLength = 3,
};

struct AlbumEntry {
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<std::vector<uint8_t>> frames;
    // Skip-fill: the value whose runs are skipped (8 bits: an index; 16 bits:
    // a 5:6:5 word, stored as the components that rebuild it).
    uint16_t fill = 0;
};

struct AlbumPlan {
    uint16_t version = 200;
    uint8_t bitsPerPixel = 8;
    uint8_t packing = kAlbumStored;
    std::vector<uint8_t> palette; // R, G, B triples; empty: none
    std::vector<AlbumEntry> entries;
};

// One sub-font's glyph table. `kerning` is empty, or 65536 signed bytes
// indexed [first glyph * 256 + second glyph].
struct GlyphTable {
    std::array<uint16_t, 256> width{};
    std::array<uint16_t, 256> offset{};
    std::array<uint8_t, 256> map{};
    std::vector<int8_t> kerning;
};

// Bytes of one unpacked row and frame.
int32_t AlbumBytesPerPixel(uint8_t bitsPerPixel);

// The album's bytes; empty with `error` set when the plan cannot be written.
std::vector<uint8_t> WriteAlbum(const AlbumPlan& plan, std::string* error);
// A PXF: the album, then one glyph table per entry. With `explicitOffset` the
// header names where the tables start; else it holds 0 (right behind the
// picture data).
std::vector<uint8_t> WritePixelFont(const AlbumPlan& plan, const std::vector<GlyphTable>& tables,
                                    bool explicitOffset, std::string* error);

// Packers of single frames, for tests and benchmarks.
std::vector<uint8_t> PackRunLength(const std::vector<uint8_t>& pixels, int32_t bytesPerPixel);
std::vector<uint8_t> PackSkipFill(const std::vector<uint8_t>& pixels, int32_t width, int32_t height,
                                  int32_t bytesPerPixel, uint16_t fill);
// Components c1, c2, c3 from which the reader rebuilds a 5:6:5 fill word.
std::array<uint8_t, 3> FillComponents(uint16_t pixel);

} // namespace tools
