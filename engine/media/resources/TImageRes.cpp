#include "media/resources/TImageRes.h"

#include "foundation/TError.h"
#include "gdl/bitmap.h"
#include "gdl/result.h"

namespace {

// What one reader needs: the test that the file is there and readable, the
// load, and the two codes reported when either fails.
struct Reader {
    int32_t (*check)(const char* path);
    void* (*load)(const char* path);
    int32_t missingCode;
    int32_t failedCode;
    const char* source;
};

void* ReadWith(const Reader& r, const char* path) {
    if (!r.check(path)) {
        TError::Raise(r.missingCode, GetGraphicsErrorText(), path, r.source, 60);
        return nullptr;
    }
    void* record = r.load(path);
    if (!record) TError::Raise(r.failedCode, GetGraphicsErrorText(), path, r.source, 66);
    return record;
}

const Reader kBmp = {GDL_isBitmapFile, [](const char* p) -> void* { return GDL_loadBitmap(p, 1); },
                     38, 39, "Source\\TBMPImg"};
const Reader kPcx = {GDL_isPCXFile, [](const char* p) -> void* { return GDL_loadPCX(p, 1); }, 34,
                     35, "Source\\TPCXImg"};
const Reader kJpeg = {GDL_findBitmapFile, [](const char* p) -> void* { return GDL_loadJPEG(p, 0); },
                      40, 41, "Source\\TJPGImg"};
const Reader kIcon = {GDL_isIconFile, [](const char* p) -> void* { return GDL_loadIcon(p, 1); }, 42,
                      43, "Source\\TICOImg"};

} // namespace

const char* GetGraphicsErrorText() {
    int32_t code = GDL_lastResult();
    return code == 0 ? nullptr : GDL_errorText(code);
}

void FreeImageRecord(void* record) {
    if (record) GDL_freeIcon(static_cast<GdlIcon*>(record));
}

void* LoadBmpFile(const char* path) {
    return ReadWith(kBmp, path);
}
void* LoadPcxFile(const char* path) {
    return ReadWith(kPcx, path);
}
void* LoadJpegFile(const char* path) {
    return ReadWith(kJpeg, path);
}
void* LoadIconFile(const char* path) {
    return ReadWith(kIcon, path);
}

TBMPImg::TBMPImg() {
    imageType_ = kImageBmp;
    SetLoader(LoadBmpFile, FreeImageRecord);
}

TPCXImg::TPCXImg() {
    imageType_ = kImagePcx;
    SetLoader(LoadPcxFile, FreeImageRecord);
}

TJPGImg::TJPGImg() {
    imageType_ = kImageJpeg;
    SetLoader(LoadJpegFile, FreeImageRecord);
}

TICOImg::TICOImg() {
    imageType_ = kImageIco;
    SetLoader(LoadIconFile, FreeImageRecord);
}

int TICOImg::LoadIcon() {
    Update();
    if (++loadCount_ > 1) return data_ != nullptr;
    if (!TResource::Open()) return 0;
    icon_ = data_;
    data_ = &static_cast<GdlIcon*>(icon_)->image;
    return 1;
}

int TICOImg::ReleaseIcon() {
    if (--loadCount_ > 0) return 1;
    loadCount_ = 0;
    if (icon_) data_ = icon_;
    icon_ = nullptr;
    return TResource::Close();
}
