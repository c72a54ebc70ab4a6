#include "media/resources/TMetaImg.h"

#include "foundation/TString.h"
#include "foundation/TError.h"

namespace {

const char kSource[] = "Source\\TMetaImg";

struct Format {
    const char* extension;
    TMetaImg::Kind kind;
    int32_t imageType;
    TCacheLoader loader;
};

const Format kFormats[] = {
    {"bmp", TMetaImg::kBmp, kImageBmp, LoadBmpFile},
    {"pcx", TMetaImg::kPcx, kImagePcx, LoadPcxFile},
    {"pic", TMetaImg::kPic, kImageNone, nullptr},
    {"jpg", TMetaImg::kJpeg, kImageJpeg, LoadJpegFile},
    {"jif", TMetaImg::kJpeg, kImageJpeg, LoadJpegFile},
    {"ico", TMetaImg::kIcon, kImageIco, LoadIconFile},
    {"alb", TMetaImg::kAlbum, kImageNone, nullptr},
};

} // namespace

TMetaImg::TMetaImg() {
    folder_ = "Pictures";
    imageType_ = kImageNone;
    SetLoader(nullptr, nullptr);
}

TMetaImg::TMetaImg(const char* name) : TResource(name) {
    folder_ = "Pictures";
    imageType_ = kImageNone;
    SetLoader(nullptr, nullptr);
}

TMetaImg::~TMetaImg() {
    if (loadCount_ > 0) {
        loadCount_ = 1;
        TMetaImg::Release();
    }
}

uint32_t TMetaImg::Update() {
    if (!IsDirty() || InUse()) return 0;
    TResource::Update();
    kind_ = kNone;
    ChooseFormat(kSource);
    return 0;
}

void TMetaImg::ChooseFormat(const char* source) {
    const char* extension = PathExtension(source, 101);
    if (!extension) return;
    const Format* found = nullptr;
    for (const Format& f : kFormats)
        if (EqualsNoCase(extension, f.extension)) found = &f;
    kind_ = found ? found->kind : kNone;
    imageType_ = found ? found->imageType : kImageNone;
    SetLoader(found ? found->loader : nullptr, found && found->loader ? FreeImageRecord : nullptr);
    SetChanged(true);
    if (kind_ == kAlbum) {
        TAlbum::Load();
        return;
    }
    if (!found) TError::Raise(49, "Invalid file extension.", fileName_.c_str(), source, 118);
    UpdatePicture();
}

int TMetaImg::Open() {
    return kind_ == kAlbum ? TAlbum::Open() : TResource::Open();
}

int TMetaImg::Close() {
    return kind_ == kAlbum ? TAlbum::Close() : TResource::Close();
}

int TMetaImg::Load() {
    return Lock(0, 0);
}

int TMetaImg::Lock(int32_t frame, int32_t entry) {
    Update();
    switch (kind_) {
        case kBmp:
        case kPcx:
        case kJpeg: return LoadImage();
        case kIcon: return LoadIcon();
        case kAlbum: return ReadPicture(frame, entry);
        default: return 0;
    }
}

int TMetaImg::Release() {
    switch (kind_) {
        case kBmp:
        case kPcx:
        case kJpeg: return ReleaseImage();
        case kIcon: return ReleaseIcon();
        case kAlbum: FreePicture(); return 1;
        default: return 0;
    }
}

int32_t TMetaImg::GetWidthOf(int32_t frame, int32_t entry) {
    Update();
    return kind_ == kAlbum ? TAlbum::GetWidthOf(frame, entry) : TMetaImg::GetWidth();
}

int32_t TMetaImg::GetHeightOf(int32_t frame, int32_t entry) {
    Update();
    return kind_ == kAlbum ? TAlbum::GetHeightOf(frame, entry) : TMetaImg::GetHeight();
}

int32_t TMetaImg::GetWidth() {
    Update();
    return kind_ == kAlbum ? TAlbum::GetWidth() : TPictureRes::GetWidth();
}

int32_t TMetaImg::GetHeight() {
    Update();
    return kind_ == kAlbum ? TAlbum::GetHeight() : TPictureRes::GetHeight();
}
