// One fuzz step shared by the LZW and LZW16 targets: the first two bytes pick
// the output room, the rest is the packed stream.
#pragma once

#include "LzwModel.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

template <class Codec> int FuzzLzw(const uint8_t* data, size_t size, bool wide) {
    if (size < 2) return 0;
    size_t room = 1 + ((data[0] | (data[1] << 8)) % (1 << 15)) * 8;
    data += 2;
    size -= 2;
    std::vector<uint8_t> out(room);
    int32_t capacity = static_cast<int32_t>(room);
    Codec codec;
    int result = codec.Decode(data, static_cast<int32_t>(size), out.data(), &capacity);
    if (capacity < 0 || static_cast<size_t>(capacity) > room) std::abort();
    out.resize(static_cast<size_t>(capacity));

    std::vector<uint8_t> expected;
    bool ok = testsupport::LzwModelDecode(testsupport::LzwPackedCodes{data, size, wide}, wide, room,
                                          expected);
    if (size == 0) return 0; // nothing to compare: both write nothing
    if (ok != (result == 1)) std::abort();
    // A circle stops ours before the string that meets it; the plain decoder
    // stops at the same code, so the written bytes agree in every case.
    if (out != expected) std::abort();

    // The stream form reads the same bytes in blocks and must agree.
    std::FILE* file = std::tmpfile();
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::rewind(file);
    std::vector<uint8_t> streamed(room);
    int32_t streamedCapacity = static_cast<int32_t>(room);
    Codec again;
    int streamedResult = again.DecodeStream(file, streamed.data(), &streamedCapacity);
    streamed.resize(static_cast<size_t>(streamedCapacity));
    std::fclose(file);
    if (streamedResult != result || streamed != out) std::abort();
    return 0;
}
