// The bitmap-font part: an FNT file loaded by the graphics library. Its
// questions are the library's, answered only while its record is the
// library's current font (the font reference makes it current first).
#pragma once

#include "media/resources/TFontRes.h"

class TWinFnt : public virtual TFontRes {
public:
    TWinFnt();
    ~TWinFnt() override;

    using TResource::Load;

    // The loader: path -> font record, or null with code 31 or 32 reported.
    static void* LoadFile(const char* path);

    int Open() override { return TWinFnt::Load(0); }
    int Release() override;

    const GdlFont* GetLibraryFont() override;
    int SelectChar(int32_t c) override;
    int Load(int32_t value) override;
    int32_t GetTextHeight(int32_t c) override;
    int32_t GetCharWidth(int32_t c) override;
    int32_t GetCharExtent(int32_t c, int32_t* width, int32_t* offset) override;
    int IsCharDefined(int32_t c) override;
    int GetMetrics(GdlFontMetrics* metrics) override;

protected:
    // As a part of the font proxy: no default path, kind or loader.
    struct PartTag {};
    explicit TWinFnt(PartTag) {}

    bool IsCurrent() const;
    void BecomeBitmapFont();
};
