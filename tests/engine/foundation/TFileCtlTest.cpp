// Resource paths through resource.ini: base folder, joining, lookups.
#include "foundation/TError.h"
#include "foundation/TFileCtl.h"
#include "foundation/TResource.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Report {
    int32_t code;
    std::string message, object;
};

std::vector<Report> Reports() {
    std::vector<Report> out;
    for (TListNode* n = TError::ShownList().Tail(); n; n = n->prev) {
        auto* r = static_cast<TErrorRec*>(n->item);
        out.push_back({r->code, r->message.c_str(), r->object.c_str()});
    }
    return out;
}

class TFileCtlTest : public ::testing::Test {
protected:
    void TearDown() override {
        TFileCtl::SetProfile("");
        TFileCtl::SetRootPath("");
    }
    std::string Index(const std::string& text) { return dir.Write("resource.ini", text); }
    testsupport::TempDir dir;
};

TEST_F(TFileCtlTest, JoinPathTable) {
    struct {
        const char* dir;
        const char* rel;
        const char* want;
    } cases[] = {
        {"C:\\Game\\", "/sub/x.pcx", "C:\\Game\\sub\\x.pcx"},
        {"C:\\Game\\Data", "..\\Text\\a.ctf", "C:\\Game\\Text\\a.ctf"},
        {"C:\\Game", ".\\a", "C:\\Game\\a"},
        {"C:", "..\\x", "..\\x"},
        {"C:\\Game", "a/b\\c", "C:\\Game\\a\\b\\c"},
        {"/home/u/game", "../res/a.bmp", "\\home\\u\\res\\a.bmp"},
        {nullptr, "a/b", "a\\b"},
        {"C:/x/", nullptr, "C:\\x\\"},
        {"", "pics\\a.bmp", "pics\\a.bmp"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(TFileCtl::JoinPath(c.dir, c.rel).c_str(), c.want)
            << (c.dir ? c.dir : "null") << " + " << (c.rel ? c.rel : "null");
    EXPECT_EQ(TFileCtl::JoinPath(nullptr, nullptr).c_str(), nullptr);
}

// A game installed deep in a folder tree: paths far past 255 characters
// come out whole, and one join does not change the result of another.
TEST_F(TFileCtlTest, LongPathsAreNeverCut) {
    const std::string deep = "C:\\" + std::string(300, 'd');
    const std::string rel = "pics\\" + std::string(400, 'x') + ".bmp";
    const TString first = TFileCtl::JoinPath(deep.c_str(), rel.c_str());
    const TString second = TFileCtl::JoinPath("C:\\other", "a.bmp");
    EXPECT_EQ(std::string(first.c_str()), deep + "\\" + rel);
    EXPECT_STREQ(second.c_str(), "C:\\other\\a.bmp");
    EXPECT_EQ(std::string(TFileCtl::JoinPath(deep.c_str(), "..\\up").c_str()), "C:\\up");

    TFileCtl::SetRootPath(deep.c_str());
    const std::string sub(280, 's');
    TFileCtl::SetProfile(Index("[Main]\r\nPath=" + sub + "\r\n[Pictures]\r\nlong=" + rel +
                               "\r\nabs=E:\\" + std::string(300, 'e') + "\r\n")
                             .c_str());
    EXPECT_EQ(std::string(TFileCtl::GetBasePath()), deep + "\\" + sub);
    TString out;
    ASSERT_EQ(TFileCtl::GetPath("Pictures", "long", out), 1);
    EXPECT_EQ(std::string(out.c_str()), deep + "\\" + sub + "\\" + rel);
    ASSERT_EQ(TFileCtl::GetPath("Pictures", "abs", out), 1);
    EXPECT_EQ(std::string(out.c_str()), "E:\\" + std::string(300, 'e'));
    EXPECT_TRUE(Reports().empty());
}

TEST_F(TFileCtlTest, BasePathFromMainPath) {
    TFileCtl::SetRootPath("C:\\Game");
    TFileCtl::SetProfile(Index("[Main]\r\nPath = Data\r\n").c_str());
    EXPECT_STREQ(TFileCtl::GetBasePath(), "C:\\Game\\Data");
    TFileCtl::SetProfile(dir.Write("other.ini", "[Main]\r\nPath=D:\\Res\r\n").c_str());
    EXPECT_STREQ(TFileCtl::GetBasePath(), "D:\\Res");
    // A profile without the key keeps the base path.
    TFileCtl::SetProfile(dir.Write("third.ini", "[Other]\r\nPath=Q\r\n").c_str());
    EXPECT_STREQ(TFileCtl::GetBasePath(), "D:\\Res");
}

TEST_F(TFileCtlTest, GetPathTable) {
    TFileCtl::SetRootPath("C:\\Game");
    TFileCtl::SetProfile(Index("[Main]\r\nPath=Data\r\n"
                               "[Pictures]\r\n"
                               "abs=E:\\pics\\a.bmp\r\n"
                               "rel=pics/a.bmp\r\n"
                               "back=sub\\b.bmp\r\n"
                               "up=..\\shared\\c.bmp\r\n"
                               "empty=\r\n"
                               "bare\r\n")
                             .c_str());
    struct {
        const char* section;
        const char* key;
        int result;
        const char* path;
        int32_t error;
    } cases[] = {
        {"Pictures", "abs", 1, "E:\\pics\\a.bmp", 0},
        {"Pictures", "rel", 1, "C:\\Game\\Data\\pics\\a.bmp", 0},
        {"Pictures", "back", 1, "C:\\Game\\Data\\sub\\b.bmp", 0},
        {"Pictures", "up", 1, "C:\\Game\\shared\\c.bmp", 0},
        {"Pictures", "empty", 0, "", 0},
        {"Pictures", "bare", 0, "", 13},
        {"Pictures", "missing", 0, "", 13},
        {"Sounds", "abs", 0, "", 13},
    };
    for (const auto& c : cases) {
        TError::ClearLists();
        TString out("junk");
        EXPECT_EQ(TFileCtl::GetPath(c.section, c.key, out), c.result) << c.key;
        EXPECT_STREQ(out.c_str(), c.path) << c.key;
        std::vector<Report> reports = Reports();
        if (c.error) {
            ASSERT_EQ(reports.size(), 1u) << c.key;
            EXPECT_EQ(reports[0].code, 13);
            EXPECT_EQ(reports[0].object,
                      std::string(TFileCtl::GetProfile()) + ", " + c.section + ", " + c.key);
        } else {
            EXPECT_TRUE(reports.empty()) << c.key;
        }
    }
    TString out("junk");
    EXPECT_EQ(TFileCtl::GetPath(nullptr, "rel", out), 0);
    EXPECT_STREQ(out.c_str(), "");
}

TEST_F(TFileCtlTest, HasKey) {
    TFileCtl::SetProfile(Index("[Text]\r\nempty=\r\nfull=a.ctf\r\nbare\r\n").c_str());
    EXPECT_EQ(TFileCtl::HasKey("Text", "empty"), 1);
    EXPECT_EQ(TFileCtl::HasKey("Text", "full"), 1);
    EXPECT_EQ(TFileCtl::HasKey("Text", "bare"), 0);
    EXPECT_EQ(TFileCtl::HasKey("Text", "none"), 0);
    EXPECT_EQ(TFileCtl::HasKey("Other", "full"), 0);
    EXPECT_TRUE(Reports().empty());
}

TEST_F(TFileCtlTest, NewProfileAdvancesThePathGeneration) {
    uint32_t before = TResource::PathGeneration();
    TFileCtl::SetProfile(Index("[Main]\r\nPath=x\r\n").c_str());
    EXPECT_EQ(TResource::PathGeneration(), before + 1);
    TFileCtl::SetProfile(TFileCtl::GetProfile()); // the same name: nothing
    EXPECT_EQ(TResource::PathGeneration(), before + 1);
    TFileCtl::SetRootPath("C:\\Elsewhere"); // re-reads the base, no new generation
    EXPECT_EQ(TResource::PathGeneration(), before + 1);
    EXPECT_STREQ(TFileCtl::GetBasePath(), "C:\\Elsewhere\\x");
}

TEST_F(TFileCtlTest, MissingProfileGivesZero) {
    TFileCtl::SetProfile(dir.File("nothing.ini").c_str());
    TString out("junk");
    EXPECT_EQ(TFileCtl::GetPath("A", "b", out), 0);
    EXPECT_STREQ(out.c_str(), "");
    std::vector<Report> reports = Reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_NE(reports.back().code, 13); // the file layer says why
}

} // namespace
