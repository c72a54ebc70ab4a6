#include "drawing/TCanvasBlit.h"

#include "drawing/BlendPixel.h"
#include "drawing/TAlphaTables.h"

#include <cstdlib>

namespace {

TCanvasBlit::ContextSource contextSource = nullptr;
TCanvasBlit::BufferAlloc bufferAlloc = nullptr;
TCanvasBlit::BufferFree bufferFree = nullptr;

template <class S, class D>
void BlendOne(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a) {
    if (!out || !img || !bg || a < 0 || a > 255) return;
    const TAlphaTables& t = TAlphaTables::Get();
    D::Store(out, pixfmt::BlendPixel<S, D>(t.First(static_cast<uint32_t>(a)),
                                           t.Second(static_cast<uint32_t>(a)), S::Load(img),
                                           D::Load(bg)));
}

using pixfmt::Px15;
using pixfmt::Px16;
using pixfmt::Px24;
using pixfmt::Px32;

} // namespace

void TCanvasBlit::SetContextSource(ContextSource source) {
    contextSource = source;
}

GdlDeviceContext* TCanvasBlit::MainContext() {
    return contextSource ? contextSource() : nullptr;
}

void TCanvasBlit::SetBufferHeap(BufferAlloc alloc, BufferFree release) {
    bufferAlloc = alloc && release ? alloc : nullptr;
    bufferFree = alloc && release ? release : nullptr;
}

void* TCanvasBlit::AllocBuffer(size_t size) {
    return bufferAlloc ? bufferAlloc(size) : std::malloc(size);
}

void TCanvasBlit::FreeBuffer(void* block) {
    if (bufferFree)
        bufferFree(block);
    else
        std::free(block);
}

#define ADV_BLEND(name, S, D)                                                                      \
    void TCanvasBlit::name(uint8_t* out, const uint8_t* img, const uint8_t* bg, int32_t a) {       \
        BlendOne<S, D>(out, img, bg, a);                                                           \
    }
ADV_BLEND(Blend565To555, Px16, Px15)
ADV_BLEND(Blend555To565, Px15, Px16)
ADV_BLEND(Blend565To24, Px16, Px24)
ADV_BLEND(Blend555To32, Px15, Px32)
ADV_BLEND(Blend565To32, Px16, Px32)
ADV_BLEND(Blend555To24, Px15, Px24)
ADV_BLEND(Blend565To565, Px16, Px16)
ADV_BLEND(Blend32To32, Px32, Px32)
ADV_BLEND(Blend555To555, Px15, Px15)
ADV_BLEND(Blend24To565, Px24, Px16)
ADV_BLEND(Blend32To555, Px32, Px15)
ADV_BLEND(Blend24To32, Px24, Px32)
ADV_BLEND(Blend24To555, Px24, Px15)
ADV_BLEND(Blend24To24, Px24, Px24)
#undef ADV_BLEND
