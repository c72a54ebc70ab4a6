// What the check suites share: little-endian byte writers for the fixtures
// they lay out themselves, and a fixture with a clean error handler and the
// handle cache on.
#pragma once

#include "foundation/TCache.h"
#include "foundation/TError.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace check {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, size_t at, uint32_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void Put32(Bytes& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

class MediaFixture : public ::testing::Test {
protected:
    void SetUp() override { TCache::Global().Start(); }
};

} // namespace check
