#include "media/resources/TPictureRes.h"

#include <cstring>

void TPictureRes::UpdatePicture() {
    if (!IsDirty() || loadCount_ > 0) return;
    TResource::Update();
    cachedWidth_ = cachedHeight_ = -1;
}

int32_t TPictureRes::Measure(int32_t* cached, int word) {
    Update();
    if (*cached < 0) {
        if (Load() && data_) std::memcpy(cached, static_cast<int32_t*>(data_) + word, 4);
        Release();
    }
    return *cached < 0 ? 0 : *cached;
}

int32_t TPictureRes::GetWidth() {
    return Measure(&cachedWidth_, 0);
}

int32_t TPictureRes::GetHeight() {
    return Measure(&cachedHeight_, 1);
}
