// The one conversion of accumulators into device samples, clamped.
#include "media/sound/SoundFormat.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SoundFormat, FormatsComeFromTheCapsBits) {
    EXPECT_EQ(ChooseSoundFormat(0xFFF).code, 128);
    EXPECT_EQ(ChooseSoundFormat(0x40).code, 64);
    EXPECT_EQ(ChooseSoundFormat(0x10).code, 16);
    EXPECT_EQ(ChooseSoundFormat(0x1).code, 1);
    EXPECT_EQ(ChooseSoundFormat(0x0).divisor, 8);
}

TEST(SoundFormat, ConversionClampsInEveryFormat) {
    const std::vector<int32_t> acc = {49149, 49149, -70000, 100, 1000, -3000, 0, 0};
    struct Case {
        int32_t code;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {128, {0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x80, 100, 0, 0xE8, 0x03, 0x48, 0xF4, 0, 0, 0, 0}},
        {64, {0xFF, 0x7F, 0x00, 0x80, 0x18, 0xFC, 0, 0}},
        {16, {0xFF, 0x00, 0x7C, 0x80}},
        {1, {0xDF, 0x7E}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out(16, 0xAA);
        const size_t n = ConvertMix(c.code, acc.data(), acc.size(), out.data());
        out.resize(n);
        EXPECT_EQ(out, c.bytes) << c.code;
    }
}

} // namespace
