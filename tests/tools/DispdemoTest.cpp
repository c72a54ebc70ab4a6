// Runs dispdemo headless for a number of frames and reads the last frame back
// from the PNG it wrote: windowed (closed by its close button), and full
// screen through each driver family on the simulated adapter.
#include <gtest/gtest.h>

#include "StoredPng.h"
#include "TempDir.h"

#include <cstdint>
#include <cstdio>
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

// One run: its exit status, what it printed, and the PNG it wrote (when it
// was asked for one and could be read).
struct ToolRun {
    int status = -1;
    std::string text;
    bool png = false;
    testsupport::PngImage image;

    const uint8_t* At(unsigned x, unsigned y) const { return image.Pixel(x, y); }
};

// Runs the tool with `args` on `adapter`, or on the one it would choose by
// itself (the environment's choice dropped), the last frame to a PNG when `withPng`.
ToolRun RunDispdemo(const std::string& args, bool withPng = true, const char* adapter = nullptr) {
    testsupport::TempDir dir;
    const std::string png = dir.File("last.png"), log = dir.File("out.txt");
    const std::string env =
        adapter ? std::string("env ADV_ADAPTER=") + adapter + " " : "env -u ADV_ADAPTER ";
    const std::string command = env + Dispdemo() + " " + args +
                                (withPng ? " --png " + png : std::string()) + " >" + log + " 2>&1";
    ToolRun run;
    run.status = (std::system(command.c_str()) >> 8) & 0xFF;
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    run.text = text.str();
    if (withPng && std::filesystem::exists(png)) {
        const std::vector<unsigned char> bytes = testsupport::TempDir::Read(png);
        run.png = testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()),
                                             &run.image);
    }
    return run;
}

TEST(DispdemoTool, RunsClosesOnEvent19AndWritesTheLastFrame) {
    const ToolRun run = RunDispdemo("--frames 30 --close");
    ASSERT_EQ(run.status, 0) << run.text;
    EXPECT_EQ(run.text, "event 19\n");
    ASSERT_TRUE(run.png);
    EXPECT_EQ(run.image.width, 800u);
    EXPECT_EQ(run.image.height, 600u);
    // The red box started at (40, 40) and moved 30 times by (7, 5).
    const uint8_t* red = run.At(260, 200);
    EXPECT_EQ(red[0], 255);
    EXPECT_EQ(red[1], 0);
    EXPECT_EQ(red[2], 0);
    // Where it started, the frame is black again.
    const uint8_t* start = run.At(45, 45);
    EXPECT_EQ(start[0] | start[1] | start[2], 0);
}

// No frame run: the last frame is the black one the window opened with.
TEST(DispdemoTool, ZeroFramesWritesTheOpeningFrame) {
    const ToolRun run = RunDispdemo("--frames 0 --close");
    ASSERT_EQ(run.status, 0) << run.text;
    ASSERT_TRUE(run.png);
    EXPECT_EQ(run.image.width, 800u);
    const uint8_t* p = run.At(45, 45);
    EXPECT_EQ(p[0] | p[1] | p[2], 0);
}

