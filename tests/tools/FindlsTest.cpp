// Runs findls over a tree made with shell commands, so the folder search is
// checked against files it did not make itself.
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string Findls() {
    std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / "findls" / "findls")
        .string();
}

// The program's output, and its exit code in `code`.
std::string RunFindls(const std::string& args, int& code) {
    std::string out;
    FILE* p = ::popen((Findls() + " " + args + " 2>/dev/null").c_str(), "r");
    if (!p) return out;
    char buf[256];
    while (size_t n = std::fread(buf, 1, sizeof buf, p))
        out.append(buf, n);
    code = (::pclose(p) >> 8) & 0xFF;
    return out;
}

TEST(Findls, ListsATreeMadeByTheShell) {
    testsupport::TempDir dir;
    const std::string root = dir.Path().string();
    const std::string make = "cd '" + root + "' && mkdir -p Game/Saves/Old && cd Game/Saves && " +
                             "printf x > Slot1.SAV && printf x > slot2.sav && " +
                             "printf x > GAME.EXE && printf x > Locked.bak && chmod a-w Locked.bak";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const std::string drive = "--drive c=" + root + "/Game ";
    struct Case {
        std::string args;
        std::string out;
        int code;
    } cases[] = {
        {drive + "'c:\\SAVES\\*.*'",
         "0010 .\n0010 ..\n0020 GAME.EXE\n0021 Locked.bak\n"
         "0010 Old\n0020 Slot1.SAV\n0020 slot2.sav\n",
         0},
        {drive + "'c:\\saves\\*.sav'", "0020 Slot1.SAV\n0020 slot2.sav\n", 0},
        {drive + "'c:\\*.*'", "0010 Saves\n", 0},
        {"'" + root + "/game/saves/old/*.*'", "0010 .\n0010 ..\n", 0},
        {drive + "'c:\\saves\\*.zip'", "", 1},
        {"'d:\\saves\\*.*'", "", 1},
        {"", "", 2},
    };
    for (const Case& c : cases) {
        int code = -1;
        EXPECT_EQ(RunFindls(c.args, code), c.out) << c.args;
        EXPECT_EQ(code, c.code) << c.args;
    }
}

} // namespace
