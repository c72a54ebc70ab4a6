// The makers' switches: skip the intro and the menu, show click zones and the
// debug label, switch off the credits and saving. Read once from
// "E:\Adventuredev.ini" (section DEBUG); without that file every switch has
// the finished game's setting.
#pragma once

#include <cstdint>

class DevOptions {
public:
    DevOptions();

    int32_t showIntro = 1;
    int32_t showZones = 0;
    int32_t showTaskbar = 0; // read, and used by nothing
    int32_t showGameMenu = 1;
    int32_t showDebugLabel = 0;
    int32_t showCredits = 1;
    int32_t enableSaveGame = 1;

    // The file the switches come from (a drive path: mapped by the platform's
    // drive table, unmapped by default).
    static constexpr const char* kPath = "E:\\Adventuredev.ini";
};
