#include "SpriteCanvas16.h"

#include "drawing/KeyedSmoother.h"
#include "foundation/TError.h"

#include <algorithm>
#include <cstring>

#if ADV_KEYED_WIDE
#include <immintrin.h>
#endif

namespace {

const char* const kSource = "Int\\All\\Source\\SpriteCanvas16";

// One opaque run (at most 255 pixels, on 2-byte boundaries only) in
// unaligned 16-byte moves, the last one overlapping the one before it. A
// plain memcpy of a run this short is inlined as a string move, which is slow
// on unaligned addresses; a call costs more than the copy of a short run.
inline void CopyRun(uint8_t* dest, const uint8_t* source, uint32_t count) {
    const size_t bytes = 2 * static_cast<size_t>(count);
    if (bytes >= 16) {
        for (size_t at = 0; at + 16 < bytes; at += 16)
            std::memcpy(dest + at, source + at, 16);
        std::memcpy(dest + bytes - 16, source + bytes - 16, 16);
    } else if (bytes >= 8) {
        std::memcpy(dest, source, 8);
        std::memcpy(dest + bytes - 8, source + bytes - 8, 8);
    } else if (bytes >= 4) {
        std::memcpy(dest, source, 4);
        std::memcpy(dest + bytes - 4, source + bytes - 4, 4);
    } else {
        std::memcpy(dest, source, 2);
    }
}

#if ADV_KEYED_WIDE
// Intrinsics, as the compiler splits a plain 32-byte memcpy in two.
__attribute__((target("avx2"))) inline void Move32(uint8_t* dest, const uint8_t* source) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source)));
}

// The wide build's copy: runs over 32 pixels (a background's long opaque
// runs) in 32-byte moves, unaligned like the source, which lies two bytes
// past each run's header. Aligning the stores measured slower than letting
// every move straddle where it falls; shorter runs keep the narrow copy.
__attribute__((target("avx2"))) inline void CopyRunWide(uint8_t* dest, const uint8_t* source,
                                                        uint32_t count) {
    const size_t bytes = 2 * static_cast<size_t>(count);
    if (bytes <= 64) {
        CopyRun(dest, source, count);
        return;
    }
    for (size_t at = 0; at + 32 < bytes; at += 32)
        Move32(dest + at, source + at);
    Move32(dest + bytes - 32, source + bytes - 32);
}

struct WideCopySink {
    SpriteCanvas16* canvas;
    void operator()(const uint8_t* source, uint8_t* dest, uint32_t count) const {
        CopyRunWide(dest, source, count);
    }
};
#endif

struct CopySink {
    SpriteCanvas16* canvas;
    void operator()(const uint8_t* source, uint8_t* dest, uint32_t count) const {
        CopyRun(dest, source, count);
    }
};

struct SpanSink {
    SpriteCanvas16* canvas;
    void operator()(const uint8_t* source, uint8_t* dest, uint32_t count) const {
        canvas->Record(source, dest, count);
    }
};

// One row of a sprite: `dest` is the target pixel of sprite column
// `visibleLeft`; runs are cut to [visibleLeft, visibleRight). The record was
// checked at load, so the walk needs no bounds tests. The clip sides are
// template flags so that the unclipped rows run the shortest loop.
template <bool ClipLeft, bool ClipRight, typename Sink>
void DrawRow(SpriteCanvas16* canvas, const uint8_t* run, uint8_t* dest, int32_t visibleLeft,
             int32_t visibleRight) {
    const Sink sink{canvas};
    int32_t column = 0;
    for (;;) {
        // The next word's address hangs on this one's count alone, read as
        // a byte of its own: the walk is a chain of such loads, and a short
        // run's copy is done well before the next load is.
        const uint16_t word = LoadWord(run);
        if (word == 0) return;
        column += word & 0xFF;
        int32_t count = run[1];
        const uint8_t* source = run + 2;
        run = source + 2 * count;
        int32_t start = column;
        column += count;
        if constexpr (ClipRight) {
            if (start >= visibleRight) return;
            if (column > visibleRight) count = visibleRight - start;
        }
        if constexpr (ClipLeft) {
            if (column <= visibleLeft) continue;
            if (start < visibleLeft) {
                source += 2 * (visibleLeft - start);
                count -= visibleLeft - start;
                start = visibleLeft;
            }
        }
        if (count > 0) sink(source, dest + 2 * (start - visibleLeft), static_cast<uint32_t>(count));
    }
}

using RowRoutine = void (*)(SpriteCanvas16*, const uint8_t*, uint8_t*, int32_t, int32_t);

