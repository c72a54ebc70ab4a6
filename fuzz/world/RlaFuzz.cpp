// Any bytes as an RLA container: every frame is decoded, in both pixel
// formats, and drawn into a small clipped surface, copied and through spans.
#include "RlaMemoryStream.h"
#include "RleSprite16.h"
#include "RoomGlobals.h"
#include "SpriteCanvas16.h"
#include "TRlaFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Surface16 target(48, 32);
    SpriteCanvas16 canvas(8);
    SpanEffectBrightness dim(0.5f);
    for (uint8_t format : {0, 1}) {
        Display555 = format;
        RlaMemoryStream stream(data, size);
        TRlaFile file;
        if (!file.Open(&stream)) continue;
        for (int32_t g = 0; g < file.GroupCount(); ++g)
            for (int32_t f = 0; f < file.FrameCount(g); ++f) {
                auto* sprite = static_cast<RleSprite16*>(file.GetFrame(g, f));
                if (!sprite) continue;
                for (int32_t y = 0; y < sprite->height && y < 64; ++y)
                    sprite->IsOpaqueAt(y * 3 - 5, y);
                canvas.SetTarget(&target, {3, 2, 45, 30});
                canvas.SetEffect(nullptr);
                canvas.DrawRle(sprite, sprite->x % 40, sprite->y % 30);
                canvas.DrawRle(sprite, -7, -3);
                canvas.SetEffect(&dim);
                canvas.DrawRle(sprite, 20, 10);
                canvas.ApplyEffect();
            }
    }
    Display555 = 0;
    return 0;
}
