#include "ui/TSoundGraphic.h"

#include "media/animation/TMetaAni.h"

#include <algorithm>

TSoundGraphic::TSoundGraphic() : fillColor_(TColor::Default(14)) {
    SetTransparent(0);
    SetColor(TColor::Default(49));
    timer_.SetEnabled(false);
}

TSoundGraphic::~TSoundGraphic() {
    if (state_) {
        ReleaseSound();
        if (animation_) animation_->Close();
    }
    timer_.Detach();
}

void TSoundGraphic::SetAnimation(TMetaAni* animation) {
    if (state_ || animation_ == animation) return;
    animation_ = animation;
    Invalidate(true);
}

void TSoundGraphic::SetFlags(uint32_t flags) {
    if (playFlags_ == flags) return;
    playFlags_ = flags;
    Invalidate(true);
}

void TSoundGraphic::SetFillColor(TColor color) {
    if (fillColor_.Red() == color.Red() && fillColor_.Green() == color.Green() &&
        fillColor_.Blue() == color.Blue())
        return;
    fillColor_ = color;
    Invalidate(true);
}

void TSoundGraphic::SetRange(int32_t first, int32_t last) {
    first_ = first;
    last_ = last;
    Invalidate(true);
}

// --- Layout ----------------------------------------------------------------------------

float TSoundGraphic::EffectiveRate() {
    const float own = animation_ ? float(animation_->GetRate(clip_)) : 0.0f;
    if (frameRate_ > 0.0f) {
        // The sound changes its speed as the pictures do.
        if (soundOn_ && own > 0.0f)
            audio_.SetFrequency(uint32_t(float(animation_->GetAudioRate()) * (frameRate_ / own)));
        return frameRate_;
    }
    return animation_ ? own : 10.0f;
}

void TSoundGraphic::SetTiming(float rate) {
    float interval = 100.0f;
    int32_t ticks = 1;
    if (rate >= 10.0f) {
        interval = 1000.0f / rate;
    } else if (rate > 0.0f) {
        // The timer never runs slower than about 10 Hz: several ticks a frame.
        ticks = int32_t(10.0f / rate);
        interval = (1000.0f / rate) / float(ticks);
    }
    timer_.SetInterval(interval);
    ticksPerFrame_ = countdown_ = ticks;
}

uint32_t TSoundGraphic::Update() {
    if (flags_ & kDirty) {
        TGraphic::Update();
        if (GetAutoSize()) {
            AdjustWidth(animation_ ? animation_->GetWidth(clip_) : 0);
            AdjustHeight(animation_ ? animation_->GetHeight(clip_) : 0);
        }
        resolvedFirst_ = std::max(first_, 0);
        resolvedLast_ = last_ >= 0 ? last_ : animation_ ? animation_->GetFrameCount(clip_) : 0;
        if (resolvedFirst_ > current_) current_ = resolvedFirst_;
        if (resolvedLast_ >= 1 && resolvedLast_ <= current_)
            current_ = std::max(resolvedLast_ - 1, 0);
        SetTiming(EffectiveRate());
        SetHollow(state_ && animation_ ? 0 : 1);
    }
    GetCanvas().SetBuffered((playFlags_ & sgDirect) ? TCanvas::kDirect : TCanvas::kBuffered);
    return flags_;
}

void TSoundGraphic::Draw() {
    if (!animation_) return;
    if (animation_->ReadFrame(current_, clip_)) {
        const GdlBitmap* picture = animation_->GetPixelFormat();
        TCanvas& canvas = GetCanvas();
        if (picture) {
            canvas.SetAutoAdjust(uint32_t(GetAutoColorAdjust()));
            canvas.SetMapMode(uint32_t(GetColorMapMode()));
            canvas.SetKeep(IsTransparent() ? 1 : 0);
            canvas.SetColor3(GetColor());
            TRectArea r{0, 0, std::max(0, picture->width), std::max(0, picture->height)};
            FitRect(r);
            const int32_t w = r.right - r.left, h = r.bottom - r.top;
            if (w < GetWidth() || h < GetHeight()) {
                canvas.SetBackColor(fillColor_);
                canvas.Clear();
            }
            if (GetFitFlags() & fitScale)
                canvas.StretchImage(r.left, r.top, w, h, picture);
            else
                canvas.PutImage(r.left, r.top, picture);
        }
    }
    animation_->FreeFrame(); // also after a failed read
}

// --- Tree ------------------------------------------------------------------------------

int TSoundGraphic::Attach(TComp* parent) {
    const int result = TGraphic::Attach(parent);
    timer_.SetEnabled(false);
    timer_.SetParent(this);
    timer_.Add<TSoundGraphic, &TSoundGraphic::OnTimerTick>(evTick, this);
    return result;
}

void TSoundGraphic::Detach() {
    timer_.SetEnabled(false);
    if (state_) {
        ReleaseSound();
        if (animation_) animation_->Close();
    }
    timer_.Detach();
    TGraphic::Detach();
    framesStepped_ = countdown_ = current_ = state_ = 0;
}

int TSoundGraphic::OnTimerTick(TObject*, TEvent*) {
    Step();
    return 1;
}

