#include "media/animation/TAlbAni.h"

TAlbAni::TAlbAni() {
    folder_ = "Animations";
}

TAlbAni::TAlbAni(const char* name) : TResource(name) {
    folder_ = "Animations";
}

int TAlbAni::Open(int32_t mode) {
    if (!(mode & kReading)) return 0;
    if (loadCount_ > 0 && mode != aniMode_) return 0;
    const bool first = loadCount_ <= 0;
    TAlbum::Open();
    if (first) SetMode(mode);
    return mode & kReading;
}

int TAlbAni::Close() {
    if (loadCount_ <= 0) return 0;
    TAlbum::Close();
    if (loadCount_ <= 0) ClearMode();
    return 1;
}

int TAlbAni::ReadFrame(int32_t index, int32_t clip) {
    return IsReading() ? ReadPicture(index, clip) : 0;
}

void TAlbAni::FreeFrame() {
    if (IsReading()) FreePicture();
}