// Full screen on the simulated adapter: the driver line it printed, the
// frame's size, and the scene as the adapter showed it in the last frame.
TEST(DispdemoTool, DrawsTheSceneThroughEachDriver) {
    // One channel of one pixel of the last frame.
    struct Probe {
        unsigned x, y;
        int channel, value;
    };
    struct Case {
        const char* args;
        const char* line;
        unsigned width, height;
        std::vector<Probe> probes;
        int lit = 0; // at least so many non-black pixels
        bool mesa = false;
    };
    const Case cases[] = {
        // The first solid fill, blue 200 as 5:6:5.
        {"--driver ddraw --mode 640x480x16 --pages 2 --frames 4",
         "driver DDRAW16.DRV type 7 (Accelerated DirectDraw) mode 49 640 x 480 SVGA 64k color "
         "pages 2 access 0x1c82",
         640,
         480,
         {{12, 132, 2, 206}}},
        // The accelerator draws the scene; the library's cursor is its
        // hardware cursor, white (5:6:5 split into 8-bit channels) at the tip's row.
        {"--driver accel --mode 1024x768x16 --frames 3",
         "driver ACCEL16.DRV type 5 (Accelerated SuperVGA) mode 51 1024 x 768 SVGA 64k color",
         1024,
         768,
         {{12, 132, 2, 206}, {27, 390, 0, 248}, {40, 390, 0, 0}}},
        // Through a display-settings change: a 16-bit mode is offered as 15
        // and shown on the adapter's 5:6:5 setting, blitted from the
        // display's memory context.
        {"--driver fdib --mode 800x600x16 --frames 4",
         "driver FDIB16.DRV type 2 (Fullscreen DIBSection) mode 35 800 x 600",
         800,
         600,
         {{12, 132, 2, 206}}},
        // On the library alone: the scene's 1-bit image drawn by Mesa, its
        // top row in yellow.
        {"--driver opengl --mode 640x480x32 --frames 3",
         "driver OPENGL.DRV type 9 (Hardware OpenGL (Microsoft ICD/MCD)) mode 79 640 x 480 SVGA "
         "4G color",
         640,
         480,
         {{400, 10, 0, 255}, {400, 10, 2, 0}},
         0,
         true},
        // The VGA drivers, each mode: the driver line and a picture that is
        // not blank.
        {"--driver vga --mode 320x200x8 --frames 4",
         "driver VGA8.DRV type 1 (VGA) mode 6 ",
         320,
         200,
         {},
         1000},
        {"--driver vgax --mode 320x200x8 --frames 4",
         "driver VGAX.DRV type 1 (VGA) mode 7 ",
         320,
         200,
         {},
         1000},
        {"--driver vgax --mode 320x240x8 --frames 4",
         "driver VGAX.DRV type 1 (VGA) mode 8 ",
         320,
         240,
         {},
         1000},
        {"--driver vgax --mode 320x400x8 --frames 4",
         "driver VGAX.DRV type 1 (VGA) mode 9 ",
         320,
         400,
         {},
         1000},
        {"--driver vgax --mode 320x480x8 --frames 4",
         "driver VGAX.DRV type 1 (VGA) mode 10 ",
         320,
         480,
         {},
         1000},
        {"--driver vga4 --mode 320x200x4 --frames 4",
         "driver VGA4.DRV type 1 (VGA) mode 0 ",
         320,
         200,
         {},
         1000},
        {"--driver vga4 --mode 640x200x4 --frames 4",
         "driver VGA4.DRV type 1 (VGA) mode 1 ",
         640,
         200,
         {},
         1000},
        {"--driver vga --mode 640x350x4 --frames 4",
         "driver VGA4.DRV type 1 (VGA) mode 2 ",
         640,
         350,
         {},
         1000},
        {"--driver vga4 --mode 640x400x4 --frames 4",
         "driver VGA4.DRV type 1 (VGA) mode 3 ",
         640,
         400,
         {},
         1000},
        {"--driver vga4 --mode 640x480x4 --frames 4",
         "driver VGA4.DRV type 1 (VGA) mode 4 ",
         640,
         480,
         {},
         1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const ToolRun run = RunDispdemo(c.args);
        if (c.mesa && run.status == 1 && run.text.find("no Mesa") != std::string::npos) {
            std::printf("skipped without Mesa: %s\n", c.args);
            continue;
        }
        ASSERT_EQ(run.status, 0) << run.text;
        EXPECT_NE(run.text.find(c.line), std::string::npos) << run.text;
        ASSERT_TRUE(run.png);
        EXPECT_EQ(run.image.width, c.width);
        EXPECT_EQ(run.image.height, c.height);
        for (const Probe& p : c.probes)
            EXPECT_EQ(run.At(p.x, p.y)[p.channel], p.value)
                << "(" << p.x << ", " << p.y << ") channel " << p.channel;
        int lit = 0;
        for (unsigned y = 0; y < run.image.height; ++y)
            for (unsigned x = 0; x < run.image.width; ++x)
                lit += run.At(x, y)[0] | run.At(x, y)[1] | run.At(x, y)[2] ? 1 : 0;
        EXPECT_GE(lit, c.lit);
    }
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
        const ToolRun run =
            RunDispdemo(std::string("--driver linear --mode ") + c.mode + " --pages 2 --frames 4",
                        true, c.adapter);
        ASSERT_EQ(run.status, 0) << run.text;
        EXPECT_NE(run.text.find(c.line), std::string::npos) << run.text;
        EXPECT_NE(run.text.find("bank switches per frame 0.0"), std::string::npos);
        ASSERT_TRUE(run.png);
        EXPECT_EQ(run.image.width, c.width);
        EXPECT_GE(run.At(12, 132)[2], 200);
    }
}

