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

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace {

using uitest::Heard;
using uitest::InputTest;

// A file list over a temporary folder mapped as drive c:, with an up control
// beside it, opened on one folder of the tree a suite writes and focused.
class FileListTest : public InputTest {
protected:
    struct Tree {
        const char* folder;
        std::vector<const char*> folders, files; // relative to drive c:
        int32_t height;
    };
    void Open(const Tree& tree) {
        namespace fs = std::filesystem;
        const fs::path base = dir.Path();
        for (const char* folder : tree.folders)
            fs::create_directories(base / folder);
        for (const char* name : tree.files)
            std::ofstream(base / name) << name;
        platform::MapDrive('c', base.string().c_str());
        list.SetFont(fonts.pixel.get());
        list.SetRect(100, 100, 200, tree.height);
        list.SetUpControl(&up);
        up.SetRect(320, 100, 20, 20);
        up.Show(&root);
        list.Show(&root);
        list.SetDirectory((std::string("\\") + tree.folder).c_str());
        list.Focus(true);
    }
    void TearDown() override {
        list.Hide();
        up.Hide();
        platform::UnmapAllDrives();
        InputTest::TearDown();
    }
    std::vector<std::string> Names() { return uitest::ListedTexts(list); }
    int Row(const std::string& name) {
        const std::vector<std::string> names = Names();
        const auto at = std::find(names.begin(), names.end(), name);
        EXPECT_NE(at, names.end()) << name;
        return int(at - names.begin()) + 1;
    }
    // Selects an item as a key or a click would: after a layout, which a
    // refill leaves pending.
    void Choose(const std::string& name) {
        const int row = Row(name);
        list.Update();
        list.MoveCursor(TPoint(1, row), 0, 0);
    }
    using V = std::vector<std::string>;

    testsupport::TempDir dir;
    uitest::TextFonts fonts;
    TClickCtl up;
    TFileLst list;
    Heard heard;
};

class FileLst : public FileListTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        list.SetEdit(&edit);
        Open({"SAVES",
              {"SAVES/OLD"},
              {"SAVES/SLOT1.SAV", "SAVES/slot2.sav", "SAVES/SLOT1.BAK", "SAVES/notes.txt",
               "SAVES/GAME.EXE", "SAVES/game.exe", "readme.txt"},
              150});
        heard.Listen(list, {TFileLst::evFileChosen});
        Frame();
    }
    TEditCtl edit;
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

// The file list checked rule by rule over a folder mapped as drive c: the
// order of folders and files (case folded as the C library's stricmp does),
// long names, the pattern separators, attribute masks, pictures by
// extension, short names, folder paths with "..", going up, missing folders
// and drives, the linked edit and the events of choosing.
namespace {

using uitest::Heard;
using uitest::InputTest;

// c:\ holds GAMES\ with folders, long names, programs, a read-only save
// and names around the letters ('_' sorts before them when case folds down).
class FileListCheck : public FileListTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        Open({"GAMES",
              {"GAMES/OLD", "GAMES/_tmp", "GAMES/Long Folder Name"},
              {"GAMES/SLOT1.SAV", "GAMES/slot2.sav", "GAMES/SLOT1.BAK", "GAMES/My Game.sav",
               "GAMES/_quick.sav", "GAMES/Zeta.sav", "GAMES/GAME.EXE", "GAMES/game.exe",
               "GAMES/tool.com", "GAMES/run.bat", "GAMES/x.exe.txt", "GAMES/ro.sav", "GAMES/noext",
               "top.txt"},
              3 + 20 * 9 + 3});
        ::chmod((dir.Path() / "GAMES" / "ro.sav").c_str(), 0444); // before the first listing
        heard.Listen(list, {TFileLst::evFileChosen, evCommand});
        Frame();
    }
};

TEST_F(FileListCheck, ANewListShowsAllOfItsFolderOnDriveC) {
    TFileLst fresh;
    fresh.SetFont(fonts.pixel.get());
    fresh.SetRect(100, 300, 200, 100);
    fresh.Show(&root);
    fresh.SetDirectory("\\");
    EXPECT_EQ(uitest::ListedTexts(fresh), (V{"GAMES", "top.txt"}));
    fresh.Hide();
}

