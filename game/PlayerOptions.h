// The player's six options, kept in section [Options] of the configuration
// file: the switches Filtering, Shadows, Hints and DialogText and the music
// and sound volumes. Read once at the game's start, written back by the
// options page; only keys the file already has are written. The volumes are
// held as read (a hand-edited 200 stays 200) and reach a sound clamped to
// the engine's 0 to 127.
#pragma once

#include "ui/TEngine.h"

#include <cstdint>

class PlayerOptions : public TEnginePart {
public:
    static constexpr int32_t kLoudest = 127;

    // The current engine's options.
    static PlayerOptions& Get();

    // Reads the configuration file's [Options] (a missing section, key or
    // file keeps the values held), then applies Hints to the hint window.
    // False when the file could not be opened.
    bool Load();
    // Writes the values to the keys the file has. False when the file could
    // not be opened.
    bool Save();
    // Hints on: the application's hint window shows tool tips; off: it is
    // hidden and no control shows any.
    void ApplyHints() const { UseHints(hints != 0); }
    static void UseHints(bool on);

    // A volume as a sound takes it.
    static int32_t Level(int32_t volume);

    int32_t filtering = 1;
    int32_t shadows = 1;
    int32_t hints = 1;
    int32_t dialogText = 1;
    int32_t musicVolume = 96;
    int32_t soundVolume = 96;
};
