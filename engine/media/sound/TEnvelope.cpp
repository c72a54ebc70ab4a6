#include "media/sound/TEnvelope.h"

#include <algorithm>

void TEnvelope::SetVolume(uint32_t v) {
    volume_ = std::min<uint32_t>(v, 127);
}

void TEnvelope::SetPan(uint32_t p) {
    pan_ = std::min<uint32_t>(p, 127);
    const auto pan = static_cast<int32_t>(pan_);
    matrix_[0][1] = matrix_[1][0] = 0;
    if (pan < 64) {
        matrix_[0][0] = 127;
        matrix_[1][1] = pan * 127 >> 6;
    } else if (pan == 64) {
        matrix_[0][0] = matrix_[1][1] = 127;
    } else {
        matrix_[1][1] = 127;
        matrix_[0][0] = (16129 - pan * 127) / 63;
    }
}

void TEnvelope::Start(int64_t t) {
    running_ = true;
    startTime_ = t;
}

void TEnvelope::Release(int64_t t) {
    releaseLevel_ = Level(t);
    releaseStart_ = t;
    running_ = false;
}

int32_t TEnvelope::Level(int64_t t) const {
    if (t < startTime_) return 0;
    if (!running_) {
        const int64_t d = t - releaseStart_;
        if (release_ == 0 || d >= release_) return 0;
        return static_cast<int32_t>(releaseLevel_ - releaseLevel_ * d / release_);
    }
    const int64_t d = t - startTime_;
    const auto sustain = static_cast<int32_t>(std::min<uint32_t>(sustain_, 127));
    if (d >= int64_t{attack_} + decay_) return sustain;
    if (d < attack_) return static_cast<int32_t>(d * 127 / attack_);
    if (decay_ == 0) return sustain;
    return static_cast<int32_t>(127 - (127 - sustain) * (d - attack_) / decay_);
}

bool TEnvelope::IsFinished(int64_t t) const {
    return !running_ && t - releaseStart_ >= release_;
}

int32_t TEnvelope::Gain(int source, int output, int64_t t) const {
    if (source < 0 || output < 0 || source >= 2 || output >= 2) return 0;
    return static_cast<int32_t>(int64_t{Level(t)} * matrix_[source][output] * volume_ / 16129);
}
