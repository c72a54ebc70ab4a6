// What every fuzz target shares: its input read a byte or a word at a time
// (zeros once it is used up, so every input is a whole run of calls), and
// a platform session on the memory host and the virtual clock.
#pragma once

#include "platform/Clock.h"
#include "platform/Host.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace fuzzsupport {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t u8() { return at < size ? data[at++] : 0; }
    uint16_t u16() { return uint16_t(u8() | u8() << 8); }
    uint32_t u32() { return uint32_t(u16()) | uint32_t(u16()) << 16; }
    bool more() const { return at < size; }
    // A value in [lo, lo + span).
    int32_t in(int32_t lo, int32_t span) { return lo + u16() % span; }
    // A coordinate in [-range/2, range/2 + range % 2).
    int32_t coord(int32_t range) { return u16() % range - range / 2; }
    // The next `n` bytes, zero-padded past the end.
    std::vector<uint8_t> take(size_t n) {
        std::vector<uint8_t> out(n, 0);
        const size_t k = std::min(n, size - at);
        if (k) std::memcpy(out.data(), data + at, k);
        at += k;
        return out;
    }
    size_t left() const { return size - at; }
};

// Once per process: no real files or windows, and time only moves when told.
inline void StartSession() {
    static const bool started = [] {
        platform::UseHost(platform::HostKind::Memory);
        platform::ClockUseVirtual(true);
        return true;
    }();
    (void)started;
}

} // namespace fuzzsupport
