// Where the mixer's stream goes: waveOut or DirectSound behind one set of
// calls, chosen once when the mixer is set up. Open, Close and Release run
// on the main thread with the mixer's timer disabled or its lock held;
// GetPosition and Write run inside the mixer's tick.
#pragma once

#include "media/sound/SoundFormat.h"

#include <cstdint>

class TSoundOutput {
public:
    virtual ~TSoundOutput() = default;

    // 0 or a sound code (the codes of the sound device's reports).
    virtual int Open() = 0;
    virtual void Close() = 0;
    // Closes and gives back what setting the output up took.
    virtual void Release() = 0;
    virtual bool IsOpen() const = 0;
    // The play-ahead position in mix samples.
    virtual int64_t GetPosition() = 0;
    // Converts `count` accumulators for `position` and hands them on.
    virtual int64_t Write(int64_t position, const int32_t* accumulators, int64_t count) = 0;
    virtual const TSoundFormat& Format() const = 0;
};
