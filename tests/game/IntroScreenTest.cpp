// The intro before the game: it plays the intro animation to its end, or
// ends at the player's first key or button release; other reports of the
// animation player leave it running.
#include "GameTestFixture.h"

#include "IntroScreen.h"

#include "foundation/TEvent.h"
#include "media/animation/TMetaAni.h"

namespace gametest {
namespace {

class IntroScreenTest : public GameTest {
protected:
    // The game with its intro (five frames at ten a second) and its main
    // reporting; `beforeShow` runs between the set-up and the first show.
    template <class Before> void StartWithIntro(Before beforeShow) {
        fixture.intro = true;
        fixture.mainScript = "function main() Error('main') end";
        WriteDevOptions("[DEBUG]\r\nShowIntro=2\r\nShowGameMenu=0\r\n");
        WriteGame();
        Statics().noteHook = &RecordNote;
        ASSERT_TRUE(GameSetUp());
        beforeShow();
        start = timeGetTime();
        App().Show();
        RunTicks(1);
    }
    static bool Running(IntroScreen& intro) { return intro.IsVisible() && intro.IsEnabled(); }

    DWORD start = 0;
};

TEST_F(IntroScreenTest, TheIntroPlaysToItsEndBeforeTheGameStarts) {
    StartWithIntro([] {});
    EXPECT_GE(timeGetTime() - start, 500u);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"main"});
    Stop();
}

TEST_F(IntroScreenTest, AKeyInTheFirstFrameEndsTheIntro) {
    StartWithIntro([] {
        platform::InjectKey(platform::KeyCode::Space, true);
        platform::InjectKey(platform::KeyCode::Space, false);
    });
    EXPECT_LT(timeGetTime() - start, 100u);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"main"});
    Stop();
}

TEST_F(IntroScreenTest, OnlyTheAnimationsEndEndsTheIntro) {
    Start();
    IntroScreen intro;
    intro.SetRect(0, 0, 800, 600);
    // Close without Open only closes.
    intro.Close();
    EXPECT_EQ(intro.State(), 0);
    intro.Open(&App(), nullptr);
    intro.Show();
    EXPECT_EQ(intro.State(), 1);
    TEvent report;
    report.SetType(TSoundGraphic::evAnimation);
    for (int32_t code : {TSoundGraphic::snStarted, TSoundGraphic::snFrame}) {
        report.data[0] = code;
        intro.Player().Dispatch(&intro.Player(), &report);
        EXPECT_TRUE(Running(intro)) << code;
    }
    report.data[0] = TSoundGraphic::snEnd;
    intro.Player().Dispatch(&intro.Player(), &report);
    EXPECT_FALSE(Running(intro));
    intro.Close();
    EXPECT_EQ(intro.State(), 0);
    EXPECT_EQ(intro.Player().GetParent(), nullptr);
    Stop();
}

} // namespace
} // namespace gametest
