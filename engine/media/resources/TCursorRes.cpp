#include "media/resources/TCursorRes.h"

#include "foundation/TString.h"
#include "foundation/TError.h"
#include "gdl/bitmap.h"

namespace {
const char kWinCurSource[] = "Source\\TWinCur";
const char kMetaCurSource[] = "Source\\TMetaCur";
} // namespace

TCursorRes::TCursorRes() {
    folder_ = "Cursors";
}

void* LoadCursorFile(const char* path) {
    if (!GDL_isCursorFile(path)) {
        TError::Raise(18, GetGraphicsErrorText(), path, kWinCurSource, 88);
        return nullptr;
    }
    GdlCursor* cursor = GDL_loadCursor(path);
    if (!cursor) TError::Raise(19, GetGraphicsErrorText(), path, kWinCurSource, 93);
    return cursor;
}

void FreeCursorFile(void* record) {
    if (record) GDL_unloadCursor(static_cast<GdlCursor*>(record));
}

TWinCur::TWinCur() {
    type_ = kSystem;
    imageType_ = kImageCur;
    SetLoader(LoadCursorFile, FreeCursorFile);
}

int TWinCur::LoadCursor(HINSTANCE module) {
    Update();
    if (++loadCount_ > 1) return 1;
    if (!module) return TResource::Open();
    handle_ = LoadCursorA(module, resName_.c_str());
    if (!handle_) {
        TError::Raise(20, nullptr, resName_.c_str(), kWinCurSource, 60);
        return 0;
    }
    SetCursor(handle_);
    return 1;
}

int TWinCur::ReleaseCursor() {
    if (--loadCount_ > 0) return 1;
    loadCount_ = 0;
    if (handle_) {
        DestroyCursor(handle_);
        handle_ = nullptr;
        return 1;
    }
    return TResource::Close();
}

TMetaCur::TMetaCur() {
    folder_ = "Cursors";
    type_ = kNoCursor;
    imageType_ = kImageNone;
    SetLoader(nullptr, nullptr);
}

TMetaCur::TMetaCur(const char* name) : TResource(name) {
    folder_ = "Cursors";
    type_ = kNoCursor;
    imageType_ = kImageNone;
    SetLoader(nullptr, nullptr);
}

TMetaCur::~TMetaCur() {
    if (loadCount_ > 0) {
        loadCount_ = 1;
        TMetaCur::Release();
    }
}

uint32_t TMetaCur::Update() {
    if (!IsDirty() || InUse()) return 0;
    TResource::Update();
    type_ = kNoCursor;
    const char* extension = PathExtension(kMetaCurSource, 120);
    if (!extension) return 0;
    if (EqualsNoCase(extension, "cur")) {
        type_ = kSystem;
        imageType_ = kImageCur;
        SetLoader(LoadCursorFile, FreeCursorFile);
        return 0;
    }
    type_ = kPicture;
    imageType_ = kImageNone;
    SetLoader(nullptr, nullptr);
    SetChanged(true);
    TMetaImg::Update();
    return 0;
}

int TMetaCur::Open() {
    return type_ == kPicture ? TMetaImg::Open() : TResource::Open();
}

int TMetaCur::Close() {
    return type_ == kPicture ? TMetaImg::Close() : TResource::Close();
}

int TMetaCur::Load() {
    return LoadModule(nullptr);
}

int TMetaCur::LoadModule(HINSTANCE module) {
    Update();
    if (type_ == kSystem) return LoadCursor(module);
    return type_ == kPicture ? TMetaImg::Load() : 0;
}

int TMetaCur::Lock(int32_t frame, int32_t entry) {
    return LockModule(frame, entry, nullptr);
}

int TMetaCur::LockModule(int32_t frame, int32_t entry, HINSTANCE module) {
    Update();
    if (type_ == kSystem) return LoadCursor(module);
    return type_ == kPicture ? TMetaImg::Lock(frame, entry) : 0;
}

int TMetaCur::Release() {
    if (type_ == kSystem) return ReleaseCursor();
    return type_ == kPicture ? TMetaImg::Release() : 0;
}

int TMetaCur::Unlock() {
    return TMetaCur::Release();
}

GdlCursor* TMetaCur::GetCursorRecord() const {
    return type_ == kSystem ? static_cast<GdlCursor*>(data_) : nullptr;
}

GdlBitmap* TMetaCur::GetPictureRecord() const {
    return type_ == kPicture ? static_cast<GdlBitmap*>(data_) : nullptr;
}

int32_t TMetaCur::GetCursorWidth() const {
    if (type_ == kSystem) return 32;
    GdlBitmap* p = GetPictureRecord();
    return p ? p->width : 0;
}

int32_t TMetaCur::GetCursorHeight() const {
    if (type_ == kSystem) return 32;
    GdlBitmap* p = GetPictureRecord();
    return p ? p->height : 0;
}

TPoint TMetaCur::GetHotSpot() const {
    if (!data_) return TPoint(0, 0);
    if (GdlCursor* c = GetCursorRecord()) return TPoint(c->hotX, c->hotY);
    return hotSpot_;
}

void TMetaCur::SetHotSpot(const TPoint& hot) {
    if (GdlCursor* c = GetCursorRecord()) {
        c->hotX = hot.x;
        c->hotY = hot.y;
        return;
    }
    hotSpot_ = hot;
}
