// Runs roomview headless on a small room made by the RLA writer: the last
// frame shows the background under its transparent top, the objects where the
// scene puts them and the player actor on its floor line; a click on the floor
// walks the actor to the way point there.
#include "RlaWriter.h"
#include "StoredPng.h"
#include "TempDir.h"
#include "ToolProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Colours that keep their exact value through the 5:6:5 display.
constexpr uint32_t kBlue = 0x0000FF, kRed = 0xFF0000, kCyan = 0x00FFFF, kYellow = 0xFFFF00,
                   kMagenta = 0xFF00FF, kWhite = 0xFFFFFF;

// A picture of one colour whose top `band` rows are transparent.
tools::RgbaImage Solid(int32_t w, int32_t h, uint32_t rgb, int32_t band = 0) {
    tools::RgbaImage im;
    im.width = w;
    im.height = h;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            im.rgba.insert(im.rgba.end(), {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb),
                                           uint8_t(y < band ? 0 : 255)});
    return im;
}

// One sprite in group 0 (and a second in group 1 when given).
std::vector<uint8_t> Rla(const tools::RgbaImage& first, int32_t x, int32_t y,
                         const tools::RgbaImage* second = nullptr) {
    tools::RlaWriter writer;
    writer.AddSprite(0, first, x, y);
    if (second) writer.AddSprite(1, *second, x, y);
    return writer.Finish();
}

// The room "hall": a blue background with 200 transparent rows at the top, a
// red 40 x 30 object whose sprite stands 5, 6 off its place, a cyan 10 x 10
// local item, and actor 3, yellow standing, magenta walking, 20 x 30 with its
// feet on its position. The camera stands at (5, 1.7, 0) with a focal length of
// 400, so the floor line at z = 3 runs across the screen from x 200 to 600 at
// y 300 + 400 * 1.7 / 3, where sprites are drawn at scale 1.
class RoomviewTool : public ::testing::Test {
protected:
    void SetUp() override {
        const tools::RgbaImage walking = Solid(20, 30, kMagenta);
        dir.Write("res/hall/back.rla", Rla(Solid(800, 600, kBlue, 200), 0, 0));
        dir.Write("res/hall/obj.rla", Rla(Solid(40, 30, kRed), 5, 6));
        dir.Write("res/hall/loc.rla", Rla(Solid(10, 10, kCyan), 0, 0));
        dir.Write("res/int/all/pictures/global/ActAni03.RLA",
                  Rla(Solid(20, 30, kYellow), -10, -30, &walking));
        // An empty configuration entry: no configuration file, nothing to report.
        index = dir.Write("resource.ini", "[Main]\r\nPath=res\r\n[Config]\r\nconfig=\r\n"
                                          "[Pictures]\r\n"
                                          "rlahallBack=hall\\back.rla\r\n"
                                          "rlahallObjAni=hall\\obj.rla\r\n"
                                          "rlahallLocItem=hall\\loc.rla\r\n");
        scene = dir.Write("hall.txt", Scene(""));
    }
    static std::string Scene(const std::string& more) {
        return "# the hall\n"
               "object table 0 100 400\n"
               "object key 0 700 300 local\n"
               "zone door 650 400 40 40\n"
               "line 3.5 0 3 6.5 0 3\n"
               "actor 3 3.5 0 3 0 1\n"
               "sky -1\n" +
               more;
    }
    // Runs roomview; its exit code, and its last frame in `frame`.
    int Run(const std::string& options, const std::string& sceneFile = "",
            const std::string& room = "hall", const std::string& indexFile = "") {
        const std::string png = dir.File("frame.png");
        std::remove(png.c_str());
        const std::string command = testsupport::ToolProgram("roomview") + " " +
                                    (indexFile.empty() ? index : indexFile) + " " + room + " " +
                                    (sceneFile.empty() ? scene : sceneFile) + " " + options +
                                    " --png " + png + " >" + dir.File("out.txt") + " 2>&1";
        const int status = std::system(command.c_str());
        output = testsupport::ReadTextFile(dir.File("out.txt"));
        const std::vector<unsigned char> bytes = testsupport::TempDir::Read(png);
        frame = testsupport::PngImage{};
        pngRead =
            testsupport::ReadStoredPng(std::vector<uint8_t>(bytes.begin(), bytes.end()), &frame);
        return (status >> 8) & 0xFF;
    }

