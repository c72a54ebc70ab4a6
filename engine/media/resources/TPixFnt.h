// The pixel-font part: a PXF file, that is an album whose entries are
// sub-fonts and whose frames are glyph pictures, followed by one glyph table
// per sub-font (widths, x offsets, the character map and optional kerning).
#pragma once

#include "media/resources/TAlbum.h"
#include "media/resources/TFontRes.h"

#include <cstdint>

class TPixFnt : public TAlbum, public virtual TFontRes {
public:
    static constexpr int32_t kMaxSubFonts = 32;
    static constexpr int32_t kTableBytes = 1280;
    static constexpr int32_t kKerningBytes = 65536;
    static constexpr int32_t kNoChar = 255;

    TPixFnt();
    ~TPixFnt() override;

    using TAlbum::Load;

    // Reads the album and places the glyph tables.
    uint32_t Update() override;
    int Open() override { return TPixFnt::Load(0); }
    int Release() override;

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

    int32_t TableOffset(int32_t subFont) const;
    int32_t CurrentChar() const { return currentChar_; }

protected:
    struct PartTag {};
    explicit TPixFnt(PartTag) {}

    bool PlaceTables();
    // False when the album is not loaded or the sub-font has no table.
    bool HasTable();
    // Little-endian value of `bytes` bytes at `position` of the sub-font's
    // table; 0 when it cannot be read.
    uint32_t TableValue(int32_t position, int32_t bytes);
    bool ReadFromFile(int32_t at, uint8_t* value, int32_t bytes);
    uint8_t GlyphOf(int32_t c) { return static_cast<uint8_t>(TableValue(1024 + FontChar(c), 1)); }

    int32_t tableOffsets_[kMaxSubFonts] = {};
    int32_t currentChar_ = kNoChar;
};
