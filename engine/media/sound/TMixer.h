// The software mixer: up to 32 voices, each a ring of finished 22050 Hz
// 16-bit stereo samples, mixed every 100 ms into 16384 accumulators that one
// output (waveOut or DirectSound, chosen at Init) converts and plays. Voices
// are filled by sound processors, called back after each pass without the
// mixer lock. The output is opened and closed under the timer's lock, so no
// tick ever meets an output on its way in or out, and the timer runs only
// over an output that opened.
#pragma once

#include "media/sound/SoundFormat.h"
#include "media/sound/TDirectSoundOutput.h"
#include "media/sound/TMixTimer.h"
#include "media/sound/TWaveOutOutput.h"
#include "platform/Kernel.h"

#include <atomic>
#include <cstdint>

class TSoundProcessor;

class TMixer {
public:
    static constexpr int kVoices = 32;
    static constexpr int64_t kMixSamples = 16384;
    using Refill = int (*)(uintptr_t argument);

    TMixer();
    ~TMixer();
    TMixer(const TMixer&) = delete;
    TMixer& operator=(const TMixer&) = delete;

    void SetFlags(uint32_t flags) { flags_ = static_cast<uint16_t>(flags); }
    uint32_t GetFlags() const { return flags_; }
    int Init(HWND window);
    void Shutdown();
    bool IsReady() const { return mix_ != nullptr; }
    // 0 none, 1 waveOut, 2 DirectSound.
    int GetOutputKind() const { return kind_; }
    // The output chosen at Init; null when there is none.
    TSoundOutput* Output() const { return output_; }
    int OpenOutput();
    void CloseOutput();

    int AllocVoice(int64_t samples);
    void FreeVoice(int voice);
    void StartVoice(int voice);
    void StopVoice(int voice);
    bool SetVoiceCallback(int voice, Refill callback, uintptr_t argument);
    void SetVoiceLoop(int voice, bool on);
    bool IsVoiceActive(int voice) const;
    int64_t GetPlayed(int voice) const;
    // The writable window of the voice ring at absolute mix-sample `position`.
    bool GetVoiceBlock(int voice, int64_t position, int64_t maxCount, TSoundBlock* block);
    int GetVoiceLevel(int voice);
    int GetChannels() const { return 2; }
    int GetRate() const { return 22050; }

    static int TimerTick(uintptr_t mixer);
    TMixTimer* Timer() const { return timer_; }
    TWaveOutOutput& WaveOut() { return waveOut_; }
    TDirectSoundOutput& DirectSound() { return directSound_; }
    // The accumulators of the last pass (null before Init).
    const int32_t* Accumulators() const { return mix_; }
    // One pass over the voices into the accumulators, without the output.
    void MixVoices();
    // Processors that use this mixer (main thread): told when it goes.
    void AddProcessor(TSoundProcessor* processor);
    void RemoveProcessor(TSoundProcessor* processor);

private:
    struct Voice {
        int16_t* ring = nullptr;
        Refill callback = nullptr;
        uintptr_t argument = 0;
        int64_t size = 0;
        std::atomic<bool> active{false};
        std::atomic<bool> justStarted{false};
        std::atomic<bool> loop{false};
        std::atomic<int64_t> played{0};
        int64_t readPos = 0;
    };
    struct Held {
        explicit Held(CRITICAL_SECTION& l) : lock(l) { EnterCriticalSection(&lock); }
        ~Held() { LeaveCriticalSection(&lock); }
        CRITICAL_SECTION& lock;
    };

    static bool Valid(int voice) { return voice >= 0 && voice < kVoices; }
    int64_t OutputPosition();
    void Advance();
    void MixPass();
    int CollectRefills(Refill* callbacks, uintptr_t* arguments);

    uint16_t flags_ = 0;
    int kind_ = 0;
    TSoundOutput* output_ = nullptr; // one of the two below
    CRITICAL_SECTION lock_;
    TMixTimer* timer_ = nullptr;
    int32_t* mix_ = nullptr;
    int64_t outputPos_ = 0;
    std::atomic<bool> advancing_{false};
    Voice voices_[kVoices];
    TWaveOutOutput waveOut_;
    TDirectSoundOutput directSound_;
    TSoundProcessor* processors_ = nullptr;
};
