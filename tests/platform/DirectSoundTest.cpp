#include "SoundFixture.h"

#include <cstring>
#include <functional>
#include <string>

namespace {

using platform::ClockAdvance;

class DirectSound : public SoundTest {
protected:
    void TearDown() override {
        if (secondary_) secondary_->Release();
        if (primary_) primary_->Release();
        if (ds_) ds_->Release();
        SoundTest::TearDown();
    }

    // The sequence the mixer's output goes through: object, level, primary
    // buffer in `format`, a looping secondary of `bytes` filled with `data`.
    void OpenAndPlay(const WAVEFORMATEX& format, const std::vector<uint8_t>& data) {
        ASSERT_EQ(DirectSoundCreate(nullptr, &ds_, nullptr), DS_OK);
        ASSERT_EQ(ds_->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
        DSBUFFERDESC desc{sizeof(DSBUFFERDESC), DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
        ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &primary_, nullptr), DS_OK);
        ASSERT_EQ(primary_->SetFormat(&format), DS_OK);
        WAVEFORMATEX f = format;
        desc = DSBUFFERDESC{sizeof(DSBUFFERDESC), 0x100A2, static_cast<DWORD>(data.size()), 0, &f};
        ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &secondary_, nullptr), DS_OK);
        LPVOID p1 = nullptr, p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        ASSERT_EQ(secondary_->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
        ASSERT_EQ(n1, data.size());
        EXPECT_EQ(p2, nullptr);
        EXPECT_EQ(n2, 0u);
        std::memcpy(p1, data.data(), n1);
        ASSERT_EQ(secondary_->Unlock(p1, n1, p2, n2), DS_OK);
        ASSERT_EQ(secondary_->SetCurrentPosition(0), DS_OK);
        ASSERT_EQ(primary_->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
        ASSERT_EQ(secondary_->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    }

    std::pair<DWORD, DWORD> Cursors() {
        DWORD play = 0, write = 0;
        EXPECT_EQ(secondary_->GetCurrentPosition(&play, &write), DS_OK);
        return {play, write};
    }

    void ReleaseAll() {
        for (auto** p : {&secondary_, &primary_})
            if (*p) (*p)->Release(), *p = nullptr;
        if (ds_) ds_->Release(), ds_ = nullptr;
    }

    LPDIRECTSOUND ds_ = nullptr;
    LPDIRECTSOUNDBUFFER primary_ = nullptr;
    LPDIRECTSOUNDBUFFER secondary_ = nullptr;
};

TEST_F(DirectSound, ModuleExportsBothEntriesUnlessMadeAbsent) {
    HMODULE m = LoadLibraryA("DSOUND.DLL");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetProcAddress(m, "DirectSoundCreate"), platform::ExportOf(&DirectSoundCreate));
    EXPECT_EQ(GetProcAddress(m, "DirectSoundEnumerateA"),
              platform::ExportOf(&DirectSoundEnumerateA));
    platform::SetSymbolAbsent("dsound.dll", "DirectSoundEnumerateA", true);
    EXPECT_EQ(GetProcAddress(m, "DirectSoundEnumerateA"), nullptr);
    EXPECT_NE(GetProcAddress(m, "DirectSoundCreate"), nullptr);
    EXPECT_TRUE(FreeLibrary(m));
    platform::SetModuleAbsent("dsound", true);
    EXPECT_EQ(LoadLibraryA("dsound.dll"), nullptr);
}

struct Enumerated {
    bool nullGuid;
    GUID guid;
    std::string description;
};

BOOL CALLBACK Collect(LPGUID guid, LPCSTR description, LPCSTR, LPVOID context) {
    auto* list = static_cast<std::vector<Enumerated>*>(context);
    list->push_back({guid == nullptr, guid ? *guid : GUID{}, description});
    return list->size() < 3;
}

TEST_F(DirectSound, EnumerationGivesTheDefaultFirstThenEachDevice) {
    platform::SetSoundDeviceCount(4);
    std::vector<Enumerated> got;
    ASSERT_EQ(DirectSoundEnumerateA(&Collect, &got), DS_OK);
    ASSERT_EQ(got.size(), 3u); // the callback stopped it
    EXPECT_TRUE(got[0].nullGuid);
    EXPECT_FALSE(got[1].nullGuid);
    EXPECT_FALSE(got[2].nullGuid);
    EXPECT_NE(std::memcmp(&got[1].guid, &got[2].guid, sizeof(GUID)), 0);

    // Each enumerated device can be created; an unknown GUID cannot.
    LPDIRECTSOUND ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(&got[2].guid, &ds, nullptr), DS_OK);
    LPDIRECTSOUND second = nullptr;
    EXPECT_EQ(DirectSoundCreate(&got[1].guid, &second, nullptr), DSERR_ALLOCATED);
    HWAVEOUT wave = nullptr;
    WAVEFORMATEX f = Pcm(1, 22050, 8);
    EXPECT_EQ(waveOutOpen(&wave, 0, &f, 0, 0, 0), MMRESULT{MMSYSERR_ALLOCATED});
    EXPECT_EQ(ds->Release(), 0u);
    GUID unknown = got[2].guid;
    unknown.Data4[7] ^= 1;
    EXPECT_EQ(DirectSoundCreate(&unknown, &ds, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(ds, nullptr);

    platform::SetSoundDeviceCount(0);
    got.clear();
    ASSERT_EQ(DirectSoundEnumerateA(&Collect, &got), DS_OK);
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
}

TEST_F(DirectSound, CapsAndDescriptionSizesAreChecked) {
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds_, nullptr), DS_OK);
    DSCAPS want = platform::DefaultDirectSoundCaps();
    want.dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARY8BIT;
    platform::SetDirectSoundCaps(want);
    DSCAPS caps{};
    EXPECT_EQ(ds_->GetCaps(&caps), DSERR_INVALIDPARAM);
    caps.dwSize = sizeof caps;
    ASSERT_EQ(ds_->GetCaps(&caps), DS_OK);
    EXPECT_EQ(caps.dwFlags, want.dwFlags);
    EXPECT_EQ(caps.dwSize, 96u);