// [records spans][clip left][clip right]
constexpr RowRoutine kRowRoutines[2][2][2] = {
    {{DrawRow<false, false, CopySink>, DrawRow<false, true, CopySink>},
     {DrawRow<true, false, CopySink>, DrawRow<true, true, CopySink>}},
    {{DrawRow<false, false, SpanSink>, DrawRow<false, true, SpanSink>},
     {DrawRow<true, false, SpanSink>, DrawRow<true, true, SpanSink>}},
};

#if ADV_KEYED_WIDE
// The copying rows built for AVX2, every call inside inlined, so that the
// 32-byte moves are single instructions.
template <bool ClipLeft, bool ClipRight>
__attribute__((target("avx2"), flatten)) void WideRow(SpriteCanvas16* canvas, const uint8_t* run,
                                                      uint8_t* dest, int32_t visibleLeft,
                                                      int32_t visibleRight) {
    DrawRow<ClipLeft, ClipRight, WideCopySink>(canvas, run, dest, visibleLeft, visibleRight);
}

// [clip left][clip right]
constexpr RowRoutine kWideRowRoutines[2][2] = {
    {WideRow<false, false>, WideRow<false, true>},
    {WideRow<true, false>, WideRow<true, true>},
};
#endif

RowRoutine RowRoutineFor(bool recordsSpans, bool clipLeft, bool clipRight) {
#if ADV_KEYED_WIDE
    if (!recordsSpans && keyed::WideCode()) return kWideRowRoutines[clipLeft][clipRight];
#endif
    return kRowRoutines[recordsSpans][clipLeft][clipRight];
}

} // namespace

SpriteCanvas16::SpriteCanvas16(int32_t capacity) {
    if (capacity > 0 && !spans_.Reserve(capacity)) TError::Raise(9, nullptr, nullptr, kSource, 1);
}

void SpriteCanvas16::SetTarget(Surface16* target, const ClipRect& clip) {
    target_ = target;
    if (!target || !target->pixels) {
        clip_ = {0, 0, 0, 0};
        return;
    }
    clip_.left = std::max(clip.left, 0);
    clip_.top = std::max(clip.top, 0);
    clip_.right = std::min(clip.right, target->width);
    clip_.bottom = std::min(clip.bottom, target->height);
}

SpriteCanvas16::Visible SpriteCanvas16::VisiblePart(int32_t x, int32_t y, int32_t w,
                                                    int32_t h) const {
    // 64-bit, so that no placement from a script can overflow.
    const int64_t left = std::max<int64_t>(x, clip_.left);
    const int64_t top = std::max<int64_t>(y, clip_.top);
    const int64_t right = std::min<int64_t>(int64_t{x} + w, clip_.right);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + h, clip_.bottom);
    if (right <= left || bottom <= top || !target_) return {0, 0, 0, 0};
    return {static_cast<int32_t>(left - x), static_cast<int32_t>(top - y),
            static_cast<int32_t>(right - x), static_cast<int32_t>(bottom - y)};
}

void SpriteCanvas16::DrawRle(const RleSprite16* sprite, int32_t x, int32_t y) {
    if (!sprite) return;
    const Visible v = VisiblePart(x, y, sprite->width, sprite->height);
    if (v.Empty()) return;
    const RowRoutine row = RowRoutineFor(effect_ != nullptr, v.left > 0, v.right < sprite->width);
    for (int32_t r = v.top; r < v.bottom; ++r)
        row(this, sprite->RowRuns(r), target_->PixelAddress(x + v.left, y + r), v.left, v.right);
}

void SpriteCanvas16::DrawSurface(const Surface16* surface, int32_t x, int32_t y) {
    if (!surface || !surface->pixels) return;
    const Visible v = VisiblePart(x, y, surface->width, surface->height);
    if (v.Empty()) return;
    const auto count = static_cast<uint32_t>(v.right - v.left);
    for (int32_t r = v.top; r < v.bottom; ++r) {
        const uint8_t* source = surface->PixelAddress(v.left, r);
        uint8_t* dest = target_->PixelAddress(x + v.left, y + r);
        if (effect_)
            Record(source, dest, count);
        else
            std::memcpy(dest, source, 2 * static_cast<size_t>(count));
    }
}

void SpriteCanvas16::FillRect(int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!effect_ || w <= 0 || h <= 0) return;
    const Visible v = VisiblePart(x, y, w, h);
    for (int32_t r = v.top; r < v.bottom; ++r)
        Record(nullptr, target_->PixelAddress(x + v.left, y + r),
               static_cast<uint32_t>(v.right - v.left));
}

void SpriteCanvas16::Record(const uint8_t* source, uint8_t* dest, uint32_t count) {
    if (!spans_.Push({source, dest, count})) TError::Raise(9, nullptr, nullptr, kSource, 2);
}

void SpriteCanvas16::ApplyEffect() {
    if (effect_) effect_->Apply(spans_.Data(), SpanCount());
    spans_.Clear();
}
