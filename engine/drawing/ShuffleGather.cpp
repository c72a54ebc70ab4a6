#include "drawing/ShuffleGather.h"

#include <algorithm>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ADV_SHUFFLE_GATHER 1
#else
#define ADV_SHUFFLE_GATHER 0
#endif

namespace {

constexpr int32_t kWindow = 32, kLanes = 8;

int32_t GroupStart(int32_t g, int32_t n) {
    return std::min(g * kLanes, n - kLanes);
}

int32_t GroupCount(int32_t n) {
    return (n + kLanes - 1) / kLanes;
}

bool ShufflesBytes() {
#if ADV_SHUFFLE_GATHER
    static const bool has = __builtin_cpu_supports("ssse3") != 0;
    return has;
#else
    return false;
#endif
}

} // namespace

bool keyed::PlanShuffle(const intptr_t* at, int32_t n, int32_t rowBytes, TShuffleGroup* groups) {
    if (!ShufflesBytes() || n < kLanes || n > kLanes * kShuffleGroups || rowBytes < kWindow)
        return false;
    for (int32_t g = 0, count = GroupCount(n); g < count; ++g) {
        const intptr_t* lane = at + GroupStart(g, n);
        const intptr_t first = *std::min_element(lane, lane + kLanes);
        const intptr_t last = *std::max_element(lane, lane + kLanes);
        const intptr_t base = std::min<intptr_t>(first, rowBytes - kWindow);
        if (first < 0 || last + 2 > base + kWindow) return false;
        TShuffleGroup& out = groups[g];
        out.base = static_cast<int32_t>(base);
        for (int32_t k = 0; k < 2 * kLanes; ++k) {
            const auto byte = static_cast<int32_t>(lane[k / 2] - base + k % 2);
            out.low[k] = static_cast<uint8_t>(byte < 16 ? byte : 0x80);
            out.high[k] = static_cast<uint8_t>(byte >= 16 ? byte - 16 : 0x80);
        }
    }
    return true;
}

#if ADV_SHUFFLE_GATHER
__attribute__((target("ssse3"))) void
keyed::GatherShuffled(uint8_t* out, const uint8_t* row, const TShuffleGroup* groups, int32_t n) {
    auto load = [](const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); };
    for (int32_t g = 0, count = GroupCount(n); g < count; ++g) {
        const TShuffleGroup& group = groups[g];
        const uint8_t* window = row + group.base;
        const __m128i low = _mm_shuffle_epi8(load(window), load(group.low));
        const __m128i high = _mm_shuffle_epi8(load(window + 16), load(group.high));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * GroupStart(g, n)),
                         _mm_or_si128(low, high));
    }
}
#else
void keyed::GatherShuffled(uint8_t*, const uint8_t*, const TShuffleGroup*, int32_t) {}
#endif
