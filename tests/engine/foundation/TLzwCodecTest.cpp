// LZW decoding from hand-made code streams: each stream is written code by
// code at the width the decoder reads it, so width switches, restarts and
// clears land exactly where the test puts them.
#include "foundation/TLzwCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Writes codes at the widths the decoder will read them with.
class CodeStream {
public:
    void Code(uint32_t code) {
        Put(code, width_);
        if (code == 256) {
            next_ = 258;
            width_ = 9;
            literal_ = true;
        } else if (literal_) {
            literal_ = false;
        } else if (++next_ == (1u << width_) - 1) {
            if (width_ < 12) {
                ++width_;
            } else {
                next_ = 258;
                width_ = 9;
            }
        }
    }
    // Literals until the next entry to be added is `entry`.
    void FillTo(uint32_t entry, std::string& expected) {
        for (int i = 0; next_ != entry; ++i) {
            char c = static_cast<char>('a' + i % 26);
            Code(static_cast<uint8_t>(c));
            expected += c;
        }
    }
    uint32_t Next() const { return next_; }
    uint32_t Width() const { return width_; }
    void Raw(uint32_t code, uint32_t width) { Put(code, width); }
    std::vector<uint8_t> Bytes() {
        std::vector<uint8_t> out = bytes_;
        if (count_) out.push_back(static_cast<uint8_t>(bits_));
        return out;
    }

private:
    void Put(uint32_t code, uint32_t width) {
        bits_ |= static_cast<uint64_t>(code) << count_;
        count_ += width;
        for (; count_ >= 8; count_ -= 8, bits_ >>= 8)
            bytes_.push_back(static_cast<uint8_t>(bits_));
    }
    std::vector<uint8_t> bytes_;
    uint64_t bits_ = 0;
    uint32_t count_ = 0;
    uint32_t next_ = 258;
    uint32_t width_ = 9;
    bool literal_ = false;
};

struct Decoded {
    int result;
    std::string text;
};

Decoded DecodeMemory(const std::vector<uint8_t>& packed, int32_t room) {
    TLzwCodec codec;
    std::vector<uint8_t> out(static_cast<size_t>(room) + 1, 0xEE);
    int32_t capacity = room;
    int result =
        codec.Decode(packed.data(), static_cast<int32_t>(packed.size()), out.data(), &capacity);
    EXPECT_EQ(out[static_cast<size_t>(room)], 0xEE) << "wrote past the room";
    return {result, std::string(out.begin(), out.begin() + capacity)};
}

Decoded DecodeFile(const std::vector<uint8_t>& packed, int32_t room, long skip = 0) {
    FILE* f = std::tmpfile();
    std::fwrite(packed.data(), 1, packed.size(), f);
    std::fseek(f, skip, SEEK_SET);
    TLzwCodec codec;
    std::vector<uint8_t> out(static_cast<size_t>(room) + 1, 0xEE);
    int32_t capacity = room;
    int result = codec.DecodeStream(f, out.data(), &capacity);
    std::fclose(f);
    EXPECT_EQ(out[static_cast<size_t>(room)], 0xEE) << "wrote past the room";
    return {result, std::string(out.begin(), out.begin() + capacity)};
}

// Both forms must agree on every stream.
void ExpectDecodes(const std::vector<uint8_t>& packed, const std::string& expected,
                   int32_t room = 1 << 20) {
    for (const Decoded& d : {DecodeMemory(packed, room), DecodeFile(packed, room)}) {
        EXPECT_EQ(d.result, 1);
        // Long texts: say where they part instead of printing them.
        size_t at =
            std::mismatch(d.text.begin(), d.text.end(), expected.begin(), expected.end()).first -
            d.text.begin();
        EXPECT_TRUE(d.text == expected) << "sizes " << d.text.size() << " and " << expected.size()
                                        << ", first difference at " << at;
    }
}

TEST(TLzwCodec, UnknownCodeExtendsThePreviousString) {
    CodeStream s;
    for (uint32_t c : {256u, 65u, 66u, 258u, 260u})
        s.Code(c);
    ExpectDecodes(s.Bytes(), "ABABABA");
}

TEST(TLzwCodec, WidthGrowsOneCodeEarly) {
    CodeStream s;
    std::string expected;
    s.Code(256);
    s.Code('a');
    expected = "a";
    s.FillTo(510, expected);
    ASSERT_EQ(s.Width(), 9u);
    s.Code('!'); // adds entry 510: the next code is read with 10 bits
    expected += '!';
    ASSERT_EQ(s.Width(), 10u);
    s.Code(258); // entry 258 = 'a' + first byte of the next string
    expected += expected.substr(0, 2);
    s.FillTo(1023, expected);
    ASSERT_EQ(s.Width(), 11u);
    s.Code(259);
    expected += expected.substr(1, 2);
    ExpectDecodes(s.Bytes(), expected);
}

TEST(TLzwCodec, FullDictionaryRestartsWithoutClearCode) {
    CodeStream s;
    std::string expected = "q";
    s.Code(256);
    s.Code('q');
    s.FillTo(4094, expected);
    s.Code('Z'); // adds entry 4094: back to 9 bits, next entry 258
    expected += 'Z';
    ASSERT_EQ(s.Next(), 258u);
    ASSERT_EQ(s.Width(), 9u);
    s.Code('Y'); // entry 258 = "ZY"
    s.Code(258);
    expected += "YZY";
    ExpectDecodes(s.Bytes(), expected);
}

