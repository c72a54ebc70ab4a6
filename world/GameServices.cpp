#include "GameServices.h"

namespace {

// Everything off and no scripts: what a room sees before the game exists.
class SilentGame : public GameServices {
public:
    int32_t Filtering() override { return 0; }
    int32_t MusicVolume() override { return 96; }
    int32_t SoundVolume() override { return 96; }
    int32_t ShowZones() override { return 0; }
    int32_t ShowDebugLabel() override { return 0; }
    bool MenuOpen() override { return false; }
    bool GetHeldItem(int32_t*) override { return false; }
    void DropHeldItem() override {}
    void HoldDragItem(bool) override {}
    void ShowInventory() override {}
    bool InventoryVisible() override { return false; }
    bool DialogRunning() override { return false; }
    int32_t DialogSpeaker() override { return -1; }
    void OpenGameMenu() override {}
    void DoShow() override {}
    void DoTickAction() override {}
    const char* HintText(const char*) override { return nullptr; }
    TMetaCur* NamedCursor(const char*) override { return nullptr; }
    void CallGameEvent(const char*, int32_t, int32_t) override {}
    void Unref(int32_t& field) override { field = -1; }
    void CallRefOnce(int32_t& field) override { field = -1; }
    void SetTableNumber(int32_t, const char*, int32_t) override {}
    bool GlobalTableHasField(const char*, const char*) override { return false; }
};

GameServices*& Current() {
    static GameServices* current = nullptr;
    return current;
}

} // namespace

GameServices& Game() {
    static SilentGame silent;
    GameServices* set = Current();
    return set ? *set : silent;
}

void SetGameServices(GameServices* services) {
    Current() = services;
}
