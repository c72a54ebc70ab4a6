// The inventory's records: added, removed, and the window shown or hidden.
#include "GameWorld.h"
#include "InventorySlot.h"
#include "ScriptParams.h"
#include "ScriptRefs.h"
#include "TInventoryView.h"
#include "WorldCommands.h"

// (item, picture, id, [take]): a record in the first empty slot; with a
// non-zero take and nothing held it also goes to the pointer. An item given
// as nil adds nothing, an absent one a record without script object.
void EngineAddInventoryItem() {
    GameWorld* world = CommandWorld();
    TInventoryView* view = TInventoryView::Instance();
    if (!world || !view) return;
    const lua_Object item = ObjectParam(1);
    const char* picture = StringParam(2);
    const int32_t id = IntParam(3);
    if (item != LUA_NOOBJECT && lua_isnil(item)) return;
    auto* record = new InventorySlot(-1, picture, id);
    if (!record) return;
    ScriptRef(record->scriptRef, item);
    // A full inventory takes nothing, and so nothing goes to the pointer
    // either: a held record outside the slots would have no owner.
    if (!view->Add(record)) {
        delete record;
        view->Refresh();
        return;
    }
    if (lua_lua2C(4) != LUA_NOOBJECT && IntParam(4) != 0 && !world->GetHeldItem(nullptr))
        world->TakeItem(record);
    view->Refresh();
}

// The first record of that id goes; a held one is dropped first.
void EngineRemInventoryItem() {
    GameWorld* world = CommandWorld();
    TInventoryView* view = TInventoryView::Instance();
    if (!world || !view) return;
    const int32_t index = view->Find(IntParam(1));
    if (index >= 0) {
        if (world->HeldRecord() == view->SlotAt(index)) world->DropHeldItem();
        view->RemoveAt(index);
    }
    view->Refresh();
}

void EngineInventoryShow() {
    if (GameWorld* world = CommandWorld()) world->ShowInventory();
}

void EngineInventoryHide() {
    if (GameWorld* world = CommandWorld()) world->HideInventory();
}
