// The sound device as the mixer's two outputs drive it: rotating waveOut
// headers over one ring, and a looping DirectSound buffer rewritten ahead of
// its play cursor.
#include "SoundFixture.h"

#include "platform/Kernel.h"
#include "platform/Session.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

using platform::ClockAdvance;

// Windows' values, which callers compare results and flags against.
static_assert(MMSYSERR_ALLOCATED == 4 && MMSYSERR_INVALHANDLE == 5 && MMSYSERR_NOMEM == 7 &&
              MMSYSERR_INVALFLAG == 10 && MMSYSERR_INVALPARAM == 11);
static_assert(WAVERR_BADFORMAT == 32 && WAVERR_STILLPLAYING == 33 && WAVERR_UNPREPARED == 34);
static_assert(WHDR_DONE == 1 && WHDR_PREPARED == 2 && WHDR_INQUEUE == 0x10);
static_assert(WAVE_FORMAT_2S16 == 0x80 && WAVE_FORMAT_2M16 == 0x40 && WAVE_FORMAT_2M08 == 0x10);
static_assert(DSERR_ALLOCATED == HRESULT(0x8878000A) && DSERR_NODRIVER == HRESULT(0x88780078) &&
              DSERR_INVALIDPARAM == HRESULT(0x80070057) &&
              DSERR_PRIOLEVELNEEDED == HRESULT(0x88780046) &&
              DSERR_BADFORMAT == HRESULT(0x88780064));
static_assert((DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME |
               DSBCAPS_GETCURRENTPOSITION2) == 0x100A2);
static_assert(DSCAPS_PRIMARYMONO == 1 && DSCAPS_PRIMARYSTEREO == 2 && DSCAPS_PRIMARY8BIT == 4 &&
              DSCAPS_PRIMARY16BIT == 8);
static_assert(DSSCL_PRIORITY == 2 && DSBPLAY_LOOPING == 1 && DSBLOCK_ENTIREBUFFER == 2);

class SoundRules : public SoundTest {};