    DSBUFFERDESC desc{20, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr}; // a 32-bit build's size
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &primary_, nullptr), DSERR_INVALIDPARAM);
    desc.dwSize = sizeof desc;
    ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &primary_, nullptr), DS_OK);
    WAVEFORMATEX f = Pcm(2, 22050, 16);
    EXPECT_EQ(primary_->SetFormat(&f), DSERR_PRIOLEVELNEEDED); // no level set yet
    ASSERT_EQ(ds_->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    ASSERT_EQ(primary_->SetFormat(&f), DS_OK);
    // A secondary buffer must match the device format to be played.
    WAVEFORMATEX other = Pcm(1, 22050, 8);
    desc = DSBUFFERDESC{sizeof desc, 0, 1000, 0, &other};
    ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &secondary_, nullptr), DS_OK);
    EXPECT_EQ(secondary_->Play(0, 0, 0), DSERR_BADFORMAT);
    WAVEFORMATEX bad = Pcm(1, 22050, 12);
    desc.lpwfxFormat = &bad;
    LPDIRECTSOUNDBUFFER b = nullptr;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), DSERR_BADFORMAT);
    desc.lpwfxFormat = &other;
    desc.dwBufferBytes = 2;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), DSERR_INVALIDPARAM);
}

TEST_F(DirectSound, LoopingSecondaryPlaysRoundAndCursorsWrap) {
    const std::vector<uint8_t> data = Ramp(32768, 1); // mono 16-bit: 743 ms
    OpenAndPlay(Pcm(1, 22050, 16), data);
    EXPECT_EQ(Cursors(), std::make_pair(DWORD{0}, DWORD{0}));
    ClockAdvance(100);
    EXPECT_EQ(Cursors(), std::make_pair(DWORD{4410}, DWORD{4410}));
    ClockAdvance(700);
    const DWORD wrapped = 800 * 22050 / 1000 * 2 - 32768;
    EXPECT_EQ(Cursors(), std::make_pair(wrapped, wrapped));

    platform::SoundRecording r = platform::GetSoundRecording();
    std::vector<uint8_t> expected = data;
    expected.insert(expected.end(), data.begin(), data.begin() + wrapped);
    EXPECT_EQ(r.bytes, expected);
    EXPECT_EQ(r.underruns, 0u);
    EXPECT_EQ(r.format.wBitsPerSample, 16);
}

