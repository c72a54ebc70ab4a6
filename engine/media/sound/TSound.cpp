#include "media/sound/TSound.h"

#include "media/sound/TWave.h"

#include <algorithm>

TSound::TSound() = default;

TSound::~TSound() {
    StopWave();
}

int TSound::Attach(TComp* parent) {
    SetInterval(100.0f);
    TComp::SetFlags(kEnabled, false); // stands still until a sound plays
    SetParent(parent);
    return 1;
}

void TSound::Detach() {
    TComp::Detach();
    StopWave();
}

void TSound::StopWave() {
    if (!wave_ || !playing_) return;
    audio_.Free();
    wave_->FreeTransfer();
    wave_->Close();
    playing_ = false;
}

void TSound::SetWave(TWave* wave) {
    StopWave();
    selected_ = false;
    wave_ = wave;
}

void TSound::SetSelection(int32_t entry, int32_t sound) {
    entry_ = entry;
    sound_ = sound;
    selected_ = true;
}

void TSound::SetSection(int64_t start, int64_t end, int64_t length) {
    start_ = std::max<int64_t>(start, 0);
    end_ = std::max<int64_t>(end, 0);
    length_ = std::max<int64_t>(length, 0);
}

void TSound::SetLoop(bool on) {
    soundFlags_ = on ? (soundFlags_ | kLoop) : (soundFlags_ & ~kLoop);
    if (audio_.IsPlaying()) Play(0);
}

void TSound::Select() {
    if (!selected_ || !wave_) return;
    wave_->Album().SetEntry(entry_);
    wave_->Album().SetSound(sound_);
}

void TSound::ComputeSection() {
    const int64_t waveLength = wave_->GetLength();
    playStart_ = start_;
    playEnd_ = end_ == 0 ? waveLength : std::min(end_, waveLength);
    playStart_ = std::min(playStart_, playEnd_);
    if (soundFlags_ & kLoop) {
        playLength_ = 0;
    } else {
        playLength_ =
            length_ == 0 ? playEnd_ - playStart_ : std::min(length_, playEnd_ - playStart_);
    }
    audio_.SetStopPosition(soundFlags_ & kLoop ? 0 : playStart_ + playLength_);
}

void TSound::Play(int64_t position) {
    if (!wave_) return;
    TComp::SetFlags(kEnabled, false);
    StopWave();
    Select();
    wave_->Open();
    playing_ = true;
    audio_.SetSampleRate(wave_->GetRate());
    audio_.SetChannels(wave_->GetChannels());
    audio_.SetBits(wave_->GetBits());
    audio_.SetBufferSize(bufferLength_);
    ComputeSection();
    const int64_t start = std::max(position, playStart_);
    audio_.Create();
    audio_.SetPosition(start);
    Stream();
    audio_.Start();
    TComp::SetFlags(kEnabled, true);
}

void TSound::Stream() {
    if (!playing_ || !wave_) return;
    Select();
    if (wave_->GetLength() == 0 || playStart_ >= playEnd_) return;
    int64_t written = audio_.GetWritten();
    int64_t free = audio_.GetFreeSpace();
    if (playLength_ > 0) {
        const int64_t done = written - playStart_;
        if (done >= playLength_) return;
        free = std::min(free, playLength_ - done);
    }
    const int64_t span = playEnd_ - playStart_;
    while (free > 0) {
        const int64_t p = ((written - playStart_) % span + span) % span + playStart_;
        const int64_t n = std::min(free, playEnd_ - p);
        if (n <= 0) break;
        if (!wave_->Stream(p, n, 0)) break;
        const int64_t taken = audio_.Write(wave_->GetData(), n);
        if (taken <= 0) break;
        written += taken;
        free -= taken;
    }
}

void TSound::OnTimer(TEvent* event) {
    if (!event || event->type != evTick) return;
    if (audio_.HasProcessor()) Stream();
    if (audio_.IsPlaying()) return;
    TComp::SetFlags(kEnabled, false);
    StopWave();
}
