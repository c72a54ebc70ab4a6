// A page of saved video memory as RGB pixels: rows `pitch` bytes apart from
// `offset`, pixels of 8 bits (through a palette, or greys without one), 15
// (5:5:5), 16 (5:6:5), 24 (blue, green, red bytes) or 32 bits (XRGB). The
// file is only read where the page lies; a page that runs past its end is
// refused with the reason.
#pragma once

#include "PictureRgb.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tools {

struct VideoPageLayout {
    int32_t width = 0, height = 0, bits = 0;
    int64_t pitch = 0; // 0: width x bytes a pixel
    int64_t offset = 0;
};

bool VideoMemoryPage(const std::vector<uint8_t>& memory, const VideoPageLayout& layout,
                     const std::vector<GdlPaletteEntry>& palette, RgbPicture* out,
                     std::string* error);
// "index red green blue" lines (albconv palette's form) into 256 entries.
bool ReadPaletteText(const std::string& text, std::vector<GdlPaletteEntry>* out,
                     std::string* error);

} // namespace tools