TEST_F(DirectSound, LockAcrossTheEndGivesTwoRegions) {
    OpenAndPlay(Pcm(2, 22050, 16), std::vector<uint8_t>(32768));
    LPVOID p1 = nullptr, p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(secondary_->Lock(30000, 5000, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 2768u);
    EXPECT_EQ(n2, 2232u);
    EXPECT_EQ(static_cast<uint8_t*>(p1) - static_cast<uint8_t*>(p2), 30000);
    std::memset(p1, 0x11, n1);
    std::memset(p2, 0x22, n2);
    ASSERT_EQ(secondary_->Unlock(p1, n1, p2, n2), DS_OK);

    ClockAdvance(50); // the pump moves the write cursor
    auto [play, write] = Cursors();
    ASSERT_EQ(secondary_->Lock(0, 8, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR), DS_OK);
    EXPECT_EQ(write, 4408u);
    EXPECT_EQ(play, write); // nothing is queued ahead on the recording sink
    ASSERT_EQ(secondary_->Unlock(p1, n1, p2, n2), DS_OK);

    EXPECT_EQ(secondary_->Lock(0, 32769, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(secondary_->Lock(32768, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(secondary_->Lock(32000, 1000, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(primary_->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DSERR_PRIOLEVELNEEDED);

    // What was written across the end plays in order when the cursor gets there.
    ClockAdvance(750);
    platform::SoundRecording r = platform::GetSoundRecording();
    ASSERT_GE(r.bytes.size(), 32768u + 2232u + 4u);
    EXPECT_EQ(r.bytes[29999], 0);
    EXPECT_EQ(r.bytes[30000], 0x11);
    EXPECT_EQ(r.bytes[32767], 0x11);
    EXPECT_EQ(r.bytes[32768], 0x22);
    EXPECT_EQ(r.bytes[32768 + 2231], 0x22);
    EXPECT_EQ(r.bytes[32768 + 2232], 0);
}

TEST_F(DirectSound, StopAndReleaseDetachTheBufferFromThePump) {
    OpenAndPlay(Pcm(1, 22050, 8), Ramp(2205, 1));
    ClockAdvance(30);
    ASSERT_EQ(secondary_->Stop(), DS_OK);
    const DWORD stoppedAt = Cursors().first;
    EXPECT_EQ(stoppedAt, 661u);
    ClockAdvance(30);
    EXPECT_EQ(Cursors().first, stoppedAt);
    // Played again it goes on where it stopped, after a gap that is no underrun.
    ASSERT_EQ(secondary_->Play(0, 0, 0), DS_OK);
    ClockAdvance(200); // once through, then it stops by itself
    platform::SoundRecording r = platform::GetSoundRecording();
    std::vector<uint8_t> expected = Ramp(2205, 1);
    const size_t gap = 60 * 22050 / 1000 - stoppedAt; // from the stop to the new start
    expected.insert(expected.begin() + stoppedAt, gap, 0x80);
    EXPECT_EQ(r.bytes, expected);
    EXPECT_EQ(r.underruns, 0u);

    // Buffers keep the object alive; the device is free once all are gone.
    EXPECT_EQ(ds_->Release(), 0u);
    ds_ = nullptr;
    HWAVEOUT wave = nullptr;
    WAVEFORMATEX f = Pcm(1, 22050, 8);
    EXPECT_EQ(waveOutOpen(&wave, 0, &f, 0, 0, 0), MMRESULT{MMSYSERR_ALLOCATED});
    ReleaseAll();
    ClockAdvance(50);
    ASSERT_EQ(waveOutOpen(&wave, 0, &f, 0, 0, 0), 0u);
    EXPECT_EQ(waveOutClose(wave), 0u);
}

TEST_F(DirectSound, EachCallCanBeMadeToFail) {
    using platform::SoundCall;
    const HRESULT kFail = DSERR_GENERIC;
    OpenAndPlay(Pcm(1, 22050, 16), std::vector<uint8_t>(4096));
    DSCAPS caps{};
    caps.dwSize = sizeof caps;
    DSBUFFERDESC primaryDesc{sizeof(DSBUFFERDESC), DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
    WAVEFORMATEX f = Pcm(1, 22050, 16);
    DSBUFFERDESC secondaryDesc{sizeof(DSBUFFERDESC), 0, 4096, 0, &f};
    LPDIRECTSOUNDBUFFER b = nullptr;
    LPDIRECTSOUND other = nullptr;
    LPVOID p1 = nullptr, p2 = nullptr;
    DWORD n1 = 0, n2 = 0, play = 0, write = 0;
    struct Case {
        SoundCall call;
        std::function<HRESULT()> run;
    };
    const Case cases[] = {
        {SoundCall::DirectSoundEnumerate, [&] { return DirectSoundEnumerateA(&Collect, nullptr); }},
        {SoundCall::DirectSoundCreate, [&] { return DirectSoundCreate(nullptr, &other, nullptr); }},
        {SoundCall::SetCooperativeLevel, [&] { return ds_->SetCooperativeLevel(nullptr, 2); }},
        {SoundCall::GetCaps, [&] { return ds_->GetCaps(&caps); }},
        {SoundCall::CreatePrimaryBuffer,
         [&] { return ds_->CreateSoundBuffer(&primaryDesc, &b, nullptr); }},
        {SoundCall::CreateSecondaryBuffer,
         [&] { return ds_->CreateSoundBuffer(&secondaryDesc, &b, nullptr); }},
        {SoundCall::SetFormat, [&] { return primary_->SetFormat(&f); }},
        {SoundCall::PlayPrimary, [&] { return primary_->Play(0, 0, DSBPLAY_LOOPING); }},
        {SoundCall::PlaySecondary, [&] { return secondary_->Play(0, 0, DSBPLAY_LOOPING); }},
        {SoundCall::Stop, [&] { return secondary_->Stop(); }},
        {SoundCall::Lock, [&] { return secondary_->Lock(0, 4, &p1, &n1, &p2, &n2, 0); }},
        {SoundCall::Unlock, [&] { return secondary_->Unlock(p1, 4, nullptr, 0); }},
        {SoundCall::SetCurrentPosition, [&] { return secondary_->SetCurrentPosition(0); }},
        {SoundCall::GetCurrentPosition,
         [&] { return secondary_->GetCurrentPosition(&play, &write); }},
    };
    for (const Case& c : cases) {
        platform::SetSoundFailure(c.call, static_cast<uint32_t>(kFail));
        EXPECT_EQ(c.run(), kFail) << static_cast<int>(c.call);
        platform::SetSoundFailure(c.call, 0);
    }
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(other, nullptr);
}

} // namespace
