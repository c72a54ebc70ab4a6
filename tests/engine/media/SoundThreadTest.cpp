// The mixer's timer ticking on its own thread, on real time, while the main
// thread creates, plays, stops and deletes sound handles: every handle goes
// away while its voice may be mid-refill. Run under ThreadSanitizer, a race or
// a lock taken out of order fails the test.
#include "SoundEngine.h"
#include "media/sound/SoundSystem.h"
#include "media/sound/TAudio.h"
#include "media/sound/TMixer.h"
#include "media/sound/TSndDev.h"

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

class SoundThreadTest : public SoundEngineTest {
protected:
    void SetUp() override {
        SoundEngineTest::SetUp();
        platform::ClockUseVirtual(false);
        platform::SetSoundRecording(false);
    }
};

std::unique_ptr<TAudio> PlayingAudio(int64_t samples, uint32_t rate, uint32_t pan) {
    auto audio = std::make_unique<TAudio>();
    audio->SetBufferSize(samples);
    audio->SetSampleRate(rate);
    audio->SetChannels(1);
    audio->SetBits(16);
    audio->SetPan(pan);
    if (!audio->Create()) return nullptr;
    std::vector<int16_t> tone(size_t(samples / 2));
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t((i * 523) % 30000 - 15000);
    audio->Write(tone.data(), int64_t(tone.size()));
    audio->Start();
    return audio;
}

TEST_F(SoundThreadTest, HandlesComeAndGoWhileTheMixerTicks) {
    for (uint32_t flags : {1u, 2u}) {
        TSndDev& dev = TSndDev::Global();
        dev.SetOutputFlags(flags);
        ASSERT_EQ(dev.Attach(nullptr), 1);
        dev.SetEnabled(true);
        ASSERT_TRUE(dev.IsOutputOpen()) << flags;
        std::vector<std::unique_ptr<TAudio>> live;
        for (int round = 0; round < 60; ++round) {
            for (int k = 0; k < 3; ++k)
                if (auto a = PlayingAudio(4096 + 512 * k, k ? 11025 : 22050, 40u * k))
                    live.push_back(std::move(a));
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
            // Stop one, delete one while it plays, read the rest.
            if (!live.empty()) live.front()->Release();
            if (live.size() > 1) live.erase(live.begin() + 1);
            for (auto& a : live) {
                (void)a->GetPosition();
                (void)a->IsPlaying();
                a->SetVolume(uint32_t(round % 128));
            }
            if (live.size() > 20) live.erase(live.begin(), live.begin() + 10);
            if (round % 20 == 10) dev.SetFocusState(1);
            if (round % 20 == 15) dev.SetFocusState(2);
        }
        live.clear();
        dev.SetEnabled(false);
        dev.Detach();
        EXPECT_FALSE(TError::ErrorsPending()) << flags;
    }
}

// An output that fails to open, of either kind and at every step, tried
// again at each focus change while the mixer's timer runs and a voice waits
// for its refills: the failing open cleans up (DirectSound releases the
// buffers a tick locks) with no tick beside it, and no tick runs over the
// output until it opens.
TEST_F(SoundThreadTest, FailingOpensRetriedAtFocusChangesLeaveNoTickOnThem) {
    using platform::SoundCall;
    const struct {
        uint32_t flags;
        SoundCall call;
    } cases[] = {
        {1, SoundCall::WaveOutOpen},         {1, SoundCall::WaveOutPrepareHeader},
        {2, SoundCall::SetCooperativeLevel}, {2, SoundCall::CreatePrimaryBuffer},
        {2, SoundCall::SetFormat},           {2, SoundCall::CreateSecondaryBuffer},
        {2, SoundCall::SetCurrentPosition},  {2, SoundCall::PlayPrimary},
        {2, SoundCall::PlaySecondary},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.call));
        TSndDev& dev = TSndDev::Global();
        dev.SetOutputFlags(c.flags);
        ASSERT_EQ(dev.Attach(nullptr), 1);
        TMixer* mixer = SoundSystemMixer();
        ASSERT_NE(mixer, nullptr);
        ASSERT_EQ(mixer->GetOutputKind(), int(c.flags));
        auto audio = PlayingAudio(8192, 22050, 64);
        ASSERT_NE(audio, nullptr);
        platform::SetSoundFailure(c.call, 1);
        dev.SetEnabled(true);
        for (int round = 0; round < 6; ++round) {
            EXPECT_FALSE(dev.IsOutputOpen());
            EXPECT_FALSE(mixer->Timer()->IsEnabled());
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            dev.SetFocusState(1);
            dev.SetFocusState(2);
        }
        platform::SetSoundFailure(c.call, 0);
        dev.SetFocusState(1);
        dev.SetFocusState(2);
        EXPECT_TRUE(dev.IsOutputOpen());
        EXPECT_TRUE(mixer->Timer()->IsEnabled());
        std::this_thread::sleep_for(std::chrono::milliseconds(150)); // ticks over the open output
        audio.reset();
        dev.SetEnabled(false);
        dev.Detach();
        TError::ClearLists();
    }
}

} // namespace
