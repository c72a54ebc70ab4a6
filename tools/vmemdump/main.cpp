// vmemdump FILE WxHxBITS [PITCH] [OFFSET] [PALETTE]: writes a page of a saved
// video-memory file (the VESA back ends' safe-mode file, or any dump of video
// memory) to standard output as PAM: rows PITCH bytes apart (default: the
// width's bytes) from byte OFFSET; 8-bit pixels through PALETTE ("index red
// green blue" lines, as albconv palette writes them) or as greys.
#include "CommandLine.h"
#include "VideoMemoryPage.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

bool readFile(const char* path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool parseSize(const std::string& text, tools::VideoPageLayout* l) {
    const size_t x1 = text.find('x'), x2 = text.find('x', x1 == std::string::npos ? 0 : x1 + 1);
    if (x1 == std::string::npos || x2 == std::string::npos) return false;
    return tools::ParseNumber(text.substr(0, x1), 1, 16384, &l->width) &&
           tools::ParseNumber(text.substr(x1 + 1, x2 - x1 - 1), 1, 16384, &l->height) &&
           tools::ParseNumber(text.substr(x2 + 1), 1, 32, &l->bits);
}

int usage() {
    std::fprintf(stderr, "usage: vmemdump FILE WxHxBITS [PITCH] [OFFSET] [PALETTE] > PAGE.pam\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    tools::VideoPageLayout layout;
    if (argc < 3 || argc > 6) return usage();
    if (!parseSize(argv[2], &layout)) {
        tools::RefuseValue("vmemdump", "the page size", "WIDTHxHEIGHTxBITS (e.g. 640x480x8)",
                           argv[2]);
        return usage();
    }
    if (argc > 3 && !tools::ParseOptionNumber("vmemdump", "PITCH", argv[3], int64_t(1),
                                              int64_t(1) << 30, &layout.pitch))
        return usage();
    if (argc > 4 && !tools::ParseOptionNumber("vmemdump", "OFFSET", argv[4], int64_t(0),
                                              int64_t(1) << 40, &layout.offset))
        return usage();
    std::string bytes, error;
    if (!readFile(argv[1], &bytes)) {
        std::fprintf(stderr, "vmemdump: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<GdlPaletteEntry> palette;
    if (argc > 5) {
        std::string text;
        if (!readFile(argv[5], &text) || !tools::ReadPaletteText(text, &palette, &error)) {
            std::fprintf(stderr, "vmemdump: %s: %s\n", argv[5],
                         error.empty() ? "cannot read it" : error.c_str());
            return 1;
        }
    }
    tools::RgbPicture picture;
    const std::vector<uint8_t> memory(bytes.begin(), bytes.end());
    if (!tools::VideoMemoryPage(memory, layout, palette, &picture, &error)) {
        std::fprintf(stderr, "vmemdump: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    const std::vector<uint8_t> pam = tools::WritePam(picture);
    return std::fwrite(pam.data(), 1, pam.size(), stdout) == pam.size() ? 0 : 1;
}
