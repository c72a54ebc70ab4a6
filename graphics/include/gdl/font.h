// The font record the library draws text with, and the readers of its two font
// file formats: the library's own font file (signature "RedeDuduv Font
// File:") and Windows 2.x raster fonts (FNT), converted on loading.
#pragma once

#include <cstdint>

struct GdlFont {
    char name[58];      // zero-terminated face name
    int16_t fontType;   // 1 stroked, 2 fixed-width bitmap, 3 proportional bitmap
    int16_t maxWidth;   // widest character in pixels
    int16_t lastMetric; // seventh font metric of text output; 0 from FNT
    int16_t cellWidth;  // advance of every character of a fixed-width font
    int16_t fontHeight; // glyph rows
    int16_t ascent;
    int16_t descent; // ascent - height
    int16_t leading;
    uint8_t charWidth[256];
    // From glyphData; 0xFFFF = missing, text output then uses character 0.
    uint16_t glyphOffset[256];
    uint8_t bitWidth[256]; // glyph row width in pixels, a multiple of 8
    uint8_t spare[256];
    // Bitmap fonts: per glyph fontHeight rows of bitWidth / 8 bytes, top row
    // first, most significant bit leftmost. Stroked fonts: 16-bit stroke words.
    // Points into the same block, behind the fields.
    uint8_t* glyphData;
    uint32_t glyphBytes; // bytes at glyphData
};

// Offset of the record body in the native font file and the size of its
// fields from fontType to spare.
constexpr int32_t GDL_FONT_HEADER_BYTES = 256;
constexpr int32_t GDL_FONT_FIELD_BYTES = 1296;

// Records are one heap block each, freed with GDL_free.
GdlFont* GDL_loadFont(const char* name);
int32_t GDL_isFontFile(const char* name);
GdlFont* GDL_readFont(void* stream, long offset, int32_t size);
int32_t GDL_checkFontHeader(uint8_t header[256], void* stream, long offset);
int32_t GDL_checkWinFontHeader(uint8_t header[118], void* stream, long offset);
GdlFont* GDL_loadWinFont(void* stream, long offset);
// Turns one glyph from the FNT's column order (all rows of each 8-pixel
// column in turn) into rows; false when no temporary room could be had.
bool GDL_transposeGlyph(uint8_t* glyph, int32_t rows, int32_t bytesPerRow);
void* GDL_openFontFile(uint8_t header[256], const char* name);
void* GDL_openWinFontFile(uint8_t header[118], const char* name);
