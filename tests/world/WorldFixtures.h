// Small writers and references shared by the world's tests.
#pragma once

#include "RlaMemoryStream.h"
#include "RlaWriter.h"
#include "RleSprite16.h"
#include "Surface16.h"

#include "drawing/KeyedSmoother.h"
#include "platform/ByteStream.h"

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace worldtest {

// Runs the drawing code's wide (AVX2) build or its baseline build while it
// lives.
struct TBuild {
    explicit TBuild(bool wide) { keyed::SetWideCode(wide); }
    ~TBuild() { keyed::SetWideCode(true); }
    TBuild(const TBuild&) = delete;
    TBuild& operator=(const TBuild&) = delete;
};
constexpr bool kBuilds[] = {true, false};

// A sprite record (the bytes after the frame tag), field by field.
inline std::vector<uint8_t> SpriteRecord(uint32_t size, int32_t width, int32_t height,
                                         const std::vector<uint8_t>& data, int32_t x = 0,
                                         int32_t y = 0, uint32_t reserved = 0) {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.U32(size);
    w.S32(width);
    w.S32(height);
    w.U32(reserved);
    w.S32(x);
    w.S32(y);
    w.Bytes(data.data(), data.size());
    return out;
}

// Loads a record as the decoder would; null when it is refused.
inline std::unique_ptr<RleSprite16> LoadSprite(const std::vector<uint8_t>& record) {
    RlaMemoryStream stream(record);
    std::unique_ptr<RleSprite16> sprite(new RleSprite16);
    if (!sprite->Load(&stream, 1)) return nullptr;
    return sprite;
}

// Rows of alternating transparent and opaque runs of 1..maxRun pixels.
inline tools::RgbaImage RandomImage(std::mt19937& rng, int32_t w, int32_t h, int32_t maxRun) {
    tools::RgbaImage im;
    im.width = w;
    im.height = h;
    im.rgba.resize(static_cast<size_t>(w) * h * 4);
    std::uniform_int_distribution<int32_t> run(1, maxRun), byte(0, 255);
    for (int32_t y = 0; y < h; ++y) {
        bool opaque = byte(rng) & 1;
        for (int32_t x = 0; x < w;) {
            for (int32_t n = run(rng); n > 0 && x < w; --n, ++x) {
                uint8_t* p = &im.rgba[(static_cast<size_t>(y) * w + x) * 4];
                p[0] = static_cast<uint8_t>(byte(rng));
                p[1] = static_cast<uint8_t>(byte(rng));
                p[2] = static_cast<uint8_t>(byte(rng));
                p[3] = opaque ? 128 + byte(rng) / 2 : byte(rng) / 2;
            }
            opaque = !opaque;
        }
    }
    return im;
}

// The sprite of an image, through the writer.
inline std::unique_ptr<RleSprite16> SpriteOf(const tools::RgbaImage& im) {
    return LoadSprite(tools::EncodeRleSprite(im, 0, 0, 0, nullptr));
}

// The image's 5:6:5 pixel at (x, y), or -1 when transparent.
inline int32_t ImagePixel(const tools::RgbaImage& im, int32_t x, int32_t y) {
    const uint8_t* p = &im.rgba[(static_cast<size_t>(y) * im.width + x) * 4];
    bool nudged = false;
    return p[3] >= 128 ? tools::RlaPixel565(p[0], p[1], p[2], &nudged) : -1;
}

// A pattern image, each channel a function of x, y and `seed`; pixels where
// `hole` answers true are transparent.
template <class Hole> tools::RgbaImage Pattern(int32_t w, int32_t h, int32_t seed, Hole hole) {
    tools::RgbaImage im;
    im.width = w;
    im.height = h;
    im.rgba.resize(size_t(w) * h * 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = &im.rgba[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(x * 3 + seed);
            p[1] = uint8_t(y * 5 + seed * 2);
            p[2] = uint8_t((x ^ y) + seed * 3);
            p[3] = hole(x, y) ? 0 : 255;
        }
    return im;
}

// A surface's pixels, row by row.
inline std::vector<uint16_t> Pixels(const Surface16& s) {
    std::vector<uint16_t> out;
    for (int32_t y = 0; y < s.height; ++y)
        for (int32_t x = 0; x < s.width; ++x)
            out.push_back(s.Pixel(x, y));
    return out;
}

} // namespace worldtest
