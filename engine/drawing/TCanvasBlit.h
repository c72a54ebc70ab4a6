// The canvas's software blitters: free operations that write straight into
// surface memory, mixing an image with the frame being composed (the
// background, read from the display's main context). `Blit` mixes with a
// uniform alpha, `BlitKeyed` smooths a colour-keyed picture into its
// background; both resample the image to the drawn size. The canvas class
// offers them as its own statics by deriving from this one (a second base
// without fields on the one engine root).
#pragma once

#include "foundation/TObject.h"

#include <cstddef>
#include <cstdint>

struct GdlDeviceContext;

class TCanvasBlit : public virtual TObject {
public:
    static void Blit(uint8_t* dst, const uint8_t* src, int32_t srcPitch, int32_t srcWidth,
                     int32_t srcHeight, int32_t srcDepth, int32_t dstPitch, int32_t dstWidth,
                     int32_t dstHeight, int32_t width, int32_t height, int32_t dstDepth,
                     int32_t bgX, int32_t bgY, int32_t dstX, int32_t dstY, int32_t alpha);
    static void BlitKeyed(uint8_t* dst, const uint8_t* src, int32_t srcPitch, int32_t srcWidth,
                          int32_t srcHeight, int32_t srcDepth, int32_t dstPitch, int32_t dstWidth,
                          int32_t dstHeight, int32_t width, int32_t height, int32_t dstDepth,
                          int32_t x, int32_t y, int32_t dstX, int32_t dstY);

    // Where the background comes from: the display device installs its main
    // context getter; without one nothing is drawn. The canvas finds the
    // display's context here too. Answers the source it replaces.
    using ContextSource = GdlDeviceContext* (*)();
    static ContextSource SetContextSource(ContextSource source);
    static GdlDeviceContext* MainContext();

    // The heap of the resampling buffers; null restores the runtime heap.
    using BufferAlloc = void* (*)(size_t size);
    using BufferFree = void (*)(void* block);
    static void SetBufferHeap(BufferAlloc alloc, BufferFree release);
    static void* AllocBuffer(size_t size);
    static void FreeBuffer(void* block);
};
