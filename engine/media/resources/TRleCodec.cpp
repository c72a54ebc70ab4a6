#include "media/resources/TRleCodec.h"

#include <cstring>

namespace {

inline uint16_t Word(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

// Writes `n` copies of a pixel of `size` bytes.
inline void Fill(uint8_t* out, const uint8_t* pixel, int32_t n, int32_t size) {
    if (size == 1) {
        std::memset(out, *pixel, static_cast<size_t>(n));
        return;
    }
    for (int32_t i = 0; i < n; ++i, out += size)
        std::memcpy(out, pixel, static_cast<size_t>(size));
}

// Every album run form: a control unit of `Control` bytes (a byte with bit 7,
// or a little-endian word with bit 15, marking a run) whose other bits count
// pixels of `Size` bytes, followed by the one pixel to repeat or by the
// pixels as they stand. A byte left over after the last whole control word
// is not part of the data.
template <int Control, int Size>
int DecodeRuns(const uint8_t* in, uint8_t* out, int32_t count, int32_t capacity) {
    static_assert(Control == 1 || Control == 2);
    constexpr uint32_t kRun = Control == 1 ? 0x80 : 0x8000;
    const int32_t units = count / Control;
    if (units < 1) return 1;
    if (!in || !out) return 0;
    const uint8_t* end = in + static_cast<size_t>(units) * Control;
    int64_t room = capacity;
    while (in < end) {
        const uint32_t c = Control == 1 ? *in : Word(in);
        in += Control;
        const int32_t n = static_cast<int32_t>(c & (kRun - 1));
        const int64_t bytes = int64_t{n} * Size;
        if (bytes > room) return 0;
        if (c & kRun) {
            if (end - in < Size) return 0;
            Fill(out, in, n, Size);
            in += Size;
        } else {
            if (end - in < bytes) return 0;
            std::memcpy(out, in, static_cast<size_t>(bytes));
            in += bytes;
        }
        out += bytes;
        room -= bytes;
    }
    return 1;
}

// The skip-fill row form over pixels of `size` bytes, `fill` the run pixel.
int DecodeRows(const uint8_t* in, uint8_t* out, int32_t rows, const uint8_t* fill, int32_t size,
               int32_t count, int32_t capacity) {
    if (rows < 1) return 1;
    if (!in || !out || count < 0) return 0;
    const uint8_t* end = in + count;
    if (int64_t{rows} * 4 > count) return 0;
    in += static_cast<size_t>(rows) * 4; // the row table is not needed to decode
    int64_t room = capacity;
    for (int32_t row = 0; row < rows; ++row) {
        for (;;) {
            if (end - in < 2) return 0;
            uint16_t w = Word(in);
            in += 2;
            if (w == 0) break;
            int64_t run = int64_t{w & 0xFF} * size, literal = int64_t{w >> 8} * size;
            if (run + literal > room || end - in < literal) return 0;
            Fill(out, fill, w & 0xFF, size);
            out += run;
            std::memcpy(out, in, static_cast<size_t>(literal));
            out += literal;
            in += literal;
            room -= run + literal;
        }
    }
    return 1;
}

} // namespace

int TRleCodec::Decode8(const uint8_t* source, uint8_t* destination, int32_t count,
                       int32_t capacity) {
    return DecodeRuns<1, 1>(source, destination, count, capacity);
}

int TRleCodec::Decode16(const uint8_t* source, uint8_t* destination, int32_t count,
                        int32_t capacity) {
    return DecodeRuns<2, 2>(source, destination, count, capacity);
}

int TRleCodec::Decode24(const uint8_t* source, uint8_t* destination, int32_t count,
                        int32_t capacity) {
    return DecodeRuns<1, 3>(source, destination, count, capacity);
}

int TRleCodec::DecodeRows8(const uint8_t* source, uint8_t* destination, int32_t rows, uint8_t fill,
                           int32_t count, int32_t capacity) {
    return DecodeRows(source, destination, rows, &fill, 1, count, capacity);
}

int TRleCodec::DecodeRows16(const uint8_t* source, uint8_t* destination, int32_t rows, uint8_t c1,
                            uint8_t c2, uint8_t c3, int32_t count, int32_t capacity) {
    uint16_t pixel = FillPixel16(c1, c2, c3);
    const uint8_t bytes[2] = {static_cast<uint8_t>(pixel), static_cast<uint8_t>(pixel >> 8)};
    return DecodeRows(source, destination, rows, bytes, 2, count, capacity);
}
