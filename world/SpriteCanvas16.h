// Draws run-length sprites and whole surfaces into a 16-bit surface, clipped
// to a rectangle. With an effect set the canvas copies nothing: it records the
// covered pixel runs as spans, and the code that set the effect applies it to
// them and empties the list.
#pragma once

#include "GrowArray.h"
#include "RleSprite16.h"
#include "SpanEffect.h"
#include "Surface16.h"

#include "foundation/TObject.h"

#include <cstdint>

// Left and top inclusive, right and bottom exclusive.
struct ClipRect {
    int32_t left, top, right, bottom;
};

class SpriteCanvas16 : public TObject {
public:
    // `capacity` spans are reserved; the list grows past it when it must.
    explicit SpriteCanvas16(int32_t capacity);

    // The clip is cut to the surface, so no caller can draw outside it.
    void SetTarget(Surface16* target, const ClipRect& clip);
    Surface16* Target() const { return target_; }
    const ClipRect& Clip() const { return clip_; }
    void SetEffect(SpanEffect* effect) { effect_ = effect; }
    SpanEffect* Effect() const { return effect_; }

    // Top-left corner at (x, y) of the target; the sprite's own placement is
    // not added.
    void DrawRle(const RleSprite16* sprite, int32_t x, int32_t y);
    void DrawSurface(const Surface16* surface, int32_t x, int32_t y);
    // Records one span per visible row, without a source; writes nothing
    // without an effect.
    void FillRect(int32_t x, int32_t y, int32_t w, int32_t h);

    const SpanRecord* Spans() const { return spans_.Data(); }
    uint32_t SpanCount() const { return static_cast<uint32_t>(spans_.Count()); }
    void ClearSpans() { spans_.Clear(); }
    // Hands the recorded spans to the effect, then empties the list.
    void ApplyEffect();

    void Record(const uint8_t* source, uint8_t* dest, uint32_t count);

private:
    // The visible part of a w x h rectangle at (x, y), relative to that rectangle.
    struct Visible {
        int32_t left, top, right, bottom;
        bool Empty() const { return right <= left || bottom <= top; }
    };
    Visible VisiblePart(int32_t x, int32_t y, int32_t w, int32_t h) const;

    Surface16* target_ = nullptr;
    ClipRect clip_{0, 0, 0, 0};
    SpanEffect* effect_ = nullptr;
    GrowArray<SpanRecord> spans_;
};
