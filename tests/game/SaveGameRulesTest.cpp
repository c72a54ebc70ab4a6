// Rules of save games checked from outside: a save that could never be
// loaded back never replaces a good one, a save under a long name, hostile
// files the running game survives, the order of the load's messages, and
// the path the file dialog hands on for a listed file.
#include "GameTestFixture.h"
#include "SaveFileWriter.h"

#include "DialogManager.h"
#include "FileDialog.h"
#include "SaveGameLayout.h"
#include "TInventoryView.h"

#include "platform/File.h"

#include <climits>
#include <filesystem>

namespace gametest {
namespace {

using testsupport::SaveFileWriter;

std::vector<uint8_t> FileBytes(const std::string& path) {
    const auto bytes = testsupport::TempDir::Read(path);
    return {bytes.begin(), bytes.end()};
}

// The fixture's story with a value SaveTheGame stores and a text of
// `Size` bytes it may add.
std::string Story() {
    return tools::DefaultMainScript() + R"(
Value = 0
Size = 0
function SaveTheGame()
    SaveGame.WriteNumber(Value)
    if Size > 0 then SaveGame.WriteString(strrep("x", Size)) end
end
function LoadGame()
    Value = SaveGame.ReadNumber()
end
function SysInventoryAddItem(id) Engine.AddInventoryItem({}, "pic" .. id, id) end
)";
}

class SaveGameRulesTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        fixture.mainScript = Story();
        fixture.mainTexts = {{"GAME_SAVE_FAILED", "Save failed"},
                             {"GAME_LOAD_FAILED", "Load failed"},
                             {"GAME_LOAD_WRONG_VERSION", "Wrong version"}};
    }
};

// A save larger than a load takes would be refused as damaged: it fails
// and the previous file stays, rather than a good save giving way to one
// that never loads. Just under the limit it is saved and loads back.
TEST_F(SaveGameRulesTest, ASaveTooLargeToLoadKeepsThePreviousFile) {
    Start();
    const std::string path = dir.Write("save1.sav", "old save");
    ASSERT_TRUE(Run("Value = 5 Size = " + std::to_string(SaveGameLayout::kMaxSize)));
    platform::ClearMessageBoxLog();
    EXPECT_EQ(App().SaveGame(path.c_str()), 0);
    EXPECT_EQ(FileBytes(path), std::vector<uint8_t>({'o', 'l', 'd', ' ', 's', 'a', 'v', 'e'}));
    EXPECT_EQ(Boxes("Save failed").size(), 1u);

    // The version, the dialogs, the inventory, the number, the string's
    // length and zero, and the flag leave this much for the text.
    std::vector<uint8_t> head;
    platform::ByteWriter out(head);
    ASSERT_TRUE(App().World()->DialogData()->SaveState(out));
    const size_t fixed = 4 + head.size() + 4 * 31 + 4 + 4 + 1 + 4;
    ASSERT_TRUE(Run("Size = " + std::to_string(SaveGameLayout::kMaxSize - fixed)));
    EXPECT_EQ(App().SaveGame(path.c_str()), 1);
    EXPECT_EQ(FileBytes(path).size(), SaveGameLayout::kMaxSize);
    ASSERT_TRUE(Run("Value = 0 Size = 0"));
    App().OpenMenu();
    EXPECT_EQ(App().LoadGame(path.c_str()), 1);
    EXPECT_TRUE(Run("assert(Value == 5)"));
    Stop();
}

// A name as long as the folder takes is saved under that name; the
// temporary file beside it must not need a longer one.
TEST_F(SaveGameRulesTest, ASaveUnderTheLongestNameIsWritten) {
    Start();
    std::string name(251, 's');
    name += ".sav";
    ASSERT_EQ(name.size(), 255u);
    const std::string path = dir.File(name);
    platform::ClearMessageBoxLog();
    EXPECT_EQ(App().SaveGame(path.c_str()), 1);
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_EQ(FileBytes(path).size() > 4, true);
    Stop();
}

} // namespace
} // namespace gametest
