// savdump run as a user would: a sound save as canonical text, and damaged
// files named by the offset where they break.
#include "SaveFileWriter.h"
#include "TempDir.h"
#include "ToolProgram.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using testsupport::SaveFileWriter;

TEST(Savdump, PrintsEveryFieldOfASoundSave) {
    testsupport::TempDir dir;
    SaveFileWriter file;
    file.Version().DialogCount(2).Name("repeatdialog");
    file.Dialog("chat", 3, {{1, {0, 2}}, {0, {}}});
    file.Inventory({5, 9}).Number(7).String("hall").Flag(1);
    const std::string path = dir.Write("game.sav", file.Text());
    std::string out;
    ASSERT_EQ(testsupport::RunTool(testsupport::ToolProgram("savdump") + " " + path, &out), 0)
        << out;
    std::string slots;
    for (int i = 2; i < 30; ++i)
        slots += "  slot " + std::to_string(i) + " id -1\n";
    EXPECT_EQ(out, "version 40\n"
                   "dialogs 2\n"
                   "dialog \"repeatdialog\"\n"
                   "dialog \"chat\" state 0x0003 statements 2\n"
                   "  statement 0 flags 0x0001 phrases 2: 0x0000 0x0002\n"
                   "  statement 1 flags 0x0000 phrases 0\n"
                   "inventory 30\n"
                   "  slot 0 id 5\n"
                   "  slot 1 id 9\n" +
                       slots +
                       "script 13 bytes\n"
                       "  00000000  07 00 00 00 05 00 00 00 68 61 6C 6C 00\n"
                       "nightvision 1\n");
}

TEST(Savdump, NamesWhereADamagedFileBreaks) {
    testsupport::TempDir dir;
    struct Case {
        const char* name;
        std::string bytes;
        const char* last;
    };
    SaveFileWriter version, count, name, slots, flag;
    version.Version(39);
    count.Version().DialogCount(INT_MAX);
    name.Version().DialogCount(1).Int(5).Raw("chat!");
    slots.Version().DialogCount(0).Int(31);
    flag.Version().DialogCount(0).Inventory().Raw("\x01\x02");
    const Case cases[] = {
        {"version", version.Text(), "damaged at offset 0: expected version 40\n"},
        {"count", count.Text(), "damaged at offset 4: expected dialog count\n"},
        {"name", name.Text(), "damaged at offset 12: expected dialog name ending in a zero\n"},
        {"slots", slots.Text(), "damaged at offset 8: expected inventory count 0 to 30\n"},
        {"flag", flag.Text(), "damaged at offset 134: expected night-vision flag\n"},
        {"empty", "", "damaged at offset 0: expected version\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Write(std::string(c.name) + ".sav", c.bytes);
        std::string out;
        EXPECT_EQ(testsupport::RunTool(testsupport::ToolProgram("savdump") + " " + path, &out), 1);
        ASSERT_GE(out.size(), std::string(c.last).size());
        EXPECT_EQ(out.substr(out.size() - std::string(c.last).size()), c.last) << out;
    }
    std::string out;
    EXPECT_EQ(testsupport::RunTool(
                  testsupport::ToolProgram("savdump") + " " + dir.File("missing.sav"), &out),
              2);
}

} // namespace
