// DrawRle of a background (255-pixel runs under a transparent top) and of a
// sprite of 1-8 pixel runs, each beside SDL_BlitSurface with an RLE colour
// key on the same pixels; the brightness effect over 800 x 600 of spans
// beside pixman's SRC composite through a solid a8 mask. All targets 5:6:5.
#include "RlaWriter.h"
#include "RlaMemoryStream.h"
#include "SpriteCanvas16.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int W = 800, H = 600;

// Opaque runs of 1..maxRun between transparent ones; the top rows transparent.
tools::RgbaImage Picture(int w, int h, int maxRun, int transparentTop, bool gaps) {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> run(1, maxRun), byte(0, 255);
    tools::RgbaImage im;
    im.width = w;
    im.height = h;
    im.rgba.assign(static_cast<size_t>(w) * h * 4, 0);
    for (int y = transparentTop; y < h; ++y) {
        bool opaque = true;
        for (int x = 0; x < w;) {
            for (int n = run(rng); n > 0 && x < w; --n, ++x) {
                uint8_t* p = &im.rgba[(static_cast<size_t>(y) * w + x) * 4];
                p[0] = static_cast<uint8_t>(byte(rng));
                p[1] = static_cast<uint8_t>(byte(rng));
                p[2] = static_cast<uint8_t>(byte(rng));
                p[3] = opaque ? 255 : 0;
            }
            if (gaps) opaque = !opaque;
        }
    }
    return im;
}

std::unique_ptr<RleSprite16> Sprite(const tools::RgbaImage& im) {
    RlaMemoryStream stream(tools::EncodeRleSprite(im, 0, 0, 0, nullptr));
    std::unique_ptr<RleSprite16> sprite(new RleSprite16);
    sprite->Load(&stream, 1);
    return sprite;
}

// The same picture as an SDL 5:6:5 surface keyed on pure green, RLE-accelerated.
SDL_Surface* SdlPicture(const tools::RgbaImage& im) {
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormat(0, im.width, im.height, 16, SDL_PIXELFORMAT_RGB565);
    for (int y = 0; y < im.height; ++y)
        for (int x = 0; x < im.width; ++x) {
            const uint8_t* p = &im.rgba[(static_cast<size_t>(y) * im.width + x) * 4];
            bool nudged;
            const uint16_t v = p[3] ? tools::RlaPixel565(p[0], p[1], p[2], &nudged) : 0x07E0;
            reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch)[x] = v;
        }
    SDL_SetColorKey(s, SDL_TRUE, 0x07E0);
    SDL_SetSurfaceRLE(s, 1);
    return s;
}

void DrawRle(benchmark::State& state, const tools::RgbaImage& im) {
    const auto sprite = Sprite(im);
    Surface16 target(W, H);
    SpriteCanvas16 canvas(16);
    canvas.SetTarget(&target, {0, 0, W, H});
    for (auto _ : state) {
        canvas.DrawRle(sprite.get(), 0, 0);
        benchmark::ClobberMemory();
    }
}

void SdlBlit(benchmark::State& state, const tools::RgbaImage& im) {
    SDL_Surface* src = SdlPicture(im);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, W, H, 16, SDL_PIXELFORMAT_RGB565);
    SDL_Rect at{0, 0, im.width, im.height};
    SDL_BlitSurface(src, nullptr, dst, &at); // encodes the RLE once
    for (auto _ : state) {
        at = {0, 0, im.width, im.height};
        SDL_BlitSurface(src, nullptr, dst, &at);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

const tools::RgbaImage& Background() {
    static const tools::RgbaImage im = Picture(W, H, 255, 150, false);
    return im;
}
const tools::RgbaImage& ShortRuns() {
    static const tools::RgbaImage im = Picture(200, 300, 8, 0, true);
    return im;
}

void BM_DrawRle_Background(benchmark::State& s) {
    DrawRle(s, Background());
}
void BM_Sdl_Background(benchmark::State& s) {
    SdlBlit(s, Background());
}
void BM_DrawRle_ShortRuns(benchmark::State& s) {
    DrawRle(s, ShortRuns());
}
void BM_Sdl_ShortRuns(benchmark::State& s) {
    SdlBlit(s, ShortRuns());
}

void BM_Brightness(benchmark::State& state) {
    Surface16 source(W, H), target(W, H);
    source.Fill(0xFFFF);
    SpriteCanvas16 canvas(H);
    SpanEffectBrightness dim(0.5f);
    canvas.SetTarget(&target, {0, 0, W, H});
    canvas.SetEffect(&dim);
    canvas.DrawSurface(&source, 0, 0);
    for (auto _ : state) {
        dim.Apply(canvas.Spans(), canvas.SpanCount());
        benchmark::ClobberMemory();
    }
}

void BM_Pixman_Brightness(benchmark::State& state) {
    std::vector<uint16_t> src(W * H, 0xFFFF), dst(W * H);
    pixman_image_t* s = pixman_image_create_bits(PIXMAN_r5g6b5, W, H,
                                                 reinterpret_cast<uint32_t*>(src.data()), W * 2);
    pixman_image_t* d = pixman_image_create_bits(PIXMAN_r5g6b5, W, H,
                                                 reinterpret_cast<uint32_t*>(dst.data()), W * 2);
    uint32_t alpha = 0x80;
    pixman_image_t* mask = pixman_image_create_bits(PIXMAN_a8, 1, 1, &alpha, 4);
    pixman_image_set_repeat(mask, PIXMAN_REPEAT_NORMAL);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, s, mask, d, 0, 0, 0, 0, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    pixman_image_unref(mask);
}

BENCHMARK(BM_DrawRle_Background);
BENCHMARK(BM_Sdl_Background);
BENCHMARK(BM_DrawRle_ShortRuns);
BENCHMARK(BM_Sdl_ShortRuns);
BENCHMARK(BM_Brightness);
BENCHMARK(BM_Pixman_Brightness);

} // namespace

BENCHMARK_MAIN();
