// The replay's verdicts on the one-room game: a script error, an error
// report, a game that never ends, one that ends before its last step and a
// file that cannot be put into the save folder each fail the run with their
// reason, and the run ends soon after.
#include "GameFixture.h"
#include "ReplayGame.h"
#include "TempDir.h"

#include "ui/TEngine.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(ReplayDriver, AFailedRunSaysWhyAndEnds) {
    const struct {
        const char* name;
        const char* main;
        const char* script;
        const char* failure;
        uint32_t endsBefore;
        bool noSaveFolder = false;
    } cases[] = {
        // The game at once, without the menu it starts with when finished.
        {"script error", "function Game.DoTickAction() nothing() end\n",
         "0 dev ShowGameMenu 0\n5000 check never\n", "a \"Script Error!\" box", 3000},
        {"error report", "function Game.DoTickAction() Engine.PlaySound('wavMissing') end\n",
         "0 dev ShowGameMenu 0\n5000 check never\n", "an error report: error.log: Error=", 3000},
        {"never ends", "", "1000 check one\n",
         "the program still ran 60 s after the last step, at 1000 ms", 61100},
        {"ends early", "function main() Engine.EnterRoom('Hall') Engine.QuitGame() end\n",
         "0 dev ShowGameMenu 0\n5000 check late\n", "the program ended before line 2", 3000},
        {"no save folder", "", "500 put a.sav cut\n5000 check never\n",
         "line 1: the game has no save folder", 3000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TEngine engine;
        testsupport::TempDir dir;
        tools::GameFixture fixture;
        fixture.mainScript = tools::DefaultMainScript() + c.main;
        std::string error;
        ASSERT_TRUE(tools::WriteGameFixture(dir.File("game"), fixture, &error)) << error;
        if (c.noSaveFolder) std::filesystem::remove_all(dir.File("game/data/saves"));
        std::vector<testsupport::ReplayStep> steps;
        ASSERT_TRUE(testsupport::ParseReplay(c.script, &steps, &error)) << error;
        const auto run = testsupport::ReplayGame(steps, dir.File("game"));
        EXPECT_EQ(run.failure.rfind(c.failure, 0), 0u) << run.failure;
        EXPECT_LT(run.elapsed, c.endsBefore);
    }
}

} // namespace
