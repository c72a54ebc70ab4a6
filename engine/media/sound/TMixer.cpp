#include "media/sound/TMixer.h"

#include "media/sound/SoundMemory.h"
#include "media/sound/TSoundProcessor.h"

#include <algorithm>
#include <cstdlib>

namespace {

// One tick at a time over every mixer: a tick that finds one running leaves.
std::atomic<bool> tickBusy{false};

constexpr int kLevelSamples = 300;

} // namespace

TMixer::TMixer() {
    InitializeCriticalSection(&lock_);
}

TMixer::~TMixer() {
    while (processors_) {
        TSoundProcessor* p = processors_;
        RemoveProcessor(p);
        p->MixerGone();
    }
    Shutdown();
    delete timer_;
    timer_ = nullptr;
    DeleteCriticalSection(&lock_);
}

int TMixer::Init(HWND window) {
    kind_ = 0;
    output_ = nullptr;
    if (mix_ || flags_ == 0) return 0;
    waveOut_.SetDevice(0);
    directSound_.SetDevice(0);
    if ((flags_ & 2) && directSound_.IsAvailable()) {
        directSound_.SetWindow(window);
        output_ = &directSound_;
        kind_ = 2;
    } else if ((flags_ & 1) && waveOut_.IsAvailable()) {
        if (int code = waveOut_.Init(window)) return code;
        output_ = &waveOut_;
        kind_ = 1;
    }
    mix_ = static_cast<int32_t*>(SoundAlloc(kMixSamples * sizeof(int32_t)));
    if (!mix_) return 2;
    timer_ = new TMixTimer;
    if (!timer_) return 2;
    timer_->SetEnabled(false);
    timer_->Start(100, 0, reinterpret_cast<uintptr_t>(this), &TMixer::TimerTick);
    return 0;
}

void TMixer::Shutdown() {
    if (flags_ == 0) return;
    delete timer_; // waits for a tick on its way
    timer_ = nullptr;
    if (output_) output_->Release();
    Held held(lock_);
    for (Voice& v : voices_) {
        v.active = false;
        SoundFree(v.ring);
        v.ring = nullptr;
        v.size = 0;
    }
    SoundFree(mix_);
    mix_ = nullptr;
}

// A failed open cleans up what it had built (DirectSound releases the
// buffers a tick would lock): no tick may run beside it, nor afterwards over
// an output that is not open. The next focus change or enable tries again.
int TMixer::OpenOutput() {
    TMixTimerLock tick(timer_);
    int code = 0;
    if (output_) {
        code = output_->Open();
        Held held(lock_);
        outputPos_ = output_->GetPosition();
    }
    if (timer_) timer_->SetEnabled(!output_ || output_->IsOpen());
    return code;
}

void TMixer::CloseOutput() {
    TMixTimerLock tick(timer_);
    if (timer_) timer_->SetEnabled(false);
    if (output_) output_->Close();
}

int TMixer::AllocVoice(int64_t samples) {
    if (!mix_ || samples <= 0) return -1;
    Held held(lock_);
    for (int i = 0; i < kVoices; ++i) {
        Voice& v = voices_[i];
        if (v.ring) continue;
        v.ring = static_cast<int16_t*>(SoundAlloc(static_cast<size_t>(samples) * 2));
        if (!v.ring) return -1;
        v.active = false;
        v.justStarted = false;
        v.size = samples;
        v.loop = false;
        v.played = 0;
        v.readPos = 0;
        v.callback = nullptr;
        v.argument = 0;
        return i;
    }
    return -1;
}

void TMixer::FreeVoice(int voice) {
    if (!Valid(voice)) return;
    Held held(lock_);
    Voice& v = voices_[voice];
    v.active = false;
    v.justStarted = false;
    SoundFree(v.ring);
    v.ring = nullptr;
    v.size = 0;
    v.callback = nullptr;
    v.argument = 0;
}

void TMixer::StartVoice(int voice) {
    if (!Valid(voice) || voices_[voice].active.load()) return;
    Held held(lock_);
    voices_[voice].justStarted = true;
    voices_[voice].active = true;
}

void TMixer::StopVoice(int voice) {
    if (!Valid(voice)) return;
    Held held(lock_);
    voices_[voice].active = false;
}

bool TMixer::SetVoiceCallback(int voice, Refill callback, uintptr_t argument) {
    if (!Valid(voice) || argument == 0) return false;
    Held held(lock_); // the tick copies both under this lock
    voices_[voice].callback = callback;
    voices_[voice].argument = argument;
    return true;
}

void TMixer::SetVoiceLoop(int voice, bool on) {
    if (Valid(voice)) voices_[voice].loop = on;
}

bool TMixer::IsVoiceActive(int voice) const {
    return Valid(voice) && voices_[voice].active.load();
}

int64_t TMixer::GetPlayed(int voice) const {
    return Valid(voice) ? voices_[voice].played.load() : 0;
}

