// What the canvas needs of a font reference and of a drawing-attribute
// record. The font references and attribute records of the media layer
// (TFontRef, TDrawAttr) implement these; the canvas never sees more of them.
#pragma once

#include "foundation/TObject.h"
#include "foundation/TRectLst.h"
#include "gdl/bitmap.h"
#include "gdl/dc.h"

#include <cstdint>

class TCanvasFont : public virtual TObject {
public:
    // Font kinds: 1 and 32 the library's fonts, 2 glyph pictures, 4, 8, 16
    // and 28 Windows fonts; 0 (or any other value) draws nothing.
    enum : int32_t { kLibrary = 1, kGlyphs = 2, kLibraryAlt = 32 };
    // Style bit: draw a line under each character.
    static constexpr uint32_t kUnderline = 2;

    virtual int32_t GetKind() const = 0;
    // The library's text settings of the font (justification, direction,
    // scale, spacing, font).
    virtual const GdlTextSettings* GetTextSettings() = 0;
    virtual uint32_t GetFlags() const = 0;
    virtual int32_t GetCharWidth(int32_t c) = 0;
    // Extra spacing after every character.
    virtual int32_t GetExtraSpace() const = 0;
    // Glyph-picture fonts: choose a character, get its picture and the
    // glyph's rectangle in it (null when there is none), let it go.
    virtual int SelectChar(int32_t c) = 0;
    virtual const GdlBitmap* GetExtents(TRectArea* rect) = 0;
    virtual void DeselectChar() = 0;
};

class TCanvasAttr : public virtual TObject {
public:
    // Makes the record the current context's drawing state.
    virtual void Apply() const = 0;
};
