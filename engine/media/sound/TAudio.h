// The engine's sound handle: owns one sound processor and one sound buffer,
// keeps every playback parameter while nothing plays and pushes them all to
// the processor when it starts. Positions count source samples of the
// sound's own format.
#pragma once

#include "foundation/TNamedObj.h"

#include <cstdint>

class TSoundBuffer;
class TSoundProcessor;

class TAudio : public TNamedObj {
public:
    TAudio();
    ~TAudio() override;

    // False when the sound device is not ready or an allocation fails.
    bool Create();
    void Free();
    bool HasProcessor() const { return processor_ != nullptr; }
    bool Start();
    void Release();
    void SetPosition(int64_t p);
    int64_t GetPosition() const;
    void SetStopPosition(int64_t p);
    void SetVolume(uint32_t v);
    void SetPan(uint32_t p);
    // 0: the buffer's own sample rate.
    void SetFrequency(uint32_t f);
    void SetAttack(uint32_t ms) { attack_ = ms; }
    void SetDecay(uint32_t ms) { decay_ = ms; }
    void SetSustain(uint32_t level) { sustain_ = level; }
    void SetReleaseTime(uint32_t ms) { release_ = ms; }
    void SetBufferSize(int64_t n) { length_ = n; }
    void SetSampleRate(uint32_t r) { rate_ = r; }
    void SetChannels(uint16_t c) { channels_ = c; }
    void SetBits(uint16_t b) { bits_ = b; }
    bool IsPlaying() const;
    int GetLevel() const;
    int64_t GetFreeSpace() const;
    int64_t GetWritten() const;
    int64_t Write(const void* data, int64_t count);

    uint32_t GetVolume() const { return volume_; }
    int64_t GetStopPosition() const { return stopPosition_; }
    TSoundProcessor* Processor() const { return processor_; }

private:
    int64_t length_ = 0;
    uint32_t rate_ = 0;
    uint16_t channels_ = 1;
    uint16_t bits_ = 16;
    int64_t stopPosition_ = 0;
    uint32_t volume_ = 127;
    uint32_t pan_ = 64;
    uint32_t frequency_ = 0;
    uint32_t attack_ = 0;
    uint32_t decay_ = 0;
    uint32_t sustain_ = 127;
    uint32_t release_ = 0;
    TSoundProcessor* processor_ = nullptr;
    TSoundBuffer* buffer_ = nullptr;
    int64_t position_ = 0;
};
