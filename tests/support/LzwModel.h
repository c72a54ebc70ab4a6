// A plain model of the LZW (9 to 12-bit codes) and LZW16 (16-bit codes)
// stream rules: it walks every prefix chain afresh and keeps nothing else, so
// it shares no shortcut with the engine's decoders, which copy strings from
// earlier output. The tests and the fuzzers compare the decoders against it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// Codes as a list (the width is the writer's business).
struct LzwCodeList {
    const std::vector<uint32_t>& codes;
    size_t at = 0;
    bool Next(uint32_t, uint32_t& code) {
        if (at == codes.size()) return false;
        code = codes[at++];
        return true;
    }
};

// Codes packed as the decoders read them: 16-bit little-endian words, or
// `width` bits at a time from the low end of each byte.
struct LzwPackedCodes {
    const uint8_t* data;
    size_t size;
    bool wide;
    size_t at = 0;
    uint64_t bits = 0;
    uint32_t held = 0;
    bool Next(uint32_t width, uint32_t& code) {
        if (wide) {
            if (size - at < 2) return false;
            code = data[at] | (data[at + 1] << 8);
            at += 2;
            return true;
        }
        while (held < width) {
            if (at == size) return false;
            bits |= static_cast<uint64_t>(data[at++]) << held;
            held += 8;
        }
        code = static_cast<uint32_t>(bits & ((1u << width) - 1));
        bits >>= width;
        held -= width;
        return true;
    }
};

// One entry joins the dictionary: the next code and the code width move on.
// The width grows one code early (10-bit codes start at 511); at the top the
// table restarts silently, as after a clear code.
inline void LzwAddEntry(bool wide, uint32_t& next, uint32_t& width) {
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
}

// Decodes codes from `source` into `out` (at most `room` bytes). False when
// a prefix chain runs longer than the dictionary: a circle left by a silent
// restart; `out` then holds what came before that code.
template <class Source>
bool LzwModelDecode(Source source, bool wide, size_t room, std::vector<uint8_t>& out) {
    const uint32_t table = wide ? 65536u : 4096u;
    std::vector<uint32_t> prefix(table, 256);
    std::vector<uint8_t> last(table, 0);
    for (uint32_t i = 0; i < 256; ++i)
        last[i] = static_cast<uint8_t>(i);
    uint32_t next = 258, width = wide ? 16 : 9, prev = 0, code = 0;
    uint8_t prevFirst = 0;
    auto chain = [&](uint32_t c, std::vector<uint8_t>& s) {
        s.clear();
        for (uint32_t steps = 0; steps <= table; ++steps) {
            s.push_back(last[c]);
            if (c <= 256) {
                std::reverse(s.begin(), s.end());
                return true;
            }
            c = prefix[c];
        }
        return false;
    };
    std::vector<uint8_t> s;
    while (out.size() < room && source.Next(width, code)) {
        if (code == 256) {
            // A clear code: the table starts again, and the next code is a
            // literal (code 256 again when the stream ends here).
            next = 258;
            if (!wide) width = 9;
            uint32_t literal = 256;
            bool more = source.Next(width, literal);
            out.push_back(last[literal]);
            prev = literal;
            prevFirst = last[literal];
            if (!more) break;
            continue;
        }
        if (code < next) {
            if (!chain(code, s)) return false;
        } else {
            // The next entry, or beyond it: the previous string and its first byte.
            if (!chain(prev, s)) return false;
            s.push_back(prevFirst);
        }
        for (uint8_t b : s)
            if (out.size() < room) out.push_back(b);
        if (out.size() >= room) break;
        prefix[next] = prev;
        last[next] = s[0];
        LzwAddEntry(wide, next, width);
        prev = code;
        prevFirst = s[0];
    }
    return true;
}

} // namespace testsupport
