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

// What the player is told when the game's files or scripts are broken, and
// how the program ends: a game that cannot start or whose main script
// stopped half way says so once and fails; a room without its background
// names the missing picture and plays on.
TEST(AdventureProgram, BrokenFilesAreSaidOnceAndAGameThatCannotRunFails) {
    namespace fs = std::filesystem;
    const auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    const struct {
        const char* what;
        void (*breakIt)(const testsupport::TempDir&);
        int exitCode;
        const char* says;
        size_t boxes;
    } cases[] = {
        {"no data folder", [](const testsupport::TempDir& d) { fs::remove_all(d.File("data")); }, 1,
         "adventure: The game cannot start", 0},
        {"index pointing nowhere",
         [](const testsupport::TempDir& d) {
             const std::vector<unsigned char> bytes =
                 testsupport::TempDir::Read(d.File("resource.ini"));
             std::string index(bytes.begin(), bytes.end());
             const size_t at = index.find("Path=data");
             if (at != std::string::npos) index.replace(at, 9, "Path=nowhere");
             d.Write("resource.ini", index);
         },
         1, "adventure: The game cannot start", 0},
        {"main script broken",
         [](const testsupport::TempDir& d) {
             const std::string main = d.File("data/int/all/scripts/main.scr");
             const std::vector<unsigned char> bytes = testsupport::TempDir::Read(main);
             d.Write("data/int/all/scripts/main.scr",
                     std::string(bytes.begin(), bytes.end()) + "\nbroken(\n");
         },
         1, "adventure: box", 1},
        {"room background missing",
         [](const testsupport::TempDir& d) {
             fs::remove(d.File("data/int/all/pictures/rooms/HallBack.rla"));
         },
         0, "HallBack.rla", 1},
    };
    for (const auto& c : cases) {
        testsupport::TempDir dir;
        std::string output;
        ASSERT_TRUE(WriteFixtureGame(dir, &output)) << output;
        c.breakIt(dir);
        EXPECT_EQ(testsupport::RunTool(dir.File("adventure") + " --ticks 40", &output, 120),
                  c.exitCode)
            << c.what << "\n"
            << output;
        EXPECT_NE(output.find(c.says), std::string::npos) << c.what << "\n" << output;
        EXPECT_EQ(count(output, "adventure: box"), c.boxes) << c.what << "\n" << output;
        EXPECT_EQ(output.find("define no table"), std::string::npos) << c.what << "\n" << output;
    }
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
