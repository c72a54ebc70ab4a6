// DrawRle of a background (255-pixel runs under a transparent top) and of a
// sprite of 1-8 pixel runs, each beside SDL_BlitSurface with an RLE colour
// key on the same pixels; the brightness effect over 800 x 600 of spans
// beside a plain loop multiplying each channel (the same work) and pixman's
// SRC composite through a solid a8 mask (a yardstick). An actor's 80 x 230
// frame at three scales into its canvas and through the key onto the screen,
// stretched (filtering off) beside SDL's nearest stretch into a keyed
// temporary and keyed blit (the same work, its screen checked against ours)
// and smoothed (filtering on) beside the same SDL work; the smoothing blitter
// alone beside pixman's OVER through a solid a8 mask of as many pixels (a
// yardstick: no scaling, no key). All targets 5:6:5; the ratios (the peer's
// time over ours) close the run.
#include "../RatioReporter.h"
#include "BlitSprite16.h"
#include "RlaMemoryStream.h"
#include "RlaWriter.h"
#include "SpriteCanvas16.h"

#include "drawing/TCanvasBlit.h"
#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "ui/TEngine.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int W = 800, H = 600;
// Each benchmark runs this often and the ratios take its fastest run, so a
// busy machine disturbs them less.
constexpr int kRuns = 5;

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

