// waveOut through SDL's audio (the dummy driver in CI) on real time: the only
// promise checked is that everything queued is played, in order.
#include "platform/Kernel.h"
#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

TEST(SoundSdl, EverythingQueuedIsPlayedInOrder) {
    platform::SetSoundDeviceCount(1);
    platform::SetSoundSink(platform::SoundSinkChoice::Sdl);
    platform::SetSoundRecording(true);
    const WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
    HWAVEOUT h = nullptr;
    ASSERT_EQ(waveOutOpen(&h, 0, &f, 0, 0, 0), 0u);
    if (!platform::SoundPlaysThroughSdl()) {
        waveOutClose(h);
        GTEST_SKIP() << "no SDL audio device here";
    }

    struct Header {
        std::vector<uint8_t> data;
        WAVEHDR hdr{};
    };
    std::vector<Header> headers(5);
    std::vector<uint8_t> written;
    for (size_t k = 0; k < headers.size(); ++k) {
        Header& x = headers[k];
        x.data.resize(4400); // 25 ms
        for (size_t i = 0; i < x.data.size(); ++i)
            x.data[i] = static_cast<uint8_t>(k * 31 + i);
        written.insert(written.end(), x.data.begin(), x.data.end());
        x.hdr.lpData = reinterpret_cast<LPSTR>(x.data.data());
        x.hdr.dwBufferLength = static_cast<DWORD>(x.data.size());
        ASSERT_EQ(waveOutPrepareHeader(h, &x.hdr, sizeof(WAVEHDR)), 0u);
        ASSERT_EQ(waveOutWrite(h, &x.hdr, sizeof(WAVEHDR)), 0u);
    }

    // The pump sets the flags on the timer thread: read them atomically.
    auto done = [](Header& x) {
        return (std::atomic_ref<DWORD>(x.hdr.dwFlags).load() & WHDR_DONE) != 0;
    };
    // A safety limit against a hang, far beyond any real playing time.
    for (int wait = 0; wait < 2000 && !done(headers.back()); ++wait) {
        bool previous = true;
        for (Header& x : headers) {
            bool d = done(x);
            EXPECT_TRUE(previous || !d) << "a header finished before the one ahead of it";
            previous = d;
        }
        Sleep(10);
    }
    for (Header& x : headers)
        EXPECT_TRUE(done(x));
    EXPECT_EQ(waveOutClose(h), 0u);
    EXPECT_EQ(platform::GetSoundRecording().bytes, written);
}

} // namespace
