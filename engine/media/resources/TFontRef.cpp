#include "media/resources/TFontRef.h"

TFontRef::TFontRef() = default;

void TFontRef::RefreshLibraryFont() {
    settings_.font = font_ ? font_->GetLibraryFont() : nullptr;
}

void TFontRef::SetFont(TFontRes* font) {
    font_ = font;
    RefreshLibraryFont();
}

int TFontRef::Load(int32_t value) {
    int result = font_ ? font_->Load(value) : 0;
    RefreshLibraryFont();
    return result;
}

int TFontRef::Unload() {
    int result = font_ ? font_->Release() : 0;
    RefreshLibraryFont();
    return result;
}

int32_t TFontRef::GetKind() const {
    return Ready() ? font_->GetKind() : 0;
}

const GdlTextSettings* TFontRef::GetTextSettings() {
    RefreshLibraryFont();
    return &settings_;
}

const GdlBitmap* TFontRef::GetExtents(TRectArea* rect) {
    TGlyphRect glyph{0, 0, 0, 0};
    const GdlBitmap* picture = Ready() ? font_->GetGlyphPicture() : nullptr;
    if (picture) font_->GetGlyphRect(&glyph);
    if (rect) *rect = {glyph.left, glyph.top, glyph.right, glyph.bottom};
    return picture;
}

int TFontRef::SelectChar(int32_t c) {
    if (!Ready()) return 0;
    MakeCurrent();
    return font_->SelectChar(c);
}

void TFontRef::DeselectChar() {
    if (Ready()) font_->DeselectChar();
}

int32_t TFontRef::GetTextHeight(int32_t c) {
    if (!Ready()) return 0;
    MakeCurrent();
    return font_->GetTextHeight(c);
}

int32_t TFontRef::GetCharWidth(int32_t c) {
    if (!Ready() || FontChar(c) == kIgnoredChar) return 0;
    MakeCurrent();
    return font_->GetCharWidth(c);
}

int32_t TFontRef::GetCharAdvance(int32_t c, int32_t next) {
    int32_t w = GetCharWidth(c);
    if (settings_.horizJustify == kSpread && FontChar(c) == ' ') w = (3 * w) >> 2;
    return w + GetKerning(c, next);
}

int32_t TFontRef::GetKerning(int32_t c, int32_t next) {
    if (!Ready() || (flags_ & kNoKerning)) return 0;
    return font_->GetKerning(c, next);
}

int TFontRef::IsCharDefined(int32_t c) {
    return Ready() ? font_->IsCharDefined(c) : 0;
}

int TFontRef::GetGlyphRect(TGlyphRect* rect) {
    return Ready() ? font_->GetGlyphRect(rect) : 0;
}
