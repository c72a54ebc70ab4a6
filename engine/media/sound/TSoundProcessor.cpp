#include "media/sound/TSoundProcessor.h"

#include "media/sound/SoundRender.h"
#include "media/sound/TMixer.h"
#include "media/sound/TSoundBuffer.h"

#include <algorithm>

namespace {
constexpr int64_t kMixRate = 22050;
constexpr int64_t kChunk = 4410; // 100 ms of mix samples: one envelope step
} // namespace

// The mixer timer's lock, then the processor's: commands from the main
// thread never run beside a tick, which reads the voice ring this processor
// writes and calls its refill.
class TSoundProcessor::Guard {
public:
    explicit Guard(TSoundProcessor& p)
        : p_(p), timer_(p.mixer_.load() ? p.mixer_.load()->Timer() : nullptr) {
        EnterCriticalSection(&p_.lock_);
    }
    ~Guard() { LeaveCriticalSection(&p_.lock_); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    TSoundProcessor& p_;
    TMixTimerLock timer_;
};

TSoundProcessor::TSoundProcessor() {
    InitializeCriticalSection(&lock_);
}

TSoundProcessor::~TSoundProcessor() {
    {
        Guard guard(*this); // a tick that may still call Refill has ended
        FreeVoice();
        buffer_ = nullptr;
    }
    if (TMixer* mixer = mixer_.load()) mixer->RemoveProcessor(this);
    DeleteCriticalSection(&lock_);
}

void TSoundProcessor::MixerGone() {
    voice_ = -1;
    mixer_ = nullptr;
}

bool TSoundProcessor::Ready() const {
    return buffer_ && mixer_.load() && voice_.load() >= 0 && !busy_.load();
}

void TSoundProcessor::FreeVoice() {
    TMixer* mixer = mixer_.load();
    if (mixer && voice_.load() >= 0) mixer->FreeVoice(voice_);
    voice_ = -1;
}

bool TSoundProcessor::AttachMixer(TMixer* mixer) {
    TMixer* old = mixer_.load();
    if (old == mixer) return mixer != nullptr;
    if (old) {
        Stop();
        old->RemoveProcessor(this);
    }
    mixer_ = mixer;
    if (mixer) mixer->AddProcessor(this);
    return mixer != nullptr;
}

void TSoundProcessor::AttachBuffer(TSoundBuffer* buffer) {
    Guard guard(*this);
    TMixer* mixer = mixer_.load();
    if (!mixer || !mixer->IsReady()) return;
    buffer_ = buffer;
    if (!buffer) return;
    buffer->SetReadPosition(0);
    fillClock_ = playClock_ = 0;
    playPos_ = 0;
    fillPos_ = playFrac_ = fillFrac_ = 0;
}

void TSoundProcessor::Resynchronise() {
    writePos_ = played_;
    fillPos_ = playPos_;
    fillFrac_ = playFrac_;
    fillClock_ = playClock_;
}

bool TSoundProcessor::Play() {
    Guard guard(*this);
    TMixer* mixer = mixer_.load();
    if (!buffer_ || !mixer) return false;
    if (voice_ < 0) {
        voice_ = mixer->AllocVoice(kVoiceSamples);
        played_ = 0;
    }
    if (voice_ < 0 || mixer->IsVoiceActive(voice_)) return false;
    mixer->SetVoiceCallback(voice_, &TSoundProcessor::Refill, reinterpret_cast<uintptr_t>(this));
    mixer->SetVoiceLoop(voice_, true);
    played_ = mixer->GetPlayed(voice_);
    Resynchronise();
    envelope_.Start(fillClock_);
    Fill(kVoiceSamples);
    mixer->StartVoice(voice_);
    return true;
}

void TSoundProcessor::Stop() {
    Guard guard(*this);
    FreeVoice();
    buffer_ = nullptr;
}

void TSoundProcessor::Release() {
    Guard guard(*this);
    TMixer* mixer = mixer_.load();
    if (!mixer || voice_ < 0 || !mixer->IsVoiceActive(voice_)) return;
    Resynchronise();
    envelope_.Release(fillClock_);
    if (envelope_.IsFinished(fillClock_)) {
        FreeVoice();
        return;
    }
    Fill(kVoiceSamples);
}

void TSoundProcessor::SetPosition(int64_t p) {
    Guard guard(*this);
    TMixer* mixer = mixer_.load();
    if (!mixer || !buffer_) return;
    buffer_->SetReadPosition(p);
    playPos_ = p;
    fillPos_ = p;
    playFrac_ = fillFrac_ = 0;
    fillClock_ = playClock_;
    writePos_ = played_;
    if (mixer->IsVoiceActive(voice_)) Fill(kVoiceSamples);
}

int64_t TSoundProcessor::GetPosition() const {
    return mixer_.load() ? playPos_.load() : 0;
}

void TSoundProcessor::SetVolume(uint32_t v) {
    Guard guard(*this);
    envelope_.SetVolume(v);
    TMixer* mixer = mixer_.load();
    if (!mixer) return;
    Resynchronise();
    if (mixer->IsVoiceActive(voice_)) Fill(kVoiceSamples);
}

void TSoundProcessor::SetPan(uint32_t p) {
    Guard guard(*this);
    envelope_.SetPan(p);
    TMixer* mixer = mixer_.load();
    if (!mixer) return;
    Resynchronise();
    if (mixer->IsVoiceActive(voice_)) Fill(kVoiceSamples);
}

void TSoundProcessor::SetFrequency(uint32_t f) {
    Guard guard(*this);
    TMixer* mixer = mixer_.load();
    if (f == 0 || !mixer) return;
    Resynchronise();
    frequency_ = f;
    if (mixer->IsVoiceActive(voice_)) Fill(kVoiceSamples);
}

void TSoundProcessor::SetAttack(uint32_t ms) {
    Guard guard(*this);
    envelope_.SetAttack(ms);
}
void TSoundProcessor::SetDecay(uint32_t ms) {
    Guard guard(*this);
    envelope_.SetDecay(ms);
}
void TSoundProcessor::SetSustain(uint32_t level) {
    Guard guard(*this);
    envelope_.SetSustain(level);
}
void TSoundProcessor::SetRelease(uint32_t ms) {
    Guard guard(*this);
    envelope_.SetRelease(ms);
}
void TSoundProcessor::SetStopPosition(int64_t p) {
    Guard guard(*this);
    stopPos_ = p;
}

bool TSoundProcessor::IsPlaying() const {
    TMixer* mixer = mixer_.load();
    return mixer && voice_.load() >= 0 && mixer->IsVoiceActive(voice_.load());
}

int TSoundProcessor::GetLevel() {
    Guard guard(*this);
    TMixer* mixer = mixer_.load();
    return mixer && voice_ >= 0 ? mixer->GetVoiceLevel(voice_) : 0;
}

int TSoundProcessor::Refill(uintptr_t argument) {
    auto* p = reinterpret_cast<TSoundProcessor*>(argument);
    if (!p) return 0;
    if (p->voice_.load() < 0 || !p->mixer_.load() || p->busy_.load()) return 1;
    EnterCriticalSection(&p->lock_);
    TMixer* mixer = p->mixer_.load();
    if (mixer && mixer->IsVoiceActive(p->voice_)) {
        p->UpdatePosition();
        p->Fill(kVoiceSamples);
    }
    LeaveCriticalSection(&p->lock_);
    return 1;
}

void TSoundProcessor::UpdatePosition() {
    if (!Ready()) return;
    busy_ = true;
    TMixer* mixer = mixer_.load();
    const int64_t p = mixer->GetPlayed(voice_);
    const int64_t delta = std::max<int64_t>(p - played_, 0);
    played_ = p;
    if (mixer->IsVoiceActive(voice_)) writePos_ = std::max(writePos_, played_);
    const int64_t frames = delta / 2;
    const int64_t s = int64_t{frequency_} * frames + playFrac_;
    int64_t position = playPos_ + s / mixerRate_ * buffer_->GetChannels();
    playFrac_ = s % mixerRate_;
    if (stopPos_ > 0 && position >= stopPos_) {
        FreeVoice();
        position = stopPos_;
    }
    playPos_ = position;
    buffer_->SetReadPosition(position);
    playClock_ += frames * 1000 / kMixRate;
    if (envelope_.IsFinished(playClock_)) FreeVoice();
    if (position > fillPos_) {
        fillPos_ = position;
        fillFrac_ = playFrac_;
    }
    busy_ = false;
}

void TSoundProcessor::Fill(int64_t count) {
    if (!Ready()) return;
    busy_ = true;
    TMixer* mixer = mixer_.load();
    int64_t t = fillClock_, w = writePos_;
    while (count > 0) {
        TSoundBlock block;
        if (!mixer->GetVoiceBlock(voice_, w, std::min(count, kChunk), &block) || block.count <= 0)
            break;
        const int64_t n = buffer_->GetBits() == 8 ? Render8(&block, t) : Render16(&block, t);
        writePos_ += n;
        if (n > 0) t += n / 2 * 1000 / kMixRate;
        w += block.count;
        fillClock_ += block.count / 2 * 1000 / kMixRate;
        count -= block.count;
    }
    busy_ = false;
}

template <class Source> int64_t TSoundProcessor::Render(TSoundBlock* block, int64_t t) {
    const int c = buffer_ ? buffer_->GetChannels() : 0;
    if (!buffer_ || !mixer_.load() || !block || !block->data || c == 0) return 0;
    auto* dest = static_cast<int16_t*>(block->data);
    std::fill(dest, dest + block->count, 0);
    TRenderRun run{};
    for (int s = 0; s < 2; ++s)
        for (int o = 0; o < 2; ++o)
            run.gain[s][o] = envelope_.Gain(s, o, t);
    run.frequency = frequency_;
    const int64_t destFrames = block->count / 2;
    int64_t produced = 0;
    while (produced / 2 < destFrames) {
        if (stopPos_ > 0 && fillPos_ >= stopPos_) break;
        TSoundBlock source;
        if (!buffer_->GetReadBlock(fillPos_, &source)) break;
        int64_t frames = source.count / c;
        if (stopPos_ > 0) frames = std::min(frames, (stopPos_ - fillPos_) / c);
        if (frames <= 0) break;
        run.fraction = fillFrac_;
        const int64_t out = RenderRun(static_cast<const Source*>(source.data), frames, c,
                                      dest + produced, destFrames - produced / 2, run);
        fillPos_ += run.consumed * c;
        fillFrac_ = run.fraction;
        produced += out * 2;
        if (out == 0 && run.consumed == 0) break;
    }
    return produced;
}

int64_t TSoundProcessor::Render16(TSoundBlock* block, int64_t t) {
    return Render<int16_t>(block, t);
}

int64_t TSoundProcessor::Render8(TSoundBlock* block, int64_t t) {
    return Render<uint8_t>(block, t);
}
