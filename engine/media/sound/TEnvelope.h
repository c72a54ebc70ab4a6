// The volume envelope of a playing sound (attack, decay, sustain, release),
// its volume and its pan, evaluated at a time in milliseconds of played sound.
#pragma once

#include <cstdint>

class TEnvelope {
public:
    void SetAttack(uint32_t ms) { attack_ = ms; }
    void SetDecay(uint32_t ms) { decay_ = ms; }
    void SetSustain(uint32_t level) { sustain_ = level; }
    void SetRelease(uint32_t ms) { release_ = ms; }
    void SetVolume(uint32_t v);
    void SetPan(uint32_t p);
    void Start(int64_t t);
    void Release(int64_t t);
    // 0..127 at time t.
    int32_t Level(int64_t t) const;
    bool IsFinished(int64_t t) const;
    // 0..127: level x pan gain x volume for a source and an output channel.
    int32_t Gain(int source, int output, int64_t t) const;
    int32_t MatrixEntry(int source, int output) const { return matrix_[source][output]; }
    uint32_t GetVolume() const { return volume_; }
    uint32_t GetPan() const { return pan_; }

private:
    uint32_t attack_ = 0;
    uint32_t decay_ = 0;
    uint32_t sustain_ = 127;
    uint32_t release_ = 0;
    uint32_t volume_ = 127;
    uint32_t pan_ = 64;
    int64_t startTime_ = 0;
    int64_t releaseStart_ = 0;
    int32_t releaseLevel_ = 0;
    bool running_ = false;
    int32_t matrix_[2][2] = {{127, 0}, {0, 127}};
};
