// The bitmap record and the small stream helpers the readers share.
#include "bitmap_internal.h"

#include "gdl/memory.h"
#include "gdl/result.h"

#include <cstring>

namespace gdl_files {

bool ReadExact(void* stream, void* buffer, size_t count) {
    if (count == 0) return true;
    return GDL_fileHooks.read(buffer, 1, count, stream) == count;
}

bool SeekTo(void* stream, long position) {
    return position >= 0 && GDL_fileHooks.seek(stream, position, 0) == 0;
}

int64_t BytesLeft(void* stream) {
    long here = GDL_fileHooks.tell(stream);
    if (here < 0) return 0;
    int64_t left = static_cast<int64_t>(GDL_fileLength(stream)) - here;
    return left > 0 ? left : 0;
}

GdlBitmap* NewBitmapRecord(const GdlBitmap& head, size_t paletteEntries,
                           const GdlPixelFormat* format) {
    const uint64_t extra = format ? sizeof(GdlPixelFormat) : paletteEntries * 4;
    const uint64_t rows =
        static_cast<uint64_t>(head.height) * static_cast<uint64_t>(head.bytesPerLine);
    if (head.height < 0 || head.bytesPerLine < 0 || rows > (uint64_t{1} << 40)) {
        GDL_setResult(GDL_NO_MEMORY);
        return nullptr;
    }
    const uint64_t total = sizeof(GdlBitmap) + extra + rows;
    if (total > SIZE_MAX) {
        GDL_setResult(GDL_NO_MEMORY);
        return nullptr;
    }
    auto* block = static_cast<uint8_t*>(GDL_malloc(static_cast<size_t>(total)));
    if (!block) {
        GDL_setResult(GDL_NO_MEMORY);
        return nullptr;
    }
    auto* bitmap = reinterpret_cast<GdlBitmap*>(block);
    *bitmap = head;
    bitmap->palette = nullptr;
    bitmap->pixelFormat = nullptr;
    uint8_t* after = block + sizeof(GdlBitmap);
    if (format) {
        std::memcpy(after, format, sizeof(GdlPixelFormat));
        bitmap->pixelFormat = reinterpret_cast<GdlPixelFormat*>(after);
    } else if (paletteEntries) {
        std::memset(after, 0, paletteEntries * 4);
        bitmap->palette = reinterpret_cast<GdlPaletteEntry*>(after);
    }
    bitmap->surface = after + extra;
    return bitmap;
}

} // namespace gdl_files