TEST_F(FileListCheck, FoldersFirstThenFilesInFoldedNameOrder) {
    EXPECT_EQ(Names(), (V{"..", "_tmp", "Long Folder Name", "OLD", "_quick.sav", "GAME.EXE",
                          "game.exe", "My Game.sav", "noext", "ro.sav", "run.bat", "SLOT1.BAK",
                          "SLOT1.SAV", "slot2.sav", "tool.com", "x.exe.txt", "Zeta.sav"}));
}

TEST_F(FileListCheck, PatternListsSeparatorsAndRepeats) {
    struct Case {
        const char* patterns;
        V files; // after the four folders
    } cases[] = {
        {"*.SAV;*.BAK",
         {"_quick.sav", "My Game.sav", "ro.sav", "SLOT1.BAK", "SLOT1.SAV", "slot2.sav",
          "Zeta.sav"}},
        {"*.bak,*.com|*.bat *.exe", {"GAME.EXE", "game.exe", "run.bat", "SLOT1.BAK", "tool.com"}},
        {"*.SAV;S*;;slot?.*",
         {"_quick.sav", "My Game.sav", "ro.sav", "SLOT1.BAK", "SLOT1.SAV", "slot2.sav",
          "Zeta.sav"}},
        {"noext", {"noext"}},
        {"*.zip", {}},
    };
    for (const Case& c : cases) {
        list.SetPattern(c.patterns);
        V expected{"..", "_tmp", "Long Folder Name", "OLD"};
        expected.insert(expected.end(), c.files.begin(), c.files.end());
        EXPECT_EQ(Names(), expected) << c.patterns;
    }
    list.SetPattern("*.sav");
    EXPECT_STREQ(list.GetPattern().c_str(), "*.SAV");
}

TEST_F(FileListCheck, TheAttributeMaskChoosesFoldersAndFiles) {
    struct Case {
        uint32_t mask;
        V names;
    } cases[] = {
        {0x01, {"ro.sav"}},
        {0x10, {"..", "_tmp", "Long Folder Name", "OLD"}},
        {0x11, {"..", "_tmp", "Long Folder Name", "OLD", "ro.sav"}},
        {2209, {"_quick.sav", "My Game.sav", "ro.sav", "SLOT1.SAV", "slot2.sav", "Zeta.sav"}},
    };
    list.SetPattern("*.sav");
    for (const Case& c : cases) {
        list.SetAttributes(c.mask);
        EXPECT_EQ(list.GetAttributes(), c.mask);
        EXPECT_EQ(Names(), c.names) << c.mask;
    }
    list.SetAttributes(0);
    EXPECT_EQ(list.GetAttributes(), 177u);
    EXPECT_EQ(Names().size(), 4u + 6u);
}

TEST_F(FileListCheck, PicturesByKindAndExtension) {
    uitest::CountingPicture file, folder, program;
    list.SetFilePicture(&file);
    list.SetFolderPicture(&folder);
    list.SetProgramPicture(&program);
    Frame();
    EXPECT_EQ(folder.locks, 4);  // "..", _tmp, Long Folder Name, OLD
    EXPECT_EQ(program.locks, 4); // GAME.EXE, game.exe, tool.com, run.bat
    EXPECT_EQ(file.locks, 9);    // x.exe.txt and noext among them
    list.SetShowPictures(0);
    Frame();
    EXPECT_EQ(folder.locks + program.locks + file.locks, 17);
    // Without a program picture nothing is drawn for programs.
    list.SetShowPictures(1);
    list.SetProgramPicture(nullptr);
    Frame();
    EXPECT_EQ(program.locks, 4);
    EXPECT_EQ(file.locks, 18);
}

TEST_F(FileListCheck, ShortNamesEndBeforeTheFirstDot) {
    list.SetFullNames(0);
    list.SetPattern("*.TXT;NOEXT;MY*");
    EXPECT_EQ(Names(), (V{"..", "_tmp", "Long Folder Name", "OLD", "My Game", "noext", "x"}));
    // The record keeps the whole name; the edit mirrors the listed text.
    TEditCtl edit;
    list.SetEdit(&edit);
    Choose("x");
    list.Rewind(1);
    const char* text;
    uintptr_t data = 0;
    ASSERT_EQ(list.GetNextSelected(&text, &data), 1);
    EXPECT_STREQ(reinterpret_cast<const TFileRecord*>(data)->name, "x.exe.txt");
    EXPECT_STREQ(edit.GetText().c_str(), "x");
    list.SetEdit(nullptr);
}

