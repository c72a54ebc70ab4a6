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

#include "foundation/TDeleteQueue.h"
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

// The fixture's dialog "chat" has three statements of 3, 1 and 1 phrases.
using Statements = std::vector<SaveFileWriter::Statement>;
const Statements kChat = {{1, {0, 1, 0}}, {0, {2}}, {0, {0}}};

// Dialog blocks past the walk's bounds that only the declarations refuse,
// and the ones they take: a refused one leaves the very same game, a taken
// one loads, the inventory table keeping its thirty slots.
TEST_F(SaveGameRulesTest, DialogBlocksAreTakenOnlyAsDeclared) {
    Start();
    ASSERT_TRUE(Run("Value = 7 Engine.AddInventoryItem({}, 'a', 5) Engine.EnableNightVision()"));
    App().OpenMenu();
    GameWorld* world = App().World();
    const auto before = SavedState();
    struct Case {
        const char* name;
        void (*dialogs)(SaveFileWriter&);
        bool loads;
    };
    const Case cases[] = {
        {"phrase count 2^31-1",
         [](SaveFileWriter& f) { f.DialogCount(1).Name("chat").Int(0).Int(1).Int(INT_MAX); },
         false},
        {"phrase count -1",
         [](SaveFileWriter& f) { f.DialogCount(1).Name("chat").Int(0).Int(1).Int(-1); }, false},
        {"name length 0", [](SaveFileWriter& f) { f.DialogCount(1).Int(0); }, false},
        {"name length -1", [](SaveFileWriter& f) { f.DialogCount(1).Int(-1).Raw("chat"); }, false},
        {"more phrases than declared",
         [](SaveFileWriter& f) {
             f.DialogCount(1).Dialog("chat", 0, {{0, {}}, {0, {1, 1}}});
         },
         false},
        {"a name twice, the second undeclared",
         [](SaveFileWriter& f) {
             f.DialogCount(2).Dialog("chat", 0, kChat).Dialog("chat2", 0, {});
         },
         false},
        {"no dialogs", [](SaveFileWriter& f) { f.DialogCount(0); }, true},
        {"chat with no statements",
         [](SaveFileWriter& f) { f.DialogCount(1).Dialog("chat", 2, {}); }, true},
        {"repeatdialog as its name only",
         [](SaveFileWriter& f) { f.DialogCount(2).Name("repeatdialog").Dialog("chat", 1, kChat); },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveFileWriter file;
        file.Version();
        c.dialogs(file);
        file.Int(0).Number(42).Flag(0);
        const std::string path = dir.Write("game.sav", file.Text());
        platform::ClearMessageBoxLog();
        EXPECT_EQ(App().LoadGame(path.c_str()), c.loads ? 1 : 0);
        if (c.loads) {
            EXPECT_TRUE(Boxes().empty());
            EXPECT_TRUE(Run("assert(Value == 42)"));
            EXPECT_EQ(App().World()->InventoryView().SlotAt(0), nullptr);
            EXPECT_EQ(App().World()->InventoryView().SlotAt(TInventoryView::kSlots - 1), nullptr);
            EXPECT_EQ(Statics().nightVision, 0);
            // The next case starts from the game as it was.
            SaveFileWriter back;
            back.Version().Raw(std::string(before.begin(), before.end()));
            App().OpenMenu();
            ASSERT_EQ(App().LoadGame(dir.Write("back.sav", back.Text()).c_str()), 1);
            App().OpenMenu();
            world = App().World();
            EXPECT_EQ(SavedState(), before);
        } else {
            EXPECT_EQ(Boxes(), std::vector<std::string>{"Load failed"});
            EXPECT_EQ(App().World(), world);
            EXPECT_EQ(SavedState(), before);
            EXPECT_EQ(App().MenuCount(), 1);
        }
        DrainDeleteLater();
    }
    Stop();
}

// Another version says so first, then that the load failed; the game that
// runs is kept.
TEST_F(SaveGameRulesTest, AnotherVersionIsToldBeforeTheFailure) {
    Start();
    App().OpenMenu();
    GameWorld* world = App().World();
    for (int32_t version : {39, 41, -40, INT_MAX}) {
        SCOPED_TRACE(version);
        SaveFileWriter file;
        file.Version(version).DialogCount(0).Inventory().Number(1).Flag(0);
        platform::ClearMessageBoxLog();
        EXPECT_EQ(App().LoadGame(dir.Write("old.sav", file.Text()).c_str()), 0);
        EXPECT_EQ(Boxes(), (std::vector<std::string>{"Wrong version", "Load failed"}));
        EXPECT_EQ(App().World(), world);
    }
    Stop();
}

// A file the scripts refuse brings back the running game whole, night
// vision and inventory included.
TEST_F(SaveGameRulesTest, ARefusedLoadBringsBackNightVisionAndItems) {
    Start();
    ASSERT_TRUE(Run("Value = 7 Engine.AddInventoryItem({}, 'a', 5) Engine.EnableNightVision()"));
    App().OpenMenu();
    const auto before = SavedState();
    SaveFileWriter file;
    // The number LoadGame reads is missing: only the flag follows.
    file.Version().DialogCount(1).Dialog("chat", 3, kChat).Inventory({8, 9}).Flag(0);
    platform::ClearMessageBoxLog();
    EXPECT_EQ(App().LoadGame(dir.Write("game.sav", file.Text()).c_str()), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Load failed"});
    ASSERT_NE(App().World(), nullptr);
    EXPECT_EQ(Statics().nightVision, 1);
    EXPECT_EQ(SavedState(), before);
    EXPECT_EQ(App().MenuCount(), 1);
    Stop();
}

// A file chosen in the list lies in the list's folder whatever its name:
// a ':' in it (a name the host allows) is no drive.
TEST_F(SaveGameRulesTest, AListedFileIsTakenFromTheListsFolder) {
    fixture.extraFiles = {{"data/saves/a:b.sav", "x"}};
    Start();
    std::string saves = dir.File("data/saves/");
    for (char& c : saves)
        if (c == '/') c = '\\';
    FileDialog dialog;
    dialog.Build(&App(), FileDialog::kLoad);
    ASSERT_EQ(dialog.FileList().GetItemCount(), 1);
    dialog.FileList().SelectCell(1, 1);
    ASSERT_TRUE(dialog.OkButton().IsEnabled());
    dialog.OnOkClick(nullptr, nullptr);
    ASSERT_EQ(dialog.GetModalResult(), FileDialog::kConfirmed);
    const char* path = dialog.GetFileName();
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::string(path), saves + "a:b.sav");
    dialog.Close();
    Stop();
}

} // namespace
} // namespace gametest
