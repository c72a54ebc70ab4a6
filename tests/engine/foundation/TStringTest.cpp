#include "foundation/TError.h"
#include "foundation/TString.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

TErrorRec* Newest() {
    TListNode* head = TError::ShownList().Head();
    return head ? static_cast<TErrorRec*>(head->item) : nullptr;
}

// Fails blocks of one size only, so the error handler's own records still fit.
size_t failSize = 0;
void* FailOneSize(size_t size) {
    return size == failSize ? nullptr : std::malloc(size);
}

TEST(String, BufferlessStringsEqualOnlyNull) {
    for (int capacity : {0, 1, -5}) {
        TString s(capacity);
        EXPECT_EQ(s.c_str(), nullptr);
        EXPECT_EQ(s.Length(), 0);
        EXPECT_EQ(s.MaxLength(), -1);
        EXPECT_TRUE(s == nullptr);
        EXPECT_FALSE(s == "");
        EXPECT_TRUE(s != "");
        EXPECT_TRUE("" != s);
        EXPECT_TRUE(s == TString(0));
        s = "text"; // grows: assignment allocates exactly what it needs
        EXPECT_STREQ(s.c_str(), "text");
        EXPECT_EQ(s.Capacity(), 5);
    }
    TString empty;
    EXPECT_TRUE(empty == "");
    EXPECT_FALSE(empty == nullptr);
    EXPECT_EQ(empty.Capacity(), 256);
}

TEST(String, GrowthRules) {
    TString s;
    s = std::string(300, 'a').c_str();
    EXPECT_EQ(s.Capacity(), 301);
    EXPECT_EQ(s.Length(), 300);
    s = "short";
    EXPECT_EQ(s.Capacity(), 301);

    TString t(4);
    t = "xy";
    t += "abc";
    EXPECT_STREQ(t.c_str(), "xyabc");
    EXPECT_EQ(t.Capacity(), 6);

    TString full(8);
    full = "1234567";
    full += 'z';
    EXPECT_STREQ(full.c_str(), "1234567z");
    EXPECT_EQ(full.Capacity(), 19);

    TString none(0);
    none += 'c';
    EXPECT_STREQ(none.c_str(), "c");
    EXPECT_EQ(none.Capacity(), 12);

    TString cut;
    cut = "hello";
    cut.Resize(3);
    EXPECT_STREQ(cut.c_str(), "he");
    EXPECT_EQ(cut.Capacity(), 3);
    cut.Resize(0); // ignored
    EXPECT_EQ(cut.Capacity(), 3);

    TString self("ab");
    self += self; // appending itself survives the resize
    EXPECT_STREQ(self.c_str(), "abab");
}

TEST(String, CharAtOutsideTheBufferLandsOnScratch) {
    TString s(8);
    s = "abc";
    *s.CharAt(1) = 'X';
    EXPECT_STREQ(s.c_str(), "aXc");
    for (int index : {8, -1, 1000}) {
        char* scratch = s.CharAt(index);
        *scratch = 'Q';
        EXPECT_EQ(*s.CharAt(index), 'Q');
        EXPECT_STREQ(s.c_str(), "aXc");
    }
    TString none(0);
    EXPECT_NE(none.CharAt(0), nullptr);
}

TEST(String, ReplaceFirstOccurrenceAndSearchFailures) {
    TString s("abcb");
    EXPECT_EQ(s.Replace("b", "XYZ"), 1);
    EXPECT_STREQ(s.c_str(), "aXYZcb");
    EXPECT_EQ(s.Capacity(), 258);
    EXPECT_EQ(s.Replace("q", "r"), 0);
    EXPECT_EQ(s.Replace(nullptr, "r"), 0);
    EXPECT_EQ(s.Replace("a", nullptr), 0);
    TString none(0);
    EXPECT_EQ(none.Replace("a", "b"), 0);

    // Shrinking replacement in a tight buffer keeps the text whole.
    TString tight(6);
    tight = "hello";
    EXPECT_EQ(tight.Replace("ell", ""), 1);
    EXPECT_STREQ(tight.c_str(), "ho");
    EXPECT_EQ(tight.Capacity(), 3);
}

TEST(String, ComparisonAndConcatenation) {
    TString path("Path");
    EXPECT_TRUE(path == "Path");
    EXPECT_FALSE(path == "path");
    EXPECT_TRUE(path != TString("path"));
    TString joined = path + "\\file";
    EXPECT_STREQ(joined.c_str(), "Path\\file");
    TString front = "C:" + path;
    EXPECT_STREQ(front.c_str(), "C:Path");
    TString copy(path);
    EXPECT_NE(copy.c_str(), path.c_str()); // copies never share a buffer
    TString nullText(static_cast<const char*>(nullptr));
    EXPECT_TRUE(nullText == "");
}

TEST(String, AllocationFailureReportsError9AndCarriesOn) {
    TError::ClearLists();
    failSize = 256;
    EngineSetHeapForTests(FailOneSize);
    {
        TString s;
        EXPECT_EQ(s.c_str(), nullptr);
        EXPECT_EQ(s.Capacity(), 256);
        s = "text"; // nothing to copy into
        EXPECT_EQ(s.c_str(), nullptr);
    }
    EngineSetHeapForTests(nullptr);
    TErrorRec* rec = Newest();
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->code, 9);
    EXPECT_STREQ(rec->source.c_str(), "Source\\TString");
    EXPECT_EQ(rec->line, 46);

    TString grow(4);
    grow = "abc";
    failSize = 9;
    EngineSetHeapForTests(FailOneSize);
    grow = "abcdefgh"; // the growth fails: cut to the old capacity
    EngineSetHeapForTests(nullptr);
    EXPECT_STREQ(grow.c_str(), "abc");
    EXPECT_EQ(Newest()->line, 147);
    TError::ClearLists();
}

} // namespace
