// Writer of CTF text files: a 63-byte header (packing, unpacked length, 58
// unused bytes) and the text stored or packed with LZW or LZW16.
#pragma once

#include "LzwEncoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

enum class CtfPacking : uint8_t { Stored = 0, Lzw = 1, Lzw16 = 2 };

std::vector<uint8_t> WriteCtf(const std::string& text, CtfPacking packing,
                              const LzwOptions& options = {});

} // namespace tools
