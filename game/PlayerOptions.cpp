#include "PlayerOptions.h"

#include "GameApp.h"
#include "GameStatics.h"

#include "foundation/TFileCtl.h"
#include "foundation/TProfile.h"
#include "foundation/TString.h"

#include <algorithm>
#include <utility>

namespace {

constexpr const char* kSection = "Options";

// The configuration file opened as a profile; false without one.
bool OpenConfiguration(TProfile& profile) {
    TString path;
    if (!TFileCtl::GetPath("Config", "config", path) || path == "") return false;
    profile.SetFileName(path.c_str());
    return profile.Open() != 0;
}

} // namespace

PlayerOptions& PlayerOptions::Get() {
    return TEngine::Require("player options").Part<PlayerOptions>();
}

int32_t PlayerOptions::Level(int32_t volume) {
    return std::clamp(volume, int32_t{0}, kLoudest);
}

bool PlayerOptions::Load() {
    TProfile profile;
    const bool opened = OpenConfiguration(profile);
    if (opened && profile.FindSection(kSection)) {
        for (auto [key, value] :
             {std::pair{"Filtering", &filtering}, std::pair{"Shadows", &shadows},
              std::pair{"Hints", &hints}, std::pair{"DialogText", &dialogText}})
            *value = profile.ReadBool(key) ? 1 : 0;
        for (auto [key, value] :
             {std::pair{"MusicVolume", &musicVolume}, std::pair{"SoundVolume", &soundVolume}})
            if (profile.FindKey(key)) profile.ReadInt(value);
    }
    if (opened) profile.Close();
    ApplyHints();
    return opened;
}

bool PlayerOptions::Save() {
    TProfile profile;
    if (!OpenConfiguration(profile)) return false;
    if (profile.FindSection(kSection)) {
        for (auto [key, value] : {std::pair{"Filtering", filtering}, std::pair{"Shadows", shadows},
                                  std::pair{"Hints", hints}, std::pair{"DialogText", dialogText}})
            profile.WriteBool(key, value);
        for (auto [key, value] :
             {std::pair{"MusicVolume", musicVolume}, std::pair{"SoundVolume", soundVolume}})
            if (profile.FindKey(key)) profile.WriteInt(value);
    }
    profile.Close();
    return true;
}

void PlayerOptions::UseHints(bool on) {
    GameApp& app = App();
    if (on) {
        TWinApp::SetHintWindow(&app.HintWindow());
        return;
    }
    app.HintWindow().Hide();
    TWinApp::SetHintWindow(nullptr);
}
