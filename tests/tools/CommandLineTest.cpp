// The programs' number and selection parsing: whole numbers in range only,
// and album selections that leave paths with a drive alone.
#include "CommandLine.h"
#include "Glyphs5x7.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(CommandLine, NumbersAreWholeAndInRange) {
    const struct {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"0", true, 0},
        {"42", true, 42},
        {"-1", true, -1},
        {"100", true, 100},
        {"", false, 0},
        {"abc", false, 0},
        {"5x", false, 0},
        {" 5", false, 0},
        {"+5", false, 0},
        {"101", false, 0},
        {"-2", false, 0},
        {"1e3", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        int32_t value = 7;
        EXPECT_EQ(tools::ParseNumber(c.text, -1, 100, &value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : 7) << c.text; // untouched when refused
    }
    int32_t x = 0, y = 0;
    EXPECT_TRUE(tools::ParsePoint("560,-3", -10, 1000, &x, &y));
    EXPECT_EQ(x, 560);
    EXPECT_EQ(y, -3);
    for (const char* bad : {"5", "5,", ",5", "5,6,7", "a,b", "5;6"})
        EXPECT_FALSE(tools::ParsePoint(bad, -10, 1000, &x, &y)) << bad;
}

TEST(CommandLine, AnOptionsRefusedValueIsNamedWithItsRange) {
    int64_t value = 7;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(tools::ParseOptionNumber("tool", "--ticks", "5x", 0, 99, &value));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tool: --ticks takes a whole number from 0 to 99, not \"5x\"\n");
    EXPECT_EQ(value, 7);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(tools::ParseOptionNumber("tool", "--ticks", "12", 0, 99, &value));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(value, 12);
}

TEST(CommandLine, SoundSelections) {
    const struct {
        const char* text;
        bool ok;
        const char* path;
        int32_t entry, sound;
    } cases[] = {
        {"tone.wav", true, "tone.wav", 0, 0},
        {"a.sda:2:3", true, "a.sda", 2, 3},
        {"c:\\sounds\\a.sda:0:1", true, "c:\\sounds\\a.sda", 0, 1},
        {"c:\\sounds\\a.wav", true, "c:\\sounds\\a.wav", 0, 0}, // a drive is no selection
        {"a.sda:x:y", false, "", 0, 0},
        {"a.sda::1", false, "", 0, 0},
        {"a.sda:1:-1", false, "", 0, 0},
    };
    for (const auto& c : cases) {
        tools::SoundSelection s;
        std::string error;
        ASSERT_EQ(tools::ParseSoundSelection(c.text, &s, &error), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_FALSE(error.empty()) << c.text;
            continue;
        }
        EXPECT_EQ(s.path, c.path);
        EXPECT_EQ(s.entry, c.entry);
        EXPECT_EQ(s.sound, c.sound);
    }
    EXPECT_EQ(tools::DisplayPath("\\data\\pics\\a.bmp"), "/data/pics/a.bmp");
}

// The harness's one glyph table: each character once, no two glyphs alike
// (a copied row would make two characters read the same), five columns wide.
TEST(Glyphs5x7, EachCharacterOnceAndDistinct) {
    std::set<char> characters;
    std::set<std::string> shapes;
    for (const tools::Glyph5x7& g : tools::Glyphs5x7()) {
        EXPECT_TRUE(characters.insert(g.c).second) << g.c;
        EXPECT_TRUE(shapes.insert(std::string(g.rows, g.rows + 7)).second) << g.c;
        for (uint8_t row : g.rows)
            EXPECT_EQ(row & 0x07, 0) << g.c;
    }
    EXPECT_TRUE(characters.count('S') && characters.count('5') && characters.count('/'));
}

} // namespace
