// Replays of recorded input: a script of timed steps (pointer moves, clicks,
// keys and checkpoints), read from text, one step a line:
//
//   # comment
//   TIME move X Y        TIME click X Y       TIME rclick X Y
//   TIME key NAME        TIME check NAME
//
// TIME is the virtual time in milliseconds from the start of the replay and
// never decreases; X and Y are game screen coordinates; NAME of a key is one
// of KeyNames(). Every number is checked whole. The hashes of the frames and
// of the sound played at the checkpoints are what a replay compares.
//
// Still to come: the driver that plays the steps through a periodic
// multimedia timer on the virtual clock, the checkpoints' golden list, the
// tool and the demo's script.
#pragma once

#include "platform/Host.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct ReplayStep {
    enum class Kind { Move, Click, RightClick, Key, Check };
    uint32_t at = 0;
    Kind kind = Kind::Move;
    int32_t x = 0, y = 0;
    platform::KeyCode key = platform::KeyCode::Escape;
    // The checkpoint's name.
    std::string name;
    // The script's line, from 1.
    int line = 0;
};

// The steps of `text`; false with the line and the reason in `error`.
bool ParseReplay(const std::string& text, std::vector<ReplayStep>* steps, std::string* error);
// The names a key step takes.
std::vector<std::string> KeyNames();
// FNV-1a, 64 bits: the frames' and sounds' hash.
uint64_t HashBytes(const void* data, size_t size, uint64_t seed = 0xcbf29ce484222325ull);
uint64_t HashFrame(const platform::Frame& frame);

} // namespace testsupport
