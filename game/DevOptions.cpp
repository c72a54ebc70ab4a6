#include "DevOptions.h"

#include "foundation/TFile.h"
#include "foundation/TIniFile.h"

namespace {
struct Switch {
    const char* key;
    int32_t DevOptions::*field;
};

// In the order they are read.
constexpr Switch kSwitches[] = {
    {"ShowIntro", &DevOptions::showIntro},           {"ShowZones", &DevOptions::showZones},
    {"ShowTaskbar", &DevOptions::showTaskbar},       {"ShowGameMenu", &DevOptions::showGameMenu},
    {"ShowDebugLabel", &DevOptions::showDebugLabel}, {"ShowCredits", &DevOptions::showCredits},
    {"EnableSaveGame", &DevOptions::enableSaveGame},
};
} // namespace

DevOptions::DevOptions() {
    // A missing file is the finished game: no message, the defaults stay.
    TFile probe(kPath);
    if (!probe.Exists()) return;
    TIniFile ini;
    ini.SetPath(kPath);
    if (!ini.Load()) return;
    for (const Switch& s : kSwitches)
        this->*s.field = ini.GetInt("DEBUG", s.key, this->*s.field);
    ini.Detach();
}
