// Runs resview headless on resources made by the writers: every shown key is
// printed with its place, and the PNG it writes has the picture, the album's
// frames, the font's line and the cursor there, with and without the cursor
// thread.
#include "AlbumWriter.h"
#include "BmpWriter.h"
#include "FntWriter.h"
#include "StoredPng.h"
#include "TempDir.h"
#include "ToolProgram.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRed = 0xFF0000, kYellow = 0xFFFF00, kWhite = 0xFFFFFF;

std::vector<uint8_t> SolidBmp(int32_t w, int32_t h, uint32_t rgb, bool keyCorner) {
    tools::BmpImage image;
    image.width = w;
    image.height = h;
    image.bitCount = 24;
    for (int32_t i = 0; i < w * h; ++i) {
        const uint32_t c = keyCorner && i == 0 ? 0x00FF00 : rgb;
        image.pixels.insert(image.pixels.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
    }
    return tools::WriteBmp(image);
}

// An album of two entries: 4 x 2 frames in palette colours 1 and 2, then one
// 8 x 3 frame in colour 3.
std::vector<uint8_t> Album() {
    tools::AlbumPlan plan;
    plan.packing = tools::kAlbumRunLength;
    plan.palette = {0, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0, 255};
    plan.entries = {{4, 2, {std::vector<uint8_t>(8, 1), std::vector<uint8_t>(8, 2)}, 0},
                    {8, 3, {std::vector<uint8_t>(24, 3)}, 0}};
    return tools::WriteAlbum(plan, nullptr);
}

// Every glyph lights its first column.
std::vector<uint8_t> ColumnFont() {
    tools::FntFont f;
    f.faceName = "Columns";
    f.pixHeight = 8;
    f.ascent = 7;
    for (int c = 32; c < 128; ++c)
        f.glyphs.push_back({5, std::vector<uint8_t>(8, 0x80)});
    return tools::WriteFnt(f);
}

class ResviewTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("data/pics/solid.bmp", SolidBmp(10, 6, kRed, false));
        dir.Write("data/pics/strip.ALB", Album());
        dir.Write("data/fonts/cols.fnt", ColumnFont());
        dir.Write("data/cursors/arrow.bmp", SolidBmp(4, 4, kYellow, true));
        ini = dir.Write("resource.ini", "[Main]\r\nPath=data\r\n[Pictures]\r\n"
                                        "solid=pics\\solid.bmp\r\nstrip=pics\\strip.ALB\r\n"
                                        "lost=pics\\lost.bmp\r\n[Fonts]\r\n"
                                        "cols=fonts\\cols.fnt\r\n[Cursors]\r\n"
                                        "arrow=cursors\\arrow.bmp\r\n");
    }
    // Runs resview; its exit code, and its output and frame in the fields.
    int Run(const std::string& args) {
        const std::string png = dir.File("frame.png"), out = dir.File("out.txt");
        std::remove(png.c_str());
        const std::string command = testsupport::ToolProgram("resview") + " --png " + png + " " +
                                    args + " >" + out + " 2>" + dir.File("err.txt");
        const int status = std::system(command.c_str());
        output = testsupport::ReadTextFile(out);
        errors = testsupport::ReadTextFile(dir.File("err.txt"));
        const std::vector<unsigned char> bytes = testsupport::TempDir::Read(png);
        frame = testsupport::PngImage{};
        pngRead =
            testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &frame);
        return (status >> 8) & 0xFF;
    }
    // The place printed for a shown thing ("album strip entry 0 frame 1").
    std::pair<uint32_t, uint32_t> PlaceOf(const std::string& what) {
        const size_t line = output.find(what + " ");
        if (line == std::string::npos) return {0, 0};
        const size_t at = output.find(" at ", line);
        unsigned x = 0, y = 0;
        std::sscanf(output.c_str() + at, " at %u,%u", &x, &y);
        return {x, y};
    }

    testsupport::TempDir dir;
    std::string ini, output, errors;
    testsupport::PngImage frame;
    bool pngRead = false;
};

