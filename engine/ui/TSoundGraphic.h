// The animation player: shows the frames of an animation at its frame rate,
// driven by its own timer component, and streams the animation's sound
// track through an audio stream, holding the pictures back so that they never
// run ahead of the sound. Start, stop, every frame and the end are reported
// to its own handlers as event 23 (data 0, 1, 4, 5).
#pragma once

#include "foundation/TColor.h"
#include "foundation/TTimer.h"
#include "media/sound/TAudio.h"
#include "ui/TGraphic.h"

#include <cstdint>

class TMetaAni;

class TSoundGraphic : public TGraphic {
public:
    enum Flags : uint32_t { sgLoop = 1, sgDirect = 2 };
    enum Notice : int32_t { snStarted = 0, snStopped = 1, snFrame = 4, snEnd = 5 };
    static constexpr int32_t evAnimation = 23;
    static constexpr int64_t kBufferBytes = 131072;

    TSoundGraphic();
    ~TSoundGraphic() override;

    uint32_t Update() override;
    void Draw() override;

    // Attaching registers the timer's handler: attach before playing.
    int Attach(TComp* parent);
    void Detach();
    void Play();
    void Stop();
    void Step();

    void SetAnimation(TMetaAni* animation);
    TMetaAni* GetAnimation() const { return animation_; }
    using TComp::SetFlags;
    // Loop and draw-direct bits.
    void SetFlags(uint32_t flags);
    void SetNotify(int32_t flag) { notify_ = flag; }
    void SetFillColor(TColor color);
    TColor GetFillColor() const { return fillColor_; }
    void SetFrameRate(float rate) { frameRate_ = rate; }
    void SetSoundSync(int32_t flag) { soundSync_ = flag; }
    void SetRange(int32_t first, int32_t last);
    void SetFrameLimit(int32_t limit) { frameLimit_ = limit; }
    void SetClip(int32_t clip) { clip_ = clip; }

    int32_t GetCurrentFrame() const { return current_; }
    int32_t GetFramesStepped() const { return framesStepped_; }
    int32_t GetTicksPerFrame() const { return ticksPerFrame_; }
    int32_t IsPlaying() const { return state_; }
    bool IsSoundOn() const { return soundOn_ != 0; }
    int64_t GetBytesPerFrame() const { return bytesPerFrame_; }
    TTimer& GetTimer() { return timer_; }
    TAudio& GetAudio() { return audio_; }

private:
    int OnTimerTick(TObject* sender, TEvent* event);
    bool PrepareSound();
    void FeedSound();
    void Notify(int32_t data);
    void ReleaseSound();
    void Rewind();
    float EffectiveRate();
    void SetTiming(float rate);
    // The audio stream counts sample frames; the player counts bytes.
    int64_t ToSamples(int64_t bytes) const { return bytes / sampleBytes_; }
    int64_t ToBytes(int64_t samples) const { return samples * sampleBytes_; }

    TMetaAni* animation_ = nullptr;
    float frameRate_ = 0.0f;
    uint32_t playFlags_ = 0;
    int32_t current_ = 0;
    int32_t clip_ = 0;
    int32_t first_ = -1;
    int32_t last_ = -1;
    int32_t frameLimit_ = -1;
    int32_t soundSync_ = 1;
    int32_t notify_ = 0;
    TColor fillColor_;
    TTimer timer_;
    int32_t framesStepped_ = 0;
    int32_t resolvedFirst_ = 0;
    int32_t resolvedLast_ = 0;
    int32_t state_ = 0;
    int32_t countdown_ = 0;
    int32_t ticksPerFrame_ = 1;
    TAudio audio_;
    int32_t soundOn_ = 0;
    int64_t bytesPerFrame_ = 0;
    int64_t sampleBytes_ = 1;
};
