// The cursor's pixel moves: one converting rectangle copy between the four
// direct-colour layouts (15, 16, 24 and 32 bits), the expansion of a
// monochrome cursor into 24-bit pixels with a key colour, and of a picture
// of palette indexes into 24-bit pixels.
#pragma once

#include <cstdint>

// One side of a copy: pixel memory, row length, size and depth.
struct TBlitSurface {
    uint8_t* base;
    int32_t bytesPerRow;
    int32_t width;
    int32_t height;
    int32_t depth; // 15, 16, 24 or 32
};

// The key of the cursor image: blue 0, green 255, red 0.
constexpr uint8_t kCursorKey[3] = {0, 255, 0};

// Copies `width` x `height` of the source to (x, y) of the destination,
// converting layouts; a negative position skips the source's first rows and
// columns, the copy is cut to the destination. A source of another size is
// resampled to the copy size. With `keyed`, 24-bit source pixels equal to
// the key are not written (only the cursor image is keyed, never a saved
// background).
void ConvertBlit(const TBlitSurface& dest, const TBlitSurface& source, int32_t width,
                 int32_t height, int32_t x, int32_t y, bool keyed);

// 32 x 32 cursor bits (colour plane at byte 0, mask plane at byte 128, bit
// 1 of the mask = drawn) into 3072 bytes of blue, green, red: drawn with
// colour 1 the first colour, drawn with colour 0 the second, not drawn the key.
void ExpandMonoCursor(uint8_t* target, const uint8_t* bits, const uint8_t key[3],
                      const uint8_t first[3], const uint8_t second[3]);

// A picture of 1, 4 or 8 bits a pixel (the first pixel in a byte's highest
// bits) into width x height pixels of blue, green, red at `target`, each
// index through `palette` (4 bytes an entry: blue, green, red, unused; at
// least 2^depth entries), or as a grey level without one. A palette colour
// equal to the key stays the key, so it is transparent. False for another
// depth.
bool ExpandIndexedImage(uint8_t* target, const uint8_t* bits, int32_t bytesPerRow, int32_t width,
                        int32_t height, int32_t depth, const uint8_t* palette);
