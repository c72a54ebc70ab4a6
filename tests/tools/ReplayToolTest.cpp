// replay run as a user would: a short script on the demo game recorded,
// then checked against what it recorded, a changed golden named, and its
// frames written for review.
#include "TempDir.h"
#include "ToolProgram.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testsupport::RunTool;
using testsupport::ToolProgram;

// Straight into the cabin and out through the quit question, without the
// intro's and the credits' minute and the menu at the start.
constexpr const char* kScript = "0 dev ShowIntro 0\n"
                                "0 dev ShowGameMenu 0\n"
                                "0 dev ShowCredits 0\n"
                                "1000 check cabin\n"
                                "1500 close\n"
                                "2500 check quit\n"
                                "3000 click 348 261\n";

TEST(ReplayTool, RecordsChecksAndNamesADifference) {
    testsupport::TempDir dir;
    const std::string script = dir.Write("short.txt", kScript);
    const std::string replay = ToolProgram("replay") + " " + script;
    std::string out;
    ASSERT_EQ(RunTool(replay + " --record --png " + dir.File("frames"), &out), 0) << out;
    EXPECT_NE(out.find("replay: 2 checkpoints"), std::string::npos) << out;
    for (const char* frame : {"001-cabin.png", "002-quit.png"})
        EXPECT_TRUE(std::filesystem::exists(dir.File(std::string("frames/") + frame))) << frame;
    const std::string golden = testsupport::ReadTextFile(dir.File("short.golden"));
    EXPECT_NE(golden.find("cabin frame="), std::string::npos) << golden;
    EXPECT_NE(golden.find(" menu=1 "), std::string::npos) << golden; // the quit question

    ASSERT_EQ(RunTool(replay, &out), 0) << out;
    EXPECT_NE(out.find(": ok"), std::string::npos) << out;

    std::string changed = golden;
    char& digit = changed[changed.find("frame=") + 6];
    digit = digit == '0' ? '1' : '0';
    dir.Write("short.golden", changed);
    ASSERT_EQ(RunTool(replay, &out), 1) << out;
    EXPECT_NE(out.find("checkpoint 1 (line 4): got 'cabin frame="), std::string::npos) << out;
}

TEST(ReplayTool, RefusesWhatItCannotPlay) {
    testsupport::TempDir dir;
    const struct {
        std::string arguments;
        int code;
        const char* says;
    } cases[] = {
        {"", 2, "usage: replay SCRIPT"},
        {"a.txt --png", 2, "usage: replay SCRIPT"},
        {dir.File("missing.txt"), 1, "cannot read"},
        {dir.Write("bad.txt", "10 jump 1 2\n"), 1, "line 1: unknown step 'jump'"},
        {dir.Write("nogolden.txt", "0 dev ShowIntro 0\n0 dev ShowCredits 0\n500 close\n"
                                   "1500 click 348 261\n"),
         1, "no goldens in"},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(RunTool(ToolProgram("replay") + " " + c.arguments, &out), c.code) << c.arguments;
        EXPECT_NE(out.find(c.says), std::string::npos) << c.arguments << ": " << out;
    }
}

} // namespace
