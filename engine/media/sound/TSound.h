// The non-visual sound component: a timer that streams a wave resource into
// its sound handle every 100 ms while it plays, with a play section, looping
// and volume.
#pragma once

#include "foundation/TTimer.h"
#include "media/sound/TAudio.h"

#include <cstdint>

class TWave;

class TSound : public TTimer {
public:
    static constexpr uint32_t kLoop = 1;

    TSound();
    ~TSound() override;

    int Attach(TComp* parent);
    void Detach();
    void Play(int64_t position);
    void Release() { audio_.Release(); }
    void SetWave(TWave* wave);
    TWave* GetWave() const { return wave_; }
    void SetFlags(uint32_t flags) { soundFlags_ = flags; }
    uint32_t GetSoundFlags() const { return soundFlags_; }
    void SetLoop(bool on);
    void SetVolume(uint32_t v) { audio_.SetVolume(v); }
    bool IsPlaying() const { return audio_.IsPlaying(); }
    int GetLevel() const { return audio_.GetLevel(); }
    // The requested section: an end of 0 is the wave's end, a length of 0
    // plays up to the end.
    void SetSection(int64_t start, int64_t end, int64_t length);
    int64_t GetLength() const { return length_; }
    // Album entry and sound given to the wave before it opens and streams.
    void SetSelection(int32_t entry, int32_t sound);
    void SetBufferLength(int64_t n) { bufferLength_ = n; }
    TAudio& Audio() { return audio_; }
    bool IsStarted() const { return playing_; }

    void OnTimer(TEvent* event) override;
    virtual void Stream();

private:
    void StopWave();
    void Select();
    void ComputeSection();

    TAudio audio_;
    uint32_t soundFlags_ = 0;
    int64_t bufferLength_ = 131072;
    int64_t start_ = 0, end_ = 0, length_ = 0;
    TWave* wave_ = nullptr;
    bool playing_ = false;
    int64_t playStart_ = 0, playEnd_ = 0, playLength_ = 0;
    int32_t entry_ = 0, sound_ = 0;
    bool selected_ = false;
};
