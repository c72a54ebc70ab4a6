// Saving the running game: the file's layout, and a previous save that
// survives every way a save can fail.
#include "GameTestFixture.h"

#include "DialogManager.h"
#include "platform/File.h"

namespace gametest {
namespace {

std::vector<uint8_t> Int32s(std::initializer_list<int32_t> values) {
    std::vector<uint8_t> bytes;
    platform::ByteWriter out(bytes);
    for (int32_t v : values)
        out.S32(v);
    return bytes;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    const auto bytes = testsupport::TempDir::Read(path);
    return {bytes.begin(), bytes.end()};
}

TEST_F(GameTest, ASaveHoldsVersionDialogsInventoryScriptValuesAndNightVision) {
    Start();
    ASSERT_TRUE(
        Run("function SaveTheGame() SaveGame.WriteNumber(7) end Engine.EnableNightVision()"));
    const std::string path = dir.File("save1.sav");
    ASSERT_EQ(App().SaveGame(path.c_str()), 1);

    std::vector<uint8_t> expected = Int32s({40});
    platform::ByteWriter out(expected);
    ASSERT_TRUE(App().World()->DialogData()->SaveState(out));
    out.S32(30);
    for (int i = 0; i < 30; ++i)
        out.S32(-1);
    out.S32(7);
    out.S32(1);
    EXPECT_EQ(FileBytes(path), expected);
    Stop();
}

TEST_F(GameTest, AFailedSaveKeepsThePreviousFileByteForByte) {
    WriteDevOptions("[DEBUG]\r\nEnableSaveGame=1\r\n");
    Start();
    const std::string path = dir.Write("save1.sav", std::string("old save\0\xff", 10));
    const auto previous = FileBytes(path);
    ASSERT_TRUE(Run("function SaveTheGame() SaveGame.WriteString('new') end"));
    for (auto step : {platform::ReplaceStep::Create, platform::ReplaceStep::Write,
                      platform::ReplaceStep::Flush, platform::ReplaceStep::Rename}) {
        SCOPED_TRACE(static_cast<int>(step));
        platform::FailReplaceStepForTests(step);
        EXPECT_EQ(App().SaveGame(path.c_str()), 0);
        platform::FailReplaceStepForTests(platform::ReplaceStep::None);
        EXPECT_EQ(FileBytes(path), previous);
    }
    ASSERT_TRUE(Run("function SaveTheGame() SaveGame.WriteString('new') error('broken') end"));
    EXPECT_EQ(App().SaveGame(path.c_str()), 0);
    EXPECT_EQ(FileBytes(path), previous);
    size_t leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        if (entry.path().filename().string().find(".tmp") != std::string::npos) ++leftovers;
    EXPECT_EQ(leftovers, 0u);
    Stop();
}

// The player is asked, with the path in the question, before a save replaces
// a file; no leaves the file alone and still counts as done.
TEST_F(GameTest, ADeclinedOverwriteKeepsTheFileAndAnswersDone) {
    fixture.mainTexts = {{"GAME_OVERWRITE_WARNING", "Replace # now?"}};
    Start();
    ASSERT_TRUE(Run("function SaveTheGame() SaveGame.WriteNumber(7) end"));
    const std::string path = dir.Write("save1.sav", "old save");
    platform::ClearMessageBoxLog();
    platform::ScriptMessageBoxAnswers({IDNO, IDYES});
    EXPECT_EQ(App().SaveGame(path.c_str()), 1);
    EXPECT_EQ(FileBytes(path), std::vector<uint8_t>({'o', 'l', 'd', ' ', 's', 'a', 'v', 'e'}));
    EXPECT_EQ(Boxes("Replace " + path + " now?").size(), 1u);
    EXPECT_EQ(App().MenuCount(), 0) << "a declined save does not close the menu";

    EXPECT_EQ(App().SaveGame(path.c_str()), 1);
    const auto replaced = FileBytes(path);
    ASSERT_GE(replaced.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(replaced.begin(), replaced.begin() + 4), Int32s({40}))
        << "yes replaces it";
    platform::SetMessageBoxPolicy(platform::BoxPolicy::FirstButton);
    Stop();
}

TEST_F(GameTest, SavingSwitchedOffWritesNothing) {
    WriteDevOptions("[DEBUG]\r\nEnableSaveGame=2\r\n");
    Start();
    ASSERT_TRUE(Run("function SaveTheGame() SaveGame.WriteNumber(1) end"));
    const std::string path = dir.File("save1.sav");
    EXPECT_EQ(App().SaveGame(path.c_str()), 0);
    EXPECT_FALSE(platform::FileExists(path.c_str()));
    Stop();
}

} // namespace
} // namespace gametest
