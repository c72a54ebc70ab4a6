// The file list over a temporary folder mapped as drive c: what it lists and
// in which order, patterns, masks and short names, changing folders by name,
// by Enter and by the up control, the linked edit, choosing a file, and the
// pictures of programs.
#include "ListFixture.h"
#include "TempDir.h"
#include "TextFonts.h"

#include "foundation/TKeys.h"
#include "platform/File.h"
#include "ui/TClickCtl.h"
#include "ui/TFileLst.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

using uitest::Heard;
using uitest::InputTest;

class FileLst : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        namespace fs = std::filesystem;
        const fs::path base = dir.Path();
        fs::create_directories(base / "SAVES" / "OLD");
        for (const char* name :
             {"SAVES/SLOT1.SAV", "SAVES/slot2.sav", "SAVES/SLOT1.BAK", "SAVES/notes.txt",
              "SAVES/GAME.EXE", "SAVES/game.exe", "readme.txt"})
            std::ofstream(base / name) << name;
        platform::MapDrive('c', base.string().c_str());
        list.SetFont(fonts.pixel.get());
        list.SetRect(100, 100, 200, 150);
        list.SetUpControl(&up);
        list.SetEdit(&edit);
        up.SetRect(320, 100, 20, 20);
        up.Show(&root);
        list.Show(&root);
        list.SetDirectory("\\SAVES");
        list.Focus(true);
        heard.Listen(list, {TFileLst::evFileChosen});
        Frame();
    }
    void TearDown() override {
        list.Hide();
        up.Hide();
        platform::UnmapAllDrives();
        InputTest::TearDown();
    }
    std::vector<std::string> Names() { return uitest::ListedTexts(list); }
    // Selects the item with that text, as a click would.
    void Choose(const std::string& name) {
        const std::vector<std::string> names = Names();
        const auto at = std::find(names.begin(), names.end(), name);
        ASSERT_NE(at, names.end()) << name;
        list.MoveCursor(TPoint(1, int32_t(at - names.begin()) + 1), 0, 0);
    }
    using V = std::vector<std::string>;

    testsupport::TempDir dir;
    uitest::TextFonts fonts;
    TClickCtl up;
    TEditCtl edit;
    TFileLst list;
    Heard heard;
};

TEST_F(FileLst, FoldersFirstThenEachMatchingFileOnceByName) {
    EXPECT_EQ(list.GetAttributes(), 177u);
    EXPECT_EQ(Names(), (V{"..", "OLD", "GAME.EXE", "game.exe", "notes.txt", "SLOT1.BAK",
                          "SLOT1.SAV", "slot2.sav"}));
    list.SetPattern("*.sav;*.BAK,s*");
    EXPECT_STREQ(list.GetPattern().c_str(), "*.SAV;*.BAK,S*");
    EXPECT_EQ(Names(), (V{"..", "OLD", "SLOT1.BAK", "SLOT1.SAV", "slot2.sav"}));
    list.SetPattern("");
    EXPECT_STREQ(list.GetPattern().c_str(), "*.*");
    EXPECT_EQ(Names().size(), 8u);
    list.SetAttributes(0);
    EXPECT_EQ(list.GetAttributes(), 177u);
    list.SetAttributes(0x20);               // files only: no folders, not even ".."
    EXPECT_EQ(Names().front(), "GAME.EXE"); // ties keep the order found
}

TEST_F(FileLst, ShortNamesDropTheExtensionButKeepTheRecord) {
    list.SetPattern("SLOT1.SAV");
    list.SetFullNames(0);
    EXPECT_EQ(Names(), (V{"..", "OLD", "SLOT1"}));
    list.Rewind(1);
    const char* text;
    uintptr_t data = 0;
    for (int i = 0; i < 3; ++i)
        list.GetNext(&text, &data);
    const TFileRecord* record = reinterpret_cast<const TFileRecord*>(data);
    EXPECT_STREQ(record->name, "SLOT1.SAV");
    EXPECT_EQ(record->attributes & 0x20u, 0x20u);
}

TEST_F(FileLst, DirectoriesResolveDotsAndGoUpToTheRoot) {
    struct Case {
        const char* path;
        const char* directory;
    } cases[] = {{"\\SAVES\\..", "\\"}, {"SAVES", "\\SAVES"}, {"\\SAVES\\OLD\\..", "\\SAVES"},
                 {"\\..", "\\"},        {"", "\\"},           {"..\\..\\..", "\\"}};
    for (const Case& c : cases) {
        list.SetDirectory(c.path);
        EXPECT_STREQ(list.GetDirectory().c_str(), c.directory) << c.path;
    }
    list.SetDirectory("\\");
    EXPECT_EQ(Names(), (V{"SAVES", "readme.txt"})); // a drive's root has no ".."
    list.GoUp();
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\");
    list.SetDirectory("\\NOWHERE");
    EXPECT_EQ(Names(), (V{".."}));
    list.SetDrive("q:"); // not mapped
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\");
    EXPECT_EQ(Names(), (V{".."}));
}

TEST_F(FileLst, EnterOnAFolderOpensItAndTheUpControlLeavesIt) {
    Names();
    Choose("OLD");
    EXPECT_TRUE(Press(kKeyEnter));
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\SAVES\\OLD");
    EXPECT_EQ(Names(), (V{
                           "..",
                       }));
    Choose("..");
    Press(kKeyEnter);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\SAVES");
    // The up button's command.
    Click(330, 110);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\");
    Click(330, 110);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\");
    EXPECT_EQ(heard.count[TFileLst::evFileChosen], 0);
}

TEST_F(FileLst, TheEditMirrorsTheSelectionAndAFileIsChosen) {
    EXPECT_STREQ(edit.GetText().c_str(), "");
    Names();
    Choose("SLOT1.SAV");
    EXPECT_STREQ(edit.GetText().c_str(), "SLOT1.SAV");
    Press(kKeyEnter);
    EXPECT_EQ(heard.count[TFileLst::evFileChosen], 1);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\SAVES");
    list.ClearItems();
    EXPECT_STREQ(edit.GetText().c_str(), "");
}

TEST_F(FileLst, ProgramsOfEitherCaseTakeTheProgramPicture) {
    uitest::CountingPicture file, folder, program;
    list.SetFilePicture(&file);
    list.SetFolderPicture(&folder);
    list.SetProgramPicture(&program);
    list.SetHeight(3 + 9 * 8 + 3 + 10); // every item shows
    Frame();
    EXPECT_EQ(program.locks, 2); // GAME.EXE and game.exe
    EXPECT_EQ(folder.locks, 2);  // ".." and OLD
    EXPECT_EQ(file.locks, 4);
}

TEST_F(FileLst, HidingEmptiesTheListAndShowingReadsTheFolderAgain) {
    EXPECT_EQ(Names().size(), 8u);
    list.Hide();
    EXPECT_EQ(list.GetItemCount(), 0);
    list.Show(&root);
    EXPECT_EQ(Names().size(), 8u);
}

TEST_F(FileLst, AListDeletedBeforeItsUpControlLeavesIt) {
    auto other = std::make_unique<TFileLst>();
    other->SetUpControl(&up);
    other->Show(&root);
    other->Show(&root);
    const void* gone = other.get();
    EXPECT_TRUE(up.Has(evCommand, const_cast<void*>(gone)));
    other.reset();
    EXPECT_FALSE(up.Has(evCommand, const_cast<void*>(gone)));
    Click(330, 110); // the fixture's list still goes up
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\");
}

} // namespace
