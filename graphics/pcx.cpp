// The PCX reader: run-length coded ZSoft pictures, planes kept side by side in
// each row as stored; 1- and 4-bit palettes from the header, 8-bit ones from
// the 769-byte tail.
#include "bitmap_internal.h"

#include "gdl/memory.h"
#include "gdl/result.h"

#include "platform/ByteStream.h"

#include <cstring>

using namespace gdl_files;

namespace {

constexpr size_t kReadBuffer = 32768;

int32_t Refuse() {
    GDL_setResult(GDL_INVALID_BITMAP);
    return 0;
}

// Run-length decoder state; a run may carry on from one row into the next.
struct PcxDecoder {
    void* stream = nullptr;
    int64_t left = 0; // coded bytes of the picture not yet read into the buffer
    uint8_t* buffer = nullptr;
    size_t pos = 0;
    size_t end = 0;
    int32_t runCount = 0;
    uint8_t runValue = 0;
};

// Refills the buffer with one read; false when the picture's bytes are spent.
bool GDL_fillPCXBuffer(PcxDecoder& d) {
    size_t want =
        d.left < static_cast<int64_t>(kReadBuffer) ? static_cast<size_t>(d.left) : kReadBuffer;
    size_t got = want ? GDL_fileHooks.read(d.buffer, 1, want, d.stream) : 0;
    d.left -= static_cast<int64_t>(got);
    d.pos = 0;
    d.end = got;
    return got > 0;
}

bool NextByte(PcxDecoder& d, uint8_t* out) {
    if (d.pos >= d.end && !GDL_fillPCXBuffer(d)) return false;
    *out = d.buffer[d.pos++];
    return true;
}

// Decodes one row of n bytes; false when the file ends first.
bool GDL_decodePCXLine(PcxDecoder& d, uint8_t* row, size_t n) {
    size_t out = 0;
    while (out < n) {
        if (d.runCount < 1) {
            uint8_t b;
            if (!NextByte(d, &b)) return false;
            if ((b & 0xC0) == 0xC0) {
                d.runCount = b & 0x3F;
                if (!NextByte(d, &d.runValue)) return false;
            } else {
                d.runCount = 1;
                d.runValue = b;
            }
        }
        while (d.runCount > 0 && out < n) {
            row[out++] = d.runValue;
            --d.runCount;
        }
    }
    return true;
}

void TriplesToPalette(const uint8_t* rgb, size_t count, GdlPaletteEntry* out) {
    for (size_t i = 0; i < count; ++i)
        out[i] = GdlPaletteEntry{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i], 0};
}

} // namespace

int32_t GDL_checkPCXHeader(uint8_t header[128], void* stream, long offset) {
    if (!SeekTo(stream, offset) || !ReadExact(stream, header, 128)) return Refuse();
    const int8_t version = static_cast<int8_t>(header[1]);
    if (header[0] != 10 || version < 0 || version > 5 || header[2] != 1) return Refuse();
    return 1;
}

int32_t GDL_readPCXHeader(GdlBitmap* head, GdlPaletteEntry palette[256], int32_t* paletteBytes,
                          void* stream, long offset, int32_t size, int32_t loadPalette) {
    uint8_t header[128];
    if (!GDL_checkPCXHeader(header, stream, offset)) return 0;
    platform::ByteReader r(header, sizeof header);
    r.Skip(3);
    const int32_t bitsPerPlane = r.S8();
    const int32_t xMin = r.U16(), yMin = r.U16(), xMax = r.U16(), yMax = r.U16();
    r.Seek(65);
    const int32_t planes = r.S8();
    const int32_t planeBytes = r.U16();

    const int32_t width = xMax - xMin + 1;
    const int32_t height = yMax - yMin + 1;
    // Planes of 1, 2, 4 or 8 bits, at most four of them, each line long enough
    // for its pixels: anything else would make the record lie about its rows.
    const bool depthOk =
        (bitsPerPlane == 1 || bitsPerPlane == 2 || bitsPerPlane == 4 || bitsPerPlane == 8) &&
        planes >= 1 && planes <= 4;
    if (!depthOk || width < 1 || height < 1 || planeBytes * 8 < width * bitsPerPlane)
        return Refuse();

    std::memset(head, 0, sizeof *head);
    head->width = width;
    head->height = height;
    head->bitsPerPixel = bitsPerPlane * planes;
    head->bytesPerLine = planeBytes * planes;

    const int32_t bits = head->bitsPerPixel;
    *paletteBytes = bits == 1 ? 8 : bits == 4 ? 64 : bits == 8 ? 1024 : 0;
    if (!loadPalette || *paletteBytes == 0) {
        *paletteBytes = 0; // no palette kept
        return 1;
    }
    if (bits == 8) {
        uint8_t marker = 0;
        uint8_t tail[768];
        if (size < 128 + 769 || !SeekTo(stream, offset + size - 769) ||
            !ReadExact(stream, &marker, 1) || marker != 12 || !ReadExact(stream, tail, 768))
            return Refuse();
        TriplesToPalette(tail, 256, palette);
        if (!SeekTo(stream, offset + 128)) return Refuse();
    } else {
        TriplesToPalette(header + 16, static_cast<size_t>(*paletteBytes / 4), palette);
        // Many writers leave the header palette of a monochrome picture empty
        // (all zero): two equal colours would draw it as one flat area, so such
        // a picture gets black for 0 and white for 1.
        if (bits == 1 && std::memcmp(header + 16, header + 19, 3) == 0) {
            palette[0] = GdlPaletteEntry{0, 0, 0, 0};
            palette[1] = GdlPaletteEntry{255, 255, 255, 0};
        }
    }
    return 1;
}