TEST_F(ResviewTool, ShowsPicturesAlbumFramesAFontAndTheCursor) {
    for (const char* mt : {"", "--mt "}) {
        SCOPED_TRACE(mt);
        ASSERT_EQ(Run(std::string(mt) + "--text WW " + ini + " solid strip cols arrow"), 0)
            << errors;
        EXPECT_EQ(output, "picture solid 10x6 at 8,8\n"
                          "album strip entry 0 frame 0 4x2 at 26,8\n"
                          "album strip entry 0 frame 1 4x2 at 38,8\n"
                          "album strip entry 1 frame 0 8x3 at 50,8\n"
                          "font cols kind 1 height 9 at 66,8\n"
                          "cursor arrow type 2 4x4 hot spot 0,0\n");
        ASSERT_TRUE(pngRead);
        ASSERT_EQ(frame.width, 640u);
        const uint32_t background = frame.Rgb(600, 400);
        const struct {
            uint32_t x, y, rgb;
        } pixels[] = {
            {8, 8, kRed},           {17, 13, kRed},      {18, 8, background}, // the picture
            {26, 8, 0x0000FF},      {38, 9, 0x00FFFF},   {57, 10, 0xFF00FF},  // album frames
            {57, 11, background},   {66, 10, kWhite},    {67, 10, background},
            {71, 10, kWhite},                                                 // two columns
            {320, 240, background}, {321, 240, kYellow}, {323, 243, kYellow}, // the cursor
            {324, 240, background},
        };
        for (const auto& p : pixels)
            EXPECT_EQ(frame.Rgb(p.x, p.y), p.rgb) << p.x << "," << p.y;
    }
}

TEST_F(ResviewTool, OneEntryOrFrameOfAnAlbum) {
    ASSERT_EQ(Run(ini + " strip:1 strip:0:1"), 0) << errors;
    EXPECT_EQ(output, "album strip entry 1 frame 0 8x3 at 8,8\n"
                      "album strip entry 0 frame 1 4x2 at 24,8\n");
    EXPECT_EQ(frame.Rgb(24, 8), 0x00FFFFu);
}

TEST_F(ResviewTool, KeysNotShownAreReportedAndTheRestStillShows) {
    const struct {
        const char* key;
        const char* error;
    } cases[] = {{"nowhere", "nowhere is no key of Pictures, Fonts or Cursors"},
                 {"lost", "lost not shown"},
                 {"strip:9", "strip:9 not shown"},
                 {"strip:x", "strip:x: ENTRY and FRAME are whole numbers from 0"},
                 {"strip:0:1x", "strip:0:1x: ENTRY and FRAME"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(Run(ini + " " + c.key + " solid"), 1);
        EXPECT_NE(errors.find(c.error), std::string::npos) << errors;
        EXPECT_NE(output.find("picture solid 10x6 at 8,8"), std::string::npos);
        ASSERT_TRUE(pngRead);
        EXPECT_EQ(frame.Rgb(8, 8), kRed);
    }
    // The engine's own report of the missing file.
    Run(ini + " lost");
    EXPECT_NE(errors.find("lost.bmp"), std::string::npos) << errors;
}

// The design's texts name only the kind of file; the reader's reason stands
// beside them, each report once, its path written with slashes.
TEST_F(ResviewTool, ReportsTheReadersReasonOnceWithThePathAsWritten) {
    dir.Write("data/cursors/junk.cur", std::string("no cursor at all"));
    dir.Write("data/pics/junk.bmp", std::string("no picture at all"));
    ini = dir.Write("junk.ini", "[Main]\r\nPath=data\r\n[Pictures]\r\njunkpic=pics\\junk.bmp\r\n"
                                "lostpic=pics\\lost.bmp\r\n[Cursors]\r\n"
                                "junkcur=cursors\\junk.cur\r\n");
    const struct {
        const char* key;
        std::string report;
    } cases[] = {
        {"junkcur", "error 18: That cursor file cannot be found. (" +
                        dir.File("data/cursors/junk.cur") + "): Invalid cursor file\n"},
        {"junkpic", "error 38: That BMP image cannot be found. (" + dir.File("data/pics/junk.bmp") +
                        "): Invalid bitmap file\n"},
        {"lostpic", "error 38: That BMP image cannot be found. (" + dir.File("data/pics/lost.bmp") +
                        "): Bitmap file was not found\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(Run(ini + " " + c.key), 1);
        EXPECT_EQ(errors, c.report + "resview: " + c.key + " not shown\n");
    }
}

TEST_F(ResviewTool, RefusesBadArguments) {
    for (const char* args : {"", "--bogus x y", "only.ini"}) {
        const int status = std::system(
            (testsupport::ToolProgram("resview") + " " + args + " >/dev/null 2>&1").c_str());
        EXPECT_EQ((status >> 8) & 0xFF, 2) << args;
    }
}

} // namespace
