// The mixer and its outputs on the recording sink and virtual time.

#include "SoundEngine.h"
#include "media/sound/SoundFormat.h"
#include "media/sound/TDirectSoundOutput.h"
#include "media/sound/TMixer.h"
#include "media/sound/TWaveOutOutput.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <type_traits>
#include <vector>

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

// Caps that name no format after an open that chose stereo: the output is
// the default one again, not the stereo format in a buffer of the old size.
TEST_F(MixerTest, AReopenWithEmptyCapsTakesTheDefaultFormatAgain) {
    DSCAPS caps = platform::DefaultDirectSoundCaps();
    caps.dwFlags = DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYSTEREO;
    platform::SetDirectSoundCaps(caps);
    TDirectSoundOutput ds;
    ASSERT_EQ(ds.Open(), 0);
    EXPECT_EQ(ds.Format().code, 128);
    EXPECT_EQ(ds.BufferBytes(), 65536u);
    ds.Close();
    caps.dwFlags = 0;
    platform::SetDirectSoundCaps(caps);
    EXPECT_EQ(ds.Open(), 4);
    ASSERT_TRUE(ds.IsOpen());
    const TSoundFormat& f = ds.Format();
    EXPECT_EQ(f.code, 64);
    EXPECT_EQ(f.channels, 1);
    EXPECT_EQ(f.bits, 16);
    EXPECT_EQ(f.rate, 22050u);
    EXPECT_EQ(f.divisor, 2);
    EXPECT_EQ(ds.BufferBytes(), 32768u);
    EXPECT_EQ(ds.GetPosition(), 4096); // a quarter of the default buffer ahead
    ds.Close();
}

} // namespace

// The mixer's voices, windows, levels and passes checked against a model of
// the voice table, on the recording sink and virtual time.
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

// The two outputs checked call by call: DirectSound against a scripted
// "dsound.dll" of the test's own (formats, buffer descriptions, cursors,
// locks, failures), waveOut on the recording sink.
namespace {

// --- A scripted DirectSound -------------------------------------------------

enum class Fail {
    None,
    Create,
    Cooperate,
    Caps,
    Primary,
    Format,
    Secondary,
    Position,
    PlayPrimary,
    PlaySecondary
};

struct Script {
    Fail fail = Fail::None;
    DWORD capsFlags = DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYSTEREO;
    int devices = 2;
    std::vector<DWORD> cursors; // play cursors answered in turn
    // What the output did.
    GUID created{};
    DWORD level = 0;
    HWND window = nullptr;
    std::vector<DSBUFFERDESC> descs;
    WAVEFORMATEX primaryFormat{}, secondaryFormat{};
    std::vector<DWORD> playFlags;
    std::vector<std::pair<DWORD, DWORD>> locks; // offset, bytes
    std::vector<uint8_t> data;                  // the secondary buffer
    int alive = 0;                              // objects not yet released
    int stops = 0;
    DWORD positionSet = 0xFFFFFFFF;
};
Script script;

class Buffer final : public IDirectSoundBuffer {
public:
    explicit Buffer(bool primary) : primary_(primary) { ++script.alive; }
    HRESULT SetFormat(LPCWAVEFORMATEX f) override {
        script.primaryFormat = *f;
        return script.fail == Fail::Format ? DSERR_BADFORMAT : DS_OK;
    }
    HRESULT Play(DWORD, DWORD, DWORD flags) override {
        script.playFlags.push_back(flags);
        if (primary_ && script.fail == Fail::PlayPrimary) return DSERR_GENERIC;
        if (!primary_ && script.fail == Fail::PlaySecondary) return DSERR_GENERIC;
        return DS_OK;
    }
    HRESULT Stop() override {
        ++script.stops;
        return DS_OK;
    }
    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* r1, LPDWORD b1, LPVOID* r2, LPDWORD b2,
                 DWORD flags) override {
        const auto size = DWORD(script.data.size());
        if (flags & DSBLOCK_ENTIREBUFFER) offset = 0, bytes = size;
        script.locks.push_back({offset, bytes});
        const DWORD first = std::min(bytes, size - offset);
        *r1 = script.data.data() + offset;
        *b1 = first;
        *r2 = bytes > first ? script.data.data() : nullptr;
        *b2 = bytes - first;
        return DS_OK;
    }
    HRESULT Unlock(LPVOID, DWORD, LPVOID, DWORD) override { return DS_OK; }
    HRESULT SetCurrentPosition(DWORD p) override {
        script.positionSet = p;
        return script.fail == Fail::Position ? DSERR_GENERIC : DS_OK;
    }
    HRESULT GetCurrentPosition(LPDWORD play, LPDWORD write) override {
        if (script.cursors.empty()) return DSERR_GENERIC;
        *play = script.cursors.front();
        script.cursors.erase(script.cursors.begin());
        if (write) *write = *play;
        return DS_OK;
    }
    ULONG Release() override {
        --script.alive;
        delete this;
        return 0;
    }

private:
    bool primary_;
};

