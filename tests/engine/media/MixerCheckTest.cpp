// The mixer's voices, windows, levels and passes checked against a model of
// the voice table, on the recording sink and virtual time.
#include "SoundEngine.h"
#include "media/sound/TMixer.h"

#include <type_traits>
#include <vector>

namespace {

// Absolute sample counts are 64-bit: looping music passes 2^31 samples in a day.
static_assert(std::is_same_v<decltype(std::declval<TMixer>().GetPlayed(0)), int64_t>);
static_assert(std::is_same_v<TMixer::Refill, int (*)(uintptr_t)>);

class MixerCheckTest : public SoundEngineTest {
protected:
    // A waveOut mixer whose passes the test runs itself.
    void Open(TMixer& m) {
        m.SetFlags(1);
        ASSERT_EQ(m.Init(nullptr), 0);
        ASSERT_EQ(m.OpenOutput(), 0);
        m.Timer()->SetEnabled(false);
    }
    static void Tick(TMixer& m) {
        EXPECT_EQ(TMixer::TimerTick(reinterpret_cast<uintptr_t>(&m)), 1);
    }
    // Writes value(i) at ring index i of the whole ring.
    template <class F> static void Fill(TMixer& m, int voice, int64_t size, F value) {
        const int64_t played = m.GetPlayed(voice);
        TSoundBlock b;
        for (int64_t w = played; w < played + size && m.GetVoiceBlock(voice, w, size, &b);
             w += b.count)
            for (int64_t k = 0; k < b.count; ++k)
                static_cast<int16_t*>(b.data)[k] = value((w + k) % size);
    }
};

// After one advance of 8192 samples: played 8192 and read position 8192 in a
// ring of 10000.
TEST_F(MixerCheckTest, VoiceWindowsFollowPlayedAndReadPosition) {
    TMixer m;
    Open(m);
    const int v = m.AllocVoice(10000);
    m.SetVoiceLoop(v, true);
    m.StartVoice(v);
    Tick(m); // just started: not advanced
    EXPECT_EQ(m.GetPlayed(v), 0);
    platform::ClockAdvance(200); // two headers of 4096 play out
    Tick(m);
    ASSERT_EQ(m.GetPlayed(v), 8192);
    struct Case {
        int64_t position, maxCount;
        bool found;
        int64_t count, index;
    } cases[] = {
        {8191, 100, false, 0, 0},        {8192, 1 << 20, true, 1808, 8192},
        {8192, 100, true, 100, 8192},    {10000, 1 << 20, true, 8192, 0},
        {18191, 1 << 20, true, 1, 8191}, {18192, 1 << 20, false, 0, 0},
        {9999, 1 << 20, true, 1, 9999},
    };
    TSoundBlock first;
    ASSERT_TRUE(m.GetVoiceBlock(v, 10000, 1, &first));
    const auto* ring = static_cast<int16_t*>(first.data);
    for (const Case& c : cases) {
        TSoundBlock b;
        EXPECT_EQ(m.GetVoiceBlock(v, c.position, c.maxCount, &b), c.found) << c.position;
        if (!c.found) continue;
        EXPECT_EQ(b.count, c.count) << c.position;
        EXPECT_EQ(static_cast<int16_t*>(b.data) - ring, c.index) << c.position;
        EXPECT_EQ(b.channels, 2);
        EXPECT_EQ(b.rate, 22050u);
        EXPECT_EQ(b.bits, 16);
    }
    TSoundBlock none;
    EXPECT_FALSE(m.GetVoiceBlock(-1, 8192, 10, &none));
    EXPECT_FALSE(m.GetVoiceBlock(32, 8192, 10, &none));
    m.CloseOutput();
}

// A pass: every active voice halved by an arithmetic shift from its read
// position; past the ring's end a looping voice goes on at its start (no
// further than its read position), another stops.
TEST_F(MixerCheckTest, PassesHalveAndWrapOnlyLoopingRings) {
    TMixer m;
    Open(m);
    auto value = [](int64_t i) {
        return int16_t(i % 7 == 0 ? -1 : int32_t(i * 37 % 65536) - 32768);
    };
    const int looping = m.AllocVoice(10000), once = m.AllocVoice(10000), idle = m.AllocVoice(10000);
    for (int v : {looping, once, idle})
        Fill(m, v, 10000, value);
    m.SetVoiceLoop(looping, true);
    m.StartVoice(looping);
    m.StartVoice(once);
    Tick(m);
    platform::ClockAdvance(200);
    Tick(m);
    ASSERT_EQ(m.GetPlayed(once), 8192);
    ASSERT_TRUE(m.IsVoiceActive(once));
    m.MixVoices();
    const int32_t* acc = m.Accumulators();
    std::vector<int32_t> model(16384, 0);
    for (int64_t i = 0; i < 16384; ++i) {
        if (i < 1808)
            model[i] += 2 * (value(8192 + i) >> 1);
        else if (i < 1808 + 8192)
            model[i] += value(i - 1808) >> 1;
    }
    EXPECT_EQ(std::vector<int32_t>(acc, acc + 16384), model);
    m.CloseOutput();
}

TEST_F(MixerCheckTest, LevelsTakeThreeHundredSamplesAndWrapOnlyWhenLooping) {
    TMixer m;
    Open(m);
    // Rings of 8300: after 8192 played, 108 samples remain before the end.
    const int looping = m.AllocVoice(8300), once = m.AllocVoice(8300);
    for (int v : {looping, once}) {
        Fill(m, v, 8300, [](int64_t i) { return int16_t(i >= 8192 ? -16384 : 0); });
        m.StartVoice(v);
    }
    m.SetVoiceLoop(looping, true);
    Tick(m);
    platform::ClockAdvance(200);
    Tick(m);
    ASSERT_EQ(m.GetPlayed(once), 8192);
    EXPECT_EQ(m.GetVoiceLevel(looping), 108 * 100 / 300);
    EXPECT_EQ(m.GetVoiceLevel(once), 100);
    m.StopVoice(once);
    EXPECT_EQ(m.GetVoiceLevel(once), 0); // inactive
    EXPECT_EQ(m.GetVoiceLevel(40), 0);
    m.CloseOutput();
}

TEST_F(MixerCheckTest, StartingAPlayingVoiceDoesNotHoldItBack) {
    TMixer m;
    Open(m);
    const int v = m.AllocVoice(32768);
    m.SetVoiceLoop(v, true);
    m.StartVoice(v);
    Tick(m);
    m.StartVoice(v); // already active: nothing changes
    platform::ClockAdvance(200);
    Tick(m);
    EXPECT_EQ(m.GetPlayed(v), 8192);
    m.CloseOutput();
}

struct Calls {
    std::vector<uintptr_t> arguments;
};
Calls calls;

int Record(uintptr_t argument) {
    calls.arguments.push_back(argument);
    return 1;
}

TEST_F(MixerCheckTest, RefillCallbacksComeAfterThePassForActiveVoicesOnly) {
    TMixer m;
    Open(m);
    const int a = m.AllocVoice(100), b = m.AllocVoice(100), c = m.AllocVoice(100);
    EXPECT_FALSE(m.SetVoiceCallback(a, &Record, 0)); // null argument refused
    EXPECT_FALSE(m.SetVoiceCallback(-1, &Record, 5));
    EXPECT_FALSE(m.SetVoiceCallback(32, &Record, 5));
    EXPECT_TRUE(m.SetVoiceCallback(a, &Record, 11));
    EXPECT_TRUE(m.SetVoiceCallback(b, &Record, 22));
    EXPECT_TRUE(m.SetVoiceCallback(c, &Record, 33));
    m.StartVoice(a);
    m.StartVoice(c);
    calls.arguments.clear();
    Tick(m);
    EXPECT_EQ(calls.arguments, (std::vector<uintptr_t>{11, 33}));
    EXPECT_EQ(TMixer::TimerTick(0), 0);
    m.CloseOutput();
}

TEST_F(MixerCheckTest, InitChoosesTheOutput) {
    struct Case {
        const char* what;
        uint32_t flags;
        UINT devices;
        bool directSoundAbsent;
        DWORD waveFormats;
        int code, kind;
        bool ready;
    } cases[] = {
        {"DirectSound first", 3, 1, false, 0xFFF, 0, 2, true},
        {"waveOut without the library", 3, 1, true, 0xFFF, 0, 1, true},
        {"DirectSound only, absent", 2, 1, true, 0xFFF, 0, 0, true},
        {"no device", 3, 0, false, 0xFFF, 0, 0, true},
        {"waveOut without formats", 1, 1, false, 0, 4, 1, false},
        {"no flags", 0, 1, false, 0xFFF, 0, 0, false},
    };
    for (const Case& c : cases) {
        platform::SetSoundSink(platform::SoundSinkChoice::Recording);
        platform::SetSoundDeviceCount(c.devices);
        platform::SetWaveOutFormats(c.waveFormats);
        platform::SetModuleAbsent("dsound.dll", c.directSoundAbsent);
        TMixer m;
        m.SetFlags(c.flags);
        EXPECT_EQ(m.Init(nullptr), c.code) << c.what;
        EXPECT_EQ(m.IsReady(), c.ready) << c.what;
        if (c.code == 0) {
            EXPECT_EQ(m.GetOutputKind(), c.kind) << c.what;
        }
        if (c.ready) {
            ASSERT_NE(m.Timer(), nullptr);
            EXPECT_FALSE(m.Timer()->IsEnabled()) << c.what;
            EXPECT_EQ(m.OpenOutput(), 0) << c.what;
            EXPECT_TRUE(m.Timer()->IsEnabled()) << c.what;
            m.CloseOutput();
            EXPECT_FALSE(m.Timer()->IsEnabled()) << c.what;
        }
        m.Shutdown();
    }
}

TEST_F(MixerCheckTest, MixTimerRefusesWhatCannotRun) {
    TMixTimer t;
    const TMixTimer::Callback cb = [](uintptr_t) { return 1; };
    EXPECT_FALSE(t.Start(0, 0, 1, cb));
    EXPECT_FALSE(t.Start(100, 0, 1, nullptr));
    EXPECT_FALSE(t.Start(100, 101, 1, cb));
    EXPECT_TRUE(t.Start(100, 100, 1, cb));
    EXPECT_TRUE(t.IsRunning());
    EXPECT_FALSE(t.IsEnabled());
}

} // namespace
