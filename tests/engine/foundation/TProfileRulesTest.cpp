// The scanner's syntax rules one by one: where a key search stops, what
// counts as a blank, which '[' opens a section, how items are cut, and what a
// rewrite keeps of the line around the value.
#include "foundation/TError.h"
#include "foundation/TProfile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ProfileRules : public testing::Test {
protected:
    testsupport::TempDir dir;
};

TEST_F(ProfileRules, FindingSectionsAndKeys) {
    struct Case {
        const char* text;
        const char* section; // null: search from the top
        const char* key;
        int found;
        const char* value; // the first item, when found
    } cases[] = {
        // Only spaces are blanks; a tab before the key hides it.
        {"[S]\r\n   A   =  1\r\n", "S", "A", 1, "1"},
        {"[S]\r\n\tA=1\r\n", "S", "A", 0, nullptr},
        // Whole words only, and the longer key is not found by the shorter.
        {"[S]\r\nAB=1\r\nA=2\r\n", "S", "A", 1, "2"},
        {"[S]\r\nA B=1\r\n", "S", "A", 0, nullptr},
        // A '[' anywhere in a line ends the section's key search.
        {"[S]\r\nX=a[b\r\nA=1\r\n", "S", "A", 0, nullptr},
        // Every '[' is a candidate header, even inside a value.
        {"X=[S]\r\nA=1\r\n", "S", "A", 1, "1"},
        // The body begins after the header's line feed: text behind "]" on
        // the header's line is no key.
        {"[S] A=1\r\nB=2\r\n", "S", "A", 0, nullptr},
        {"[S]", "S", "A", 0, nullptr},
        // Keys and sections compare byte for byte.
        {"[S]\r\nkey=1\r\n", "S", "Key", 0, nullptr},
        // The first key of that name in the section wins.
        {"[S]\r\nA=1\r\nA=2\r\n", "S", "A", 1, "1"},
        // Unix line ends end a value too.
        {"[S]\nA=x y\nB=2\n", "S", "A", 1, "x y"},
        {"[S]\r\nA=\r\n", "S", "A", 1, ""},
    };
    for (const Case& c : cases) {
        TProfile p(dir.Write("r.ini", std::string(c.text)).c_str());
        ASSERT_EQ(p.Open(), 1);
        if (c.section) {
            ASSERT_EQ(p.FindSection(c.section), 1) << c.text;
        }
        EXPECT_EQ(p.FindKey(c.key), c.found) << c.text;
        if (c.found) {
            char buffer[32] = "unset";
            EXPECT_EQ(p.ReadString(buffer, sizeof buffer), 1);
            EXPECT_STREQ(buffer, c.value) << c.text;
        }
        p.Close();
    }
    EXPECT_EQ(TError::ShownList().Count(), 0); // nothing missing is reported
}

TEST_F(ProfileRules, IntegerItems) {
    TProfile p(dir.Write("n.ini", std::string("[S]\r\nA=  12  , 5,x7,,9\r\nB=+8\r\n"
                                              "C=0x7fffffff,0xFfFf,0x123456789\r\n"
                                              "D=0x00000000000000000000000000001F\r\n"))
                   .c_str());
    ASSERT_EQ(p.Open(), 1);
    ASSERT_EQ(p.FindSection("S"), 1);
    struct Step {
        const char* key; // null: the next item of the same value
        int result;
        int32_t value;
    } steps[] = {
        {"A", 1, 12},
        {nullptr, 1, 5},
        {nullptr, 1, 0}, // "x7" has no digits
        {nullptr, 0, -1},
        {nullptr, 1, 9},
        {nullptr, 0, -1}, // empty item, then the end
        {"B", 1, 8},
        {"C", 1, 0x7fffffff},
        {nullptr, 1, 0xffff},
        {nullptr, 1, 0x23456789}, // past eight digits the high ones weigh nothing
        {"D", 1, 1},              // read by its first 31 characters: "0x", 28 zeros and "1"
    };
    for (const Step& s : steps) {
        if (s.key) {
            ASSERT_EQ(p.FindKey(s.key), 1) << s.key;
        }
        int32_t v = -1;
        EXPECT_EQ(p.ReadInt(&v), s.result) << (s.key ? s.key : "next");
        if (s.result) {
            EXPECT_EQ(v, s.value) << (s.key ? s.key : "next");
        }
    }
    p.Close();
}

TEST_F(ProfileRules, RewritesKeepTheLineAroundTheValue) {
    std::string path = dir.Write("w.ini", std::string("[S]\r\nA =   old, more\r\nH=0x10\r\n"
                                                      "E=\r\nZ=end"));
    TProfile p(path.c_str());
    ASSERT_EQ(p.Open(), 1);
    ASSERT_EQ(p.FindSection("S"), 1);
    ASSERT_EQ(p.FindKey("A"), 1);
    EXPECT_EQ(p.WriteString("new"), 1); // every item goes, the blanks after "=" stay
    ASSERT_EQ(p.FindKey("H"), 1);
    EXPECT_EQ(p.WriteInt(-5), 1); // the hex form stays, in 32-bit two's complement
    ASSERT_EQ(p.FindKey("E"), 1);
    EXPECT_EQ(p.WriteInt(7), 1);
    ASSERT_EQ(p.FindKey("Z"), 1);
    EXPECT_EQ(p.WriteString("last"), 1); // a value that ends the text
    EXPECT_EQ(p.Close(), 1);
    auto bytes = testsupport::TempDir::Read(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "[S]\r\nA =   new\r\nH=0xfffffffb\r\nE=7\r\nZ=last");
}

} // namespace
