// The cursor reader (32 x 32 monochrome Windows cursors) and the built-in arrow.
#include "bitmap_internal.h"

#include "gdl/memory.h"
#include "gdl/result.h"
#include "library_state.h"

#include "platform/ByteStream.h"

#include <cstring>

using namespace gdl_files;

namespace {

int32_t Refuse() {
    GDL_setResult(GDL_INVALID_CURSOR);
    return 0;
}

// Turns 32 rows of 4 bytes upside down.
void FlipRows(uint8_t mask[128]) {
    for (size_t top = 0, bottom = 31; top < bottom; ++top, --bottom) {
        uint8_t row[4];
        std::memcpy(row, mask + top * 4, 4);
        std::memcpy(mask + top * 4, mask + bottom * 4, 4);
        std::memcpy(mask + bottom * 4, row, 4);
    }
}

} // namespace

int32_t GDL_checkCursorHeader(uint8_t directory[22], void* stream, long offset) {
    if (!SeekTo(stream, offset) || !ReadExact(stream, directory, 22)) return Refuse();
    platform::ByteReader r(directory, 22);
    const uint16_t reserved = r.U16();
    const uint16_t type = r.U16();
    const uint16_t count = r.U16();
    const uint8_t width = r.U8();
    const uint8_t height = r.U8();
    if (reserved != 0 || type != 2 || count != 1 || width != 32 || height != 32) return Refuse();
    // The masks are read as two 1-bit images behind a 40-byte header; a colour
    // or PNG cursor passes the directory test but would load as noise.
    uint8_t imageHeader[40];
    if (!ReadExact(stream, imageHeader, sizeof imageHeader) || imageHeader[0] != 40 ||
        imageHeader[14] != 1 || imageHeader[15] != 0)
        return Refuse();
    return 1;
}

GdlCursor* GDL_readCursor(const uint8_t directory[22], void* stream, long offset) {
    GDL_setResult(GDL_OK);
    auto* cursor = static_cast<GdlCursor*>(GDL_malloc(sizeof(GdlCursor)));
    if (!cursor) {
        GDL_setResult(GDL_NO_MEMORY);
        return nullptr;
    }
    platform::ByteReader r(directory, 22);
    r.Skip(10);
    cursor->hotX = r.U16();
    cursor->hotY = r.U16();
    // Over the 40-byte image header and the two palette entries.
    if (!SeekTo(stream, offset + 22 + 48) || !ReadExact(stream, cursor->xorMask, 128) ||
        !ReadExact(stream, cursor->andMask, 128)) {
        GDL_free(cursor);
        Refuse();
        return nullptr;
    }
    FlipRows(cursor->xorMask);
    FlipRows(cursor->andMask);
    for (uint8_t& b : cursor->andMask)
        b = static_cast<uint8_t>(~b);
    return cursor;
}

void* GDL_openCursorFile(uint8_t directory[22], const char* name) {
    void* stream = GDL_openFile(GDL_CURSORS_FOLDER, name, "rb");
    if (!stream) {
        GDL_setResult(GDL_CURSOR_NOT_FOUND);
        return nullptr;
    }
    if (!GDL_checkCursorHeader(directory, stream, 0)) {
        GDL_fileHooks.close(stream);
        return nullptr;
    }
    return stream;
}

GdlCursor* GDL_loadCursor(const char* name) {
    GDL_setResult(GDL_OK);
    uint8_t directory[22];
    void* stream = GDL_openCursorFile(directory, name);
    if (!stream) return nullptr;
    return CloseAndReturn(stream, GDL_readCursor(directory, stream, 0));
}

int32_t GDL_isCursorFile(const char* name) {
    GDL_setResult(GDL_OK);
    uint8_t directory[22];
    void* stream = GDL_openCursorFile(directory, name);
    if (!stream) return 0;
    GDL_fileHooks.close(stream);
    return 1;
}

void GDL_unloadCursor(GdlCursor* cursor) {
    if (cursor && cursor != &gdl_internal::state().arrow) GDL_free(cursor);
}

GdlCursor* GDL_getDefaultCursor() {
    return &gdl_internal::state().arrow;
}
