// Writes Windows 2.x raster font files (FNT, version 0x200): the 118-byte
// header, the character table of (width, file offset) pairs with its closing
// sentinel entry, the glyph bits column by column and the face name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

struct FntGlyph {
    int width = 0;
    // Row-major, top row first, (width + 7) / 8 bytes per row, pixHeight rows;
    // the writer turns them into the file's column order.
    std::vector<uint8_t> rows;
};

struct FntFont {
    std::string faceName;
    uint16_t version = 0x200;
    uint16_t type = 0; // 0 raster, 1 vector
    uint16_t ascent = 0;
    uint16_t externalLeading = 0;
    uint16_t pixWidth = 0; // 0: proportional
    uint16_t pixHeight = 0;
    int maxWidth = -1; // -1: the widest glyph
    uint8_t firstChar = 32;
    uint8_t defaultChar = 0;      // relative to firstChar
    std::vector<FntGlyph> glyphs; // firstChar, firstChar + 1, ...
};

std::vector<uint8_t> WriteFnt(const FntFont& font);

} // namespace tools
