// Runs dispdemo headless for a number of frames, presses the close button and
// reads the last frame back from the PNG it wrote.
#include <gtest/gtest.h>

#include "StoredPng.h"
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
    testsupport::PngImage image;
    ASSERT_TRUE(
        testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
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
    testsupport::PngImage image;
    ASSERT_TRUE(
        testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
    EXPECT_EQ(image.width, 800u);
    const uint8_t* p = image.Pixel(45, 45);
    EXPECT_EQ(p[0] | p[1] | p[2], 0);
}

TEST(DispdemoTool, RefusesUnknownOptions) {
    const int status = std::system((Dispdemo() + " --bogus >/dev/null 2>&1").c_str());
    EXPECT_EQ((status >> 8) & 0xFF, 2);
}

} // namespace

namespace {

// Full screen on the simulated adapter: the drivers it chose, and the scene
// as the adapter showed it in the last frame.
TEST(DispdemoTool, DrawsTheSceneFullScreenThroughDirectDraw) {
    testsupport::TempDir dir;
    const std::string png = dir.File("ddraw.png"), log = dir.File("out.txt");
    const std::string command = "env -u ADV_ADAPTER " + Dispdemo() +
                                " --driver ddraw --mode 640x480x16 --pages 2 --frames 4 --png " +
                                png + " >" + log + " 2>&1";
    ASSERT_EQ((std::system(command.c_str()) >> 8) & 0xFF, 0);
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("driver DDRAW16.DRV type 7 (Accelerated DirectDraw) mode 49 "
                              "640 x 480 SVGA 64k color pages 2 access 0x1c82"),
              std::string::npos)
        << text.str();
    const std::vector<unsigned char> bytes = testsupport::TempDir::Read(png);
    testsupport::PngImage image;
    ASSERT_TRUE(
        testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
    EXPECT_EQ(image.width, 640u);
    EXPECT_EQ(image.height, 480u);
    const uint8_t* filled = image.Pixel(12, 132); // the first solid fill, blue 200 as 5:6:5
    EXPECT_EQ(filled[2], 206);
}

// Full screen through a display-settings change: a 16-bit mode is offered as
// 15 and shown on the adapter's 5:6:5 setting; the scene reaches the window
// by blits from the display's memory context.
TEST(DispdemoTool, DrawsTheSceneFullScreenThroughTheDibDrivers) {
    testsupport::TempDir dir;
    const std::string png = dir.File("fdib.png"), log = dir.File("out.txt");
    const std::string command = "env -u ADV_ADAPTER " + Dispdemo() +
                                " --driver fdib --mode 800x600x16 --frames 4 --png " + png + " >" +
                                log + " 2>&1";
    ASSERT_EQ((std::system(command.c_str()) >> 8) & 0xFF, 0);
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("driver FDIB16.DRV type 2 (Fullscreen DIBSection) mode 35 800 x 600"),
              std::string::npos)
        << text.str();
    const std::vector<unsigned char> bytes = testsupport::TempDir::Read(png);
    testsupport::PngImage image;
    ASSERT_TRUE(
        testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
    EXPECT_EQ(image.width, 800u);
    EXPECT_EQ(image.height, 600u);
    const uint8_t* filled = image.Pixel(12, 132);
    EXPECT_EQ(filled[2], 206);
}

// The VESA BIOS's linear framebuffer, real or the support library's virtual
// one: the driver, its bank switches (none), and the scene as shown.
TEST(DispdemoTool, DrawsTheSceneThroughTheLinearVesaDrivers) {
    struct Case {
        const char* adapter; // null: the default
        const char* mode;
        const char* line;
        unsigned width;
    };
    const Case cases[] = {
        {nullptr, "800x600x16",
         "driver LINEAR16.DRV type 3 (VESA VBE SuperVGA) mode 50 800 x 600 SVGA 64k color pages 2 "
         "access 0x2",
         800},
        {"vbe20-vlf", "640x480x32",
         "driver LINEAR32.DRV type 3 (VESA VBE SuperVGA) mode 79 640 x 480 SVGA 4G color pages 1",
         640},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        testsupport::TempDir dir;
        const std::string png = dir.File("vbe.png"), log = dir.File("out.txt");
        const std::string env =
            c.adapter ? std::string("env ADV_ADAPTER=") + c.adapter + " " : "env -u ADV_ADAPTER ";
        const std::string command = env + Dispdemo() + " --driver linear --mode " + c.mode +
                                    " --pages 2 --frames 4 --png " + png + " >" + log + " 2>&1";
        ASSERT_EQ((std::system(command.c_str()) >> 8) & 0xFF, 0);
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_NE(text.str().find(c.line), std::string::npos) << text.str();
        EXPECT_NE(text.str().find("bank switches per frame 0.0"), std::string::npos);
        const std::vector<unsigned char> bytes = testsupport::TempDir::Read(png);
        testsupport::PngImage image;
        ASSERT_TRUE(
            testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
        EXPECT_EQ(image.width, c.width);
        const uint8_t* filled = image.Pixel(12, 132);
        EXPECT_GE(filled[2], 200);
    }
}

// OpenGL on the library alone: the scene's 1-bit image drawn by Mesa.
TEST(DispdemoTool, DrawsImagesThroughOpenGl) {
    testsupport::TempDir dir;
    const std::string png = dir.File("gl.png"), log = dir.File("out.txt");
    const std::string command = "env -u ADV_ADAPTER " + Dispdemo() +
                                " --driver opengl --mode 640x480x32 --frames 3 --png " + png +
                                " >" + log + " 2>&1";
    const int status = (std::system(command.c_str()) >> 8) & 0xFF;
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    if (status == 1 && text.str().find("no Mesa") != std::string::npos) GTEST_SKIP() << "no Mesa";
    ASSERT_EQ(status, 0) << text.str();
    EXPECT_NE(text.str().find("driver OPENGL.DRV type 9 (Hardware OpenGL (Microsoft ICD/MCD)) "
                              "mode 79 640 x 480 SVGA 4G color"),
              std::string::npos)
        << text.str();
    const std::vector<unsigned char> bytes = testsupport::TempDir::Read(png);
    testsupport::PngImage image;
    ASSERT_TRUE(
        testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
    EXPECT_EQ(image.width, 640u);
    const uint8_t* lit = image.Pixel(400, 10); // the image's top row, in yellow
    EXPECT_EQ(lit[0], 255);
    EXPECT_EQ(lit[2], 0);
}

// The VGA drivers, each mode headless: the driver line and a picture that
// is not blank.
TEST(DispdemoTool, DrawsTheSceneOnTheVgaModes) {
    struct Case {
        const char* args;
        const char* line;
        unsigned width, height;
    };
    const Case cases[] = {
        {"--driver vga --mode 320x200x8", "driver VGA8.DRV type 1 (VGA) mode 6 ", 320, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        testsupport::TempDir dir;
        const std::string png = dir.File("vga.png"), log = dir.File("out.txt");
        const std::string command = "env -u ADV_ADAPTER " + Dispdemo() + " " + c.args +
                                    " --frames 4 --png " + png + " >" + log + " 2>&1";
        ASSERT_EQ((std::system(command.c_str()) >> 8) & 0xFF, 0);
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_NE(text.str().find(c.line), std::string::npos) << text.str();
        const std::vector<unsigned char> bytes = testsupport::TempDir::Read(png);
        testsupport::PngImage image;
        ASSERT_TRUE(
            testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        int lit = 0;
        for (unsigned y = 0; y < image.height; ++y)
            for (unsigned x = 0; x < image.width; ++x)
                lit += image.Pixel(x, y)[0] | image.Pixel(x, y)[1] | image.Pixel(x, y)[2] ? 1 : 0;
        EXPECT_GT(lit, 1000);
    }
}

TEST(DispdemoTool, RefusesAnUnknownDriverOrMode) {
    for (const char* args : {"--driver cga", "--driver ddraw --mode 640x480", "--pages 3"}) {
        const std::string command = Dispdemo() + " " + args + " >/dev/null 2>&1";
        EXPECT_EQ((std::system(command.c_str()) >> 8) & 0xFF, 2) << args;
    }
}

} // namespace
