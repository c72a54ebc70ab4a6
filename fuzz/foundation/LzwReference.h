// A plain decoder of both formats that always walks the prefix chains: the
// fuzzers compare the engine's decoders, which copy strings from earlier
// output where they can, against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzzref {

// Returns false when a chain runs in a circle; `out` holds what was written.
inline bool ReferenceDecode(const uint8_t* data, size_t size, bool wide, size_t room,
                            std::vector<uint8_t>& out) {
    const uint32_t table = wide ? 65536 : 4096;
    std::vector<uint32_t> prefix(table, 256);
    std::vector<uint8_t> byte(table, 0);
    for (uint32_t i = 0; i < 256; ++i)
        byte[i] = static_cast<uint8_t>(i);
    size_t pos = 0;
    uint64_t bits = 0;
    uint32_t count = 0, width = wide ? 16 : 9;
    auto next_code = [&](uint32_t& code) {
        if (wide) {
            if (size - pos < 2) return false;
            code = data[pos] | (data[pos + 1] << 8);
            pos += 2;
            return true;
        }
        while (count < width) {
            if (pos == size) return false;
            bits |= static_cast<uint64_t>(data[pos++]) << count;
            count += 8;
        }
        code = static_cast<uint32_t>(bits & ((1u << width) - 1));
        bits >>= width;
        count -= width;
        return true;
    };
    auto string_of = [&](uint32_t code, std::vector<uint8_t>& s) {
        s.clear();
        for (uint32_t steps = 0;; ++steps) {
            if (steps > table) return false;
            s.push_back(byte[code]);
            if (code <= 256) break;
            code = prefix[code];
        }
        std::vector<uint8_t>(s.rbegin(), s.rend()).swap(s);
        return true;
    };
    auto put = [&](const std::vector<uint8_t>& s) {
        for (uint8_t b : s) {
            if (out.size() >= room) return;
            out.push_back(b);
        }
    };
    uint32_t next = 258, prev = 0, code;
    uint8_t prevFirst = 0;
    std::vector<uint8_t> s;
    while (out.size() < room && next_code(code)) {
        if (code == 256) {
            next = 258;
            if (!wide) width = 9;
            uint32_t literal = 256;
            bool got = next_code(literal);
            out.push_back(byte[literal]);
            prev = literal;
            prevFirst = byte[literal];
            if (!got) break;
            continue;
        }
        if (code < next) {
            if (!string_of(code, s)) return false;
        } else {
            if (!string_of(prev, s)) return false;
            s.push_back(prevFirst);
        }
        size_t before = out.size();
        put(s);
        if (out.size() >= room) break;
        prefix[next] = prev;
        byte[next] = out[before];
        ++next;
        if (wide) {
            if (next == 65535) next = 258;
        } else if (next == (1u << width) - 1) {
            if (width < 12) {
                ++width;
            } else {
                next = 258;
                width = 9;
            }
        }
        prev = code;
        prevFirst = out[before];
    }
    return true;
}

} // namespace fuzzref
