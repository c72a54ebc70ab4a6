// savdump: prints a save game as canonical text, one field a line (the
// version, every dialog with its state, statements and phrases, the
// inventory's slots, the scripts' block in hex, the night-vision flag). A
// file that does not hold together is printed as far as it goes, followed by
// the offset where it breaks and what was expected there.
//
//   savdump FILE
//
// Exit code 0 for a sound file, 1 for a damaged one or another version, 2
// when the file cannot be read.
#include "SaveGameLayout.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// At most one byte more than a save game may hold: enough to tell it is
// too large.
bool ReadAll(const char* path, std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    bytes.resize(SaveGameLayout::kMaxSize + 1);
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    bytes.resize(got);
    return !failed;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: savdump FILE\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    if (!ReadAll(argv[1], bytes)) {
        std::fprintf(stderr, "savdump: cannot read %s\n", argv[1]);
        return 2;
    }
    std::string text;
    const SaveGameLayout layout = SaveGameLayout::Examine(bytes.data(), bytes.size(), &text);
    std::fputs(text.c_str(), stdout);
    if (layout.status == SaveGameLayout::Status::Ok) return 0;
    std::printf("damaged at offset %zu: expected %s\n", layout.damageAt, layout.problem.c_str());
    return 1;
}