TEST(TLzwCodec, ClearCodeStartsOverWithALiteral) {
    CodeStream s;
    std::string expected = "x";
    s.Code(256);
    s.Code('x');
    s.FillTo(600, expected); // 10-bit codes by now
    s.Code(256);
    s.Code('P'); // literal: no entry
    s.Code('Q'); // entry 258 = "PQ"
    s.Code(258);
    s.Code(260); // unknown code: "PQ" + 'P'
    expected += "PQPQPQP";
    ExpectDecodes(s.Bytes(), expected);
}

TEST(TLzwCodec, StreamWithoutLeadingClearStartsFromCodeZero) {
    CodeStream s;
    s.Code('A'); // entry 258 = "\0A"
    s.Code(258);
    ExpectDecodes(s.Bytes(), std::string("A\0A", 3));
}

TEST(TLzwCodec, ClearAtTheEndYieldsOneZeroByte) {
    CodeStream s;
    s.Code(256);
    s.Code('k');
    s.Code(256);
    ExpectDecodes(s.Bytes(), std::string("k\0", 2));
}

TEST(TLzwCodec, OutputFillsExactly) {
    CodeStream s;
    for (uint32_t c : {256u, 65u, 66u, 258u, 260u})
        s.Code(c);
    for (int32_t room = 1; room <= 7; ++room) {
        Decoded memory = DecodeMemory(s.Bytes(), room);
        EXPECT_EQ(memory.result, 1);
        EXPECT_EQ(memory.text, std::string("ABABABA").substr(0, static_cast<size_t>(room)));
        Decoded file = DecodeFile(s.Bytes(), room);
        EXPECT_EQ(file.text, memory.text);
    }
}

TEST(TLzwCodec, TruncatedStreamDecodesItsWholeCodes) {
    CodeStream s;
    for (uint32_t c : {256u, 65u, 66u, 258u, 260u})
        s.Code(c);
    std::vector<uint8_t> packed = s.Bytes(); // 45 bits in 6 bytes
    packed.resize(5);                        // the last code loses its top bits
    ExpectDecodes(packed, "ABAB");
    packed.resize(1);
    ExpectDecodes(packed, "");
}

TEST(TLzwCodec, CodeBeyondTheNextIsDecodedAsTheUnknownCode) {
    CodeStream s;
    s.Code(256);
    s.Code('A');
    s.Raw(300, 9); // corrupt: treated as "A" + 'A', entry 258 = "AA"
    s.Raw(258, 9);
    ExpectDecodes(s.Bytes(), "AAAAA");
}

TEST(TLzwCodec, LongStringAfterRestartIsNotCut) {
    // Runs of one byte make strings of some 3800 bytes; after a restart the
    // first entry leans on such a string and must be rebuilt through its
    // prefixes, longer than the decoder's first reversal buffer. The run
    // starts above 258 so that its chain does not pass the entry that the
    // restart overwrites first.
    CodeStream s;
    std::string expected = "a";
    s.Code(256);
    s.Code('a');
    s.FillTo(300, expected);
    s.Code('a');
    expected += 'a';
    std::string last = "a";
    while (s.Next() != 4094) {
        s.Code(s.Next()); // always the unknown code: one 'a' longer
        last += 'a';
        expected += last;
    }
    s.Code(4093); // adds entry 4094 and restarts; previous code is 4093
    expected += last;
    s.Code('x'); // entry 258 = string(4093) + 'x'
    s.Code(258);
    expected += "x" + last + "x";
    ASSERT_GT(last.size(), 2048u);
    ExpectDecodes(s.Bytes(), expected, 1 << 24);
}

TEST(TLzwCodec, PrefixCircleEndsTheRunAsCorrupt) {
    CodeStream s;
    std::string ignored = "a";
    s.Code(256);
    s.Code('a');
    s.FillTo(4094, ignored);
    s.Code(3000); // adds entry 4094 and restarts; previous code 3000
    s.Code('x');  // entry 258 = (3000, 'x')
    s.FillTo(2999, ignored);
    s.Code(258); // entry 2999; previous code 258
    s.Code('y'); // entry 3000 = (258, ...): 258 and 3000 now lead to each other
    s.Code(258);
    Decoded memory = DecodeMemory(s.Bytes(), 1 << 20);
    EXPECT_EQ(memory.result, 0);
    Decoded file = DecodeFile(s.Bytes(), 1 << 20);
    EXPECT_EQ(file.result, 0);
}

TEST(TLzwCodec, ArgumentsTable) {
    TLzwCodec codec;
    uint8_t packed[2] = {0, 1};
    uint8_t out[4];
    int32_t capacity = 4;
    EXPECT_EQ(codec.Decode(nullptr, 2, out, &capacity), 0);
    EXPECT_EQ(codec.Decode(packed, 2, nullptr, &capacity), 0);
    EXPECT_EQ(codec.Decode(packed, 2, out, nullptr), 0);
    EXPECT_EQ(codec.DecodeStream(nullptr, out, &capacity), 0);
    capacity = 4;
    EXPECT_EQ(codec.Decode(packed, 0, out, &capacity), 1);
    EXPECT_EQ(capacity, 0);
    capacity = 0;
    EXPECT_EQ(codec.Decode(packed, 2, out, &capacity), 1);
    EXPECT_EQ(capacity, 0);
}

TEST(TLzwCodec, StreamFormStartsAtTheCurrentPosition) {
    CodeStream s;
    for (uint32_t c : {256u, 65u, 66u, 258u, 260u})
        s.Code(c);
    std::vector<uint8_t> packed = {'h', 'e', 'a', 'd'};
    std::vector<uint8_t> body = s.Bytes();
    packed.insert(packed.end(), body.begin(), body.end());
    Decoded file = DecodeFile(packed, 100, 4);
    EXPECT_EQ(file.result, 1);
    EXPECT_EQ(file.text, "ABABABA");
}

} // namespace
