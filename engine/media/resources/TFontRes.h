// The font interface shared by bitmap fonts (FNT, drawn by the graphics
// library) and pixel fonts (PXF, album pictures drawn by the engine), so that
// text code does not care which kind it holds. Every operation has a zero
// answer here; the kinds override what they can answer.
#pragma once

#include "foundation/TResource.h"
#include "gdl/bitmap.h"
#include "gdl/font.h"
#include "gdl/text.h"

#include <cstdint>

// A glyph's rectangle inside its picture.
struct TGlyphRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

class TFontRes : public virtual TResource {
public:
    enum Kind : int32_t { kNoFont = 0, kBitmapFont = 1, kPixelFont = 2 };
    static constexpr uint32_t kFontLoaded = 1;

    using TResource::Load;

    virtual const GdlFont* GetLibraryFont() { return nullptr; }
    virtual const GdlBitmap* GetGlyphPicture() { return nullptr; }
    virtual int SelectChar(int32_t) { return 0; }
    virtual int Load(int32_t) { return 0; }
    virtual void DeselectChar() {}
    virtual int GetGlyphRect(TGlyphRect* rect);
    virtual int32_t GetTextHeight(int32_t) { return 0; }
    virtual int32_t GetCharWidth(int32_t) { return 0; }
    virtual int32_t GetCharExtent(int32_t c, int32_t* width, int32_t* offset);
    // The adjustment of `next` when it follows `c`.
    virtual int32_t GetKerning(int32_t, int32_t) { return 0; }
    virtual int IsCharDefined(int32_t) { return 1; }
    virtual int GetMetrics(GdlFontMetrics* metrics);

    bool IsLoaded() const { return (fontFlags_ & kFontLoaded) != 0; }
    Kind GetKind() const { return fontKind_; }
    int32_t GetSubFont() const { return subFont_; }

protected:
    void SetFontLoaded(bool on) {
        fontFlags_ = on ? fontFlags_ | kFontLoaded : fontFlags_ & ~kFontLoaded;
    }

    uint32_t fontFlags_ = 0;
    int32_t subFont_ = 0;
    Kind fontKind_ = kNoFont;
};

// Characters are taken as their low byte.
inline uint8_t FontChar(int32_t c) {
    return static_cast<uint8_t>(c & 0xFF);
}
