#include "platform/File.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A fresh folder per test (the platform tests link nothing but the layer).
class ScratchDir {
public:
    ScratchDir() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("platform_file_" + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }
    void Write(const std::string& name, const std::string& text) const {
        fs::create_directories((path_ / name).parent_path());
        std::ofstream(path_ / name, std::ios::binary) << text;
    }

private:
    fs::path path_;
};

class FileMapping : public testing::Test {
protected:
    void SetUp() override {
        dir.Write("Int/All/Scripts/Main.scr", "main");
        dir.Write("Data/resource.ini", "[Main]\r\n");
        root = dir.Path().string();
    }
    void TearDown() override { platform::UnmapAllDrives(); }

    ScratchDir dir;
    std::string root;
};

TEST_F(FileMapping, NamesResolveBySeparatorCaseAndDrive) {
    platform::MapDrive('e', root.c_str());
    struct Case {
        std::string asked;
        std::string expected; // empty: not mapped
    } cases[] = {
        {root + "/Int/All/Scripts/Main.scr", root + "/Int/All/Scripts/Main.scr"},
        {root + "\\int\\all\\scripts\\main.scr", root + "/Int/All/Scripts/Main.scr"},
        {root + "/INT/all/SCRIPTS/MAIN.SCR", root + "/Int/All/Scripts/Main.scr"},
        {"E:\\data\\RESOURCE.INI", root + "/Data/resource.ini"},
        {"e:/Data/resource.ini", root + "/Data/resource.ini"},
        {"F:\\data\\resource.ini", ""},
        // A missing component stops the matching; the rest stays as written.
        {root + "/int/none/Main.scr", root + "/Int/none/Main.scr"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::MapPath(c.asked.c_str(), platform::PathUse::Read), c.expected)
            << c.asked;
}

TEST_F(FileMapping, UnmappedDriveReadsAsMissingFile) {
    errno = 0;
    EXPECT_EQ(platform::OpenFile("E:\\Adventuredev.ini", "rb"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(platform::FileExists("E:\\Adventuredev.ini"));
    EXPECT_EQ(platform::FileSize("E:\\Adventuredev.ini"), -1);
}

TEST_F(FileMapping, FoldersDoNotOpenAsFiles) {
    errno = 0;
    for (const char* mode : {"rb", "wb", "at"})
        EXPECT_EQ(platform::OpenFile((root + "/INT").c_str(), mode), nullptr) << mode;
    EXPECT_EQ(errno, EISDIR);
    EXPECT_EQ(platform::FileSize((root + "/int").c_str()), -1);
}

TEST_F(FileMapping, CreatingMatchesFoldersAndKeepsTheNewNameAsWritten) {
    std::string asked = root + "\\INT\\ALL\\New.Sav";
    FILE* f = platform::OpenFile(asked.c_str(), "wt");
    ASSERT_NE(f, nullptr);
    std::fputs("x", f);
    std::fclose(f);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "Int/All/New.Sav"));
    EXPECT_EQ(platform::FileSize((root + "/int/all/new.sav").c_str()), 1);
    EXPECT_TRUE(platform::DirectoryExists((root + "/int/ALL").c_str()));
    EXPECT_FALSE(platform::DirectoryExists(asked.c_str()));

    std::string renamed = root + "/int/all/Renamed.sav";
    EXPECT_EQ(platform::RenameFile(asked.c_str(), renamed.c_str()), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "Int/All/Renamed.sav"));
    EXPECT_EQ(platform::RemoveFile((root + "/INT/ALL/RENAMED.SAV").c_str()), 0);
    EXPECT_FALSE(platform::FileExists(renamed.c_str()));
    EXPECT_NE(platform::RemoveFile(renamed.c_str()), 0);
}

TEST_F(FileMapping, RelativeNamesResolveAgainstTheCurrentFolder) {
    std::string old = std::filesystem::current_path().string();
    ASSERT_EQ(::chdir(root.c_str()), 0);
    FILE* f = platform::OpenFile("int\\all\\scripts\\MAIN.scr", "rb");
    EXPECT_NE(f, nullptr);
    if (f) std::fclose(f);
    EXPECT_EQ(platform::MapPath("data\\Resource.ini", platform::PathUse::Read),
              "Data/resource.ini");
    ASSERT_EQ(::chdir(old.c_str()), 0);
}

TEST(FileErrors, ErrorTextIsTheRuntimesText) {
    EXPECT_EQ(platform::ErrorText(ENOENT), "No such file or directory");
    EXPECT_EQ(platform::MapPath(nullptr, platform::PathUse::Read), "");
    EXPECT_EQ(platform::OpenFile(nullptr, "rb"), nullptr);
}

} // namespace
