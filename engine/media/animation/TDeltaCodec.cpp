#include "media/animation/TDeltaCodec.h"

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

// One row being encoded: its whole words, its padded last word and the
// previous row.
struct RowView {
    const uint8_t* current;
    uint32_t* previous;
    int32_t whole; // words read straight from the row
    int32_t words; // with the padded last word, when there is one
    uint32_t tail;

    uint32_t Word(int32_t i) const { return i < whole ? LoadWord(current + 4 * i) : tail; }
    uint64_t Pair(const void* at) const {
        uint64_t v;
        std::memcpy(&v, at, 8);
        return v;
    }
    // The first word from `pos` that differs from the previous row; two
    // words at a time while both are whole.
    int32_t SameUntil(int32_t pos) const {
        while (pos + 1 < whole && Pair(current + 4 * pos) == Pair(previous + pos))
            pos += 2;
        while (pos < words && Word(pos) == previous[pos])
            ++pos;
        return pos;
    }
    // The first word from `pos` that equals the previous row's.
    int32_t ChangedUntil(int32_t pos) const {
        while (pos + 1 < whole) {
            const uint64_t x = Pair(current + 4 * pos) ^ Pair(previous + pos);
            if (static_cast<uint32_t>(x) == 0 || (x >> 32) == 0) break;
            pos += 2;
        }
        while (pos < words && Word(pos) != previous[pos])
            ++pos;
        return pos;
    }
    // Copies words [from, to) into `out` and the previous row; their count.
    size_t Take(int32_t from, int32_t to, uint32_t* out) const {
        const int32_t direct = to < whole ? to : whole;
        const size_t n = static_cast<size_t>(to - from);
        if (direct > from)
            std::memcpy(out, current + 4 * from, static_cast<size_t>(direct - from) * 4);
        if (to > whole && to > from) out[n - 1] = tail;
        if (n) std::memcpy(previous + from, out, n * 4);
        return n;
    }
};

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
    const RowView row{current, previous, rowBytes / 4, words,
                      (rowBytes & 3) ? TailWord(current, rowBytes) : 0};
    size_t o = 0;
    int32_t pos = 0;
    for (;;) {
        const int32_t start = pos;
        pos = row.SameUntil(pos);
        const int32_t changedAt = pos;
        pos = row.ChangedUntil(pos);
        out[o] = RunWord(static_cast<uint32_t>(pos - changedAt),
                         static_cast<uint32_t>(changedAt - start));
        o += 1 + row.Take(changedAt, pos, out + o + 1);
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

void TDeltaCodec::ApplyFrame(const uint8_t* data, int32_t height, int32_t words, uint32_t* previous,
                             uint8_t* picture, size_t rowBytes) {
    for (int32_t row = 0; row < height; ++row) {
        uint32_t* const begin = previous + static_cast<size_t>(row) * static_cast<size_t>(words);
        uint32_t* to = begin;
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
        // Copied out while the row is still in the cache.
        if (picture) std::memcpy(picture + static_cast<size_t>(row) * rowBytes, begin, rowBytes);
    }
}
