#include "Manifest.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace demo {

uint64_t Fnv1a64(const std::vector<uint8_t>& bytes) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001B3ull;
    }
    return h;
}

bool WriteManifest(const std::string& root, std::vector<std::string> files,
                   const std::string& target, std::string* error) {
    std::sort(files.begin(), files.end());
    std::string text;
    for (const std::string& f : files) {
        std::ifstream in(root + "/" + f, std::ios::binary);
        if (!in) {
            *error = "cannot read " + root + "/" + f;
            return false;
        }
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        char line[64];
        std::snprintf(line, sizeof line, " %zu %016" PRIx64 "\n", bytes.size(), Fnv1a64(bytes));
        text += f + line;
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out.write(text.data(), std::streamsize(text.size()))) {
        *error = "cannot write " + target;
        return false;
    }
    return true;
}

} // namespace demo
