// The font resource that the game names: found in the folder "Fonts", its
// kind chosen by the file's extension ("fnt" a bitmap font, "pxf" a pixel
// font), each font operation forwarded to the part of that kind.
#pragma once

#include "media/resources/TPixFnt.h"
#include "media/resources/TWinFnt.h"

#include <cstdint>

class TMetaFnt : public TPixFnt, public TWinFnt {
public:
    explicit TMetaFnt(const char* name, int32_t subFont = 0);
    ~TMetaFnt() override;

    using TPixFnt::Load;

    uint32_t Update() override;
    int Open() override;
    int Release() override;

    const GdlFont* GetLibraryFont() override;
    const GdlBitmap* GetGlyphPicture() override;
    int SelectChar(int32_t c) override;
    int Load(int32_t value) override;
    void DeselectChar() override;
    int GetGlyphRect(TGlyphRect* rect) override;
    int32_t GetTextHeight(int32_t c) override;
    int32_t GetCharWidth(int32_t c) override;
    int32_t GetCharExtent(int32_t c, int32_t* width, int32_t* offset) override;
    int32_t GetKerning(int32_t c, int32_t next) override;
    int IsCharDefined(int32_t c) override;
    int GetMetrics(GdlFontMetrics* metrics) override;

    Kind GetMetaKind() const { return kind_; }

private:
    Kind kind_ = kNoFont;
};
