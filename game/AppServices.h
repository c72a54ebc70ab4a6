// What the world asks of the game, answered by the application for the
// whole run: options, menu flag, held item, hints and cursors of the named
// resources, the world's menu, map and tick events, and the script bridge
// into the current world's main state (nothing without one).
#pragma once

#include "GameServices.h"

class AppServices : public GameServices {
public:
    int32_t Filtering() override;
    int32_t MusicVolume() override;
    int32_t SoundVolume() override;
    int32_t ShowZones() override;
    int32_t ShowDebugLabel() override;
    bool MenuOpen() override;

    bool GetHeldItem(int32_t* reference) override;
    void DropHeldItem() override;
    void HoldDragItem(bool on) override;
    void ShowInventory() override;
    bool InventoryVisible() override;
    bool DialogRunning() override;
    int32_t DialogSpeaker() override;
    void OpenGameMenu() override;
    void DoShow() override;
    void DoTickAction() override;
    const char* HintText(const char* section) override;
    TMetaCur* NamedCursor(const char* name) override;

    void CallGameEvent(const char* name, int32_t reference1, int32_t reference2) override;
    void Unref(int32_t& field) override;
    void CallRefOnce(int32_t& field) override;
    void SetTableNumber(int32_t table, const char* field, int32_t value) override;
    bool GlobalTableHasField(const char* table, const char* field) override;
};