    testsupport::TempDir dir;
    std::string index, scene, output;
    testsupport::PngImage frame;
    bool pngRead = false;
};

struct Expected {
    uint32_t x, y, rgb;
    const char* what;
};

// A row through the actor's sprite, which covers x - 10 .. x + 9 and the 30
// rows above its feet at y 526.67.
constexpr uint32_t kActorRow = 512;

TEST_F(RoomviewTool, ShowsTheBackgroundTheObjectsAndTheActor) {
    ASSERT_EQ(Run("--ticks 4"), 0) << output;
    EXPECT_EQ(output, "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("error.log")));
    ASSERT_TRUE(pngRead);
    ASSERT_EQ(frame.width, 800u);
    ASSERT_EQ(frame.height, 600u);
    const Expected pixels[] = {
        {400, 250, kBlue, "the background"},
        {0, 200, kBlue, "the background's first opaque row"},
        {105, 406, kRed, "the object's top left"},
        {144, 435, kRed, "the object's bottom right"},
        {104, 406, kBlue, "left of the object"},
        {105, 405, kBlue, "above the object"},
        {145, 435, kBlue, "right of the object"},
        {105, 436, kBlue, "below the object"},
        {700, 300, kCyan, "the local item's top left"},
        {709, 309, kCyan, "its bottom right"},
        {710, 309, kBlue, "right of the local item"},
        {191, kActorRow, kYellow, "the standing actor's left"},
        {208, kActorRow, kYellow, "the standing actor's right"},
        {186, kActorRow, kBlue, "left of the actor"},
        {213, kActorRow, kBlue, "right of the actor"},
        {600, kActorRow, kBlue, "the far end of the floor line"},
        {650, 400, kBlue, "the zone, not outlined"},
        {300, 526, kBlue, "the way graph, not shown"},
    };
    for (const Expected& p : pixels)
        EXPECT_EQ(frame.Rgb(p.x, p.y), p.rgb) << p.what;
    // No sky: the transparent rows show none of the background.
    EXPECT_NE(frame.Rgb(400, 0), kBlue);
    EXPECT_NE(frame.Rgb(400, 199), kBlue);
}

TEST_F(RoomviewTool, OutlinesZonesAndShowsTheWayGraphOnRequest) {
    ASSERT_EQ(Run("--ticks 1 --zones --graph"), 0) << output;
    ASSERT_TRUE(pngRead);
    const Expected pixels[] = {
        {650, 400, kWhite, "the zone's top left"}, {689, 439, kWhite, "its bottom right"},
        {670, 400, kWhite, "its top edge"},        {651, 401, kBlue, "inside the zone"},
        {690, 400, kBlue, "right of the zone"},    {300, 526, kWhite, "the floor line"},
        {300, 527, kBlue, "below the floor line"},
    };
    for (const Expected& p : pixels)
        EXPECT_EQ(frame.Rgb(p.x, p.y), p.rgb) << p.what;
}

TEST_F(RoomviewTool, AClickOnTheFloorWalksThePlayerToTheNearestWayPoint) {
    // The walk timer steps 0.17 world units every 100 ms: the three units to
    // the far node take 18 steps, 36 ticks of 50 ms. The sprite's centre row
    // is scanned for the yellow standing or magenta walking actor.
    const struct {
        int ticks;
        uint32_t fromX, toX, rgb;
        const char* what;
    } cases[] = {
        {20, 212, 590, kMagenta, "walking between the nodes"},
        {40, 590, 610, kYellow, "standing at the far node"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Run("--ticks " + std::to_string(c.ticks) + " --click 560,500"), 0) << output;
        ASSERT_TRUE(pngRead);
        // The whole sprite in its colour inside the range, nothing outside.
        int32_t inside = 0, outside = 0;
        for (uint32_t x = 0; x < 800; ++x) {
            const uint32_t rgb = frame.Rgb(x, kActorRow);
            if (x >= c.fromX && x < c.toX)
                inside += rgb == c.rgb;
            else
                outside += rgb != kBlue;
        }
        EXPECT_EQ(inside, 20);
        EXPECT_EQ(outside, 0);
    }
}

TEST_F(RoomviewTool, ReportsSceneLinesItCannotReadAndAMissingScene) {
    const std::string bad = dir.Write("bad.txt", Scene("zone half 1 2\nactor 9 5 0 3 0 1\n"));
    ASSERT_EQ(Run("--ticks 1", bad), 0) << output;
    EXPECT_EQ(output, "roomview: " + bad +
                          ":8: cannot read \"zone half 1 2\"\n"
                          "roomview: no pictures for actor 9\n");
    EXPECT_EQ(Run("--ticks 1", dir.File("lost.txt")), 1);
    EXPECT_EQ(output, "roomview: cannot read " + dir.File("lost.txt") + "\n");
    EXPECT_FALSE(pngRead);
}

// Nothing to show is a failure with the reason, never a black frame and
// success.
TEST_F(RoomviewTool, ReportsWhatCouldNotBeLoaded) {
    dir.Write("res/hall/junk.rla", std::string("not a container"));
    const std::string corrupt =
        dir.Write("corrupt.ini", "[Main]\r\nPath=res\r\n[Config]\r\nconfig=\r\n[Pictures]\r\n"
                                 "rlahallBack=hall\\back.rla\r\nrlahallObjAni=hall\\junk.rla\r\n");
    const struct {
        std::string index, room, said;
    } cases[] = {
        {dir.File("lost.ini"), "hall", "cannot read the resource index " + dir.File("lost.ini")},
        {index, "kitchen",
         "no room kitchen: " + index + " has no key rlakitchenBack in [Pictures]"},
        {corrupt, "hall",
         "rlahallObjAni: " + dir.File("res/hall/junk.rla") + " is missing or no picture container"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        EXPECT_EQ(Run("--ticks 1", "", c.room, c.index), 1);
        EXPECT_NE(output.find("roomview: " + c.said), std::string::npos) << output;
        EXPECT_FALSE(pngRead);
    }
}

// Some other file given as the scene fails with the reason; what it holds
// reaches the terminal only escaped, a few lines of it at most.
TEST_F(RoomviewTool, RefusesAFileThatIsNoScene) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += char(i * 7 % 256);
    // Text, its accent in UTF-8, but not one scene line in it.
    std::string prose;
    for (int i = 0; i < 9; ++i)
        prose += "Dear keeper, the caf\xC3\xA9 is closed (line " + std::to_string(i) + ")\n";
    const struct {
        std::string file, said;
    } cases[] = {
        {dir.Write("data.bin", binary), "data.bin is no scene: not a text file"},
        {dir.Write("letter.txt", prose),
         "letter.txt is no scene: none of its lines places anything"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        EXPECT_EQ(Run("--ticks 1", c.file), 1);
        EXPECT_NE(output.find(c.said), std::string::npos) << output;
        EXPECT_FALSE(pngRead);
        for (const char ch : output)
            EXPECT_TRUE(ch == '\n' || (ch >= 32 && ch < 127)) << int(ch);
        EXPECT_LE(std::count(output.begin(), output.end(), '\n'), 7);
    }
}

TEST_F(RoomviewTool, AnObjectWithoutPicturesIsReported) {
    const std::string bad = dir.Write("bad.txt", Scene("object ghost 7 10 10\n"));
    ASSERT_EQ(Run("--ticks 1", bad), 0) << output;
    EXPECT_EQ(output, "roomview: object ghost: no pictures in group 7 of the room's objects\n");
}

} // namespace
