// Every harness with a window, run as a new user would run it where there is
// no display: each one runs headless for its default frames and says so (or
// ends with a clear message) instead of running unseen forever.
#include "BmpWriter.h"
#include "RlaWriter.h"
#include "TempDir.h"
#include "ToolProgram.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// No display of any kind, and nothing that names SDL's own choice.
const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u ADV_HOST ";

// A resource index with one picture, and a room whose background is one
// blue 8 x 8 sprite.
struct Fixtures {
    Fixtures() {
        tools::BmpImage bmp;
        bmp.width = bmp.height = 4;
        bmp.bitCount = 24;
        bmp.pixels.assign(4 * 4 * 3, 200);
        dir.Write("data/solid.bmp", tools::WriteBmp(bmp));
        tools::RgbaImage back;
        back.width = back.height = 8;
        for (int i = 0; i < 64; ++i)
            back.rgba.insert(back.rgba.end(), {0, 0, 255, 255});
        tools::RlaWriter rla;
        rla.AddSprite(0, back);
        dir.Write("data/hall.rla", rla.Finish());
        index = dir.Write("resource.ini", "[Main]\r\nPath=data\r\n[Config]\r\nconfig=\r\n"
                                          "[Pictures]\r\nsolid=solid.bmp\r\n"
                                          "rlahallBack=hall.rla\r\n");
        scene = dir.Write("hall.txt", "sky -1\n");
        std::filesystem::create_directories(dir.File("ui"));
    }
    testsupport::TempDir dir;
    std::string index, scene;
};

TEST(HarnessesWithoutADisplay, RunHeadlessAndSaySo) {
    Fixtures f;
    const struct {
        const char* program;
        std::string args;
        const char* instead;
    } cases[] = {
        {"dispdemo", "", "running headless for 100 frames"},
        {"resview", f.index + " solid", "showing one frame headless"},
        {"roomview", f.index + " hall " + f.scene, "loading the room headless for 20 ticks"},
        {"uiharness", "--folder " + f.dir.File("ui"), "running headless for 100 frames"},
        {"anirec", "--seconds 1 " + f.dir.File("rec"), "recording headless on virtual time"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        std::string out;
        EXPECT_EQ(testsupport::RunTool(
                      kNoDisplay + testsupport::ToolProgram(c.program) + " " + c.args, &out, 60),
                  0)
            << out;
        EXPECT_NE(out.find(std::string(c.program) +
                           ": no display (DISPLAY and WAYLAND_DISPLAY are not set): " + c.instead),
                  std::string::npos)
            << out;
    }
}

// A display that does not answer leaves SDL only its invisible offscreen
// driver, which is no display either.
TEST(HarnessesWithoutADisplay, SdlsOffscreenDriverIsNoDisplay) {
    if (std::filesystem::exists("/dev/dri"))
        GTEST_SKIP() << "SDL could open this machine's screen directly";
    // SDL's probe of the desktop leaves libdbus's own block behind: the
    // platform names it to the leak checker of the sanitizer builds.
    std::string out;
    const int status = testsupport::RunTool(
        "env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u ADV_HOST -u XDG_RUNTIME_DIR DISPLAY=:987 " +
            testsupport::ToolProgram("dispdemo") + " --frames 3",
        &out, 60);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("dispdemo: no display ("), std::string::npos) << out;
    EXPECT_NE(out.find("): running headless"), std::string::npos) << out;
}

} // namespace
