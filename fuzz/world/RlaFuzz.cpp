// Any bytes as an RLA container: every frame is decoded, in both pixel
// formats, and drawn into a small clipped surface, copied and through spans;
// a 5:6:5 frame saved and loaded again gives the same record.
#include "RlaMemoryStream.h"
#include "RleSprite16.h"
#include "RoomGlobals.h"
#include "SpriteCanvas16.h"
#include "TRlaFile.h"
#include "ui/TEngine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void SaveAndReload(RleSprite16* sprite) {
    RlaMemoryStream saved;
    if (!sprite->Save(&saved)) {
        if (!sprite->Is555()) std::abort(); // only a converted sprite may refuse
        return;
    }
    RlaMemoryStream again(saved.Bytes());
    RleSprite16 copy;
    RlaMemoryStream resaved;
    if (!copy.Load(&again, 1) || !copy.Save(&resaved) || resaved.Bytes() != saved.Bytes())
        std::abort();
}

void Draw(SpriteCanvas16& canvas, Surface16& target, RleSprite16* sprite, SpanEffect* effect) {
    canvas.SetEffect(effect);
    // Clips inside, across and past each edge of the target.
    const ClipRect clips[] = {{3, 2, 45, 30}, {-5, -5, 60, 40}, {40, 0, 100, 10}, {10, 31, 20, 99}};
    const int32_t w = sprite->width, h = sprite->height;
    const int32_t places[][2] = {{sprite->x % 40, sprite->y % 30},
                                 {-7, -3},
                                 {20, 10},
                                 {3 - w / 2, 2 - h / 2},
                                 {45 - w / 2, 30 - h / 2}};
    for (const ClipRect& clip : clips) {
        canvas.SetTarget(&target, clip);
        for (const auto& p : places)
            canvas.DrawRle(sprite, p[0], p[1]);
    }
    canvas.ApplyEffect();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    Surface16 target(48, 32);
    Surface16 copy(20, 12);
    SpriteCanvas16 canvas(8);
    SpanEffectBrightness dim(0.5f);
    SpanEffectPulse pulse(120);
    for (uint8_t format : {0, 1}) {
        Display555() = format;
        RlaMemoryStream stream(data, size);
        TRlaFile file;
        if (!file.Open(&stream)) continue;
        for (int32_t g = 0; g < file.GroupCount(); ++g)
            for (int32_t f = 0; f < file.FrameCount(g); ++f) {
                auto* sprite = static_cast<RleSprite16*>(file.GetFrame(g, f));
                if (!sprite) continue;
                for (int32_t y = 0; y < sprite->height && y < 64; ++y)
                    for (int32_t x = -1; x <= sprite->width && x < 64; x += 3)
                        sprite->IsOpaqueAt(x, y);
                Draw(canvas, target, sprite, nullptr);
                Draw(canvas, target, sprite, &dim);
                Draw(canvas, target, sprite, &pulse);
                canvas.SetTarget(&copy, {-3, 1, 17, 40});
                canvas.DrawSurface(&target, -9, -5);
                SaveAndReload(sprite);
            }
    }
    Display555() = 0;
    return 0;
}
