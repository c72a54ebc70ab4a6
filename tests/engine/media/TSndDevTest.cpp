// The sound device: starting, focus, and the report of every sound code.

#include "ErrorProbe.h"
#include "SoundEngine.h"
#include "TempDir.h"
#include "media/sound/SoundSystem.h"
#include "media/sound/TAudio.h"
#include "media/sound/TMixer.h"
#include "media/sound/TSndDev.h"
#include "media/sound/TSound.h"
#include "media/sound/TSoundProcessor.h"
#include "media/sound/TWave.h"

#include <string>
#include <vector>

namespace {

using platform::SoundCall;

class SndDevTest : public SoundEngineTest {};

// Starts a looping voice on the mixer and lets it play for a second: the
// samples it played.
int64_t PlayALoopingVoice(TMixer* m, int* voice) {
    *voice = m->AllocVoice(32768);
    m->SetVoiceLoop(*voice, true);
    m->StartVoice(*voice);
    platform::ClockAdvance(1000);
    return m->GetPlayed(*voice);
}

TEST_F(SndDevTest, NoOutputFlagsIsSilentWithoutError) {
    TSndDev dev;
    EXPECT_EQ(dev.Attach(nullptr), 1);
    dev.SetEnabled(true);
    EXPECT_FALSE(dev.IsStarted());
    EXPECT_FALSE(dev.IsReady());
    EXPECT_FALSE(TError::ErrorsPending());
    dev.Detach();
}

TEST_F(SndDevTest, FocusLossHoldsTheVoicesAndRegainPlaysOn) {
    TSndDev dev;
    dev.SetOutputFlags(1);
    ASSERT_EQ(dev.Attach(nullptr), 1);
    dev.SetEnabled(true);
    ASSERT_TRUE(dev.IsOutputOpen());
    TMixer* m = SoundSystemMixer();
    int v = -1;
    const int64_t played = PlayALoopingVoice(m, &v);
    EXPECT_GT(played, 0);
    dev.SetFocusState(1);
    EXPECT_FALSE(dev.IsOutputOpen());
    // Unfocused, the device plays nothing: the recording stands still.
    const size_t recorded = platform::GetSoundRecording().bytes.size();
    EXPECT_GT(recorded, 0u);
    platform::ClockAdvance(1000);
    EXPECT_EQ(m->GetPlayed(v), played);
    EXPECT_EQ(platform::GetSoundRecording().bytes.size(), recorded);
    dev.SetEnabled(false);
    dev.SetEnabled(true); // still unfocused: stays closed
    EXPECT_FALSE(dev.IsOutputOpen());
    dev.SetFocusState(2);
    EXPECT_TRUE(dev.IsOutputOpen());
    platform::ClockAdvance(1000);
    EXPECT_GT(m->GetPlayed(v), played);
    dev.Detach();
    EXPECT_EQ(SoundSystemMixer(), nullptr);
}

// DirectSound without caps naming a format reports code 4 but plays on its
// default format: losing the focus must still stop it, as any open output.
TEST_F(SndDevTest, FocusLossStopsAnOutputThatOpenedOnItsDefaultFormat) {
    platform::SetSoundFailure(SoundCall::GetCaps, 1);
    TSndDev dev;
    dev.SetOutputFlags(2);
    ASSERT_EQ(dev.Attach(nullptr), 1);
    dev.SetEnabled(true);
    TError::CommitPending();
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_STREQ(NewestError()->message.c_str(), "no valid sound format");
    TMixer* m = SoundSystemMixer();
    ASSERT_EQ(m->GetOutputKind(), 2);
    ASSERT_TRUE(m->Output()->IsOpen());
    int v = -1;
    const int64_t played = PlayALoopingVoice(m, &v);
    EXPECT_GT(played, 0);
    dev.SetFocusState(1);
    EXPECT_FALSE(m->Output()->IsOpen());
    platform::ClockAdvance(1000);
    EXPECT_EQ(m->GetPlayed(v), played);
    dev.SetFocusState(2); // opened again, on the default format again
    EXPECT_TRUE(m->Output()->IsOpen());
    platform::ClockAdvance(1000);
    EXPECT_GT(m->GetPlayed(v), played);
    dev.Detach();
    platform::SetSoundFailure(SoundCall::GetCaps, 0);
}

TEST_F(SndDevTest, EverySoundCodeIsReportedWithItsMessage) {
    struct Case {
        uint32_t flags;
        SoundCall call;
        int refuseSize;
        int32_t error;
        const char* message;
    } cases[] = {
        {1, SoundCall::Count, sizeof(TMixer), 9, "alloc memory for sound device"},
        {1, SoundCall::Count, 65536, 9, "alloc locked memory for sound device"},
        {1, SoundCall::WaveOutGetDevCaps, 0, 26, "cannot open sound device"},
        {1, SoundCall::WaveOutOpen, 0, 26, "cannot open sound device"},
        {1, SoundCall::WaveOutPrepareHeader, 0, 26, "cannot prepare sound buffer"},
        {2, SoundCall::SetCooperativeLevel, 0, 26, "cannot open sound device"},
        {2, SoundCall::SetCurrentPosition, 0, 26, "cannot open sound device"},
        {2, SoundCall::GetCaps, 0, 26, "no valid sound format"}, // opens anyway
        {2, SoundCall::CreatePrimaryBuffer, 0, 26, "create direct sound primary buffer"},
        {2, SoundCall::SetFormat, 0, 26, "create direct sound primary buffer"},
        {2, SoundCall::CreateSecondaryBuffer, 0, 26, "create direct sound secondary buffer"},
        {2, SoundCall::PlayPrimary, 0, 26, "play direct sound primary buffer"},
        {2, SoundCall::PlaySecondary, 0, 26, "play direct sound secondary buffer"},
    };
    for (const Case& c : cases) {
        TError::ClearLists();
        // Only this case's failure.
        for (int call = 0; call < int(SoundCall::Count); ++call)
            platform::SetSoundFailure(SoundCall(call), 0);
        platform::SetWaveOutFormats(0xFFF);
        platform::SetSoundSink(platform::SoundSinkChoice::Recording);
        if (c.call == SoundCall::WaveOutGetDevCaps)
            platform::SetWaveOutFormats(0); // no format: code 4 ... see below
        else if (c.call != SoundCall::Count)
            platform::SetSoundFailure(c.call, 1);
        if (c.refuseSize) RefuseNextBlocks(size_t(c.refuseSize), 2);
        TSndDev dev;
        dev.SetOutputFlags(c.flags);
        dev.Attach(nullptr);
        dev.SetEnabled(true);
        EngineSetHeapForTests(nullptr);
        TError::CommitPending();
        TErrorRec* e = NewestError();
        ASSERT_NE(e, nullptr) << c.message;
        const std::string expect =
            c.call == SoundCall::WaveOutGetDevCaps ? "no valid sound format" : c.message;
        EXPECT_EQ(e->code, c.error) << expect;
        EXPECT_EQ(std::string(e->message.c_str()), expect);
        EXPECT_STREQ(e->source.c_str(), "Source\\TSndDev");
        dev.Detach();
    }
}

} // namespace

