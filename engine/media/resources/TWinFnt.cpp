#include "media/resources/TWinFnt.h"

#include "foundation/TError.h"
#include "media/resources/TImageRes.h"

namespace {
const char kSource[] = "Source\\TWinFnt";
}

TWinFnt::TWinFnt() {
    folder_ = "Fonts";
    SetPath("helv17.fnt");
    BecomeBitmapFont();
}

TWinFnt::~TWinFnt() {
    if (fontKind_ == kBitmapFont && loadCount_ > 0) {
        loadCount_ = 1;
        TWinFnt::Release();
    }
}

void TWinFnt::BecomeBitmapFont() {
    fontKind_ = kBitmapFont;
    imageType_ = kImageFnt;
    SetLoader(LoadFile, FreeImageRecord);
}

void* TWinFnt::LoadFile(const char* path) {
    if (!GDL_isFontFile(path)) {
        TError::Raise(31, GetGraphicsErrorText(), path, kSource, 60);
        return nullptr;
    }
    GdlFont* font = GDL_loadFont(path);
    if (!font) TError::Raise(32, GetGraphicsErrorText(), path, kSource, 66);
    return font;
}

int TWinFnt::Load(int32_t) {
    Update();
    if (++loadCount_ > 1) return 1;
    bool ok = TResource::Open() != 0 && data_ != nullptr;
    SetFontLoaded(ok);
    return ok ? 1 : 0;
}

int TWinFnt::Release() {
    if (--loadCount_ > 0) return 1;
    loadCount_ = 0;
    SetFontLoaded(false);
    return TResource::Close();
}

bool TWinFnt::IsCurrent() const {
    return data_ != nullptr && GDL_getFont() == static_cast<const GdlFont*>(data_);
}

const GdlFont* TWinFnt::GetLibraryFont() {
    return static_cast<const GdlFont*>(data_);
}

int TWinFnt::SelectChar(int32_t) {
    return IsCurrent() ? 1 : 0;
}

int32_t TWinFnt::GetTextHeight(int32_t) {
    return IsCurrent() ? GDL_textHeight() : 0;
}

int32_t TWinFnt::GetCharWidth(int32_t c) {
    return IsCurrent() ? GDL_charWidth(FontChar(c)) : 0;
}

int32_t TWinFnt::GetCharExtent(int32_t c, int32_t* width, int32_t* offset) {
    int32_t w = TWinFnt::GetCharWidth(c);
    if (width) *width = w;
    if (offset) *offset = 0;
    return w;
}

int TWinFnt::IsCharDefined(int32_t c) {
    // Printable in the C locale: space, letters, digits and punctuation.
    uint8_t byte = FontChar(c);
    return IsCurrent() && byte >= 0x20 && byte <= 0x7E ? 1 : 0;
}

int TWinFnt::GetMetrics(GdlFontMetrics* metrics) {
    if (!metrics) return 0;
    *metrics = GdlFontMetrics{};
    if (!IsCurrent()) return 0;
    GDL_fontMetrics(metrics);
    return 1;
}
