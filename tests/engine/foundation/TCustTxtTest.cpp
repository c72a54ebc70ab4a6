// Packed text resources: CTF files stored, LZW and LZW16, and their faults.
#include "foundation/TCustTxt.h"
#include "foundation/TFileCtl.h"

#include "CtfFixture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using ctffixture::Ctf;
using ctffixture::ErrorCodes;

class TCustTxtTest : public ::testing::Test {
protected:
    void TearDown() override { TFileCtl::SetProfile(""); }
    testsupport::TempDir dir;
};

TEST_F(TCustTxtTest, EveryPackingLoads) {
    for (uint8_t packing : {0, 1, 2}) {
        TCustTxt t;
        t.SetPath(dir.Write("t.ctf", Ctf("Hello, packed world!\r\n", packing)).c_str());
        ASSERT_EQ(t.Load(), 1) << int(packing);
        EXPECT_STREQ(t.GetText(), "Hello, packed world!\r\n");
        t.Unload();
    }
    EXPECT_TRUE(ErrorCodes().empty());
}

TEST_F(TCustTxtTest, LoadsAreCounted) {
    TCustTxt t;
    std::string path = dir.Write("h.ctf", Ctf("Hello", 0));
    t.SetPath(path.c_str());
    ASSERT_EQ(t.Load(), 1);
    std::remove(path.c_str()); // a second load does not read the file
    ASSERT_EQ(t.Load(), 1);
    t.Unload();
    EXPECT_STREQ(t.GetText(), "Hello");
    t.Unload();
    EXPECT_EQ(t.GetText(), nullptr);
}

TEST_F(TCustTxtTest, ResolvesThroughTheTextSection) {
    dir.Write("Data/Text/intro.ctf", Ctf("Intro", 1));
    TFileCtl::SetRootPath(dir.Path().string().c_str());
    TFileCtl::SetProfile(
        dir.Write("resource.ini", "[Main]\r\nPath=Data\r\n[Text]\r\nintro=Text/intro.ctf\r\n")
            .c_str());
    TCustTxt t("intro");
    ASSERT_EQ(t.Load(), 1);
    EXPECT_STREQ(t.GetText(), "Intro");
}

TEST_F(TCustTxtTest, FaultsTable) {
    std::vector<uint8_t> shortFile(40, 0);
    struct {
        const char* what;
        std::vector<uint8_t> file;
        int32_t code;
    } cases[] = {
        {"shorter than the header", shortFile, 54},
        {"stored length past the file", Ctf("abc", 0, 100), 54},
        {"unknown packing", Ctf("abc", 7), 54},
        {"absurd length", Ctf("abc", 1, 0xffffffffll), 54},
    };
    for (const auto& c : cases) {
        TError::ClearLists();
        TCustTxt t;
        t.SetPath(dir.Write("bad.ctf", c.file).c_str());
        EXPECT_EQ(t.Load(), 0) << c.what;
        EXPECT_EQ(t.GetText(), nullptr) << c.what;
        EXPECT_EQ(t.LoadCount(), 0) << c.what; // a later Load tries again
        EXPECT_EQ(ErrorCodes(), std::vector<int32_t>{c.code}) << c.what;
        ASSERT_NE(TError::ShownList().Head(), nullptr);
        // The file name is the report's message, not its object.
        auto* rec = static_cast<TErrorRec*>(TError::ShownList().Head()->item);
        EXPECT_STREQ(rec->message.c_str(), t.GetPath()) << c.what;
    }
    TError::ClearLists();
    TCustTxt missing;
    missing.SetPath(dir.File("none.ctf").c_str());
    EXPECT_EQ(missing.Load(), 0);
    EXPECT_EQ(ErrorCodes().back(), 56);
}

TEST_F(TCustTxtTest, PackedShorterThanItsLengthEndsWhereTheDataEnds) {
    // The header promises more than the stream holds: the text is what came.
    TCustTxt t;
    t.SetPath(dir.Write("p.ctf", Ctf("abc", 1, 50)).c_str());
    ASSERT_EQ(t.Load(), 1);
    EXPECT_STREQ(t.GetText(), "abc");
    EXPECT_EQ(t.TextLength(), 3);
    // A packed body cut after the header decodes to nothing.
    TCustTxt e;
    e.SetPath(dir.Write("e.ctf", std::vector<uint8_t>(Ctf("", 2, 10))).c_str());
    ASSERT_EQ(e.Load(), 1);
    EXPECT_STREQ(e.GetText(), "");
}

// A header may claim a text of 2 GB over a body of a few bytes: the block
// for the text is held to what the body can unpack to.
TEST_F(TCustTxtTest, ClaimedLengthBeyondTheBodyAllocatesNoMore) {
    static size_t largest;
    largest = 0;
    EngineSetHeapForTests([](size_t size) -> void* {
        if (size > largest) largest = size;
        return size > (1u << 20) ? nullptr : std::malloc(size);
    });
    for (uint8_t packing : {1, 2}) {
        TCustTxt t;
        t.SetPath(dir.Write("big.ctf", Ctf("abc", packing, 0x7ffffff0)).c_str());
        EXPECT_EQ(t.Load(), 1) << int(packing);
        EXPECT_STREQ(t.GetText(), "abc");
    }
    EngineSetHeapForTests(nullptr);
    EXPECT_LT(largest, size_t(1) << 20);
    EXPECT_TRUE(ErrorCodes().empty());
}

} // namespace
