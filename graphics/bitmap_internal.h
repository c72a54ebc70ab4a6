// Helpers shared by the picture, icon, cursor and font readers.
#pragma once

#include "gdl/bitmap.h"

#include <cstddef>
#include <cstdint>

namespace gdl_files {

// Reads exactly `count` bytes at the stream's position.
bool ReadExact(void* stream, void* buffer, size_t count);
// Seeks to an absolute position.
bool SeekTo(void* stream, long position);
// Bytes from the stream's position to its end (0 when unknown).
int64_t BytesLeft(void* stream);

// A bitmap record with room for `paletteEntries` palette entries (zeroed), or
// a copy of `format` when it is not null, and height rows of bytesPerLine
// bytes. `head` gives width, height, bitsPerPixel and bytesPerLine. Null (code
// -10) when the block cannot be had or its size overflows.
GdlBitmap* NewBitmapRecord(const GdlBitmap& head, size_t paletteEntries,
                           const GdlPixelFormat* format);

// Closes a stream the reader opened and hands the record back.
template <typename T> T* CloseAndReturn(void* stream, T* record) {
    if (stream) GDL_fileHooks.close(stream);
    return record;
}

} // namespace gdl_files
