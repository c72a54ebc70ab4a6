// The player's options in the configuration file: read at the start (a
// missing key of a switch reads as off, a missing volume keeps its value),
// the volumes held as read and clamped where they reach a sound, written
// back only where the file has the key.
#include "GameTestFixture.h"

#include "PlayerOptions.h"
#include "GameServices.h"
#include "RoomGlobals.h"

namespace gametest {
namespace {

class PlayerOptionsTest : public GameTest {
protected:
    // The fixture's configuration with an [Options] section of `options`.
    void WriteOptions(const std::string& options) {
        fixture.extraFiles = {
            {"data/game.ini",
             "[Display]\r\nuseWindowed=Yes\r\nuseDirtyRect=Yes\r\nResolution=800,600\r\n"
             "ColorDepth=16\r\nFrameRate=0\r\n[Timer]\r\nFreq=20\r\n[Name]\r\nAppName=" +
                 fixture.appName + "\r\nClassName=" + fixture.className + "\r\n" + options}};
    }
    std::string Configuration() const {
        const auto bytes = testsupport::TempDir::Read(dir.File("data/game.ini"));
        return {bytes.begin(), bytes.end()};
    }
};

TEST_F(PlayerOptionsTest, TheStartReadsTheFileAndAppliesTheHints) {
    WriteOptions("[Options]\r\nFiltering=yes\r\nShadows=0\r\nDialogText=TRUE\r\n"
                 "MusicVolume=200\r\nSoundVolume=-5\r\n");
    Start();
    const PlayerOptions& options = PlayerOptions::Get();
    EXPECT_EQ(options.filtering, 1);
    EXPECT_EQ(options.shadows, 0);
    EXPECT_EQ(options.hints, 0) << "a missing switch reads as off";
    EXPECT_EQ(options.dialogText, 1);
    EXPECT_EQ(options.musicVolume, 200) << "held as read";
    EXPECT_EQ(options.soundVolume, -5);
    EXPECT_EQ(TWinApp::GetHintWindow(), nullptr) << "no tool tips without Hints";
    EXPECT_EQ(Game().MusicVolume(), 127);
    EXPECT_EQ(Game().SoundVolume(), 0) << "never -1, which a sound takes as loudest";
    EXPECT_EQ(Game().Filtering(), 1);
    Stop();
}

TEST_F(PlayerOptionsTest, WithoutTheSectionTheDefaultsStayAndHintsAreOn) {
    Start();
    const PlayerOptions& options = PlayerOptions::Get();
    EXPECT_EQ(options.hints, 1);
    EXPECT_EQ(options.musicVolume, 96);
    EXPECT_EQ(TWinApp::GetHintWindow(), &App().HintWindow());
    Stop();
}

// Only keys the file has are written: switches as Yes or No, volumes as
// numbers; nothing is added.
TEST_F(PlayerOptionsTest, SavingWritesOnlyTheKeysTheFileHas) {
    WriteOptions("[Options]\r\nFiltering=Yes\r\nHints=Yes\r\nMusicVolume=96\r\n");
    Start();
    PlayerOptions& options = PlayerOptions::Get();
    options.filtering = 0;
    options.musicVolume = 40;
    options.soundVolume = 12;
    ASSERT_TRUE(options.Save());
    const std::string text = Configuration();
    EXPECT_NE(text.find("Filtering=No"), std::string::npos) << text;
    EXPECT_NE(text.find("Hints=Yes"), std::string::npos) << text;
    EXPECT_NE(text.find("MusicVolume=40"), std::string::npos) << text;
    EXPECT_EQ(text.find("SoundVolume"), std::string::npos) << text;
    EXPECT_EQ(text.find("Shadows"), std::string::npos) << text;
    Stop();
}

} // namespace
} // namespace gametest
