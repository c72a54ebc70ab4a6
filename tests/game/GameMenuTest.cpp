// The game menu's main page and the quit question: the buttons' pictures
// and enabled states by whether a game runs, a new game asked for over a
// running one, Exit through the application's quit question, Back.
#include "GameTestFixture.h"

#include "GameMenu.h"
#include "MenuPage.h"
#include "MenuClicks.h"
#include "QuitPage.h"

#include "TRoom.h"
#include "TRoomSound.h"

#include <filesystem>

namespace gametest {
namespace {

namespace mc = menuclicks;

class GameMenuTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        fixture.mainTexts = {{"GAME_NEW_WARNING", "Start a new game?"}};
    }
    void TearDown() override {
        platform::SetMessageBoxPolicy(platform::BoxPolicy::FirstButton);
        GameTest::TearDown();
    }
};

TEST_F(GameMenuTest, WithoutAGameSaveAndBackShowTheirDisabledPictures) {
    Start();
    App().DestroyWorld();
    App().OpenMenu();
    GameMenu& menu = App().Menu();
    ASSERT_TRUE(menu.Built());
    EXPECT_TRUE(menu.IsVisible());
    for (auto [button, disabled] : {std::pair{&menu.SaveButton(), "picMenuBtnSave1c"},
                                    std::pair{&menu.BackButton(), "picMenuBtnGoBack1c"}}) {
        SCOPED_TRACE(disabled);
        EXPECT_FALSE(button->IsEnabled());
        EXPECT_EQ(button->GetStyleRecords().GetRecord(3).source, MenuPicture(disabled));
        EXPECT_NE(MenuPicture(disabled), nullptr);
    }
    EXPECT_TRUE(menu.NewButton().IsEnabled());
    EXPECT_EQ(menu.NewButton().GetStyleRecords().GetRecord(4).source,
              MenuPicture("picMenuBtnNew1b"));
    EXPECT_EQ(menu.NewButton().GetX(), 175);

    // Opened again over a game, the page is laid out anew: both work.
    App().CloseMenu();
    EXPECT_FALSE(menu.Built());
    ASSERT_EQ(App().NewGame(), 1);
    App().OpenMenu();
    EXPECT_TRUE(menu.SaveButton().IsEnabled());
    EXPECT_TRUE(menu.BackButton().IsEnabled());
    Stop();
}

// New over a running game asks first: no keeps the game behind the open
// menu, yes starts a new one and closes the menu. Without a game nothing is
// asked.
TEST_F(GameMenuTest, NewAsksBeforeItReplacesARunningGame) {
    Start();
    App().OpenMenu();
    GameWorld* running = App().World();
    GameMenu& menu = App().Menu();
    platform::ScriptMessageBoxAnswers({IDNO, IDYES});
    platform::ClearMessageBoxLog();
    menu.OnNewClick(nullptr, nullptr);
    EXPECT_EQ(App().World(), running);
    EXPECT_EQ(App().MenuCount(), 1);
    EXPECT_TRUE(menu.Built());
    EXPECT_TRUE(menu.SaveButton().IsEnabled());
    EXPECT_EQ(Boxes("Start a new game?").size(), 1u);

    menu.OnNewClick(nullptr, nullptr);
    EXPECT_NE(App().World(), running);
    EXPECT_EQ(App().MenuCount(), 0);
    EXPECT_FALSE(menu.Built());

    App().DestroyWorld();
    App().OpenMenu();
    platform::ClearMessageBoxLog();
    menu.OnNewClick(nullptr, nullptr);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_NE(App().World(), nullptr);
    Stop();
}

// A main script that stops half way begins no game: its error is said once
// and the menu stays as it was, without a half-built scene behind it.
TEST_F(GameMenuTest, NewWithABrokenMainScriptStaysInTheMenu) {
    WriteDevOptions("[DEBUG]\r\nShowGameMenu=1\r\n");
    fixture.mainScript = tools::DefaultMainScript() + "Game = {}\nbroken(\n";
    Start();
    ASSERT_EQ(App().World(), nullptr);
    GameMenu& menu = App().Menu();
    platform::ClearMessageBoxLog();
    menu.OnNewClick(nullptr, nullptr);
    EXPECT_EQ(App().World(), nullptr);
    EXPECT_TRUE(menu.Built());
    EXPECT_TRUE(menu.IsVisible());
    EXPECT_EQ(App().MenuCount(), 1);
    EXPECT_FALSE(menu.SaveButton().IsEnabled());
    RunTicks(5);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].find("define no table"), std::string::npos) << boxes[0];
    Stop();
}

