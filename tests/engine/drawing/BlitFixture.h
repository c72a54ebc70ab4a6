// The background the blitters read (a memory context over a surface of
// exactly its size), random pictures with key pixels, and the random shapes
// of each resampling path.
#pragma once

#include "BlitModel.h"
#include "drawing/TCanvasBlit.h"
#include "gdl/dc.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace blittest {

constexpr int kDepths[] = {15, 16, 24, 32};

inline GdlDeviceContext*& MainSlot() {
    static GdlDeviceContext* dc = nullptr;
    return dc;
}

inline const GdlPixelFormat* FormatOf(int depth) {
    switch (depth) {
        case 15: return &GDL_pixelFormat555;
        case 16: return &GDL_pixelFormat565;
        case 24: return &GDL_pixelFormatRGB;
        default: return &GDL_pixelFormatARGB;
    }
}

// A background surface the blitters find as the main context.
class Background {
public:
    Background(int w, int h, int depth) : image(w, h, depth) {
        dc = GDL_createMemoryDCEx(w, h, depth, FormatOf(depth), image.pitch, image.px, nullptr);
        EXPECT_NE(dc, nullptr);
        MainSlot() = dc;
    }
    ~Background() {
        MainSlot() = nullptr;
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(dc);
    }
    model::Image image;
    GdlDeviceContext* dc;
};

class BlitTestBase : public ::testing::Test {
protected:
    void SetUp() override {
        PACK_registerDrivers();
        TCanvasBlit::SetContextSource([] { return MainSlot(); });
    }
    void TearDown() override {
        TCanvasBlit::SetContextSource(nullptr);
        TCanvasBlit::SetBufferHeap(nullptr, nullptr);
    }
    std::mt19937 rng{12345};
    int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    // Random pixels of the depth, a quarter of them the key colour.
    void Fill(model::Surface& s) {
        const uint32_t key = s.depth == 15 ? 0x03E0 : s.depth == 16 ? 0x07E0 : 0x00FF00;
        const uint32_t mask = s.depth <= 16 ? 0xFFFF : s.depth == 24 ? 0xFFFFFF : 0xFFFFFFFF;
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x) {
                uint32_t v = Rand(0, 3) == 0 ? key : static_cast<uint32_t>(rng()) & mask;
                if (s.depth == 32 && Rand(0, 7) == 0) v = 0x01000000u | key; // not a key
                s.Put(x, y, v);
            }
    }

    // One picture pixel over one background pixel at `alpha`, through a 1 x 1
    // blit into the first of two destination pixels; `kept` tells whether
    // the second one was left as it was.
    uint32_t BlendThroughBlit(int sd, int dd, uint32_t s, uint32_t d, int alpha,
                              bool* kept = nullptr) {
        model::Image src(1, 1, sd), dst(2, 1, dd);
        src.Put(0, 0, s);
        std::fill(dst.store.begin(), dst.store.end(), uint8_t{0xAA});
        Background bg(1, 1, dd);
        bg.image.Put(0, 0, d);
        TCanvasBlit::Blit(dst.px, src.px, src.pitch, 1, 1, sd, dst.pitch, 2, 1, 1, 1, dd, 0, 0, 0,
                          0, alpha);
        if (kept)
            *kept = std::all_of(dst.store.begin() + model::Bytes(dd), dst.store.end(),
                                [](uint8_t b) { return b == 0xAA; });
        return dst.Get(0, 0);
    }
};

enum class Shape { Same, Halved, NearlySame, Grown, Doubled, Mixed };
constexpr Shape kShapes[] = {Shape::Same,  Shape::Halved,  Shape::NearlySame,
                             Shape::Grown, Shape::Doubled, Shape::Mixed};

struct Sizes {
    int sw, sh, width, height;
};

// Picture and target sizes for one resampling path.
template <class R> Sizes MakeSizes(Shape shape, R&& rand) {
    switch (shape) {
        case Shape::Same: {
            const int w = rand(1, 40), h = rand(1, 30);
            return {w, h, w, h};
        }
        case Shape::Halved: {
            const int w = rand(3, 30), h = rand(3, 24);
            return {w * 2 + rand(0, w), h * 2 + rand(0, h), w, h};
        }
        case Shape::NearlySame: {
            const int w = rand(8, 60), h = rand(8, 40);
            return {w + 1 + rand(0, w / 8), h + 1 + rand(0, h / 8), w, h};
        }
        case Shape::Grown: {
            const int w = rand(2, 30), h = rand(2, 24);
            return {w, h, w + rand(0, w - 1), h + rand(0, h - 1)};
        }
        case Shape::Doubled: {
            const int w = rand(1, 12), h = rand(1, 10);
            return {w, h, w * 2 + rand(0, w * 2), h * 2 + rand(0, h * 2)};
        }
        case Shape::Mixed:
        default: {
            const int w = rand(1, 12), h = rand(2, 20);
            if (rand(0, 1)) return {w * 2 + rand(1, 5), h, w, h + rand(0, h * 2)}; // wider only
            return {w, h + rand(1, 5), w * 2 + rand(0, w), h};                     // taller only
        }
    }
}

} // namespace blittest
