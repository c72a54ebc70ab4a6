// A playing sound: one mixer voice fed from a sound buffer. It resamples by
// its frequency, applies its envelope, volume and pan, and keeps the voice
// ring filled ahead of what is heard; every change re-renders from the
// position being heard, so it sounds within one mixer tick.
#pragma once

#include "media/sound/SoundFormat.h"
#include "media/sound/TEnvelope.h"
#include "platform/Kernel.h"

#include <atomic>
#include <cstdint>

class TMixer;
class TSoundBuffer;

class TSoundProcessor {
public:
    static constexpr int64_t kVoiceSamples = 32768;

    TSoundProcessor();
    ~TSoundProcessor();
    TSoundProcessor(const TSoundProcessor&) = delete;
    TSoundProcessor& operator=(const TSoundProcessor&) = delete;

    bool AttachMixer(TMixer* mixer);
    void AttachBuffer(TSoundBuffer* buffer);
    bool Play();
    void Stop();
    void Release();
    void SetPosition(int64_t p);
    int64_t GetPosition() const;
    void SetVolume(uint32_t v);
    void SetPan(uint32_t p);
    void SetFrequency(uint32_t f);
    void SetAttack(uint32_t ms);
    void SetDecay(uint32_t ms);
    void SetSustain(uint32_t level);
    void SetRelease(uint32_t ms);
    void SetStopPosition(int64_t p);
    bool IsPlaying() const;
    int GetLevel();
    int GetVoice() const { return voice_.load(); }
    uint32_t GetFrequency() const { return frequency_; }
    const TEnvelope& Envelope() const { return envelope_; }

    // The mixer's callback after each pass; the argument is the processor.
    static int Refill(uintptr_t processor);
    // The mixer is going away: forget it.
    void MixerGone();

    // Renders into a voice block at envelope time t; the mix samples produced.
    int64_t Render16(TSoundBlock* block, int64_t t);
    int64_t Render8(TSoundBlock* block, int64_t t);

private:
    class Guard;
    friend class Guard;
    template <class Source> int64_t Render(TSoundBlock* block, int64_t t);
    void Resynchronise();
    void UpdatePosition();
    void Fill(int64_t count);
    void FreeVoice();
    bool Ready() const;

    TEnvelope envelope_;
    CRITICAL_SECTION lock_;
    std::atomic<TMixer*> mixer_{nullptr};
    std::atomic<int> voice_{-1};
    int64_t fillClock_ = 0;
    int64_t playClock_ = 0;
    std::atomic<int64_t> playPos_{0};
    int64_t playFrac_ = 0;
    int64_t fillPos_ = 0;
    int64_t fillFrac_ = 0;
    uint32_t frequency_ = 22050;
    int64_t played_ = 0;
    int64_t writePos_ = 0;
    uint32_t mixerRate_ = 22050;
    TSoundBuffer* buffer_ = nullptr;
    int64_t stopPos_ = 0;
    std::atomic<bool> busy_{false};

public:
    // The mixer's list of attached processors.
    TSoundProcessor* nextAttached = nullptr;
    TSoundProcessor* prevAttached = nullptr;
};