// The sound device's states, the sound handle's parameters and the sound
// component's play section, on the recording sink and virtual time.
namespace {

class SoundDeviceCheckTest : public SoundEngineTest {};

TEST_F(SoundDeviceCheckTest, FocusAndEnableOnlyOpenAndCloseTheOutput) {
    TSndDev dev;
    EXPECT_FALSE(dev.IsOutputOpen());
    dev.SetOutputFlags(1);
    ASSERT_EQ(dev.Attach(nullptr), 1);
    EXPECT_EQ(dev.Attach(nullptr), 0); // already started
    EXPECT_FLOAT_EQ(dev.Timer().GetInterval(), 300.0f);
    EXPECT_FALSE(dev.IsOutputOpen()); // not enabled yet
    dev.SetEnabled(true);
    EXPECT_TRUE(dev.IsOutputOpen());
    for (int32_t other : {0, 3, -1}) {
        EXPECT_EQ(dev.SetFocusState(other), 1);
        EXPECT_TRUE(dev.IsOutputOpen()) << other;
    }
    EXPECT_EQ(dev.SetFocusState(1), 1);
    EXPECT_FALSE(dev.IsOutputOpen());
    EXPECT_TRUE(dev.IsStarted()); // the system keeps running
    EXPECT_TRUE(dev.IsReady());
    dev.SetFocusState(2);
    EXPECT_TRUE(dev.IsOutputOpen());
    dev.SetEnabled(false);
    EXPECT_FALSE(dev.IsOutputOpen());
    dev.Detach();
    EXPECT_FALSE(dev.IsStarted());
    EXPECT_FALSE(TError::ErrorsPending());
}

TEST_F(SoundDeviceCheckTest, AFailedOpenIsTriedAgainOnTheNextUpdate) {
    TSndDev dev;
    dev.SetOutputFlags(1);
    ASSERT_EQ(dev.Attach(nullptr), 1);
    platform::SetSoundFailure(platform::SoundCall::WaveOutOpen, 1);
    dev.SetEnabled(true);
    EXPECT_FALSE(dev.IsOutputOpen());
    TError::CommitPending();
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_STREQ(NewestError()->message.c_str(), "cannot open sound device");
    platform::SetSoundFailure(platform::SoundCall::WaveOutOpen, 0);
    dev.SetFocusState(2);
    EXPECT_TRUE(dev.IsOutputOpen());
    dev.Detach();
}

TEST_F(SoundDeviceCheckTest, AFailedStartLeavesNothingToPlayOn) {
    platform::SetWaveOutFormats(0); // waveOut fails with code 4
    TSndDev& dev = TSndDev::Global();
    dev.SetOutputFlags(1);
    EXPECT_EQ(dev.Attach(nullptr), 0);
    dev.SetEnabled(true);
    EXPECT_FALSE(dev.IsStarted());
    EXPECT_FALSE(dev.IsOutputOpen());
    TAudio audio;
    audio.SetBufferSize(1000);
    EXPECT_FALSE(audio.Create());
    EXPECT_FALSE(audio.HasProcessor());
    EXPECT_FALSE(audio.Start());
    TError::CommitPending();
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_EQ(NewestError()->code, 26);
    EXPECT_STREQ(NewestError()->message.c_str(), "no valid sound format");
    dev.SetEnabled(false);
    dev.Detach();
}

class AudioCheckTest : public SoundEngineTest {
protected:
    void SetUp() override {
        SoundEngineTest::SetUp();
        TSndDev::Global().SetOutputFlags(1);
        TSndDev::Global().Attach(nullptr);
        TSndDev::Global().SetEnabled(true);
        ASSERT_TRUE(TSndDev::Global().IsReady());
    }
    void TearDown() override {
        TSndDev::Global().SetEnabled(false);
        TSndDev::Global().Detach();
        SoundEngineTest::TearDown();
    }
};

TEST_F(AudioCheckTest, StartPushesEveryParameterAndFrequencyZeroIsTheOwnRate) {
    struct Case {
        uint32_t rate, frequency, expect;
    } cases[] = {{11025, 0, 11025}, {22050, 0, 22050}, {44100, 0, 44100}, {11025, 16000, 16000}};
    for (const Case& c : cases) {
        TAudio audio;
        audio.SetBufferSize(4096);
        audio.SetSampleRate(c.rate);
        audio.SetChannels(2);
        audio.SetFrequency(c.frequency);
        audio.SetVolume(90);
        audio.SetPan(10);
        audio.SetStopPosition(3000);
        audio.SetPosition(40);
        EXPECT_EQ(audio.GetPosition(), 40); // stored while there is no processor
        ASSERT_TRUE(audio.Create());
        const std::vector<int16_t> data(2000, 700);
        EXPECT_EQ(audio.Write(data.data(), 2000), 2000);
        EXPECT_EQ(audio.GetWritten(), 2000); // the stored position waits for Start
        EXPECT_EQ(audio.GetFreeSpace(), 4096 - 2000);
        ASSERT_TRUE(audio.Start());
        TSoundProcessor* p = audio.Processor();
        EXPECT_EQ(p->GetFrequency(), c.expect) << c.rate;
        EXPECT_EQ(p->Envelope().GetVolume(), 90u);
        EXPECT_EQ(p->Envelope().GetPan(), 10u);
        EXPECT_EQ(audio.GetPosition(), 40);
        EXPECT_TRUE(audio.IsPlaying());
        // The stored value again: nothing reaches the processor.
        p->SetVolume(5);
        audio.SetVolume(90);
        EXPECT_EQ(p->Envelope().GetVolume(), 5u);
        audio.SetVolume(60);
        EXPECT_EQ(p->Envelope().GetVolume(), 60u);
        audio.SetFrequency(c.frequency == 0 ? 30000 : 0);
        EXPECT_EQ(p->GetFrequency(), c.frequency == 0 ? 30000u : c.rate);
        audio.Free();
        EXPECT_FALSE(audio.HasProcessor());
        EXPECT_EQ(audio.Write(data.data(), 10), 0);
        EXPECT_EQ(audio.GetFreeSpace(), 0);
    }
}

std::vector<uint8_t> PcmWav16(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> b;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
    };
    const auto data = uint32_t(samples.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put(36 + data, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(16, 4), put(1, 2), put(1, 2), put(22050, 4), put(44100, 4), put(2, 2), put(16, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put(data, 4);
    for (int16_t s : samples)
        put(uint16_t(s), 2);
    return b;
}

TEST_F(AudioCheckTest, TheSoundComponentPlaysItsSection) {
    testsupport::TempDir dir;
    TWave wave;
    wave.SetPath(dir.Write("w.wav", PcmWav16(std::vector<int16_t>(1000, 300))).c_str());
    TSound sound;
    EXPECT_EQ(sound.Attach(nullptr), 1);
    EXPECT_FLOAT_EQ(sound.GetInterval(), 100.0f);
    sound.SetWave(&wave);
    struct Case {
        int64_t start, end, length;
        bool loop;
        int64_t position, from, stop;
    } cases[] = {
        {0, 0, 0, false, 0, 0, 1000},        {100, 0, 0, false, 0, 100, 1000},
        {100, 500, 0, false, 50, 100, 500},  {100, 5000, 0, false, 300, 300, 1000},
        {2000, 0, 0, false, 0, 1000, 1000},  {100, 500, 50, false, 0, 100, 150},
        {100, 500, 900, false, 0, 100, 500}, {100, 500, 50, true, 0, 100, 0},
    };
    for (const Case& c : cases) {
        sound.SetSection(c.start, c.end, c.length);
        sound.SetFlags(c.loop ? TSound::kLoop : 0);
        sound.Play(c.position);
        EXPECT_TRUE(sound.IsStarted());
        EXPECT_EQ(sound.Audio().GetPosition(), c.from) << c.start << "," << c.end;
        EXPECT_EQ(sound.Audio().GetStopPosition(), c.stop) << c.start << "," << c.end;
    }
    // Looping switched on while playing: from the section start again.
    sound.SetSection(100, 500, 0);
    sound.SetFlags(0);
    sound.Play(300);
    ASSERT_TRUE(sound.IsPlaying());
    sound.SetLoop(true);
    EXPECT_EQ(sound.Audio().GetPosition(), 100);
    EXPECT_EQ(sound.Audio().GetStopPosition(), 0);
    sound.Detach();
    EXPECT_FALSE(sound.IsStarted());
}

} // namespace
