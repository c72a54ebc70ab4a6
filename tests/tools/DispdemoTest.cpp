// Runs dispdemo headless for a number of frames, presses the close button and
// reads the last frame back from the PNG it wrote.
#include <gtest/gtest.h>

#include "TempDir.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// dispdemo is built next to this test: build/tools/dispdemo/dispdemo.
std::string Dispdemo() {
    std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / "dispdemo" / "dispdemo")
        .string();
}

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

struct Image {
    uint32_t width = 0, height = 0, channels = 0;
    std::vector<uint8_t> rows; // each row: filter byte, then the pixels
    const uint8_t* Pixel(uint32_t x, uint32_t y) const {
        return rows.data() + size_t(y) * (1 + width * channels) + 1 + size_t(x) * channels;
    }
};

// Reads a PNG whose image data is stored uncompressed (deflate blocks of
// type 0), as the program writes it; false for anything else.
bool readStoredPng(const std::vector<uint8_t>& file, Image* out) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    if (file.size() < 33 || !std::equal(kSignature, kSignature + 8, file.begin())) return false;
    std::vector<uint8_t> z;
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = be32(file, at);
        const std::string type(file.begin() + long(at + 4), file.begin() + long(at + 8));
        if (at + 12 + length > file.size()) return false;
        if (type == "IHDR") {
            out->width = be32(file, at + 8);
            out->height = be32(file, at + 12);
            const uint8_t colourType = file[at + 17];
            out->channels = colourType == 6 ? 4 : colourType == 2 ? 3 : 0;
        } else if (type == "IDAT") {
            z.insert(z.end(), file.begin() + long(at + 8), file.begin() + long(at + 8 + length));
        }
        at += 12 + length;
    }
    for (size_t at = 2; at + 5 <= z.size();) {
        const bool last = z[at] & 1;
        if ((z[at] >> 1) & 3) return false;
        const size_t n = size_t(z[at + 1]) | size_t(z[at + 2]) << 8;
        at += 5;
        if (at + n > z.size()) return false;
        out->rows.insert(out->rows.end(), z.begin() + long(at), z.begin() + long(at + n));
        at += n;
        if (last) break;
    }
    return out->channels &&
           out->rows.size() == size_t(out->height) * (1 + out->width * out->channels);
}

TEST(DispdemoTool, RunsClosesOnEvent19AndWritesTheLastFrame) {
    testsupport::TempDir dir;
    const std::string png = dir.File("last.png"), log = dir.File("out.txt");
    const std::string command =
        Dispdemo() + " --frames 30 --close --png " + png + " >" + log + " 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_EQ((status >> 8) & 0xFF, 0);
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "event 19\n");
    const std::vector<unsigned char> bytes = testsupport::TempDir::Read(png);
    Image image;
    ASSERT_TRUE(readStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
    EXPECT_EQ(image.width, 800u);
    EXPECT_EQ(image.height, 600u);
    // The red box started at (40, 40) and moved 30 times by (7, 5).
    const uint8_t* red = image.Pixel(260, 200);
    EXPECT_EQ(red[0], 255);
    EXPECT_EQ(red[1], 0);
    EXPECT_EQ(red[2], 0);
    // Where it started, the frame is black again.
    const uint8_t* start = image.Pixel(45, 45);
    EXPECT_EQ(start[0] | start[1] | start[2], 0);
}

// No frame run: the last frame is the black one the window opened with.
TEST(DispdemoTool, ZeroFramesWritesTheOpeningFrame) {
    testsupport::TempDir dir;
    const std::string png = dir.File("first.png");
    const std::string command =
        Dispdemo() + " --frames 0 --close --png " + png + " >/dev/null 2>&1";
    ASSERT_EQ((std::system(command.c_str()) >> 8) & 0xFF, 0);
    const std::vector<unsigned char> bytes = testsupport::TempDir::Read(png);
    Image image;
    ASSERT_TRUE(readStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
    EXPECT_EQ(image.width, 800u);
    const uint8_t* p = image.Pixel(45, 45);
    EXPECT_EQ(p[0] | p[1] | p[2], 0);
}

TEST(DispdemoTool, RefusesUnknownOptions) {
    const int status = std::system((Dispdemo() + " --bogus >/dev/null 2>&1").c_str());
    EXPECT_EQ((status >> 8) & 0xFF, 2);
}

} // namespace
