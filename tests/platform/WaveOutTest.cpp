#include "SoundFixture.h"

#include "platform/ByteStream.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace {

using platform::ClockAdvance;

class WaveOut : public SoundTest {
protected:
    HWAVEOUT Open(const WAVEFORMATEX& f) {
        HWAVEOUT h = nullptr;
        EXPECT_EQ(waveOutOpen(&h, 0, &f, 0, 0, WAVE_ALLOWSYNC), MMRESULT{MMSYSERR_NOERROR});
        return h;
    }

    struct Header {
        std::vector<uint8_t> data;
        WAVEHDR hdr{};
    };

    // Prepares and writes headers holding `parts`, in order.
    void WriteAll(HWAVEOUT h, std::vector<Header>& headers) {
        for (Header& x : headers) {
            x.hdr.lpData = reinterpret_cast<LPSTR>(x.data.data());
            x.hdr.dwBufferLength = static_cast<DWORD>(x.data.size());
            ASSERT_EQ(waveOutPrepareHeader(h, &x.hdr, sizeof(WAVEHDR)), 0u);
            ASSERT_EQ(waveOutWrite(h, &x.hdr, sizeof(WAVEHDR)), 0u);
        }
    }

    static std::vector<bool> Done(const std::vector<Header>& headers) {
        std::vector<bool> done;
        for (const Header& x : headers)
            done.push_back((x.hdr.dwFlags & WHDR_DONE) != 0);
        return done;
    }
};

TEST_F(WaveOut, DeviceCountCapsAndNoDevice) {
    EXPECT_EQ(waveOutGetNumDevs(), 1u);
    platform::SetWaveOutFormats(WAVE_FORMAT_1M08 | WAVE_FORMAT_2M16);
    WAVEOUTCAPSA caps{};
    ASSERT_EQ(waveOutGetDevCapsA(0, &caps, sizeof caps), 0u);
    EXPECT_EQ(caps.dwFormats, DWORD{WAVE_FORMAT_1M08 | WAVE_FORMAT_2M16});
    EXPECT_EQ(caps.wChannels, 2);
    EXPECT_EQ(waveOutGetDevCapsA(1, &caps, sizeof caps), MMRESULT{MMSYSERR_BADDEVICEID});

    platform::SetSoundDeviceCount(0);
    EXPECT_EQ(waveOutGetNumDevs(), 0u);
    EXPECT_NE(waveOutGetDevCapsA(0, &caps, sizeof caps), 0u);
    HWAVEOUT h = nullptr;
    WAVEFORMATEX f = Pcm(1, 22050, 8);
    EXPECT_NE(waveOutOpen(&h, 0, &f, 0, 0, 0), 0u);
}

TEST_F(WaveOut, OpenRefusesWhatItCannotPlay) {
    platform::SetWaveOutFormats(WAVE_FORMAT_1M08 | WAVE_FORMAT_1S08); // 11.025 kHz only
    struct Case {
        const char* what;
        WAVEFORMATEX format;
        UINT device;
        DWORD flags;
        MMRESULT result;
    };
    WAVEFORMATEX notPcm = Pcm(1, 11025, 8);
    notPcm.wFormatTag = 2;
    WAVEFORMATEX badAlign = Pcm(2, 11025, 16);
    badAlign.nBlockAlign = 2;
    const Case cases[] = {
        {"24 bits", Pcm(1, 11025, 24), 0, 0, WAVERR_BADFORMAT},
        {"3 channels", Pcm(3, 11025, 8), 0, 0, WAVERR_BADFORMAT},
        {"not PCM", notPcm, 0, 0, WAVERR_BADFORMAT},
        {"block size", badAlign, 0, 0, WAVERR_BADFORMAT},
        {"format the device lacks", Pcm(1, 22050, 8), 0, 0, WAVERR_BADFORMAT},
        {"device 1 of 1", Pcm(1, 11025, 8), 1, 0, MMSYSERR_BADDEVICEID},
        {"a callback", Pcm(1, 11025, 8), 0, CALLBACK_FUNCTION, MMSYSERR_INVALFLAG},
        {"query only", Pcm(1, 11025, 8), 0, WAVE_FORMAT_QUERY, MMSYSERR_NOERROR},
    };
    for (const Case& c : cases) {
        HWAVEOUT h = nullptr;
        EXPECT_EQ(waveOutOpen(&h, c.device, &c.format, 0, 0, c.flags), c.result) << c.what;
        EXPECT_EQ(h, nullptr) << c.what;
    }
    // The mapper takes a format the device has; a second open is refused.
    HWAVEOUT h = nullptr, second = nullptr;
    WAVEFORMATEX f = Pcm(2, 11025, 8);
    ASSERT_EQ(waveOutOpen(&h, WAVE_MAPPER, &f, 0, 0, 0), 0u);
    EXPECT_EQ(waveOutOpen(&second, 0, &f, 0, 0, 0), MMRESULT{MMSYSERR_ALLOCATED});
    LPDIRECTSOUND ds = nullptr;
    EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_ALLOCATED);
    EXPECT_EQ(waveOutClose(h), 0u);
    EXPECT_EQ(waveOutClose(h), MMRESULT{MMSYSERR_INVALHANDLE});
    ASSERT_EQ(waveOutOpen(&second, 0, &f, 0, 0, 0), 0u);
    EXPECT_NE(second, h); // a stale handle never names the new one
    EXPECT_EQ(waveOutReset(h), MMRESULT{MMSYSERR_INVALHANDLE});
    EXPECT_EQ(waveOutClose(second), 0u);
}

