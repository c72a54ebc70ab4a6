// The game's program as a new user runs it: without its files it says what
// it could not find; beside gamefixture's one-room game it plays it.
#include "TempDir.h"
#include "ToolProgram.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string Adventure() {
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "game" / "adventure").string();
}

// gamefixture's one-room game with the program beside it.
bool WriteFixtureGame(const testsupport::TempDir& dir, std::string* output) {
    if (testsupport::RunTool(testsupport::ToolProgram("gamefixture") + " " + dir.Path().string(),
                             output) != 0)
        return false;
    std::filesystem::copy_file(Adventure(), dir.File("adventure"));
    return true;
}

TEST(AdventureProgram, WithoutItsFilesItSaysWhatIsMissing) {
    testsupport::TempDir dir;
    std::filesystem::copy_file(Adventure(), dir.File("adventure"));
    std::string output;
    EXPECT_EQ(testsupport::RunTool("env ADV_HOST=memory " + dir.File("adventure"), &output, 60), 1);
    EXPECT_NE(output.find("no resource.ini in " + dir.Path().string()), std::string::npos)
        << output;
}

// A game whose data folder is gone cannot start: it says so once, the
// reports on stderr in UTF-8 (not the texts' own Latin-1 bytes), and ends
// with exit code 1.
TEST(AdventureProgram, AGameThatCannotStartSaysSoAndFails) {
    testsupport::TempDir dir;
    std::string output;
    ASSERT_TRUE(WriteFixtureGame(dir, &output)) << output;
    std::filesystem::remove_all(dir.File("data/fonts"));
    EXPECT_EQ(testsupport::RunTool(dir.File("adventure") + " --ticks 20", &output, 120), 1)
        << output;
    EXPECT_NE(output.find("adventure: The game cannot start"), std::string::npos) << output;
    EXPECT_NE(output.find("main.fnt"), std::string::npos) << output;
    // Every byte above ASCII belongs to a UTF-8 sequence.
    for (size_t i = 0; i < output.size(); ++i) {
        const auto c = static_cast<unsigned char>(output[i]);
        if (c < 0x80) continue;
        ASSERT_GE(c, 0xC2) << "at " << i;
        ASSERT_LT(i + 1, output.size());
        EXPECT_EQ(static_cast<unsigned char>(output[i + 1]) & 0xC0, 0x80) << "at " << i;
        ++i;
    }
    EXPECT_EQ(output.find("Create gameworld failed"), std::string::npos) << output;
}

// Headless, nobody could click the menu the finished game starts with: the
// run goes straight into the game.
TEST(AdventureProgram, RunsTheFixturesGame) {
    testsupport::TempDir dir;
    std::string output;
    ASSERT_TRUE(WriteFixtureGame(dir, &output)) << output;
    ASSERT_EQ(testsupport::RunTool(dir.File("adventure") + " --ticks 60", &output, 120), 0)
        << output;
    EXPECT_NE(output.find("main: entered Hall, player shown"), std::string::npos) << output;
    EXPECT_NE(output.find("event DoTickAction"), std::string::npos) << output;
    EXPECT_EQ(output.find("adventure: box"), std::string::npos) << output;
    // A refused command line names what it refused.
    for (const auto& [arguments, says] :
         {std::pair{" --ticks x", "--ticks takes a whole number from 0 to 100000000, not \"x\""},
          std::pair{" --ticks 12x", "not \"12x\""}, std::pair{" --ticks -1", "not \"-1\""},
          std::pair{" --ticks", "--ticks takes a number of ticks"},
          std::pair{" --tick 5", "unknown argument \"--tick\""}}) {
        EXPECT_EQ(testsupport::RunTool(dir.File("adventure") + arguments, &output), 2) << arguments;
        EXPECT_NE(output.find(says), std::string::npos) << output;
        EXPECT_NE(output.find("usage: adventure [--ticks N]"), std::string::npos) << output;
    }
}

} // namespace
