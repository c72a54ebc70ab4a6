// An RGBA picture with the few drawing operations the demo's art needs.
// Alpha is either 0 (transparent) or 255; all coordinates are clipped.
#pragma once

#include "FixedMath.h"
#include "RlaWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

struct Colour {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

// The colour key of every keyed picture of the system.
constexpr Colour kKey{0, 255, 0, 255};
constexpr Colour kClear{0, 0, 0, 0};

class Canvas {
public:
    Canvas(int32_t width, int32_t height, Colour fill = kClear);

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    Colour At(int32_t x, int32_t y) const;
    void Put(int32_t x, int32_t y, Colour c);
    void Fill(int32_t x, int32_t y, int32_t w, int32_t h, Colour c);
    // Top colour to bottom colour.
    void Gradient(int32_t x, int32_t y, int32_t w, int32_t h, Colour top, Colour bottom);
    void Ellipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, Colour c);
    void Frame(int32_t x, int32_t y, int32_t w, int32_t h, int32_t thickness, Colour c);
    // Darkens or lightens each opaque pixel by a seeded amount up to `amount`.
    void Grain(uint32_t seed, int32_t amount);
    // Text (UTF-8, Latin-1 letters) in the 5 x 7 glyphs, each dot `scale`
    // pixels; "_" is a space.
    void Text(int32_t x, int32_t y, const std::string& text, int32_t scale, Colour c);
    static int32_t TextWidth(const std::string& text, int32_t scale);
    // Copies `from` with its transparency at (x, y).
    void Blit(const Canvas& from, int32_t x, int32_t y);
    // A part of the picture as a new one.
    Canvas Crop(int32_t x, int32_t y, int32_t w, int32_t h) const;

    // Every opaque pixel that is pure green: it would read as transparent.
    int32_t OpaqueKeyPixels() const;

    tools::RgbaImage Rgba() const;
    // The encoders below write transparent pixels as the colour key.
    // Three bytes a pixel, rows top to bottom: blue first (BMP) or red first.
    std::vector<uint8_t> Bytes24(bool bgr) const;
    std::vector<uint8_t> Pixels565() const; // little-endian 5:6:5

private:
    int32_t width_;
    int32_t height_;
    std::vector<Colour> pixels_;
};

Colour Mix(Colour a, Colour b, int32_t weight256);
Colour Shade(Colour c, int32_t delta);

} // namespace demo
