#include "media/animation/TMetaAni.h"

#include "foundation/TError.h"
#include "foundation/TString.h"

#include <cmath>
#include <cstring>

namespace {

const char kSource[] = "Source\\TMetaAni";

} // namespace

TMetaAni::TMetaAni() {
    folder_ = "Animations";
}

TMetaAni::TMetaAni(const char* name) : TResource(name) {
    folder_ = "Animations";
}

TMetaAni::~TMetaAni() {
    if (kind_ == kAvi || kind_ == kDelta) TMetaAni::Close();
}

uint32_t TMetaAni::Update() {
    if (!IsDirty() || loadCount_ > 0) return 0;
    TResource::Close();
    TResource::Update();
    ChooseKind();
    return 0;
}

void TMetaAni::ChooseKind() {
    kind_ = kNone;
    data_ = nullptr;
    const char* path = fileName_.c_str();
    if (!path || !*path) return;
    const char* extension = ExtensionOf(path);
    if (!extension) {
        TError::Raise(50, "Missing file extension.", path, kSource, 71);
        return;
    }
    if (EqualsNoCase(extension, "alb")) {
        kind_ = kAlbum;
        SetChanged(true);
        TAlbum::Load();
    } else if (EqualsNoCase(extension, "avi")) {
        kind_ = kAvi;
        TAviAni::ReadHeader();
    } else if (EqualsNoCase(extension, "dla")) {
        kind_ = kDelta;
        TDeltaAni::ReadHeader();
    } else {
        TError::Raise(49, "Invalid file extension.", path, kSource, 86);
    }
}

TMetaAni::Kind TMetaAni::GetKind() {
    Update();
    return kind_;
}

int TMetaAni::Open() {
    Update();
    return kind_ == kAlbum ? TAlbum::Open() : 0;
}

int TMetaAni::Open(int32_t mode) {
    Update();
    switch (kind_) {
        case kAlbum: return TAlbAni::Open(mode);
        case kAvi: return TAviAni::Open(mode);
        case kDelta: return TDeltaAni::Open(mode);
        default: return 0;
    }
}

int TMetaAni::Close() {
    Update();
    switch (kind_) {
        case kAlbum: return TAlbAni::Close();
        case kAvi: return TAviAni::Close();
        case kDelta: return TDeltaAni::Close();
        default: return 0;
    }
}

int TMetaAni::ReadFrame(int32_t index, int32_t clip) {
    Update();
    switch (kind_) {
        case kAlbum: return TAlbAni::ReadFrame(index, clip);
        case kAvi: return TAviAni::ReadFrame(index);
        case kDelta: return TDeltaAni::ReadFrame(index);
        default: return 0;
    }
}

void TMetaAni::FreeFrame() {
    Update();
    if (kind_ == kAlbum) TAlbAni::FreeFrame();
}

int TMetaAni::WriteFrame(int32_t index) {
    Update();
    switch (kind_) {
        case kAvi: return TAviAni::WriteFrame(index);
        case kDelta: return TDeltaAni::WriteFrame(index);
        default: return 0;
    }
}

int TMetaAni::ReadAudio(int32_t start, int32_t count, int32_t stream) {
    Update();
    return kind_ == kAvi ? TAviAni::ReadAudio(start, count, stream) : 0;
}

void TMetaAni::FreeAudio() {
    Update();
    if (kind_ == kAvi) TAviAni::FreeAudio();
}

int TMetaAni::WriteAudio(int32_t start, int32_t count) {
    Update();
    return kind_ == kAvi ? TAviAni::WriteAudio(start, count) : 0;
}

bool TMetaAni::HasAudio() {
    Update();
    return kind_ == kAvi && TAviAni::HasAudio();
}

int32_t TMetaAni::GetAudioRate() {
    Update();
    return kind_ == kAvi ? TAviAni::GetAudioRate() : 0;
}

int32_t TMetaAni::GetAudioBits() {
    Update();
    return kind_ == kAvi ? TAviAni::GetAudioBits() : 0;
}

int32_t TMetaAni::GetAudioChannels() {
    Update();
    return kind_ == kAvi ? TAviAni::GetAudioChannels() : 0;
}

int64_t TMetaAni::GetAudioLength() {
    Update();
    return kind_ == kAvi ? TAviAni::GetAudioLength() : 0;
}

void TMetaAni::SetAudioRate(int32_t rate) {
    Update();
    if (kind_ == kAvi) TAviAni::SetAudioRate(rate);
}

void TMetaAni::SetAudioBits(int32_t bits) {
    Update();
    if (kind_ == kAvi) TAviAni::SetAudioBits(bits);
}

void TMetaAni::SetAudioChannels(int32_t channels) {
    Update();
    if (kind_ == kAvi) TAviAni::SetAudioChannels(channels);
}

int32_t TMetaAni::GetWidth(int32_t clip) {
    Update();
    switch (kind_) {
        case kAlbum: return TAlbum::GetWidthOf(0, clip);
        case kAvi: return TAviAni::GetWidth();
        case kDelta: return TDeltaAni::GetWidth();
        default: return 0;
    }
}

int32_t TMetaAni::GetHeight(int32_t clip) {
    Update();
    switch (kind_) {
        case kAlbum: return TAlbum::GetHeightOf(0, clip);
        case kAvi: return TAviAni::GetHeight();
        case kDelta: return TDeltaAni::GetHeight();
        default: return 0;
    }
}

int32_t TMetaAni::GetFrameCount(int32_t clip) {
    Update();
    switch (kind_) {
        case kAlbum: return TAlbum::GetFrameCount(clip);
        case kAvi: return TAviAni::GetFrameCount();
        case kDelta: return TDeltaAni::GetFrameCount();
        default: return 0;
    }
}

void TMetaAni::SetRate(float fps) {
    Update();
    if (kind_ == kAvi) TAviAni::SetRate(fps);
    if (kind_ == kDelta) TDeltaAni::SetRate(fps);
}

double TMetaAni::GetRate(int32_t) {
    Update();
    double rate = 0.0;
    if (kind_ == kAvi) rate = TAviAni::GetRate();
    if (kind_ == kDelta) rate = TDeltaAni::GetRate();
    return rate > 0.0 && std::isfinite(rate) ? rate : TAniRes::GetRate();
}

bool TMetaAni::IsValid() {
    Update();
    switch (kind_) {
        case kAlbum: return HasPath() && TAlbum::IsLoaded();
        case kAvi: return TAviAni::IsOpenAvi() && IsReading();
        case kDelta: return HasPath();
        default: return false;
    }
}
