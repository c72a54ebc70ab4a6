#include "MenuAlbum.h"

#include "GameStatics.h"

MenuAlbum::MenuAlbum(const char* key) : album_(dynamic_cast<TAlbum*>(Resources().Find(key))) {}

MenuAlbum::~MenuAlbum() {
    MenuAlbum::Unlock();
}

int MenuAlbum::Lock(int32_t frame, int32_t entry) {
    TAlbum* album = album_.Get();
    if (!album || !album->ReadPicture(frame, entry)) return 0;
    // The drawing code reads the locked frame as this resource's data.
    data_ = album->GetData();
    return 1;
}

int MenuAlbum::Unlock() {
    data_ = nullptr;
    if (TAlbum* album = album_.Get()) album->FreePicture();
    return 1;
}

int32_t MenuAlbum::GetWidthOf(int32_t frame, int32_t entry) {
    TAlbum* album = album_.Get();
    return album ? album->GetWidthOf(frame, entry) : 0;
}

int32_t MenuAlbum::GetWidth() {
    TAlbum* album = album_.Get();
    return album ? album->GetWidth() : 0;
}

int32_t MenuAlbum::GetHeightOf(int32_t frame, int32_t entry) {
    TAlbum* album = album_.Get();
    return album ? album->GetHeightOf(frame, entry) : 0;
}

int32_t MenuAlbum::GetHeight() {
    TAlbum* album = album_.Get();
    return album ? album->GetHeight() : 0;
}
