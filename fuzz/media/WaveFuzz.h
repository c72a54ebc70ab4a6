// Streams an opened wave at positions taken from the input: around the start,
// across the end and in the middle, in short and long requests.
#pragma once

#include "media/sound/TWave.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

inline void StreamAround(TWave& wave, const uint8_t* data, size_t size) {
    const int64_t length = wave.GetLength();
    if (length <= 0) return;
    const uint32_t salt = size >= 2 ? data[size - 1] | data[size - 2] << 8 : 7;
    const int64_t starts[] = {
        0, 1, length - 1, length / 2, int64_t(salt) % length, length + int64_t(salt)};
    const int64_t counts[] = {1, 17, std::min<int64_t>(length + 3, 9000)};
    for (int64_t start : starts)
        for (int64_t count : counts) {
            if (!wave.Stream(start, count)) continue;
            const int bytes = wave.GetBits() / 8;
            // Every requested byte is there to read.
            const auto* out = static_cast<const volatile uint8_t*>(wave.GetData());
            if (!out || bytes < 1) std::abort();
            uint8_t sum = 0;
            for (int64_t i = 0; i < count * bytes; ++i)
                sum = uint8_t(sum + out[i]);
            (void)sum;
        }
}