// Exit never quits at once: it asks the application's quit question, and
// no goes back to the menu as it was. Back closes the menu on the game.
TEST_F(GameMenuTest, ExitAsksTheQuitQuestionAndBackReturnsToTheGame) {
    Start();
    App().OpenMenu();
    GameWorld* running = App().World();
    GameMenu& menu = App().Menu();
    platform::ScriptMessageBoxAnswers({IDNO});
    platform::ClearMessageBoxLog();
    menu.OnExitClick(nullptr, nullptr);
    EXPECT_TRUE(App().IsEnabled());
    RunTicks(2);
    EXPECT_EQ(Boxes("QuitPage").size(), 1u) << "the close request asked";
    EXPECT_TRUE(App().IsEnabled());
    EXPECT_EQ(App().World(), running);
    EXPECT_EQ(App().MenuFlag(), 1) << "the question gives the menu flag back";
    EXPECT_TRUE(menu.Built());

    menu.OnBackClick(nullptr, nullptr);
    EXPECT_EQ(App().MenuCount(), 0);
    EXPECT_EQ(App().MenuFlag(), 0);
    EXPECT_FALSE(menu.IsVisible());
    EXPECT_TRUE(running->IsVisible());
    Stop();
}

// By the player's clicks, the question waiting for him: New over a running
// game answered No keeps it behind the open menu (its sounds silent); Back
// returns to it with the room's sounds at the SoundVolume option.
TEST_F(GameMenuTest, NewAnsweredNoThenBackRestoresTheSounds) {
    fixture.options = "Hints=Yes\r\nSoundVolume=70\r\n";
    Start();
    App().SetScriptedInput(true);
    ASSERT_TRUE(Run("Engine.PlaySound('wavDrip', 1)"));
    GameWorld* running = App().World();
    TRoom& room = running->RoomView();
    ASSERT_EQ(room.PlayingSoundCount(), 1);
    const auto volume = [&room] { return room.PlayingSoundAt(0)->Sound().Audio().GetVolume(); };
    App().OpenMenu();
    EXPECT_EQ(volume(), 0u);
    mc::Play({mc::kNew, mc::QuestionButton("Start a new game?", false)});
    EXPECT_EQ(App().World(), running);
    EXPECT_EQ(App().MenuCount(), 1);
    EXPECT_TRUE(App().Menu().IsVisible());
    EXPECT_TRUE(App().Menu().SaveButton().IsEnabled());
    EXPECT_EQ(volume(), 0u);

    mc::Play({mc::kBack});
    EXPECT_EQ(App().MenuCount(), 0);
    EXPECT_TRUE(running->IsVisible());
    EXPECT_EQ(volume(), 70u);
    Stop();
}

// The quit page: its picture buttons at their places, 6 for yes, 7 for no.
TEST_F(GameMenuTest, TheQuitPageAnswersSixOrSeven) {
    Start();
    QuitPage page;
    page.Build(&App());
    EXPECT_EQ(page.YesButton().GetX(), 310);
    EXPECT_EQ(page.NoButton().GetX(), 430);
    page.OnNoClick(nullptr, nullptr);
    EXPECT_EQ(page.GetModalResult(), 7);
    page.OnYesClick(nullptr, nullptr);
    EXPECT_EQ(page.GetModalResult(), 6);
    page.Close();
    Stop();
}

// The demo's art on the quit page: at their places, Yes and No lie side by
// side without overlapping, both on the question's picture.
TEST(GameMenuArt, TheDemosQuitButtonsLieApartOnTheQuestion) {
    const std::filesystem::path menu =
        std::filesystem::path(DEMO_TREE) / "data" / "int" / "all" / "pictures" / "menu";
    const auto width = [&menu](const std::string& name) {
        const auto bytes = testsupport::TempDir::Read((menu / name).string());
        EXPECT_GE(bytes.size(), 26u) << name;
        if (bytes.size() < 26) return 0;
        return int(bytes[18] | bytes[19] << 8 | bytes[20] << 16 | uint32_t(bytes[21]) << 24);
    };
    constexpr int kQuestionX = 200, kYesX = 310, kNoX = 430;
    const int question = width("questexit.bmp");
    for (const char* state : {"a", "b"}) {
        SCOPED_TRACE(state);
        const int yes = width(std::string("btnyes1") + state + ".bmp");
        const int no = width(std::string("btnno1") + state + ".bmp");
        EXPECT_GT(yes, 0);
        EXPECT_LE(kYesX + yes, kNoX) << "Yes reaches under No";
        EXPECT_LE(kNoX + no, kQuestionX + question) << "No leaves the question";
    }
}

} // namespace
} // namespace gametest
