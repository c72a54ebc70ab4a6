// Runs the picconv program on files made by the writers and checks the PAM
// and palette text it produces.
#include "BmpWriter.h"
#include "IconWriter.h"
#include "JpegFixture.h"
#include "PcxWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace {

// picconv is built next to this test: build/tools/picconv/picconv.
std::string Picconv() {
    std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / "picconv" / "picconv")
        .string();
}

int RunPicconv(const std::string& args, const std::string& log) {
    int status = std::system((Picconv() + " " + args + " 2>" + log).c_str());
    return (status >> 8) & 0xFF;
}

struct Pam {
    int width = 0, height = 0, depth = 0;
    std::string tupleType;
    std::vector<uint8_t> data;
};

bool ParsePam(const std::vector<uint8_t>& bytes, Pam* pam) {
    const std::string text(bytes.begin(), bytes.end());
    const size_t end = text.find("ENDHDR\n");
    if (text.rfind("P7\n", 0) != 0 || end == std::string::npos) return false;
    std::istringstream header(text.substr(3, end - 3));
    std::string key;
    while (header >> key) {
        if (key == "WIDTH")
            header >> pam->width;
        else if (key == "HEIGHT")
            header >> pam->height;
        else if (key == "DEPTH")
            header >> pam->depth;
        else if (key == "TUPLTYPE")
            header >> pam->tupleType;
        else if (key == "MAXVAL")
            header >> key;
    }
    pam->data.assign(bytes.begin() + static_cast<long>(end + 7), bytes.end());
    return pam->data.size() == static_cast<size_t>(pam->width) * pam->height * pam->depth;
}

class PicconvTool : public ::testing::Test {
protected:
    Pam Convert(const std::string& name, const std::vector<uint8_t>& file,
                const std::string& options = "") {
        const std::string in = dir.Write(name, file);
        EXPECT_EQ(RunPicconv(options + " " + in + " " + dir.File("out.pam"), dir.File("log")), 0);
        Pam pam;
        EXPECT_TRUE(ParsePam(testsupport::TempDir::Read(dir.File("out.pam")), &pam));
        return pam;
    }
    std::string PaletteText() {
        std::vector<unsigned char> b = testsupport::TempDir::Read(dir.File("out.pam.txt"));
        return {b.begin(), b.end()};
    }
    testsupport::TempDir dir;
};

TEST_F(PicconvTool, WritesPalettedBmpAsRgbAndItsPalette) {
    tools::BmpImage im;
    im.width = 3;
    im.height = 2;
    im.bitCount = 8;
    im.pixels = {0, 1, 2, 2, 1, 0};
    im.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    Pam pam = Convert("a.bmp", tools::WriteBmp(im));
    EXPECT_EQ(pam.tupleType, "RGB");
    EXPECT_EQ(pam.width, 3);
    EXPECT_EQ(pam.height, 2);
    const std::vector<uint8_t> expect = {10, 20, 30, 40, 50, 60, 70, 80, 90,
                                         70, 80, 90, 40, 50, 60, 10, 20, 30};
    EXPECT_EQ(pam.data, expect);
    EXPECT_EQ(PaletteText().substr(0, 24), "0 10 20 30\n1 40 50 60\n2 ");
}

TEST_F(PicconvTool, WritesDeepBmpThroughItsPixelFormat) {
    tools::BmpImage im;
    im.width = 2;
    im.height = 1;
    im.bitCount = 16;                     // 5:5:5
    im.pixels = {0x00, 0x7C, 0x1F, 0x00}; // pure red, pure blue
    Pam pam = Convert("b.bmp", tools::WriteBmp(im));
    const std::vector<uint8_t> expect = {248, 0, 0, 0, 0, 248};
    EXPECT_EQ(pam.data, expect);
}

