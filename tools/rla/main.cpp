// rla: RLA picture containers of run-length sprites.
//
//   rla pack OUT.rla [-g] IN.pam[@X,Y]...   pictures to frames of group 0;
//                                            each -g starts the next group
//   rla dump IN.rla DIR                      every frame to DIR/gGGG_fFFF.pam
//                                            and the directory to DIR/directory.txt
//
// Dumping reads through the world's own container and sprite code at 5:6:5:
// channels widen as the blitters widen them (green gets its two low bits
// set), transparent pixels have alpha 0 and RGB 0.
#include "CommandLine.h"
#include "PamFile.h"
#include "RlaWriter.h"

#include "RlaStdioStream.h"
#include "RleSprite16.h"
#include "RoomGlobals.h"
#include "TRlaFile.h"
#include "ui/TEngine.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// "name.pam@X,Y" places the sprite; plain "name.pam" places it at (0, 0).
void SplitPlacement(const std::string& arg, std::string* path, int32_t* x, int32_t* y) {
    const size_t at = arg.rfind('@');
    *path = arg;
    *x = *y = 0;
    int32_t px = 0, py = 0;
    if (at != std::string::npos &&
        tools::ParsePoint(arg.substr(at + 1), INT32_MIN, INT32_MAX, &px, &py)) {
        *path = arg.substr(0, at);
        *x = px;
        *y = py;
    }
}

int Pack(int argc, char** argv) {
    tools::RlaWriter writer;
    uint32_t group = 0;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "-g") == 0) {
            ++group;
            continue;
        }
        std::string path, error;
        int32_t x, y;
        SplitPlacement(argv[i], &path, &x, &y);
        std::vector<uint8_t> bytes;
        if (!ReadFile(path, &bytes)) {
            std::fprintf(stderr, "rla: cannot read %s\n", path.c_str());
            return 1;
        }
        const tools::RgbaImage image = rla::ReadPam(bytes, &error);
        if (!error.empty()) {
            std::fprintf(stderr, "rla: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        writer.AddSprite(group, image, x, y);
    }
    if (writer.NudgedPixels())
        std::fprintf(stderr, "rla: %u opaque pixels of the key colour got blue 1\n",
                     writer.NudgedPixels());
    if (!WriteFile(argv[2], writer.Finish())) {
        std::fprintf(stderr, "rla: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

// Widens a 5:6:5 pixel to RGBA.
void Widen(uint16_t p, uint8_t* out) {
    out[0] = static_cast<uint8_t>((p >> 11) << 3);
    out[1] = static_cast<uint8_t>((((p >> 5) & 63) << 2) | 3);
    out[2] = static_cast<uint8_t>((p & 31) << 3);
    out[3] = 255;
}

// Walks the runs, so an opaque pixel of the key colour stays opaque.
tools::RgbaImage SpriteImage(const RleSprite16& sprite) {
    tools::RgbaImage image;
    image.width = sprite.width;
    image.height = sprite.height;
    image.rgba.assign(static_cast<size_t>(sprite.width) * sprite.height * 4, 0);
    for (int32_t row = 0; row < sprite.height; ++row) {
        const uint8_t* run = sprite.RowRuns(row);
        int32_t column = 0;
        for (uint16_t word; (word = LoadWord(run)) != 0;) {
            column += word & 0xFF;
            run += 2;
            for (int32_t i = 0; i < word >> 8; ++i, ++column, run += 2)
                Widen(LoadWord(run),
                      &image.rgba[(static_cast<size_t>(row) * sprite.width + column) * 4]);
        }
    }
    return image;
}

int Dump(const char* in, const std::string& dir) {
    Display555() = 0;
    RlaStdioStream stream;
    TRlaFile container;
    if (!stream.Open(in, "rb") || !container.Open(&stream)) {
        std::fprintf(stderr, "rla: %s is not a readable RLA container\n", in);
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::string listing;
    char line[160];
    for (int32_t g = 0; g < container.GroupCount(); ++g)
        for (int32_t f = 0; f < container.FrameCount(g); ++f) {
            const int32_t offset = container.FrameOffset(g, f);
            RlaFrame* frame = container.GetFrame(g, f);
            auto* sprite = frame && frame->Tag() == RleSprite16::kTag
                               ? static_cast<RleSprite16*>(frame)
                               : nullptr;
            if (!sprite) {
                std::snprintf(line, sizeof line, "%d %d %d null\n", g, f, offset);
                listing += line;
                continue;
            }
            std::snprintf(line, sizeof line, "%d %d %d %d %d %d %d %u\n", g, f, offset,
                          sprite->width, sprite->height, sprite->x, sprite->y, sprite->reserved);
            listing += line;
            std::snprintf(line, sizeof line, "/g%03d_f%03d.pam", g, f);
            if (sprite->width > 0 && sprite->height > 0 &&
                !WriteFile(dir + line, rla::WritePam(SpriteImage(*sprite)))) {
                std::fprintf(stderr, "rla: cannot write %s%s\n", dir.c_str(), line);
                return 1;
            }
        }
    if (!WriteFile(dir + "/directory.txt", std::vector<uint8_t>(listing.begin(), listing.end()))) {
        std::fprintf(stderr, "rla: cannot write %s/directory.txt\n", dir.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services, built first and gone last
    if (argc >= 4 && std::strcmp(argv[1], "pack") == 0) return Pack(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "dump") == 0) return Dump(argv[2], argv[3]);
    std::fprintf(stderr, "usage: rla pack OUT.rla [-g] IN.pam[@X,Y]...\n"
                         "       rla dump IN.rla DIR\n");
    return 2;
}
