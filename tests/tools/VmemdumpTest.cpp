// vmemdump on dumps written here: each depth's pixel as PAM, pitch, offset
// and a palette text; pages past the file's end and malformed arguments
// refused with a reason.
#include "TempDir.h"
#include "ToolProgram.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

std::string Vmemdump() {
    return testsupport::ToolProgram("vmemdump");
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The RGB of pixel (x, y) of a P7 RGB file's text.
std::vector<uint8_t> pamPixel(const std::string& pam, int width, int x, int y) {
    const size_t body = pam.find("ENDHDR\n");
    if (body == std::string::npos) return {};
    const size_t at = body + 7 + (size_t(y) * size_t(width) + size_t(x)) * 3;
    if (at + 3 > pam.size()) return {};
    return {uint8_t(pam[at]), uint8_t(pam[at + 1]), uint8_t(pam[at + 2])};
}

TEST(VmemdumpTool, EveryDepthWithPitchOffsetAndPalette) {
    testsupport::TempDir dir;
    const std::string file = dir.File("video.bin"), palette = dir.File("palette.txt");
    // 16 bytes of offset, then 2 rows of 32 bytes; pixel (1, 1) is what we ask for.
    std::vector<uint8_t> bytes(16 + 64, 0);
    const uint8_t pixel[4] = {0x1F, 0xF8, 0x80, 0x00}; // 5:6:5 red, 5:5:5 ..., BGR(X)
    for (int i = 0; i < 4; ++i)
        bytes[size_t(16 + 32 + 4 + i)] = pixel[i];
    writeFile(file, bytes);
    std::ofstream(palette) << "31 10 20 30\n";
    // Pixel (x, y) of each page laid over the same bytes.
    struct Case {
        const char* args; // WxHxBITS PITCH OFFSET [PALETTE]
        int width, x, y;
        std::vector<uint8_t> rgb;
    };
    const std::string withPalette = " " + palette;
    const Case cases[] = {
        {"4x2x32 32 16", 4, 1, 1, {0x80, 0xF8, 0x1F}}, // XRGB
        {"4x2x24 32 16", 4, 1, 1, {0xF8, 0x1F, 0x00}}, // bytes 51..53: blue, green, red
        {"2x2x16 32 18", 2, 1, 1, {0xFF, 0x00, 0xFF}}, // F81F as 5:6:5
        {"2x2x15 32 18", 2, 1, 1, {0xF7, 0x00, 0xFF}}, // F81F as 5:5:5
        {"1x1x8 1 52", 1, 0, 0, {0x1F, 0x1F, 0x1F}},   // index 31 as a grey
    };
    for (const Case& c : cases) {
        for (const bool paletted : {false, true}) {
            if (paletted && std::string(c.args).find("x8 ") == std::string::npos) continue;
            SCOPED_TRACE(std::string(c.args) + (paletted ? " with a palette" : ""));
            const std::string pam = dir.File("page.pam");
            std::string out;
            ASSERT_EQ(testsupport::RunTool(Vmemdump() + " " + file + " " + c.args +
                                               (paletted ? withPalette : "") + " >" + pam,
                                           &out),
                      0)
                << out;
            const std::string text = testsupport::ReadTextFile(pam);
            EXPECT_EQ(text.rfind("P7\n", 0), 0u);
            const std::vector<uint8_t> want = paletted ? std::vector<uint8_t>{10, 20, 30} : c.rgb;
            EXPECT_EQ(pamPixel(text, c.width, c.x, c.y), want);
        }
    }
}

TEST(VmemdumpTool, RefusesWhatTheFileDoesNotHold) {
    testsupport::TempDir dir;
    const std::string file = dir.File("short.bin"), bad = dir.File("bad.txt");
    writeFile(file, std::vector<uint8_t>(100, 7));
    std::ofstream(bad) << "0 300 0 0\n";
    struct Case {
        std::string args;
        int code;
        const char* says;
    };
    const Case cases[] = {
        {file + " 10x10x8", 0, "P7"},
        {file + " 10x11x8", 1, "the file holds 100"},
        {file + " 10x10x8 10 1", 1, "the file holds 100"},
        {file + " 10x10x8 5", 1, "pitch"},
        {file + " 5x5x12", 1, "bits"},
        {file + " 10x10", 2, "usage"},
        {file + " 10x10x8 abc", 2, "usage"},
        {file + " 2x2x8 2 0 " + bad, 1, "palette line 1"},
        {dir.File("missing.bin") + " 1x1x8", 1, "cannot read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::string out;
        EXPECT_EQ(testsupport::RunTool(Vmemdump() + " " + c.args, &out), c.code) << out;
        EXPECT_NE(out.find(c.says), std::string::npos) << out;
    }
}

} // namespace