TEST_F(FileListCheck, DirectoriesDrivesAndGoingUp) {
    struct Case {
        const char* path;
        const char* directory;
    } cases[] = {
        {"\\SAVES\\..", "\\"},           {"SAVES", "\\SAVES"}, {"GAMES\\OLD", "\\GAMES\\OLD"},
        {"\\A\\B\\C\\..\\..", "\\A\\B"}, {"\\A\\B..", "\\"},   {"..", "\\"}};
    for (const Case& c : cases) {
        list.SetDirectory(c.path);
        EXPECT_STREQ(list.GetDirectory().c_str(), c.directory) << c.path;
    }
    struct Up {
        const char* from;
        const char* to;
    } ups[] = {{"\\GAMES\\OLD", "\\GAMES"},
               {"\\GAMES\\OLD\\", "\\GAMES"},
               {"\\GAMES", "\\"},
               {"\\", "\\"}};
    for (const Up& u : ups) {
        list.SetDirectory(u.from);
        EXPECT_STREQ(list.GetDirectory().c_str(), u.from);
        list.GoUp();
        EXPECT_STREQ(list.GetDirectory().c_str(), u.to) << u.from;
    }
    TFileLst fresh; // never given a folder: up does nothing
    fresh.GoUp();
    EXPECT_STREQ(fresh.GetDirectory().c_str(), "");

    list.SetDirectory("\\GAMES\\OLD"); // empty: only the system's ".."
    EXPECT_EQ(Names(), V{".."});
    list.SetDirectory("\\NOWHERE");
    EXPECT_EQ(Names(), V{".."});
    list.SetAttributes(0x20); // a missing folder without folders listed: nothing
    EXPECT_TRUE(Names().empty());
    list.SetAttributes(0);
    list.SetDirectory("\\GAMES");
    list.SetDrive("c:"); // the same drive keeps the folder
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\GAMES");
    list.SetDrive("z:");
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\");
    EXPECT_EQ(Names(), V{".."});
    list.SetDrive("c:");
    EXPECT_EQ(Names(), (V{"GAMES", "top.txt"}));
}

TEST_F(FileListCheck, EnterOpensFoldersAndChoosesFiles) {
    list.SetDirectory("\\");
    Choose("GAMES");
    Press(kKeyEnter);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\GAMES");
    Choose("Long Folder Name");
    Press(kKeyEnter);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\GAMES\\Long Folder Name");
    EXPECT_EQ(Names(), V{".."});
    Choose("..");
    Press(kKeyEnter);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\GAMES");
    EXPECT_EQ(heard.count[TFileLst::evFileChosen], 0);
    EXPECT_EQ(heard.count[evCommand], 3);
    // A double click on a file chooses it, and the command still goes out.
    Frame();
    const int y = 100 + 3 + (Row("ro.sav") - 1) * 9 + 4;
    platform::ClockAdvance(1000);
    Click(150, y);
    Click(150, y);
    EXPECT_EQ(heard.count[TFileLst::evFileChosen], 1);
    EXPECT_EQ(heard.count[evCommand], 4);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\GAMES");
}

TEST_F(FileListCheck, TheLinkedEditFollowsTheSelection) {
    TEditCtl edit;
    edit.SetText("old");
    list.SetEdit(&edit);
    EXPECT_STREQ(edit.GetText().c_str(), "");
    Names();
    for (const char* name : {"My Game.sav", "OLD", "..", "noext"}) {
        Choose(name);
        EXPECT_STREQ(edit.GetText().c_str(), name);
    }
    list.SetPattern("*.zip"); // the refill clears the selection
    Names();
    EXPECT_STREQ(edit.GetText().c_str(), "");
    list.SetEdit(nullptr);
}

TEST_F(FileListCheck, TheUpControlWorksOnlyWhileTheListIsShown) {
    list.SetDirectory("\\GAMES\\OLD");
    Click(330, 110);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\GAMES");
    list.Hide();
    EXPECT_EQ(list.GetItemCount(), 0);
    Click(330, 110);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\GAMES");
    list.Show(&root);
    Click(330, 110);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\");
    // A new up control replaces the old one.
    TClickCtl other;
    other.SetRect(360, 100, 20, 20);
    other.Show(&root);
    list.SetUpControl(&other);
    list.SetDirectory("\\GAMES");
    Click(330, 110);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\GAMES");
    Click(370, 110);
    EXPECT_STREQ(list.GetDirectory().c_str(), "\\");
    list.SetUpControl(&up);
    other.Hide();
}

} // namespace
