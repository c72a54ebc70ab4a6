// Sectioned texts: the section rules.
#include "foundation/TSectTxt.h"

#include "CtfFixture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(TSectTxt, SectionRules) {
    testsupport::TempDir dir;
    const std::string text = "[1]\r\nFirst\r\n\r\n[2]\r\nSecond  \r\n"
                             "[12]\r\nTwelve\r\nlines\r\n[e]\r\n  \r\n"
                             "[a]\r\n[b]\r\nbee";
    struct {
        const char* section;
        const char* want; // null: no text
    } cases[] = {
        {"1", "First"}, {"2", "Second"}, {"3", nullptr}, {"12", "Twelve\r\nlines"}, {"e", nullptr},
        {"a", nullptr}, {"b", "bee"},    {"", nullptr},  {"[1", nullptr},
    };
    for (uint8_t packing : {0, 1, 2}) {
        TSectTxt t;
        t.SetPath(dir.Write("s.ctf", ctffixture::Ctf(text, packing)).c_str());
        ASSERT_EQ(t.Load(), 1);
        for (const auto& c : cases) {
            t.SetSection(c.section);
            const char* got = t.GetSection();
            if (c.want) {
                ASSERT_NE(got, nullptr) << c.section;
                EXPECT_STREQ(got, c.want) << c.section;
            } else {
                EXPECT_EQ(got, nullptr) << c.section;
            }
        }
    }
}

TEST(TSectTxt, UnclosedHeaderEndsTheSearch) {
    testsupport::TempDir dir;
    TSectTxt t;
    t.SetPath(dir.Write("u.ctf", ctffixture::Ctf("[1\r\nx\r\n[2]\r\ntwo", 0)).c_str());
    ASSERT_EQ(t.Load(), 1);
    t.SetSection("2");
    // "[1\r\nx\r\n[2]" is read as one header name, so "2" is not found.
    EXPECT_EQ(t.GetSection(), nullptr);
    t.SetSection("1");
    EXPECT_EQ(t.GetSection(), nullptr);
    TSectTxt none;
    none.SetSection("1");
    EXPECT_EQ(none.GetSection(), nullptr); // nothing loaded
}

} // namespace
