// The library's file readers: one table of file routines, one path search, the
// bitmap record every picture reader returns, and the BMP, icon, cursor, PCX
// and JPEG readers. Readers report through the library's result code (cleared
// on entry), return plain heap records freed with GDL_free, and never leave a
// stream open.
#pragma once

#include "gdl/pixelformat.h"

#include <cstddef>
#include <cstdint>

// The routines every reader reaches files through, with the meaning of the
// C library's buffered stream calls of the same names. Origins of seek: 0 from
// the start, 1 from the current position, 2 from the end.
struct GdlFileHooks {
    void* (*open)(const char* path, const char* mode);
    int (*close)(void* stream);
    int (*seek)(void* stream, long offset, int origin);
    long (*tell)(void* stream);
    size_t (*read)(void* buffer, size_t size, size_t count, void* stream);
    size_t (*write)(const void* buffer, size_t size, size_t count, void* stream);
};

// Filled with the platform's buffered file routines (names through its path
// mapper). Tests and fuzzers may point it at memory streams.
extern GdlFileHooks& GDL_fileHooks;

// Room for a path found by GDL_findFile.
constexpr size_t GDL_PATH_BUFFER = 1024;

// Subfolders of the path search, each with its trailing backslash.
extern const char GDL_BITMAPS_FOLDER[]; // "BITMAPS\\"
extern const char GDL_ICONS_FOLDER[];   // "ICONS\\"
extern const char GDL_CURSORS_FOLDER[]; // "CURSORS\\"
extern const char GDL_FONTS_FOLDER[];   // "FONTS\\"

// Length of an open stream; its position is kept.
int32_t GDL_fileLength(void* stream);
// Looks for `name` as given, then under the library directory and under the
// folder in GDL_ROOT (each + subfolder); 1 with the path that opened in
// `pathBuffer` (GDL_PATH_BUFFER bytes), else 0.
int32_t GDL_findFile(char* pathBuffer, const char* subfolder, const char* name, const char* mode);
void* GDL_openFile(const char* subfolder, const char* name, const char* mode);

// The bitmap record: one heap block holding these fields, then the palette
// (4-byte entries blue, green, red, 0; 8 bits or fewer) or the pixel format
// (deeper images), then the rows, top row first, each bytesPerLine long.
struct GdlBitmap {
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel; // 1, 4, 8, 15 (5:5:5 cells), 16, 24 or 32
    int32_t bytesPerLine;
    uint8_t* surface;
    GdlPaletteEntry* palette;    // null when no palette was loaded
    GdlPixelFormat* pixelFormat; // set only above 8 bits
};

// --- BMP --------------------------------------------------------------------

// What the header stage of the BMP reader learns before the rows.
struct GdlBitmapHeaderInfo {
    GdlBitmap head;         // surface, palette and pixelFormat still null
    int32_t paletteEntries; // entries read (0 when skipped or none)
    int32_t paletteSlots;   // entries the record keeps room for
    GdlPaletteEntry palette[256];
    bool hasFormat;
    GdlPixelFormat format;
};

GdlBitmap* GDL_loadBitmap(const char* name, int32_t loadPalette);
int32_t GDL_isBitmapFile(const char* name);
// Opens `name` under "BITMAPS\\" and checks its headers; the stream is left
// after the 54 header bytes, or null (-23 missing, -22 refused).
void* GDL_openBitmapFile(uint8_t fileHeader[14], uint8_t infoHeader[40], const char* name);
int32_t GDL_checkBitmapHeaders(uint8_t fileHeader[14], uint8_t infoHeader[40], void* stream,
                               long offset);
int32_t GDL_readBitmapHeaders(GdlBitmapHeaderInfo* info, void* stream, long offset,
                              int32_t loadPalette);
// Reads a BMP that starts at `offset` of an open stream; `size` is not used.
GdlBitmap* GDL_readBitmap(void* stream, long offset, int32_t size, int32_t loadPalette);

// --- Icons and cursors ------------------------------------------------------

struct GdlIcon {
    int32_t andBytesPerLine; // (width + 7) / 8, not padded
    uint8_t* andMask;        // inverted: bit 1 = the pixel is drawn; top row first
    GdlBitmap image;         // the colour image, at most 8 bits
};

// Fixed-size cursor of the library's mouse pointer: 32 rows of 4 bytes each,
// top row first, most significant bit = leftmost pixel.
struct GdlCursor {
    uint8_t xorMask[128];
    uint8_t andMask[128]; // inverted: bit 1 = the pixel is drawn
    int32_t hotX;
    int32_t hotY;
};
static_assert(sizeof(GdlCursor) == 264, "cursor record size");

GdlIcon* GDL_loadIcon(const char* name, int32_t loadPalette);
int32_t GDL_isIconFile(const char* name);
void GDL_freeIcon(GdlIcon* icon);
void* GDL_openIconFile(uint8_t directory[22], uint8_t imageHeader[40], const char* name);
int32_t GDL_checkIconHeader(uint8_t directory[22], uint8_t imageHeader[40], void* stream,
                            long offset);
GdlIcon* GDL_readIcon(const uint8_t directory[22], const uint8_t imageHeader[40], void* stream,
                      long offset, int32_t loadPalette);

GdlCursor* GDL_loadCursor(const char* name);
int32_t GDL_isCursorFile(const char* name);
void GDL_unloadCursor(GdlCursor* cursor);
GdlCursor* GDL_getDefaultCursor();
void* GDL_openCursorFile(uint8_t directory[22], const char* name);
// One 32 x 32 image whose 40-byte header gives 1 bit per pixel, else -18.
int32_t GDL_checkCursorHeader(uint8_t directory[22], void* stream, long offset);
GdlCursor* GDL_readCursor(const uint8_t directory[22], void* stream, long offset);

// --- PCX --------------------------------------------------------------------

GdlBitmap* GDL_loadPCX(const char* name, int32_t loadPalette);
int32_t GDL_isPCXFile(const char* name);
void* GDL_openPCXFile(uint8_t header[128], const char* name);
int32_t GDL_checkPCXHeader(uint8_t header[128], void* stream, long offset);
// Header stage: fills `head` (no pointers) and, with the palette flag, the
// palette; *paletteBytes is the room the record keeps for it.
int32_t GDL_readPCXHeader(GdlBitmap* head, GdlPaletteEntry palette[256], int32_t* paletteBytes,
                          void* stream, long offset, int32_t size, int32_t loadPalette);
GdlBitmap* GDL_readPCX(void* stream, long offset, int32_t size, int32_t loadPalette);

// --- JPEG -------------------------------------------------------------------

// colours: 0 true colour (24 bits), N >= 1 at most N colours in 8 bits,
// -1 grey in 8 bits. Greyscale pictures always load grey.
GdlBitmap* GDL_loadJPEG(const char* name, int32_t colours);
int32_t GDL_findBitmapFile(const char* name);
GdlBitmap* GDL_readJPEG(void* stream, long offset, long end, int32_t colours);
