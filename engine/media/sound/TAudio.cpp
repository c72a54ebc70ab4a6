#include "media/sound/TAudio.h"

#include "foundation/TError.h"
#include "media/sound/SoundSystem.h"
#include "media/sound/TSndDev.h"
#include "media/sound/TSoundBuffer.h"
#include "media/sound/TSoundProcessor.h"

namespace {
constexpr const char* kSource = "Source\\TAudio";
}

TAudio::TAudio() = default;

TAudio::~TAudio() {
    Free();
}

void TAudio::Free() {
    if (processor_) {
        processor_->Stop();
        SoundProcessorDelete(processor_);
        processor_ = nullptr;
    }
    if (buffer_) {
        SoundBufferRelease(buffer_);
        SoundBufferDelete(buffer_);
        buffer_ = nullptr;
    }
}

bool TAudio::Create() {
    if (!TSndDev::Global().IsReady()) return false;
    if (!processor_) {
        processor_ = SoundProcessorNew();
        if (!processor_) {
            TError::Raise(9, "new sound processor", nullptr, kSource, 61);
            return false;
        }
    }
    if (!buffer_) {
        buffer_ = SoundBufferNew();
        if (!buffer_) {
            TError::Raise(9, "new sound buffer", nullptr, kSource, 68);
            return false;
        }
    }
    if (!SoundProcessorAttachMixer(processor_)) return false;
    if (!SoundBufferAlloc(buffer_, length_, bits_, channels_, rate_)) return false;
    SoundProcessorAttachBuffer(processor_, buffer_);
    return true;
}

bool TAudio::Start() {
    if (!processor_ || !buffer_) return false;
    processor_->SetPosition(position_);
    processor_->SetStopPosition(stopPosition_);
    processor_->SetVolume(volume_);
    processor_->SetPan(pan_);
    // Frequency 0 plays the samples at their own rate.
    processor_->SetFrequency(frequency_ ? frequency_ : buffer_->GetRate());
    processor_->SetAttack(attack_);
    processor_->SetDecay(decay_);
    processor_->SetSustain(sustain_);
    processor_->SetRelease(release_);
    processor_->Play();
    return true;
}

void TAudio::Release() {
    if (processor_) processor_->Release();
}

void TAudio::SetPosition(int64_t p) {
    position_ = p;
    if (!processor_ || !buffer_) return;
    SoundBufferSetPosition(buffer_, p);
    processor_->SetPosition(p);
}

int64_t TAudio::GetPosition() const {
    return processor_ ? processor_->GetPosition() : position_;
}

void TAudio::SetStopPosition(int64_t p) {
    if (p == stopPosition_) return;
    stopPosition_ = p;
    if (processor_) processor_->SetStopPosition(p);
}

void TAudio::SetVolume(uint32_t v) {
    if (v == volume_) return;
    volume_ = v;
    if (processor_) processor_->SetVolume(v);
}

void TAudio::SetPan(uint32_t p) {
    if (p == pan_) return;
    pan_ = p;
    if (processor_) processor_->SetPan(p);
}

void TAudio::SetFrequency(uint32_t f) {
    if (f == frequency_) return;
    frequency_ = f;
    if (processor_ && buffer_) processor_->SetFrequency(f ? f : buffer_->GetRate());
}

bool TAudio::IsPlaying() const {
    return processor_ && processor_->IsPlaying();
}

int TAudio::GetLevel() const {
    return processor_ ? processor_->GetLevel() : 0;
}

int64_t TAudio::GetFreeSpace() const {
    return buffer_ ? SoundBufferGetFreeSpace(buffer_) : 0;
}

int64_t TAudio::GetWritten() const {
    return buffer_ ? SoundBufferGetWritePosition(buffer_) : 0;
}

int64_t TAudio::Write(const void* data, int64_t count) {
    if (!buffer_ || !data || count <= 0) return 0;
    return SoundBufferWrite(buffer_, data, count);
}
