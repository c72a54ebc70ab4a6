#include "media/TDeltaCodec.h"

#include <cstring>

namespace {

inline uint32_t LoadWord(const uint8_t* at) {
    uint32_t v;
    std::memcpy(&v, at, 4);
    return v;
}

// Run words travel little-endian; pixel words are the row's bytes as they are.
inline uint32_t FromLittle(uint32_t v) {
    if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) return __builtin_bswap32(v);
    return v;
}

inline uint32_t RunWord(uint32_t changed, uint32_t skipped) {
    return FromLittle(changed << 16 | skipped);
}

// The row's last, partial word with its padding zeroed.
inline uint32_t TailWord(const uint8_t* current, int32_t rowBytes) {
    uint32_t v = 0;
    std::memcpy(&v, current + (rowBytes & ~3), static_cast<size_t>(rowBytes & 3));
    return v;
}

size_t EncodeFull(const uint8_t* current, int32_t rowBytes, uint32_t* previous, int32_t words,
                  uint32_t* out) {
    out[0] = RunWord(static_cast<uint32_t>(words), 0);
    std::memcpy(previous, current, static_cast<size_t>(rowBytes & ~3));
    if (rowBytes & 3) previous[words - 1] = TailWord(current, rowBytes);
    std::memcpy(out + 1, previous, static_cast<size_t>(words) * 4);
    out[words + 1] = 0;
    return static_cast<size_t>(words) + 2;
}

} // namespace

size_t TDeltaCodec::EncodeRow(const uint8_t* current, int32_t rowBytes, uint32_t* previous,
                              int32_t words, bool full, uint32_t* out) {
    if (words <= 0) {
        out[0] = 0;
        return 1;
    }
    if (full) return EncodeFull(current, rowBytes, previous, words, out);
    // The previous row's padding is always zero, like the current one's.
    if (std::memcmp(current, previous, static_cast<size_t>(rowBytes)) == 0) {
        out[0] = RunWord(0, static_cast<uint32_t>(words));
        out[1] = 0;
        return 2;
    }
    const int32_t whole = rowBytes / 4;
    const uint32_t tail = (rowBytes & 3) ? TailWord(current, rowBytes) : 0;
    auto word = [&](int32_t i) { return i < whole ? LoadWord(current + 4 * i) : tail; };
    size_t o = 0;
    int32_t pos = 0;
    for (;;) {
        const size_t runAt = o++;
        const int32_t start = pos;
        while (pos < words && word(pos) == previous[pos])
            ++pos;
        const int32_t changedAt = pos;
        while (pos < words) {
            const uint32_t w = word(pos);
            if (w == previous[pos]) break;
            previous[pos++] = w;
            out[o++] = w;
        }
        out[runAt] = RunWord(static_cast<uint32_t>(pos - changedAt),
                             static_cast<uint32_t>(changedAt - start));
        if (pos >= words) break;
    }
    out[o++] = 0;
    return o;
}

bool TDeltaCodec::CheckFrame(const uint8_t* data, size_t bytes, int32_t height, int32_t words) {
    const size_t total = bytes / 4;
    size_t at = 0;
    for (int32_t row = 0; row < height; ++row) {
        int64_t pos = 0;
        for (;;) {
            if (at >= total) return false;
            const uint32_t run = FromLittle(LoadWord(data + 4 * at++));
            if (run == 0) break;
            const uint32_t changed = run >> 16, skipped = run & 0xFFFF;
            if (pos + skipped + changed > words || changed > total - at) return false;
            pos += skipped + changed;
            at += changed;
        }
    }
    return true;
}

void TDeltaCodec::ApplyFrame(const uint8_t* data, int32_t height, int32_t words,
                             uint32_t* previous) {
    for (int32_t row = 0; row < height; ++row) {
        uint32_t* to = previous + static_cast<size_t>(row) * static_cast<size_t>(words);
        for (;;) {
            const uint32_t run = FromLittle(LoadWord(data));
            data += 4;
            if (run == 0) break;
            const uint32_t changed = run >> 16;
            to += run & 0xFFFF;
            std::memcpy(to, data, size_t{changed} * 4);
            to += changed;
            data += size_t{changed} * 4;
        }
    }
}
