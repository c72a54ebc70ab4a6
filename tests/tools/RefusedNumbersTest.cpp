// Every program's numbers are checked whole: a count typed as "abc" or "5x",
// a selection like "album.sda:x:y" or a number out of range is refused with
// a reason, never taken as 0.
#include "TempDir.h"
#include "ToolProgram.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RefusedNumbers, EveryProgramChecksItsNumbers) {
    testsupport::TempDir dir;
    const std::string in = dir.File("in"), out = dir.File("out");
    const struct {
        const char* program;
        std::string args;
        int status;
        const char* said;
    } cases[] = {
        {"dispdemo", "--frames abc", 2, "usage: dispdemo"},
        {"dispdemo", "--frames 5x --png " + out, 2, "usage: dispdemo"},
        {"uiharness", "--frames 1e3", 2, "usage: uiharness"},
        {"uiharness", "--frames 9 --translucent-at -1", 2, "usage: uiharness"},
        {"roomview", "i.ini hall s.txt --ticks abc --png " + out, 2, "usage: roomview"},
        {"roomview", "i.ini hall s.txt --ticks 1 --png " + out + " --click 5", 2, "usage"},
        {"roomview", "i.ini hall s.txt --ticks 1 --png " + out + " --click 5,6y", 2, "usage"},
        {"anirec", "--seconds abc " + out, 2, "usage: anirec"},
        {"aniconv", "--clip abc " + in + " " + out, 2, "--clip takes a whole number from 0"},
        {"aniconv", "--clip -1 " + in + " " + out, 2, "--clip takes a whole number from 0"},
        {"picconv", "-c abc " + in + " " + out, 2, "usage: picconv"},
        {"picconv", "-c 257 " + in + " " + out, 2, "usage: picconv"},
        {"playwav", "album.sda:x:y", 2, "\"x:y\" is no ENTRY:SOUND of whole numbers from 0"},
        {"wavconv", "decode album.sda:1:-2 " + out, 1, "\"1:-2\" is no ENTRY:SOUND"},
        {"wavconv", "ima " + in + " " + out + " 512b", 1, "ALIGN must be a whole number"},
        {"albconv", "pack " + out + " -b 8x " + in, 2, "bits must be 8, 16 or 24"},
        {"respack", "pack --method lzw --clear-every abc " + in + " " + out, 2, "usage"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.args);
        std::string said;
        EXPECT_EQ(testsupport::RunTool(testsupport::ToolProgram(c.program) + " " + c.args, &said),
                  c.status);
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
    }
}

} // namespace
