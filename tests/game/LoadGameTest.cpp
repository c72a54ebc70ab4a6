// Loading a saved game: a file is checked whole before the running game is
// touched, and a file the scripts refuse later brings the running game back.
// What the running game's SaveTheGame stores stands for its state.
#include "GameTestFixture.h"
#include "SaveFileWriter.h"

#include "DialogManager.h"
#include "foundation/TDeleteQueue.h"

#include <climits>
#include <filesystem>

namespace gametest {
namespace {

using testsupport::SaveFileWriter;

// The fixture's story, with a value and a name that SaveTheGame stores; a
// stored value of 666 makes LoadGame fail with a script error.
std::string MainScript() {
    return tools::DefaultMainScript() + R"(
Value = 0
Name = ""
LoadingSeen = SysLoadGame
function SaveTheGame()
    SaveGame.WriteNumber(Value)
    SaveGame.WriteString(Name)
end
function LoadGame()
    Value = SaveGame.ReadNumber()
    if Value == 666 then error("refused") end
    Name = SaveGame.ReadString()
end
function SysInventoryAddItem(id) Engine.AddInventoryItem({}, "pic" .. id, id) end
)";
}

// The fixture's dialog "chat" has three statements of 3, 1 and 1 phrases.
void Chat(SaveFileWriter& file, uint16_t state = 0) {
    file.DialogCount(1).Dialog("chat", state, {{1, {0, 1, 0}}, {0, {2}}, {0, {0}}});
}

// An inventory block of `count` (at most 40 ids follow), then the rest.
void Slots(SaveFileWriter& file, int32_t count) {
    file.Int(count);
    for (int32_t i = 0; i < count && i < 40; ++i)
        file.Int(-1);
    file.Number(1).String("y").Flag(0);
}

class LoadGameTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        fixture.mainScript = MainScript();
        fixture.mainTexts = {{"GAME_LOAD_FAILED", "Load failed"},
                             {"GAME_LOAD_WRONG_VERSION", "Wrong version"}};
    }
    std::string Write(const SaveFileWriter& file) { return dir.Write("game.sav", file.Text()); }
    // A sound save of "chat", item 5, the value 42, the name "hall" and
    // night vision.
    static void Sound(SaveFileWriter& file) {
        file.Version();
        Chat(file, 3);
        file.Inventory({5}).Number(42).String("hall").Flag(1);
    }
};

TEST_F(LoadGameTest, ALoadedGameIsTheSavedOne) {
    Start();
    ASSERT_TRUE(Run("Value = 42 Name = 'hall' Engine.EnableNightVision()"
                    " Engine.AddInventoryItem({}, 'a', 5) Engine.AddInventoryItem({}, 'b', 9)"));
    DialogDef* chat = App().World()->DialogData()->FindDialog("chat");
    ASSERT_NE(chat, nullptr);
    chat->state = 3;
    chat->statements[1]->flags = 2;
    chat->statements[0]->phrases[2]->flags = 1;
    const std::string path = dir.File("save1.sav");
    App().OpenMenu();
    ASSERT_EQ(App().SaveGame(path.c_str()), 1);
    const auto saved = SavedState();

    ASSERT_TRUE(Run("Value = 0 Name = '' Engine.DisableNightVision() Engine.RemInventoryItem(5)"));
    chat->state = 0;
    App().OpenMenu();
    ASSERT_EQ(App().LoadGame(path.c_str()), 1);
    EXPECT_EQ(SavedState(), saved);
    EXPECT_EQ(App().World()->InventoryView().SlotAt(1)->id, 9);
    EXPECT_EQ(Statics().nightVision, 1);
    EXPECT_TRUE(Run("assert(LoadingSeen == 1 and SysLoadGame == nil and Name == 'hall')"))
        << "SysLoadGame is 1 while main.scr runs and nil after";
    EXPECT_EQ(App().MenuCount(), 0) << "the menu closes on the loaded game";
    EXPECT_TRUE(App().World()->IsVisible());
    Stop();
}

