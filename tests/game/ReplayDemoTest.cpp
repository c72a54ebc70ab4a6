// The demo game replayed from its scripts in demo/replay: every checkpoint's
// frame, sound and state as in the goldens beside each script, without a
// script error or an error report, and the game ended by itself.
#include "ReplayGame.h"
#include "TempDir.h"
#include "ToolProgram.h"

#include <gtest/gtest.h>

namespace {

void ExpectGoldens(const std::string& name) {
    const std::string source = DEMO_SOURCE "/replay/" + name;
    std::vector<testsupport::ReplayStep> steps;
    std::string error;
    ASSERT_TRUE(
        testsupport::ParseReplay(testsupport::ReadTextFile(source + ".txt"), &steps, &error))
        << error;
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::CopyGameTree(DEMO_TREE, dir.File("game"), &error)) << error;
    const testsupport::GameReplayResult run = testsupport::ReplayGame(steps, dir.File("game"));
    EXPECT_EQ(run.failure, "");
    for (const std::string& difference : testsupport::CompareCheckpoints(
             run.checkpoints, testsupport::ReadTextFile(source + ".golden")))
        ADD_FAILURE() << difference;
}

TEST(ReplayDemo, PlaysFromTheIntroToTheBoatsCreditsSwitchingToGerman) {
    ExpectGoldens("play");
}

TEST(ReplayDemo, PlaysTheBedsEndingToItsCredits) {
    ExpectGoldens("bed");
}

TEST(ReplayDemo, SavesOverwritesStartsAnewAndLoadsThroughTheMenu) {
    ExpectGoldens("menu");
}

TEST(ReplayDemo, KeepsTheGameThroughItsErrorPaths) {
    ExpectGoldens("errors");
}

TEST(ReplayDemo, RefusesAnOldAndACutSaveAndGoesOn) {
    ExpectGoldens("badsaves");
}

} // namespace
