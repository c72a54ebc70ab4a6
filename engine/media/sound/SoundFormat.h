// The device formats an output may choose and the one conversion of the
// mixer's 32-bit accumulators into device samples, shared by both outputs so
// they give the same bytes. Conversion clamps: three loud voices distort at
// full scale instead of wrapping into loud crackles.
#pragma once

#include "platform/MMSystem.h"

#include <cstddef>
#include <cstdint>

struct TSoundFormat {
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
    int32_t code;    // 128 stereo 16-bit, 64 mono 16-bit, 16 mono 8-bit, 1 mono 8-bit 11 kHz
    int32_t divisor; // mix samples per device sample value
};

// The best format in the low byte of a WAVE_FORMAT_* set.
const TSoundFormat& ChooseSoundFormat(uint32_t formats);

// The PCM wave format of a device format, as both outputs open it.
WAVEFORMATEX PcmFormat(const TSoundFormat& format);

// Converts `count` accumulators (interleaved left, right) into device values
// at `out`; `count` is cut to whole units (a frame, or two for code 1).
// Returns the bytes written: count x 2 / divisor.
size_t ConvertMix(int32_t code, const int32_t* accumulators, size_t count, uint8_t* out);

// A stretch of samples handed between the mixer, sound buffers and
// processors: the format and a pointer to `count` samples.
struct TSoundBlock {
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t bits = 0;
    int64_t count = 0;
    void* data = nullptr;
};
