// The options page by the player's clicks on the headless window: the
// toggles and the volume bars take effect at once (tool tips, music), both
// ways back store the page in the configuration file, the way back to the
// game only while a game runs.
#include "GameTestFixture.h"

#include "GameMenu.h"
#include "MenuClicks.h"
#include "OptionsPage.h"
#include "PlayerOptions.h"

#include "TRoom.h"

#include "ui/TEngine.h"

namespace gametest {
namespace {

namespace mc = menuclicks;

class OptionsPageTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        fixture.options = tools::GameFixture::kAllOptions;
    }
    std::string Configuration() const {
        const auto bytes = testsupport::TempDir::Read(dir.File("data/game.ini"));
        return {bytes.begin(), bytes.end()};
    }
    static bool Has(const std::string& text, const std::string& line) {
        return text.find(line + "\r\n") != std::string::npos;
    }
};

// Off go the tool tips and filtering, the music one step down and the sound
// one up; the left way back stores it all and returns to the menu.
TEST_F(OptionsPageTest, ThePageIsStoredWhenThePlayerGoesBackToTheMenu) {
    Start();
    App().OpenMenu();
    GameWorld* world = App().World();
    ASSERT_NE(world, nullptr);
    mc::Play({mc::kOptions, mc::kHintsToggle, mc::kFilteringToggle, mc::kMusicDown, mc::kSoundUp,
              mc::kBackToMenu});
    const std::string text = Configuration();
    for (const char* line : {"Filtering=No", "Hints=No", "DialogText=Yes", "Shadows=Yes",
                             "MusicVolume=95", "SoundVolume=97"})
        EXPECT_TRUE(Has(text, line)) << line << "\n" << text;
    EXPECT_EQ(TWinApp::GetHintWindow(), nullptr) << "the tool tips went at the click";
    EXPECT_EQ(world->RoomView().Music().Audio().GetVolume(), 95u);
    const PlayerOptions& options = PlayerOptions::Get();
    EXPECT_EQ(options.hints, 0);
    EXPECT_EQ(options.soundVolume, 97);
    GameMenu& menu = App().Menu();
    EXPECT_TRUE(menu.Built());
    EXPECT_TRUE(menu.IsVisible()) << "back on the main page";
    EXPECT_EQ(App().MenuCount(), 1);
    Stop();
}

// The right way back closes the menu on the game, the room's sounds at the
// stored volume; without a game it takes no click.
TEST_F(OptionsPageTest, TheWayBackToTheGameWorksOnlyWithAGame) {
    Start();
    App().OpenMenu();
    mc::Play({mc::kOptions, mc::kSoundDown, mc::kBackToGame});
    EXPECT_EQ(App().MenuCount(), 0);
    EXPECT_FALSE(App().Menu().Built());
    ASSERT_NE(App().World(), nullptr);
    EXPECT_TRUE(App().World()->IsVisible());
    EXPECT_TRUE(Has(Configuration(), "SoundVolume=95"));

    App().DestroyWorld();
    App().OpenMenu();
    mc::Play({mc::kOptions, mc::kMusicUp, mc::kBackToGame, mc::kBackToMenu});
    EXPECT_EQ(App().MenuCount(), 1);
    EXPECT_TRUE(App().Menu().IsVisible());
    EXPECT_TRUE(Has(Configuration(), "MusicVolume=97")) << "stored without a game to hear it";
    Stop();
}

// A hand-edited volume beyond the scale is held as read, but the page's bar
// ends at 127, and that is what leaving the page stores.
TEST_F(OptionsPageTest, AVolumeBeyondTheScaleIsStoredAsTheLoudest) {
    fixture.options = "Hints=Yes\r\nMusicVolume=200\r\nSoundVolume=-3\r\n";
    Start();
    EXPECT_EQ(PlayerOptions::Get().musicVolume, 200);
    App().OpenMenu();
    mc::Play({mc::kOptions, mc::kBackToMenu});
    const std::string text = Configuration();
    EXPECT_TRUE(Has(text, "MusicVolume=127")) << text;
    EXPECT_TRUE(Has(text, "SoundVolume=0")) << text;
    EXPECT_FALSE(Has(text, "Filtering=No")) << "no key is added";
    Stop();
}

// What the page stored is what the game reads at its next start (a new
// program on the same configuration file): the values, the tool tips off,
// and the page showing them again.
TEST_F(OptionsPageTest, ThePageIsReadBackAtTheNextStart) {
    Start();
    App().OpenMenu();
    mc::Play({mc::kOptions, mc::kHintsToggle, mc::kDialogTextToggle, mc::kMusicDown, mc::kMusicDown,
              mc::kSoundUp, mc::kBackToGame});
    Stop();

    TEngine engine;
    testsupport::UseMemoryDesktop(16);
    ASSERT_TRUE(GameSetUp());
    App().Show();
    RunTicks(1);
    const PlayerOptions& options = PlayerOptions::Get();
    EXPECT_EQ(options.filtering, 1);
    EXPECT_EQ(options.hints, 0);
    EXPECT_EQ(options.dialogText, 0);
    EXPECT_EQ(options.musicVolume, 94);
    EXPECT_EQ(options.soundVolume, 97);
    EXPECT_EQ(TWinApp::GetHintWindow(), nullptr);
    OptionsPage page;
    page.Build(&App());
    EXPECT_TRUE(page.FilteringToggle().GetChecked());
    EXPECT_FALSE(page.HintsToggle().GetChecked());
    EXPECT_FALSE(page.DialogTextToggle().GetChecked());
    EXPECT_EQ(page.MusicBar().GetPosition(), 94);
    EXPECT_EQ(page.SoundBar().GetPosition(), 97);
    page.TakeDown();
    Stop();
}

} // namespace
} // namespace gametest
