// What the world asks of the game: its options and flags, the inventory,
// dialog and menu state, and the bridge to the scripts. The game sets one
// instance; without one the world runs on a silent stand-in (no options, no
// scripts), so a room also works before the game exists.
#pragma once

#include <cstdint>

class TMetaCur;

class GameServices {
public:
    virtual ~GameServices() = default;

    // --- Options and developer options ---
    virtual int32_t Filtering() = 0;
    virtual int32_t MusicVolume() = 0;
    virtual int32_t SoundVolume() = 0;
    virtual int32_t ShowZones() = 0;
    virtual int32_t ShowDebugLabel() = 0;
    // True while the game menu is open.
    virtual bool MenuOpen() = 0;

    // --- Inventory, dragged item, dialog, menu ---
    // True when an inventory item is held at the pointer; its script
    // reference goes to `reference`.
    virtual bool GetHeldItem(int32_t* reference) = 0;
    virtual void DropHeldItem() = 0;
    // Raises (true) or lowers (false) the dragged item's hold count.
    virtual void HoldDragItem(bool on) = 0;
    virtual void ShowInventory() = 0;
    virtual bool InventoryVisible() = 0;
    // True while a dialog runs.
    virtual bool DialogRunning() = 0;
    // The actor number of the current dialog line's speaker, -1 when none.
    virtual int32_t DialogSpeaker() = 0;
    virtual void OpenGameMenu() = 0;
    virtual void DoShow() = 0;
    // Runs the script's DoTickAction unless the game's own conditions hold.
    virtual void DoTickAction() = 0;
    // The text of a section of the global hint texts; null when none.
    virtual const char* HintText(const char* section) = 0;
    // A cursor of the game's named resources; null when unknown.
    virtual TMetaCur* NamedCursor(const char* name) = 0;

    // --- Script bridge (references are signed, -1 for none) ---
    // Calls Game.<name> with the objects of up to two references, when the
    // function exists.
    virtual void CallGameEvent(const char* name, int32_t reference1, int32_t reference2) = 0;
    // Releases the reference held in `field` and sets it to -1.
    virtual void Unref(int32_t& field) = 0;
    // Takes a held reference out of `field` (-1 first), calls it with no
    // arguments and releases it; nothing for -1.
    virtual void CallRefOnce(int32_t& field) = 0;
    // Sets a number field of the referenced table; nothing without a table.
    virtual void SetTableNumber(int32_t table, const char* field, int32_t value) = 0;
    // Whether the global `table` is a table whose `field` is not nil.
    virtual bool GlobalTableHasField(const char* table, const char* field) = 0;
};

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

// The instance the game set, or the silent stand-in. Not owned.
GameServices& Game();
void SetGameServices(GameServices* services);
