// Small CTF files for the text resource tests: a 63-byte header and a body
// stored or packed as literal codes (a valid LZW or LZW16 stream).
#pragma once

#include "foundation/TError.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ctffixture {

inline std::vector<uint8_t> Literals(const std::string& text, bool wide) {
    std::vector<uint8_t> out;
    if (wide) {
        out = {0, 1};
        for (char c : text) {
            out.push_back(static_cast<uint8_t>(c));
            out.push_back(0);
        }
        return out;
    }
    // 9-bit codes hold until 253 literals have added entries up to 510.
    uint32_t bits = 0, count = 0;
    auto put = [&](uint32_t code) {
        bits |= code << count;
        for (count += 9; count >= 8; count -= 8, bits >>= 8)
            out.push_back(static_cast<uint8_t>(bits));
    };
    put(256);
    for (char c : text)
        put(static_cast<uint8_t>(c));
    if (count) out.push_back(static_cast<uint8_t>(bits));
    return out;
}

// packing 0 stores `text`; 1 and 2 pack it. `length` overrides the header's.
inline std::vector<uint8_t> Ctf(const std::string& text, uint8_t packing, int64_t length = -1) {
    uint32_t n = static_cast<uint32_t>(length < 0 ? text.size() : length);
    std::vector<uint8_t> out = {packing, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
    out.resize(63, 0);
    std::vector<uint8_t> body = packing == 0 ? std::vector<uint8_t>(text.begin(), text.end())
                                             : Literals(text, packing == 2);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline std::vector<int32_t> ErrorCodes() {
    std::vector<int32_t> out;
    for (TListNode* n = TError::ShownList().Tail(); n; n = n->prev)
        out.push_back(static_cast<TErrorRec*>(n->item)->code);
    return out;
}

} // namespace ctffixture
