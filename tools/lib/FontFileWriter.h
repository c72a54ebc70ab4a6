// Writes the graphics library's own font file: a 256-byte head with the
// signature "RedeDuduv Font File:", a zero byte and the face name at byte 21,
// then the font record from its type word on, field by field.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tools {

struct NativeFont {
    std::string name;
    int16_t fontType = 3; // 1 stroked, 2 fixed-width bitmap, 3 proportional bitmap
    int16_t maxWidth = 0;
    int16_t lastMetric = 0;
    int16_t cellWidth = 0;
    int16_t fontHeight = 0;
    int16_t ascent = 0;
    int16_t descent = 0;
    int16_t leading = 0;
    std::array<uint8_t, 256> charWidth{};
    std::array<uint16_t, 256> glyphOffset{};
    std::array<uint8_t, 256> bitWidth{};
    std::array<uint8_t, 256> spare{};
    std::vector<uint8_t> glyphData;
};

// Builds a bitmap font from row-major glyphs (top row first, (width + 7) / 8
// bytes per row, fontHeight rows); characters with an empty row list are
// missing (offset 0xFFFF).
struct NativeGlyph {
    int width = 0;
    std::vector<uint8_t> rows;
};
NativeFont MakeBitmapFont(const std::string& name, int16_t fontHeight, int16_t ascent,
                          const std::array<NativeGlyph, 256>& glyphs, bool fixedWidth);

std::vector<uint8_t> WriteFontFile(const NativeFont& font);

} // namespace tools