GdlBitmap* GDL_readPCX(void* stream, long offset, int32_t size, int32_t loadPalette) {
    GDL_setResult(GDL_OK);
    GdlBitmap head;
    GdlPaletteEntry palette[256];
    int32_t paletteBytes = 0;
    // Never trust the caller's size beyond what the stream holds.
    const int64_t available = GDL_fileLength(stream) - int64_t{offset};
    if (size < 0 || size > available) size = static_cast<int32_t>(available > 0 ? available : 0);
    if (!GDL_readPCXHeader(&head, palette, &paletteBytes, stream, offset, size, loadPalette))
        return nullptr;

    // A run byte pair gives at most 63 bytes, so a picture larger than that
    // allows is corrupt whatever its data.
    const int64_t coded = int64_t{size} - 128;
    if (int64_t{head.height} * head.bytesPerLine > coded * 63 / 2 + 63) {
        GDL_setResult(GDL_INVALID_BITMAP);
        return nullptr;
    }
    GdlBitmap* bitmap = NewBitmapRecord(head, static_cast<size_t>(paletteBytes / 4), nullptr);
    if (!bitmap) return nullptr;
    if (bitmap->palette) std::memcpy(bitmap->palette, palette, static_cast<size_t>(paletteBytes));

    PcxDecoder d;
    d.stream = stream;
    d.left = coded;
    d.buffer = static_cast<uint8_t*>(GDL_malloc(kReadBuffer));
    if (!d.buffer) {
        GDL_free(bitmap);
        GDL_setResult(GDL_NO_MEMORY);
        return nullptr;
    }
    bool ok = SeekTo(stream, offset + 128);
    for (int32_t y = 0; ok && y < head.height; ++y)
        ok = GDL_decodePCXLine(d, bitmap->surface + static_cast<size_t>(y) * head.bytesPerLine,
                               static_cast<size_t>(head.bytesPerLine));
    GDL_free(d.buffer);
    if (!ok) {
        GDL_free(bitmap);
        GDL_setResult(GDL_INVALID_BITMAP);
        return nullptr;
    }
    return bitmap;
}

void* GDL_openPCXFile(uint8_t header[128], const char* name) {
    void* stream = GDL_openFile(GDL_BITMAPS_FOLDER, name, "rb");
    if (!stream) {
        GDL_setResult(GDL_BITMAP_NOT_FOUND);
        return nullptr;
    }
    if (!GDL_checkPCXHeader(header, stream, 0)) {
        GDL_fileHooks.close(stream);
        return nullptr;
    }
    return stream;
}

GdlBitmap* GDL_loadPCX(const char* name, int32_t loadPalette) {
    GDL_setResult(GDL_OK);
    void* stream = GDL_openFile(GDL_BITMAPS_FOLDER, name, "rb");
    if (!stream) {
        GDL_setResult(GDL_BITMAP_NOT_FOUND);
        return nullptr;
    }
    return CloseAndReturn(stream, GDL_readPCX(stream, 0, GDL_fileLength(stream), loadPalette));
}

int32_t GDL_isPCXFile(const char* name) {
    GDL_setResult(GDL_OK);
    uint8_t header[128];
    void* stream = GDL_openPCXFile(header, name);
    if (!stream) return 0;
    GDL_fileHooks.close(stream);
    return 1;
}
