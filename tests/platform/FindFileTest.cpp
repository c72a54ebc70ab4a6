// The folder search over a tree made in the test: patterns, attributes, the
// order of the entries, the dots, the drive table and the errors.
#include "platform/File.h"
#include "platform/FindFile.h"
#include "platform/Kernel.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
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
