// Effects applied to the pixel spans a sprite canvas recorded instead of
// copying: each writes modified pixels into the spans' destinations, working
// from the last recorded span to the first. The channel layout (5:5:5 or
// 5:6:5) follows the display, as the sprites' pixels do.
#pragma once

#include "foundation/TObject.h"

#include <cstdint>

// Source pixels (null for fills), destination pixels, pixel count.
struct SpanRecord {
    const uint8_t* source;
    uint8_t* dest;
    uint32_t count;
};

class SpanEffect : public TObject {
public:
    ~SpanEffect() override = default;
    virtual void Apply(const SpanRecord* spans, uint32_t count) = 0;
};

// Scales every channel by trunc(level x 32) / 32, level clamped to 0..1.
class SpanEffectBrightness : public SpanEffect {
public:
    explicit SpanEffectBrightness(float level) : level(level) {}
    void Apply(const SpanRecord* spans, uint32_t count) override;
    float level;
};

// A colour pulse whose phase steps by one (modulo 128) before each span.
class SpanEffectPulse : public SpanEffect {
public:
    explicit SpanEffectPulse(int32_t phase) : phase(phase) {}
    void Apply(const SpanRecord* spans, uint32_t count) override;
    int32_t phase;
};

// Fills every destination with one colour (the transparent key).
class SpanEffectKeyFill : public SpanEffect {
public:
    explicit SpanEffectKeyFill(uint16_t colour) : colour(colour) {}
    void Apply(const SpanRecord* spans, uint32_t count) override;
    uint16_t colour;
};