class Object final : public IDirectSound {
public:
    Object() { ++script.alive; }
    HRESULT SetCooperativeLevel(HWND window, DWORD level) override {
        script.window = window;
        script.level = level;
        return script.fail == Fail::Cooperate ? DSERR_GENERIC : DS_OK;
    }
    HRESULT GetCaps(LPDSCAPS caps) override {
        if (script.fail == Fail::Caps) return DSERR_GENERIC;
        caps->dwFlags = script.capsFlags;
        return DS_OK;
    }
    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* out, void*) override {
        script.descs.push_back(*desc);
        const bool primary = desc->dwFlags & DSBCAPS_PRIMARYBUFFER;
        if (primary && script.fail == Fail::Primary) return DSERR_GENERIC;
        if (!primary && script.fail == Fail::Secondary) return DSERR_GENERIC;
        if (!primary) {
            script.secondaryFormat = *desc->lpwfxFormat;
            script.data.assign(desc->dwBufferBytes, 0x55);
        }
        *out = new Buffer(primary);
        return DS_OK;
    }
    ULONG Release() override {
        --script.alive;
        delete this;
        return 0;
    }
};

GUID DeviceGuid(int i) {
    GUID g{};
    std::memset(&g, 0x10 + i, sizeof g);
    return g;
}

HRESULT FakeCreate(LPCGUID guid, LPDIRECTSOUND* out, void*) {
    if (script.fail == Fail::Create) return DSERR_NODRIVER;
    script.created = guid ? *guid : GUID{};
    *out = new Object;
    return DS_OK;
}

HRESULT FakeEnumerate(LPDSENUMCALLBACKA callback, LPVOID context) {
    if (!callback(nullptr, "Primary", "", context)) return DS_OK;
    for (int i = 0; i < script.devices; ++i) {
        GUID g = DeviceGuid(i);
        if (!callback(&g, "Device", "drv", context)) break;
    }
    return DS_OK;
}

const platform::ModuleExport kExports[] = {
    {"DirectSoundCreate", platform::ExportOf(&FakeCreate)},
    {"DirectSoundEnumerateA", platform::ExportOf(&FakeEnumerate)},
};

class OutputCheckTest : public SoundEngineTest {
protected:
    void SetUp() override {
        SoundEngineTest::SetUp();
        // This program's "dsound.dll" is the script from here on.
        platform::RegisterModule("dsound.dll", kExports, 2);
        script = Script{};
    }
};

bool SameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// --- DirectSound ------------------------------------------------------------

TEST_F(OutputCheckTest, DirectSoundOpensWithTheBestFormatOfItsCaps) {
    struct Case {
        DWORD caps;
        int32_t code;
        uint16_t channels, bits;
        uint32_t rate, bytes;
        uint8_t silence;
    } cases[] = {
        {DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYSTEREO, 128, 2, 16, 22050, 65536, 0},
        {DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYMONO, 64, 1, 16, 22050, 32768, 0},
        {DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO, 128, 2, 16, 22050, 65536,
         0},
        {DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARYMONO, 16, 1, 8, 22050, 16384, 0x80},
        {DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARYSTEREO, 1, 1, 8, 11025, 8192, 0x80},
        {DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYMONO, 64, 1, 16, 22050, 32768, 0},
    };
    for (const Case& c : cases) {
        script = Script{};
        script.capsFlags = c.caps;
        TDirectSoundOutput ds;
        HWND window = reinterpret_cast<HWND>(uintptr_t(0x1234));
        EXPECT_EQ(ds.SetWindow(window), 0);
        ASSERT_EQ(ds.Open(), 0) << c.code;
        EXPECT_EQ(ds.Format().code, c.code);
        EXPECT_EQ(script.window, window);
        EXPECT_EQ(script.level, DWORD(DSSCL_PRIORITY));
        EXPECT_TRUE(SameGuid(script.created, DeviceGuid(0))); // the first device with a GUID
        ASSERT_EQ(script.descs.size(), 2u);
        const DSBUFFERDESC& p = script.descs[0];
        EXPECT_EQ(p.dwSize, sizeof(DSBUFFERDESC)); // holds a pointer: 24 bytes here
        EXPECT_EQ(p.dwFlags, DWORD(DSBCAPS_PRIMARYBUFFER));
        EXPECT_EQ(p.dwBufferBytes, 0u);
        EXPECT_EQ(p.lpwfxFormat, nullptr);
        const DSBUFFERDESC& s = script.descs[1];
        EXPECT_EQ(s.dwFlags, 0x100A2u);
        EXPECT_EQ(s.dwBufferBytes, c.bytes) << c.code;
        for (const WAVEFORMATEX& f : {script.primaryFormat, script.secondaryFormat}) {
            EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
            EXPECT_EQ(f.nChannels, c.channels) << c.code;
            EXPECT_EQ(f.nSamplesPerSec, c.rate) << c.code;
            EXPECT_EQ(f.wBitsPerSample, c.bits) << c.code;
            EXPECT_EQ(f.nBlockAlign, c.bits / 8 * c.channels);
            EXPECT_EQ(f.nAvgBytesPerSec, c.rate * (c.bits / 8 * c.channels));
        }
        EXPECT_TRUE(std::all_of(script.data.begin(), script.data.end(), [&](uint8_t b) {
            return b == c.silence;
        })) << c.code;
        EXPECT_EQ(script.positionSet, 0u);
        EXPECT_EQ(script.playFlags, (std::vector<DWORD>{DSBPLAY_LOOPING, DSBPLAY_LOOPING}));
        ds.Close();
        EXPECT_EQ(script.alive, 0);
        EXPECT_EQ(script.stops, 2);
    }
}

