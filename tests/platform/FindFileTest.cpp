// The folder search over a tree made in the test: patterns, attributes, the
// order of the entries, the dots, the drive table and the errors.

#include "platform/File.h"
#include "platform/FindFile.h"
#include "platform/Kernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

class FindFile : public testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        root = fs::temp_directory_path() / ("platform_find_" + std::to_string(rd()));
        fs::create_directories(root / "Saves" / "Old");
        fs::create_directories(root / "Empty");
        for (const char* name : {"Saves/slot2.sav", "Saves/SLOT1.SAV", "Saves/slot1.bak",
                                 "Saves/notes.txt", "Saves/GAME.EXE", "Saves/readme"})
            std::ofstream(root / name) << name;
        ::chmod((root / "Saves" / "notes.txt").c_str(), 0444);
        platform::MapDrive('c', root.c_str());
    }
    void TearDown() override {
        platform::UnmapAllDrives();
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    using Listing = std::vector<std::pair<DWORD, std::string>>;
    // Everything a search reports, or nothing with the last error.
    Listing Find(const std::string& pattern, DWORD* error = nullptr) {
        Listing out;
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA(pattern.c_str(), &d);
        if (error) *error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (h == INVALID_HANDLE_VALUE) return out;
        do
            out.emplace_back(d.dwFileAttributes, d.cFileName);
        while (FindNextFileA(h, &d));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
        EXPECT_TRUE(FindClose(h));
        return out;
    }
    static std::vector<std::string> Names(const Listing& l) {
        std::vector<std::string> n;
        for (const auto& e : l)
            n.push_back(e.second);
        return n;
    }

    fs::path root;
};

