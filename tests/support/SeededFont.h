// A small bitmap font for tests: a proportional font of a few glyphs ('A'
// to 'F', one and two bytes wide, of seeded bits); missing characters take
// character 0's glyph, which is 'A''s.
#pragma once

#include "gdl/font.h"

#include <cstdint>
#include <random>
#include <vector>

namespace testsupport {

struct SeededFont {
    GdlFont font{};
    std::vector<uint8_t> data;
    SeededFont() {
        std::mt19937 bits(3);
        for (auto& o : font.glyphOffset)
            o = 0xFFFF;
        font.fontType = 3;
        font.fontHeight = 11;
        font.ascent = 9;
        font.descent = -2;
        for (int c = 'A'; c <= 'F'; ++c) {
            const int bytes = c % 2 ? 1 : 2;
            font.glyphOffset[c] = uint16_t(data.size());
            font.bitWidth[c] = uint8_t(8 * bytes);
            font.charWidth[c] = uint8_t(5 * bytes + c % 3);
            for (int i = 0; i < 11 * bytes; ++i)
                data.push_back(uint8_t(bits()));
        }
        font.glyphOffset[0] = font.glyphOffset[uint8_t('A')];
        font.maxWidth = 16;
        font.glyphData = data.data();
        font.glyphBytes = uint32_t(data.size());
    }
};

} // namespace testsupport
