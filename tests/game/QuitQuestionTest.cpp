// The ways out of the game as the player answers them on the headless
// window, the pages and boxes running and waiting for his input: the menu's
// Exit, Alt+F4 and the desktop's log-off question, each answered no (the
// game goes on as it was) and then yes (the game ends).
#include "GameTestFixture.h"

#include "GameMenu.h"
#include "MenuClicks.h"

#include "ui/TEngine.h"

namespace gametest {
namespace {

namespace mc = menuclicks;

class QuitQuestionTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        fixture.mainTexts = {{"SHUTDOWN", "May the computer shut down?"}};
    }
    // The game, its pages and boxes waiting for the player.
    void StartScripted() {
        Start();
        App().SetScriptedInput(true);
    }
    // The game runs on as it was before the question.
    static void ExpectGoingOn(GameWorld* world, int32_t menuFlag) {
        EXPECT_TRUE(App().IsEnabled());
        EXPECT_EQ(App().World(), world);
        EXPECT_EQ(App().MenuFlag(), menuFlag) << "the question gives the flag back";
        EXPECT_TRUE(Boxes().empty()) << "the game's own page or box asked";
    }
    static void ExpectEnded() {
        EXPECT_FALSE(App().IsEnabled());
        EXPECT_EQ(App().World(), nullptr);
    }
};

// Exit never quits at once: No on the quit page returns to the menu as it
// was; Yes ends the game.
TEST_F(QuitQuestionTest, ExitThenNoKeepsTheMenuAndExitThenYesEnds) {
    StartScripted();
    App().OpenMenu();
    GameWorld* world = App().World();
    mc::Play({mc::kExit, mc::kQuitNo});
    ExpectGoingOn(world, 1);
    EXPECT_TRUE(App().Menu().IsVisible());
    EXPECT_EQ(App().MenuCount(), 1);

    mc::Play({mc::kExit, mc::kQuitYes});
    ExpectEnded();
    App().Shutdown();
}

// Alt+F4 asks on the quit page, the log-off in the question box with
// txtMain's "SHUTDOWN" (Escape is no); no keeps the game, yes ends it.
TEST_F(QuitQuestionTest, AltF4AndTheLogOffAskFirst) {
    using Kind = mc::Step::Kind;
    for (Kind way : {Kind::AltF4, Kind::LogOff}) {
        SCOPED_TRACE(way == Kind::AltF4 ? "Alt+F4" : "log-off");
        TEngine engine;
        testsupport::UseMemoryDesktop(16);
        StartScripted();
        GameWorld* world = App().World();
        ASSERT_NE(world, nullptr);
        const bool altF4 = way == Kind::AltF4;
        const mc::Step no =
            altF4 ? mc::Step(mc::kQuitNo) : mc::Step::Press(platform::KeyCode::Escape);
        const mc::Step yes =
            altF4 ? mc::kQuitYes : mc::QuestionButton("May the computer shut down?", true);
        mc::Play({mc::Step::Of(way), no});
        ExpectGoingOn(world, 0);
        EXPECT_TRUE(world->IsVisible());

        mc::Play({mc::Step::Of(way), yes});
        ExpectEnded();
        App().Shutdown();
    }
}

} // namespace
} // namespace gametest
