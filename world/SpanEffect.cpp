#include "SpanEffect.h"

#include "FloatToInt.h"
#include "RoomGlobals.h"

#include <cstring>

namespace {

// Channel masks of the one-multiplication brightness scale: the pixel is
// spread over a 32-bit word so that each channel has room for its product.
struct BrightnessMasks {
    uint32_t low, spread, product;
};
constexpr BrightnessMasks k565Masks{0xF81F, 0x07C0F83F, 0xF81F07E0};
constexpr BrightnessMasks k555Masks{0x7C1F, 0x03E0F81F, 0x7C1F03E0};

inline uint16_t Load(const uint8_t* at) {
    uint16_t p;
    std::memcpy(&p, at, 2);
    return p;
}
inline void Store(uint8_t* at, uint16_t p) {
    std::memcpy(at, &p, 2);
}

// Applies `pixel` to every pixel of a span: read from the source (or the
// destination itself for fills), written to the destination.
template <typename PixelFn> void ForEachPixel(const SpanRecord& span, PixelFn pixel) {
    const uint8_t* from = span.source ? span.source : span.dest;
    for (uint32_t i = 0; i < span.count; ++i)
        Store(span.dest + 2 * i, pixel(Load(from + 2 * i)));
}

inline uint32_t Min(uint32_t a, uint32_t b) {
    return a < b ? a : b;
}

// One pixel of the brightness scale: the pixel spread over a 32-bit word so
// that one multiplication scales all three channels.
inline uint16_t Scaled(uint16_t p, uint32_t factor, const BrightnessMasks& m) {
    uint32_t t = ((p & m.low) << 11) | ((p >> 5) & m.spread);
    t = (t * factor) & m.product;
    return static_cast<uint16_t>(t | (t >> 16));
}

// Eight pixels at a time in 16-bit lanes, each channel multiplied in place:
// a factor of at most 32 keeps every product within its lane. Gives the
// pixels of Scaled exactly; the compiler maps the lanes onto the vector unit.
typedef uint16_t Lanes __attribute__((vector_size(16)));

template <bool Is555>
void ScaleSpan(const uint8_t* from, uint8_t* to, uint32_t count, uint32_t factor,
               const BrightnessMasks& m) {
    constexpr uint16_t redAt = Is555 ? 10 : 11, green = Is555 ? 0x03E0 : 0x07E0;
    const auto k = static_cast<uint16_t>(factor);
    const Lanes f = {k, k, k, k, k, k, k, k};
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        Lanes p;
        std::memcpy(&p, from + 2 * i, sizeof p);
        const Lanes r = (((p >> redAt) & 31) * f >> 5) << redAt;
        const Lanes g = ((p & green) * f >> 5) & green;
        const Lanes b = (p & 31) * f >> 5;
        const Lanes out = r | g | b;
        std::memcpy(to + 2 * i, &out, sizeof out);
    }
    for (; i < count; ++i)
        Store(to + 2 * i, Scaled(Load(from + 2 * i), factor, m));
}

} // namespace

void SpanEffectBrightness::Apply(const SpanRecord* spans, uint32_t count) {
    int32_t scale = FloatToInt32(level * 32.0f);
    scale = scale < 0 ? 0 : (scale > 32 ? 32 : scale);
    const uint32_t factor = static_cast<uint32_t>(scale);
    const BrightnessMasks m = Display555() ? k555Masks : k565Masks;
    const auto span = Display555() ? ScaleSpan<true> : ScaleSpan<false>;
    for (uint32_t s = count; s-- > 0;)
        span(spans[s].source ? spans[s].source : spans[s].dest, spans[s].dest, spans[s].count,
             factor, m);
}

void SpanEffectPulse::Apply(const SpanRecord* spans, uint32_t count) {
    const bool is555 = Display555() != 0;
    const uint32_t greenShift = 5, redShift = is555 ? 10 : 11;
    const uint32_t greenMax = is555 ? 31 : 63;
    uint32_t q = static_cast<uint32_t>(phase);
    for (uint32_t s = count; s-- > 0;) {
        q = (q + 1) & 127;
        ForEachPixel(spans[s], [&](uint16_t p) {
            const uint32_t red = Min(31, ((p >> redShift) & 31) * q / 64);
            const uint32_t green = Min(greenMax, ((p >> greenShift) & greenMax) * q / 256);
            const uint32_t blue = Min(31, (p & 31u) * q / 128);
            return static_cast<uint16_t>((red << redShift) | (green << greenShift) | blue);
        });
    }
}

void SpanEffectKeyFill::Apply(const SpanRecord* spans, uint32_t count) {
    const uint16_t c = colour;
    const Lanes eight = {c, c, c, c, c, c, c, c};
    for (uint32_t s = count; s-- > 0;) {
        uint8_t* dest = spans[s].dest;
        const uint32_t n = spans[s].count;
        uint32_t i = 0;
        for (; i + 8 <= n; i += 8)
            std::memcpy(dest + 2 * i, &eight, sizeof eight);
        for (; i < n; ++i)
            Store(dest + 2 * i, c);
    }
}
