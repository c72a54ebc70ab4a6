// The save and load pages: the file dialog over the save folder (Scores of
// the index), its rules for a typed name, and the menu's Save and Load
// buttons played by clicks and typing on the headless window: a game saved
// under a typed name and loaded back by choosing it in the list.
#include "GameTestFixture.h"

#include "FileDialog.h"
#include "GameMenu.h"
#include "MenuClicks.h"

#include <filesystem>

namespace gametest {
namespace {

namespace mc = menuclicks;

std::string Story() {
    return tools::DefaultMainScript() + R"(
Value = 1
function SaveTheGame() SaveGame.WriteNumber(Value) end
function LoadGame() Value = SaveGame.ReadNumber() end
)";
}

class FileDialogTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        fixture.mainScript = Story();
    }
    static bool ValueIs(int value) {
        return Run("if Value ~= " + std::to_string(value) + " then Error('value ' .. Value) end") &&
               Boxes("value").empty();
    }
    // The save folder as the engine writes paths: the program folder's
    // path with "\" for "/".
    std::string Saves() const {
        std::string path = dir.File("data/saves/");
        for (char& c : path)
            if (c == '/') c = '\\';
        return path;
    }
};

// Saved under a typed name (Enter confirms), the game goes on; a change and
// the file chosen in the list (OK) bring the saved value back.
TEST_F(FileDialogTest, AGameSavedUnderATypedNameLoadsBackFromTheList) {
    Start();
    ASSERT_TRUE(Run("Value = 7"));
    App().OpenMenu();
    mc::Play({mc::kSave, mc::kNameField, "save1.sav\n"});
    EXPECT_TRUE(std::filesystem::exists(dir.File("data/saves/save1.sav")));
    EXPECT_EQ(App().MenuCount(), 0) << "a save returns to the game";

    ASSERT_TRUE(Run("Value = 3"));
    App().OpenMenu();
    mc::Play({mc::kLoad, mc::kFirstFile, mc::kDialogOk});
    EXPECT_TRUE(ValueIs(7));
    EXPECT_EQ(App().MenuCount(), 0);
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    Stop();
}

// A save folder on a drive: the drive, the folder from its root and the
// name join with one separator each.
TEST_F(FileDialogTest, ADriveAndItsFolderJoinWithOneSeparator) {
    fixture.scores = "x:\\saves\\";
    Start();
    FileDialog dialog;
    dialog.Build(&App(), FileDialog::kSave);
    dialog.NameField().SetText("save1.sav");
    dialog.OnEditChange(nullptr, nullptr);
    dialog.OnOkClick(nullptr, nullptr);
    const char* path = dialog.GetFileName();
    ASSERT_NE(path, nullptr);
    EXPECT_STREQ(path, "x:\\saves\\save1.sav");
    dialog.Close();
    Stop();
}

// A double click on a file confirms at once; Cancel loads nothing and
// leaves the menu as it was.
TEST_F(FileDialogTest, ADoubleClickConfirmsAndCancelChangesNothing) {
    Start();
    ASSERT_TRUE(Run("Value = 9"));
    App().OpenMenu();
    mc::Play({mc::kSave, mc::kNameField, "a.sav", mc::kDialogOk});
    ASSERT_TRUE(std::filesystem::exists(dir.File("data/saves/a.sav")));
    ASSERT_TRUE(Run("Value = 4"));
    App().OpenMenu();
    GameWorld* running = App().World();
    mc::Play({mc::kLoad, mc::kFirstFile, mc::kDialogCancel});
    EXPECT_EQ(App().World(), running);
    EXPECT_TRUE(ValueIs(4));
    EXPECT_EQ(App().MenuCount(), 1);
    EXPECT_TRUE(App().Menu().IsVisible());
    EXPECT_TRUE(App().Menu().SaveButton().IsEnabled());

    mc::Play({mc::kLoad, mc::Step::Twice(mc::kFirstFile)});
    EXPECT_TRUE(ValueIs(9));
    EXPECT_EQ(App().MenuCount(), 0);
    Stop();
}

// Only a plain name is taken: with a drive or a folder, or a name or
// extension of ".", the field empties and the dialog stays open. A taken
// name is joined to the list's folder, at any length.
TEST_F(FileDialogTest, OnlyAPlainTypedNameConfirms) {
    const std::string deep(150, 'd');
    fixture.scores = "saves\\" + deep + "\\" + deep + "\\";
    fixture.extraFiles = {{"data/saves/" + deep + "/" + deep + "/old.sav", "x"}};
    Start();
    const struct {
        const char* typed;
        const char* field; // after OK; confirmed when not empty
    } cases[] = {{"save1.sav", "save1.sav"}, {"..\\x", ""}, {"c:x.sav", ""},
                 {"saves\\x", ""},           {".", ""},     {"x.", ""},
                 {"noext", "noext"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        FileDialog dialog;
        dialog.Build(&App(), FileDialog::kSave);
        dialog.NameField().SetText(c.typed);
        dialog.OnEditChange(nullptr, nullptr);
        dialog.OnOkClick(nullptr, nullptr);
        EXPECT_STREQ(dialog.NameField().GetText().c_str(), c.field);
        const bool confirmed = *c.field != '\0';
        EXPECT_EQ(dialog.GetModalResult(), confirmed ? FileDialog::kConfirmed : 0);
        const char* path = dialog.GetFileName();
        if (confirmed) {
            ASSERT_NE(path, nullptr);
            EXPECT_EQ(std::string(path), Saves() + deep + "\\" + deep + "\\" + c.field);
            EXPECT_GT(std::string(path).size(), 255u);
        } else {
            EXPECT_EQ(path, nullptr);
        }
        dialog.Close();
    }
    Stop();
}

// The folder of Scores: its last part counts as a file name without a
// trailing "\" (the parent is listed); without the key, the root of c:.
TEST_F(FileDialogTest, TheListShowsTheSaveFolder) {
    const struct {
        const char* scores;
        const char* drive;
        const char* ends; // the list's directory ends so
    } cases[] = {{"saves\\", "", "\\data\\saves\\"}, {"saves", "", "\\data\\"}, {"", "c:", "\\"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scores);
        fixture.scores = c.scores;
        Start();
        platform::ClearMessageBoxLog();
        FileDialog dialog;
        dialog.Build(&App(), FileDialog::kLoad);
        const std::string directory = dialog.FileList().GetDirectory().c_str();
        EXPECT_STREQ(dialog.FileList().GetDrive().c_str(), c.drive);
        EXPECT_GE(directory.size(), std::strlen(c.ends));
        EXPECT_EQ(directory.substr(directory.size() - std::strlen(c.ends)), c.ends);
        EXPECT_FALSE(dialog.OkButton().IsEnabled()) << "OK waits for a choice";
        EXPECT_TRUE(Boxes().empty()) << "a missing key is no error";
        dialog.Close();
        Stop();
    }
}

} // namespace
} // namespace gametest
