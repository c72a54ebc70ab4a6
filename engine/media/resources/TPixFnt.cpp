#include "media/resources/TPixFnt.h"

#include "foundation/TError.h"
#include "foundation/TFile.h"
#include "platform/ByteStream.h"

#include <cstdio>

namespace {
const char kSource[] = "Source\\TPixFnt";
}

TPixFnt::TPixFnt() {
    folder_ = "Fonts";
    SetPath("arial10.pxf");
    fontKind_ = kPixelFont;
}

TPixFnt::~TPixFnt() {
    if (loadCount_ > 0) {
        loadCount_ = 1;
        TPixFnt::Release();
    }
}

uint32_t TPixFnt::Update() {
    if (!IsDirty() || InUse() || IsOpened()) return albumFlags_ & kLoaded;
    TAlbum::Load();
    if (!(albumFlags_ & kLoaded)) return 0;
    if (!PlaceTables()) {
        albumFlags_ &= ~kLoaded;
        TError::Raise(52, nullptr, fileName_.c_str(), kSource, 66);
    }
    return albumFlags_ & kLoaded;
}

bool TPixFnt::PlaceTables() {
    int32_t entries = EntryCount();
    if (entries <= 0 || entries > kMaxSubFonts) return false;
    const uint8_t* header = Header();
    int64_t position = platform::ByteReader(header + 18, 4).U32();
    if (position == 0) {
        position = kHeaderSize + int64_t{kEntrySize} * entries;
        for (int32_t e = 0; e < entries; ++e)
            position += platform::ByteReader(EntryRecord(e) + 10, 4).U32();
    }
    for (int32_t e = 0; e < entries; ++e) {
        if (position > fileSize_) return false;
        tableOffsets_[e] = static_cast<int32_t>(position);
        position += EntryRecord(e)[14] ? kTableBytes + kKerningBytes : kTableBytes;
    }
    return position <= fileSize_;
}

int TPixFnt::Load(int32_t) {
    int ok = TAlbum::Open();
    SetFontLoaded(ok != 0);
    return ok;
}

int TPixFnt::Release() {
    TAlbum::Close();
    if (!image_) SetFontLoaded(false);
    return 1;
}

int32_t TPixFnt::TableOffset(int32_t subFont) const {
    return subFont >= 0 && subFont < kMaxSubFonts ? tableOffsets_[subFont] : 0;
}

bool TPixFnt::HasTable() {
    // A sub-font at or above the entry count has no table.
    return TAlbum::IsLoaded() && subFont_ >= 0 && subFont_ < EntryCount() &&
           subFont_ < kMaxSubFonts;
}

uint32_t TPixFnt::TableValue(int32_t position, int32_t bytes) {
    if (!HasTable()) return 0;
    int64_t at = int64_t{tableOffsets_[subFont_]} + position;
    if (at < 0 || at + bytes > fileSize_) return 0;
    uint8_t value[2] = {0, 0};
    if (image_) {
        for (int32_t i = 0; i < bytes; ++i)
            value[i] = image_[at + i];
    } else {
        if (!ReadFromFile(static_cast<int32_t>(at), value, bytes)) return 0;
    }
    return bytes == 1 ? value[0] : platform::ByteReader(value, 2).U16();
}

bool TPixFnt::ReadFromFile(int32_t at, uint8_t* value, int32_t bytes) {
    if (IsOpened()) {
        // A held glyph picture keeps the swap file open as its buffer: read
        // the value through a file of its own.
        TFile file;
        file.SetFileName(fileName_.c_str());
        if (!file.Open(TFile::kRead)) return false;
        bool ok = file.Seek(at, SEEK_SET) >= 0 && file.Read(value, bytes) == bytes;
        file.Close();
        return ok;
    }
    if (!TSwpFile::Open(0)) return false;
    bool ok = Seek(at, SEEK_SET) >= 0 && Read(value, bytes) == bytes;
    TSwpFile::Close();
    return ok;
}

const GdlBitmap* TPixFnt::GetGlyphPicture() {
    return static_cast<const GdlBitmap*>(data_);
}

int TPixFnt::SelectChar(int32_t c) {
    int ok = HasTable() ? ReadPicture(GlyphOf(c), subFont_) : 0;
    currentChar_ = ok ? FontChar(c) : kNoChar;
    return ok ? 1 : 0;
}

void TPixFnt::DeselectChar() {
    FreePicture();
    currentChar_ = kNoChar;
}

int TPixFnt::GetGlyphRect(TGlyphRect* rect) {
    const GdlBitmap* picture = GetGlyphPicture();
    if (!picture || !rect) return 0;
    int32_t w = 0, x = 0;
    TPixFnt::GetCharExtent(currentChar_, &w, &x);
    int32_t width = picture->width > 0 ? picture->width : 0;
    int32_t height = picture->height > 0 ? picture->height : 0;
    if (int64_t{x} + w <= picture->width)
        *rect = TGlyphRect{x, 0, x + w > x ? x + w : x, height};
    else
        *rect = TGlyphRect{0, 0, width, height};
    return 1;
}

int32_t TPixFnt::GetTextHeight(int32_t c) {
    return HasTable() ? GetHeightOf(GlyphOf(c), subFont_) : 0;
}

int32_t TPixFnt::GetCharWidth(int32_t c) {
    return static_cast<int32_t>(TableValue(2 * GlyphOf(c), 2));
}

int32_t TPixFnt::GetCharExtent(int32_t c, int32_t* width, int32_t* offset) {
    uint8_t glyph = GlyphOf(c);
    int32_t w = static_cast<int32_t>(TableValue(2 * glyph, 2));
    if (width) *width = w;
    if (offset) *offset = static_cast<int32_t>(TableValue(512 + 2 * glyph, 2));
    return w;
}

int32_t TPixFnt::GetKerning(int32_t c, int32_t next) {
    if (!HasTable() || !EntryRecord(subFont_)[14]) return 0;
    int32_t at = kTableBytes + 256 * GlyphOf(c) + GlyphOf(next);
    return static_cast<int8_t>(TableValue(at, 1));
}

int TPixFnt::IsCharDefined(int32_t c) {
    if (FontChar(c) == ' ') return 1;
    return GlyphOf(c) != 0 ? 1 : 0;
}

int TPixFnt::GetMetrics(GdlFontMetrics* metrics) {
    if (!metrics) return 0;
    *metrics = GdlFontMetrics{};
    if (!HasTable()) return 0;
    int32_t w = GetWidthOf(0, subFont_), h = GetHeightOf(0, subFont_);
    *metrics = GdlFontMetrics{w, w, h, h, 0, 0, 0};
    return 1;
}
