#include "Canvas.h"

#include "Glyphs5x7.h"

#include <algorithm>

namespace demo {

namespace {

uint8_t Clamp8(int32_t v) {
    return uint8_t(std::clamp(v, 0, 255));
}

// The signs the demo's labels need beyond the shared glyphs.
constexpr tools::Glyph5x7 kMoreGlyphs[] = {
    {'\'', {0x20, 0x20, 0x40, 0x00, 0x00, 0x00, 0x00}},
    {'?', {0x70, 0x88, 0x08, 0x10, 0x20, 0x00, 0x20}},
    {'!', {0x20, 0x20, 0x20, 0x20, 0x20, 0x00, 0x20}},
    {'+', {0x00, 0x20, 0x20, 0xF8, 0x20, 0x20, 0x00}},
    {char(0xC4), {0x50, 0x00, 0x70, 0x88, 0xF8, 0x88, 0x88}}, // A, O and U with umlaut
    {char(0xD6), {0x50, 0x00, 0x70, 0x88, 0x88, 0x88, 0x70}},
    {char(0xDC), {0x50, 0x00, 0x88, 0x88, 0x88, 0x88, 0x70}},
};

// Labels come from UTF-8 sources; the glyphs are Latin-1 (a two-byte
// sequence of U+0080 to U+00FF becomes its one byte).
std::string Latin1(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t c = uint8_t(text[i]);
        if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size())
            out += char(((c & 0x1F) << 6) | (uint8_t(text[++i]) & 0x3F));
        else
            out += char(c);
    }
    return out;
}

const tools::Glyph5x7* FindGlyph(char c) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (c == char(0xE4) || c == char(0xF6) || c == char(0xFC)) c = char(uint8_t(c) - 0x20);
    for (const tools::Glyph5x7& g : tools::Glyphs5x7())
        if (g.c == c) return &g;
    for (const tools::Glyph5x7& g : kMoreGlyphs)
        if (g.c == c) return &g;
    return nullptr;
}

} // namespace

Colour Mix(Colour a, Colour b, int32_t w) {
    return {uint8_t((a.r * (256 - w) + b.r * w) >> 8), uint8_t((a.g * (256 - w) + b.g * w) >> 8),
            uint8_t((a.b * (256 - w) + b.b * w) >> 8), 255};
}

Colour Shade(Colour c, int32_t d) {
    return {Clamp8(c.r + d), Clamp8(c.g + d), Clamp8(c.b + d), c.a};
}

Canvas::Canvas(int32_t width, int32_t height, Colour fill)
    : width_(width), height_(height), pixels_(size_t(width) * size_t(height), fill) {}

Colour Canvas::At(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return kClear;
    return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

void Canvas::Put(int32_t x, int32_t y, Colour c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[size_t(y) * size_t(width_) + size_t(x)] = c;
}

void Canvas::Fill(int32_t x, int32_t y, int32_t w, int32_t h, Colour c) {
    for (int32_t j = std::max(y, 0); j < std::min(y + h, height_); ++j)
        for (int32_t i = std::max(x, 0); i < std::min(x + w, width_); ++i)
            pixels_[size_t(j) * size_t(width_) + size_t(i)] = c;
}

void Canvas::Gradient(int32_t x, int32_t y, int32_t w, int32_t h, Colour top, Colour bottom) {
    for (int32_t j = 0; j < h; ++j)
        Fill(x, y + j, w, 1, Mix(top, bottom, h > 1 ? j * 256 / (h - 1) : 0));
}

void Canvas::Ellipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry, Colour c) {
    if (rx <= 0 || ry <= 0) return;
    for (int32_t j = -ry; j <= ry; ++j) {
        // x^2 / rx^2 + y^2 / ry^2 <= 1, kept in integers.
        const int64_t span = int64_t(rx) * rx * (int64_t(ry) * ry - int64_t(j) * j);
        const int32_t half = ISqrt(span / (int64_t(ry) * ry));
        Fill(cx - half, cy + j, 2 * half + 1, 1, c);
    }
}

void Canvas::Frame(int32_t x, int32_t y, int32_t w, int32_t h, int32_t t, Colour c) {
    Fill(x, y, w, t, c);
    Fill(x, y + h - t, w, t, c);
    Fill(x, y, t, h, c);
    Fill(x + w - t, y, t, h, c);
}

void Canvas::Grain(uint32_t seed, int32_t amount) {
    Rng rng(seed);
    for (Colour& p : pixels_)
        if (p.a) p = Shade(p, rng.Spread(amount));
}

int32_t Canvas::TextWidth(const std::string& utf8, int32_t scale) {
    const std::string text = Latin1(utf8);
    return int32_t(text.size()) * 6 * scale - (text.empty() ? 0 : scale);
}

void Canvas::Text(int32_t x, int32_t y, const std::string& utf8, int32_t scale, Colour c) {
    const std::string text = Latin1(utf8);
    for (size_t n = 0; n < text.size(); ++n) {
        const tools::Glyph5x7* g = FindGlyph(text[n] == '_' ? ' ' : text[n]);
        if (!g) continue;
        const int32_t left = x + int32_t(n) * 6 * scale;
        for (int32_t row = 0; row < 7; ++row)
            for (int32_t col = 0; col < 5; ++col)
                if (g->rows[row] & (0x80 >> col))
                    Fill(left + col * scale, y + row * scale, scale, scale, c);
    }
}

void Canvas::Blit(const Canvas& from, int32_t x, int32_t y) {
    for (int32_t j = 0; j < from.height_; ++j)
        for (int32_t i = 0; i < from.width_; ++i) {
            const Colour c = from.At(i, j);
            if (c.a) Put(x + i, y + j, c);
        }
}

Canvas Canvas::Crop(int32_t x, int32_t y, int32_t w, int32_t h) const {
    Canvas out(w, h);
    for (int32_t j = 0; j < h; ++j)
        for (int32_t i = 0; i < w; ++i)
            out.Put(i, j, At(x + i, y + j));
    return out;
}

int32_t Canvas::OpaqueKeyPixels() const {
    int32_t n = 0;
    for (const Colour& p : pixels_) {
        // An opaque colour whose 16-bit form is the key would vanish.
        bool nudged = false;
        if (p.a) tools::RlaPixel565(p.r, p.g, p.b, &nudged);
        if (nudged) ++n;
    }
    return n;
}

tools::RgbaImage Canvas::Rgba() const {
    tools::RgbaImage image;
    image.width = width_;
    image.height = height_;
    image.rgba.reserve(pixels_.size() * 4);
    for (const Colour& p : pixels_) {
        image.rgba.push_back(p.r);
        image.rgba.push_back(p.g);
        image.rgba.push_back(p.b);
        image.rgba.push_back(p.a);
    }
    return image;
}

std::vector<uint8_t> Canvas::Bytes24(bool bgr) const {
    std::vector<uint8_t> out;
    out.reserve(pixels_.size() * 3);
    for (const Colour& p : pixels_) {
        const Colour c = p.a ? p : kKey;
        out.push_back(bgr ? c.b : c.r);
        out.push_back(c.g);
        out.push_back(bgr ? c.r : c.b);
    }
    return out;
}

std::vector<uint8_t> Canvas::Pixels565() const {
    std::vector<uint8_t> out;
    out.reserve(pixels_.size() * 2);
    for (const Colour& p : pixels_) {
        const Colour c = p.a ? p : kKey;
        const uint16_t v = uint16_t(((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3));
        out.push_back(uint8_t(v & 0xFF));
        out.push_back(uint8_t(v >> 8));
    }
    return out;
}

} // namespace demo