// The brightness written plainly: each channel multiplied by the level in
// 32nds, row by row over the same pixels.
void BM_Plain_Brightness(benchmark::State& state) {
    std::vector<uint16_t> src(W * H, 0xFFFF), dst(W * H);
    uint32_t factor = 16; // level 0.5, as the effect's
    benchmark::DoNotOptimize(factor);
    for (auto _ : state) {
        for (int y = 0; y < H; ++y) {
            const uint16_t* in = &src[size_t(y) * W];
            uint16_t* out = &dst[size_t(y) * W];
            for (int x = 0; x < W; ++x) {
                const uint32_t p = in[x];
                const uint32_t r = ((p >> 11) * factor) >> 5;
                const uint32_t g = (((p >> 5) & 63) * factor) >> 5;
                const uint32_t b = ((p & 31) * factor) >> 5;
                out[x] = uint16_t((r << 11) | (g << 5) | b);
            }
        }
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

// --- The actor sprite blitter ------------------------------------------------------

constexpr int kFrameW = 80, kFrameH = 230;

// An actor's frame: noise inside an ellipse, the key colour around it.
std::vector<uint16_t> ActorFrame() {
    std::mt19937 rng(3);
    std::vector<uint16_t> px(size_t(kFrameW) * kFrameH);
    for (int y = 0; y < kFrameH; ++y)
        for (int x = 0; x < kFrameW; ++x) {
            const double dx = (x - kFrameW / 2.0) / (kFrameW / 2.0);
            const double dy = (y - kFrameH / 2.0) / (kFrameH / 2.0);
            uint16_t p = static_cast<uint16_t>(rng());
            if (p == 0x07E0) p ^= 1;
            px[size_t(y) * kFrameW + x] = dx * dx + dy * dy <= 1.0 ? p : 0x07E0;
        }
    return px;
}

// The room behind the actor: the display context the blitter reads.
struct Room {
    GdlDeviceContext* frame;
    Room() {
        PACK_registerDrivers();
        frame = GDL_createMemoryDC(W, H, 16, &GDL_pixelFormat565);
        std::mt19937 rng(4);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const uint16_t p = static_cast<uint16_t>(rng());
                std::memcpy(frame->surface + y * int(frame->mode.bytesPerLine) + 2 * x, &p, 2);
            }
        TCanvasBlit::SetContextSource([] { return Get().frame; });
    }
    static Room& Get() {
        static Room room;
        return room;
    }
};

int Scaled(int side, int percent) {
    return (side * percent + 50) / 100;
}

// The actor's frame as the library sees it, and the screen the actor lands
// on: a copy of the room, so that the smoothing keeps reading the room.
struct ActorStage {
    std::vector<uint16_t> pixels = ActorFrame();
    GdlBitmap frame{kFrameW, kFrameH, 16, kFrameW * 2, nullptr, nullptr, nullptr};
    GdlPixelFormat format = GDL_pixelFormat565;
    GdlDeviceContext* screen;
    GdlDeviceContext* canvas;
    int32_t w, h;
    explicit ActorStage(int percent) : w(Scaled(kFrameW, percent)), h(Scaled(kFrameH, percent)) {
        GdlDeviceContext* room = Room::Get().frame;
        frame.surface = reinterpret_cast<uint8_t*>(pixels.data());
        frame.pixelFormat = &format;
        screen = GDL_createMemoryDC(W, H, 16, &GDL_pixelFormat565);
        canvas = GDL_createMemoryDC(w, h, 16, &GDL_pixelFormat565);
        std::memcpy(screen->surface, room->surface, size_t(room->mode.bytesPerLine) * H);
    }
    ~ActorStage() {
        GDL_destroyMemoryDC(canvas);
        GDL_destroyMemoryDC(screen);
    }
    // What the actor does each frame: its frame into its canvas (stretched,
    // or smoothed against the room behind it), then the canvas onto the
    // screen through the key.
    void Draw(bool smoothed) {
        if (smoothed)
            BlitSprite16(canvas->surface, frame.surface, frame.bytesPerLine, kFrameW, kFrameH, 16,
                         int32_t(canvas->mode.bytesPerLine), w, h, w, h, 16, kX, kY, 0, 0);
        else
            GDL_stretchBitmap(canvas, 0, 0, w, h, &frame);
        GDL_transBlt(screen, canvas, 0, 0, w, h, kX, kY, 0x07E0, 1);
    }
    static constexpr int32_t kX = 300, kY = 200;
};

// The frame drawn at `percent` of its size into the actor's canvas and from
// there onto the screen at (300, 200): stretched (filtering off) or smoothed
// (filtering on).
void ActorDraw(benchmark::State& state, int percent, bool smoothed) {
    ActorStage stage(percent);
    for (auto _ : state) {
        stage.Draw(smoothed);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * stage.w * stage.h);
}

void ActorStretched(benchmark::State& state, int percent) {
    ActorDraw(state, percent, false);
}

void ActorSmoothed(benchmark::State& state, int percent) {
    ActorDraw(state, percent, true);
}

// The like-for-like peer of the stretched actor: SDL stretches the frame
// (nearest) into a keyed temporary of the actor's size and blits that onto
// the same screen through the key. Its screen is checked against ours first.
void SdlActor(benchmark::State& state, int percent) {
    ActorStage ours(percent);
    ours.Draw(false);
    std::vector<uint16_t> frame = ActorFrame();
    GdlDeviceContext* room = Room::Get().frame;
    std::vector<uint16_t> screenPixels(size_t(W) * H);
    for (int y = 0; y < H; ++y)
        std::memcpy(&screenPixels[size_t(y) * W], room->surface + y * int(room->mode.bytesPerLine),
                    size_t(W) * 2);
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(frame.data(), kFrameW, kFrameH, 16,
                                                             kFrameW * 2, SDL_PIXELFORMAT_RGB565);
    SDL_Surface* scaled =
        SDL_CreateRGBSurfaceWithFormat(0, ours.w, ours.h, 16, SDL_PIXELFORMAT_RGB565);
    SDL_SetColorKey(scaled, SDL_TRUE, 0x07E0);
    SDL_Surface* screen = SDL_CreateRGBSurfaceWithFormatFrom(screenPixels.data(), W, H, 16, W * 2,
                                                             SDL_PIXELFORMAT_RGB565);
    auto draw = [&] {
        SDL_SoftStretch(source, nullptr, scaled, nullptr);
        SDL_Rect at{ActorStage::kX, ActorStage::kY, ours.w, ours.h};
        SDL_BlitSurface(scaled, nullptr, screen, &at);
    };
    draw();
    bool same = true;
    for (int y = 0; y < H && same; ++y)
        same = std::memcmp(&screenPixels[size_t(y) * W],
                           ours.screen->surface + y * int(ours.screen->mode.bytesPerLine),
                           size_t(W) * 2) == 0;
    if (!same) {
        state.SkipWithError("SDL's screen differs from ours");
    } else {
        for (auto _ : state) {
            draw();
            benchmark::ClobberMemory();
        }
    }
    SDL_FreeSurface(screen);
    SDL_FreeSurface(scaled);
    SDL_FreeSurface(source);
    state.SetItemsProcessed(int64_t(state.iterations()) * ours.w * ours.h);
}

// The smoothing blitter alone into a canvas of the actor's size, beside
// pixman's OVER of as many pixels through a solid mask (a yardstick: no
// scaling, no key).
void SpriteBlit(benchmark::State& state, int percent) {
    Room::Get();
    const std::vector<uint16_t> frame = ActorFrame();
    const int w = Scaled(kFrameW, percent), h = Scaled(kFrameH, percent);
    std::vector<uint16_t> canvas(size_t(w) * h);
    for (auto _ : state) {
        BlitSprite16(reinterpret_cast<uint8_t*>(canvas.data()),
                     reinterpret_cast<const uint8_t*>(frame.data()), kFrameW * 2, kFrameW, kFrameH,
                     16, w * 2, w, h, w, h, 16, 300, 200, 0, 0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * w * h);
}

// The peer: OVER of as many pixels of a 5:6:5 picture through a solid mask.
void PixmanOver(benchmark::State& state, int percent) {
    const int w = Scaled(kFrameW, percent), h = Scaled(kFrameH, percent);
    std::vector<uint16_t> picture(size_t(w) * h, 0x1234), canvas(size_t(w) * h, 0x4321);
    pixman_image_t* src = pixman_image_create_bits(
        PIXMAN_r5g6b5, w, h, reinterpret_cast<uint32_t*>(picture.data()), w * 2);
    pixman_image_t* dst = pixman_image_create_bits(
        PIXMAN_r5g6b5, w, h, reinterpret_cast<uint32_t*>(canvas.data()), w * 2);
    const pixman_color_t grey = {0, 0, 0, 128 * 257};
    pixman_image_t* mask = pixman_image_create_solid_fill(&grey);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, 0, 0, w, h);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    pixman_image_unref(dst);
    pixman_image_unref(src);
    state.SetItemsProcessed(int64_t(state.iterations()) * w * h);
}

BENCHMARK(BM_DrawRle_Background)->Repetitions(kRuns);
BENCHMARK(BM_Sdl_Background)->Repetitions(kRuns);
BENCHMARK(BM_DrawRle_ShortRuns)->Repetitions(kRuns);
BENCHMARK(BM_Sdl_ShortRuns)->Repetitions(kRuns);
BENCHMARK(BM_Brightness)->Repetitions(kRuns);
BENCHMARK(BM_Plain_Brightness)->Repetitions(kRuns);
BENCHMARK(BM_Pixman_Brightness)->Repetitions(kRuns);
// Scales in percent: the same size, a reduction, an enlargement.
BENCHMARK_CAPTURE(ActorStretched, 100, 100)->Repetitions(kRuns);
BENCHMARK_CAPTURE(ActorSmoothed, 100, 100)->Repetitions(kRuns);
BENCHMARK_CAPTURE(SdlActor, 100, 100)->Repetitions(kRuns);
BENCHMARK_CAPTURE(ActorStretched, 80, 80)->Repetitions(kRuns);
BENCHMARK_CAPTURE(ActorSmoothed, 80, 80)->Repetitions(kRuns);
BENCHMARK_CAPTURE(SdlActor, 80, 80)->Repetitions(kRuns);
BENCHMARK_CAPTURE(ActorStretched, 125, 125)->Repetitions(kRuns);
BENCHMARK_CAPTURE(ActorSmoothed, 125, 125)->Repetitions(kRuns);
BENCHMARK_CAPTURE(SdlActor, 125, 125)->Repetitions(kRuns);
BENCHMARK_CAPTURE(SpriteBlit, 100, 100)->Repetitions(kRuns);
BENCHMARK_CAPTURE(PixmanOver, 100, 100)->Repetitions(kRuns);
BENCHMARK_CAPTURE(SpriteBlit, 80, 80)->Repetitions(kRuns);
BENCHMARK_CAPTURE(PixmanOver, 80, 80)->Repetitions(kRuns);
BENCHMARK_CAPTURE(SpriteBlit, 125, 125)->Repetitions(kRuns);
BENCHMARK_CAPTURE(PixmanOver, 125, 125)->Repetitions(kRuns);

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services for the run
    const char* over = "yardstick: OVER, no scaling, no keyed smoothing";
    const char* smoothed = "filtering on: we smooth, SDL does not";
    return RunWithRatios(argc, argv,
                         {{"BM_DrawRle_Background", "BM_Sdl_Background", "like for like"},
                          {"BM_DrawRle_ShortRuns", "BM_Sdl_ShortRuns", "like for like"},
                          {"BM_Brightness", "BM_Plain_Brightness", "like for like"},
                          {"BM_Brightness", "BM_Pixman_Brightness", "yardstick: a masked copy"},
                          {"ActorStretched/100", "SdlActor/100", "like for like, filtering off"},
                          {"ActorStretched/80", "SdlActor/80", "like for like, filtering off"},
                          {"ActorStretched/125", "SdlActor/125", "like for like, filtering off"},
                          {"ActorSmoothed/100", "SdlActor/100", smoothed},
                          {"ActorSmoothed/80", "SdlActor/80", smoothed},
                          {"ActorSmoothed/125", "SdlActor/125", smoothed},
                          {"SpriteBlit/100", "PixmanOver/100", over},
                          {"SpriteBlit/80", "PixmanOver/80", over},
                          {"SpriteBlit/125", "PixmanOver/125", over}});
}
