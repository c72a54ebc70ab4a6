// Runs uiharness headless: frames of nested framed forms with the stock
// widgets and a hint, and a key whose error report reaches the application's
// message box.
#include <gtest/gtest.h>

#include "StoredPng.h"
#include "TempDir.h"

#include <array>
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

// Chosen pixels of the last frame, in the screen places the forms' layout
// gives (the captioned form at (40, 40), its client area inset by 6).
TEST(UiharnessTool, PaintsFormsAndWidgetsAndShowsAHint) {
    testsupport::TempDir dir;
    std::string out;
    ASSERT_EQ(RunHarness(dir, "--frames 80 --hint-at 5 --png " + dir.File("last.png"), &out), 0)
        << out;
    EXPECT_EQ(out, "frames 80 result 1\n");
    const std::vector<unsigned char> bytes = testsupport::TempDir::Read(dir.File("last.png"));
    testsupport::PngImage image;
    ASSERT_TRUE(
        testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
    ASSERT_EQ(image.width, 640u);
    ASSERT_EQ(image.height, 480u);
    auto rgb = [&](int x, int y) {
        const uint8_t* p = image.Pixel(x, y);
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    using C = std::array<int, 3>;
    const C silver{198, 195, 198}, white{255, 255, 255}, gray{132, 130, 132};
    const struct {
        int x, y;
        C rgb;
        const char* what;
    } expected[] = {
        {10, 10, {0, 97, 99}, "the desk"},
        {200, 48, {0, 0, 132}, "the active caption bar"},
        {150, 317, silver, "the status bar"},
        {56, 102, gray, "the OK button's outer bevel"},
        {57, 103, white, "its inner bevel"},
        {272, 110, {206, 203, 165}, "the radio panel"},
        {310, 126, {255, 0, 0}, "the keyed picture's disc"},
        {287, 103, silver, "the form behind its key colour"},
        {102, 147, {255, 251, 247}, "the hint under the pointer"},
        {101, 146, {0, 0, 0}, "the hint's frame"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(rgb(e.x, e.y), e.rgb) << e.what;
    // The translucent picture mixes its disc with the form and leaves its key
    // colour out.
    const C mixed = rgb(370, 126);
    EXPECT_GT(mixed[0], 200);
    EXPECT_GT(mixed[1], 60);
    EXPECT_LT(mixed[1], 150);
    EXPECT_EQ(rgb(347, 103), silver);
    // The translucent form drifts over the captioned one, even after that
    // took the focus: the status bar shows through it.
    const C overBar = rgb(300, 320);
    EXPECT_NE(overBar, silver) << "the translucent form over the status bar";
    EXPECT_NE(overBar, rgb(300, 380)) << "the same form over the desk";
}

// The T button makes the captioned form translucent: what blends with the
// form draws again, so the keyed disc's corners show the blended form, not
// the opaque square they had.
TEST(UiharnessTool, TheTButtonRedrawsWhatBlendsWithTheForm) {
    testsupport::TempDir dir;
    std::string out;
    ASSERT_EQ(RunHarness(dir, "--frames 40 --translucent-at 10 --png " + dir.File("t.png"), &out),
              0)
        << out;
    const std::vector<unsigned char> bytes = testsupport::TempDir::Read(dir.File("t.png"));
    testsupport::PngImage image;
    ASSERT_TRUE(
        testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image));
    auto rgb = [&](int x, int y) {
        const uint8_t* p = image.Pixel(x, y);
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    const std::array<int, 3> form = rgb(282, 103), silver{198, 195, 198};
    EXPECT_NE(form, silver) << "the form, blended with the desk";
    EXPECT_EQ(rgb(287, 103), form) << "the keyed picture's corner";
    EXPECT_EQ(rgb(310, 126), (std::array<int, 3>{255, 0, 0})) << "its disc";
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
