// LZW16 decoding from hand-made streams of 16-bit code words.
#include "foundation/TLzw16Codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Words(const std::vector<uint32_t>& codes) {
    std::vector<uint8_t> out;
    for (uint32_t c : codes) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    return out;
}

struct Decoded {
    int result;
    std::string text;
};

Decoded Decode(const std::vector<uint8_t>& packed, int32_t room, bool stream) {
    TLzw16Codec codec;
    std::vector<uint8_t> out(static_cast<size_t>(room) + 1, 0xEE);
    int32_t capacity = room;
    int result;
    if (stream) {
        FILE* f = std::tmpfile();
        std::fwrite(packed.data(), 1, packed.size(), f);
        std::rewind(f);
        result = codec.DecodeStream(f, out.data(), &capacity);
        std::fclose(f);
    } else {
        result =
            codec.Decode(packed.data(), static_cast<int32_t>(packed.size()), out.data(), &capacity);
    }
    EXPECT_EQ(out[static_cast<size_t>(room)], 0xEE) << "wrote past the room";
    return {result, std::string(out.begin(), out.begin() + capacity)};
}

void ExpectDecodes(const std::vector<uint8_t>& packed, const std::string& expected,
                   int32_t room = 1 << 20) {
    for (bool stream : {false, true}) {
        Decoded d = Decode(packed, room, stream);
        EXPECT_EQ(d.result, 1) << "stream " << stream;
        EXPECT_TRUE(d.text == expected)
            << "stream " << stream << ": sizes " << d.text.size() << " and " << expected.size();
    }
}

TEST(TLzw16Codec, UnknownCodeAndTrailingOddByte) {
    std::vector<uint8_t> packed = Words({256, 'A', 'B', 258, 260});
    ExpectDecodes(packed, "ABABABA");
    packed.push_back(0x41); // half a code word: ignored
    ExpectDecodes(packed, "ABABABA");
}

TEST(TLzw16Codec, AfterEntry65534TheNextEntryIs258) {
    std::vector<uint32_t> codes = {256, 'a'};
    std::string expected = "a";
    // 65277 literals add entries 258..65534.
    for (uint32_t entry = 258; entry <= 65534; ++entry) {
        char c = static_cast<char>('a' + entry % 26);
        codes.push_back(static_cast<uint8_t>(c));
        expected += c;
    }
    codes.push_back('Q'); // entry 258 = last literal + 'Q'
    codes.push_back(258);
    expected += "Q";
    expected += expected.substr(expected.size() - 2, 1) + "Q";
    // The stream form reads across many 1024-word blocks.
    ExpectDecodes(Words(codes), expected);
}

TEST(TLzw16Codec, ClearThenLiteralThenEntries) {
    ExpectDecodes(Words({'x', 256, 'P', 'Q', 258, 260}), std::string("x") + "PQPQPQP");
}

TEST(TLzw16Codec, OutputFillsExactlyAndTruncationStopsAtWholeWords) {
    std::vector<uint8_t> packed = Words({256, 'A', 'B', 258, 260});
    for (int32_t room = 1; room <= 7; ++room)
        for (bool stream : {false, true})
            EXPECT_EQ(Decode(packed, room, stream).text,
                      std::string("ABABABA").substr(0, static_cast<size_t>(room)));
    packed.resize(9); // four and a half words
    ExpectDecodes(packed, "ABAB");
}

TEST(TLzw16Codec, ClearAtTheEndYieldsOneZeroByte) {
    ExpectDecodes(Words({256, 'k', 256}), std::string("k\0", 2));
}

TEST(TLzw16Codec, CodeBeyondTableIsHandledAsUnknown) {
    // 65535 is outside the dictionary: it stands for the unknown code.
    ExpectDecodes(Words({256, 'A', 65535, 258}), "AAAAA");
}

} // namespace
