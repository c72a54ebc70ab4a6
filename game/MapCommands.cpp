// The map commands: the map switched on and off, and its locations made,
// enabled and shown by number.
#include "GameApp.h"
#include "GamePictures.h"
#include "GameWorld.h"
#include "MapView.h"
#include "ScriptParams.h"
#include "ScriptRefs.h"
#include "WorldCommands.h"

#include "foundation/TSectTxt.h"

#include <string>

namespace {
const TColor kKey(0, 255, 0);

// The picture of a location by its number; null for any other number.
const char* LocationPicture(int32_t index) {
    static constexpr const char* kPictures[] = {"picMapExcavation", "picMapBeach",
                                                "picMapBrackleCottage", "picMapLightHouse"};
    return index >= 0 && index < 4 ? kPictures[index] : nullptr;
}

MapView* CommandMap() {
    return CommandWorld() ? MapView::Instance() : nullptr;
}

void SetEntryLook(TMapEntry& entry, int32_t index, int32_t x, int32_t y) {
    const char* key = LocationPicture(index);
    TMetaImg* picture = key ? NamedPicture(key) : nullptr;
    SetButtonPictures(entry, key, key, key, key);
    entry.SetTransparent(1);
    entry.SetColor(kKey);
    entry.SetStyle(entry.GetStyle() & ~uint32_t(TControl::stDefault));
    entry.SetCursor(Resources().Cursor("curHand"));
    entry.SetRect(x, y, picture ? picture->GetWidth() : 0, picture ? picture->GetHeight() : 0);
}
} // namespace

void EngineEnableMap() {
    if (MapView* map = CommandMap()) map->SetEnabled(true);
}

void EngineDisableMap() {
    if (MapView* map = CommandMap()) map->SetEnabled(false);
}

// (location, name, index, x, y, [visible], [enabled]): a location button on
// the map at place `index` (0 to 255; any other creates nothing).
void EngineCreateMapEntry() {
    MapView* map = CommandMap();
    if (!map) return;
    const lua_Object location = ObjectParam(1);
    const char* name = StringParam(2);
    const int32_t index = IntParam(3);
    const int32_t x = IntParam(4);
    const int32_t y = IntParam(5);
    const bool visible = FlagParam(6);
    const bool enabled = FlagParam(7);
    // A number from the script lengthens the table: -1 read as unsigned
    // would ask for four billion places.
    if (index < 0 || index >= MapView::kMaxEntries) return;
    auto* entry = new TMapEntry;
    if (!entry) return;
    entry->SetPlace(name);
    ScriptRef(entry->scriptRef, location);
    SetEntryLook(*entry, index, x, y);
    entry->Show(map);
    if (!visible) entry->Hide();
    if (!enabled) entry->SetEnabled(false);
    map->SetEntry(entry, index);
}

// (index, flag): enabled for 1, else disabled.
void EngineSetMapEntryEnabled() {
    MapView* map = CommandMap();
    if (!map) return;
    const int32_t index = IntParam(1);
    const int32_t flag = IntParam(2);
    if (TMapEntry* entry = map->GetEntry(index)) entry->SetEnabled(flag == 1);
}

// (index, flag): shown for 1, else hidden.
void EngineSetMapEntryVisible() {
    MapView* map = CommandMap();
    if (!map) return;
    const int32_t index = IntParam(1);
    const int32_t flag = IntParam(2);
    TMapEntry* entry = map->GetEntry(index);
    if (!entry) return;
    if (flag == 1)
        entry->Show(map);
    else
        entry->Hide();
}