TEST_F(OutputCheckTest, DirectSoundFailuresGiveTheirCodesAndReleaseEverything) {
    struct Case {
        Fail fail;
        int code;
        bool open;
    } cases[] = {
        {Fail::Create, 5, false},
        {Fail::Cooperate, 5, false},
        {Fail::Caps, 4, true},
        {Fail::Primary, 9, false},
        {Fail::Format, 9, false},
        {Fail::Secondary, 10, false},
        {Fail::Position, 5, false},
        {Fail::PlayPrimary, 11, false},
        {Fail::PlaySecondary, 12, false},
    };
    for (const Case& c : cases) {
        script = Script{};
        script.fail = c.fail;
        TDirectSoundOutput ds;
        EXPECT_EQ(ds.Open(), c.code) << int(c.fail);
        EXPECT_EQ(ds.IsOpen(), c.open) << int(c.fail);
        if (c.open) {
            EXPECT_EQ(ds.Format().code, 64); // the default: mono 16-bit
            EXPECT_EQ(ds.BufferBytes(), 32768u);
        } else {
            EXPECT_EQ(script.alive, 0) << int(c.fail);
            script.fail = Fail::None; // the next open tries again
            EXPECT_EQ(ds.Open(), 0) << int(c.fail);
        }
        ds.Close();
        EXPECT_EQ(script.alive, 0) << int(c.fail);
    }
}

TEST_F(OutputCheckTest, DirectSoundDevicesAreCountedFromTheFirstWithAGuid) {
    script.devices = 3;
    TDirectSoundOutput ds;
    ds.SetDevice(2);
    EXPECT_TRUE(ds.IsAvailable());
    EXPECT_TRUE(SameGuid(script.created, DeviceGuid(2)));
    EXPECT_EQ(script.alive, 0); // the probe releases its object
    ds.SetDevice(3);            // a fourth device does not exist
    EXPECT_FALSE(ds.IsAvailable());
    EXPECT_EQ(ds.Open(), 5);
    platform::SetSoundDeviceCount(0); // no waveOut device: no DirectSound either
    ds.SetDevice(0);
    EXPECT_FALSE(ds.IsAvailable());
}

// The position is a quarter buffer ahead of the bytes played; a cursor that
// went back passed the buffer's end.
TEST_F(OutputCheckTest, DirectSoundPositionCountsPlayedBytesAcrossTheEnd) {
    struct Case {
        DWORD caps;
        int64_t divisor, bytes;
    } cases[] = {
        {DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYSTEREO, 1, 65536},
        {DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARYMONO, 4, 16384},
    };
    for (const Case& c : cases) {
        script = Script{};
        script.capsFlags = c.caps;
        TDirectSoundOutput ds;
        ASSERT_EQ(ds.Open(), 0);
        const auto b = DWORD(c.bytes);
        script.cursors = {b / 2, b - 8, 100, 100, b / 4};
        int64_t played = 0;
        const int64_t expectPlayed[] = {b / 2, b - 8, b + 100, b + 100, b + b / 4};
        for (int64_t e : expectPlayed) {
            played = e;
            EXPECT_EQ(ds.GetPosition(), (c.divisor * played + c.bytes / 4) / 2) << c.divisor;
        }
        // A failing cursor read keeps the count.
        EXPECT_EQ(ds.GetPosition(), (c.divisor * played + c.bytes / 4) / 2);
        ds.Close();
    }
}

