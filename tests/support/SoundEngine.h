// Engine sound tests on virtual time and the recording sink: the device's
// settings, the error handler and the sound device back to their defaults
// afterwards.
#pragma once

#include "foundation/TError.h"
#include "platform/Clock.h"
#include "platform/Module.h"
#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

class SoundEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetSoundDeviceCount(1);
        platform::SetSoundSink(platform::SoundSinkChoice::Recording);
        platform::SetSoundRecording(true);
        platform::ClockUseVirtual(true, 1000);
    }
    void TearDown() override { platform::ClockUseVirtual(false); }

    // The recorded 16-bit values.
    static std::vector<int16_t> Recorded16() {
        const platform::SoundRecording r = platform::GetSoundRecording();
        std::vector<int16_t> v(r.bytes.size() / 2);
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = static_cast<int16_t>(r.bytes[2 * i] | r.bytes[2 * i + 1] << 8);
        return v;
    }
};