TEST_F(WaveOut, HeadersPlayInOrderAndTurnDoneWhenPlayed) {
    HWAVEOUT h = Open(Pcm(1, 22050, 8)); // 2205 bytes = 100 ms
    std::vector<Header> headers{{Ramp(2205, 1)}, {Ramp(2205, 2)}, {Ramp(1000, 3)}};
    WriteAll(h, headers);
    EXPECT_EQ(headers[0].hdr.dwFlags, DWORD{WHDR_PREPARED | WHDR_INQUEUE});

    ClockAdvance(99);
    EXPECT_EQ(Done(headers), (std::vector<bool>{false, false, false}));
    ClockAdvance(1);
    EXPECT_EQ(Done(headers), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(headers[0].hdr.dwFlags, DWORD{WHDR_PREPARED | WHDR_DONE});
    ClockAdvance(100);
    EXPECT_EQ(Done(headers), (std::vector<bool>{true, true, false}));
    ClockAdvance(50);
    EXPECT_EQ(Done(headers), (std::vector<bool>{true, true, true}));

    platform::SoundRecording r = platform::GetSoundRecording();
    std::vector<uint8_t> written;
    for (const Header& x : headers)
        written.insert(written.end(), x.data.begin(), x.data.end());
    EXPECT_EQ(r.bytes, written);
    EXPECT_EQ(r.underruns, 0u);
    EXPECT_EQ(r.format.nSamplesPerSec, 22050u);

    // A done header is written again; unprepared, it is refused.
    ASSERT_EQ(waveOutUnprepareHeader(h, &headers[0].hdr, sizeof(WAVEHDR)), 0u);
    EXPECT_EQ(waveOutWrite(h, &headers[0].hdr, sizeof(WAVEHDR)), MMRESULT{WAVERR_UNPREPARED});
    EXPECT_EQ(waveOutWrite(h, &headers[1].hdr, sizeof(WAVEHDR)), 0u);
    EXPECT_EQ(waveOutUnprepareHeader(h, &headers[1].hdr, sizeof(WAVEHDR)),
              MMRESULT{WAVERR_STILLPLAYING});
    ClockAdvance(100);
    EXPECT_EQ(waveOutClose(h), 0u);
}

TEST_F(WaveOut, ResetMarksQueuedDoneAndCloseWaitsForIt) {
    HWAVEOUT h = Open(Pcm(2, 44100, 16));
    std::vector<Header> headers{{Ramp(17640, 1)}, {Ramp(17640, 2)}}; // 100 ms each
    WriteAll(h, headers);
    ClockAdvance(50);
    EXPECT_EQ(waveOutClose(h), MMRESULT{WAVERR_STILLPLAYING});
    EXPECT_EQ(waveOutReset(h), 0u);
    for (const Header& x : headers)
        EXPECT_EQ(x.hdr.dwFlags, DWORD{WHDR_PREPARED | WHDR_DONE});
    ClockAdvance(50); // the pump no longer reads them
    EXPECT_EQ(platform::GetSoundRecording().bytes.size(), 8820u);
    EXPECT_EQ(waveOutClose(h), 0u);
    ClockAdvance(50); // nor anything after the close
}

// A header written after the device ran dry follows silence as long as the
// gap; silence is 0x80 for 8 bits.
TEST_F(WaveOut, AGapIsRecordedAsSilenceAndCountedAsUnderrun) {
    struct Case {
        WAVEFORMATEX format;
        uint8_t silence;
    };
    for (const Case& c : {Case{Pcm(1, 22050, 8), 0x80}, Case{Pcm(2, 44100, 16), 0x00}}) {
        HWAVEOUT h = Open(c.format);
        const size_t tenMs = c.format.nAvgBytesPerSec / 100;
        std::vector<Header> first{{Ramp(tenMs, 9)}}, second{{Ramp(tenMs, 5)}};
        WriteAll(h, first);
        ClockAdvance(50);
        WriteAll(h, second);
        ClockAdvance(50);
        EXPECT_EQ(Done(second), std::vector<bool>{true});

        platform::SoundRecording r = platform::GetSoundRecording();
        std::vector<uint8_t> expected = first[0].data;
        const size_t dueAtSecond = 50 * c.format.nSamplesPerSec / 1000 * c.format.nBlockAlign;
        expected.resize(dueAtSecond, c.silence);
        expected.insert(expected.end(), second[0].data.begin(), second[0].data.end());
        EXPECT_EQ(r.bytes, expected) << c.format.wBitsPerSample;
        EXPECT_EQ(r.underruns, 1u);
        EXPECT_EQ(waveOutClose(h), 0u);
    }
}

TEST_F(WaveOut, EachCallCanBeMadeToFail) {
    using platform::SoundCall;
    WAVEFORMATEX f = Pcm(1, 22050, 8);
    HWAVEOUT h = Open(f);
    Header x{Ramp(100, 1)};
    x.hdr.lpData = reinterpret_cast<LPSTR>(x.data.data());
    x.hdr.dwBufferLength = 100;
    ASSERT_EQ(waveOutPrepareHeader(h, &x.hdr, sizeof(WAVEHDR)), 0u);
    WAVEOUTCAPSA caps{};
    HWAVEOUT other = nullptr;
    struct Case {
        SoundCall call;
        std::function<MMRESULT()> run;
    };
    const Case cases[] = {
        {SoundCall::WaveOutGetDevCaps, [&] { return waveOutGetDevCapsA(0, &caps, sizeof caps); }},
        {SoundCall::WaveOutOpen, [&] { return waveOutOpen(&other, 0, &f, 0, 0, 0); }},
        {SoundCall::WaveOutPrepareHeader,
         [&] { return waveOutPrepareHeader(h, &x.hdr, sizeof(WAVEHDR)); }},
        {SoundCall::WaveOutWrite, [&] { return waveOutWrite(h, &x.hdr, sizeof(WAVEHDR)); }},
        {SoundCall::WaveOutUnprepareHeader,
         [&] { return waveOutUnprepareHeader(h, &x.hdr, sizeof(WAVEHDR)); }},
        {SoundCall::WaveOutReset, [&] { return waveOutReset(h); }},
        {SoundCall::WaveOutClose, [&] { return waveOutClose(h); }},
    };
    for (const Case& c : cases) {
        platform::SetSoundFailure(c.call, MMSYSERR_NOMEM);
        EXPECT_EQ(c.run(), MMRESULT{MMSYSERR_NOMEM}) << static_cast<int>(c.call);
        platform::SetSoundFailure(c.call, 0);
    }
    EXPECT_EQ(x.hdr.dwFlags & WHDR_INQUEUE, 0u);
    EXPECT_EQ(waveOutClose(h), 0u);
}

TEST_F(WaveOut, HeaderSizeIsTheCompilers) {
    HWAVEOUT h = Open(Pcm(1, 22050, 8));
    WAVEHDR x{};
    EXPECT_EQ(waveOutPrepareHeader(h, &x, 32), MMRESULT{MMSYSERR_INVALPARAM});
    EXPECT_EQ(waveOutPrepareHeader(h, nullptr, sizeof x), MMRESULT{MMSYSERR_INVALPARAM});
    EXPECT_EQ(waveOutClose(h), 0u);
}

TEST_F(WaveOut, RecordingIsWrittenAsCanonicalWave) {
    HWAVEOUT h = Open(Pcm(2, 22050, 16));
    std::vector<Header> headers{{Ramp(880, 3)}}; // 10 ms
    WriteAll(h, headers);
    ClockAdvance(20);
    ASSERT_EQ(waveOutClose(h), 0u);
    platform::SoundRecording r = platform::GetSoundRecording();
    std::string path = ::testing::TempDir() + "sound-recording.wav";
    ASSERT_TRUE(platform::WriteSoundRecordingWav(r, path.c_str()));

    std::vector<uint8_t> file(2000);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    file.resize(std::fread(file.data(), 1, file.size(), f));
    std::fclose(f);
    std::remove(path.c_str());
    ASSERT_EQ(file.size(), 44u + 880u);
    platform::ByteReader in(file);
    EXPECT_EQ(in.U32BE(), 0x52494646u); // "RIFF"
    EXPECT_EQ(in.U32(), 36u + 880u);
    EXPECT_EQ(in.U32BE(), 0x57415645u); // "WAVE"
    EXPECT_EQ(in.U32BE(), 0x666d7420u); // "fmt "
    EXPECT_EQ(in.U32(), 16u);
    EXPECT_EQ(in.U16(), 1);
    EXPECT_EQ(in.U16(), 2);
    EXPECT_EQ(in.U32(), 22050u);
    EXPECT_EQ(in.U32(), 88200u);
    EXPECT_EQ(in.U16(), 4);
    EXPECT_EQ(in.U16(), 16);
    EXPECT_EQ(in.U32BE(), 0x64617461u); // "data"
    EXPECT_EQ(in.U32(), 880u);
    EXPECT_TRUE(std::equal(headers[0].data.begin(), headers[0].data.end(), file.begin() + 44));
}

} // namespace