TEST_F(OutputCheckTest, DirectSoundWritesLockAtThePositionInDeviceBytes) {
    std::vector<int32_t> acc(16384);
    for (size_t i = 0; i < acc.size(); ++i)
        acc[i] = int32_t(i * 3) - 20000;
    struct Case {
        DWORD caps;
        int32_t code;
        int64_t divisor;
    } cases[] = {
        {DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYSTEREO, 128, 1},
        {DSCAPS_PRIMARY16BIT | DSCAPS_PRIMARYMONO, 64, 2},
        {DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARYMONO, 16, 4},
        {DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARYSTEREO, 1, 8},
    };
    for (const Case& c : cases) {
        script = Script{};
        script.capsFlags = c.caps;
        TDirectSoundOutput ds;
        ASSERT_EQ(ds.Open(), 0);
        const int64_t size = int64_t(script.data.size());
        const int64_t position = 32768 + 24576; // runs across the buffer's end
        script.locks.clear();
        EXPECT_EQ(ds.Write(position, acc.data(), 16384), 16384);
        ASSERT_EQ(script.locks.size(), 1u);
        const int64_t offset = (2 * position) % (size * c.divisor) / c.divisor;
        EXPECT_EQ(int64_t(script.locks[0].first), offset) << c.code;
        EXPECT_EQ(int64_t(script.locks[0].second), 16384 * 2 / c.divisor) << c.code;
        std::vector<uint8_t> expect(16384 * 2 / c.divisor);
        ConvertMix(c.code, acc.data(), acc.size(), expect.data());
        std::vector<uint8_t> got;
        for (size_t i = 0; i < expect.size(); ++i)
            got.push_back(script.data[size_t((offset + int64_t(i)) % size)]);
        EXPECT_EQ(got, expect) << c.code;
        EXPECT_EQ(ds.Write(position, nullptr, 16384), 0);
        ds.Close();
        EXPECT_EQ(ds.Write(position, acc.data(), 16384), 0); // no secondary buffer
    }
}

// --- waveOut ------------------------------------------------------------------

TEST_F(OutputCheckTest, WaveOutFormatComesFromTheDeviceCaps) {
    struct Case {
        bool capsFail;
        DWORD formats;
        int init, code;
    } cases[] = {
        {true, 0xFFF, 0, 1}, {false, 0xFF, 0, 128}, {false, 0x7F, 0, 64}, {false, 0x3F, 0, 16},
        {false, 0x2F, 0, 1}, {false, 0x100, 0, 1},  {false, 0, 4, 0},
    };
    for (const Case& c : cases) {
        platform::SetSoundSink(platform::SoundSinkChoice::Recording);
        platform::SetWaveOutFormats(c.formats);
        platform::SetSoundFailure(platform::SoundCall::WaveOutGetDevCaps, c.capsFail ? 2 : 0);
        TWaveOutOutput w;
        EXPECT_EQ(w.Init(nullptr), c.init) << c.formats;
        if (c.init == 0) {
            EXPECT_EQ(w.Format().code, c.code) << c.formats;
        }
    }
}

TEST_F(OutputCheckTest, WaveOutWritesWrapTheRingAndReportTheirCount) {
    std::vector<int32_t> acc(40000);
    for (size_t i = 0; i < acc.size(); ++i)
        acc[i] = int32_t(i % 30000) + 1;
    TWaveOutOutput w;
    ASSERT_EQ(w.Init(nullptr), 0);
    ASSERT_EQ(w.Open(), 0);
    ASSERT_EQ(w.GetPosition(), 12288);
    EXPECT_EQ(w.Write(28672, acc.data(), 16384), 16384);
    platform::ClockAdvance(900); // one ring of 16384 frames plays out
    const std::vector<int16_t> rec = Recorded16();
    ASSERT_GE(rec.size(), 32768u);
    for (int64_t i = 0; i < 32768; ++i) {
        const int16_t expect = i < 12288   ? int16_t(acc[size_t(i + 4096)])
                               : i < 28672 ? int16_t(0)
                                           : int16_t(acc[size_t(i - 28672)]);
        ASSERT_EQ(rec[size_t(i)], expect) << i;
    }
    EXPECT_EQ(w.GetPosition(), 4096 * (8 + 3));        // every header completed
    EXPECT_EQ(w.Write(100, acc.data(), 40000), 32768); // at most one ring
    EXPECT_EQ(w.Write(0, nullptr, 100), 0);
    platform::SetSoundFailure(platform::SoundCall::WaveOutWrite, 1);
    EXPECT_EQ(w.Write(w.GetPosition(), acc.data(), 16384), 0);
    platform::SetSoundFailure(platform::SoundCall::WaveOutWrite, 0);
    w.Close();
}

} // namespace
