// A sound component looping a section of an 11025 Hz wave on virtual time,
// against a model of what the mixer must play.
#include "SoundEngine.h"
#include "TempDir.h"
#include "WavWriter.h"
#include "media/sound/TSndDev.h"
#include "media/sound/TSound.h"
#include "media/sound/TWave.h"

#include <algorithm>

namespace {

class SoundTest : public SoundEngineTest {
protected:
    void SetUp() override {
        SoundEngineTest::SetUp();
        TSndDev::Global().SetOutputFlags(1);
        TSndDev::Global().Attach(nullptr);
        TSndDev::Global().SetEnabled(true);
    }
    void TearDown() override {
        TSndDev::Global().SetEnabled(false);
        TSndDev::Global().Detach();
        SoundEngineTest::TearDown();
    }
    // Ticks the component every 100 ms for `ms` milliseconds.
    static void Run(TSound& sound, int ms) {
        TEvent tick;
        tick.SetType(evTick);
        tick.data[0] = 100;
        for (int t = 0; t < ms; t += 100) {
            platform::ClockAdvance(100);
            sound.HandleEvent(nullptr, &tick);
        }
    }
};

TEST_F(SoundTest, LoopingSectionOfAn11kWaveMatchesTheModel) {
    std::vector<int16_t> samples(3000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(1000 + (i * 37) % 20000 + (i % 3) * 11000);
    testsupport::TempDir dir;
    TWave wave;
    wave.SetPath(dir.Write("w.wav", tools::PcmWav16(1, 11025, samples)).c_str());
    TSound sound;
    sound.Attach(nullptr);
    sound.SetWave(&wave);
    sound.SetSection(100, 1100, 0);
    sound.SetLoop(true);
    sound.Play(0);
    ASSERT_TRUE(sound.IsPlaying());
    Run(sound, 3000);
    sound.Detach();

    const std::vector<int16_t> rec = Recorded16();
    auto first = std::find_if(rec.begin(), rec.end(), [](int16_t v) { return v != 0; });
    ASSERT_NE(first, rec.end());
    const size_t at = size_t(first - rec.begin());
    ASSERT_GT(rec.size(), at + 40000);
    // Each source sample twice (11025 to 22050 Hz), on both channels, halved
    // by the mixer, clamped by the output.
    for (size_t k = 0; k < 20000; ++k) {
        const int16_t model = int16_t(samples[100 + (k / 2) % 1000] >> 1);
        ASSERT_EQ(rec[at + 2 * k], model) << k;
        ASSERT_EQ(rec[at + 2 * k + 1], model) << k;
    }
}

TEST_F(SoundTest, OneShotStopsAndFreesOnTheNextTick) {
    testsupport::TempDir dir;
    TWave wave;
    wave.SetPath(
        dir.Write("s.wav", tools::PcmWav(1, 22050, 8, std::vector<uint8_t>(2205, 200))).c_str());
    TSound sound;
    sound.Attach(nullptr);
    sound.SetWave(&wave);
    sound.Play(0);
    EXPECT_TRUE(sound.IsStarted());
    Run(sound, 2000);
    EXPECT_FALSE(sound.IsPlaying());
    EXPECT_FALSE(sound.IsStarted());
    sound.Detach();
}

} // namespace
