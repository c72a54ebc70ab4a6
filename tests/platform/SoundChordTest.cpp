// The chord harness run as a user would run it without a display: it plays
// on the virtual clock and leaves what the device played as two WAVE files.
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/wait.h>

namespace {

TEST(SoundChord, HarnessUnderTheMemoryHostWritesTheChordTwice) {
    testsupport::TempDir dir;
    std::string command = std::string("ADV_HOST=memory '") + CHORD_PROGRAM + "' '" +
                          dir.Path().string() + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);

    auto wave = testsupport::TempDir::Read(dir.File("chord-waveout.wav"));
    auto dsound = testsupport::TempDir::Read(dir.File("chord-dsound.wav"));
    const size_t twoSeconds = 2 * 22050 * 4; // 16-bit stereo, nothing more, nothing less
    ASSERT_EQ(wave.size(), 44 + twoSeconds);
    EXPECT_EQ(dsound, wave); // both outputs played the same chord in the same format
    EXPECT_EQ(std::string(wave.begin() + 36, wave.begin() + 40), "data");

    int peak = 0;
    for (size_t i = 44; i + 1 < wave.size(); i += 2)
        peak = std::max(peak, std::abs(static_cast<int16_t>(wave[i] | wave[i + 1] << 8)));
    EXPECT_GT(peak, 8000);
    EXPECT_LE(peak, 3 * 32767 / 4 + 1);
}

TEST(SoundChord, WithoutADeviceTheHarnessSaysSo) {
    std::string command =
        std::string("ADV_HOST=memory ADV_AUDIO=none '") + CHORD_PROGRAM + "' 2> /dev/null";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

// On the desktop the chord is for the ear: when no audio device opens, the
// harness says so with SDL's reason instead of playing into the recorder
// and reporting success.
TEST(SoundChord, OnTheDesktopWithoutAnAudioDeviceItSaysWhy) {
    testsupport::TempDir dir;
    const std::string log = dir.File("log");
    const std::string command = std::string("ADV_HOST=sdl SDL_VIDEODRIVER=dummy "
                                            "SDL_AUDIODRIVER=nonesuch '") +
                                CHORD_PROGRAM + "' > " + log + " 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::vector<unsigned char> said = testsupport::TempDir::Read(log);
    EXPECT_NE(std::string(said.begin(), said.end())
                  .find("chord: no audio device could be opened (SDL: Audio target 'nonesuch' "
                        "not available)"),
              std::string::npos);
}

} // namespace