// Files that do not hold together are refused before anything changes: the
// running world stays the very same object.
TEST_F(LoadGameTest, AFileThatDoesNotHoldTogetherLeavesTheGameAsItWas) {
    Start();
    ASSERT_TRUE(Run("Value = 7 Name = 'x' Engine.AddInventoryItem({}, 'a', 5)"));
    App().OpenMenu();
    GameWorld* world = App().World();
    const auto before = SavedState();

    struct Case {
        const char* name;
        void (*write)(SaveFileWriter&);
        bool wrongVersion;
    };
    const Case cases[] = {
        {"empty file", [](SaveFileWriter&) {}, false},
        {"short version", [](SaveFileWriter& f) { f.Raw("\x28"); }, false},
        {"version 39",
         [](SaveFileWriter& f) {
             f.Version(39).DialogCount(0).Inventory().Number(1).String("y").Flag(0);
         },
         true},
        {"dialog count 2^31-1", [](SaveFileWriter& f) { f.Version().DialogCount(INT_MAX); }, false},
        {"dialog count -1", [](SaveFileWriter& f) { f.Version().DialogCount(-1); }, false},
        {"name length 2^31-1",
         [](SaveFileWriter& f) { f.Version().DialogCount(1).Int(INT_MAX).Raw("chat"); }, false},
        {"name without its zero",
         [](SaveFileWriter& f) {
             f.Version().DialogCount(1).Int(4).Raw("chat").Int(0).Inventory().Flag(0);
         },
         false},
        {"undeclared dialog",
         [](SaveFileWriter& f) {
             f.Version().DialogCount(1).Dialog("nosuch", 0, {}).Inventory().Number(1).Flag(0);
         },
         false},
        {"statement count 2^31-1",
         [](SaveFileWriter& f) { f.Version().DialogCount(1).Name("chat").Int(0).Int(INT_MAX); },
         false},
        {"more statements than declared",
         [](SaveFileWriter& f) {
             f.Version().DialogCount(1).Dialog("chat", 0, {{0, {}}, {0, {}}, {0, {}}, {0, {}}});
             f.Inventory().Number(1).String("y").Flag(0);
         },
         false},
        {"inventory count 31", [](SaveFileWriter& f) { Slots(f.Version().DialogCount(0), 31); },
         false},
        {"inventory count -1", [](SaveFileWriter& f) { Slots(f.Version().DialogCount(0), -1); },
         false},
        {"inventory count 2^31-1",
         [](SaveFileWriter& f) { Slots(f.Version().DialogCount(0), INT_MAX); }, false},
        {"no room for the flag",
         [](SaveFileWriter& f) { f.Version().DialogCount(0).Inventory().Raw("\x01"); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveFileWriter file;
        c.write(file);
        const std::string path = Write(file);
        platform::ClearMessageBoxLog();
        EXPECT_EQ(App().LoadGame(path.c_str()), 0);
        EXPECT_EQ(Boxes("Wrong version").size(), c.wrongVersion ? 1u : 0u);
        EXPECT_EQ(Boxes("Load failed").size(), 1u);
        EXPECT_EQ(App().World(), world);
        EXPECT_EQ(SavedState(), before);
        EXPECT_EQ(App().MenuCount(), 1) << "the menu stays open";
    }

    // Past 16 MiB a file is damaged without being read; a missing file or a
    // folder is not loaded, and nothing is said.
    const std::string large = dir.Write("large.sav", "");
    std::filesystem::resize_file(large, (size_t(16) << 20) + 1);
    platform::ClearMessageBoxLog();
    EXPECT_EQ(App().LoadGame(large.c_str()), 0);
    EXPECT_EQ(Boxes("Load failed").size(), 1u);
    platform::ClearMessageBoxLog();
    EXPECT_EQ(App().LoadGame(dir.File("missing.sav").c_str()), 0);
    EXPECT_EQ(App().LoadGame(dir.Path().string().c_str()), 0);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(App().World(), world);
    Stop();
}

// A sound save cut at every byte is refused, whether the cut shows at once
// or only when LoadGame comes short; the whole file then loads.
TEST_F(LoadGameTest, ASaveCutAtAnyByteIsRefused) {
    Start();
    ASSERT_TRUE(Run("Value = 7 Name = 'x'"));
    App().OpenMenu();
    const auto before = SavedState();
    SaveFileWriter file;
    Sound(file);
    const std::string whole = file.Text();
    for (size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE(size);
        const std::string path = dir.Write("cut.sav", whole.substr(0, size));
        platform::ClearMessageBoxLog();
        ASSERT_EQ(App().LoadGame(path.c_str()), 0);
        EXPECT_EQ(Boxes("Load failed").size(), 1u);
        ASSERT_NE(App().World(), nullptr);
        EXPECT_EQ(SavedState(), before);
        EXPECT_EQ(App().MenuCount(), 1);
        DrainDeleteLater();
    }
    EXPECT_EQ(App().LoadGame(Write(file).c_str()), 1);
    EXPECT_TRUE(Run("assert(Value == 42 and Name == 'hall')"));
    Stop();
}

// The scripts have the last word: a LoadGame that fails or reads past its
// block fails the load, and the running game comes back behind the menu.
TEST_F(LoadGameTest, ALoadTheScriptsRefuseBringsTheRunningGameBack) {
    Start();
    ASSERT_TRUE(Run("Value = 7 Name = 'x' Engine.AddInventoryItem({}, 'a', 5)"));
    App().OpenMenu();
    const auto before = SavedState();
    struct Case {
        const char* name;
        void (*script)(SaveFileWriter&);
    };
    const Case cases[] = {
        {"script error", [](SaveFileWriter& f) { f.Number(666).String("hall"); }},
        {"reads past its block", [](SaveFileWriter& f) { f.Number(42); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveFileWriter file;
        file.Version();
        Chat(file);
        file.Inventory({8});
        c.script(file);
        file.Flag(1);
        platform::ClearMessageBoxLog();
        EXPECT_EQ(App().LoadGame(Write(file).c_str()), 0);
        EXPECT_EQ(Boxes("Load failed").size(), 1u);
        ASSERT_NE(App().World(), nullptr);
        EXPECT_EQ(SavedState(), before);
        EXPECT_EQ(Statics().nightVision, 0);
        EXPECT_FALSE(App().World()->IsVisible()) << "behind the menu that is still open";
        EXPECT_EQ(App().MenuCount(), 1);
    }
    Stop();
}

// Without a running game there is nothing to keep: the walk checks what it
// can, a load that fails later leaves no world, a sound one starts the game.
TEST_F(LoadGameTest, WithoutAGameAFailedLoadLeavesNone) {
    Start();
    App().DestroyWorld();
    App().OpenMenu();
    SaveFileWriter undeclared;
    undeclared.Version().DialogCount(1).Dialog("nosuch", 0, {}).Inventory().Flag(0);
    platform::ClearMessageBoxLog();
    EXPECT_EQ(App().LoadGame(Write(undeclared).c_str()), 0);
    EXPECT_EQ(Boxes("Load failed").size(), 1u);
    EXPECT_EQ(App().World(), nullptr);
    EXPECT_EQ(App().MenuCount(), 1);

    SaveFileWriter sound;
    Sound(sound);
    EXPECT_EQ(App().LoadGame(Write(sound).c_str()), 1);
    ASSERT_NE(App().World(), nullptr);
    EXPECT_TRUE(Run("assert(Value == 42)"));
    EXPECT_EQ(App().MenuCount(), 0);
    Stop();
}

TEST_F(LoadGameTest, LoadingSwitchedOffReadsNothing) {
    WriteDevOptions("[DEBUG]\r\nEnableSaveGame=2\r\n");
    Start();
    GameWorld* world = App().World();
    SaveFileWriter sound;
    Sound(sound);
    platform::ClearMessageBoxLog();
    EXPECT_EQ(App().LoadGame(Write(sound).c_str()), 0);
    EXPECT_EQ(App().World(), world);
    EXPECT_TRUE(Boxes().empty());
    Stop();
}

} // namespace
} // namespace gametest