// Header k covers ring offsets (k mod 8) x 8192 bytes: the caller marks every
// prepared header done itself, so a write must clear the flag.
TEST_F(SoundRules, RotatingHeadersPlayTheRingAsRewrittenUntilPlayed) {
    WAVEFORMATEX f = Pcm(2, 22050, 16);
    HWAVEOUT h = nullptr;
    ASSERT_EQ(waveOutOpen(&h, 0, &f, 0, 0, WAVE_ALLOWSYNC), 0u);
    const size_t kPart = 8192; // 2048 frames: 92.88 ms
    std::vector<uint8_t> ring(8 * kPart, 0);
    WAVEHDR hdr[8]{};
    for (int i = 0; i < 8; ++i) {
        hdr[i].lpData = reinterpret_cast<LPSTR>(ring.data() + i * kPart);
        hdr[i].dwBufferLength = kPart;
        ASSERT_EQ(waveOutPrepareHeader(h, &hdr[i], sizeof(WAVEHDR)), 0u);
        hdr[i].dwFlags |= WHDR_DONE;
    }
    for (size_t i = 0; i < ring.size(); ++i)
        ring[i] = static_cast<uint8_t>(i * 13 + 1);
    for (int i = 0; i < 7; ++i) {
        ASSERT_EQ(waveOutWrite(h, &hdr[i], sizeof(WAVEHDR)), 0u);
        EXPECT_EQ(hdr[i].dwFlags, DWORD{WHDR_PREPARED | WHDR_INQUEUE}) << i;
    }
    EXPECT_EQ(waveOutWrite(h, &hdr[3], sizeof(WAVEHDR)), MMRESULT{WAVERR_STILLPLAYING});

    // Rewritten while queued and not yet played: the new data is heard.
    ClockAdvance(100);
    std::memset(ring.data() + 5 * kPart, 0x5A, kPart);
    std::vector<uint8_t> expected = ring;
    int done = 0;
    uint32_t elapsed = 100;
    while (elapsed < 2000) {
        ClockAdvance(7);
        elapsed += 7;
        while (done < 7 && (hdr[done].dwFlags & WHDR_DONE))
            ++done;
    }
    EXPECT_EQ(done, 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(hdr[i].dwFlags, DWORD{WHDR_PREPARED | WHDR_DONE}) << i;
    platform::SoundRecording r = platform::GetSoundRecording();
    expected.resize(7 * kPart);
    EXPECT_EQ(r.bytes, expected);
    EXPECT_EQ(r.underruns, 0u);

    // Closed with prepared headers; unpreparing them afterwards fails cleanly.
    EXPECT_EQ(waveOutReset(h), 0u);
    EXPECT_EQ(waveOutReset(h), 0u);
    EXPECT_EQ(waveOutClose(h), 0u);
    for (WAVEHDR& x : hdr)
        EXPECT_EQ(waveOutUnprepareHeader(h, &x, sizeof(WAVEHDR)), MMRESULT{MMSYSERR_INVALHANDLE});
}

// Frames due = elapsed x rate / 1000 from the open: many small steps lose
// nothing, and a header is done at the first pump tick after its last frame.
TEST_F(SoundRules, PlayedFramesFollowAbsoluteTimeWithoutDrift) {
    struct Case {
        WAVEFORMATEX format;
        uint32_t step;
    };
    for (const Case& c :
         {Case{Pcm(1, 11025, 8), 3}, Case{Pcm(2, 44100, 16), 7}, Case{Pcm(1, 22050, 16), 1}}) {
        ClockAdvance(3); // the open is off the 10 ms grid
        HWAVEOUT h = nullptr;
        ASSERT_EQ(waveOutOpen(&h, 0, &c.format, 0, 0, 0), 0u);
        const size_t bytes = size_t{c.format.nAvgBytesPerSec} * 5; // five seconds
        std::vector<uint8_t> data = Ramp(bytes, 3);
        WAVEHDR x{};
        x.lpData = reinterpret_cast<LPSTR>(data.data());
        x.dwBufferLength = static_cast<DWORD>(bytes);
        ASSERT_EQ(waveOutPrepareHeader(h, &x, sizeof x), 0u);
        ASSERT_EQ(waveOutWrite(h, &x, sizeof x), 0u);
        uint32_t t = 0;
        while (t + c.step <= 4990) {
            ClockAdvance(c.step);
            t += c.step;
        }
        ClockAdvance(4990 - t);
        platform::SoundRecording r = platform::GetSoundRecording();
        EXPECT_EQ(r.bytes.size(),
                  size_t{4990} * c.format.nSamplesPerSec / 1000 * c.format.nBlockAlign)
            << c.format.nSamplesPerSec;
        EXPECT_FALSE(x.dwFlags & WHDR_DONE);
        ClockAdvance(9);
        EXPECT_FALSE(x.dwFlags & WHDR_DONE);
        ClockAdvance(1);
        EXPECT_TRUE(x.dwFlags & WHDR_DONE) << c.format.nSamplesPerSec;
        r = platform::GetSoundRecording();
        EXPECT_EQ(r.bytes, data);
        EXPECT_EQ(waveOutClose(h), 0u);
    }
}

// After reset or close the pump never reads the caller's memory again (the
// sanitizer build sees a read of freed memory).
TEST_F(SoundRules, ResetAndCloseLetTheCallerFreeItsHeaders) {
    WAVEFORMATEX f = Pcm(1, 22050, 8);
    HWAVEOUT h = nullptr;
    ASSERT_EQ(waveOutOpen(&h, 0, &f, 0, 0, 0), 0u);
    auto* data = static_cast<uint8_t*>(std::malloc(22050));
    std::memset(data, 0x33, 22050);
    auto* x = static_cast<WAVEHDR*>(std::calloc(1, sizeof(WAVEHDR)));
    x->lpData = reinterpret_cast<LPSTR>(data);
    x->dwBufferLength = 22050;
    ASSERT_EQ(waveOutPrepareHeader(h, x, sizeof(WAVEHDR)), 0u);
    ASSERT_EQ(waveOutWrite(h, x, sizeof(WAVEHDR)), 0u);
    ClockAdvance(20);
    ASSERT_EQ(waveOutReset(h), 0u);
    ASSERT_EQ(waveOutUnprepareHeader(h, x, sizeof(WAVEHDR)), 0u);
    std::free(data);
    std::free(x);
    ClockAdvance(100);
    EXPECT_EQ(platform::GetSoundRecording().bytes.size(), 441u);
    // Written again after a reset, playing goes on.
    std::vector<uint8_t> more = Ramp(441, 9);
    WAVEHDR y{};
    y.lpData = reinterpret_cast<LPSTR>(more.data());
    y.dwBufferLength = 441;
    ASSERT_EQ(waveOutPrepareHeader(h, &y, sizeof y), 0u);
    ASSERT_EQ(waveOutWrite(h, &y, sizeof y), 0u);
    ClockAdvance(30);
    EXPECT_TRUE(y.dwFlags & WHDR_DONE);
    EXPECT_EQ(waveOutClose(h), 0u);
}

// Caps and formats the mixer picks by default: 22.05 kHz 16-bit stereo.
TEST_F(SoundRules, DefaultsOfferTheMixersBestFormat) {
    WAVEOUTCAPSA caps{};
    static_assert(sizeof caps == 52);
    ASSERT_EQ(waveOutGetDevCapsA(0, &caps, sizeof caps), 0u);
    EXPECT_TRUE(caps.dwFormats & WAVE_FORMAT_2S16);
    ASSERT_EQ(waveOutGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps), 0u);
    DSCAPS d = platform::DefaultDirectSoundCaps();
    EXPECT_TRUE(d.dwFlags & DSCAPS_PRIMARY16BIT);
    EXPECT_TRUE(d.dwFlags & DSCAPS_PRIMARYSTEREO);
    EXPECT_EQ(d.dwSize, 96u);
}