TEST_F(PicconvTool, IconsAndCursorsGetAlphaFromTheirMasks) {
    tools::IconImage icon;
    icon.width = 2;
    icon.height = 1;
    icon.bitCount = 1;
    icon.palette = {{0, 0, 0}, {255, 0, 0}};
    icon.pixels = {0x40};  // second pixel red
    icon.andMask = {0x80}; // first pixel transparent
    Pam pam = Convert("i.ico", tools::WriteIco({icon}));
    EXPECT_EQ(pam.tupleType, "RGB_ALPHA");
    const std::vector<uint8_t> expect = {0, 0, 0, 0, 255, 0, 0, 255};
    EXPECT_EQ(pam.data, expect);

    tools::IconImage cursor;
    cursor.bitCount = 1;
    cursor.palette = {{0, 0, 0}, {255, 255, 255}};
    cursor.pixels.assign(128, 0);
    cursor.pixels[0] = 0x80; // top-left white
    cursor.andMask.assign(128, 0xFF);
    cursor.andMask[0] = 0x3F; // two drawn pixels at the top left
    Pam arrow = Convert("c.cur", tools::WriteCur({cursor}));
    EXPECT_EQ(arrow.width, 32);
    EXPECT_EQ(arrow.depth, 4);
    const std::vector<uint8_t> first = {255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(arrow.data.begin(), arrow.data.begin() + 12), first);
}

TEST_F(PicconvTool, PlanarPcxPicturesAreCombined) {
    tools::PcxImage ega; // 4 planes of 1 bit: pixel 0 = index 5, pixel 1 = index 10
    ega.width = 2;
    ega.height = 1;
    ega.bitsPerPlane = 1;
    ega.planes = 4;
    ega.scanlines = {0x80, 0, 0x40, 0, 0x80, 0, 0x40, 0};
    ega.headerPalette.resize(16);
    ega.headerPalette[5] = {1, 2, 3};
    ega.headerPalette[10] = {4, 5, 6};
    Pam pam = Convert("e.pcx", tools::WritePcx(ega));
    EXPECT_EQ(pam.data, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));

    tools::PcxImage rgb;
    rgb.width = 2;
    rgb.height = 1;
    rgb.bitsPerPlane = 8;
    rgb.planes = 3;
    rgb.scanlines = {1, 2, 3, 4, 5, 6};
    Pam pam24 = Convert("r.pcx", tools::WritePcx(rgb));
    EXPECT_EQ(pam24.data, (std::vector<uint8_t>{1, 3, 5, 2, 4, 6}));
}

TEST_F(PicconvTool, ReportsTheLibrarysErrorText) {
    std::vector<uint8_t> bad = tools::WriteBmp(tools::BmpImage{1, 1, 24, {1, 2, 3}, {}});
    bad[0] = 'X';
    const std::string in = dir.Write("bad.bmp", bad);
    EXPECT_EQ(RunPicconv(in + " " + dir.File("o.pam"), dir.File("log")), 1);
    std::vector<unsigned char> log = testsupport::TempDir::Read(dir.File("log"));
    EXPECT_NE(std::string(log.begin(), log.end()).find("Invalid bitmap file"), std::string::npos);
    EXPECT_EQ(RunPicconv(dir.File("none.pcx") + " " + dir.File("o.pam"), dir.File("log")), 1);
    EXPECT_EQ(RunPicconv("", dir.File("log")), 2);
}

// The reader takes a cut JPEG as ending early and delivers a picture; the
// program writes it but fails, saying the file is truncated. A whole file,
// progressive or not, and one with bytes after its end convert as before.
TEST_F(PicconvTool, ATruncatedJpegIsAFailure) {
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive);
        std::vector<uint8_t> whole = testsupport::EncodeJpeg(160, 96, 3, JCS_RGB, progressive);
        // Cut inside the last scan's data, which the reader takes as ending.
        const std::vector<uint8_t> cut(whole.begin(), whole.end() - 40);
        EXPECT_EQ(Convert("whole.jpg", whole).width, 160);
        whole.insert(whole.end(), {0, 0, 0, 0});
        EXPECT_EQ(Convert("padded.jpg", whole).width, 160);
        const std::string in = dir.Write("cut.jpg", cut);
        EXPECT_EQ(RunPicconv(in + " " + dir.File("cut.pam"), dir.File("log")), 1);
        const std::vector<unsigned char> log = testsupport::TempDir::Read(dir.File("log"));
        EXPECT_NE(std::string(log.begin(), log.end()).find("cut.jpg: truncated"),
                  std::string::npos);
        Pam pam;
        EXPECT_TRUE(ParsePam(testsupport::TempDir::Read(dir.File("cut.pam")), &pam));
        EXPECT_EQ(pam.width, 160); // what the engine would show is still written
    }
}

} // namespace
