// Settings resources: plain ini files and CTF texts behind one query
// interface.
#include "foundation/TIniFile.h"

#include "CtfFixture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const char kIni[] = "[Game]\r\nTitle=Hello, World\r\nCount=0x10\r\nSpeed = 12 , 3\r\nEmpty=\r\n";

class TIniFileTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
};

TEST_F(TIniFileTest, PlainAndCtfAnswerAlike) {
    std::string files[] = {
        dir.Write("config.ini", std::string(kIni)),
        dir.Write("config.INI", ctffixture::Ctf(kIni, 0)),
        dir.Write("config.dat", ctffixture::Ctf(kIni, 1)),
        dir.Write("config", ctffixture::Ctf(kIni, 2)),
    };
    for (const std::string& path : files) {
        TIniFile ini;
        ini.SetPath(path.c_str());
        ASSERT_EQ(ini.Load(), 1) << path;
        EXPECT_STREQ(ini.GetString("Game", "Title", "x"), "Hello") << path;
        EXPECT_EQ(ini.GetInt("Game", "Count", -1), 16) << path;
        EXPECT_EQ(ini.GetInt("Game", "Speed", -1), 12) << path;
        EXPECT_STREQ(ini.GetString("Game", "Missing", "dflt"), "dflt");
        EXPECT_EQ(ini.GetInt("Game", "Missing", 7), 7);
        EXPECT_EQ(ini.GetInt("Game", "Empty", 8), 8);
        EXPECT_STREQ(ini.GetString("Other", "Title", "dflt"), "dflt");
        EXPECT_EQ(ini.FindSection("Game"), 1);
        EXPECT_STREQ(ini.GetText(), kIni);
    }
    EXPECT_TRUE(ctffixture::ErrorCodes().empty());
}

TEST_F(TIniFileTest, WithoutParserEverythingIsDefault) {
    TIniFile ini;
    EXPECT_STREQ(ini.GetString("a", "b", "d"), "d");
    EXPECT_EQ(ini.GetInt("a", "b", 3), 3);
    EXPECT_EQ(ini.FindSection("a"), 0);
    EXPECT_EQ(ini.FindKey("b"), 0);
}

TEST_F(TIniFileTest, ReloadingAPlainFileReadsItAnew) {
    std::string path = dir.Write("a.ini", std::string("[S]\r\nk=1\r\n"));
    TIniFile ini;
    ini.SetPath(path.c_str());
    ASSERT_EQ(ini.Load(), 1);
    dir.Write("a.ini", std::string("[S]\r\nk=2\r\n"));
    ASSERT_EQ(ini.Load(), 1);
    EXPECT_EQ(ini.GetInt("S", "k", 0), 2);
    ini.Release(); // detaches the parser; the text stays
    EXPECT_NE(ini.GetText(), nullptr);
}

TEST_F(TIniFileTest, MissingFileIsReported) {
    TIniFile ini;
    ini.SetPath(dir.File("none.ini").c_str());
    EXPECT_EQ(ini.Load(), 0);
    EXPECT_EQ(ctffixture::ErrorCodes().back(), 56);
}

TEST_F(TIniFileTest, FailedReloadLeavesNoParserOnAFreedText) {
    std::string path = dir.Write("b.ini", std::string("[S]\r\nk=1\r\n"));
    TIniFile ini;
    ini.SetPath(path.c_str());
    ASSERT_EQ(ini.Load(), 1);
    std::remove(path.c_str());
    EXPECT_EQ(ini.Load(), 0);
    EXPECT_EQ(ini.GetInt("S", "k", 9), 9);
}

} // namespace
