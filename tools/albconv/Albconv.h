// Shared pieces of albconv's commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace albconv {

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb; // R, G, B per pixel, rows top first
};

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes);
bool WriteFile(const std::string& path, const std::string& bytes);
std::string PamText(const Image& image);
// A PAM of tuple type RGB (or GRAYSCALE, widened); false with `error` set.
bool ParsePam(const std::vector<uint8_t>& bytes, Image* image, std::string* error);

// albconv pack OUT [-b BITS] [-p stored|lzw|skip|rle] [-g GLYPHS] ENTRY...
int Pack(const std::vector<std::string>& args);

} // namespace albconv
