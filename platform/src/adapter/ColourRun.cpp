#include "ColourRun.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ADV_COLOUR_RUN_VECTOR 1
#endif

namespace platform::adapter {

void ColourRunTable::Prepare() {
    for (int i = 0; i < 256; ++i)
        for (int k = 0; k < 4; ++k)
            plane[k][i] = uint8_t(colour[i] >> (8 * k));
}

void ColourRunPortable(const ColourRunTable& table, const uint8_t* values, int n, uint32_t* out,
                       uint32_t* twin) {
    const uint32_t* colour = table.colour;
    if (twin) {
        for (int x = 0; x < n; ++x)
            out[x] = twin[x] = colour[values[x]];
        return;
    }
    for (int x = 0; x < n; ++x)
        out[x] = colour[values[x]];
}

#if ADV_COLOUR_RUN_VECTOR

namespace {

#define ADV_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

bool HasVector() {
    static const bool has = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi");
    return has;
}

// Byte k of the 64 colours of `index`: two 128-entry permutes, the high
// one where the value's top bit is set.
ADV_VBMI inline __m512i PlaneBytes(const uint8_t* plane, __m512i index, __mmask64 high) {
    const __m512i low =
        _mm512_permutex2var_epi8(_mm512_load_si512(plane), index, _mm512_load_si512(plane + 64));
    const __m512i top = _mm512_permutex2var_epi8(_mm512_load_si512(plane + 128), index,
                                                 _mm512_load_si512(plane + 192));
    return _mm512_mask_blend_epi8(high, low, top);
}

// The interleaving below works within 128-bit lanes: output register q, lane
// L, element e comes from value 16 L + 4 q + e. The values are first moved so
// that this is pixel 16 q + 4 L + e.
struct LaneOrder {
    alignas(64) uint8_t byte[64];
    constexpr LaneOrder() : byte() {
        for (int lane = 0; lane < 4; ++lane)
            for (int q = 0; q < 4; ++q)
                for (int e = 0; e < 4; ++e)
                    byte[16 * lane + 4 * q + e] = uint8_t(16 * q + 4 * lane + e);
    }
};
constexpr LaneOrder kLaneOrder;

template <bool Twin>
ADV_VBMI void RunVector(const ColourRunTable& table, const uint8_t* values, int n, uint32_t* out,
                        uint32_t* twin) {
    const __m512i order = _mm512_load_si512(kLaneOrder.byte);
    int x = 0;
    for (; x + 64 <= n; x += 64) {
        // (The zero-masking form: the plain one trips a false uninitialised warning.)
        const __m512i index =
            _mm512_maskz_permutexvar_epi8(~__mmask64{0}, order, _mm512_loadu_si512(values + x));
        const __mmask64 high = _mm512_movepi8_mask(index);
        const __m512i b0 = PlaneBytes(table.plane[0], index, high);
        const __m512i b1 = PlaneBytes(table.plane[1], index, high);
        const __m512i b2 = PlaneBytes(table.plane[2], index, high);
        const __m512i b3 = PlaneBytes(table.plane[3], index, high);
        const __m512i low01 = _mm512_unpacklo_epi8(b0, b1), high01 = _mm512_unpackhi_epi8(b0, b1);
        const __m512i low23 = _mm512_unpacklo_epi8(b2, b3), high23 = _mm512_unpackhi_epi8(b2, b3);
        const __m512i q0 = _mm512_unpacklo_epi16(low01, low23);
        const __m512i q1 = _mm512_unpackhi_epi16(low01, low23);
        const __m512i q2 = _mm512_unpacklo_epi16(high01, high23);
        const __m512i q3 = _mm512_unpackhi_epi16(high01, high23);
        _mm512_storeu_si512(out + x, q0);
        _mm512_storeu_si512(out + x + 16, q1);
        _mm512_storeu_si512(out + x + 32, q2);
        _mm512_storeu_si512(out + x + 48, q3);
        if (Twin) {
            _mm512_storeu_si512(twin + x, q0);
            _mm512_storeu_si512(twin + x + 16, q1);
            _mm512_storeu_si512(twin + x + 32, q2);
            _mm512_storeu_si512(twin + x + 48, q3);
        }
    }
    ColourRunPortable(table, values + x, n - x, out + x, Twin ? twin + x : nullptr);
}

} // namespace

bool ColourRunVector(const ColourRunTable& table, const uint8_t* values, int n, uint32_t* out,
                     uint32_t* twin) {
    if (!HasVector()) return false;
    if (twin)
        RunVector<true>(table, values, n, out, twin);
    else
        RunVector<false>(table, values, n, out, nullptr);
    return true;
}

#else

bool ColourRunVector(const ColourRunTable&, const uint8_t*, int, uint32_t*, uint32_t*) {
    return false;
}

#endif

void ColourRun(const ColourRunTable& table, const uint8_t* values, int n, uint32_t* out,
               uint32_t* twin) {
    // Short runs are not worth the vector loop's set-up.
    if (n >= 64 && ColourRunVector(table, values, n, out, twin)) return;
    ColourRunPortable(table, values, n, out, twin);
}

} // namespace platform::adapter
