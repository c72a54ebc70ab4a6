// A minute of seeded random input on the demo game (pointer moves, left and
// right clicks, keys, wherever they land: menus, boxes, the map, the
// inventory, the credits): no crash, no script error, no error report. The
// game may end on the way (a click on the boat, the menu's quit).
#include "ReplayGame.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include "ui/TEngine.h"

#include <algorithm>
#include <random>

namespace {

using testsupport::ReplayStep;

// One step every 40 ms for `ms`; mt19937's numbers are the same everywhere
// (its distributions are not, so none is used).
std::vector<ReplayStep> RandomSteps(uint32_t seed, uint32_t ms) {
    using Key = platform::KeyCode;
    constexpr Key kKeys[] = {Key::Escape, Key::Return, Key::Space, Key::F1, Key::F2,
                             Key::Tab,    Key::Y,      Key::N,     Key::A,  Key::Left};
    std::mt19937 random(seed);
    std::vector<ReplayStep> steps;
    for (uint32_t at = 40; at <= ms; at += 40) {
        ReplayStep step;
        step.at = at;
        const uint32_t roll = random() % 100;
        step.kind = roll < 50   ? ReplayStep::Kind::Move
                    : roll < 78 ? ReplayStep::Kind::Click
                    : roll < 88 ? ReplayStep::Kind::RightClick
                                : ReplayStep::Kind::Key;
        step.x = int32_t(random() % 800);
        // A fifth of the pointer's places on the task bar's strips.
        step.y = random() % 5 == 0 ? 560 + int32_t(random() % 40) : int32_t(random() % 600);
        step.key = kKeys[random() % std::size(kKeys)];
        step.line = int(steps.size()) + 1;
        steps.push_back(step);
    }
    return steps;
}

// Random input soon ends the game (the menu's quit, the boat): games are
// played one after another, each from its own seed, until a minute of input
// has been played.
TEST(ReplayRandom, AMinuteOfRandomInputLeavesNoErrorBehind) {
    constexpr uint32_t kMinute = 60000;
    uint32_t played = 0;
    for (uint32_t seed = 34; played < kMinute && seed < 34 + 30; ++seed) {
        SCOPED_TRACE(seed);
        TEngine engine;
        testsupport::TempDir dir;
        std::string error;
        ASSERT_TRUE(testsupport::CopyGameTree(DEMO_TREE, dir.File("game"), &error)) << error;
        const uint32_t left = kMinute - played;
        const auto run =
            testsupport::ReplayGame(RandomSteps(seed, left), dir.File("game"), false, 0);
        // Ending early, or going on after the last step, is no fault here.
        const bool endedOrWentOn = run.failure.rfind("the program ended before", 0) == 0 ||
                                   run.failure.rfind("the program still ran", 0) == 0;
        EXPECT_TRUE(endedOrWentOn) << run.failure;
        played += std::min(run.elapsed, left);
    }
    EXPECT_GE(played, kMinute);
}

} // namespace