// The banked VESA drivers, 16 colours through the planes and the deeper
// depths through the bank window: the driver and the scene as shown, and
// the bank switches a frame the scene costs.
TEST(DispdemoTool, DrawsTheSceneThroughTheBankedVesaDrivers) {
    struct Case {
        const char* adapter; // null: the default
        const char* mode;
        const char* line;
        bool switches; // the scene needs more than one bank
    };
    const Case cases[] = {
        {nullptr, "800x600x16",
         "driver SVGA16.DRV type 3 (VESA VBE SuperVGA) mode 50 800 x 600 SVGA 64k color pages 2 "
         "access 0x1",
         true},
        {"vbe12", "640x480x8",
         "driver SVGA8.DRV type 3 (VESA VBE SuperVGA) mode 19 640 x 480 SVGA 256 color pages 2",
         true},
        {"vbe12", "800x600x4",
         "driver SVGA4.DRV type 3 (VESA VBE SuperVGA) mode 5 800 x 600 SVGA 16 color pages 1",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        const ToolRun run =
            RunDispdemo(std::string("--driver svga --mode ") + c.mode + " --pages 2 --frames 4",
                        true, c.adapter);
        ASSERT_EQ(run.status, 0) << run.text;
        EXPECT_NE(run.text.find(c.line), std::string::npos) << run.text;
        const size_t at = run.text.find("bank switches per frame ");
        ASSERT_NE(at, std::string::npos) << run.text;
        const double perFrame = std::atof(run.text.c_str() + at + 24);
        if (c.switches) {
            EXPECT_GT(perFrame, 4.0);
        } else {
            EXPECT_LT(perFrame, 1.0);
        }
        ASSERT_TRUE(run.png);
        EXPECT_EQ(run.image.width, unsigned(std::atoi(c.mode)));
        unsigned lit = 0;
        for (unsigned y = 0; y < run.image.height; ++y)
            for (unsigned x = 0; x < run.image.width; ++x)
                lit += run.At(x, y)[0] | run.At(x, y)[1] | run.At(x, y)[2] ? 1 : 0;
        EXPECT_GE(lit, 2000u) << "a scene, not a blank screen";
    }
}

// A virtual screen larger than the mode: a line a frame with the page shown
// (flipping), the display start going round and the bank switches; the last
// frame shows the virtual screen from that start, the cursor on it.
TEST(DispdemoTool, ScrollsAVirtualScreenThroughTheVesaDrivers) {
    for (const char* driver : {"svga", "linear"}) {
        SCOPED_TRACE(driver);
        const ToolRun run = RunDispdemo(std::string("--driver ") + driver +
                                            " --mode 640x480x16 --virtual 1024x768 --frames 6",
                                        true, "vbe20");
        ASSERT_EQ(run.status, 0) << run.text;
        EXPECT_NE(run.text.find("virtual 1024 x 768"), std::string::npos) << run.text;
        EXPECT_NE(run.text.find("frame 0 page 1 start 0,0 bank switches "), std::string::npos)
            << run.text;
        EXPECT_NE(run.text.find("frame 5 page 0 start 80,60 bank switches "), std::string::npos)
            << run.text;
        ASSERT_TRUE(run.png);
        ASSERT_EQ(run.image.width, 640u);
        // The virtual screen's diagonal passes (400, 300): (320, 240) on the
        // screen scrolled by (80, 60).
        int white = 0;
        for (unsigned y = 239; y <= 241; ++y)
            white += (run.At(320, y)[0] & run.At(320, y)[1] & run.At(320, y)[2]) == 255;
        EXPECT_EQ(white, 1);
        // The cursor's arrow tip at (35, 240), the mouse's place on the screen.
        const uint8_t* arrow = run.At(36, 250);
        EXPECT_NE(arrow[0] | arrow[1] | arrow[2], 0);
    }
}

// Bad command lines end with status 2 before anything opens.
TEST(DispdemoTool, RefusesUnknownOptionsDriversAndModes) {
    for (const char* args :
         {"--bogus", "--driver cga", "--driver ddraw --mode 640x480", "--pages 3",
          "--driver ddraw --virtual 1024x768", "--driver svga --virtual 1024x768x16"}) {
        EXPECT_EQ(RunDispdemo(args, false).status, 2) << args;
    }
}

} // namespace
