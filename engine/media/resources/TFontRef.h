// The font reference that text graphics and the canvas hold: the graphics
// library's text settings with an attached font, made current before each
// question to the font, plus the engine's spacing rules (blanks narrowed
// when spreading, kerning, an ignored control character).
#pragma once

#include "gdl/dc.h"
#include "media/resources/TCanvasFont.h"
#include "media/resources/TFontRes.h"

#include <cstdint>

class TFontRef : public TCanvasFont {
public:
    enum Align : int32_t { kLeft = 0, kCentre = 1, kRight = 2, kSpread = 3 };
    static constexpr uint32_t kNoKerning = 4;
    // A control character that takes no room of its own.
    static constexpr int32_t kIgnoredChar = 22;

    TFontRef();
    ~TFontRef() override = default;

    void SetFont(TFontRes* font);
    TFontRes* GetFont() const { return font_; }
    int Load(int32_t value);
    int Unload();
    int32_t GetKind() const override;
    int32_t GetExtraSpace() const override { return settings_.spacing; }
    void SetFlags(uint32_t flags) { flags_ = flags; }
    uint32_t GetFlags() const override { return flags_; }
    GdlTextSettings& Settings() { return settings_; }
    // The settings with the attached font's library font.
    const GdlTextSettings* GetTextSettings() override;

    int SelectChar(int32_t c) override;
    void DeselectChar() override;
    // The selected glyph's picture and its rectangle in it; null (and an
    // empty rectangle) when nothing is selected.
    const GdlBitmap* GetExtents(TRectArea* rect) override;
    int32_t GetTextHeight(int32_t c);
    int32_t GetCharWidth(int32_t c) override;
    // The step from c to the character after it.
    int32_t GetCharAdvance(int32_t c, int32_t next);
    // The adjustment of `next` when it follows c.
    int32_t GetKerning(int32_t c, int32_t next);
    int IsCharDefined(int32_t c);
    int GetGlyphRect(TGlyphRect* rect);

private:
    bool Ready() const { return font_ && font_->IsLoaded(); }
    void MakeCurrent() { GDL_setTextSettings(GetTextSettings()); }
    void RefreshLibraryFont();

    GdlTextSettings settings_{kLeft, 0, GDL_TEXT_LEFT_TO_RIGHT, 1, 1, 1, 1, 0, nullptr};
    uint32_t flags_ = 0;
    TFontRes* font_ = nullptr;
};
