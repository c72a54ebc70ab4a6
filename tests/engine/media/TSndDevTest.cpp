// The sound device: starting, focus, and the report of every sound code.
#include "ErrorProbe.h"
#include "SoundEngine.h"
#include "media/sound/SoundSystem.h"
#include "media/sound/TMixer.h"
#include "media/sound/TSndDev.h"

#include <string>

namespace {

using platform::SoundCall;

class SndDevTest : public SoundEngineTest {};

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
    const int v = m->AllocVoice(32768);
    m->SetVoiceLoop(v, true);
    m->StartVoice(v);
    platform::ClockAdvance(1000);
    const int64_t played = m->GetPlayed(v);
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
