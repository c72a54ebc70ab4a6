// Sound tests on virtual time and the recording sink, with the device's
// settings back to their defaults afterwards.
#pragma once

#include "platform/Clock.h"
#include "platform/Module.h"
#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetSoundDeviceCount(1);
        platform::SetSoundSink(platform::SoundSinkChoice::Recording);
        platform::SetSoundRecording(true);
        platform::ClockUseVirtual(true, 1000);
    }
    void TearDown() override { platform::ClockUseVirtual(false); }

    static WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
        WORD align = static_cast<WORD>(channels * bits / 8);
        return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
    }

    // `bytes` bytes counting up from `first`: order shows in the recording.
    static std::vector<uint8_t> Ramp(size_t bytes, uint8_t first) {
        std::vector<uint8_t> v(bytes);
        for (size_t i = 0; i < bytes; ++i)
            v[i] = static_cast<uint8_t>(first + i * 7);
        return v;
    }
};
