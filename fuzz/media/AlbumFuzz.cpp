// Albums and pixel fonts from arbitrary bytes: the header and tables, every
// frame of every entry with and without the memory image, then the same bytes
// as a pixel font's glyph tables.
#include "../foundation/FuzzFile.h"
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "media/resources/TAlbum.h"
#include "media/resources/TPixFnt.h"
#include "ui/TEngine.h"

#include <cstdint>

namespace {

class FuzzFont : public TPixFnt {
public:
    void Use(int32_t subFont) { subFont_ = subFont; }
};

void ReadFont(const char* path, bool image, const uint8_t* data, size_t size) {
    FuzzFont font;
    font.SetPath(path);
    if (image) font.Load(0);
    for (int32_t sub = 0; sub < 3; ++sub) {
        font.Use(sub);
        GdlFontMetrics metrics;
        font.GetMetrics(&metrics);
        for (size_t i = 0; i < 8; ++i) {
            int32_t c = i < size ? data[i] : static_cast<int32_t>(i * 37);
            int32_t next = i + 1 < size ? data[i + 1] : 'A';
            int32_t width = 0, offset = 0;
            font.GetCharExtent(c, &width, &offset);
            font.GetKerning(c, next);
            font.IsCharDefined(c);
            font.GetTextHeight(c);
            if (font.SelectChar(c)) {
                TGlyphRect rect;
                font.GetGlyphRect(&rect);
                font.DeselectChar();
            }
        }
    }
    if (image) font.Release();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    // A fresh handle cache per input: an entry of the last input's file
    // (same path) must not stand for this one.
    TCache::Global().Start();
    const char* path = WriteFuzzFile(".alb", data, size);
    for (bool image : {false, true}) {
        TAlbum album;
        album.SetPath(path);
        if (!album.IsLoaded()) break;
        if (image) album.Open();
        int32_t entries = album.EntryCount() < 4 ? album.EntryCount() : 4;
        for (int32_t e = 0; e < entries; ++e)
            for (int32_t f = 0; f < album.GetFrameCount(e) && f < 4; ++f) {
                if (album.ReadPicture(f, e)) {
                    const GdlBitmap& p = album.Picture();
                    // Touch the last row as a reader of the full width would.
                    volatile uint8_t sink = 0;
                    int32_t pixel = (p.bitsPerPixel + 1) / 8;
                    if (p.height > 0)
                        for (int32_t i = 0; i < p.width * pixel; ++i)
                            sink = sink + p.surface[(p.height - 1) * p.bytesPerLine + i];
                }
                album.FreePicture();
            }
        if (image) album.Close();
    }
    const char* font = WriteFuzzFile(".pxf", data, size);
    for (bool image : {false, true})
        ReadFont(font, image, data, size);
    TCache::Global().Stop();
    return 0;
}
