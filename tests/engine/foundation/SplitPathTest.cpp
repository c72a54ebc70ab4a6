// Paths split as the runtime library does, on '/' and '\\' alike.
#include "foundation/SplitPath.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitPath, DriveFolderNameAndExtension) {
    struct Case {
        const char* path;
        TPathParts parts;
    };
    const Case cases[] = {
        {"C:\\Games\\Adv\\adv.exe", {"C:", "\\Games\\Adv\\", "adv", ".exe"}},
        {"/opt/adv/bin/adv", {"", "/opt/adv/bin/", "adv", ""}},
        {"/opt/a.d/adv", {"", "/opt/a.d/", "adv", ""}}, // a dot in a folder is no extension
        {"D:relative/x\\file.tar.gz", {"D:", "relative/x\\", "file.tar", ".gz"}},
        {"adv.exe", {"", "", "adv", ".exe"}},
        {"/", {"", "/", "", ""}},
        {"", {"", "", "", ""}},
    };
    for (const Case& c : cases) {
        const TPathParts got = SplitPath(c.path);
        EXPECT_EQ(got.drive, c.parts.drive) << c.path;
        EXPECT_EQ(got.dir, c.parts.dir) << c.path;
        EXPECT_EQ(got.name, c.parts.name) << c.path;
        EXPECT_EQ(got.ext, c.parts.ext) << c.path;
    }
    EXPECT_EQ(SplitPath(nullptr).name, "");
}

} // namespace