// --- Playing ---------------------------------------------------------------------------

void TSoundGraphic::Notify(int32_t data) {
    if (!notify_) return;
    TEvent event;
    event.SetType(evAnimation);
    event.data[0] = data;
    Dispatch(this, &event);
}

void TSoundGraphic::ReleaseSound() {
    if (!soundOn_) return;
    audio_.Release();
    audio_.Free();
    soundOn_ = 0;
}

// Back to frame 0, which the layout moves to the range's first frame.
void TSoundGraphic::Rewind() {
    if (current_ == 0) return;
    current_ = 0;
    Invalidate(true);
    Update();
    audio_.SetPosition(ToSamples(bytesPerFrame_ * current_));
}

void TSoundGraphic::Play() {
    if (state_) return;
    if (animation_ && animation_->Open(1) == 1) {
        state_ = 1;
        Rewind();
        if (animation_->HasAudio() && PrepareSound()) {
            soundOn_ = 1;
            FeedSound();
            audio_.Start();
        }
        framesStepped_ = 0;
        countdown_ = ticksPerFrame_;
    }
    Notify(snStarted);
    timer_.SetEnabled(true);
    Invalidate(true);
}

void TSoundGraphic::Stop() {
    if (!state_) return;
    Rewind();
    timer_.SetEnabled(false);
    state_ = framesStepped_ = countdown_ = 0;
    ReleaseSound();
    if (animation_) animation_->Close();
    Notify(snStopped);
    Invalidate(true);
}

void TSoundGraphic::Step() {
    Update();
    if (frameLimit_ >= 0 && framesStepped_ >= frameLimit_) return;
    if (--countdown_ >= 1) {
        if (soundOn_) FeedSound();
        return;
    }
    countdown_ = ticksPerFrame_;
    int32_t next = current_;
    int32_t data = snFrame;
    if (resolvedLast_ - resolvedFirst_ < 1) {
        // Nothing to step through: stay at the range start and end once.
        next = resolvedLast_ >= 1 ? resolvedFirst_ : 0;
        if (soundOn_) audio_.Release();
        timer_.SetEnabled(false);
        data = snEnd;
    } else {
        ++framesStepped_;
        Update();
        next = current_ + 1;
        if (soundSync_ && soundOn_ && audio_.IsPlaying() && bytesPerFrame_ > 0) {
            const int64_t played = ToBytes(audio_.GetPosition());
            if (framesStepped_ > played / bytesPerFrame_ + 1) {
                // The pictures are ahead of the sound: hold the frame.
                --framesStepped_;
                Update();
                next = current_;
            }
        }
        const bool limited = frameLimit_ >= 0 && framesStepped_ >= frameLimit_;
        if (next >= resolvedLast_ && (playFlags_ & sgLoop)) {
            next += resolvedFirst_ - resolvedLast_;
        } else if (next >= resolvedLast_ || limited) {
            if (next >= resolvedLast_) next = std::max(resolvedLast_ - 1, 0);
            if (soundOn_) audio_.Release();
            timer_.SetEnabled(false);
            data = snEnd;
        } else if (soundOn_) {
            FeedSound();
        }
    }
    current_ = next;
    Invalidate(true);
    Notify(data);
}

// --- Sound -----------------------------------------------------------------------------

bool TSoundGraphic::PrepareSound() {
    Update();
    if (!animation_ || !animation_->HasAudio()) return false;
    const int32_t channels = animation_->GetAudioChannels(), bits = animation_->GetAudioBits();
    sampleBytes_ = std::max<int64_t>(1, int64_t(channels) * ((bits + 7) / 8));
    audio_.SetBufferSize(ToSamples(kBufferBytes));
    audio_.SetChannels(uint16_t(channels));
    audio_.SetBits(uint16_t(bits));
    audio_.SetSampleRate(uint32_t(animation_->GetAudioRate()));
    audio_.SetStopPosition(0);
    const bool created = audio_.Create();
    const int32_t frames = animation_->GetFrameCount(0);
    bytesPerFrame_ =
        frames ? int64_t(uint64_t(animation_->GetAudioLength()) / uint32_t(frames)) : 0;
    bytesPerFrame_ -= bytesPerFrame_ % sampleBytes_; // whole sample frames
    return created;
}

void TSoundGraphic::FeedSound() {
    Update();
    int64_t free = ToBytes(audio_.GetFreeSpace());
    int64_t p = ToBytes(audio_.GetWritten());
    const int64_t span = int64_t(resolvedLast_ - resolvedFirst_) * bytesPerFrame_;
    // With the pictures looping, the sound wraps with them.
    if ((playFlags_ & sgLoop) && span != 0)
        p = (p - bytesPerFrame_ * resolvedFirst_) % span + bytesPerFrame_ * resolvedFirst_;
    const int64_t left = bytesPerFrame_ * resolvedLast_ - p;
    if (free > left) {
        if (left <= 0) return;
        free = left;
    }
    free -= free % sampleBytes_;
    if (free <= 0 || !animation_->ReadAudio(int32_t(p), int32_t(free), 0)) return;
    audio_.Write(animation_->GetAudioData(), ToSamples(free));
}
