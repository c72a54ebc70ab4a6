// The mixer and its outputs on the recording sink and virtual time.
#include "SoundEngine.h"
#include "media/sound/SoundFormat.h"
#include "media/sound/TMixer.h"

#include <algorithm>

namespace {

class MixerTest : public SoundEngineTest {
protected:
    void Fill(TMixer& m, int voice, int16_t value) {
        TSoundBlock b;
        for (int64_t w = 0; m.GetVoiceBlock(voice, w, 1 << 20, &b) && b.count > 0; w += b.count)
            std::fill_n(static_cast<int16_t*>(b.data), b.count, value);
    }
};

TEST_F(MixerTest, VoicesLevelsAndFlagsZero) {
    TMixer silent;
    EXPECT_EQ(silent.Init(nullptr), 0);
    EXPECT_FALSE(silent.IsReady());
    EXPECT_EQ(silent.AllocVoice(100), -1);

    TMixer m;
    m.SetFlags(1);
    ASSERT_EQ(m.Init(nullptr), 0);
    for (int i = 0; i < TMixer::kVoices; ++i)
        EXPECT_EQ(m.AllocVoice(1000), i);
    EXPECT_EQ(m.AllocVoice(1000), -1);
    m.FreeVoice(5);
    EXPECT_EQ(m.AllocVoice(1000), 5);
    EXPECT_EQ(m.GetPlayed(40), 0);
    EXPECT_FALSE(m.SetVoiceCallback(
        32, [](uintptr_t) { return 1; }, 1));
    m.StartVoice(3);
    EXPECT_EQ(m.GetVoiceLevel(3), 0);
    Fill(m, 3, -32768);
    EXPECT_EQ(m.GetVoiceLevel(3), 100);
    Fill(m, 3, 8192);
    EXPECT_EQ(m.GetVoiceLevel(3), 50);
}

TEST_F(MixerTest, FirstPassDoesNotAdvanceAndAStalledOutputAdvancesByTheCap) {
    TMixer m;
    m.SetFlags(1);
    ASSERT_EQ(m.Init(nullptr), 0);
    ASSERT_EQ(m.OpenOutput(), 0);
    m.Timer()->SetEnabled(false);
    const int looping = m.AllocVoice(32768), once = m.AllocVoice(4096);
    m.SetVoiceLoop(looping, true);
    m.StartVoice(looping);
    m.StartVoice(once);
    const uintptr_t mixer = reinterpret_cast<uintptr_t>(&m);
    TMixer::TimerTick(mixer);
    EXPECT_EQ(m.GetPlayed(looping), 0);
    platform::ClockAdvance(2000); // seven headers play out: 28672 samples
    TMixer::TimerTick(mixer);
    EXPECT_EQ(m.GetPlayed(looping), 16384);
    EXPECT_TRUE(m.IsVoiceActive(looping));
    EXPECT_FALSE(m.IsVoiceActive(once));
    TMixer::TimerTick(mixer); // nothing played since
    EXPECT_EQ(m.GetPlayed(looping), 16384);
    m.CloseOutput();
}

TEST_F(MixerTest, ThreeFullScaleVoicesClampInsteadOfWrapping) {
    TMixer m;
    m.SetFlags(1);
    ASSERT_EQ(m.Init(nullptr), 0);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(m.AllocVoice(32768), i);
        Fill(m, i, 32767);
        m.SetVoiceLoop(i, true);
        m.StartVoice(i);
    }
    ASSERT_EQ(m.OpenOutput(), 0);
    platform::ClockAdvance(1000);
    m.CloseOutput();
    const std::vector<int16_t> v = Recorded16();
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(*std::max_element(v.begin(), v.end()), 32767);
    EXPECT_EQ(*std::min_element(v.begin(), v.end()), 0); // the silent lead only
}

// One accumulator table through waveOut and through DirectSound, in every
// device format: both outputs record the bytes of the one conversion.
TEST_F(MixerTest, BothOutputsGiveTheSameBytesInEveryFormat) {
    std::vector<int32_t> acc(16384);
    for (size_t i = 0; i < acc.size(); ++i)
        acc[i] = int32_t((i * 7919) % 140000) - 70000;
    struct Case {
        int32_t code;
        DWORD waveFormats;
        DWORD dsFlags;
    } cases[] = {
        {128, 0x80, DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYSTEREO},
        {64, 0x40, DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYMONO},
        {16, 0x10, DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARYMONO},
        {1, 0x01, DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARYSTEREO},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> expect(acc.size() * 2);
        expect.resize(ConvertMix(c.code, acc.data(), acc.size(), expect.data()));
        const int divisor = ChooseSoundFormat(c.waveFormats).divisor;

        platform::SetWaveOutFormats(c.waveFormats);
        TWaveOutOutput wave;
        ASSERT_EQ(wave.Init(nullptr), 0);
        ASSERT_EQ(wave.Open(), 0);
        const int64_t at = wave.GetPosition();
        EXPECT_EQ(at, 12288);
        wave.Write(at, acc.data(), int64_t(acc.size()));
        platform::ClockAdvance(1500);
        wave.Close();
        std::vector<uint8_t> rec = platform::GetSoundRecording().bytes;
        const size_t from = size_t(at) * 2 / divisor;
        ASSERT_GE(rec.size(), from + expect.size()) << c.code;
        EXPECT_EQ(std::vector<uint8_t>(rec.begin() + from, rec.begin() + from + expect.size()),
                  expect)
            << "waveOut " << c.code;

        DSCAPS caps = platform::DefaultDirectSoundCaps();
        caps.dwFlags = c.dsFlags;
        platform::SetDirectSoundCaps(caps);
        TDirectSoundOutput ds;
        ASSERT_EQ(ds.Open(), 0);
        EXPECT_EQ(ds.Format().code, c.code);
        const int64_t dsAt = ds.GetPosition();
        ds.Write(dsAt, acc.data(), int64_t(acc.size()));
        platform::ClockAdvance(700);
        ds.Close();
        rec = platform::GetSoundRecording().bytes;
        const size_t dsFrom = size_t(2 * dsAt) / divisor;
        ASSERT_GE(rec.size(), dsFrom + expect.size()) << c.code;
        EXPECT_EQ(std::vector<uint8_t>(rec.begin() + dsFrom, rec.begin() + dsFrom + expect.size()),
                  expect)
            << "DirectSound " << c.code;
    }
}

TEST_F(MixerTest, DirectSoundWithEmptyCapsStillOpens) {
    DSCAPS caps = platform::DefaultDirectSoundCaps();
    caps.dwFlags = 0;
    platform::SetDirectSoundCaps(caps);
    TDirectSoundOutput ds;
    EXPECT_EQ(ds.Open(), 4);
    EXPECT_TRUE(ds.IsOpen());
    EXPECT_EQ(ds.Format().code, 64);
    EXPECT_EQ(ds.BufferBytes(), 32768u);
    ds.Close();
}

} // namespace
