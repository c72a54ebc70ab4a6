// The task bar: its panels come up when the pointer enters their strips along
// the bottom edge, go as soon as it leaves them, and their buttons ask for the
// map, the menu, the last conversation and the other language.
#include "GameTestFixture.h"

#include "CtfWriter.h"
#include "GamePictures.h"
#include "SectionWriter.h"
#include "TInventoryView.h"
#include "TaskBarPanel1.h"
#include "TaskBarPanel2.h"

#include "foundation/TEvent.h"
#include "foundation/TDeleteQueue.h"
#include "media/devices/TDispDev.h"

namespace gametest {
namespace {

class TaskBarTest : public GameTest {
protected:
    // A pointer move to (x, y) of the game screen.
    static void MoveTo(int x, int y) {
        TRectArea screen;
        App().World()->GetScreenRect(screen);
        platform::InjectMouseMove(TDispDev::Global().GetWindow(), screen.left + x, screen.top + y);
        RunTicks(1);
    }
    static void Click(TListForm& button) {
        TEvent command;
        command.SetType(evCommand);
        button.Dispatch(&button, &command);
    }
    void StartWritten() {
        Statics().noteHook = &RecordNote;
        ASSERT_TRUE(GameSetUp());
        App().Show();
        RunTicks(1);
    }
    // The game with the pointer in the middle of the screen (the pointer
    // shows once it has come into the window).
    void StartWithPointer() {
        Start();
        MoveTo(400, 300);
    }
    static GameWorld& World() { return *App().World(); }
    // The second index names the first and the first the second; both are
    // the same game.
    void WriteSecondLanguage(const std::string& other = "resource_de.ini") {
        const std::vector<unsigned char> bytes =
            testsupport::TempDir::Read(dir.File("resource.ini"));
        std::string index(bytes.begin(), bytes.end());
        const std::string path = "Path=data\r\n";
        const size_t at = index.find(path);
        ASSERT_NE(at, std::string::npos);
        std::string second = index;
        second.insert(at + path.size(), "ResourceIni=resource.ini\r\n");
        const std::string hints = "text\\hint.ctf";
        second.replace(second.find(hints), hints.size(), "text\\hint_de.ctf");
        dir.Write("data/text/hint_de.ctf",
                  tools::WriteCtf(tools::WriteSections({{"key", "Ein Schluessel"}}),
                                  tools::CtfPacking::Stored));
        index.insert(at + path.size(), "ResourceIni=" + other + "\r\n");
        dir.Write("resource.ini", index);
        dir.Write("resource_de.ini", second);
    }
};

TEST_F(TaskBarTest, PanelsComeUpFromTheirStripsAndGoWhenThePointerLeaves) {
    StartWithPointer();
    GameWorld& world = World();
    TaskBarPanel1& left = world.LeftPanel();
    TaskBarPanel2& right = world.RightPanel();
    EXPECT_FALSE(left.IsVisible());
    EXPECT_FALSE(right.IsVisible());
    MoveTo(50, 595);
    EXPECT_TRUE(left.IsVisible());
    EXPECT_FALSE(right.IsVisible());
    // Up into the panel keeps it; the first column outside it hides it.
    MoveTo(50, 560);
    EXPECT_TRUE(left.IsVisible());
    MoveTo(108, 560);
    EXPECT_FALSE(left.IsVisible());
    // Its strip brings it up again.
    MoveTo(107, 599);
    EXPECT_TRUE(left.IsVisible());
    MoveTo(400, 300);
    EXPECT_FALSE(left.IsVisible());
    MoveTo(692, 590);
    EXPECT_TRUE(right.IsVisible());
    MoveTo(691, 590);
    EXPECT_FALSE(right.IsVisible());
    Stop();
}

TEST_F(TaskBarTest, NoPanelComesUpWhileADialogRuns) {
    StartWithPointer();
    ASSERT_TRUE(Run("Dialog.Do('chat', 0)"));
    ASSERT_TRUE(World().DialogRunning());
    MoveTo(50, 595);
    MoveTo(750, 595);
    EXPECT_FALSE(World().LeftPanel().IsVisible());
    EXPECT_FALSE(World().RightPanel().IsVisible());
    Stop();
}

TEST_F(TaskBarTest, TheLeftPanelAsksForTheMapAndOpensTheMenu) {
    fixture.mainScript = "Map = {} function Map.DoShow() Error('show') return 1 end"
                         " function main() end";
    StartWithPointer();
    TaskBarPanel1& left = World().LeftPanel();
    // The map button shows one picture in every state.
    const TStyle& style = left.Button(0).GetStyleRecords();
    for (int32_t n : {1, 2, 4, 5})
        EXPECT_EQ(style.GetRecord(n).source, style.GetRecord(1).source) << n;
    EXPECT_NE(style.GetRecord(1).source, nullptr);
    Click(left.Button(0));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"show"});
    MoveTo(50, 595);
    ASSERT_TRUE(left.IsVisible());
    Click(left.Button(1));
    EXPECT_FALSE(left.IsVisible());
    EXPECT_EQ(App().MenuCount(), 1);
    Stop();
}

