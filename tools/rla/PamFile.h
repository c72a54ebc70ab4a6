// Netpbm PAM pictures (P7) as RGBA: GRAYSCALE, GRAYSCALE_ALPHA, RGB and
// RGB_ALPHA, maxval up to 65535, are read; RGB_ALPHA with maxval 255 is written.
#pragma once

#include "RlaWriter.h"

#include <string>
#include <vector>

namespace rla {

// Empty `error` on success.
tools::RgbaImage ReadPam(const std::vector<uint8_t>& bytes, std::string* error);
std::vector<uint8_t> WritePam(const tools::RgbaImage& image);

} // namespace rla
