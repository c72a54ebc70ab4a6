// The writers' output read back by the system's readers, and the respack
// program end to end.
#include "CtfWriter.h"
#include "LzwEncoder.h"
#include "SectionWriter.h"
#include "foundation/TCustTxt.h"
#include "foundation/TIniFile.h"
#include "foundation/TSectTxt.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

std::string LongText(size_t size) {
    static const char* words[] = {"Guybrush ", "looks ", "at ", "the ", "grog. ", "\r\n"};
    std::mt19937 rng(3);
    std::string out;
    while (out.size() < size)
        out += words[rng() % 6];
    out.resize(size);
    return out;
}

TEST(Respack, CtfTextsOfEveryPackingLoad) {
    testsupport::TempDir dir;
    // Long enough for width changes and silent restarts in the LZW stream.
    std::string text = LongText(200000);
    for (auto packing :
         {tools::CtfPacking::Stored, tools::CtfPacking::Lzw, tools::CtfPacking::Lzw16}) {
        TCustTxt t;
        t.SetPath(dir.Write("long.ctf", tools::WriteCtf(text, packing)).c_str());
        ASSERT_EQ(t.Load(), 1);
        EXPECT_EQ(t.TextLength(), static_cast<int32_t>(text.size()));
        EXPECT_TRUE(t.GetText() == text);
    }
}

TEST(Respack, SectionedTextThroughCtf) {
    testsupport::TempDir dir;
    std::vector<tools::TextSection> sections = {
        {"0", "kein Fehler"}, {"1", "Line one\r\nLine two"}, {"12", "Twelve"}};
    std::string text = tools::WriteSections(sections);
    ASSERT_FALSE(text.empty());
    std::string error;
    EXPECT_TRUE(tools::WriteSections({{"x", "a [bracket]"}}, &error).empty());
    EXPECT_FALSE(error.empty());
    for (auto packing :
         {tools::CtfPacking::Stored, tools::CtfPacking::Lzw, tools::CtfPacking::Lzw16}) {
        TSectTxt t;
        t.SetPath(dir.Write("s.ctf", tools::WriteCtf(text, packing)).c_str());
        ASSERT_EQ(t.Load(), 1);
        for (const auto& s : sections) {
            t.SetSection(s.name.c_str());
            ASSERT_NE(t.GetSection(), nullptr) << s.name;
            EXPECT_EQ(std::string(t.GetSection()), s.text);
        }
    }
}

TEST(Respack, IniTextThroughCtf) {
    testsupport::TempDir dir;
    TIniFile ini;
    ini.SetPath(dir.Write("options.dat", tools::WriteCtf("[Options]\r\nVolume=80\r\nLang=de\r\n",
                                                         tools::CtfPacking::Lzw))
                    .c_str());
    ASSERT_EQ(ini.Load(), 1);
    EXPECT_EQ(ini.GetInt("Options", "Volume", 0), 80);
    EXPECT_STREQ(ini.GetString("Options", "Lang", ""), "de");
}

// The program itself, built beside this test.
std::string Program() {
    auto self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / "respack" / "respack")
        .string();
}

// The program's exit code: a wait status holds it in its second byte.
int Respack(const std::string& args) {
    std::string command = Program() + " " + args + " 2>/dev/null";
    int status = std::system(command.c_str());
    return status < 0 || (status & 0xff) ? -1 : status >> 8;
}

class RespackProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(Program())) GTEST_SKIP() << "respack not built";
    }
    testsupport::TempDir dir;
};

TEST_F(RespackProgram, PackUnpackRoundTrip) {
    std::string text = LongText(300000);
    std::string in = dir.Write("in.txt", text);
    for (std::string method : {"lzw", "lzw16"}) {
        std::string packed = dir.File("p." + method), out = dir.File("out." + method);
        ASSERT_EQ(Respack("pack --method " + method + " --clear-every 5000 " + in + " " + packed),
                  0);
        ASSERT_EQ(Respack("unpack --method " + method + " " + packed + " " + out), 0);
        std::vector<unsigned char> back = testsupport::TempDir::Read(out);
        EXPECT_TRUE(std::string(back.begin(), back.end()) == text) << method;
        EXPECT_LT(testsupport::TempDir::Read(packed).size(), text.size() / 2);
    }
}

TEST_F(RespackProgram, CtfAndSections) {
    std::string a = dir.Write("a.txt", std::string("Alpha"));
    std::string b = dir.Write("b.txt", std::string("Beta\r\ntwo lines"));
    std::string sect = dir.File("s.txt"), ctf = dir.File("s.ctf"), back = dir.File("back.txt");
    ASSERT_EQ(Respack("sections " + sect + " 1=" + a + " 2=" + b), 0);
    for (std::string method : {"stored", "lzw", "lzw16"}) {
        ASSERT_EQ(Respack("ctf --method " + method + " " + sect + " " + ctf), 0);
        ASSERT_EQ(Respack("unctf " + ctf + " " + back), 0);
        EXPECT_EQ(testsupport::TempDir::Read(back), testsupport::TempDir::Read(sect)) << method;
        TSectTxt t;
        t.SetPath(ctf.c_str());
        ASSERT_EQ(t.Load(), 1);
        t.SetSection("2");
        EXPECT_STREQ(t.GetSection(), "Beta\r\ntwo lines");
    }
}

TEST_F(RespackProgram, ExitCodes) {
    std::string in = dir.Write("x.txt", std::string("x"));
    EXPECT_EQ(Respack(""), 2);
    EXPECT_EQ(Respack("pack " + in + " " + dir.File("y")), 2); // no method
    EXPECT_EQ(Respack("pack --method lzw32 " + in + " " + dir.File("y")), 2);
    EXPECT_EQ(Respack("unpack --method lzw " + dir.File("none") + " " + dir.File("y")), 1);
    EXPECT_EQ(Respack("unctf " + in + " " + dir.File("y")), 1); // not a CTF file
}

} // namespace
