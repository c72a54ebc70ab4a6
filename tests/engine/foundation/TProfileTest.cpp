#include "foundation/TError.h"
#include "foundation/TProfile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Profile : public testing::Test {
protected:
    // Opens a profile over `text` written to "test.ini".
    TProfile* Make(const std::string& text) {
        path = dir.Write("test.ini", text);
        profile = std::make_unique<TProfile>(path.c_str());
        EXPECT_EQ(profile->Open(), 1);
        return profile.get();
    }
    std::string Read(const char* key, int size = 64) {
        char buffer[64] = "unset";
        if (!profile->FindKey(key) || !profile->ReadString(buffer, size)) return "<none>";
        return buffer;
    }
    std::string FileText() {
        auto bytes = testsupport::TempDir::Read(path);
        return std::string(bytes.begin(), bytes.end());
    }

    testsupport::TempDir dir;
    std::string path;
    std::unique_ptr<TProfile> profile;
};

TEST_F(Profile, SectionsMatchWholeAndCaseSensitive) {
    TProfile* p = Make("[Mainx]\r\nA=1\r\n[main]\r\nA=2\r\n[Main]\r\nA=3\r\n[Next]\r\nA=4\r\n");
    EXPECT_EQ(p->FindSection("Main"), 1);
    EXPECT_EQ(Read("A"), "3");
    EXPECT_EQ(p->FindSection("main"), 1);
    EXPECT_EQ(Read("A"), "2");
    EXPECT_EQ(p->FindSection("Other"), 0);
    EXPECT_EQ(Read("A"), "2"); // position unchanged
    EXPECT_EQ(p->FindSection("Next"), 1);
    EXPECT_EQ(Read("B"), "<none>");
}

TEST_F(Profile, KeysMatchAsWholeWordsWithinTheSection) {
    TProfile* p = Make("[S]\r\n  PathDialog = dlg\r\nPath=base\\\r\nNoValue\r\n[T]\r\nOnly=t\r\n");
    p->FindSection("S");
    EXPECT_EQ(Read("Path"), "base\\");
    EXPECT_EQ(Read("PathDialog"), "dlg");
    EXPECT_EQ(Read("Path"), "base\\");
    EXPECT_EQ(Read("NoValue"), "<none>");
    EXPECT_EQ(Read("Only"), "<none>"); // the next section ends the search
}

TEST_F(Profile, ItemsOfAValue) {
    TProfile* p = Make("[S]\r\n  Key  =  a ,b\r\nNums=10,20, 30\r\nLong=abcdefgh,z\r\nEnd=x");
    p->FindSection("S");
    char buffer[16];
    ASSERT_EQ(p->FindKey("Key"), 1);
    p->ReadString(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "a ");
    p->ReadString(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "b");
    ASSERT_EQ(p->FindKey("Nums"), 1);
    int32_t v = 0;
    for (int want : {10, 20, 30}) {
        EXPECT_EQ(p->ReadInt(&v), 1);
        EXPECT_EQ(v, want);
    }
    EXPECT_EQ(p->ReadInt(&v), 0);
    ASSERT_EQ(p->FindKey("Long"), 1);
    p->ReadString(buffer, 4); // cut: the rest of the item is skipped
    EXPECT_STREQ(buffer, "abc");
    p->ReadString(buffer, 4);
    EXPECT_STREQ(buffer, "z");
    EXPECT_EQ(Read("End"), "x"); // the text ends without a line end
}

TEST_F(Profile, NumbersDecimalAndHex) {
    TProfile* p =
        Make("[S]\r\nA=0x1A\r\nB=-42abc\r\nC=0X10\r\nD=0x\r\nE=0xG\r\nF=0xffffffff\r\nG=\r\n");
    ASSERT_EQ(p->FindSection("S"), 1);
    struct Case {
        const char* key;
        int result;
        int32_t value;
    } cases[] = {
        {"A", 1, 26}, {"B", 1, -42}, {"C", 1, 0}, {"D", 1, 0},
        {"E", 1, -1}, {"F", 1, -1},  {"G", 0, 7},
    };
    for (const Case& c : cases) {
        int32_t v = 7;
        ASSERT_EQ(p->FindKey(c.key), 1) << c.key;
        EXPECT_EQ(p->ReadInt(&v), c.result) << c.key;
        EXPECT_EQ(v, c.value) << c.key;
    }
}

