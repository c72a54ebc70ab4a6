// The harness's small pixel font: 5 x 7 capitals, digits and the signs its
// forms and file names use, one byte a row (bits 7 to 3). The programs turn
// it into a font file of their own height and spacing.
#pragma once

#include <cstdint>
#include <span>

namespace tools {

struct Glyph5x7 {
    char c;
    uint8_t rows[7];
};

std::span<const Glyph5x7> Glyphs5x7();

} // namespace tools