TEST_F(TaskBarTest, TheReplayButtonStartsRepeatdialogWithNothingRecorded) {
    Start();
    Click(World().RightPanel().Button(0));
    // No such dialog: the dialog view starts nothing and the game goes on.
    EXPECT_FALSE(World().DialogRunning());
    EXPECT_TRUE(Boxes().empty());
    Stop();
}

TEST_F(TaskBarTest, TheLanguageButtonShowsTheLanguageItSwitchesFrom) {
    WriteGame();
    WriteSecondLanguage();
    StartWritten();
    Language& language = Statics().language;
    ASSERT_TRUE(language.Switch(1));
    // A world made now starts with the second language's button.
    App().DestroyWorld();
    DrainDeleteLater();
    App().CreateWorld();
    TaskBarPanel2& right = World().RightPanel();
    EXPECT_EQ(right.LanguageFlag(), 1);
    TPicture* second = right.Button(1).GetStyleRecords().GetRecord(1).source;
    EXPECT_EQ(second, NamedPicture("picGameBtnLanguage2a"));
    EXPECT_EQ(right.Button(1).GetStyleRecords().GetRecord(2).source,
              NamedPicture("picGameBtnLanguage2b"));
    Click(right.Button(1));
    EXPECT_EQ(language.Index(), 0);
    EXPECT_EQ(right.LanguageFlag(), 0);
    EXPECT_EQ(right.Button(1).GetStyleRecords().GetRecord(1).source,
              NamedPicture("picGameBtnLanguage1a"));
    Stop();
}

// The inventory's slots take their hints again in the new language.
TEST_F(TaskBarTest, TheInventoryFollowsTheLanguage) {
    WriteGame();
    WriteSecondLanguage();
    StartWritten();
    ASSERT_TRUE(Run("Engine.AddInventoryItem({}, 'key', 1)"));
    TListForm& slot = World().InventoryView().SlotControl(0);
    EXPECT_STREQ(slot.GetHint().c_str(), "A key");
    Click(World().RightPanel().Button(1));
    ASSERT_EQ(Statics().language.Index(), 1);
    EXPECT_STREQ(slot.GetHint().c_str(), "Ein Schluessel");
    Stop();
}

TEST_F(TaskBarTest, ARefusedSwitchLeavesTheButton) {
    // The other index is not there: the switch is refused (and reported).
    WriteGame();
    WriteSecondLanguage("missing.ini");
    StartWritten();
    TaskBarPanel2& right = World().RightPanel();
    Click(right.Button(1));
    EXPECT_EQ(Statics().language.Index(), 0);
    EXPECT_EQ(right.LanguageFlag(), 0);
    EXPECT_EQ(right.Button(1).GetStyleRecords().GetRecord(1).source,
              NamedPicture("picGameBtnLanguage1a"));
    Stop();
}

} // namespace
} // namespace gametest
