// Every program's numbers are checked whole: a count typed as "abc" or "5x",
// a selection like "album.sda:x:y" or a number out of range is refused with
// a reason, never taken as 0.
#include "TempDir.h"
#include "ToolProgram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A program run with its arguments; the exit code and a part of what it said.
struct Refusal {
    const char* program;
    std::string args;
    int status;
    std::string said;
};

void ExpectRefusals(const std::vector<Refusal>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.args);
        std::string said;
        EXPECT_EQ(testsupport::RunTool(testsupport::ToolProgram(c.program) + " " + c.args, &said),
                  c.status);
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
    }
}

TEST(RefusedNumbers, EveryProgramChecksItsNumbers) {
    testsupport::TempDir dir;
    const std::string in = dir.File("in"), out = dir.File("out");
    ExpectRefusals({
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
    });
}

// A value a program cannot take, or a folder that is not there, is named
// with what was expected: never only the usage, never a silent failure.
TEST(RefusedArguments, EachProgramSaysWhatIsWrong) {
    testsupport::TempDir dir;
    const std::string in = dir.Write("in.txt", "text"), out = dir.File("out");
    const std::string missing = dir.File("no/such/folder");
    ExpectRefusals({
        {"respack", "ctf --method zip " + in + " " + out, 2,
         "respack: --method takes stored, lzw or lzw16, not \"zip\""},
        {"respack", "pack --method lzw12 " + in + " " + out, 2,
         "respack: --method takes lzw or lzw16, not \"lzw12\""},
        {"respack", "unpack --method zip " + in + " " + out, 2, "--method takes lzw or lzw16"},
        {"respack", "squeeze " + in + " " + out, 2, "respack: no command squeeze"},
        {"respack", "ctf --level 9 " + in + " " + out, 2, "respack: no option --level"},
        {"dispdemo", "--driver nosuch", 2,
         "dispdemo: --driver takes ddraw, vga, vgax, vga4, svga, linear, accel, fdib or "
         "opengl, not \"nosuch\""},
        {"dispdemo", "--driver fdib --mode 640x480", 2, "dispdemo: --mode takes WIDTHxHEIGHTxBITS"},
        {"dispdemo", "--driver fdib --virtual 1024x768", 2,
         "dispdemo: --virtual takes --driver svga or linear"},
        {"dispdemo", "--frames", 2, "dispdemo: --frames needs a value"},
        {"vmemdump", in + " 64x32", 2,
         "vmemdump: the page size takes WIDTHxHEIGHTxBITS (e.g. 640x480x8), not \"64x32\""},
        {"vmemdump", in + " 64x32x8 0", 2, "vmemdump: PITCH takes a whole number from 1"},
        {"avidump", in + " " + missing, 1,
         "avidump: " + missing + " is no folder to write the streams into"},
        {"uiharness", "--frames 1 --folder " + missing + " --png " + out, 1,
         "uiharness: --folder " + missing + " is no folder"},
    });
}

} // namespace
