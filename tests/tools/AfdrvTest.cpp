// afdrv: the dump of each written file shows the options it was written
// with; a file that does not hold together is printed as far as it goes and
// refused.
#include "TempDir.h"
#include "ToolProgram.h"
#include "VbeafWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Afdrv() {
    return testsupport::ToolProgram("afdrv");
}

TEST(AfdrvTool, DumpShowsEveryWrittenOption) {
    struct Case {
        const char* options;
        std::vector<const char*> lines; // each must appear in the dump
        std::vector<const char*> absent;
    };
    const Case cases[] = {
        {"",
         {"signature \"VBEAF.DRV\"", "version 2.0 (0x0200)", "memory 4096 KB", "attributes 0x0010",
          "linear framebuffer 4096 KB at 0xE0000000",
          "bank routine 10 bytes: EB 07 41 46 03 31 46 41 53 C3", "init entry 0x",
          "stub kind 1 accelerator 0x53414631", "mode list 0x0100 0x0101",
          "mode 0x0100 640x480x8 pages 4 attributes 0x00D9", "entry DrawRect offered",
          "entry EnableDirectAccess offered", "entry SetCursor offered",
          "mono image field 0x00000000"},
         {}},
        {"--version 1.0 --memory 2048 --attributes 0xC010 --banked --mono-field 0x1234",
         {"version 1.0 (0x0100)", "memory 2048 KB", "attributes 0xC010",
          "linear framebuffer 0 KB at 0x00000000", "mono image field 0x00001234"},
         {}},
        {"--no-bank-routine --no-direct --no-cursor --no-stipple --without DrawLine",
         {"bank routine none", "entry DrawScan offered"},
         {"EnableDirectAccess", "DisableDirectAccess", "SetCursor ", "ShowCursor", "entry DrawLine",
          "SetLineStipple", "DrawStippleLine"}},
        {"--registers 0xFEB00000:0x10000 --registers FEC00000:100",
         {"register area 0 0xFEB00000 length 65536", "register area 1 0xFEC00000 length 256",
          "register area 2 0x00000000 length 0"},
         {}},
        {"--mode 0x120:800x600x16:0x19:2 --mode 0x121:640x480x32 --accelerator 0x12345678",
         {"mode list 0x0120 0x0121\n", "mode 0x0120 800x600x16 pages 2 attributes 0x0019",
          "mode 0x0121 640x480x32 pages 1 attributes 0x0059", "stub kind 1 accelerator 0x12345678"},
         {}},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string file = dir.File("VBEAF.DRV");
        std::string out;
        ASSERT_EQ(testsupport::RunTool(Afdrv() + " write " + file + " " + c.options, &out), 0)
            << out;
        ASSERT_EQ(testsupport::RunTool(Afdrv() + " dump " + file, &out), 0) << out;
        for (const char* l : c.lines)
            EXPECT_NE(out.find(l), std::string::npos) << l << "\n" << out;
        for (const char* l : c.absent)
            EXPECT_EQ(out.find(l), std::string::npos) << l << "\n" << out;
    }
}

TEST(AfdrvTool, RefusesBadOptionsAndDamagedFiles) {
    testsupport::TempDir dir;
    std::string out;
    for (const char* bad :
         {"--version 3.0", "--memory 12x", "--mode 0x100:640x480", "--without Nope",
          "--attributes zz", "--registers 0:16", "--frobnicate"}) {
        EXPECT_EQ(testsupport::RunTool(Afdrv() + " write " + dir.File("x.drv") + " " + bad, &out),
                  2)
            << bad;
    }
    std::vector<uint8_t> image = tools::WriteVbeaf({});
    const std::string cut =
        dir.Write("cut.drv", std::vector<uint8_t>(image.begin(), image.begin() + 0x200));
    EXPECT_EQ(testsupport::RunTool(Afdrv() + " dump " + cut, &out), 1);
    EXPECT_NE(out.find("truncated"), std::string::npos) << out;
    // The mode list pointing past the end: the fields before it still print.
    image[platform::vbeaf::kModeList + 3] = 0x7F;
    EXPECT_EQ(testsupport::RunTool(Afdrv() + " dump " + dir.Write("far.drv", image), &out), 1);
    EXPECT_NE(out.find("version 2.0"), std::string::npos) << out;
    EXPECT_NE(out.find("mode list outside the image"), std::string::npos) << out;
}

} // namespace
