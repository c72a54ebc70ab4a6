// Plays a fuzzed animation file as a player would: open, read frames, touch
// every delivered row, rewind, read its audio, close.
#pragma once

#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TObject.h"
#include "media/animation/TMetaAni.h"

#include <cstdint>
#include <cstdlib>

inline void* FuzzHeapUpTo64MB(size_t size) {
    return size > (size_t{64} << 20) ? nullptr : std::malloc(size);
}

inline void TouchPicture(const GdlBitmap* p) {
    if (!p || !p->surface) return;
    volatile uint8_t sink = 0;
    const int32_t bytes = (p->width * p->bitsPerPixel + 7) / 8;
    for (int32_t y = 0; y<p->height; y += p->height> 1 ? p->height - 1 : 1)
        for (int32_t i = 0; i < bytes; ++i)
            sink = sink + p->surface[static_cast<size_t>(y) * p->bytesPerLine + i];
}

inline void PlayFuzzAnimation(const char* path, int32_t frames) {
    static bool heapSet = [] {
        EngineSetHeapForTests(FuzzHeapUpTo64MB);
        return true;
    }();
    (void)heapSet;
    TCache::Global().Start();
    TMetaAni ani;
    ani.SetPath(path);
    ani.GetWidth(0);
    ani.GetFrameCount(0);
    if (ani.Open(1)) {
        const int32_t count = ani.GetFrameCount(0) < frames ? ani.GetFrameCount(0) : frames;
        for (int32_t i = 0; i < count; ++i)
            if (ani.ReadFrame(i, 0)) TouchPicture(ani.GetPixelFormat());
        if (ani.ReadFrame(0, 0)) TouchPicture(ani.GetPixelFormat());
        if (ani.ReadFrame(1, 0)) TouchPicture(ani.GetPixelFormat());
        const int64_t length = ani.GetAudioLength();
        if (ani.ReadAudio(0, static_cast<int32_t>(length < 65536 ? length : 65536), 0)) {
            volatile uint8_t sink = ani.GetAudioData()[0];
            (void)sink;
        }
        ani.Close();
    }
}
