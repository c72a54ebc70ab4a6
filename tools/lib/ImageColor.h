// A palette colour as the image writers take it; each format stores it in its
// own byte order.
#pragma once

#include <cstdint>

namespace tools {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

} // namespace tools