bool TMixer::GetVoiceBlock(int voice, int64_t position, int64_t maxCount, TSoundBlock* block) {
    if (!Valid(voice) || !block) return false;
    Held held(lock_);
    const Voice& v = voices_[voice];
    const int64_t played = v.played.load();
    if (!v.ring || v.size == 0) return false;
    if (position < played || position >= played + v.size) return false;
    const int64_t index = position % v.size;
    const int64_t writable = index >= v.readPos ? v.size - index : v.readPos - index;
    *block = TSoundBlock{2, 22050, 16, std::min(maxCount, writable), v.ring + index};
    return true;
}

int TMixer::GetVoiceLevel(int voice) {
    if (!Valid(voice)) return 0;
    Held held(lock_);
    const Voice& v = voices_[voice];
    if (!v.active.load() || !v.ring || v.size == 0) return 0;
    int64_t n = std::min<int64_t>(kLevelSamples, v.size - v.readPos);
    int64_t sum = 0;
    for (int64_t i = 0; i < n; ++i)
        sum += std::abs(int32_t{v.ring[v.readPos + i]});
    if (n < kLevelSamples && v.loop.load()) {
        const int64_t rest = std::min(kLevelSamples - n, v.readPos);
        for (int64_t i = 0; i < rest; ++i)
            sum += std::abs(int32_t{v.ring[i]});
        n += rest;
    }
    if (n == 0) return 0;
    return static_cast<int>(std::min<int64_t>(100, sum * 100 / (n * 16384)));
}

int64_t TMixer::OutputPosition() {
    return output_ ? output_->GetPosition() : outputPos_;
}

void TMixer::Advance() {
    if (flags_ == 0 || advancing_.exchange(true)) return;
    const int64_t now = OutputPosition();
    const int64_t delta = std::min(std::max<int64_t>(now - outputPos_, 0), kMixSamples);
    outputPos_ = now;
    for (Voice& v : voices_) {
        if (!v.ring || !v.active.load()) continue;
        if (v.justStarted.exchange(false)) continue;
        const int64_t played = v.played.load() + delta;
        v.played = played;
        v.readPos = (v.readPos + delta) % v.size;
        if (!v.loop.load() && played >= v.size) v.active = false;
    }
    advancing_ = false;
}

void TMixer::MixVoices() {
    if (!mix_) return;
    int32_t* acc = mix_;
    std::fill(acc, acc + kMixSamples, 0);
    for (Voice& v : voices_) {
        if (!v.ring || !v.active.load()) continue;
        const int16_t* ring = v.ring;
        int64_t first = v.size - v.readPos, second = 0;
        if (first < kMixSamples) {
            if (v.loop.load()) second = std::min(kMixSamples - first, v.readPos);
        } else {
            first = kMixSamples;
        }
        const int16_t* from = ring + v.readPos;
        if (first == kMixSamples) { // the usual case: a fixed count vectorises
            for (int64_t i = 0; i < kMixSamples; ++i)
                acc[i] += from[i] >> 1;
            continue;
        }
        for (int64_t i = 0; i < first; ++i)
            acc[i] += from[i] >> 1;
        for (int64_t i = 0; i < second; ++i)
            acc[first + i] += ring[i] >> 1;
    }
}

void TMixer::MixPass() {
    if (flags_ == 0 || !mix_) return;
    MixVoices();
    if (output_) output_->Write(outputPos_, mix_, kMixSamples);
}

int TMixer::CollectRefills(Refill* callbacks, uintptr_t* arguments) {
    int n = 0;
    for (const Voice& v : voices_) {
        if (!v.ring || !v.active.load() || !v.callback) continue;
        callbacks[n] = v.callback;
        arguments[n++] = v.argument;
    }
    return n;
}

int TMixer::TimerTick(uintptr_t argument) {
    auto* mixer = reinterpret_cast<TMixer*>(argument);
    if (!mixer) return 0;
    if (tickBusy.exchange(true)) return 1;
    Refill callbacks[kVoices];
    uintptr_t arguments[kVoices];
    int count = 0;
    {
        Held held(mixer->lock_);
        mixer->Advance();
        mixer->MixPass();
        count = mixer->CollectRefills(callbacks, arguments);
    }
    tickBusy = false;
    // Without the mixer lock: each refill takes its processor's lock first.
    for (int i = 0; i < count; ++i)
        callbacks[i](arguments[i]);
    return 1;
}

void TMixer::AddProcessor(TSoundProcessor* p) {
    p->prevAttached = nullptr;
    p->nextAttached = processors_;
    if (processors_) processors_->prevAttached = p;
    processors_ = p;
}

void TMixer::RemoveProcessor(TSoundProcessor* p) {
    if (p->prevAttached)
        p->prevAttached->nextAttached = p->nextAttached;
    else if (processors_ == p)
        processors_ = p->nextAttached;
    else
        return; // not in the list
    if (p->nextAttached) p->nextAttached->prevAttached = p->prevAttached;
    p->nextAttached = p->prevAttached = nullptr;
}
