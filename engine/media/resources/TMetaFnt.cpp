#include "media/resources/TMetaFnt.h"

#include "foundation/TError.h"
#include "media/resources/TImageRes.h"

namespace {
const char kSource[] = "Source\\TMetaFnt";
}

TMetaFnt::TMetaFnt(const char* name, int32_t subFont)
    : TResource(name), TPixFnt(TPixFnt::PartTag{}), TWinFnt(TWinFnt::PartTag{}) {
    folder_ = "Fonts";
    fontKind_ = kNoFont;
    imageType_ = kImageNone;
    SetLoader(nullptr, nullptr);
    subFont_ = subFont;
}

TMetaFnt::~TMetaFnt() {
    if (loadCount_ > 0) {
        loadCount_ = 1;
        TMetaFnt::Release();
    }
}

uint32_t TMetaFnt::Update() {
    if (!IsDirty() || InUse()) return 0;
    TResource::Update();
    kind_ = kNoFont;
    const char* extension = PathExtension(kSource, 70);
    if (!extension) return 0;
    if (EqualsNoCase(extension, "fnt")) {
        kind_ = kBitmapFont;
        imageType_ = kImageFnt;
        SetLoader(TWinFnt::LoadFile, FreeImageRecord);
        SetChanged(true);
        TResource::Update();
    } else if (EqualsNoCase(extension, "pxf")) {
        kind_ = kPixelFont;
        imageType_ = kImageNone;
        SetLoader(nullptr, nullptr);
        SetChanged(true);
        TPixFnt::Update();
    } else {
        imageType_ = kImageNone;
        SetLoader(nullptr, nullptr);
        TError::Raise(49, "Invalid file extension.", fileName_.c_str(), kSource, 90);
        SetChanged(true);
        TResource::Update();
    }
    fontKind_ = kind_;
    return 0;
}

int TMetaFnt::Open() {
    TMetaFnt::Update();
    return TMetaFnt::Load(0);
}

int TMetaFnt::Release() {
    if (kind_ == kBitmapFont) return TWinFnt::Release();
    if (kind_ == kPixelFont) return TPixFnt::Release();
    return 0;
}

const GdlFont* TMetaFnt::GetLibraryFont() {
    TMetaFnt::Update();
    return kind_ == kBitmapFont ? TWinFnt::GetLibraryFont() : nullptr;
}

const GdlBitmap* TMetaFnt::GetGlyphPicture() {
    TMetaFnt::Update();
    return kind_ == kPixelFont ? TPixFnt::GetGlyphPicture() : nullptr;
}

int TMetaFnt::Load(int32_t value) {
    TMetaFnt::Update();
    if (kind_ == kBitmapFont) return TWinFnt::Load(value);
    if (kind_ == kPixelFont) return TPixFnt::Load(value);
    return 0;
}

// Forwarding of the remaining slots by kind; kind 0 answers zero.
#define FORWARD(call)                                                                              \
    do {                                                                                           \
        if (kind_ == kBitmapFont) return TWinFnt::call;                                            \
        if (kind_ == kPixelFont) return TPixFnt::call;                                             \
    } while (0)

int TMetaFnt::SelectChar(int32_t c) {
    FORWARD(SelectChar(c));
    return 0;
}

void TMetaFnt::DeselectChar() {
    if (kind_ == kBitmapFont) TWinFnt::DeselectChar();
    if (kind_ == kPixelFont) TPixFnt::DeselectChar();
}

int TMetaFnt::GetGlyphRect(TGlyphRect* rect) {
    FORWARD(GetGlyphRect(rect));
    return TFontRes::GetGlyphRect(rect);
}

int32_t TMetaFnt::GetTextHeight(int32_t c) {
    FORWARD(GetTextHeight(c));
    return 0;
}

int32_t TMetaFnt::GetCharWidth(int32_t c) {
    FORWARD(GetCharWidth(c));
    return 0;
}

int32_t TMetaFnt::GetCharExtent(int32_t c, int32_t* width, int32_t* offset) {
    FORWARD(GetCharExtent(c, width, offset));
    return TFontRes::GetCharExtent(c, width, offset);
}

int32_t TMetaFnt::GetKerning(int32_t c, int32_t next) {
    FORWARD(GetKerning(c, next));
    return 0;
}

int TMetaFnt::IsCharDefined(int32_t c) {
    FORWARD(IsCharDefined(c));
    return 0;
}

int TMetaFnt::GetMetrics(GdlFontMetrics* metrics) {
    FORWARD(GetMetrics(metrics));
    return TFontRes::GetMetrics(metrics);
}

#undef FORWARD
