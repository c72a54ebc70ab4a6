// The encoders' output read back by the system's own decoders, over data that
// drives every width change, silent restart, clear code and unknown code.
#include "LzwEncoder.h"
#include "foundation/TLzw16Codec.h"
#include "foundation/TLzwCodec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Text(size_t size, uint32_t seed) {
    static const char* words[] = {"the ",   "room ",  "door ", "key ",    "opens ", "Lua ",
                                  "actor ", "walks ", "to ",   "table, ", "and\r\n"};
    std::mt19937 rng(seed);
    std::vector<uint8_t> out;
    while (out.size() < size) {
        const char* w = words[rng() % 11];
        out.insert(out.end(), w, w + std::char_traits<char>::length(w));
    }
    out.resize(size);
    return out;
}

std::vector<uint8_t> Noise(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(size);
    for (auto& b : out)
        b = static_cast<uint8_t>(rng());
    return out;
}

// A 16-bit 5:6:5 gradient picture with flat areas.
std::vector<uint8_t> Picture(size_t size) {
    std::vector<uint8_t> out;
    for (uint32_t i = 0; out.size() < size; ++i) {
        uint32_t x = i % 320, y = i / 320;
        uint16_t pixel = static_cast<uint16_t>(((x / 10) << 11) | ((y / 4 % 64) << 5) | (x % 32));
        out.push_back(static_cast<uint8_t>(pixel));
        out.push_back(static_cast<uint8_t>(pixel >> 8));
    }
    out.resize(size);
    return out;
}

template <class Codec>
std::vector<uint8_t> DecodeBoth(const std::vector<uint8_t>& packed, size_t size) {
    Codec codec;
    std::vector<uint8_t> memory(size + 16);
    int32_t capacity = static_cast<int32_t>(memory.size());
    EXPECT_EQ(
        codec.Decode(packed.data(), static_cast<int32_t>(packed.size()), memory.data(), &capacity),
        1);
    memory.resize(static_cast<size_t>(capacity));

    FILE* f = std::tmpfile();
    std::fwrite(packed.data(), 1, packed.size(), f);
    std::rewind(f);
    std::vector<uint8_t> stream(size + 16);
    capacity = static_cast<int32_t>(stream.size());
    EXPECT_EQ(codec.DecodeStream(f, stream.data(), &capacity), 1);
    std::fclose(f);
    stream.resize(static_cast<size_t>(capacity));
    EXPECT_EQ(memory, stream);
    return memory;
}

struct Case {
    const char* name;
    std::vector<uint8_t> data;
    tools::LzwOptions options;
};

std::vector<Case> Cases() {
    return {
        {"empty", {}, {}},
        {"one byte", {'x'}, {}},
        {"text", Text(300000, 1), {}},
        {"text without leading clear", Text(100000, 2), {false, 0, nullptr}},
        {"text with clears", Text(200000, 3), {true, 1000, nullptr}},
        {"noise", Noise(150000, 4), {}},
        {"one byte run", std::vector<uint8_t>(500000, 'a'), {}},
        {"zero run without clear", std::vector<uint8_t>(70000, 0), {false, 0, nullptr}},
        {"picture", Picture(600000), {}},
    };
}

TEST(LzwEncoder, LzwRoundTrip) {
    for (Case& c : Cases()) {
        tools::LzwStats stats;
        c.options.stats = &stats;
        std::vector<uint8_t> packed = tools::EncodeLzw(c.data, c.options);
        EXPECT_EQ(DecodeBoth<TLzwCodec>(packed, c.data.size()), c.data) << c.name;
        EXPECT_GE(stats.widthChanges, 3 * stats.restarts) << c.name;
    }
}

TEST(LzwEncoder, Lzw16RoundTrip) {
    for (Case& c : Cases()) {
        tools::LzwStats stats;
        c.options.stats = &stats;
        std::vector<uint8_t> packed = tools::EncodeLzw16(c.data, c.options);
        EXPECT_EQ(DecodeBoth<TLzw16Codec>(packed, c.data.size()), c.data) << c.name;
    }
}

TEST(LzwEncoder, EveryCaseIsProduced) {
    tools::LzwStats stats;
    tools::LzwOptions options;
    options.stats = &stats;
    tools::EncodeLzw(Text(300000, 5), options);
    EXPECT_GE(stats.widthChanges, 3u);
    EXPECT_GE(stats.restarts, 1u);
    EXPECT_GE(stats.unknownCodes, 1u);
    EXPECT_EQ(stats.clears, 1u);

    // LZW16 wraps after 65277 entries: noise adds one entry per byte or so.
    std::vector<uint8_t> noise = Noise(400000, 6);
    std::vector<uint8_t> packed = tools::EncodeLzw16(noise, options);
    EXPECT_GE(stats.restarts, 1u);
    EXPECT_EQ(DecodeBoth<TLzw16Codec>(packed, noise.size()), noise);

    options.clearEvery = 5000;
    tools::EncodeLzw16(noise, options);
    EXPECT_GE(stats.clears, 50u);
}

TEST(LzwEncoder, PackedTextIsSmaller) {
    std::vector<uint8_t> text = Text(100000, 7);
    EXPECT_LT(tools::EncodeLzw(text).size(), text.size() / 2);
    EXPECT_LT(tools::EncodeLzw16(text).size(), text.size() / 2);
}

} // namespace