TEST_F(FindFile, PatternsMatchWithoutRegardToCaseDotsFirstThenByName) {
    using V = std::vector<std::string>;
    struct Case {
        std::string pattern;
        V names;
    } cases[] = {
        {"c:\\saves\\*.*",
         {".", "..", "GAME.EXE", "Old", "SLOT1.SAV", "notes.txt", "readme", "slot1.bak",
          "slot2.sav"}},
        {"C:\\SAVES\\*.sav", {"SLOT1.SAV", "slot2.sav"}},
        {"c:/Saves/slot?.*", {"SLOT1.SAV", "slot1.bak", "slot2.sav"}},
        {"c:\\saves\\*",
         {".", "..", "GAME.EXE", "Old", "SLOT1.SAV", "notes.txt", "readme", "slot1.bak",
          "slot2.sav"}},
        {"c:\\saves\\game.exe", {"GAME.EXE"}},
        {"c:\\saves\\*e*e*", {"GAME.EXE", "readme"}},
        {"c:\\saves\\old\\..\\*.bak", {"slot1.bak"}},
        {root.string() + "/Saves/*.SAV", {"SLOT1.SAV", "slot2.sav"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Names(Find(c.pattern)), c.names) << c.pattern;
}

TEST_F(FindFile, AttributesFollowTheOwnersWriteBitAndTheKindOfEntry) {
    Listing l = Find("c:\\saves\\*.*");
    std::map<std::string, DWORD> attr;
    for (const auto& [a, name] : l)
        attr[name] = a;
    EXPECT_EQ(attr["."], DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(attr[".."], DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(attr["Old"], DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(attr["slot2.sav"], DWORD(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(attr["notes.txt"], DWORD(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));

    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA("c:\\saves\\slot2.sav", &d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(d.nFileSizeLow, 15u); // "Saves/slot2.sav"
    EXPECT_EQ(d.cAlternateFileName[0], 0);
    const uint64_t written =
        (uint64_t(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime;
    EXPECT_GT(written, 116444736000000000ull); // after 1970
    EXPECT_TRUE(FindClose(h));
}

TEST_F(FindFile, ADrivesRootReportsNoDotsOtherFoldersDo) {
    EXPECT_EQ(Names(Find("c:\\*.*")), (std::vector<std::string>{"Empty", "Saves"}));
    EXPECT_EQ(Names(Find("c:*.*")), (std::vector<std::string>{"Empty", "Saves"}));
    // ".." never climbs above the drive's root.
    EXPECT_EQ(Names(Find("c:\\saves\\..\\..\\*.*")), (std::vector<std::string>{"Empty", "Saves"}));
    EXPECT_EQ(Names(Find("c:\\empty\\*.*")), (std::vector<std::string>{".", ".."}));
}

TEST_F(FindFile, MissingFoldersDrivesAndMatchesFindNothing) {
    struct Case {
        const char* pattern;
        DWORD error;
    } cases[] = {
        {"c:\\nowhere\\*.*", ERROR_PATH_NOT_FOUND},
        {"d:\\saves\\*.*", ERROR_PATH_NOT_FOUND},
        {"c:\\saves\\slot1.sav\\*.*", ERROR_PATH_NOT_FOUND},
        {"c:\\saves\\*.zip", ERROR_FILE_NOT_FOUND},
        {"c:\\saves\\", ERROR_FILE_NOT_FOUND},
        {"c:\\empty\\*.sav", ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        DWORD error = 0;
        EXPECT_TRUE(Find(c.pattern, &error).empty()) << c.pattern;
        EXPECT_EQ(error, c.error) << c.pattern;
    }
}

TEST_F(FindFile, HandlesThatAreNotSearchesAreRefused) {
    WIN32_FIND_DATAA d;
    EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &d));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
    HANDLE h = FindFirstFileA("c:\\saves\\*.*", &d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindClose(h));
    EXPECT_FALSE(FindClose(h)); // closed twice
    EXPECT_EQ(FindFirstFileA(nullptr, &d), INVALID_HANDLE_VALUE);
}

TEST(FindPattern, WildcardsAndCase) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*.*", "readme", true},
        {"*.*", ".", true},
        {"*.SAV", "a.sav", true},
        {"*.SAV", "a.sav.x", false},
        {"?.sav", "ab.sav", false},
        {"a?c", "ABC", true},
        {"*", "", true},
        {"", "a", false},
        {"**a", "bba", true},
        {"*a*b", "xaxxb", true},
        {"*a*b", "xaxxbc", false},
        {"\xe4*", "\xe4x", true},
        {"*a*a*a*a*a*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::MatchesPattern(c.pattern, c.name), c.match)
            << c.pattern << " " << c.name;
}

} // namespace

// The folder search against a tree made with the shell's own tools (mkdir,
// touch, chmod, mkfifo, ln): attributes of every kind of entry, the dots,
// name order, long names, patterns without regard to case, folders named in
// any case, missing folders and drives, and the findls tool's report of the
// same tree.
namespace {

namespace fs = std::filesystem;
using Listing = std::vector<std::pair<DWORD, std::string>>;
using Names = std::vector<std::string>;

class FindFileCheck : public testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        root = fs::temp_directory_path() / ("findcheck_" + std::to_string(rd()));
        const std::string script =
            "set -e; mkdir -p '" + root.string() + "'; cd '" + root.string() +
            "'; mkdir -p Sub/Deeper Sub/Locked top; touch top.txt"
            " Sub/plain.txt Sub/Readonly.TXT Sub/zz Sub/AB.txt Sub/ab.TXT Sub/x"
            " 'Sub/A Rather Long File Name With Spaces.document';"
            " chmod 444 Sub/Readonly.TXT; chmod 555 Sub/Locked;"
            " mkfifo Sub/pipe Sub/ropipe; chmod 444 Sub/ropipe;"
            " ln -s Deeper Sub/link; ln -s nowhere Sub/dangling";
        ASSERT_EQ(std::system(script.c_str()), 0);
        platform::MapDrive('c', root.c_str());
    }
    void TearDown() override {
        platform::UnmapAllDrives();
        std::system(("chmod -R u+w '" + root.string() + "'").c_str());
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    // Everything a search reports; the last error when it finds nothing.
    static Listing Find(const std::string& pattern, DWORD* error = nullptr) {
        Listing out;
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA(pattern.c_str(), &d);
        if (error) *error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (h == INVALID_HANDLE_VALUE) return out;
        do {
            EXPECT_EQ(d.cAlternateFileName[0], 0) << d.cFileName;
            out.emplace_back(d.dwFileAttributes, d.cFileName);
        } while (FindNextFileA(h, &d));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
        EXPECT_TRUE(FindClose(h));
        return out;
    }
    static Names NamesOf(const Listing& l) {
        Names n;
        for (const auto& e : l)
            n.push_back(e.second);
        return n;
    }

    fs::path root;
};

TEST_F(FindFileCheck, AttributesOfEveryKindOfEntry) {
    std::map<std::string, DWORD> attr;
    for (const auto& [a, name] : Find("c:\\sub\\*.*"))
        attr[name] = a;
    struct Case {
        const char* name;
        DWORD attributes;
    } cases[] = {
        {".", 0x10},
        {"..", 0x10},
        {"Deeper", 0x10},
        {"Locked", 0x11},
        {"plain.txt", 0x20},
        {"Readonly.TXT", 0x21},
        {"pipe", 0x80},
        {"ropipe", 0x01},
        {"link", 0x10},
        {"dangling", 0x80},
        {"A Rather Long File Name With Spaces.document", 0x20},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(attr.count(c.name)) << c.name;
        EXPECT_EQ(attr[c.name], c.attributes) << c.name;
    }
    EXPECT_EQ(attr.size(), 15u);
}

TEST_F(FindFileCheck, DotsFirstThenNamesInByteOrderButNotAtADrivesRoot) {
    EXPECT_EQ(NamesOf(Find("c:\\SUB\\*")),
              (Names{".", "..", "A Rather Long File Name With Spaces.document", "AB.txt", "Deeper",
                     "Locked", "Readonly.TXT", "ab.TXT", "dangling", "link", "pipe", "plain.txt",
                     "ropipe", "x", "zz"}));
    struct Case {
        const char* pattern;
        Names names;
    } cases[] = {
        {"c:\\*.*", {"Sub", "top", "top.txt"}},
        {"C:/*", {"Sub", "top", "top.txt"}},
        {"c:\\Sub\\..\\*.*", {"Sub", "top", "top.txt"}},
        {"c:\\sub\\.\\..\\..\\*.*", {"Sub", "top", "top.txt"}},
        {"c:\\top\\*.*", {".", ".."}},
        {"c:\\sub\\deeper\\*.*", {".", ".."}},
        {"c:\\SUB\\LINK\\*.*", {".", ".."}},
        {"c:\\sub\\locked\\..\\deeper\\*.*", {".", ".."}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NamesOf(Find(c.pattern)), c.names) << c.pattern;
}

TEST_F(FindFileCheck, PatternsIgnoreCaseAndMatchLongNames) {
    struct Case {
        const char* pattern;
        Names names;
    } cases[] = {
        {"c:\\sub\\*.txt", {"AB.txt", "Readonly.TXT", "ab.TXT", "plain.txt"}},
        {"c:\\sub\\AB.TXT", {"AB.txt", "ab.TXT"}},
        {"c:\\sub\\??.txt", {"AB.txt", "ab.TXT"}},
        {"c:\\sub\\?", {".", "x"}}, // "." is one character too
        {"c:\\sub\\*LONG*SPACES*", {"A Rather Long File Name With Spaces.document"}},
        {"c:\\sub\\a rather long file name with spaces.DOCUMENT",
         {"A Rather Long File Name With Spaces.document"}},
        {"c:\\sub\\*.*t",
         {"AB.txt", "Readonly.TXT", "ab.TXT", "plain.txt",
          "A Rather Long File Name With Spaces.document"}},
        {"c:\\sub\\?*?",
         {"..", "A Rather Long File Name With Spaces.document", "AB.txt", "Deeper", "Locked",
          "Readonly.TXT", "ab.TXT", "dangling", "link", "pipe", "plain.txt", "ropipe", "zz"}},
        {"c:\\sub\\*e*",
         {"A Rather Long File Name With Spaces.document", "Deeper", "Locked", "Readonly.TXT",
          "pipe", "ropipe"}},
    };
    for (Case& c : cases) {
        Names found = NamesOf(Find(c.pattern));
        // Order apart, the same names.
        std::sort(found.begin(), found.end());
        std::sort(c.names.begin(), c.names.end());
        EXPECT_EQ(found, c.names) << c.pattern;
    }
}

TEST_F(FindFileCheck, WhatCannotBeSearchedFindsNothing) {
    struct Case {
        const char* pattern;
        DWORD error;
    } cases[] = {
        {"c:\\missing\\*.*", ERROR_PATH_NOT_FOUND},
        {"c:\\sub\\missing\\deeper\\*.*", ERROR_PATH_NOT_FOUND},
        {"q:\\*.*", ERROR_PATH_NOT_FOUND},
        {"q:*.*", ERROR_PATH_NOT_FOUND},
        {"c:\\sub\\plain.txt\\*", ERROR_PATH_NOT_FOUND},
        {"c:\\sub\\*.none", ERROR_FILE_NOT_FOUND},
        {"c:\\top\\*.txt", ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        DWORD error = 0;
        EXPECT_TRUE(Find(c.pattern, &error).empty()) << c.pattern;
        EXPECT_EQ(error, c.error) << c.pattern;
    }
}

// The tool prints "%04X name" for every entry the search reports.
TEST_F(FindFileCheck, TheToolReportsWhatTheSearchFinds) {
    const std::string tool = FINDLS_PROGRAM;
    auto run = [&](const std::string& args, int* status) {
        std::string out;
        FILE* p = ::popen((tool + " " + args + " 2>/dev/null").c_str(), "r");
        if (!p) return out;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, p))
            out += buffer;
        *status = ::pclose(p);
        return out;
    };
    std::string expected;
    for (const auto& [a, name] : Find("c:\\sub\\*.*")) {
        char line[400];
        std::snprintf(line, sizeof line, "%04X %s\n", unsigned(a), name.c_str());
        expected += line;
    }
    int status = -1;
    const std::string drive = "--drive 'c=" + root.string() + "' ";
    EXPECT_EQ(run(drive + "'c:\\SUB\\*.*'", &status), expected);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(run(drive + "'c:\\sub\\*.none'", &status), "");
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(run(drive + "'c:\\missing\\*'", &status), "");
    EXPECT_EQ(WEXITSTATUS(status), 1);
    run("", &status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    run("a b", &status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

} // namespace
