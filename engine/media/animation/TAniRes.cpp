#include "media/animation/TAniRes.h"

TAniRes::TAniRes() {
    folder_ = "Animations";
}

uint32_t TAniRes::Update() {
    uint32_t result = TResource::Update();
    if (loadCount_ <= 0) TResource::Close();
    return result;
}

int TAniRes::SetMode(int32_t mode) {
    aniMode_ = mode;
    return 0;
}

GdlBitmap* TAniRes::GetPixelFormat() const {
    return IsReading() ? static_cast<GdlBitmap*>(data_) : nullptr;
}

void TAniRes::SetPixelFormat(GdlBitmap* picture) {
    if (IsWriting()) data_ = picture;
}

void TAniRes::SetAudioFormat(int32_t tag, int32_t channels, int32_t rate, int32_t bytesPerSecond,
                             int32_t blockAlign, int32_t bits) {
    audio_ = {tag, channels, rate, bytesPerSecond, blockAlign, bits};
}

void TAniRes::GetAudioFormat(int32_t* tag, int32_t* channels, int32_t* rate,
                             int32_t* bytesPerSecond, int32_t* blockAlign, int32_t* bits) const {
    if (tag) *tag = audio_.tag;
    if (channels) *channels = audio_.channels;
    if (rate) *rate = audio_.rate;
    if (bytesPerSecond) *bytesPerSecond = audio_.bytesPerSecond;
    if (blockAlign) *blockAlign = audio_.blockAlign;
    if (bits) *bits = audio_.bits;
}

bool TAniRes::HasPath() {
    const char* path = GetPath();
    return path && *path;
}
