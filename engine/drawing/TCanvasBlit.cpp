#include "drawing/TCanvasBlit.h"

#include <cstdlib>
#include <utility>

namespace {

TCanvasBlit::ContextSource contextSource = nullptr;
TCanvasBlit::BufferAlloc bufferAlloc = nullptr;
TCanvasBlit::BufferFree bufferFree = nullptr;

} // namespace

TCanvasBlit::ContextSource TCanvasBlit::SetContextSource(ContextSource source) {
    return std::exchange(contextSource, source);
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
