#include "platform/File.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

class ReplaceFile : public testing::Test {
protected:
    void TearDown() override { platform::FailReplaceStepForTests(platform::ReplaceStep::None); }
    std::string Read() const {
        const auto bytes = testsupport::TempDir::Read(target);
        return {bytes.begin(), bytes.end()};
    }
    size_t Entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir.Path()), {}));
    }

    testsupport::TempDir dir;
    const std::string target = dir.File("save1.sav");
};

TEST_F(ReplaceFile, WritesNewAndReplacesOldFiles) {
    const std::string first("one\0two", 7);
    ASSERT_EQ(platform::ReplaceFile(target.c_str(), first.data(), first.size()), 0);
    EXPECT_EQ(Read(), first);
    ASSERT_EQ(platform::ReplaceFile(target.c_str(), "x", 1), 0);
    EXPECT_EQ(Read(), "x");
    ASSERT_EQ(platform::ReplaceFile(target.c_str(), nullptr, 0), 0);
    EXPECT_EQ(Read(), "");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(ReplaceFile, AFailingStepKeepsThePreviousFileAndLeavesNoTemporary) {
    const std::string previous("previous save\0\x01\xff", 16);
    dir.Write("save1.sav", previous);
    for (auto step : {platform::ReplaceStep::Create, platform::ReplaceStep::Write,
                      platform::ReplaceStep::Flush, platform::ReplaceStep::Rename}) {
        SCOPED_TRACE(static_cast<int>(step));
        platform::FailReplaceStepForTests(step);
        errno = 0;
        EXPECT_EQ(platform::ReplaceFile(target.c_str(), "new bytes", 9), -1);
        EXPECT_EQ(errno, EIO);
        EXPECT_EQ(Read(), previous);
        EXPECT_EQ(Entries(), 1u);
    }
}

TEST_F(ReplaceFile, AMissingFolderOrBadArgumentsFail) {
    const std::string inMissing = dir.File("no/such/x.sav");
    EXPECT_EQ(platform::ReplaceFile(inMissing.c_str(), "x", 1), -1);
    EXPECT_EQ(platform::ReplaceFile(nullptr, "x", 1), -1);
    EXPECT_EQ(platform::ReplaceFile(target.c_str(), nullptr, 1), -1);
    EXPECT_EQ(platform::ReplaceFile("Q:\\unmapped.sav", "x", 1), -1);
    EXPECT_EQ(Entries(), 0u);
}

} // namespace

// Temporary names share the exclusive create: each call reserves a new file
// in the folder, private to the user, and a missing folder gives no name.
TEST_F(ReplaceFile, TemporaryNamesAreDistinctReservedFiles) {
    const std::string first = platform::TempFileName(dir.Path().string().c_str());
    const std::string second = platform::TempFileName(dir.Path().string().c_str());
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(Entries(), 2u);
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        EXPECT_EQ(entry.file_size(), 0u);
        EXPECT_EQ(entry.status().permissions() & fs::perms::group_all, fs::perms::none);
    }
    EXPECT_EQ(platform::TempFileName(dir.File("missing").c_str()), "");
    EXPECT_EQ(platform::TempFileName(nullptr), "");
}
