// Font records for the text tests, built in memory the way the font readers
// leave them: fields, glyph offsets into one data block, 0xFFFF for missing
// characters; bitmap glyphs as rows of whole bytes, stroke lists as
// little-endian 16-bit words.
#pragma once

#include <cstdint>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "gdl/defaultdraw.h"
#include "gdl/font.h"

struct TestFont {
    GdlFont font{};
    std::vector<uint8_t> data;

    TestFont() {
        for (auto& o : font.glyphOffset)
            o = 0xFFFF;
    }
    TestFont(const TestFont&) = delete;
    TestFont& operator=(const TestFont&) = delete;

    // A bitmap glyph: rows of (bitWidth + 7) / 8 bytes, fontHeight of them.
    void addBitmap(uint8_t c, int bitWidth, int advance, const std::vector<uint8_t>& rows) {
        font.glyphOffset[c] = uint16_t(data.size());
        font.bitWidth[c] = uint8_t(bitWidth);
        font.charWidth[c] = uint8_t(advance);
        data.insert(data.end(), rows.begin(), rows.end());
        finish();
    }
    // A stroke list: (x, y, move only) points, ended by a zero word.
    void addStrokes(uint8_t c, int advance, const std::vector<uint16_t>& words) {
        font.glyphOffset[c] = uint16_t(data.size());
        font.charWidth[c] = uint8_t(advance);
        for (uint16_t w : words) {
            data.push_back(uint8_t(w));
            data.push_back(uint8_t(w >> 8));
        }
        data.push_back(0);
        data.push_back(0);
        finish();
    }
    void finish() {
        font.glyphData = data.data();
        font.glyphBytes = uint32_t(data.size());
    }
};

// A proportional (or fixed) bitmap font of height 5, ascent 4 (descent -1):
// rows 0-3 above the base line, row 4 below. 'L' is an L; '0' (the stand-in
// for missing characters) a dot at its top-left; ' ' has no bits.
inline void makeBitmapFont(TestFont& f, int16_t type) {
    f.font.fontType = type;
    f.font.fontHeight = 5;
    f.font.ascent = 4;
    f.font.descent = -1;
    f.font.leading = 1;
    f.font.maxWidth = 6;
    f.font.cellWidth = 7;
    f.font.lastMetric = 0;
    f.addBitmap('L', 8, 6, {0x80, 0x80, 0x80, 0xF0, 0x40});
    f.addBitmap(0, 8, 3, {0x80, 0x00, 0x00, 0x00, 0x00});
    f.addBitmap(' ', 0, 4, {});
}

using Pixels = std::set<std::pair<int, int>>;

// Set bits of a bitmap glyph as (column, row).
inline Pixels glyphBits(const TestFont& f, uint8_t c) {
    Pixels out;
    int bpr = (f.font.bitWidth[c] + 7) / 8;
    const uint8_t* g = f.data.data() + f.font.glyphOffset[c];
    for (int r = 0; r < f.font.fontHeight; ++r)
        for (int x = 0; x < bpr * 8; ++x)
            if (g[r * bpr + x / 8] & (0x80 >> (x % 8))) out.insert({x, r});
    return out;
}
