// Runs uiharness headless: frames of nested framed forms, and a key whose
// error report reaches the application's message box.
#include <gtest/gtest.h>

#include "StoredPng.h"
#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// uiharness is built next to this test: build/tools/uiharness/uiharness.
std::string Uiharness() {
    std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / "uiharness" / "uiharness")
        .string();
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the program with `options` in a folder of its own; the exit status.
int RunHarness(const testsupport::TempDir& dir, const std::string& options, std::string* out) {
    const std::string log = dir.File("out.txt");
    const std::string command =
        Uiharness() + " --folder " + dir.Path().string() + " " + options + " >" + log + " 2>&1";
    const int status = std::system(command.c_str());
    *out = ReadText(log);
    return (status >> 8) & 0xFF;
}

TEST(UiharnessTool, PaintsNestedFormsForSomeFrames) {
    testsupport::TempDir dir;
    std::string out;
    ASSERT_EQ(RunHarness(dir, "--frames 20 --png " + dir.File("last.png"), &out), 0) << out;
    EXPECT_EQ(out, "frames 20 result 1\n");
    const std::vector<unsigned char> bytes = testsupport::TempDir::Read(dir.File("last.png"));
    testsupport::Image image;
    ASSERT_TRUE(
        testsupport::readStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
    EXPECT_EQ(image.width, 640u);
    EXPECT_EQ(image.height, 480u);
    // The outer form's fill, and the desk around it.
    const uint8_t* fill = image.Pixel(200, 60);
    EXPECT_GT(fill[0], 180);
    EXPECT_EQ(fill[0], fill[2]);
    const uint8_t* desk = image.Pixel(10, 10);
    EXPECT_EQ(desk[0], 0);
    EXPECT_GT(desk[1], 80);
}

// On the memory host the box is answered by its first button, Abort, which
// ends the main loop; the report also reaches the error protocol.
TEST(UiharnessTool, TheErrorKeyShowsTheBox) {
    testsupport::TempDir dir;
    std::string out;
    ASSERT_EQ(RunHarness(dir, "--frames 40 --error-at 5", &out), 0) << out;
    EXPECT_EQ(out, "frames 5 result 3\n"
                   "box 3: ERROR: That file does not exist. (uiharness-missing.dat)\n");
    EXPECT_NE(ReadText(dir.File("error.log")).find("Object=uiharness-missing.dat"),
              std::string::npos);
}

// The save-and-load form tried by its script: a click on a save fills the
// edit, a double click opens a folder, the up button leaves it, typing into
// the filtered edit, and the bar's arrow scrolls the list.
TEST(UiharnessTool, TheSaveAndLoadFormAnswersANewUser) {
    testsupport::TempDir dir;
    std::string out;
    ASSERT_EQ(RunHarness(dir, "--frames 40 --saveload", &out), 0) << out;
    const std::string root = "folder \\ items 27 OLD,Autosave.sav,notes.txt,... first row ";
    EXPECT_EQ(out, "step 1: " + root +
                       "1 edit \n"
                       "step 2: " +
                       root +
                       "1 edit SLOT01.SAV\n"
                       "step 3: folder \\OLD items 2 ..,SLOT0.SAV first row 1 edit \n"
                       "step 4: " +
                       root +
                       "1 edit \n"
                       "step 5: " +
                       root +
                       "1 edit \n"
                       "step 6: " +
                       root +
                       "1 edit new\n"
                       "step 7: " +
                       root +
                       "2 edit new\n"
                       "frames 40 result 1\n");
}

TEST(UiharnessTool, RefusesUnknownOptions) {
    const int status = std::system((Uiharness() + " --bogus >/dev/null 2>&1").c_str());
    EXPECT_EQ((status >> 8) & 0xFF, 2);
}

} // namespace