TEST_F(Profile, BooleansAndWritingBack) {
    TProfile* p = Make("[Options]\r\nA=yes\r\nB=True\r\nC=1\r\nD=on\r\nSize=0x1A\r\nN=26\r\n");
    p->FindSection("Options");
    EXPECT_EQ(p->ReadBool("A"), 1);
    EXPECT_EQ(p->ReadBool("B"), 1);
    EXPECT_EQ(p->ReadBool("C"), 1);
    EXPECT_EQ(p->ReadBool("D"), 0);
    EXPECT_EQ(p->ReadBool("Missing"), 0);
    EXPECT_EQ(p->WriteBool("D", 1), 1);
    EXPECT_EQ(p->WriteBool("Missing", 1), 0);
    ASSERT_EQ(p->FindKey("Size"), 1);
    EXPECT_EQ(p->WriteInt(255), 1);
    ASSERT_EQ(p->FindKey("N"), 1);
    EXPECT_EQ(p->WriteInt(-5), 1);
    EXPECT_EQ(p->WriteInt(-5), 1);
    EXPECT_EQ(p->FindKey("Missing"), 0); // leaves no value behind to write into
    EXPECT_EQ(p->WriteInt(1), 0);
    EXPECT_EQ(p->ReadBool("D"), 1);
    EXPECT_EQ(FileText(), "[Options]\r\nA=yes\r\nB=True\r\nC=1\r\nD=on\r\nSize=0x1A\r\nN=26\r\n");
    EXPECT_EQ(p->Close(), 1);
    EXPECT_EQ(FileText(), "[Options]\r\nA=yes\r\nB=True\r\nC=1\r\nD=Yes\r\nSize=0xff\r\nN=-5\r\n");
}

TEST_F(Profile, GrowthStopsAtTheSpareRoom) {
    TProfile* p = Make("[S]\r\nA=x\r\nB=y\r\n");
    EXPECT_EQ(p->FindKey("A"), 0); // a search from the top stops at the first header
    ASSERT_EQ(p->FindSection("S"), 1);
    std::string big(1000, 'b');
    ASSERT_EQ(p->FindKey("A"), 1);
    EXPECT_EQ(p->WriteString(big.c_str()), 1); // 999 of the 1024 spare bytes used
    ASSERT_EQ(p->FindKey("B"), 1);
    EXPECT_EQ(p->WriteString("0123456789012345678901234567"), 0); // 27 more do not fit
    EXPECT_EQ(p->WriteString("0123456789012345678901234"), 1);    // 24 do
    EXPECT_EQ(p->TextLength(), 15 + 999 + 24);
    char buffer[8];
    ASSERT_EQ(p->FindKey("B"), 1);
    p->ReadString(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "0123456");
    p->Close();
}

TEST_F(Profile, UnchangedProfilesAreNotWrittenAndUnixLineEndsRead) {
    TProfile* p = Make("[S]\nA=1\nB=two\n");
    p->FindSection("S");
    EXPECT_EQ(Read("A"), "1");
    EXPECT_EQ(Read("B"), "two");
    dir.Write("test.ini", "changed behind our back");
    EXPECT_EQ(p->Close(), 1);
    EXPECT_EQ(FileText(), "changed behind our back");
}

TEST_F(Profile, MissingAndCorruptFilesAreReportedNotFatal) {
    TProfile missing(dir.File("none.ini").c_str());
    EXPECT_EQ(missing.Open(), 0);
    EXPECT_EQ(missing.FindSection("S"), 0);
    EXPECT_EQ(missing.FindKey("A"), 0);
    EXPECT_EQ(missing.ReadBool("A"), 0);
    EXPECT_EQ(missing.WriteInt(1), 0);
    EXPECT_EQ(static_cast<TErrorRec*>(TError::ShownList().Head()->item)->code, 2);

    // Binary junk and truncated headers scan without reading past the text.
    for (std::string junk :
         {std::string("[S"), std::string("[S]"), std::string("[S]\r\nA"), std::string("[S]\r\nA ="),
          std::string("\0\xff[\0]=\r", 7), std::string("[S]\r\nA=0x")}) {
        TProfile* p = Make(junk);
        p->FindSection("S");
        char buffer[8];
        int32_t v;
        if (p->FindKey("A")) {
            p->ReadString(buffer, sizeof buffer);
            p->ReadInt(&v);
            p->WriteInt(12345);
        }
        p->Close();
    }
}

TEST_F(Profile, ProfileTextScansAnOwnersText) {
    char text[] = "[Data]\r\nName=Hero\r\n";
    TProfileText p;
    EXPECT_EQ(p.Attach(), 0);
    p.SetText(text, static_cast<int32_t>(sizeof text - 1));
    ASSERT_EQ(p.Attach(), 1);
    ASSERT_EQ(p.FindSection("Data"), 1);
    ASSERT_EQ(p.FindKey("Name"), 1);
    char buffer[16];
    p.ReadString(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Hero");
    EXPECT_EQ(p.WriteString("Much longer name"), 0); // never past the owner's block
    EXPECT_EQ(p.WriteString("Ace"), 1);
    EXPECT_EQ(p.Detach(), 1);
    EXPECT_STREQ(text, "[Data]\r\nName=Ace\r\n\n");
}

} // namespace
