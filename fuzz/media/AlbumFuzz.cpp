// Albums from arbitrary bytes: the header and tables, every frame of every
// entry with and without the memory image.
#include "../foundation/FuzzFile.h"
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "media/TAlbum.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = [] {
        TCache::Global().Start();
        return true;
    }();
    (void)started;
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
    TError::Reset();
    return 0;
}
