// Both decoders against a plain model of the stream rules, on long random
// code streams: valid codes, codes that extend the previous string, codes
// beyond the next entry, clear codes and silent restarts, in the memory form
// and in the stream form (whose 1024-byte blocks split codes anywhere).
#include "foundation/TLzw16Codec.h"
#include "foundation/TLzwCodec.h"

#include "LzwModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// A random stream, packed at the widths the decoder reads it with. Odd seeds
// also hold codes beyond the next entry, which soon leave prefix circles.
struct Stream {
    std::vector<uint32_t> codes;
    std::vector<uint8_t> bytes;
};

Stream MakeStream(bool wide, size_t count, uint32_t clearsPerMillion, uint32_t seed) {
    std::mt19937 rng(seed);
    Stream s;
    uint32_t next = 258, width = 9;
    bool literal = false;
    uint64_t bits = 0;
    uint32_t held = 0;
    for (size_t i = 0; i < count; ++i) {
        uint32_t roll = rng() % 1000;
        bool clear = !literal && rng() % 1000000 < clearsPerMillion;
        uint32_t code;
        if (clear)
            code = 256;
        else if (literal)
            code = roll < 990 ? rng() % 256 : rng() % (wide ? 65536 : 512); // any value
        else if (roll < 60)
            code = next; // the string that extends the previous one
        else if (roll < 63 && seed % 2)
            code = next + 1 + rng() % 50; // beyond: decoded as the one above (odd seeds)
        else
            code = rng() % next;
        code &= wide ? 0xFFFFu : (1u << width) - 1;
        if (!clear && !literal && code == 256) code = 65;
        s.codes.push_back(code);
        if (wide) {
            s.bytes.push_back(static_cast<uint8_t>(code));
            s.bytes.push_back(static_cast<uint8_t>(code >> 8));
        } else {
            bits |= static_cast<uint64_t>(code) << held;
            for (held += width; held >= 8; held -= 8, bits >>= 8)
                s.bytes.push_back(static_cast<uint8_t>(bits));
        }
        if (literal) {
            literal = false;
            continue;
        }
        if (code == 256) {
            next = 258;
            width = 9;
            literal = true;
            continue;
        }
        testsupport::LzwAddEntry(wide, next, width);
    }
    // Leftover bits fill a last byte that holds no whole code.
    if (!wide && held) s.bytes.push_back(static_cast<uint8_t>(bits));
    return s;
}

template <class Codec> int DecodeMemory(const Stream& s, std::vector<uint8_t>& out, size_t room) {
    out.assign(room, 0xEE);
    int32_t capacity = static_cast<int32_t>(room);
    Codec codec;
    int result =
        codec.Decode(s.bytes.data(), static_cast<int32_t>(s.bytes.size()), out.data(), &capacity);
    out.resize(static_cast<size_t>(capacity));
    return result;
}

template <class Codec> int DecodeFile(const Stream& s, std::vector<uint8_t>& out, size_t room) {
    std::FILE* file = std::tmpfile();
    if (!file) return -1;
    std::fwrite(s.bytes.data(), 1, s.bytes.size(), file);
    std::rewind(file);
    out.assign(room, 0xEE);
    int32_t capacity = static_cast<int32_t>(room);
    Codec codec;
    int result = codec.DecodeStream(file, out.data(), &capacity);
    std::fclose(file);
    out.resize(static_cast<size_t>(capacity));
    return result;
}

template <class Codec> void Compare(bool wide, size_t codes, uint32_t seeds) {
    for (uint32_t seed = 1; seed <= seeds; ++seed) {
        Stream s = MakeStream(wide, codes, wide ? 1 : 100, seed);
        // A room larger than the text, and rooms that cut it somewhere.
        for (size_t room : {size_t(1) << 24, size_t(1), size_t(777), size_t(40000)}) {
            std::vector<uint8_t> want, memory, file;
            bool whole =
                testsupport::LzwModelDecode(testsupport::LzwCodeList{s.codes}, wide, room, want);
            int m = DecodeMemory<Codec>(s, memory, room);
            int f = DecodeFile<Codec>(s, file, room);
            EXPECT_EQ(m, whole ? 1 : 0) << "seed " << seed << " room " << room;
            EXPECT_EQ(f, m) << "seed " << seed << " room " << room;
            EXPECT_TRUE(memory == want) << "seed " << seed << " room " << room << ": "
                                        << memory.size() << " bytes, want " << want.size();
            EXPECT_TRUE(file == memory) << "seed " << seed << " room " << room;
        }
    }
}

TEST(TLzwCodecRules, RandomStreamsDecodeAsTheRulesSay) {
    // 12000 codes pass several silent restarts between rare clear codes.
    Compare<TLzwCodec>(false, 12000, 24);
}

TEST(TLzw16CodecRules, RandomStreamsDecodeAsTheRulesSay) {
    // 70000 codes wrap the next code from 65534 back to 258.
    Compare<TLzw16Codec>(true, 70000, 4);
}

} // namespace