// The DirectSound output: a looping secondary of 65536 bytes, rewritten by
// Lock ahead of the play cursor; the played-bytes sum follows the cursor.
TEST_F(SoundRules, LoopingBufferRewrittenAheadOfTheCursor) {
    LPDIRECTSOUND ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    DSCAPS caps{};
    caps.dwSize = 96;
    ASSERT_EQ(ds->GetCaps(&caps), DS_OK);
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
    LPDIRECTSOUNDBUFFER primary = nullptr, secondary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    WAVEFORMATEX f = Pcm(2, 22050, 16);
    ASSERT_EQ(primary->SetFormat(&f), DS_OK);
    desc = DSBUFFERDESC{sizeof(DSBUFFERDESC), 0x100A2, 65536, 0, &f};
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &secondary, nullptr), DS_OK);
    LPVOID p1 = nullptr, p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(secondary->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    ASSERT_EQ(n1, 65536u);
    std::memset(p1, 0, n1);
    ASSERT_EQ(secondary->Unlock(p1, n1, p2, n2), DS_OK);
    DWORD play = 1, write = 1;
    ASSERT_EQ(secondary->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 0u);
    ASSERT_EQ(secondary->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_EQ(secondary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);

    // Each 100 ms: write the next 0.4 s from the played total on, each byte
    // valued by its absolute stream position.
    auto valueAt = [](uint64_t pos) { return static_cast<uint8_t>((pos * 7) ^ (pos >> 9)); };
    uint64_t played = 0;
    DWORD last = 0;
    for (int tick = 0; tick < 40; ++tick) {
        ASSERT_EQ(secondary->GetCurrentPosition(&play, &write), DS_OK);
        played += play >= last ? play - last : 65536 - last + play;
        last = play;
        const uint64_t from = played + 8;
        const DWORD bytes = 35280;
        ASSERT_EQ(secondary->Lock(static_cast<DWORD>(from % 65536), bytes, &p1, &n1, &p2, &n2, 0),
                  DS_OK);
        ASSERT_EQ(n1 + n2, bytes);
        for (DWORD i = 0; i < n1; ++i)
            static_cast<uint8_t*>(p1)[i] = valueAt(from + i);
        for (DWORD i = 0; i < n2; ++i)
            static_cast<uint8_t*>(p2)[i] = valueAt(from + n1 + i);
        ASSERT_EQ(secondary->Unlock(p1, n1, p2, n2), DS_OK);
        ClockAdvance(100);
    }
    EXPECT_EQ(played, uint64_t{3900} * 22050 / 1000 * 4);
    platform::SoundRecording r = platform::GetSoundRecording();
    ASSERT_EQ(r.bytes.size(), size_t{4000} * 22050 / 1000 * 4);
    size_t wrong = 0;
    for (size_t i = 8; i < r.bytes.size(); ++i)
        wrong += r.bytes[i] != valueAt(i);
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(r.underruns, 0u);

    // A range that does not wrap needs no second region.
    ASSERT_EQ(secondary->Lock(0, 100, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    ASSERT_EQ(secondary->Unlock(p1, n1, nullptr, 0), DS_OK);
    secondary->Stop();
    primary->Stop();
    secondary->Release();
    primary->Release();
    ds->Release();
}

TEST_F(SoundRules, NoDeviceWithAdvAudioNone) {
    // A session reads the device count from the environment as it starts.
    setenv("ADV_AUDIO", "none", 1);
    {
        platform::Session withoutAudio;
        EXPECT_EQ(waveOutGetNumDevs(), 0u);
        LPDIRECTSOUND ds = nullptr;
        EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
    }
    unsetenv("ADV_AUDIO");
    platform::Session withAudio;
    EXPECT_EQ(waveOutGetNumDevs(), 1u);
}

// On real time the pump runs on the timer thread beside the main thread's
// calls (for ThreadSanitizer): headers finish, reset and close detach it;
// DirectSound cursors, locks, stop and release meet it under the device lock.
TEST(SoundRealTime, MainThreadCallsMeetTheRunningPump) {
    platform::SetSoundDeviceCount(1);
    platform::SetSoundSink(platform::SoundSinkChoice::Recording);
    const WAVEFORMATEX f{WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0};
    HWAVEOUT h = nullptr;
    ASSERT_EQ(waveOutOpen(&h, 0, &f, 0, 0, 0), 0u);
    std::vector<uint8_t> data(441, 0x40); // 20 ms
    WAVEHDR hdr[3]{};
    for (WAVEHDR& x : hdr) {
        x.lpData = reinterpret_cast<LPSTR>(data.data());
        x.dwBufferLength = 441;
        ASSERT_EQ(waveOutPrepareHeader(h, &x, sizeof x), 0u);
        ASSERT_EQ(waveOutWrite(h, &x, sizeof x), 0u);
    }
    auto done = [](WAVEHDR& x) { return (std::atomic_ref<DWORD>(x.dwFlags).load() & WHDR_DONE); };
    for (int wait = 0; wait < 500 && !done(hdr[0]); ++wait)
        Sleep(2);
    EXPECT_TRUE(done(hdr[0]));
    ASSERT_EQ(waveOutReset(h), 0u);
    EXPECT_TRUE(done(hdr[2]));
    ASSERT_EQ(waveOutClose(h), 0u);

    LPDIRECTSOUND ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
    LPDIRECTSOUNDBUFFER primary = nullptr, secondary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    ASSERT_EQ(primary->SetFormat(&f), DS_OK);
    WAVEFORMATEX sf = f;
    desc = DSBUFFERDESC{sizeof(DSBUFFERDESC), 0x100A2, 4410, 0, &sf};
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &secondary, nullptr), DS_OK);
    ASSERT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_EQ(secondary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    DWORD play = 0, write = 0, moved = 0, last = 0;
    for (int i = 0; i < 60; ++i) {
        ASSERT_EQ(secondary->GetCurrentPosition(&play, &write), DS_OK);
        moved += play != last;
        last = play;
        LPVOID p1 = nullptr, p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        ASSERT_EQ(secondary->Lock((play + 500) % 4410, 2000, &p1, &n1, &p2, &n2, 0), DS_OK);
        std::memset(p1, i, n1);
        if (p2) std::memset(p2, i, n2);
        ASSERT_EQ(secondary->Unlock(p1, n1, p2, n2), DS_OK);
        Sleep(3);
    }
    EXPECT_GT(moved, 0u);
    EXPECT_EQ(secondary->Stop(), DS_OK);
    secondary->Release();
    primary->Release();
    ds->Release();
}

} // namespace
