// The replay script: steps read from text, every number whole, time never
// running backwards, and each bad line named with its reason.
#include "Replay.h"

#include <gtest/gtest.h>

namespace testsupport {
namespace {

TEST(ReplayScript, StepsAreReadWithTheirTimesAndArguments) {
    std::vector<ReplayStep> steps;
    std::string error;
    ASSERT_TRUE(ParseReplay("# the start\n"
                            "0 move 400 300\n"
                            "\n"
                            "500 click 10 -5   # off the screen\n"
                            "500 rclick 1 2\n"
                            "900 key F2\n"
                            "1000 check map\n"
                            "1000 rclick 7 8 screen\n"
                            "1000 key Q\n"
                            "1000 key 0\n",
                            &steps, &error))
        << error;
    ASSERT_EQ(steps.size(), 8u);
    EXPECT_EQ(steps[0].kind, ReplayStep::Kind::Move);
    EXPECT_EQ(steps[1].at, 500u);
    EXPECT_EQ(steps[1].y, -5);
    EXPECT_EQ(steps[1].line, 4);
    EXPECT_EQ(steps[2].kind, ReplayStep::Kind::RightClick);
    EXPECT_EQ(steps[3].key, platform::KeyCode::F2);
    EXPECT_EQ(steps[4].name, "map");
    EXPECT_FALSE(steps[1].screen);
    EXPECT_TRUE(steps[5].screen);
    EXPECT_EQ(steps[6].key, platform::KeyCode::Q);
    EXPECT_EQ(steps[7].key, platform::KeyCode::Digit0);

    ASSERT_TRUE(ParseReplay("500 put old.sav version39\n", &steps, &error)) << error;
    EXPECT_EQ(steps.back().kind, ReplayStep::Kind::Put);
    EXPECT_EQ(steps.back().name, "old.sav");
    EXPECT_EQ(steps.back().what, "version39");

    ASSERT_TRUE(ParseReplay("0 dev EnableSaveGame 2\n", &steps, &error)) << error;
    EXPECT_EQ(steps.back().kind, ReplayStep::Kind::Dev);
    EXPECT_EQ(steps.back().name, "EnableSaveGame");
    EXPECT_EQ(steps.back().value, 2);
}

TEST(ReplayScript, ABadLineIsNamedWithItsReason) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"abc move 1 2", "line 1: bad time 'abc'"},
        {"10x move 1 2", "line 1: bad time '10x'"},
        {"-1 move 1 2", "line 1: bad time '-1'"},
        {"5 jump 1 2", "line 1: unknown step 'jump'"},
        {"5 move 1", "line 1: move takes X and Y, and maybe 'screen'"},
        {"5 click 1 2x", "line 1: click takes X and Y, and maybe 'screen'"},
        {"5 click 1 2 world", "line 1: click takes X and Y, and maybe 'screen'"},
        {"0 dev ShowIntro", "line 1: dev takes a name and a number"},
        {"0 dev ShowIntro 1x", "line 1: dev takes a name and a number"},
        {"5 dev ShowIntro 1", "line 1: dev comes at time 0"},
        {"5 key Hyper", "line 1: unknown key 'Hyper'"},
        {"5 check", "line 1: check takes a name"},
        {"5 close now", "line 1: close takes nothing"},
        {"5", "line 1: a time and a step are needed"},
        {"5 put a.sav", "line 1: put takes a file name and a kind"},
        {"5 put a.sav cut x", "line 1: put takes a file name and a kind"},
        {"5 put ../a.sav cut", "line 1: put takes a plain file name"},
        {"5 put c:a.sav cut", "line 1: put takes a plain file name"},
        {"5 put .. cut", "line 1: put takes a plain file name"},
        {"5 put a.sav sound", "line 1: unknown kind of file 'sound'"},
        {"10 move 1 2\n9 move 1 2", "line 2: time runs backwards"},
        {"99999999999 move 1 2", "line 1: bad time '99999999999'"},
    };
    for (const auto& c : cases) {
        std::vector<ReplayStep> steps;
        std::string error;
        EXPECT_FALSE(ParseReplay(c.text, &steps, &error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(ReplayScript, FramesHashTheirSizeAndPixels) {
    platform::Frame a{2, 1, {1, 2}};
    platform::Frame b{1, 2, {1, 2}};
    platform::Frame c{2, 1, {1, 3}};
    EXPECT_NE(HashFrame(a), HashFrame(b));
    EXPECT_NE(HashFrame(a), HashFrame(c));
    EXPECT_EQ(HashFrame(a), HashFrame(platform::Frame{2, 1, {1, 2}}));
    // The 64-bit FNV-1a of "a".
    EXPECT_EQ(HashBytes("a", 1), 0xaf63dc4c8601ec8cull);
}

} // namespace
} // namespace testsupport
