// The game replayed: run in the current engine on the memory host and
// virtual time from a copy of its folder, its input from a replay script,
// its intro and credits played (a replay is someone at the screen).
#pragma once

#include "Replay.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct GameReplayResult {
    std::vector<ReplayCheckpoint> checkpoints;
    // Why the run failed; empty when it did not.
    std::string failure;
    // Virtual milliseconds from the start to the end of the game.
    uint32_t elapsed = 0;
};

// Plays `steps` on the game in `folder` (resource.ini and what it names; the
// run writes its saves, error log and window lock there). The script's dev
// lines become the developer switches (drive E); without any, the finished
// game's settings hold. `keepFrames` keeps each checkpoint's frame; the run
// fails when the game still runs `graceMs` after the last step.
GameReplayResult ReplayGame(const std::vector<ReplayStep>& steps, const std::string& folder,
                            bool keepFrames = false, uint32_t graceMs = ReplayDriver::kGraceMs);

// The running game in words: menu flag, language, the pointer's shape (its
// cursor key, "-" when hidden or keyless), and with a world its room,
// whether a dialog, the map or the inventory is on, and the held item's id;
// last the save folder's files with the hashes of their bytes, when any.
std::string GameStateWords();

// Copies the game's tree `from` into `to` (made when missing); false with
// the reason.
bool CopyGameTree(const std::string& from, const std::string& to, std::string* error);

} // namespace testsupport
